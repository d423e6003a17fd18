#include "TableTexts.h"

#include "inspection/TextLanguage.h"

#include <cstring>

namespace {

struct Translation {
    const char* Source;
    const char* English;
};

// The window's catalogue, context "JpegTexts" (i18n/scanlark_en.ts).
constexpr Translation kEnglish[] = {
#include "JpegTextsEnglish.inc"
};

}  // namespace

const char* TableText(const char* text)
{
    static const bool english = LanguageFromEnvironment() == TextLanguage::English;
    if (!english || *text == '\0')
        return text;
    for (const Translation& entry : kEnglish)
        if (std::strcmp(entry.Source, text) == 0)
            return entry.English;
    return text;
}

#include "inspection/TextLanguage.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

TextLanguage LanguageOfLocaleName(const char* value)
{
    // "ja", "ja_JP", "ja_JP.UTF-8", "ja.eucJP@x", "ja:en": the language is
    // the letters before any of _ . @ : and must be exactly "ja".
    const bool japanese =
        value && std::strncmp(value, "ja", 2) == 0 && (value[2] == '\0' || std::strchr("_.@:", value[2]) != nullptr);
    return japanese ? TextLanguage::Japanese : TextLanguage::English;
}

TextLanguage LanguageFromEnvironment()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return LanguageOfLocaleName(value);
    }
    return TextLanguage::English;
}

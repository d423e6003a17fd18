#include "catalogue/KvCollation.h"

#include <QFile>
#include <QLocale>

#include <unicode/ucol.h>

#include <memory>
#include <vector>

namespace {

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

const std::string& collationLocale()
{
    static const std::string name = [] {
        // The C locale has no collation of its own: use the window's language.
        QLocale locale = QLocale::system();
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::Japanese, QLocale::Japan);
        return locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
    }();
    return name;
}

UCollator* openCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(collationLocale().c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collator = ucol_open("", &status);  // the root collation
        if (U_FAILURE(status))
            return nullptr;
    }
    // The texts come lower-cased, so every level may count: the tertiary one
    // tells kana types and widths apart ("あ"/"ア", "ａ"/"a"), and the
    // identical level orders whatever is left, so that only canonically
    // equivalent texts compare equal and a descending sort is the exact
    // reverse.
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_CASE_LEVEL, UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_IDENTICAL, &status);
    return collator;
}

// Collators are not shared between threads: one per thread, made on first use.
UCollator* collator()
{
    thread_local const std::unique_ptr<UCollator, CollatorCloser> instance(openCollator());
    return instance.get();
}

// Lower-cased UTF-16 text of a file name. Short ASCII names, nearly all of
// them, skip the decoder and its allocation.
class NameText {
public:
    explicit NameText(std::string_view bytes)
    {
        if (bytes.size() <= kInline) {
            size_t i = 0;
            for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
                const char c = bytes[i];
                inline_[i] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
            if (i == bytes.size()) {
                size_ = static_cast<int32_t>(i);
                data_ = reinterpret_cast<const UChar*>(inline_);
                return;
            }
        }
        decoded_ = DecodeFileName(bytes).toLower();
        size_ = static_cast<int32_t>(decoded_.size());
        data_ = reinterpret_cast<const UChar*>(decoded_.utf16());
    }
    NameText(const NameText&) = delete;
    NameText& operator=(const NameText&) = delete;
    const UChar* data() const { return data_; }
    int32_t size() const { return size_; }

private:
    static constexpr size_t kInline = 255;
    char16_t inline_[kInline];
    QString decoded_;
    const UChar* data_ = nullptr;
    int32_t size_ = 0;
};

int collate(const UChar* a, int32_t aSize, const UChar* b, int32_t bSize)
{
    UCollator* c = collator();
    if (!c) {
        const QString x = QString::fromUtf16(reinterpret_cast<const char16_t*>(a), aSize);
        const QString y = QString::fromUtf16(reinterpret_cast<const char16_t*>(b), bSize);
        return x.compare(y);
    }
    return static_cast<int>(ucol_strcoll(c, a, aSize, b, bSize));
}

std::string sortKey(const UChar* text, int32_t size)
{
    UCollator* c = collator();
    if (!c) {
        // Without collation data: the UTF-16 units, big-endian, which order
        // like the fallback comparison.
        const QString units = QString::fromUtf16(reinterpret_cast<const char16_t*>(text), size);
        std::string key(1, '\x01');
        for (const QChar unit : units) {
            key.push_back(static_cast<char>(unit.unicode() >> 8));
            key.push_back(static_cast<char>(unit.unicode() & 0xFF));
        }
        return key;
    }
    thread_local std::vector<uint8_t> buffer(256);
    int32_t length = ucol_getSortKey(c, text, size, buffer.data(), static_cast<int32_t>(buffer.size()));
    if (length > static_cast<int32_t>(buffer.size())) {
        buffer.resize(static_cast<size_t>(length));
        length = ucol_getSortKey(c, text, size, buffer.data(), static_cast<int32_t>(buffer.size()));
    }
    // The key's closing NUL is left out: a shorter key that is a prefix of a
    // longer one sorts first either way.
    if (length > 0 && buffer[static_cast<size_t>(length) - 1] == 0)
        --length;
    if (length <= 0)
        return std::string(1, '\x01');
    return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(length));
}

}  // namespace

QString DecodeFileName(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

int CollateTexts(const QString& a, const QString& b)
{
    const QString x = a.toLower();
    const QString y = b.toLower();
    return collate(reinterpret_cast<const UChar*>(x.utf16()), static_cast<int32_t>(x.size()),
                   reinterpret_cast<const UChar*>(y.utf16()), static_cast<int32_t>(y.size()));
}

int CollateFileNames(std::string_view a, std::string_view b)
{
    const NameText x(a);
    const NameText y(b);
    return collate(x.data(), x.size(), y.data(), y.size());
}

std::string CollationKey(const QString& text)
{
    const QString lower = text.toLower();
    return sortKey(reinterpret_cast<const UChar*>(lower.utf16()), static_cast<int32_t>(lower.size()));
}

std::string FileNameCollationKey(std::string_view name)
{
    const NameText text(name);
    return sortKey(text.data(), text.size());
}

#include "catalogue/KvUtils.h"

#include "platform/DisplayPath.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QMimeType>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// value with 3 significant digits in the general format, shortest form.
QString formatThreeDigits(double value, const QLocale& locale)
{
    // From 999.5 up the general format would switch to exponent notation
    // ("1e+03"); a plain whole number reads better in a size column.
    if (value >= 999.5) {
        QLocale plain = locale;
        plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
        return plain.toString(static_cast<qlonglong>(std::llround(value)));
    }
    return locale.toString(value, 'g', 3);
}

// "*.ext" with a non-empty ext free of wildcards. The MIME database also holds
// whole-name globs ("README*"), which are no extensions.
bool isExtensionMask(const QString& pattern)
{
    if (pattern.size() < 3 || !pattern.startsWith("*."_L1))
        return false;
    const QStringView ext = QStringView(pattern).mid(2);
    return !ext.contains(u'*') && !ext.contains(u'?') && !ext.contains(u'[');
}

// The picture formats the program can load, with the file masks they are
// registered under. The shared MIME database also gives image/jpeg the
// ".jpe" mask, which no JPEG file of the program's users carries and the
// preview has no decoder for.
struct PictureFormat {
    QLatin1StringView mimeType;
    QLatin1StringView masks;
};
constexpr PictureFormat kPictureFormats[] = {
    {"image/jpeg"_L1, "*.jpeg;*.jpg"_L1},
};

}  // namespace

QString SizeToStr(int64_t bytes, const QLocale& locale)
{
    constexpr int64_t kilo = 1024;
    constexpr int64_t mega = kilo * 1024;
    constexpr double giga = 1024.0 * 1024.0 * 1024.0;

    if (bytes < 0)
        return QCoreApplication::translate("Sizes", "2GB以上");
    if (bytes < 1000)
        return formatThreeDigits(static_cast<double>(bytes), locale) + QCoreApplication::translate("Sizes", " バイト");
    // 1000 units of the smaller size, not 1024, keep the number below 1000.
    if (bytes < 1000 * kilo)
        return formatThreeDigits(static_cast<double>(bytes) / kilo, locale) + u" KB"_s;
    if (bytes < 1000 * mega)
        return formatThreeDigits(static_cast<double>(bytes) / mega, locale) + u" MB"_s;
    const double gigabytes = static_cast<double>(bytes) / giga;
    if (gigabytes < 1000)
        return formatThreeDigits(gigabytes, locale) + u" GB"_s;
    return formatThreeDigits(gigabytes / 1024, locale) + u" TB"_s;
}

QString SizeToKBStr(int64_t bytes, const QLocale& locale)
{
    // Same value as (bytes + 1023) / 1024, without overflowing near INT64_MAX.
    const int64_t kilobytes = bytes >= 0 ? bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0) : (bytes + 1023) / 1024;
    // The column always groups thousands, also under locales that omit it by
    // default (the C locale).
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::NumberOptions(QLocale::OmitGroupSeparator));
    return grouped.toString(static_cast<qlonglong>(kilobytes)) + u" KB"_s;
}

QString AttrToStr(uint32_t attributes)
{
    QString text;
    if (attributes & 0x01)
        text += u'R';
    if (attributes & 0x02)
        text += u'H';
    if (attributes & 0x04)
        text += u'S';
    if (attributes & 0x20)
        text += u'A';
    return text;
}

int ComparePointers(const void* a, const void* b)
{
    if (!a && b)
        return -1;
    if (a && !b)
        return 1;
    return 0;
}

QString StripLowerPrefix(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) >= u'a' && text.at(start) <= u'z')
        ++start;
    return text.mid(start);
}

std::string DeleteLastChar(const std::string& text)
{
    if (text.empty())
        return text;
    return text.substr(0, text.size() - 1);
}

QString DeleteLastChar(const QString& text)
{
    qsizetype length = text.size();
    if (length == 0)
        return text;
    // Cutting a surrogate pair in half would leave an unpaired surrogate.
    if (length >= 2 && text.at(length - 1).isLowSurrogate() && text.at(length - 2).isHighSurrogate())
        --length;
    return text.left(length - 1);
}

QString FileMaskToExtList(const QString& masks)
{
    QString list = masks;
    list.remove(u'*');
    list.replace(u';', u',');
    return list;
}

QString GraphicExtList(const QString& mimeTypeName)
{
    for (const PictureFormat& format : kPictureFormats) {
        if (mimeTypeName == format.mimeType)
            return FileMaskToExtList(format.masks);
    }
    const QMimeDatabase database;
    const QMimeType base = database.mimeTypeForName(mimeTypeName);
    if (!base.isValid())
        return {};

    // Only image types count: the database also derives videos made of
    // frames of an image format (Motion JPEG) from it, which are no pictures.
    QList<QMimeType> derived;
    for (const QMimeType& type : database.allMimeTypes()) {
        if (type != base && type.inherits(base.name()) && type.name().startsWith(u"image/"))
            derived.append(type);
    }
    // The database's own order is unspecified; sorting keeps the list stable.
    std::sort(derived.begin(), derived.end(),
              [](const QMimeType& x, const QMimeType& y) { return x.name() < y.name(); });

    QStringList masks;
    const auto addMasks = [&masks](const QMimeType& type) {
        for (const QString& pattern : type.globPatterns()) {
            if (isExtensionMask(pattern) && !masks.contains(pattern))
                masks.append(pattern);
        }
    };
    addMasks(base);
    for (const QMimeType& type : derived)
        addMasks(type);
    return FileMaskToExtList(masks.join(u';'));
}

std::string StringsToNulList(const std::vector<std::string>& strings)
{
    std::size_t length = 1;
    for (const std::string& s : strings) {
        if (s.empty() || s.find('\0') != std::string::npos)
            throw std::invalid_argument("StringsToNulList: empty string or string with NUL");
        length += s.size() + 1;
    }
    std::string list;
    list.reserve(length);
    for (const std::string& s : strings) {
        list += s;
        list += '\0';
    }
    list += '\0';
    return list;
}

QString DecodeCommentText(const std::string& bytes)
{
    QString text;
    if (DecodeUtf8OrCp932(bytes, text))
        return text;
    return QString::fromLatin1(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

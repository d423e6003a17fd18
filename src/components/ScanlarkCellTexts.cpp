#include "components/ScanlarkCellTexts.h"

#include "catalogue/KvFileInfo.h"
#include "catalogue/KvUtils.h"
#include "components/ScanlarkColumns.h"
#include "decode/DeepInfo.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/KvJpegInfoConsts.h"
#include "platform/DisplayPath.h"
#include "platform/KvDirectoryListing.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

namespace {

// The locale's short time format with seconds added after the minutes when
// it has none ("H:mm" gives "H:mm:ss"): digits, as a list column wants,
// where the long format may spell the units out ("H時mm分ss秒").
QString TimeFormatWithSeconds(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(u't');  // the same zone in every row says nothing
    format = format.trimmed();
    if (format.contains(u's'))
        return format;
    const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
    if (minutes < 0)
        return format;
    // The separator the locale puts before the minutes goes before the seconds.
    qsizetype separatorStart = minutes;
    while (separatorStart > 0 && format[separatorStart - 1] != u'h' && format[separatorStart - 1] != u'H')
        --separatorStart;
    QString separator = separatorStart > 0 ? format.mid(separatorStart, minutes - separatorStart) : QString();
    if (separator.isEmpty())
        separator = QStringLiteral(":");
    format.insert(minutes + 2, separator + QStringLiteral("ss"));
    return format;
}

QString NumberOrEmpty(int32_t value) { return value == -1 ? QString() : QString::number(value); }

QString PercentOrEmpty(int32_t value) { return value == -1 ? QString() : QStringLiteral("%1 %").arg(value); }

QString VersionText(const TKvJpegInfo& j)
{
    if (j.IsJfif)
        return QString::asprintf("JFIF %d.%.2d", j.JfifMajor, j.JfifMinor);
    return j.IsExif ? QStringLiteral("Exif") : QString();
}

}  // namespace

QLocale GroupingLocale(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::NumberOptions(QLocale::OmitGroupSeparator));
    return locale;
}

QString GroupedNumber(int64_t value, const QLocale& locale)
{
    return GroupingLocale(locale).toString(static_cast<qlonglong>(value));
}

QString FileTimeText(int64_t nanoseconds, const QLocale& locale)
{
    if (nanoseconds == kUnknownFileTime)
        return {};
    constexpr int64_t kNanosecondsPerMillisecond = 1000000;
    int64_t milliseconds = nanoseconds / kNanosecondsPerMillisecond;
    int64_t remainder = nanoseconds % kNanosecondsPerMillisecond;
    if (remainder < 0) {
        --milliseconds;
        remainder += kNanosecondsPerMillisecond;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::LocalTime);
    QString text = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() != QTime(0, 0) || remainder != 0)
        text += u' ' + locale.toString(local.time(), TimeFormatWithSeconds(locale));
    return text;
}

QString FileColumnText(const TKvFileInfo& e, int column, const QLocale& locale)
{
    switch (column) {
    case ScanlarkColumn::Name: return DisplayPath(e.Name);
    case ScanlarkColumn::FullFileName: return DisplayPath(e.FullFileName());
    case ScanlarkColumn::Path: return DisplayPath(e.Path);
    case ScanlarkColumn::PathOnly: return DisplayPath(e.PathOnly());
    case ScanlarkColumn::FindIndex: return GroupedNumber(e.FindIndex, locale);
    case ScanlarkColumn::Size: return SizeToKBStr(e.Size, GroupingLocale(locale));
    case ScanlarkColumn::SizeDetail: return GroupedNumber(e.Size, locale);
    case ScanlarkColumn::TypeName: return e.TypeName;
    case ScanlarkColumn::LastWriteTime: return FileTimeText(e.LastWriteTime, locale);
    case ScanlarkColumn::Attr: return AttrToStr(e.Attr);
    case ScanlarkColumn::CreationTime: return FileTimeText(e.CreationTime, locale);
    case ScanlarkColumn::LastAccessTime: return FileTimeText(e.LastAccessTime, locale);
    default: return {};
    }
}

QString JpegColumnText(const TKvJpegInfo& j, int column, const QLocale& locale)
{
    static const QString kMark = QStringLiteral("○");
    switch (column) {
    case ScanlarkColumn::JPEG_Error:
        return j.Verdict == -1 ? QString() : QCoreApplication::translate("JpegTexts", JpegVerdictText(j.Verdict));
    case ScanlarkColumn::JPEG_AddBinary: return j.TrailingBytes == 0 ? QString() : GroupedNumber(j.TrailingBytes, locale);
    case ScanlarkColumn::JPEG_Format:
        return j.ProcessCode == -1 ? QString()
                                   : QCoreApplication::translate("JpegTexts", JpegProcessText(j.ProcessCode));
    case ScanlarkColumn::JPEG_MacBinary: return j.HasMacBinaryHeader ? kMark : QString();
    case ScanlarkColumn::JPEG_Grayscale: return j.ScanComplete && j.IsGrayscale ? kMark : QString();
    case ScanlarkColumn::JPEG_Width: return NumberOrEmpty(j.Width);
    case ScanlarkColumn::JPEG_Height: return NumberOrEmpty(j.Height);
    case ScanlarkColumn::JPEG_ThumbWidth: return NumberOrEmpty(j.ThumbWidth);
    case ScanlarkColumn::JPEG_ThumbHeight: return NumberOrEmpty(j.ThumbHeight);
    case ScanlarkColumn::JPEG_Version: return VersionText(j);
    case ScanlarkColumn::JPEG_Comment: return DecodeCommentText(j.Comment);
    case ScanlarkColumn::JPEG_Quality: return PercentOrEmpty(j.Quality);
    case ScanlarkColumn::JPEG_IJGQuality: return PercentOrEmpty(j.IjgQuality);
    default: return {};
    }
}

QString DeepVerdictName(DeepVerdict verdict)
{
    switch (verdict) {
    case DeepVerdict::Sound: return QCoreApplication::translate("CellTexts", "正常");
    case DeepVerdict::Warning: return QCoreApplication::translate("CellTexts", "警告");
    case DeepVerdict::Damaged: return QCoreApplication::translate("CellTexts", "破損");
    case DeepVerdict::NotDecoded: return QCoreApplication::translate("CellTexts", "復号不可");
    }
    return {};
}

QString TrailerKindName(TrailerKind kind)
{
    switch (kind) {
    case TrailerKind::None: return {};
    case TrailerKind::Jpeg: return QCoreApplication::translate("CellTexts", "JPEG 画像");
    case TrailerKind::Mpf: return QCoreApplication::translate("CellTexts", "MPF 画像");
    case TrailerKind::Mp4: return QCoreApplication::translate("CellTexts", "MP4 動画");
    case TrailerKind::Zip: return QCoreApplication::translate("CellTexts", "ZIP 書庫");
    case TrailerKind::Zeros: return QCoreApplication::translate("CellTexts", "ゼロ");
    case TrailerKind::Text: return QCoreApplication::translate("CellTexts", "テキスト");
    case TrailerKind::Unknown: return QCoreApplication::translate("CellTexts", "不明なデータ");
    }
    return {};
}

QString SoundFractionText(double fraction)
{
    if (!(fraction >= 0))
        return {};
    const int percent = fraction >= 1 ? 100 : static_cast<int>(std::floor(fraction * 100));
    return QStringLiteral("%1 %").arg(percent);
}

QString CheckColumnText(const TKvJpegInfo* j, const DeepInfo* d, int column, const QLocale& locale)
{
    switch (column) {
    case ScanlarkColumn::JPEG_Error:
        if (j && j->Verdict >= 0 && !IsJpegErrorVerdict(j->Verdict) && d && d->Verdict == DeepVerdict::Damaged)
            return QCoreApplication::translate("CellTexts", "画像データが破損しています");
        break;
    case ScanlarkColumn::JPEG_DeepVerdict: return d ? DeepVerdictName(d->Verdict) : QString();
    case ScanlarkColumn::JPEG_SoundFraction: return d ? SoundFractionText(d->SoundFraction) : QString();
    case ScanlarkColumn::JPEG_FirstBadRow:
        return d && d->FirstBadRow >= 0 ? GroupedNumber(d->FirstBadRow, locale) : QString();
    case ScanlarkColumn::JPEG_Trailer:
        if (!d || d->Trailer.Kind == TrailerKind::None)
            return {};
        return QCoreApplication::translate("CellTexts", "%1 (%2 バイト)").arg(TrailerKindName(d->Trailer.Kind), GroupedNumber(d->Trailer.Size, locale));
    default: break;
    }
    return j ? JpegColumnText(*j, column, locale) : QString();
}

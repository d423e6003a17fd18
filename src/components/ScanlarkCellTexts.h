// The texts of the main file list's cells, one function per kind of column,
// computed from a catalogue entry or its check result. Pure functions of
// their arguments (the locale is passed in), so they run without a window.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

class TKvFileInfo;
struct DeepInfo;
struct TKvJpegInfo;
enum class DeepVerdict;
enum class TrailerKind;

// locale with thousands always grouped ("0,"), also where the locale leaves
// the separator out by default (the C locale).
QLocale GroupingLocale(QLocale locale);

// value with the thousands separator of locale (as GroupingLocale).
QString GroupedNumber(int64_t value, const QLocale& locale);

// A file time (nanoseconds since 1970) as local time: the locale's short
// date, then the time as digits with seconds ("2026/12/08 5:45:37" in
// Japanese), the time left out at exactly midnight; empty when unknown.
QString FileTimeText(int64_t nanoseconds, const QLocale& locale);

// Text of column (an identifier of ScanlarkColumn below JPEG_Error) for
// entry e; empty for any other column. Names and folders are shown by
// DisplayPath.
QString FileColumnText(const TKvFileInfo& e, int column, const QLocale& locale);

// Text of check column (JPEG_Error .. JPEG_IJGQuality) for the check result
// j; empty for any other column and wherever j holds the unknown value -1.
QString JpegColumnText(const TKvJpegInfo& j, int column, const QLocale& locale);

// Text of any check column (JPEG_Error .. JPEG_Trailer) for an entry's walk
// record j and deep check result d, either of which may be null (empty
// text). The "エラー" column says the image data is damaged where the walk
// let the file pass and the deep check did not.
QString CheckColumnText(const TKvJpegInfo* j, const DeepInfo* d, int column, const QLocale& locale);

// "正常", "警告", "破損", "復号不可".
QString DeepVerdictName(DeepVerdict verdict);
// What a trailer holds, for people: "MP4 動画", "ZIP 書庫", ...; empty for none.
QString TrailerKindName(TrailerKind kind);
// The sound share (0..1) as a whole percentage, rounded down so that a
// damaged picture never shows 100: "99 %"; empty when unknown (below 0).
QString SoundFractionText(double fraction);

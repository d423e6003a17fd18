// The texts of the main file list's cells, one function per kind of column,
// computed from a catalogue entry or its check result. Pure functions of
// their arguments (the locale is passed in), so they run without a window.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

class TKvFileInfo;
struct TKvJpegInfo;

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

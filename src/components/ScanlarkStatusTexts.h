// The texts of the main window's status panels 0..3, and the longest text
// each panel can show, so that a panel can be made wide enough for all of
// them. Pure functions; the locale is passed in.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>

// Panel 0: "3 個のオブジェクトを選択".
QString SelectedCountText(int64_t selected, const QLocale& locale);

// Panel 0 while a listing runs: "一覧を作成中… 1,234 個のファイルとフォルダを確認".
QString ListingProgressText(int64_t scanned, const QLocale& locale);

// Panel 1: "12 / 1,234" with a focused row (focusedRow counted from 0),
// else "1,234 個のオブジェクト" (focusedRow < 0).
QString FocusPositionText(int focusedRow, int64_t count, const QLocale& locale);

// Panel 3: "エラー未チェック" while errorCount is -1; "  5 %完了" (the
// percentage right-aligned in three places) while running; else
// "2 個のエラー".
QString CheckStateText(int64_t errorCount, bool running, double progress, const QLocale& locale);

// Every text of panel (0..3) that can be the widest: counts up to 999,999
// files, the size texts of every unit, every check state. Empty for other
// panels.
QStringList LongestStatusTexts(int panel, const QLocale& locale);

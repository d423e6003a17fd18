#include "components/ScanlarkStatusTexts.h"

#include "catalogue/KvUtils.h"
#include "components/ScanlarkCellTexts.h"

#include <QCoreApplication>
#include <QtMath>

namespace {

// The most files a panel is sized for.
constexpr int64_t kLargestCount = 999999;

}  // namespace

QString SelectedCountText(int64_t selected, const QLocale& locale)
{
    return QCoreApplication::translate("StatusTexts", "%1 個のオブジェクトを選択").arg(GroupedNumber(selected, locale));
}

QString ListingProgressText(int64_t scanned, const QLocale& locale)
{
    return QCoreApplication::translate("StatusTexts", "一覧を作成中… %1 個のファイルとフォルダを確認")
        .arg(GroupedNumber(scanned, locale));
}

QString FocusPositionText(int focusedRow, int64_t count, const QLocale& locale)
{
    if (focusedRow < 0)
        return QCoreApplication::translate("StatusTexts", "%1 個のオブジェクト").arg(GroupedNumber(count, locale));
    return QStringLiteral("%1 / %2").arg(GroupedNumber(focusedRow + 1, locale), GroupedNumber(count, locale));
}

QString CheckStateText(int64_t errorCount, bool running, double progress, const QLocale& locale)
{
    if (errorCount == -1)
        return QCoreApplication::translate("StatusTexts", "エラー未チェック");
    if (running)
        return QCoreApplication::translate("StatusTexts", "%1 %完了").arg(qRound(progress * 100), 3);
    return QCoreApplication::translate("StatusTexts", "%1 個のエラー").arg(GroupedNumber(errorCount, locale));
}

QStringList LongestStatusTexts(int panel, const QLocale& locale)
{
    switch (panel) {
    case 0: return {SelectedCountText(kLargestCount, locale)};
    case 1:
        return {FocusPositionText(-1, kLargestCount, locale),
                FocusPositionText(static_cast<int>(kLargestCount - 1), kLargestCount, locale)};
    case 2: {
        // Each unit at its widest number, and the overflow text.
        QStringList texts{SizeToStr(-1, locale)};
        for (int64_t unit = 1; unit <= (int64_t{1} << 40); unit *= 1024)
            for (int64_t number : {999, 888, 100})
                texts << SizeToStr(number * unit, locale) << SizeToStr(number * unit + unit / 2, locale);
        return texts;
    }
    case 3:
        return {CheckStateText(-1, false, 0, locale), CheckStateText(0, true, 1.0, locale),
                CheckStateText(0, true, 0.88, locale), CheckStateText(kLargestCount, false, 0, locale)};
    default: return {};
    }
}

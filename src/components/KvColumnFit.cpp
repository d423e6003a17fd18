#include "components/KvColumnFit.h"

#include "catalogue/KvUtils.h"
#include "components/KvListColumnInfo.h"
#include "components/KvListView.h"
#include "components/ScanlarkColumns.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

// The width of a digit in the font the design widths were made for.
constexpr double kDesignDigitWidth = 6.0;

}  // namespace

void FitDefaultColumnWidths(TKvColumnInfos& columns, const TKvListView& view)
{
    const QFontMetrics cells = view.fontMetrics();
    const QHeaderView* header = view.header();
    const QFontMetrics captions = header->fontMetrics();
    const QStyle* style = header->style();
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    // Margins on both sides and room for the sort mark beside the caption.
    const int captionRoom = 3 * headerMargin + style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + 4;
    const int cellRoom = 2 * style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 8;
    const double scale = std::max(1.0, cells.horizontalAdvance(QLatin1Char('0')) / kDesignDigitWidth);
    const int sizeWidth = cells.horizontalAdvance(SizeToKBStr(int64_t{999} << 20)) + cellRoom;

    TKvListColumnInfos& infos = columns.ColumnInfos();
    for (int i = 0; i < infos.Count(); ++i) {
        TKvListColumnInfo& info = infos.Items(i);
        int width = static_cast<int>(std::lround(info.DefaultWidth() * scale));
        width = std::max(width, captions.horizontalAdvance(info.Caption) + captionRoom);
        if (i == ScanlarkColumn::Size)
            width = std::max(width, sizeWidth);
        info.SetDefaultWidth(width);
    }
}

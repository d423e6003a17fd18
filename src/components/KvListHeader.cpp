#include "components/KvListHeader.h"

#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>

TKvListHeader::TKvListHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent)
{
    setTextElideMode(Qt::ElideRight);
}

QString TKvListHeader::SectionLabel(int logicalIndex) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    return option.text;
}

void TKvListHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (textElideMode() == Qt::ElideNone || option->text.isEmpty())
        return;
    const int width = LabelWidth(*option, sectionSize(logicalIndex));
    option->text = option->fontMetrics.elidedText(option->text, textElideMode(), width);
}

int TKvListHeader::LabelWidth(const QStyleOptionHeader& option, int sectionWidth) const
{
    // The style's own label area of a section that wide, as it will paint it.
    QStyleOptionHeader probe = option;
    probe.rect = QRect(0, 0, sectionWidth, height() > 0 ? height() : sizeHint().height());
    const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &probe, this);
    int width = label.isValid() ? label.width() : sectionWidth;
    if (!option.icon.isNull())
        width -= style()->pixelMetric(QStyle::PM_SmallIconSize, &option, this) +
                 style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    return std::max(width, 0);
}

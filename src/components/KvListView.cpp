// The row half of the list view: owner data, selection, focus, scrolling,
// type-to-find and grid lines.
#include "components/KvListView.h"

#include "components/KvListHeader.h"
#include "KvRTL/EtcLists/KvEtcLists.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

TKvListView::TKvListView(QWidget* parent)
    : QTreeView(parent), model_(new TKvListModel(this))
{
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);

    setHeader(new TKvListHeader(Qt::Horizontal, this));
    QHeaderView* head = header();
    // Order and visibility come from the column set, never from dragging.
    head->setSectionsMovable(false);
    head->setStretchLastSection(false);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(false);
    head->setHighlightSections(false);
    // Designed widths go down to 25 pixels and the editor allows 0.
    head->setMinimumSectionSize(0);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A narrow column cuts its caption and texts at the end ("横ピク…"):
    // right-aligned ones would otherwise lose their beginnings, which tell
    // the columns apart.
    head->setTextElideMode(Qt::ElideRight);
    setTextElideMode(Qt::ElideRight);
    connect(head, &QHeaderView::sectionClicked, this, &TKvListView::onSectionClicked);
    connect(head, &QHeaderView::sectionResized, this, &TKvListView::onSectionResized);
}

TKvListView::~TKvListView() = default;

void TKvListView::SetGridLines(bool on)
{
    gridLines_ = on;
    viewport()->update();
}

std::vector<std::pair<int, int>> TKvListView::selectedRowSpans() const
{
    std::vector<std::pair<int, int>> spans;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
        if (range.isValid())
            spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

void TKvListView::GetSelectedIndexes(TIntegerList& list) const
{
    list.Clear();
    for (const auto& [first, last] : selectedRowSpans())
        for (int row = first; row <= last; ++row)
            list.Add(row);
}

void TKvListView::ClearSelection() { selectionModel()->clearSelection(); }

int TKvListView::selectedRowCount() const
{
    int count = 0;
    for (const auto& [first, last] : selectedRowSpans())
        count += last - first + 1;
    return count;
}

void TKvListView::invertSelection()
{
    const int rows = RowCount();
    const int columns = model_->columnCount();
    if (rows == 0 || columns == 0)
        return;
    QItemSelection inverted;
    int next = 0;
    for (const auto& [first, last] : selectedRowSpans()) {
        if (first > next)
            inverted.select(model_->index(next, 0), model_->index(first - 1, columns - 1));
        next = last + 1;
    }
    if (next < rows)
        inverted.select(model_->index(next, 0), model_->index(rows - 1, columns - 1));
    selectionModel()->select(inverted, QItemSelectionModel::ClearAndSelect);
}

void TKvListView::SetRowCount(int count) { model_->SetRowCount(count); }

void TKvListView::SetCellTextFunction(TKvListModel::TCellTextFunction function)
{
    model_->SetCellTextFunction(std::move(function));
    viewport()->update();
}

void TKvListView::SetCellIconFunction(TKvListModel::TCellIconFunction function)
{
    model_->SetCellIconFunction(std::move(function));
    viewport()->update();
}

int TKvListView::focusColumn() const { return tags_.empty() ? 0 : tags_.front(); }

int TKvListView::rowAtViewportY(int y) const
{
    // Every row spans all columns, so any column in view tells the row.
    const QHeaderView* head = header();
    const int viewWidth = viewport()->width();
    for (int tag : tags_) {
        const int left = head->sectionViewportPosition(tag);
        const int right = left + head->sectionSize(tag);
        if (right <= left || right <= 0 || left >= viewWidth)
            continue;
        const QModelIndex index = indexAt(QPoint(std::max(left, 0), y));
        return index.isValid() ? index.row() : -1;
    }
    return -1;
}

std::pair<int, int> TKvListView::visibleRows() const
{
    const int first = rowAtViewportY(0);
    if (first < 0)
        return {-1, -1};
    const int last = rowAtViewportY(viewport()->height() - 1);
    return {first, last < 0 ? RowCount() - 1 : last};
}

void TKvListView::RepaintRows()
{
    const auto [first, last] = visibleRows();
    if (first < 0) {
        viewport()->update();
        return;
    }
    // Announcing more than the rows in view would make the view walk them.
    model_->RowsChanged(first, last);
}

void TKvListView::RepaintRow(int row) { model_->RowsChanged(row, row); }

int TKvListView::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TKvListView::setCurrentRow(int row)
{
    if (row < 0 || row >= RowCount() || model_->columnCount() == 0)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    else
        selectionModel()->setCurrentIndex(model_->index(row, focusColumn()), QItemSelectionModel::NoUpdate);
}

bool TKvListView::isRowSelected(int row) const
{
    return row >= 0 && row < RowCount() && selectionModel()->rowIntersectsSelection(row, QModelIndex());
}

void TKvListView::selectRow(int row, bool selected)
{
    if (row < 0 || row >= RowCount() || model_->columnCount() == 0)
        return;
    const QItemSelectionModel::SelectionFlags command =
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
    selectionModel()->select(model_->index(row, 0), command);
}

void TKvListView::scrollToRow(int row, bool partlyVisibleIsEnough)
{
    if (row < 0 || row >= RowCount() || model_->columnCount() == 0)
        return;
    const QModelIndex index = model_->index(row, focusColumn());
    if (partlyVisibleIsEnough) {
        const QRect rect = visualRect(index);
        if (rect.height() > 0 && rect.bottom() >= 0 && rect.top() < viewport()->height())
            return;
    }
    // Bringing a row into view is a vertical matter; keep the horizontal
    // position the user chose.
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = horizontal->value();
    scrollTo(index, QAbstractItemView::EnsureVisible);
    horizontal->setValue(x);
}

void TKvListView::keyboardSearch(const QString& search)
{
    if (!dataFind_) {
        QTreeView::keyboardSearch(search);
        return;
    }
    const int rows = RowCount();
    if (search.isEmpty() || rows == 0 || model_->columnCount() == 0)
        return;
    // Letters typed in quick succession extend the text and search from the
    // focused row itself; a new text starts below it.
    const bool extending = searchTimer_.isValid() && searchTimer_.elapsed() < QApplication::keyboardInputInterval();
    searchTimer_.start();
    searchText_ = extending ? searchText_ + search : search;
    const int current = currentRow();
    int start = extending && current >= 0 ? current : current + 1;
    if (start >= rows)
        start = 0;
    const int found = dataFind_(searchText_, start, true);
    if (found < 0 || found >= rows)
        return;
    selectionModel()->setCurrentIndex(model_->index(found, focusColumn()),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToRow(found);
}

void TKvListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    if (!gridLines_ || tags_.empty())
        return;
    const QHeaderView* head = header();
    const QRect rect = option.rect;
    painter->save();
    const int gridColor = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    painter->setPen(QColor::fromRgba(static_cast<QRgb>(gridColor)));
    int right = rect.left();
    for (int tag : tags_) {
        const int x = head->sectionViewportPosition(tag) + head->sectionSize(tag) - 1;
        right = std::max(right, x);
        painter->drawLine(x, rect.top(), x, rect.bottom());
    }
    painter->drawLine(rect.left(), rect.bottom(), std::min(right, rect.right()), rect.bottom());
    painter->restore();
}

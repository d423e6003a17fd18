// The column-configurable report list.
//
// A list view over an owner-data model (TKvListModel): the owner sets a row
// count and answers cell requests through callbacks; no row is stored here.
// Its columns are not designed directly but built by UpdateColumns from an
// attached column set (TKvColumnInfos, not owned): the shown descriptions in
// their configured order. Each real column carries as its tag the collection
// index of its description; the cell callbacks receive that tag. Real
// columns are numbered 0 .. ColumnCount() - 1 from the left.
//
// The list never sorts by itself: a header click emits columnClicked, the
// owner calls SortColumnClick (which moves the sort mark) and sorts its own
// data by SortColumnIndex and SortDown.
//
// Main thread only.
#pragma once

#include "components/KvListColumnInfo.h"
#include "components/KvListModel.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QString>
#include <QTreeView>

#include <functional>
#include <utility>
#include <vector>

class QTreeWidget;
class TIntegerList;

class TKvListView : public QTreeView {
    Q_OBJECT

public:
    // Columns of a column editor (a QTreeWidget, one top-level row per
    // description, the row position being the order): column 0 carries the
    // check box (shown) and the caption, column 1 the width in decimal,
    // column 2 the description's collection index in decimal.
    enum { EditorCaptionColumn = 0, EditorWidthColumn = 1, EditorIndexColumn = 2, EditorColumnCount = 3 };

    // Answers the list's type-to-find: the row at or after startRow whose
    // name begins with text (wrapping to the top when wrap is set), or -1.
    using TDataFindFunction = std::function<int(const QString& text, int startRow, bool wrap)>;

    explicit TKvListView(QWidget* parent = nullptr);
    ~TKvListView() override;

    // Plain settings, read when needed: changing one shows nothing until the
    // next UpdateColumns or SortColumnClick.
    TKvColumnInfos* ColumnInfos = nullptr;  // the attached column set, not owned
    int SortColumnIndex = 0;                // collection index of the sort column's description
    bool SortDown = false;                  // false ascending, true descending
    QString SortMarkUp = QStringLiteral("▲");
    QString SortMarkDown = QStringLiteral("▼");
    bool SortMarkUse = true;

    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool on);
    // Header images by ImageIndex; a description whose index names none
    // shows no image.
    void SetHeaderImages(std::vector<QIcon> images) { headerImages_ = std::move(images); }

    // Empty when SortMarkUse is off, else SortMarkDown or SortMarkUp by
    // SortDown.
    QString SortMarkText() const;
    // Header-click rule for real column `column`: the sort column gets its
    // plain caption back; clicking the sort column flips SortDown, another
    // column becomes the sort column ascending; the clicked column's caption
    // gets the sort mark. Columns outside the real ones are ignored.
    void SortColumnClick(int column);
    // Rebuilds the real columns from the shown descriptions in visible
    // position order: caption (the sort column's with the sort mark in
    // front), alignment, width (negative widths shown as 0), AutoSize (the
    // column stretches), header image. Rows, selection and focus stay.
    // Afterwards the user can drag a column only within its description's
    // MinWidth and MaxWidth.
    void UpdateColumns();
    // Copies each real column's current width into its description.
    void StoreColumnWidths();
    // Fills editor with all descriptions in configured order (tick =
    // Visible, Width).
    void ColumnsToEditor(QTreeWidget* editor) const;
    // The same in designed order (collection index, tick = DefaultVisible,
    // DefaultWidth).
    void DefaultColumnsToEditor(QTreeWidget* editor) const;
    // Takes order (row position, through the swap rule), visibility and
    // width back from editor; rows whose index cell names no description,
    // and width cells that are not numbers, are skipped. When the sort
    // column is no longer shown (or names no description), the leftmost
    // shown column becomes the sort column, ascending. Does not rebuild the
    // real columns: call UpdateColumns next.
    void EditorToColumns(const QTreeWidget* editor);
    // Empties list, then appends the selected row indexes in ascending order.
    void GetSelectedIndexes(TIntegerList& list) const;
    // Deselects every row; the focused row stays.
    void ClearSelection();

    // Real columns: count, tag (collection index; -1 outside), header text
    // as shown (with the sort mark) and current width.
    int ColumnCount() const { return static_cast<int>(tags_.size()); }
    int ColumnTag(int column) const;
    QString ColumnCaption(int column) const;
    int ColumnWidth(int column) const;

    // Owner data. SetRowCount resets the model: selection and focus go.
    void SetRowCount(int count);
    int RowCount() const { return model_->RowCount(); }
    void SetCellTextFunction(TKvListModel::TCellTextFunction function);
    void SetCellIconFunction(TKvListModel::TCellIconFunction function);
    void SetDataFindFunction(TDataFindFunction function) { dataFind_ = std::move(function); }
    // Asks again for the cells of the rows in view, or of one row.
    void RepaintRows();
    void RepaintRow(int row);
    TKvListModel* listModel() const { return model_; }

    // Row helpers. currentRow is the focused row or -1; setCurrentRow moves
    // the focus without touching the selection (-1 or a row outside the list
    // removes it).
    int currentRow() const;
    void setCurrentRow(int row);
    bool isRowSelected(int row) const;
    void selectRow(int row, bool selected);
    // Number of selected rows, counted from the selection ranges.
    int selectedRowCount() const;
    // Inverts the selected state of every row in one selection change.
    void invertSelection();
    // Scrolls vertically so that row is fully in view; with
    // partlyVisibleIsEnough, a row already partly in view stays put.
    void scrollToRow(int row, bool partlyVisibleIsEnough = false);
    // The first and last row in view (both -1 when none).
    std::pair<int, int> visibleRows() const;

    // Typing in the list: with a data-find function the owner answers (from
    // below the focused row for a new text, from the focused row while the
    // text grows), and the row found becomes the focused, only selected row;
    // without one, the item view's own search.
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    // A header section was clicked; column is the real column (0 = leftmost).
    void columnClicked(int column);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // Selected rows as ascending, disjoint [first, last] spans.
    std::vector<std::pair<int, int>> selectedRowSpans() const;
    QString captionOf(int tag) const;
    int focusColumn() const;
    int rowAtViewportY(int y) const;
    void applyColumn(int position, const TKvListColumnInfo& info);
    void onSectionClicked(int logicalIndex);
    void onSectionResized(int logicalIndex, int oldSize, int newSize);

    TKvListModel* model_;
    std::vector<int> tags_;
    bool gridLines_ = false;
    bool buildingColumns_ = false;
    std::vector<QIcon> headerImages_;
    TDataFindFunction dataFind_;
    QString searchText_;
    QElapsedTimer searchTimer_;
};

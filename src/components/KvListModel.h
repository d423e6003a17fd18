// The owner-data model behind TKvListView.
//
// It keeps a row count and, per column, the header state; it never keeps an
// object per row. Cells are computed on request by the owner's callbacks, so
// a list of 100,000 rows costs nothing until rows are painted, and only the
// painted rows are asked for. Indexes carry the row and column only
// (index.row() is an index into the owner's own sequence), so nothing in
// them can dangle when the owner's data changes.
//
// Model column c is the column description with collection index c (the
// "tag" of a real column); the list view hides and orders header sections to
// show the configured columns.
//
// Main thread only.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <functional>
#include <vector>

class TKvListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Text and icon of the cell at row of the column with description index
    // columnIndex. Called only for 0 <= row < RowCount().
    using TCellTextFunction = std::function<QString(int row, int columnIndex)>;
    using TCellIconFunction = std::function<QIcon(int row, int columnIndex)>;

    explicit TKvListModel(QObject* parent = nullptr);
    ~TKvListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the text callback; DecorationRole: the icon callback (none
    // for a null icon); TextAlignmentRole: the column's alignment, vertically
    // centred.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Horizontal DisplayRole and ToolTipRole (both the caption),
    // TextAlignmentRole and DecorationRole from the column's header state.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Resets the model with count rows (a negative count means 0).
    void SetRowCount(int count);
    int RowCount() const { return rowCount_; }

    // Adds or removes columns at the end; rows and their selection stay.
    void SetColumnCount(int count);
    // Header state of one column; out-of-range columns are ignored. A new
    // alignment takes effect at the next paint: the model does not announce
    // it per row, since announcing a change over every row makes the view
    // walk all rows; the list view repaints itself after changing columns.
    void SetColumnHeader(int column, const QString& caption, Qt::Alignment alignment, const QIcon& icon);
    void SetColumnCaption(int column, const QString& caption);
    QString ColumnCaption(int column) const;

    void SetCellTextFunction(TCellTextFunction function) { cellText_ = std::move(function); }
    void SetCellIconFunction(TCellIconFunction function) { cellIcon_ = std::move(function); }

    // Announces that the cells of rows first .. last changed (clamped to the
    // rows that exist); nothing is recomputed until the view asks.
    void RowsChanged(int first, int last);

private:
    struct ColumnHeader {
        QString caption;
        Qt::Alignment alignment = Qt::AlignLeft;
        QIcon icon;
    };

    int rowCount_ = 0;
    std::vector<ColumnHeader> columns_;
    TCellTextFunction cellText_;
    TCellIconFunction cellIcon_;
};

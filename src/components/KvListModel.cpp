#include "components/KvListModel.h"

#include <algorithm>

namespace {

// Views read the alignment role as a plain int.
QVariant AlignmentValue(Qt::Alignment horizontal)
{
    return (horizontal | Qt::AlignVCenter).toInt();
}

} // namespace

TKvListModel::TKvListModel(QObject* parent) : QAbstractTableModel(parent) {}

TKvListModel::~TKvListModel() = default;

int TKvListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int TKvListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TKvListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (cellText_)
            return cellText_(index.row(), index.column());
        return {};
    case Qt::DecorationRole:
        if (cellIcon_) {
            QIcon icon = cellIcon_(index.row(), index.column());
            if (!icon.isNull())
                return icon;
        }
        return {};
    case Qt::TextAlignmentRole:
        return AlignmentValue(columns_[static_cast<size_t>(index.column())].alignment);
    default:
        return {};
    }
}

QVariant TKvListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const ColumnHeader& column = columns_[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:  // the whole caption where a narrow column cuts it
        return column.caption;
    case Qt::TextAlignmentRole:
        return AlignmentValue(column.alignment);
    case Qt::DecorationRole:
        if (!column.icon.isNull())
            return column.icon;
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TKvListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TKvListModel::SetRowCount(int count)
{
    beginResetModel();
    rowCount_ = std::max(count, 0);
    endResetModel();
}

void TKvListModel::SetColumnCount(int count)
{
    count = std::max(count, 0);
    const int old = columnCount();
    if (count > old) {
        beginInsertColumns(QModelIndex(), old, count - 1);
        columns_.resize(static_cast<size_t>(count));
        endInsertColumns();
    } else if (count < old) {
        beginRemoveColumns(QModelIndex(), count, old - 1);
        columns_.resize(static_cast<size_t>(count));
        endRemoveColumns();
    }
}

void TKvListModel::SetColumnHeader(int column, const QString& caption, Qt::Alignment alignment, const QIcon& icon)
{
    if (column < 0 || column >= columnCount())
        return;
    ColumnHeader& header = columns_[static_cast<size_t>(column)];
    header.caption = caption;
    header.alignment = alignment;
    header.icon = icon;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void TKvListModel::SetColumnCaption(int column, const QString& caption)
{
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<size_t>(column)].caption = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString TKvListModel::ColumnCaption(int column) const
{
    if (column < 0 || column >= columnCount())
        return {};
    return columns_[static_cast<size_t>(column)].caption;
}

void TKvListModel::RowsChanged(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, rowCount_ - 1);
    if (first > last || columns_.empty())
        return;
    Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
}

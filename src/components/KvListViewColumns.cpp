// The column half of the list view: building the real columns from the
// column set, the sort marks and the column editor rows.
#include "components/KvListView.h"

#include <QHeaderView>
#include <QScopeGuard>
#include <QTreeWidget>

#include <algorithm>

namespace {

struct EditorRow {
    bool shown;
    QString caption;
    int width;
    int index;
};

void FillEditor(QTreeWidget* editor, const std::vector<EditorRow>& rows)
{
    if (!editor)
        return;
    // Only an explicit suspension of the caller's is restored; one inherited
    // from a parent must not be made explicit.
    const bool suspended = editor->testAttribute(Qt::WA_ForceUpdatesDisabled);
    editor->setUpdatesEnabled(false);
    const auto restore = qScopeGuard([&] { editor->setUpdatesEnabled(!suspended); });
    editor->clear();
    if (editor->columnCount() < TKvListView::EditorColumnCount)
        editor->setColumnCount(TKvListView::EditorColumnCount);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const EditorRow& row : rows) {
        auto* item = new QTreeWidgetItem;
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
        item->setCheckState(TKvListView::EditorCaptionColumn, row.shown ? Qt::Checked : Qt::Unchecked);
        item->setText(TKvListView::EditorCaptionColumn, row.caption);
        item->setText(TKvListView::EditorWidthColumn, QString::number(row.width));
        item->setText(TKvListView::EditorIndexColumn, QString::number(row.index));
        items.append(item);
    }
    editor->addTopLevelItems(items);
}

} // namespace

QString TKvListView::SortMarkText() const
{
    if (!SortMarkUse)
        return {};
    return SortDown ? SortMarkDown : SortMarkUp;
}

QString TKvListView::captionOf(int tag) const
{
    if (!ColumnInfos || tag < 0 || tag >= ColumnInfos->ColumnInfos().Count())
        return {};
    return ColumnInfos->ColumnInfos().Items(tag).Caption;
}

void TKvListView::SortColumnClick(int column)
{
    if (column < 0 || column >= ColumnCount())
        return;
    for (int tag : tags_)
        if (tag == SortColumnIndex)
            model_->SetColumnCaption(tag, captionOf(tag));
    const int tag = tags_[static_cast<size_t>(column)];
    if (tag == SortColumnIndex) {
        SortDown = !SortDown;
    } else {
        SortDown = false;
        SortColumnIndex = tag;
    }
    model_->SetColumnCaption(tag, SortMarkText() + captionOf(tag));
}

void TKvListView::UpdateColumns()
{
    const bool suspended = testAttribute(Qt::WA_ForceUpdatesDisabled);  // as in FillEditor
    setUpdatesEnabled(false);
    buildingColumns_ = true;
    const auto restore = qScopeGuard([&] {
        buildingColumns_ = false;
        setUpdatesEnabled(!suspended);
        viewport()->update();
    });

    tags_.clear();
    if (!ColumnInfos) {
        model_->SetColumnCount(0);
        return;
    }
    const TKvListColumnInfos& infos = ColumnInfos->ColumnInfos();
    model_->SetColumnCount(infos.Count());
    const int shown = infos.VisibleCount();
    for (int position = 0; position < shown; ++position)
        if (const TKvListColumnInfo* info = infos.FindByVisiblePosition(position))
            tags_.push_back(info->Index());

    std::vector<bool> isShown(static_cast<size_t>(infos.Count()), false);
    for (size_t position = 0; position < tags_.size(); ++position) {
        isShown[static_cast<size_t>(tags_[position])] = true;
        applyColumn(static_cast<int>(position), infos.Items(tags_[position]));
    }
    for (int tag = 0; tag < infos.Count(); ++tag)
        if (!isShown[static_cast<size_t>(tag)]) {
            header()->setSectionHidden(tag, true);
            const TKvListColumnInfo& info = infos.Items(tag);
            model_->SetColumnHeader(tag, info.Caption, info.Alignment & Qt::AlignHorizontal_Mask, QIcon());
        }
}

void TKvListView::applyColumn(int position, const TKvListColumnInfo& info)
{
    QHeaderView* head = header();
    const int tag = info.Index();
    head->setSectionHidden(tag, false);
    head->moveSection(head->visualIndex(tag), position);
    head->setSectionResizeMode(tag, info.AutoSize ? QHeaderView::Stretch : QHeaderView::Interactive);
    // A stored width is taken as it is, but the header cannot show a
    // negative one.
    head->resizeSection(tag, std::clamp(info.Width, 0, head->maximumSectionSize()));
    QString caption = info.Caption;
    if (tag == SortColumnIndex)
        caption.prepend(SortMarkText());
    QIcon image;
    if (info.ImageIndex >= 0 && static_cast<size_t>(info.ImageIndex) < headerImages_.size())
        image = headerImages_[static_cast<size_t>(info.ImageIndex)];
    model_->SetColumnHeader(tag, caption, info.Alignment & Qt::AlignHorizontal_Mask, image);
}

void TKvListView::StoreColumnWidths()
{
    if (!ColumnInfos)
        return;
    TKvListColumnInfos& infos = ColumnInfos->ColumnInfos();
    for (int tag : tags_)
        if (tag < infos.Count())
            infos.Items(tag).Width = header()->sectionSize(tag);
}

void TKvListView::ColumnsToEditor(QTreeWidget* editor) const
{
    std::vector<EditorRow> rows;
    if (ColumnInfos) {
        const TKvListColumnInfos& infos = ColumnInfos->ColumnInfos();
        for (int order = 0; order < infos.Count(); ++order)
            if (const TKvListColumnInfo* info = infos.FindByOrder(order))
                rows.push_back({info->Visible, info->Caption, info->Width, info->Index()});
    }
    FillEditor(editor, rows);
}

void TKvListView::DefaultColumnsToEditor(QTreeWidget* editor) const
{
    std::vector<EditorRow> rows;
    if (ColumnInfos) {
        const TKvListColumnInfos& infos = ColumnInfos->ColumnInfos();
        for (int index = 0; index < infos.Count(); ++index) {
            const TKvListColumnInfo& info = infos.Items(index);
            rows.push_back({info.DefaultVisible(), info.Caption, info.DefaultWidth(), index});
        }
    }
    FillEditor(editor, rows);
}

void TKvListView::EditorToColumns(const QTreeWidget* editor)
{
    if (!editor || !ColumnInfos)
        return;
    TKvListColumnInfos& infos = ColumnInfos->ColumnInfos();
    for (int row = 0; row < editor->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = editor->topLevelItem(row);
        bool ok = false;
        const int index = item->text(EditorIndexColumn).toInt(&ok);
        if (!ok || index < 0 || index >= infos.Count())
            continue;
        TKvListColumnInfo& info = infos.Items(index);
        info.SetOrder(row);
        info.Visible = item->checkState(EditorCaptionColumn) == Qt::Checked;
        const int width = item->text(EditorWidthColumn).toInt(&ok);
        if (ok)
            info.Width = width;
    }
    // A hand-edited sort setting may name no description; treat it as hidden.
    const bool sortShown = SortColumnIndex >= 0 && SortColumnIndex < infos.Count() &&
                           infos.Items(SortColumnIndex).Visible;
    if (!sortShown) {
        const TKvListColumnInfo* leftmost = infos.FindByVisiblePosition(0);
        SortColumnIndex = leftmost ? leftmost->Index() : 0;
        SortDown = false;
    }
}

int TKvListView::ColumnTag(int column) const
{
    if (column < 0 || column >= ColumnCount())
        return -1;
    return tags_[static_cast<size_t>(column)];
}

QString TKvListView::ColumnCaption(int column) const { return model_->ColumnCaption(ColumnTag(column)); }

int TKvListView::ColumnWidth(int column) const
{
    const int tag = ColumnTag(column);
    return tag < 0 ? 0 : header()->sectionSize(tag);
}

void TKvListView::onSectionClicked(int logicalIndex)
{
    const auto found = std::find(tags_.begin(), tags_.end(), logicalIndex);
    if (found != tags_.end())
        Q_EMIT columnClicked(static_cast<int>(found - tags_.begin()));
}

void TKvListView::onSectionResized(int logicalIndex, int /*oldSize*/, int newSize)
{
    // Hiding a section reports a resize to 0; that is no drag to limit.
    if (buildingColumns_ || !ColumnInfos || logicalIndex >= ColumnInfos->ColumnInfos().Count() ||
        header()->isSectionHidden(logicalIndex))
        return;
    const TKvListColumnInfo& info = ColumnInfos->ColumnInfos().Items(logicalIndex);
    int limited = newSize;
    if (info.MinWidth > 0)
        limited = std::max(limited, info.MinWidth);
    if (info.MaxWidth > 0)
        limited = std::min(limited, info.MaxWidth);
    if (limited != newSize)
        header()->resizeSection(logicalIndex, limited);
}

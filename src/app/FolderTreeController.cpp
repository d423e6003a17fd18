#include "app/FolderTreeController.h"

#include "app/KvShell.h"
#include "app/WindowParts.h"
#include "components/KvFolderTreeModel.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QMainWindow>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

FolderTreeController::FolderTreeController(WindowParts& parts) : parts_(parts)
{
    // The tree's model fills folders in the background; every folder that
    // fills in on the way moves the selected one. The tree keeps it in view
    // until the person handles the tree.
    const auto follow = [this] {
        if (follows_ && !parts_.STV->isHidden())
            ShowSelected();
    };
    QObject::connect(parts.STVModel, &QAbstractItemModel::rowsInserted, parts.Window, follow, Qt::QueuedConnection);
    QObject::connect(parts.STVModel, &QAbstractItemModel::layoutChanged, parts.Window, follow, Qt::QueuedConnection);
    QObject::connect(parts.STV->verticalScrollBar(), &QScrollBar::sliderPressed, parts.Window,
                     [this] { StopFollowing(); });
}

void FolderTreeController::Sync(const std::string& path)
{
    QTreeView* tree = parts_.STV;
    const QModelIndex current = tree->currentIndex();
    const std::string selected = parts_.STVModel->FolderPath(current);
    if (!current.isValid() || !SamePath(selected, path)) {
        // A change made here must not navigate; the view still hears of it,
        // so its highlight moves at once.
        const QModelIndex target = parts_.STVModel->FolderIndex(path);
        syncing_ = true;
        if (target.isValid()) {
            tree->setCurrentIndex(target);
        } else {
            // A folder that is gone: highlight nothing rather than the
            // folder that was left.
            tree->selectionModel()->clearCurrentIndex();
            tree->selectionModel()->clearSelection();
        }
        syncing_ = false;
    }
    ShowSelected();
    follows_ = true;
}

void FolderTreeController::Refresh()
{
    parts_.STVModel->Refresh();
    ShowSelected();
}

void FolderTreeController::ShowSelected() const
{
    QTreeView* tree = parts_.STV;
    const QModelIndex current = tree->currentIndex();
    if (!current.isValid())
        return;
    tree->scrollTo(current);
    // Sideways too: a deep folder's name lies right of a narrow tree's edge.
    // Its name starts at the left edge, after its expander, unless it is in
    // full view already.
    const QRect item = tree->visualRect(current);
    const int nameWidth = tree->iconSize().width() +
                          tree->fontMetrics().horizontalAdvance(current.data().toString()) +
                          2 * tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    if (item.left() >= 0 && item.left() + nameWidth <= tree->viewport()->width())
        return;
    QScrollBar* bar = tree->horizontalScrollBar();
    bar->setValue(bar->value() + item.left() - tree->indentation());
}

std::optional<std::string> FolderTreeController::FolderToOpen(const QModelIndex& current) const
{
    if (syncing_ || !current.isValid())
        return std::nullopt;
    return parts_.STVModel->FolderPath(current);
}

void FolderTreeController::DeleteSelectedFolder()
{
    QTreeView* tree = parts_.STV;
    const QModelIndex selected = tree->currentIndex();
    if (!selected.isValid())
        return;
    const std::string path = parts_.STVModel->FolderPath(selected);
    DeleteToRecycleBin(parts_.Window, path);
    if (IsFolder(path))
        return;  // refused, cancelled or failed: the tree stays as it was
    // Only the node goes: when the model drops it, the selection must not
    // move to a sibling and open it.
    syncing_ = true;
    tree->selectionModel()->clearCurrentIndex();
    tree->selectionModel()->clearSelection();
    parts_.STVModel->Refresh();
    syncing_ = false;
}

// The folder tree, the address box with its keys and drop-down list, and
// folders or files dropped on the window: each turns a person's choice into
// OpenFolder. The address box only shows paths; the bytes of the folder it
// shows are kept beside it.
#include "app/KvShell.h"
#include "app/MainWin.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeView>

void TFormScanlark::SetupFolderTree()
{
    // The tree's model fills folders in the background; every folder that
    // fills in on the way moves the selected one. The tree keeps it in view
    // until the person handles the tree.
    const auto follow = [this] {
        if (treeFollows_ && !STV->isHidden() && STV->currentIndex().isValid())
            STV->scrollTo(STV->currentIndex());
    };
    connect(STVModel, &QFileSystemModel::directoryLoaded, this, follow);
    connect(STVModel, &QAbstractItemModel::rowsInserted, this, follow, Qt::QueuedConnection);
    connect(STVModel, &QAbstractItemModel::layoutChanged, this, follow, Qt::QueuedConnection);
    connect(STV->verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { treeFollows_ = false; });
    connect(STV->selectionModel(), &QItemSelectionModel::currentChanged, this, &TFormScanlark::STVChange);
    connect(CBRecent, &QComboBox::activated, this, &TFormScanlark::CBRecentSelect);

    // The address box's keys reach the combo box, which hands them to its
    // line edit directly, past any filter there: watch the combo box.
    for (QObject* watched : {static_cast<QObject*>(LVFiles), static_cast<QObject*>(STV),
                             static_cast<QObject*>(CBRecent), static_cast<QObject*>(LVFiles->viewport()),
                             static_cast<QObject*>(STV->viewport())})
        watched->installEventFilter(this);
    LVFiles->viewport()->setAcceptDrops(true);
    STV->viewport()->setAcceptDrops(true);
}

bool TFormScanlark::eventFilter(QObject* watched, QEvent* e)
{
    const bool inList = watched == LVFiles;
    const bool inTree = watched == STV;
    const bool inAddress = CBRecent && watched == CBRecent;
    if ((inTree || watched == STV->viewport()) &&
        (e->type() == QEvent::KeyPress || e->type() == QEvent::MouseButtonPress || e->type() == QEvent::Wheel))
        treeFollows_ = false;
    if ((inList || inTree || inAddress) && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (e->type() == QEvent::KeyPress) {
            if (inList)
                LVFilesKeyDown(key);
            else
                KeyUpGate.Press(*key);
            // Enter belongs to Go on key-up; the combo box would otherwise
            // open a matching drop-down entry on key-down as well.
            if (inAddress && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
                return true;
        } else if (const std::optional<Qt::KeyboardModifiers> modifiers = KeyUpGate.Release(*key)) {
            QKeyEvent release(QEvent::KeyRelease, key->key(), *modifiers, key->text());
            if (inList)
                LVFilesKeyUp(&release);
            else if (inTree)
                STVKeyUp(&release);
            else
                CBRecentKeyUp(&release);
        }
        return false;
    }
    if (watched == LVFiles->viewport() || watched == STV->viewport()) {
        if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(e);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (e->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(e);
            const QList<QUrl> urls = drop->mimeData()->urls();
            if (!urls.isEmpty() && urls.front().isLocalFile()) {
                drop->acceptProposedAction();
                // Only the first dropped name counts.
                FileDropTargetFileDrop(FromQtFileName(urls.front().toLocalFile()));
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TFormScanlark::FileDropTargetFileDrop(const std::string& path)
{
    OpenFolder(path);
}

void TFormScanlark::STVChange(const QModelIndex& current)
{
    if (!syncingTree_ && current.isValid())
        OpenFolder(FromQtFileName(STVModel->filePath(current)));
}

void TFormScanlark::STVKeyUp(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Stop:
        ExecuteAction(StopAct);
        break;
    case Qt::Key_Delete:
        STVDeleteFolder();
        break;
    case Qt::Key_F5:
    case Qt::Key_Refresh:
        RefreshFolderTree();
        break;
    default:
        break;
    }
}

void TFormScanlark::STVDeleteFolder()
{
    const QModelIndex selected = STV->currentIndex();
    if (!selected.isValid())
        return;
    const std::string path = FromQtFileName(STVModel->filePath(selected));
    DeleteToRecycleBin(this, path);
    if (IsFolder(path))
        return;  // refused, cancelled or failed: the tree stays as it was
    // Only the node goes: when the model drops it, the selection must not
    // move to a sibling and open it.
    syncingTree_ = true;
    STV->selectionModel()->clearCurrentIndex();
    STV->selectionModel()->clearSelection();
    syncingTree_ = false;
}

void TFormScanlark::CBRecentSelect(int index)
{
    // Choices made while the list is open are left to Enter or Go.
    if (CBRecent->view()->isVisible() || index < 0)
        return;
    const QByteArray bytes = CBRecent->itemData(index).toByteArray();
    OpenFolder(bytes.isNull() ? FromQtFileName(CBRecent->itemText(index)) : bytes.toStdString());
}

void TFormScanlark::CBRecentKeyUp(QKeyEvent* e)
{
    const bool alt = e->modifiers() & Qt::AltModifier;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ExecuteAction(GoAct);
        break;
    case Qt::Key_Escape:
    case Qt::Key_Stop:
        ExecuteAction(StopAct);
        break;
    case Qt::Key_Left:
        if (alt)
            ExecuteAction(BackAct);
        break;
    case Qt::Key_Right:
        if (alt)
            ExecuteAction(ForwardAct);
        break;
    case Qt::Key_F5:
    case Qt::Key_Refresh:
        TBtnRefresh->click();
        break;
    default:
        break;
    }
}

void TFormScanlark::SetAddressText(const std::string& path)
{
    addressBytes_ = path;
    CBRecent->setEditText(DisplayPath(path));
}

std::string TFormScanlark::AddressBoxPath() const
{
    const QString text = CBRecent->currentText();
    if (text == DisplayPath(addressBytes_))
        return addressBytes_;
    const int index = CBRecent->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        const QByteArray bytes = CBRecent->itemData(index).toByteArray();
        if (!bytes.isNull())
            return bytes.toStdString();
    }
    return FromQtFileName(text);  // typed by the person: UTF-8
}

void TFormScanlark::LoadAddressBoxItems()
{
    const QString text = CBRecent->currentText();
    CBRecent->clear();
    for (const std::string& folder : FolderHistory)
        CBRecent->addItem(DisplayPath(folder), QByteArray::fromStdString(folder));
    CBRecent->setEditText(text);
}

void TFormScanlark::SyncFolderTree(const std::string& path)
{
    const QModelIndex current = STV->currentIndex();
    const std::string selected = current.isValid() ? FromQtFileName(STVModel->filePath(current)) : std::string();
    if (!current.isValid() || !SamePath(selected, path)) {
        // A change made here must not navigate; the view still hears of it,
        // so its highlight moves at once.
        const QModelIndex target = STVModel->index(QtFileName(WithoutTrailingSlash(path)));
        syncingTree_ = true;
        if (target.isValid()) {
            STV->setCurrentIndex(target);
        } else {
            // The model cannot name a folder that is not UTF-8: highlight
            // nothing rather than the folder that was left.
            STV->selectionModel()->clearCurrentIndex();
            STV->selectionModel()->clearSelection();
        }
        syncingTree_ = false;
    }
    STV->scrollTo(STV->currentIndex());
    treeFollows_ = true;
}

void TFormScanlark::RefreshFolderTree()
{
    // The model follows the file system by itself; show the selected node.
    STV->scrollTo(STV->currentIndex());
}

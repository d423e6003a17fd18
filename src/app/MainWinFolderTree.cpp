// The folder tree, the address box with its keys and drop-down list, and
// folders or files dropped on the window: each turns a person's choice into
// OpenFolder. The tree's and the box's own state is in their controllers
// (FolderTreeController, AddressBoxController).
#include "app/AddressBoxController.h"
#include "app/FolderTreeController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
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
        folderTree_->StopFollowing();
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
    navigation_->OpenFolder(path);
}

void TFormScanlark::STVChange(const QModelIndex& current)
{
    if (const std::optional<std::string> folder = folderTree_->FolderToOpen(current))
        navigation_->OpenFolder(*folder);
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
    case Qt::Key_Refresh: folderTree_->Refresh(); break;
    default:
        break;
    }
}

void TFormScanlark::STVDeleteFolder()
{
    folderTree_->DeleteSelectedFolder();
}

void TFormScanlark::CBRecentSelect(int index)
{
    // Choices made while the list is open are left to Enter or Go.
    if (CBRecent->view()->isVisible() || index < 0)
        return;
    navigation_->OpenFolder(addressBox_->ItemPath(index));
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

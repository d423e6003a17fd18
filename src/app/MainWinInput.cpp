// Keys, mouse and drops: the list's, the folder tree's and the address box's
// keys run their commands when let go (KeyUpGate), through ExecuteAction as
// a person's key would; a folder or file dropped on the list or the tree is
// opened.
#include "app/FolderTreeController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
#include "components/KvListView.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>

void TFormScanlark::SetupInput()
{
    // The address box's keys reach the combo box, which hands them to its
    // line edit directly, past any filter there: watch the combo box.
    for (QObject* watched :
         {static_cast<QObject*>(LVFiles), static_cast<QObject*>(STV), static_cast<QObject*>(CBRecent),
          static_cast<QObject*>(LVFiles->viewport()), static_cast<QObject*>(STV->viewport())})
        watched->installEventFilter(this);
    LVFiles->viewport()->setAcceptDrops(true);
    STV->viewport()->setAcceptDrops(true);
}

void TFormScanlark::ExecuteAction(QAction* action)
{
    ActionList1Update();
    if (action && action->isEnabled())
        action->trigger();
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

void TFormScanlark::LVFilesKeyDown(QKeyEvent* e)
{
    KeyUpGate.Press(*e);
}

// Called through KeyUpGate: once per key that was pressed in the list, with
// the modifiers held at its press or its release.
void TFormScanlark::LVFilesKeyUp(QKeyEvent* e)
{
    const bool alt = e->modifiers() & Qt::AltModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Backspace: ExecuteAction(UpFolderAct); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: ExecuteAction(OpenShellAct); break;
    case Qt::Key_Escape:
    case Qt::Key_Stop: ExecuteAction(StopAct); break;
    case Qt::Key_Left:
        if (alt)
            ExecuteAction(BackAct);
        break;
    case Qt::Key_Right:
        if (alt)
            ExecuteAction(ForwardAct);
        break;
    case Qt::Key_Delete:
        listKeyModifiers_ = e->modifiers();
        ExecuteAction(DeleteFileAct);
        listKeyModifiers_ = {};
        break;
    case Qt::Key_A:
        if (ctrl)
            ExecuteAction(SelectAllAct);
        break;
    case Qt::Key_F:
        if (ctrl)
            ExecuteAction(SearchFindAct);
        break;
    case Qt::Key_R:
        if (ctrl)
            ExecuteAction(SelectErrorsActSl);
        break;
    case Qt::Key_F3: ExecuteAction(SearchFindNextAct); break;
    case Qt::Key_F5:
    case Qt::Key_Refresh: navigation_->RefreshFilesKeepingMode(); break;
    case Qt::Key_F9:
        ActionList1Update();
        TBtnRun->click();  // a disabled button does nothing
        break;
    case Qt::Key_Back: ExecuteAction(BackAct); break;
    case Qt::Key_Forward: ExecuteAction(ForwardAct); break;
    default: break;
    }
    // Left and Right scroll sideways; every other key may have moved the focus.
    if (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right)
        ExecuteAction(ImgLoadAct);
}

void TFormScanlark::STVKeyUp(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Stop: ExecuteAction(StopAct); break;
    case Qt::Key_Delete: STVDeleteFolder(); break;
    case Qt::Key_F5:
    case Qt::Key_Refresh: folderTree_->Refresh(); break;
    default: break;
    }
}

void TFormScanlark::CBRecentKeyUp(QKeyEvent* e)
{
    const bool alt = e->modifiers() & Qt::AltModifier;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: ExecuteAction(GoAct); break;
    case Qt::Key_Escape:
    case Qt::Key_Stop: ExecuteAction(StopAct); break;
    case Qt::Key_Left:
        if (alt)
            ExecuteAction(BackAct);
        break;
    case Qt::Key_Right:
        if (alt)
            ExecuteAction(ForwardAct);
        break;
    case Qt::Key_F5:
    case Qt::Key_Refresh: TBtnRefresh->click(); break;
    default: break;
    }
}

void TFormScanlark::LVFilesClick()
{
    if (LVFiles->selectedRowCount() > 0 && LVFiles->currentRow() >= 0)
        ExecuteAction(ImgLoadAct);
}

void TFormScanlark::LVFilesDblClick()
{
    ExecuteAction(OpenShellAct);
}

void TFormScanlark::LVFilesContextPopup()
{
    ExecuteAction(ImgLoadAct);
}

void TFormScanlark::LVFilesMouseMove()
{
    const QWidget* focus = QApplication::focusWidget();
    const bool addressHasFocus = focus && (focus == CBRecent || CBRecent->isAncestorOf(focus));
    if (!addressHasFocus && !LVFiles->hasFocus())
        LVFiles->setFocus(Qt::MouseFocusReason);
    UpdateStatusBar();
}

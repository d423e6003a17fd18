// The file list's keys and mouse, and the rules that enable the main
// window's actions.
#include "app/ActionTable.h"
#include "app/FileListController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
#include "app/PreviewController.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

// --- Keyboard and mouse ------------------------------------------------------

void TFormScanlark::ExecuteAction(QAction* action)
{
    ActionList1Update();
    if (action && action->isEnabled())
        action->trigger();
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
    case Qt::Key_Left: if (alt) ExecuteAction(BackAct); break;
    case Qt::Key_Right: if (alt) ExecuteAction(ForwardAct); break;
    case Qt::Key_Delete:
        listKeyModifiers_ = e->modifiers();
        ExecuteAction(DeleteFileAct);
        listKeyModifiers_ = {};
        break;
    case Qt::Key_A: if (ctrl) ExecuteAction(SelectAllAct); break;
    case Qt::Key_F: if (ctrl) ExecuteAction(SearchFindAct); break;
    case Qt::Key_R: if (ctrl) ExecuteAction(SelectErrorsActSl); break;
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

void TFormScanlark::LVFilesChange()
{
    // Children still signal while the window is being torn down, after the
    // actions and buttons the rules touch are gone.
    if (closed_)
        return;
    UpdateStatusBar();
    // The rules follow at once: code that fills the list may run a command
    // right after (the check that starts when a listing ends).
    ActionList1Update();
}

void TFormScanlark::LVFilesMouseMove()
{
    const QWidget* focus = QApplication::focusWidget();
    const bool addressHasFocus = focus && (focus == CBRecent || CBRecent->isAncestorOf(focus));
    if (!addressHasFocus && !LVFiles->hasFocus())
        LVFiles->setFocus(Qt::MouseFocusReason);
    UpdateStatusBar();
}

// --- Action rules ------------------------------------------------------------

void TFormScanlark::ActionList1Update()
{
    ActionFacts facts;
    fileList_->ReportFacts(facts);
    navigation_->ReportFacts(facts);
    preview_->ReportFacts(facts);
    ApplyActionRules(*this, facts);
    BindRefreshButton(*this);
    CheckImageViewMode(*this);
}

void TFormScanlark::ActionUpdateTimerTimer()
{
    if (isVisible() && !closed_)
        ActionList1Update();
}

// Checking from the window: check all, stop, the end of a check, progress
// in the status bar while it runs, and selecting the damaged files.
#include "app/AddressBoxController.h"
#include "app/FileListController.h"
#include "app/FolderHistory.h"
#include "app/MainWin.h"
#include "app/PreviewController.h"
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "inspection/KvJpegChecker.h"
#include "paths/BytePath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelection>
#include <QMessageBox>
#include <QTimer>

namespace {

// The status bar and the rows follow a running check this often (a timer
// on the main thread, not a hand-off per file).
constexpr int kProgressRefreshMs = 200;

}  // namespace

void TFormScanlark::SetupCheck()
{
    KvThreadJpegChecker1->OnTerminate = [this](QObject* sender) { KvThreadJpegChecker1Terminate(sender); };
    connect(JpegErrorCheckAllAct, &QAction::triggered, this, &TFormScanlark::JpegErrorCheckAllActExecute);
    connect(StopAct, &QAction::triggered, this, &TFormScanlark::StopActExecute);
    connect(SelectErrorsActSl, &QAction::triggered, this, &TFormScanlark::SelectErrorsActSlExecute);
    CheckProgressTimer = new QTimer(this);
    CheckProgressTimer->setInterval(kProgressRefreshMs);
    connect(CheckProgressTimer, &QTimer::timeout, this, &TFormScanlark::CheckProgressTimerTimer);
}

void TFormScanlark::CheckProgressTimerTimer()
{
    if (!KvThreadJpegChecker1->Running) {
        CheckProgressTimer->stop();
        return;
    }
    UpdateStatusBar();
    RepaintVisibleRows();
}

bool TFormScanlark::PrepareCheck()
{
    if (KvFileInfos1->FileInfoList().Busy() || LVFiles->RowCount() == 0)
        return false;
    const TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now)
        return false;
    // The folder is the current entry's bytes, never the address box's text.
    const std::string folder = WithTrailingSlash(now->Path);
    addressBox_->ShowPath(folder);
    if (!addressBox_->RememberCheckedFolder(folder)) {
        QMessageBox::critical(this, QStringLiteral("注意"),
                              QStringLiteral("\"%1\" に書き込めません。").arg(DisplayPath(addressBox_->HistoryFile())));
        return false;
    }
    preview_->EmptyPane();
    return true;
}

void TFormScanlark::JpegErrorCheckAllActExecute()
{
    if (!PrepareCheck())
        return;
    WorkCursor.Show(Qt::BusyCursor);
    KvThreadJpegChecker1->Start();
    CheckProgressTimer->start();
    UpdateStatusBar();
}

void TFormScanlark::StopActExecute()
{
    KvThreadJpegChecker1->Stop();
    // A listing that ended just before this stop hands its end over while
    // being stopped; the check that end would start is not wanted any more.
    stopping_ = true;
    KvFileInfos1->FileInfoList().Stop();
    stopping_ = false;
}

void TFormScanlark::KvThreadJpegChecker1Terminate(QObject*)
{
    CheckProgressTimer->stop();
    // New results change the order of a list sorted by a check column.
    fileList_->SortByNewResults();
    RepaintVisibleRows();
    UpdateCaption();
    UpdateStatusBar();
    WorkCursor.Hide();
}

void TFormScanlark::SelectErrorsActSlExecute()
{
    const BusyCursor busy(Qt::WaitCursor);
    LVFiles->ClearSelection();
    // One selection change for all rows: row by row would be quadratic.
    QItemSelection errors;
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    const int rows = std::min(LVFiles->RowCount(), list.Count());
    const int lastColumn = LVFiles->model()->columnCount() - 1;
    for (int row = 0; row < rows; ++row) {
        const TKvJpegInfoReadLock lock;
        const TKvJpegInfo* info = list.FileInfos(row)->JpegInfo();
        if (info && info->Verdict >= 2)
            errors.select(LVFiles->model()->index(row, 0), LVFiles->model()->index(row, lastColumn));
    }
    LVFiles->selectionModel()->select(errors, QItemSelectionModel::Select);
}

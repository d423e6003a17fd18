#include "app/CheckController.h"

#include "app/AddressBoxController.h"
#include "app/BusyCursor.h"
#include "app/FileListController.h"
#include "app/PreviewController.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "inspection/KvJpegChecker.h"
#include "paths/BytePath.h"
#include "platform/DisplayPath.h"

#include <QCoreApplication>
#include <QItemSelection>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

CheckController::CheckController(WindowParts& parts, FileListController& list, AddressBoxController& addressBox,
                                 PreviewController& preview)
    : parts_(parts), list_(list), addressBox_(addressBox), preview_(preview)
{
}

bool CheckController::PrepareCheck()
{
    if (parts_.KvFileInfos1->FileInfoList().Busy() || parts_.LVFiles->RowCount() == 0)
        return false;
    const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
    if (!now)
        return false;
    // The folder is the current entry's bytes, never the address box's text.
    const std::string folder = WithTrailingSlash(now->Path);
    addressBox_.ShowPath(folder);
    if (!addressBox_.RememberCheckedFolder(folder)) {
        QMessageBox::critical(parts_.Window, QCoreApplication::translate("MainWindow", "注意"),
                              QCoreApplication::translate("MainWindow", "\"%1\" に書き込めません。")
                                  .arg(DisplayPath(addressBox_.HistoryFile())));
        return false;
    }
    preview_.EmptyPane();
    return true;
}

void CheckController::CheckAll()
{
    if (!PrepareCheck())
        return;
    parts_.WorkCursor.Show(Qt::BusyCursor);
    parts_.KvThreadJpegChecker1->DeepCheck = parts_.DeepCheckAct->isChecked();
    parts_.KvThreadJpegChecker1->Start();
    parts_.CheckProgressTimer->start();
    list_.UpdateStatusBar();
}

void CheckController::Stop()
{
    parts_.KvThreadJpegChecker1->Stop();
    // A listing that ended just before this stop hands its end over while
    // being stopped; the check that end would start is not wanted any more.
    stopping_ = true;
    parts_.KvFileInfos1->FileInfoList().Stop();
    stopping_ = false;
}

void CheckController::CheckEnded()
{
    parts_.CheckProgressTimer->stop();
    // New results change the order of a list sorted by a check column.
    list_.SortByNewResults();
    list_.RepaintVisibleRows();
    parts_.UpdateCaption();
    list_.UpdateStatusBar();
    parts_.WorkCursor.Hide();
}

void CheckController::FollowProgress()
{
    if (!parts_.KvThreadJpegChecker1->Running) {
        parts_.CheckProgressTimer->stop();
        return;
    }
    list_.UpdateStatusBar();
    list_.RepaintVisibleRows();
}

void CheckController::SelectDamaged()
{
    const BusyCursor busy(Qt::WaitCursor);
    TKvListView* view = parts_.LVFiles;
    view->ClearSelection();
    // One selection change for all rows: row by row would be quadratic.
    QItemSelection errors;
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    const int rows = std::min(view->RowCount(), list.Count());
    const int lastColumn = view->model()->columnCount() - 1;
    for (int row = 0; row < rows; ++row) {
        const TKvJpegInfoReadLock lock;
        if (list.FileInfos(row)->CheckFoundDamage())
            errors.select(view->model()->index(row, 0), view->model()->index(row, lastColumn));
    }
    view->selectionModel()->select(errors, QItemSelectionModel::Select);
}

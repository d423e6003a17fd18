// The window's dialogs: the options ("オプション(&O)..." and "列の設定(&N)...")
// and the history editor ("履歴の編集(&E)..."). Both are refused while a
// listing or a check runs: they change what the workers read.
#include "app/AddressBoxController.h"
#include "app/FileListController.h"
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/FrmKvEditFileList.h"
#include "components/KvListView.h"
#include "inspection/KvJpegChecker.h"
#include "options/OptionDlgSl.h"
#include "paths/BytePath.h"

#include <QAction>
#include <QTabWidget>

#include <algorithm>

void TFormScanlark::SetupDialogs()
{
    connect(OptionDetailAct, &QAction::triggered, this, [this] { OptionDetailActExecute(OptionDetailAct); });
    connect(ColumnsEditAct, &QAction::triggered, this, &TFormScanlark::ColumnsEditActExecute);
    connect(ActRecentEdit, &QAction::triggered, this, &TFormScanlark::ActRecentEditExecute);
}

void TFormScanlark::ColumnsEditActExecute()
{
    OptionDetailActExecute(ColumnsEditAct);
}

void TFormScanlark::OptionDetailActExecute(QAction* sender)
{
    if (KvFileInfos1->FileInfoList().Busy() || KvThreadJpegChecker1->Running)
        return;
    TOptionDialog dialog(*AppOptions, this);
    dialog.OptionsToDlgAct->trigger();
    // ColumnsEditAct carries tag 1.
    if (sender && sender->data().toInt() == 1)
        dialog.PageControl1->setCurrentWidget(dialog.TabSheetColumns);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.DlgToOptionsAct->trigger();
    // Hiding the sort column moves the sort to the leftmost shown column:
    // the rows follow, or the header would claim an order they do not have.
    // A listing a second start began meanwhile sorts by it when it ends; a
    // running worker's rows are not reordered under it.
    if (static_cast<int>(KvFileInfos1->SortMode()) != LVFiles->SortColumnIndex ||
        KvFileInfos1->SortDown() != LVFiles->SortDown) {
        if (KvFileInfos1->FileInfoList().Busy() || KvThreadJpegChecker1->Running) {
            KvFileInfos1->SetSortMode(SortModeFromInt(LVFiles->SortColumnIndex));
            KvFileInfos1->SetSortDown(LVFiles->SortDown);
        } else {
            fileList_->Sort();
        }
    }
    RepaintVisibleRows();
    UpdateStatusBar();
}

void TFormScanlark::ActRecentEditExecute()
{
    if (KvFileInfos1->FileInfoList().Busy() || KvThreadJpegChecker1->Running)
        return;
    // "folder.txt" is written at the next check start or at close.
    const std::vector<std::string> opened = addressBox_->History();
    std::vector<std::string> edited = opened;
    // A check that a second start began while the editor was open put its
    // folder on top; the edited list must not drop it.
    if (EditFileNameList(this, edited))
        addressBox_->ReplaceHistory(opened, std::move(edited));
    addressBox_->LoadItems();
}

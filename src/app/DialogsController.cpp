#include "app/DialogsController.h"

#include "app/AddressBoxController.h"
#include "app/FileListController.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfos.h"
#include "components/FrmKvEditFileList.h"
#include "components/KvListView.h"
#include "inspection/KvJpegChecker.h"
#include "options/OptionDlgSl.h"

#include <QAction>
#include <QMainWindow>
#include <QTabWidget>

DialogsController::DialogsController(WindowParts& parts, FileListController& list, AddressBoxController& addressBox)
    : parts_(parts), list_(list), addressBox_(addressBox)
{
}

bool DialogsController::WorkerRunning() const
{
    return parts_.KvFileInfos1->FileInfoList().Busy() || parts_.KvThreadJpegChecker1->Running;
}

void DialogsController::EditOptions(bool columnsPage)
{
    if (WorkerRunning())
        return;
    TOptionDialog dialog(*parts_.AppOptions, parts_.Window);
    dialog.OptionsToDlgAct->trigger();
    if (columnsPage)
        dialog.PageControl1->setCurrentWidget(dialog.TabSheetColumns);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.DlgToOptionsAct->trigger();
    // Hiding the sort column moves the sort to the leftmost shown column:
    // the rows follow, or the header would claim an order they do not have.
    // A listing a second start began meanwhile sorts by it when it ends; a
    // running worker's rows are not reordered under it.
    TKvFileInfos* files = parts_.KvFileInfos1;
    const TKvListView* view = parts_.LVFiles;
    if (static_cast<int>(files->SortMode()) != view->SortColumnIndex || files->SortDown() != view->SortDown) {
        if (WorkerRunning()) {
            files->SetSortMode(SortModeFromInt(view->SortColumnIndex));
            files->SetSortDown(view->SortDown);
        } else {
            list_.Sort();
        }
    }
    list_.RepaintVisibleRows();
    list_.UpdateStatusBar();
}

void DialogsController::EditHistory()
{
    if (WorkerRunning())
        return;
    const std::vector<std::string> opened = addressBox_.History();
    std::vector<std::string> edited = opened;
    // A check that a second start began while the editor was open put its
    // folder on top; the edited list must not drop it.
    if (EditFileNameList(parts_.Window, edited))
        addressBox_.ReplaceHistory(opened, std::move(edited));
    addressBox_.LoadItems();
}

#include "app/NavigationController.h"

#include "app/ActionTable.h"
#include "app/AddressBoxController.h"
#include "app/CheckController.h"
#include "app/ConstsSl.h"
#include "app/FileListController.h"
#include "app/FolderTreeController.h"
#include "app/PreviewController.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvFolderChooser.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkStatusTexts.h"
#include "inspection/KvJpegChecker.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <utility>

NavigationController::NavigationController(WindowParts& parts, FileListController& list, FolderTreeController& tree,
                                           AddressBoxController& addressBox, CheckController& check,
                                           PreviewController& preview, std::function<void(QAction*)> executeAction)
    : parts_(parts), list_(list), tree_(tree), addressBox_(addressBox), check_(check), preview_(preview),
      executeAction_(std::move(executeAction))
{
}

// --- Into a folder -----------------------------------------------------------

void NavigationController::OpenFolder(const std::string& path)
{
    TKvRecentItem leaving;
    list_.SaveSelection(leaving);
    ClearFileList();
    auto arriving = std::make_unique<TKvRecentItem>();
    std::string folder = path;
    const PathKind kind = KindOfPath(path);
    const bool fileAsked = kind == PathKind::RegularFile || kind == PathKind::Other;
    if (fileAsked) {
        // A file opens its folder and is selected there once listed.
        arriving->SelectedFileNames = {path};
        arriving->FocusedFileName = path;
        folder = FolderOfPath(path);
    }
    if (!IsFolder(folder)) {
        ShowInvalidFolder(path);
        return;
    }
    folder = WithTrailingSlash(folder);
    TKvRecentControl* history = parts_.KvRecentControl1;
    if (TKvRecentItem* now = history->NowItem()) {
        leaving.Path = now->Path;
        now->Assign(leaving);
    }
    arriving->Path = folder;
    fileAsked_ = fileAsked;
    history->Add(std::move(arriving));
    parts_.UpdateCaption();
    list_.UpdateStatusBar();
    StartListing(folder);
}

void NavigationController::ReloadFolder()
{
    TKvRecentItem kept;
    list_.SaveSelection(kept);
    ClearFileList();
    TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
    if (!now || !IsFolder(now->Path)) {
        ShowInvalidFolder(now ? now->Path : std::string());
        return;
    }
    kept.Path = now->Path;
    now->Assign(kept);
    StartListing(now->Path);
    parts_.UpdateCaption();
}

void NavigationController::ShowHistoryFolder(const std::string& path)
{
    ClearFileList();
    if (!IsFolder(path)) {
        ShowInvalidFolder(path);
        return;
    }
    StartListing(path);
    parts_.UpdateCaption();
}

void NavigationController::ClearFileList()
{
    try {
        check_.Stop();
    } catch (...) {
    }
    list_.Clear();
}

void NavigationController::StartListing(const std::string& folder)
{
    const std::string path = WithTrailingSlash(folder);
    addressBox_.ShowPath(path);
    if (!parts_.STV->isHidden())
        tree_.Sync(path);
    TKvFileInfos* files = parts_.KvFileInfos1;
    files->SetPath(path);
    executeAction_(parts_.ActPreMakeList);
    files->FileInfoList().Refresh();
    if (files->FileInfoList().Busy())
        parts_.ListingProgressTimer->start();
}

void NavigationController::ShowInvalidFolder(const std::string& path)
{
    if (TKvRecentItem* now = parts_.KvRecentControl1->NowItem()) {
        now->SelectedFileNames.clear();
        now->FocusedFileName.clear();
    }
    // The empty list has no check result to show.
    parts_.KvThreadJpegChecker1->ErrorCount = -1;
    list_.UpdateStatusBar();
    addressBox_.ShowPath(path);
    parts_.SetPanelText(0, InvalidFolderText());
}

// --- A listing's course ------------------------------------------------------

void NavigationController::PrepareListing()
{
    parts_.WorkCursor.Show(Qt::BusyCursor);
    parts_.KvThreadJpegChecker1->ErrorCount = -1;
    preview_.EmptyPane();
    // Panel 3 reads "エラー未チェック" from the start of the listing.
    list_.UpdateStatusBar();
}

void NavigationController::FollowListing()
{
    TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    if (!list.Busy()) {
        parts_.ListingProgressTimer->stop();
        return;
    }
    // Panel 0 is rewritten by UpdateStatusBar once the listing ends, so the
    // panels' own texts are never contradicted.
    parts_.SetPanelText(0, ListingProgressText(list.ScannedCount(), QLocale::system()));
}

void NavigationController::ListingEnded()
{
    parts_.ListingProgressTimer->stop();
    list_.ShowListedRows();
    if (TKvRecentItem* now = parts_.KvRecentControl1->NowItem())
        list_.RestoreSelection(*now);
    parts_.WorkCursor.Hide();
    if (!parts_.KvFileInfos1->FileInfoList().Stopped() && !check_.Stopping() && parts_.DoNowAct->isChecked())
        parts_.TBtnRun->click();
    // After the check has started, which empties the pane.
    if (std::exchange(fileAsked_, false) && list_.FocusedEntry()) {
        parts_.LVFiles->setFocus(Qt::OtherFocusReason);
        executeAction_(parts_.ImgLoadAct);
    }
}

// --- Moves -------------------------------------------------------------------

void NavigationController::GoBack()
{
    parts_.KvRecentControl1->GoBack();
}

void NavigationController::GoForward()
{
    parts_.KvRecentControl1->GoForward();
}

void NavigationController::GoUp()
{
    const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
    if (!now)
        return;
    const std::string parent = ParentFolder(now->Path);
    if (!parent.empty())  // nothing above "/"
        OpenFolder(parent);
}

void NavigationController::GoToFocusedFile()
{
    if (const TKvFileInfo* focused = list_.FocusedEntry())
        OpenFolder(focused->FullFileName());
}

void NavigationController::ChooseFolder()
{
    std::string start;
    if (const TKvFileInfo* focused = list_.FocusedEntry())
        start = focused->Path;
    else if (const TKvRecentItem* now = parts_.KvRecentControl1->NowItem())
        start = now->Path;
    if (const std::optional<std::string> chosen =
            ::ChooseFolder(parts_.Window, QCoreApplication::translate("MainWindow", "フォルダを選択"), start))
        OpenFolder(*chosen);
}

// --- Refresh, switches, folder bar --------------------------------------------

void NavigationController::SetRefreshMode(const QAction* action)
{
    const int tag = action->data().toInt();
    if (tag >= 0 && tag <= 2)
        parts_.AppOptions->RefreshMode = static_cast<uint8_t>(tag);
    BindRefreshButton(parts_);
}

void NavigationController::RefreshAll()
{
    SetRefreshMode(parts_.RefreshAllAct);
    if (!parts_.STV->isHidden())
        tree_.Refresh();
    RefreshFilesKeepingMode();
}

void NavigationController::RefreshFolders()
{
    SetRefreshMode(parts_.RefreshFoldersAct);
    if (!parts_.STV->isHidden())
        tree_.Refresh();
}

void NavigationController::RefreshFiles()
{
    SetRefreshMode(parts_.RefreshFilesAct);
    RefreshFilesKeepingMode();
}

void NavigationController::RefreshFilesKeepingMode()
{
    const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
    if (!now)
        return;
    if (IsFolder(now->Path)) {
        ReloadFolder();
        return;
    }
    QMessageBox::warning(parts_.Window, QCoreApplication::translate("MainWindow", "注意"),
                         QCoreApplication::translate("MainWindow", "フォルダ\"%1\"は存在しません。")
                             .arg(DisplayPath(WithTrailingSlash(now->Path))));
}

void NavigationController::SetSubFolderSearch(bool on)
{
    TKvFileInfoListOptions options = parts_.KvFileInfos1->Options();
    options.Set(filoSubFolderSearch, on);
    parts_.KvFileInfos1->SetOptions(options);
}

void NavigationController::SetHiddenFileView(bool on)
{
    TKvFileInfoListOptions options = parts_.KvFileInfos1->Options();
    options.Set(filoHiddenFileView, on);
    parts_.KvFileInfos1->SetOptions(options);
}

void NavigationController::SetFolderBarVisible(bool visible)
{
    parts_.STV->setVisible(visible);
    if (!visible)
        return;
    tree_.Refresh();
    if (const TKvRecentItem* now = parts_.KvRecentControl1->NowItem())
        tree_.Sync(now->Path);
}

// --- The history's events -----------------------------------------------------

bool NavigationController::AcceptsHistoryEntry(const TKvRecentItem* now, const TKvRecentItem& add) const
{
    // Linux folder names differ by case: the same folder is the same bytes.
    return !(now && SamePath(now->Path, add.Path));
}

QString NavigationController::HistoryCaption(const TKvRecentItem& item) const
{
    if (DeleteLastChar(item.Path).empty() && item.Path != "/")
        return QCoreApplication::translate("MainWindow", "<無効なフォルダ>");
    // The root folder has no name of its own and is captioned "/".
    return DisplayPath(LastPathComponent(item.Path));
}

void NavigationController::HistoryEntryChosen(TKvRecentItem* previous, TKvRecentItem* now)
{
    if (previous)
        list_.SaveSelection(*previous);
    if (now)
        ShowHistoryFolder(now->Path);
}

void NavigationController::ReportFacts(ActionFacts& facts) const
{
    // The history menus show a disabled placeholder while they are empty,
    // so their entries are counted, not their items.
    const TKvRecentControl* history = parts_.KvRecentControl1;
    facts.HistoryBack = history && history->BackItemCount() > 0;
    facts.HistoryForward = history && history->ForwardItemCount() > 0;
}

// Folder navigation: opening, reloading and showing history folders, the
// end of a listing, back/forward/up, the refresh commands and the switches.
// The folder tree, the address box and drops are in MainWinFolderTree.cpp.
#include "app/ActionTable.h"
#include "app/AddressBoxController.h"
#include "app/CheckController.h"
#include "app/ConstsSl.h"
#include "app/FileListController.h"
#include "app/FolderTreeController.h"
#include "app/MainWin.h"
#include "app/PreviewController.h"
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkStatusTexts.h"
#include "inspection/KvJpegChecker.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

// How often the status bar follows a running listing.
constexpr int kListingProgressMs = 250;

}  // namespace

void TFormScanlark::SetupNavigation()
{
    KvFileInfos1->SetOnTerminate([this](QObject* sender) { KvFileInfos1Terminate(sender); });
    KvRecentControl1->OnAddJudge = [this](QObject* sender, const TKvRecentItem* now, const TKvRecentItem& add,
                                          bool& accept) { KvRecentControl1AddJudge(sender, now, add, accept); };
    KvRecentControl1->OnMenuItemCaptionSetEvent = [this](QObject* sender, const TKvRecentItem& item,
                                                         QString& caption) {
        KvRecentControl1MenuItemCaptionSetEvent(sender, item, caption);
    };
    KvRecentControl1->OnMenuItemClick = [this](QObject* sender, TKvRecentItem* previous, TKvRecentItem* now) {
        KvRecentControl1MenuItemClick(sender, previous, now);
    };

    connect(GoAct, &QAction::triggered, this, &TFormScanlark::GoActExecute);
    connect(BackAct, &QAction::triggered, this, &TFormScanlark::BackActExecute);
    connect(ForwardAct, &QAction::triggered, this, &TFormScanlark::ForwardActExecute);
    connect(UpFolderAct, &QAction::triggered, this, &TFormScanlark::UpFolderActExecute);
    connect(MoveThisFolderAct, &QAction::triggered, this, &TFormScanlark::MoveThisFolderActExecute);
    connect(SelectFolderAct, &QAction::triggered, this, &TFormScanlark::SelectFolderActExecute);
    connect(RefreshAllAct, &QAction::triggered, this, &TFormScanlark::RefreshAllActExecute);
    connect(RefreshFoldersAct, &QAction::triggered, this, &TFormScanlark::RefreshFoldersActExecute);
    connect(RefreshFilesAct, &QAction::triggered, this, &TFormScanlark::RefreshFilesActExecute);
    connect(SubFolderSearchAct, &QAction::toggled, this, &TFormScanlark::SubFolderSearchActExecute);
    connect(HiddenFileViewAct, &QAction::toggled, this, &TFormScanlark::HiddenFileViewActExecute);
    connect(FolderBarVisibleAct, &QAction::toggled, this, &TFormScanlark::FolderBarVisibleActExecute);
    connect(ActPreMakeList, &QAction::triggered, this, &TFormScanlark::ActPreMakeListExecute);

    ListingProgressTimer = new QTimer(this);
    ListingProgressTimer->setInterval(kListingProgressMs);
    connect(ListingProgressTimer, &QTimer::timeout, this, &TFormScanlark::ListingProgressTick);

    SetupFolderTree();
}

void TFormScanlark::KvRecentControl1AddJudge(QObject*, const TKvRecentItem* now, const TKvRecentItem& add,
                                             bool& accept)
{
    // Linux folder names differ by case: the same folder is the same bytes.
    if (now && SamePath(now->Path, add.Path))
        accept = false;
}

void TFormScanlark::KvRecentControl1MenuItemCaptionSetEvent(QObject*, const TKvRecentItem& item, QString& caption)
{
    if (DeleteLastChar(item.Path).empty() && item.Path != "/") {
        caption = QStringLiteral("<無効なフォルダ>");
        return;
    }
    // The root folder has no name of its own and is captioned "/".
    caption = DisplayPath(LastPathComponent(item.Path));
}

void TFormScanlark::KvRecentControl1MenuItemClick(QObject*, TKvRecentItem* previous, TKvRecentItem* now)
{
    if (previous)
        SaveSelection(*previous);
    if (now)
        ShowHistoryFolder(now->Path);
}

void TFormScanlark::GoActExecute()
{
    OpenFolder(addressBox_->Path());
}

void TFormScanlark::BackActExecute()
{
    KvRecentControl1->GoBack();
}

void TFormScanlark::ForwardActExecute()
{
    KvRecentControl1->GoForward();
}

void TFormScanlark::UpFolderActExecute()
{
    const TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now)
        return;
    const std::string parent = ParentFolder(now->Path);
    if (!parent.empty())  // nothing above "/"
        OpenFolder(parent);
}

void TFormScanlark::MoveThisFolderActExecute()
{
    const int row = LVFiles->currentRow();
    if (row >= 0 && row < KvFileInfos1->FileInfoList().Count())
        OpenFolder(KvFileInfos1->FileInfoList().FileInfos(row)->FullFileName());
}

void TFormScanlark::SelectFolderActExecute()
{
    std::string start;
    const int row = LVFiles->currentRow();
    if (row >= 0 && row < KvFileInfos1->FileInfoList().Count())
        start = KvFileInfos1->FileInfoList().FileInfos(row)->Path;
    else if (const TKvRecentItem* now = KvRecentControl1->NowItem())
        start = now->Path;
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("フォルダを選択"), QtFileName(start));
    if (!chosen.isEmpty())
        OpenFolder(FromQtFileName(chosen));
}

void TFormScanlark::SetRefreshMode(QAction* action)
{
    const int tag = action->data().toInt();
    if (tag >= 0 && tag <= 2)
        AppOptions->RefreshMode = static_cast<uint8_t>(tag);
    BindRefreshButton(*this);
}

void TFormScanlark::RefreshAllActExecute()
{
    SetRefreshMode(RefreshAllAct);
    if (!STV->isHidden())
        folderTree_->Refresh();
    RefreshFilesKeepingMode();
}

void TFormScanlark::RefreshFoldersActExecute()
{
    SetRefreshMode(RefreshFoldersAct);
    if (!STV->isHidden())
        folderTree_->Refresh();
}

void TFormScanlark::RefreshFilesActExecute()
{
    SetRefreshMode(RefreshFilesAct);
    RefreshFilesKeepingMode();
}

void TFormScanlark::RefreshFilesKeepingMode()
{
    const TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now)
        return;
    if (IsFolder(now->Path)) {
        ReloadFolder();
        return;
    }
    QMessageBox::warning(this, QStringLiteral("注意"),
                         QStringLiteral("フォルダ\"%1\"は存在しません。").arg(DisplayPath(WithTrailingSlash(now->Path))));
}

void TFormScanlark::SubFolderSearchActExecute(bool checked)
{
    TKvFileInfoListOptions options = KvFileInfos1->Options();
    options.Set(filoSubFolderSearch, checked);
    KvFileInfos1->SetOptions(options);
}

void TFormScanlark::HiddenFileViewActExecute(bool checked)
{
    TKvFileInfoListOptions options = KvFileInfos1->Options();
    options.Set(filoHiddenFileView, checked);
    KvFileInfos1->SetOptions(options);
}

void TFormScanlark::FolderBarVisibleActExecute(bool checked)
{
    STV->setVisible(checked);
    if (!checked)
        return;
    folderTree_->Refresh();
    if (const TKvRecentItem* now = KvRecentControl1->NowItem())
        folderTree_->Sync(now->Path);
}

void TFormScanlark::ActPreMakeListExecute()
{
    WorkCursor.Show(Qt::BusyCursor);
    KvThreadJpegChecker1->ErrorCount = -1;
    preview_->EmptyPane();
    // Panel 3 reads "エラー未チェック" from the start of the listing.
    UpdateStatusBar();
}

void TFormScanlark::ListingProgressTick()
{
    TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    if (!list.Busy()) {
        ListingProgressTimer->stop();
        return;
    }
    // Panel 0 is rewritten by UpdateStatusBar once the listing ends, so the
    // panels' own texts are never contradicted.
    SetPanelText(0, ListingProgressText(list.ScannedCount(), QLocale::system()));
}

void TFormScanlark::ClearFileList()
{
    try {
        StopActExecute();
    } catch (...) {
    }
    fileList_->Clear();
}

void TFormScanlark::StartListing(const std::string& folder)
{
    const std::string path = WithTrailingSlash(folder);
    addressBox_->ShowPath(path);
    if (!STV->isHidden())
        folderTree_->Sync(path);
    KvFileInfos1->SetPath(path);
    ExecuteAction(ActPreMakeList);
    KvFileInfos1->FileInfoList().Refresh();
    if (KvFileInfos1->FileInfoList().Busy())
        ListingProgressTimer->start();
}

void TFormScanlark::ShowInvalidFolder(const std::string& path)
{
    if (TKvRecentItem* now = KvRecentControl1->NowItem()) {
        now->SelectedFileNames.clear();
        now->FocusedFileName.clear();
    }
    // The empty list has no check result to show.
    KvThreadJpegChecker1->ErrorCount = -1;
    UpdateStatusBar();
    addressBox_->ShowPath(path);
    SetPanelText(0, InvalidFolderText);
}

void TFormScanlark::OpenFolder(const std::string& path)
{
    TKvRecentItem leaving;
    SaveSelection(leaving);
    ClearFileList();
    auto arriving = std::make_unique<TKvRecentItem>();
    std::string folder = path;
    if (const PathKind kind = KindOfPath(path); kind == PathKind::RegularFile || kind == PathKind::Other) {
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
    if (TKvRecentItem* now = KvRecentControl1->NowItem()) {
        leaving.Path = now->Path;
        now->Assign(leaving);
    }
    arriving->Path = folder;
    KvRecentControl1->Add(std::move(arriving));
    UpdateCaption();
    UpdateStatusBar();
    StartListing(folder);
}

void TFormScanlark::ReloadFolder()
{
    TKvRecentItem kept;
    SaveSelection(kept);
    ClearFileList();
    TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now || !IsFolder(now->Path)) {
        ShowInvalidFolder(now ? now->Path : std::string());
        return;
    }
    kept.Path = now->Path;
    now->Assign(kept);
    StartListing(now->Path);
    UpdateCaption();
}

void TFormScanlark::ShowHistoryFolder(const std::string& path)
{
    ClearFileList();
    if (!IsFolder(path)) {
        ShowInvalidFolder(path);
        return;
    }
    StartListing(path);
    UpdateCaption();
}

void TFormScanlark::KvFileInfos1Terminate(QObject*)
{
    ListingProgressTimer->stop();
    fileList_->ShowListedRows();
    if (TKvRecentItem* now = KvRecentControl1->NowItem())
        RestoreSelection(*now);
    WorkCursor.Hide();
    if (!KvFileInfos1->FileInfoList().Stopped() && !check_->Stopping() && DoNowAct->isChecked())
        TBtnRun->click();
}

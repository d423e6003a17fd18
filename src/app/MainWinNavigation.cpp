// Folder navigation's handlers: opening folders, the end of a listing,
// back/forward/up, the refresh commands, the switches and the history's
// events, each handed to the navigation's controller (NavigationController).
// The folder tree, the address box and drops are in MainWinFolderTree.cpp.
#include "app/AddressBoxController.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvRecentControl.h"

#include <QAction>
#include <QTimer>

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
}

void TFormScanlark::KvRecentControl1AddJudge(QObject*, const TKvRecentItem* now, const TKvRecentItem& add,
                                             bool& accept)
{
    if (!navigation_->AcceptsHistoryEntry(now, add))
        accept = false;
}

void TFormScanlark::KvRecentControl1MenuItemCaptionSetEvent(QObject*, const TKvRecentItem& item, QString& caption)
{
    caption = navigation_->HistoryCaption(item);
}

void TFormScanlark::KvRecentControl1MenuItemClick(QObject*, TKvRecentItem* previous, TKvRecentItem* now)
{
    navigation_->HistoryEntryChosen(previous, now);
}

void TFormScanlark::GoActExecute()
{
    navigation_->OpenFolder(addressBox_->Path());
}

void TFormScanlark::BackActExecute()
{
    navigation_->GoBack();
}

void TFormScanlark::ForwardActExecute()
{
    navigation_->GoForward();
}

void TFormScanlark::UpFolderActExecute()
{
    navigation_->GoUp();
}

void TFormScanlark::MoveThisFolderActExecute()
{
    navigation_->GoToFocusedFile();
}

void TFormScanlark::SelectFolderActExecute()
{
    navigation_->ChooseFolder();
}

void TFormScanlark::RefreshAllActExecute()
{
    navigation_->RefreshAll();
}

void TFormScanlark::RefreshFoldersActExecute()
{
    navigation_->RefreshFolders();
}

void TFormScanlark::RefreshFilesActExecute()
{
    navigation_->RefreshFiles();
}

void TFormScanlark::SubFolderSearchActExecute(bool checked)
{
    navigation_->SetSubFolderSearch(checked);
}

void TFormScanlark::HiddenFileViewActExecute(bool checked)
{
    navigation_->SetHiddenFileView(checked);
}

void TFormScanlark::FolderBarVisibleActExecute(bool checked)
{
    navigation_->SetFolderBarVisible(checked);
}

void TFormScanlark::ActPreMakeListExecute()
{
    navigation_->PrepareListing();
}

void TFormScanlark::ListingProgressTick()
{
    navigation_->FollowListing();
}

void TFormScanlark::KvFileInfos1Terminate(QObject*)
{
    navigation_->ListingEnded();
}

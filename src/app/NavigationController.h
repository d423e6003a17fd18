// Folder navigation: every way into a folder ends in OpenFolder,
// ShowHistoryFolder or ReloadFolder, which empty the list and start the
// listing worker for the folder; the end of a listing; back, forward and up;
// the refresh commands; the listing's switches and the folder bar; and the
// history's captions and choices. The current folder lives in one place,
// the history's NowItem, as bytes. Parts used: KvFileInfos1,
// KvRecentControl1, KvThreadJpegChecker1, STV, TBtnRun, DoNowAct, the
// refresh actions, ActPreMakeList, ListingProgressTimer, WorkCursor,
// AppOptions and Window.
#pragma once

#include <QString>

#include <functional>
#include <string>

class AddressBoxController;
class CheckController;
class FileListController;
class FolderTreeController;
class PreviewController;
class QAction;
class TKvRecentItem;
struct ActionFacts;
struct WindowParts;

class NavigationController {
public:
    // executeAction is the window's way to run a command as a key does: the
    // action rules first, then the action when it is enabled.
    NavigationController(WindowParts& parts, FileListController& list, FolderTreeController& tree,
                         AddressBoxController& addressBox, CheckController& check, PreviewController& preview,
                         std::function<void(QAction*)> executeAction);

    // Opens a folder as a new history entry; a file opens its folder and is
    // selected there once listed. The folder left keeps its selection.
    void OpenFolder(const std::string& path);
    // Lists a folder of the history that has become the current entry.
    void ShowHistoryFolder(const std::string& path);
    // Lists the current folder again, keeping selection and focus.
    void ReloadFolder();

    void GoBack();
    void GoForward();
    void GoUp();
    // Opens the folder of the focused file (that is, selects it there).
    void GoToFocusedFile();
    // Opens a folder the person chooses in the folder chooser.
    void ChooseFolder();

    // The refresh commands, each also making its kind the refresh mode.
    void RefreshAll();
    void RefreshFolders();
    void RefreshFiles();
    // Lists the current folder again without touching the refresh mode; a
    // folder that is gone is reported.
    void RefreshFilesKeepingMode();
    void SetSubFolderSearch(bool on);
    void SetHiddenFileView(bool on);
    void SetFolderBarVisible(bool visible);

    // Before a listing starts: busy cursor, no check result, no preview.
    void PrepareListing();
    // A tick of ListingProgressTimer while the listing runs.
    void FollowListing();
    // The listing worker has ended: its rows, the selection kept for the
    // folder, and the check when it is to start at once.
    void ListingEnded();

    // The history's events: a new entry is refused when it names the
    // current folder; an entry's menu caption; an entry chosen from a menu.
    bool AcceptsHistoryEntry(const TKvRecentItem* now, const TKvRecentItem& add) const;
    QString HistoryCaption(const TKvRecentItem& item) const;
    void HistoryEntryChosen(TKvRecentItem* previous, TKvRecentItem* now);

    // HistoryBack and HistoryForward.
    void ReportFacts(ActionFacts& facts) const;

private:
    // Stops the workers and empties the list.
    void ClearFileList();
    void StartListing(const std::string& folder);
    void ShowInvalidFolder(const std::string& path);
    void SetRefreshMode(const QAction* action);

    WindowParts& parts_;
    FileListController& list_;
    FolderTreeController& tree_;
    AddressBoxController& addressBox_;
    CheckController& check_;
    PreviewController& preview_;
    std::function<void(QAction*)> executeAction_;
    // The folder being listed was opened for a file in it: once listed, the
    // list takes the keyboard with that file focused and previewed.
    bool fileAsked_ = false;
};

// The main window. It lays itself out, lives from creation to close, and
// turns every event of its controls, actions, timers and workers into a
// call of a handler with the name the program's design gives it
// (`GoActExecute`, `LVFilesKeyUp`, `KvFileInfos1Terminate`, ...). A handler
// forwards to the controller of its concern, which holds that concern's
// state and reports the facts its actions' enabling rules read:
//
//   FileListController        the list's cells, order, selection, status bar
//   NavigationController      opening folders, a listing's course, history
//   FolderTreeController      the folder tree
//   AddressBoxController      the address box and the folder history
//   CheckController           checking and stopping
//   FileOperationsController  copy, move, delete, open
//   PreviewController         the image preview and its loader
//   DialogsController         the options dialog and the history editor
//
// The handlers are split over files by concern: MainWin.cpp (layout),
// MainWinLifecycle.cpp (creation, activation, hand-over, close),
// MainWinActions.cpp (the action rules), MainWinInput.cpp (keys, mouse and
// drops), MainWinListView.cpp, MainWinNavigation.cpp, MainWinFolderTree.cpp,
// MainWinCheck.cpp, MainWinFileOps.cpp, MainWinPreview.cpp and
// MainWinDialogs.cpp. The actions and their rules are one table, kActions
// (ActionTable.h).
#pragma once

#include "app/WindowParts.h"
#include "components/KvKeyUpGate.h"
#include "options/OptionsSl.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class AddressBoxController;
class CheckController;
class DialogsController;
class FileListController;
class FileOperationsController;
class FolderTreeController;
class NavigationController;
class PreviewController;
class QAction;
class QComboBox;
class QIcon;
class QKeyEvent;
class QModelIndex;
class QTimer;
class TKvColumnInfos;
class TKvFileInfos;
class TKvFindDialog;
class TKvMemIniFile;
class TKvRecentItem;

// The window derives from its parts (WindowParts.h) as a form class would.
class TFormScanlark : public QMainWindow, private WindowParts {
    Q_OBJECT

public:
    // startArgument: the first command-line argument, or empty.
    // settingsFolder: where the settings file and "folder.txt" live.
    TFormScanlark(const std::string& startArgument, const std::string& settingsFolder,
                  const std::string& settingsFileName, QWidget* parent = nullptr);
    ~TFormScanlark() override;

    // The copy-data hand-over: tag 1 takes the path; others are ignored.
    void WMCopyData(uint32_t tag, const std::string& path);
    using WindowParts::UpdateCaption;
    void FormActivate();

    // Status bar panel texts (panels 0..4).
    using WindowParts::PanelText;
    using WindowParts::SetPanelText;

    QComboBox* AddressBox() const { return CBRecent; }
    const std::vector<std::string>& FolderHistoryItems() const;
    std::string SettingsFilePath() const;
    std::string FolderListPath() const;
    TScanlarkOptions* Options() const { return AppOptions.get(); }
    TKvFileInfos* FileInfos() const { return KvFileInfos1; }

    // The file list (FileListController.h says what each does).
    QString LVFilesData(int row, int column) const;
    void SaveSelection(TKvRecentItem& item) const;
    void RestoreSelection(TKvRecentItem& item);
    int FindFileIndex(const std::string& fullFileName) const;
    void RepaintVisibleRows();
    void UpdateStatusBar();
    // Enabled, checked and bound states of the actions (before idle).
    void ActionList1Update();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Life (MainWinLifecycle.cpp) and layout (MainWin.cpp)
    void FormCreate();
    void CreateComponents();
    void CreateMenus();
    void CreatePopupMenus();
    void CreateToolBars();
    void CreateCentralArea();
    void CreateStatusBar();
    void CreateControllers();
    void CreateOptions();
    void CreateHistoryControl();
    void FormResize();
    void FormClose();
    std::string StartPath() const;

    // Action rules (MainWinActions.cpp)
    void SetupActionRules();
    void ActionUpdateTimerTimer();
    // Runs the enabling rules, then triggers action when it is enabled.
    void ExecuteAction(QAction* action);

    // Keys, mouse and drops (MainWinInput.cpp)
    void SetupInput();
    void LVFilesKeyDown(QKeyEvent* e);
    void LVFilesKeyUp(QKeyEvent* e);
    void STVKeyUp(QKeyEvent* e);
    void CBRecentKeyUp(QKeyEvent* e);
    void ListKeyElsewhere(QKeyEvent* e);
    void LVFilesClick();
    void LVFilesDblClick();
    void LVFilesContextPopup();
    void LVFilesMouseMove();

    // File list (MainWinListView.cpp)
    void SetupFileListView();
    QIcon LVFilesIcon(int row, int column) const;
    int LVFilesDataFind(const QString& text, int startIndex, bool wrap) const;
    void LVFilesColumnClick(int viewColumn);
    // Any change of rows, selection or focus.
    void LVFilesChange();
    void SearchFindActExecute();
    void SearchFindNextActExecute();
    void FindDialog1Find();
    void SelectAllActExecute();
    void SelectChangeActExecute();

    // Navigation (MainWinNavigation.cpp)
    void SetupNavigation();
    void GoActExecute();
    void BackActExecute();
    void ForwardActExecute();
    void UpFolderActExecute();
    void MoveThisFolderActExecute();
    void SelectFolderActExecute();
    void RefreshAllActExecute();
    void RefreshFoldersActExecute();
    void RefreshFilesActExecute();
    void SubFolderSearchActExecute(bool checked);
    void HiddenFileViewActExecute(bool checked);
    void FolderBarVisibleActExecute(bool checked);
    void ActPreMakeListExecute();
    void ListingProgressTick();
    void KvFileInfos1Terminate(QObject* sender);
    void KvRecentControl1AddJudge(QObject* sender, const TKvRecentItem* now, const TKvRecentItem& add, bool& accept);
    void KvRecentControl1MenuItemCaptionSetEvent(QObject* sender, const TKvRecentItem& item, QString& caption);
    void KvRecentControl1MenuItemClick(QObject* sender, TKvRecentItem* previous, TKvRecentItem* now);

    // Folder tree, address box, drops (MainWinFolderTree.cpp)
    void SetupFolderTree();
    void STVChange(const QModelIndex& current);
    void STVDeleteFolder();
    void CBRecentSelect(int index);
    void FocusAddressActExecute();
    void FileDropTargetFileDrop(const std::string& path);

    // Check (MainWinCheck.cpp)
    void SetupCheck();
    void JpegErrorCheckAllActExecute();
    void StopActExecute();
    void SelectErrorsActSlExecute();
    void CheckProgressTimerTimer();
    void KvThreadJpegChecker1Terminate(QObject* sender);

    // File operations (MainWinFileOps.cpp)
    void SetupFileOperations();
    void CopyFileActExecute();
    void MoveFileActExecute();
    void UndoSetAsideActExecute();
    void DeleteFileActExecute();
    void OpenShellActExecute();
    void OpenExplorerActExecute();
    void OpenFolderActExecute();
    void NameCopyActExecute();

    // Image preview (MainWinPreview.cpp)
    void SetupPreview();
    void IVNoneActExecute();
    void IVScaleNormalActExecute();
    void IVAutoScaleLongActExecute();
    void ImgLoadActExecute();
    void ImgCloseActExecute();
    void ImgCopyActExecute();
    void ImgNameCopyActExecute();
    void ImgView32DblClick();

    // Dialogs (MainWinDialogs.cpp)
    void SetupDialogs();
    void OptionDetailActExecute(QAction* sender);
    void ColumnsEditActExecute();
    void ActRecentEditExecute();

    // The concerns' controllers; each is handed the parts and the
    // controllers it works with (CreateControllers).
    std::unique_ptr<FileListController> fileList_;
    std::unique_ptr<PreviewController> preview_;
    std::unique_ptr<FolderTreeController> folderTree_;
    std::unique_ptr<AddressBoxController> addressBox_;
    std::unique_ptr<CheckController> check_;
    std::unique_ptr<FileOperationsController> fileOps_;
    std::unique_ptr<DialogsController> dialogs_;
    std::unique_ptr<NavigationController> navigation_;

    // Settings
    std::string startArgument_;
    std::string settingsFolder_;
    std::string settingsFileName_;
    std::unique_ptr<TKvMemIniFile> AppIni;
    std::unique_ptr<TKvColumnInfos> KvColumnInfosSl;

    TKvFindDialog* FindDialog1 = nullptr;
    QTimer* ActionUpdateTimer = nullptr;
    // Lets a key-up run a command only after its key-down in the same control.
    TKvKeyUpGate KeyUpGate;
    // Modifiers of the list key being handled, or none: Shift+Delete is read
    // from the key itself as well as from the keyboard.
    Qt::KeyboardModifiers listKeyModifiers_;
    bool FirstActivationDone = false;
    bool closed_ = false;
};

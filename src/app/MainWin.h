// The main window: layout, menus, toolbars, actions and its life from
// creation to close. Its handlers are split by concern over several files:
// MainWin.cpp (layout), MainWinActions.cpp (the action table),
// MainWinLifecycle.cpp (creation, activation, hand-over, close),
// MainWinListView.cpp and MainWinListInput.cpp (the file list),
// MainWinNavigation.cpp and MainWinFolderTree.cpp (folders, tree, address
// box), MainWinCheck.cpp (checking), MainWinFileOps.cpp (copy, move, delete,
// open), MainWinPreview.cpp (the image preview), MainWinDialogs.cpp (the
// options dialog and the history editor).
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
class QFileSystemModel;
class QIcon;
class QImage;
class QLabel;
class QMenu;
class QModelIndex;
class QSplitter;
class QKeyEvent;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class TKvAboutAction;
class TKvColumnInfos;
class TKvExitAction;
class TKvFileInfos;
class TKvImageView;
class TKvListView;
class TKvMemIniFile;
class TKvOpenAppFolderAction;
class TKvPreviewLoader;
class TKvRecentControl;
class TKvRecentItem;
class TKvThreadJpegChecker;
class TKvViewHelpHtmlAction;

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

    using WindowParts::PanelText;
    using WindowParts::SetPanelText;

    QComboBox* AddressBox() const { return CBRecent; }
    const std::vector<std::string>& FolderHistoryItems() const;
    std::string SettingsFilePath() const;
    std::string FolderListPath() const;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

public:
    // --- File list view (MainWinListView.cpp, MainWinListInput.cpp) ------
    // Cell text of a row for the column with collection index column.
    QString LVFilesData(int row, int column) const;
    // The selection and focus of the list, by full file name, into and out
    // of a history entry. RestoreSelection empties the entry's selected
    // names: a stored selection is restored once.
    void SaveSelection(TKvRecentItem& item) const;
    void RestoreSelection(TKvRecentItem& item);
    // Row of the entry with this full file name (exact bytes), or -1.
    int FindFileIndex(const std::string& fullFileName) const;
    void RepaintVisibleRows();
    void UpdateStatusBar();
    // Enabled, checked and bound states of the actions (before idle).
    void ActionList1Update();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void LVFilesColumnClick(int viewColumn);
    // File list view (MainWinListView.cpp)
    void SetupFileListView();
    void LVFilesKeyDown(QKeyEvent* e);
    void LVFilesKeyUp(QKeyEvent* e);
    // First row at or after startIndex whose name as shown (DisplayPath)
    // begins with text (ASCII letters compared without case), wrapping to
    // the top with wrap; -1.
    int LVFilesDataFind(const QString& text, int startIndex, bool wrap) const;
    // Icon of a cell: the type's icon in the name column, else none.
    QIcon LVFilesIcon(int row, int column) const;
    void LVFilesClick();
    void LVFilesDblClick();
    void LVFilesContextPopup();
    // Any change of rows, selection or focus.
    void LVFilesChange();
    void LVFilesMouseMove();
    void SearchFindActExecute();
    void SearchFindNextActExecute();
    void FindDialog1Find();
    void SelectAllActExecute();
    void SelectChangeActExecute();
    void ActionUpdateTimerTimer();
    // Runs the enabling rules, then triggers action when it is enabled.
    void ExecuteAction(QAction* action);
    class TKvFindDialog* FindDialog1 = nullptr;
    class QTimer* ActionUpdateTimer = nullptr;

    // Navigation (MainWinNavigation.cpp, MainWinFolderTree.cpp)
    void SetupNavigation();
    void SetupFolderTree();
    void ListingProgressTick();
    void KvFileInfos1Terminate(QObject* sender);
    void STVChange(const QModelIndex& current);
    void STVKeyUp(QKeyEvent* e);
    void STVDeleteFolder();
    void CBRecentSelect(int index);
    void CBRecentKeyUp(QKeyEvent* e);
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
    void FileDropTargetFileDrop(const std::string& path);
    void KvRecentControl1AddJudge(QObject* sender, const TKvRecentItem* now, const TKvRecentItem& add, bool& accept);
    void KvRecentControl1MenuItemCaptionSetEvent(QObject* sender, const TKvRecentItem& item, QString& caption);
    void KvRecentControl1MenuItemClick(QObject* sender, TKvRecentItem* previous, TKvRecentItem* now);

    // Dialogs (MainWinDialogs.cpp): the options and the history editor.
    void SetupDialogs();
    void OptionDetailActExecute(QAction* sender);
    void ColumnsEditActExecute();
    void ActRecentEditExecute();

    // Check (MainWinCheck.cpp)
    void SetupCheck();
    void StopActExecute();
    void JpegErrorCheckAllActExecute();
    void SelectErrorsActSlExecute();
    void CheckProgressTimerTimer();
    void KvThreadJpegChecker1Terminate(QObject* sender);

    // File operations (MainWinFileOps.cpp)
    void SetupFileOperations();
    void CopyFileActExecute();
    void MoveFileActExecute();
    void DeleteFileActExecute();
    void OpenShellActExecute();
    void OpenExplorerActExecute();
    void OpenFolderActExecute();
    void NameCopyActExecute();
    // Modifiers of the list key being handled, or none: Shift+Delete is read
    // from the key itself as well as from the keyboard.
    Qt::KeyboardModifiers listKeyModifiers_;

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

    void FormCreate();
    void CreateControllers();
    void FormClose();
    void FormResize();
    void CreateMenus();
    void CreateToolBars();
    void CreateCentralArea();
    void CreateStatusBar();
    std::string StartPath() const;

    // The concerns' controllers.
    std::unique_ptr<FileListController> fileList_;
    std::unique_ptr<PreviewController> preview_;
    std::unique_ptr<FolderTreeController> folderTree_;
    std::unique_ptr<AddressBoxController> addressBox_;
    std::unique_ptr<CheckController> check_;
    std::unique_ptr<FileOperationsController> fileOps_;
    std::unique_ptr<DialogsController> dialogs_;
    std::unique_ptr<NavigationController> navigation_;

    // Settings and history
    std::string startArgument_;
    std::string settingsFolder_;
    std::string settingsFileName_;
    std::unique_ptr<TKvMemIniFile> AppIni;
    std::unique_ptr<TKvColumnInfos> KvColumnInfosSl;
    // Lets a key-up run a command only after its key-down in the same control.
    TKvKeyUpGate KeyUpGate;
    bool FirstActivationDone = false;
    bool closed_ = false;


public:
    TScanlarkOptions* Options() const { return AppOptions.get(); }
    TKvFileInfos* FileInfos() const { return KvFileInfos1; }
};

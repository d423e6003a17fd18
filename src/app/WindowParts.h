// The main window's parts by the names the window gives them: its settings,
// components, controls, timers and actions. TFormScanlark derives from this
// struct (as a form class that Qt Designer makes would) and fills it in while
// it lays itself out; each concern's controller is handed the parts and uses
// those its header names. The window owns every object pointed to; all of
// them are used on the main thread only.
#pragma once

#include "app/BusyCursor.h"
#include "options/OptionsSl.h"

#include <memory>
#include <vector>

class QAction;
class QComboBox;
class TKvFolderTreeModel;
class QLabel;
class QMainWindow;
class QMenu;
class QSplitter;
class QString;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class TKvAboutAction;
class TKvExitAction;
class TKvFileInfos;
class TKvImageView;
class TKvListView;
class TKvOpenAppFolderAction;
class TKvRecentControl;
class TKvThreadJpegChecker;
class TKvViewHelpHtmlAction;

struct WindowParts {
    QMainWindow* Window = nullptr;
    std::unique_ptr<TScanlarkOptions> AppOptions;

    // Components
    TKvFileInfos* KvFileInfos1 = nullptr;
    TKvThreadJpegChecker* KvThreadJpegChecker1 = nullptr;
    TKvRecentControl* KvRecentControl1 = nullptr;

    // Controls
    QToolBar* TB1 = nullptr;
    QToolBar* TB2 = nullptr;
    QComboBox* CBRecent = nullptr;
    QToolButton* TBtnGo = nullptr;
    QToolButton* TBtnRefresh = nullptr;
    QToolButton* TBtnRun = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QTreeView* STV = nullptr;
    TKvFolderTreeModel* STVModel = nullptr;
    TKvListView* LVFiles = nullptr;
    TKvImageView* ImgView32 = nullptr;
    std::vector<QLabel*> SB;
    QMenu* PMBack = nullptr;
    QMenu* PMForward = nullptr;
    QMenu* PMRefresh = nullptr;
    QMenu* PMLVFilesSl = nullptr;
    QMenu* PMImgView = nullptr;

    // Timers: the status bar follows a running listing and a running check.
    QTimer* ListingProgressTimer = nullptr;
    QTimer* CheckProgressTimer = nullptr;

    // Shown from the start of a listing or a check to its end.
    BusyCursor WorkCursor;

    // The actions, made from the table kActions (ActionTable.cpp). Tests
    // find them by object name.
    QAction* SelectFolderAct = nullptr;
    QAction* OpenShellAct = nullptr;
    QAction* OpenExplorerAct = nullptr;
    QAction* OpenFolderAct = nullptr;
    QAction* DeleteFileAct = nullptr;
    QAction* NameCopyAct = nullptr;
    QAction* SearchFindAct = nullptr;
    QAction* SearchFindNextAct = nullptr;
    QAction* CopyFileAct = nullptr;
    QAction* MoveFileAct = nullptr;
    QAction* KeepFoldersAct = nullptr;
    QAction* UndoSetAsideAct = nullptr;
    QAction* SelectAllAct = nullptr;
    QAction* SelectChangeAct = nullptr;
    QAction* SelectErrorsActSl = nullptr;
    QAction* StopAct = nullptr;
    QAction* ColumnsEditAct = nullptr;
    QAction* RefreshAct = nullptr;
    QAction* RefreshAllAct = nullptr;
    QAction* RefreshFoldersAct = nullptr;
    QAction* RefreshFilesAct = nullptr;
    QAction* SubFolderSearchAct = nullptr;
    QAction* HiddenFileViewAct = nullptr;
    QAction* FolderBarVisibleAct = nullptr;
    QAction* DoNowAct = nullptr;
    QAction* MoveAct = nullptr;
    QAction* BackAct = nullptr;
    QAction* ForwardAct = nullptr;
    QAction* UpFolderAct = nullptr;
    QAction* MoveThisFolderAct = nullptr;
    QAction* GoAct = nullptr;
    QAction* FocusAddressAct = nullptr;
    QAction* ActRecentEdit = nullptr;
    QAction* OptionDetailAct = nullptr;
    QAction* JpegErrorCheckAllAct = nullptr;
    QAction* DeepCheckAct = nullptr;
    QAction* IVNoneAct = nullptr;
    QAction* IVScaleNormalAct = nullptr;
    QAction* IVAutoScaleLongAct = nullptr;
    QAction* ImgLoadAct = nullptr;
    QAction* ImgCloseAct = nullptr;
    QAction* ImgCopyAct = nullptr;
    QAction* ImgNameCopyAct = nullptr;
    QAction* ActPreMakeList = nullptr;
    TKvViewHelpHtmlAction* KvViewHelpHtmlActionSl = nullptr;
    TKvAboutAction* KvAboutActionSl = nullptr;
    TKvOpenAppFolderAction* KvOpenAppFolderAction1 = nullptr;
    TKvExitAction* KvExitAction1 = nullptr;

    // Status bar panel texts (panels 0..4).
    void SetPanelText(int panel, const QString& text) const;
    QString PanelText(int panel) const;
    // The caption names the current folder.
    void UpdateCaption() const;
};

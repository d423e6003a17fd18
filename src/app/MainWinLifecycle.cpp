// The main window's life: creation, activation, the copy-data hand-over,
// the caption, resizing and closing.
#include "app/ActionIcons.h"
#include "app/ActionTable.h"
#include "app/AddressBoxController.h"
#include "app/CheckController.h"
#include "app/ConstsSl.h"
#include "app/DialogsController.h"
#include "app/FileListController.h"
#include "app/FileOperationsController.h"
#include "app/FolderTreeController.h"
#include "app/KvSingleInstance.h"
#include "app/MainWin.h"
#include "app/NavigationController.h"
#include "app/PreviewController.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvActns.h"
#include "components/KvColumnFit.h"
#include "components/KvFolderTreeModel.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkColumns.h"
#include "inspection/KvJpegChecker.h"
#include "platform/DisplayPath.h"
#include "platform/KvMemIniFile.h"
#include "platform/KvSafeFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>

TFormScanlark::TFormScanlark(const std::string& startArgument, const std::string& settingsFolder,
                             const std::string& settingsFileName, QWidget* parent)
    : QMainWindow(parent), startArgument_(startArgument), settingsFolder_(settingsFolder),
      settingsFileName_(settingsFileName)
{
    FormCreate();
}

TFormScanlark::~TFormScanlark()
{
    FormClose();
    // Whatever ran after the close (nothing should) ends here, before the
    // controls its end events would touch are gone.
    KvFileInfos1->SetOnTerminate(nullptr);
    KvThreadJpegChecker1->OnTerminate = nullptr;
    try {
        StopActExecute();
    } catch (...) {
    }
}

std::string TFormScanlark::SettingsFilePath() const
{
    return settingsFolder_ + settingsFileName_;
}

std::string TFormScanlark::FolderListPath() const
{
    return settingsFolder_ + "folder.txt";
}

const std::vector<std::string>& TFormScanlark::FolderHistoryItems() const
{
    return addressBox_->History();
}

void TFormScanlark::FormCreate()
{
    setObjectName(QStringLiteral("TFormScanlark"));
    Window = this;
    resize(600 + 200, 400 + 150);
    CreateComponents();
    CreateWindowActions(this, *this);
    CreateMenus();
    CreatePopupMenus();
    CreateToolBars();
    CreateCentralArea();
    CreateStatusBar();
    CreateControllers();

    // The folder tree does not navigate while it is being set up.
    STV->blockSignals(true);
    CreateOptions();

    KvAboutActionSl->ApplicationName = ProductTitle;
    KvAboutActionSl->ApplicationVer = ProductVersion;
    setWindowTitle(ProductTitle);
    // No application display name: the platform would append it to the title of every dialog.
    // The program's icon is the check command's: a page with a tick.
    QApplication::setWindowIcon(ActionIcon(20));
    CreateHistoryControl();

    SetupFileListView();
    SetupActionRules();
    SetupNavigation();
    SetupFolderTree();
    SetupInput();
    SetupCheck();
    SetupFileOperations();
    SetupPreview();
    SetupDialogs();

    addressBox_->LoadHistory();

    // The tree starts at the desktop folder, which is also the start folder
    // when no argument is given.
    const QModelIndex desktop = STVModel->FolderIndex(StartPath());
    if (desktop.isValid()) {
        const QSignalBlocker noNavigation(STV->selectionModel());
        STV->setCurrentIndex(desktop);
        STV->scrollTo(desktop);
    }
    STV->blockSignals(false);
}

void TFormScanlark::CreateComponents()
{
    KvFileInfos1 = new TKvFileInfos(this);
    KvFileInfos1->setObjectName(QStringLiteral("KvFileInfos1"));
    // Only the JPEG extensions are listed.
    std::vector<std::string> extensions;
    for (const QString& extension : GraphicExtList(QStringLiteral("image/jpeg")).split(u',', Qt::SkipEmptyParts))
        extensions.push_back(extension.toStdString());
    KvFileInfos1->SetExtList(extensions);
    KvThreadJpegChecker1 = new TKvThreadJpegChecker(this);
    KvThreadJpegChecker1->setObjectName(QStringLiteral("KvThreadJpegChecker1"));
    KvThreadJpegChecker1->FileInfos = KvFileInfos1;
}

void TFormScanlark::CreateOptions()
{
    // A save killed half-way leaves its temporary file; nothing reads it.
    RemoveStaleTemporaryFiles(SettingsFilePath());
    RemoveStaleTemporaryFiles(FolderListPath());
    AppIni = std::make_unique<TKvMemIniFile>(SettingsFilePath());
    if (AppIni->Unreadable())
        std::fprintf(stderr, "scanlark: the settings are not read and will not be saved: %s\n",
                     AppIni->UnreadableReason().c_str());
    TScanlarkOptionTargets targets;
    targets.Ini = AppIni.get();
    targets.CommonSendPath = &fileOps_->CommonSendPath;
    targets.Window = this;
    targets.FolderTree = STV;
    targets.FolderSplitter = Splitter1;
    targets.DoNowAct = DoNowAct;
    targets.DeepCheckAct = DeepCheckAct;
    targets.KeepFoldersAct = KeepFoldersAct;
    targets.FolderBarVisibleAct = FolderBarVisibleAct;
    targets.SubFolderSearchAct = SubFolderSearchAct;
    targets.HiddenFileViewAct = HiddenFileViewAct;
    targets.IVNoneAct = IVNoneAct;
    targets.IVScaleNormalAct = IVScaleNormalAct;
    targets.IVAutoScaleLongAct = IVAutoScaleLongAct;
    targets.FileInfos = KvFileInfos1;
    KvColumnInfosSl = std::make_unique<TKvColumnInfos>();
    FillScanlarkColumns(*KvColumnInfosSl);
    FitDefaultColumnWidths(*KvColumnInfosSl, *LVFiles);
    targets.Columns = KvColumnInfosSl.get();
    targets.LVFiles = LVFiles;
    AppOptions = std::make_unique<TScanlarkOptions>(targets);

    LVFiles->ColumnInfos = KvColumnInfosSl.get();
    LVFiles->SetGridLines(true);
}

void TFormScanlark::CreateHistoryControl()
{
    KvRecentControl1 = new TKvRecentControl(this);
    KvRecentControl1->setObjectName(QStringLiteral("KvRecentControl1"));
    KvRecentControl1->SetActionBack(BackAct);
    KvRecentControl1->SetActionForward(ForwardAct);
    KvRecentControl1->SetPopupMenuBack(PMBack);
    KvRecentControl1->SetPopupMenuForward(PMForward);
    KvRecentControl1->SConnective = QCoreApplication::translate("MainWindow", " に");
}

void TFormScanlark::CreateControllers()
{
    WindowParts& parts = *this;
    fileList_ = std::make_unique<FileListController>(parts);
    preview_ = std::make_unique<PreviewController>(parts, *fileList_);
    folderTree_ = std::make_unique<FolderTreeController>(parts);
    addressBox_ = std::make_unique<AddressBoxController>(parts, FolderListPath());
    check_ = std::make_unique<CheckController>(parts, *fileList_, *addressBox_, *preview_);
    fileOps_ = std::make_unique<FileOperationsController>(parts, *fileList_);
    dialogs_ = std::make_unique<DialogsController>(parts, *fileList_, *addressBox_);
    navigation_ = std::make_unique<NavigationController>(parts, *fileList_, *folderTree_, *addressBox_, *check_,
                                                         *preview_, [this](QAction* action) { ExecuteAction(action); });
}

std::string TFormScanlark::StartPath() const
{
    if (STV && STV->currentIndex().isValid())
        return STVModel->FolderPath(STV->currentIndex());
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QDir(desktop).exists())
        desktop = QDir::homePath();
    return FromQtFileName(desktop);
}

void TFormScanlark::FormActivate()
{
    if (!FirstActivationDone) {
        FirstActivationDone = true;
        AppOptions->LoadOptions();
        BindRefreshButton(*this);
        const std::string start = startArgument_.empty() ? StartPath() : startArgument_;
        // The same hand-over a second start makes, delivered in-process.
        WMCopyData(kCopyDataOpenPath, start);
    }
    // The list's built-in reaction to an arrow key (its key handlers ignore it).
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(LVFiles, &press);
    QApplication::sendEvent(LVFiles, &release);
    UpdateCaption();
}

void TFormScanlark::WMCopyData(uint32_t tag, const std::string& path)
{
    // A closed window has saved its settings: it opens nothing more.
    if (tag != 1 || closed_)
        return;
    navigation_->OpenFolder(path);
}

bool TFormScanlark::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowActivate:
        FormActivate();
        break;
    case QEvent::StatusTip:
        // The long part of a hint goes to the first panel.
        SetPanelText(0, static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    default:
        break;
    }
    return QMainWindow::event(e);
}

void TFormScanlark::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    // A window manager that never activates the window must not keep the
    // settings unloaded and the start folder unopened.
    QTimer::singleShot(0, this, [this] {
        if (!FirstActivationDone)
            FormActivate();
    });
}

void TFormScanlark::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TFormScanlark::FormResize()
{
    // The address box fills the lower toolbar beside the Go button.
    if (TB2 && TBtnGo)
        CBRecent->setMinimumWidth(std::max(60, TB2->width() - TBtnGo->width() - 16));
}

void TFormScanlark::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept();
}

void TFormScanlark::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    // Closing goes on whatever fails here.
    try {
        StopActExecute();
        LVFiles->SetRowCount(0);
        addressBox_->SaveHistory();
        if (FirstActivationDone)
            AppOptions->SaveOptions();
    } catch (...) {
    }
}

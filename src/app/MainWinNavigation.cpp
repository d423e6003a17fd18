// Folder navigation: opening, reloading and showing history folders, the
// end of a listing, the folder tree, the address box and its keys, drops,
// back/forward/up and the refresh commands.
#include "ConstsSl.h"
#include "KvFileInfoCompare.h"
#include "KvFileInfos.h"
#include "KvJpegChecker.h"
#include "KvListView.h"
#include "KvRecentControl.h"
#include "KvShell.h"
#include "KvUtils.h"
#include "MainWin.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>

#include <sys/stat.h>

namespace {

QString display(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string withSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

bool isFolder(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool samePath(const std::string& a, const std::string& b)
{
    return QString::compare(display(a), display(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

void TFormScanlark::SetupNavigation()
{
    KvFileInfos1->SetOnTerminate([this](QObject* sender) { KvFileInfos1Terminate(sender); });

    KvRecentControl1->OnAddJudge = [](QObject*, const TKvRecentItem* now, const TKvRecentItem& add, bool& accept) {
        if (now && samePath(now->Path, add.Path))
            accept = false;
    };
    KvRecentControl1->OnMenuItemCaptionSetEvent = [](QObject*, const TKvRecentItem& item, QString& caption) {
        const std::string folder = DeleteLastChar(item.Path);
        if (folder.empty()) {
            caption = QStringLiteral("<無効なフォルダ>");
            return;
        }
        const std::string last = folder.substr(folder.rfind('/') + 1);
        caption = display(last.empty() ? folder : last);
    };
    KvRecentControl1->OnMenuItemClick = [this](QObject*, TKvRecentItem* previous, TKvRecentItem* now) {
        if (previous)
            SaveSelection(*previous);
        if (now)
            ShowHistoryFolder(now->Path);
    };

    const auto folderOf = [](const std::string& path) { return path.substr(0, path.rfind('/') + 1); };
    connect(GoAct, &QAction::triggered, this, [this] { OpenFolder(QFile::encodeName(CBRecent->currentText()).toStdString()); });
    connect(BackAct, &QAction::triggered, this, [this] { KvRecentControl1->GoBack(); });
    connect(ForwardAct, &QAction::triggered, this, [this] { KvRecentControl1->GoForward(); });
    connect(UpFolderAct, &QAction::triggered, this, [this, folderOf] {
        const TKvRecentItem* now = KvRecentControl1->NowItem();
        if (!now || now->Path.size() <= 1)
            return;  // nothing above "/"
        OpenFolder(folderOf(DeleteLastChar(withSlash(now->Path))));
    });
    connect(MoveThisFolderAct, &QAction::triggered, this, [this] {
        const int row = LVFiles->currentRow();
        if (row >= 0 && row < KvFileInfos1->FileInfoList().Count())
            OpenFolder(KvFileInfos1->FileInfoList().FileInfos(row)->FullFileName());
    });
    connect(SelectFolderAct, &QAction::triggered, this, [this] {
        std::string start;
        const int row = LVFiles->currentRow();
        if (row >= 0 && row < KvFileInfos1->FileInfoList().Count())
            start = KvFileInfos1->FileInfoList().FileInfos(row)->Path;
        else if (const TKvRecentItem* now = KvRecentControl1->NowItem())
            start = now->Path;
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("フォルダを選択"), display(start));
        if (!chosen.isEmpty())
            OpenFolder(QFile::encodeName(chosen).toStdString());
    });

    // Refresh: each command remembers its kind for the toolbar button.
    const auto setMode = [this](QAction* action) {
        const int tag = action->data().toInt();
        if (tag >= 0 && tag <= 2)
            AppOptions->RefreshMode = static_cast<uint8_t>(tag);
        BindRefreshButton();
    };
    const auto refreshFolders = [this] {
        if (!STV->isHidden()) {
            // The tree's model follows the file system by itself; show the
            // selected node again.
            STV->scrollTo(STV->currentIndex());
        }
    };
    connect(RefreshAllAct, &QAction::triggered, this, [=, this] {
        setMode(RefreshAllAct);
        refreshFolders();
        RefreshFilesKeepingMode();
    });
    connect(RefreshFoldersAct, &QAction::triggered, this, [=, this] {
        setMode(RefreshFoldersAct);
        refreshFolders();
    });
    connect(RefreshFilesAct, &QAction::triggered, this, [=, this] {
        setMode(RefreshFilesAct);
        RefreshFilesKeepingMode();
    });
    connect(FolderBarVisibleAct, &QAction::toggled, this, [this](bool on) {
        if (on && KvRecentControl1->NowItem())
            SyncFolderTree(KvRecentControl1->NowItem()->Path);
    });
    connect(ActPreMakeList, &QAction::triggered, this, [this] {
        if (!busyCursor_) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
            busyCursor_ = true;
        }
        KvThreadJpegChecker1->ErrorCount = -1;
    });

    // The tree's model fills folders in the background; every folder that
    // fills in on the way moves the selected one. The tree keeps it in view
    // until the person handles the tree.
    const auto follow = [this] {
        if (treeFollows_ && !STV->isHidden() && STV->currentIndex().isValid())
            STV->scrollTo(STV->currentIndex());
    };
    connect(STVModel, &QFileSystemModel::directoryLoaded, this, follow);
    connect(STVModel, &QAbstractItemModel::rowsInserted, this, follow, Qt::QueuedConnection);
    connect(STVModel, &QAbstractItemModel::layoutChanged, this, follow, Qt::QueuedConnection);
    connect(STV->verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { treeFollows_ = false; });
    connect(STV->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            OpenFolder(QFile::encodeName(STVModel->filePath(current)).toStdString());
    });
    connect(CBRecent, &QComboBox::activated, this,
            [this] { OpenFolder(QFile::encodeName(CBRecent->currentText()).toStdString()); });

    for (QObject* watched : {static_cast<QObject*>(LVFiles), static_cast<QObject*>(STV),
                             static_cast<QObject*>(CBRecent->lineEdit()), static_cast<QObject*>(LVFiles->viewport()),
                             static_cast<QObject*>(STV->viewport())})
        watched->installEventFilter(this);
    LVFiles->viewport()->setAcceptDrops(true);
    STV->viewport()->setAcceptDrops(true);

    for (QAction* working : {GoAct, BackAct, ForwardAct, UpFolderAct, MoveThisFolderAct, SelectFolderAct, RefreshAllAct,
                             RefreshFoldersAct, RefreshFilesAct, ActPreMakeList}) {
        std::erase(pendingActions_, working);
        working->setEnabled(true);  // the update rules take over
    }
}

bool TFormScanlark::eventFilter(QObject* watched, QEvent* e)
{
    const bool inList = watched == LVFiles;
    const bool inTree = watched == STV;
    const bool inAddress = CBRecent && watched == CBRecent->lineEdit();
    if ((inTree || watched == STV->viewport()) &&
        (e->type() == QEvent::KeyPress || e->type() == QEvent::MouseButtonPress || e->type() == QEvent::Wheel))
        treeFollows_ = false;
    if ((inList || inTree || inAddress) && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (e->type() == QEvent::KeyPress) {
            if (inList)
                LVFilesKeyDown(key);
            else
                KeyDownSeen = true;
        } else if (!key->isAutoRepeat()) {
            if (inList)
                LVFilesKeyUp(key);
            else if (inTree)
                STVKeyUp(key);
            else
                CBRecentKeyUp(key);
        }
        return false;
    }
    if (watched == LVFiles->viewport() || watched == STV->viewport()) {
        if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(e);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (e->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(e);
            const QList<QUrl> urls = drop->mimeData()->urls();
            if (!urls.isEmpty() && urls.front().isLocalFile()) {
                drop->acceptProposedAction();
                // Only the first dropped name counts.
                OpenFolder(QFile::encodeName(urls.front().toLocalFile()).toStdString());
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TFormScanlark::STVKeyUp(QKeyEvent* e)
{
    if (!KeyDownSeen)
        return;
    KeyDownSeen = false;
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Stop:
        ExecuteAction(StopAct);
        break;
    case Qt::Key_Delete: {
        const QModelIndex selected = STV->currentIndex();
        if (!selected.isValid())
            break;
        const std::string path = QFile::encodeName(STVModel->filePath(selected)).toStdString();
        DeleteToRecycleBin(this, path);  // the model drops the node once the folder is gone
        break;
    }
    case Qt::Key_F5:
    case Qt::Key_Refresh:
        STV->scrollTo(STV->currentIndex());
        break;
    default:
        break;
    }
}

void TFormScanlark::CBRecentKeyUp(QKeyEvent* e)
{
    if (!KeyDownSeen)
        return;
    KeyDownSeen = false;
    const bool alt = e->modifiers() & Qt::AltModifier;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ExecuteAction(GoAct);
        break;
    case Qt::Key_Escape:
    case Qt::Key_Stop:
        ExecuteAction(StopAct);
        break;
    case Qt::Key_Left:
        if (alt)
            ExecuteAction(BackAct);
        break;
    case Qt::Key_Right:
        if (alt)
            ExecuteAction(ForwardAct);
        break;
    case Qt::Key_F5:
    case Qt::Key_Refresh:
        TBtnRefresh->click();
        break;
    default:
        break;
    }
}

void TFormScanlark::SyncFolderTree(const std::string& path)
{
    const QString folder = display(withSlash(path));
    const QModelIndex current = STV->currentIndex();
    const QString selected = current.isValid() ? STVModel->filePath(current) : QString();
    if (QString::compare(selected.endsWith(u'/') ? selected : selected + u'/', folder, Qt::CaseInsensitive) != 0) {
        // A change made here must not navigate.
        const QSignalBlocker blocker(STV->selectionModel());
        const QModelIndex target = STVModel->index(folder.size() > 1 ? folder.chopped(1) : folder);
        if (target.isValid())
            STV->setCurrentIndex(target);
    }
    STV->scrollTo(STV->currentIndex());
    treeFollows_ = true;
}

void TFormScanlark::RefreshFilesKeepingMode()
{
    const TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now)
        return;
    if (isFolder(now->Path)) {
        ReloadFolder();
        return;
    }
    QMessageBox::warning(this, QStringLiteral("注意"),
                         QStringLiteral("フォルダ\"%1\"は存在しません。").arg(display(withSlash(now->Path))));
}

void TFormScanlark::ClearFileList()
{
    try {
        StopActExecute();
    } catch (...) {
    }
    LVFiles->SetRowCount(0);
    KvFileInfos1->FileInfoList().ClearVisible();
    RepaintVisibleRows();
    UpdateStatusBar();
}

void TFormScanlark::StartListing(const std::string& folder)
{
    const std::string path = withSlash(folder);
    CBRecent->setEditText(display(path));
    if (!STV->isHidden())
        SyncFolderTree(path);
    KvFileInfos1->SetPath(path);
    ExecuteAction(ActPreMakeList);
    KvFileInfos1->FileInfoList().Refresh();
}

void TFormScanlark::ShowInvalidFolder(const std::string& path)
{
    if (TKvRecentItem* now = KvRecentControl1->NowItem()) {
        now->SelectedFileNames.clear();
        now->FocusedFileName.clear();
    }
    CBRecent->setEditText(display(path));
    SetPanelText(0, InvalidFolderText);
}

void TFormScanlark::OpenFolder(const std::string& path)
{
    TKvRecentItem leaving;
    SaveSelection(leaving);
    ClearFileList();
    auto arriving = std::make_unique<TKvRecentItem>();
    std::string folder = path;
    if (isFile(path)) {
        // A file opens its folder and is selected there once listed.
        arriving->SelectedFileNames = {path};
        arriving->FocusedFileName = path;
        folder = path.substr(0, path.rfind('/') + 1);
    }
    if (!isFolder(folder)) {
        ShowInvalidFolder(path);
        return;
    }
    folder = withSlash(folder);
    CBRecent->setEditText(display(folder));
    if (!STV->isHidden())
        SyncFolderTree(folder);
    if (TKvRecentItem* now = KvRecentControl1->NowItem()) {
        leaving.Path = now->Path;
        now->Assign(leaving);
    }
    arriving->Path = folder;
    KvRecentControl1->Add(std::move(arriving));
    UpdateCaption();
    KvFileInfos1->SetPath(folder);
    UpdateStatusBar();
    ExecuteAction(ActPreMakeList);
    KvFileInfos1->FileInfoList().Refresh();
}

void TFormScanlark::ReloadFolder()
{
    TKvRecentItem kept;
    SaveSelection(kept);
    ClearFileList();
    TKvRecentItem* now = KvRecentControl1->NowItem();
    if (!now || !isFolder(now->Path)) {
        ShowInvalidFolder(now ? now->Path : std::string());
        return;
    }
    kept.Path = now->Path;
    now->Assign(kept);
    StartListing(now->Path);
    UpdateStatusBar();
    UpdateCaption();
}

void TFormScanlark::ShowHistoryFolder(const std::string& path)
{
    ClearFileList();
    if (!isFolder(path)) {
        ShowInvalidFolder(path);
        return;
    }
    StartListing(path);
    UpdateStatusBar();
    UpdateCaption();
}

void TFormScanlark::KvFileInfos1Terminate(QObject*)
{
    TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    if (IsJpegSortMode(list.SortMode))
        list.CustomSort(&CompareFileInfosByJpeg);
    else if (!IsDiscoveryOrder(list.SortMode, list.SortDown))
        list.Sort();  // discovery order is already in place
    LVFiles->SetRowCount(list.Count());
    UpdateStatusBar();
    if (TKvRecentItem* now = KvRecentControl1->NowItem())
        RestoreSelection(*now);
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
    if (!list.Stopped() && DoNowAct->isChecked())
        TBtnRun->click();
}

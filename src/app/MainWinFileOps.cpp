// Acting on the chosen files: copy or move them to a folder, delete them,
// open them or their folder, copy the focused file's name. None of these
// refreshes the list; the person does that with F5.
#include "KvRTL/EtcLists/KvEtcLists.h"
#include "app/FileListController.h"
#include "app/KvShell.h"
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvFileOperationDialogs.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

void TFormScanlark::SetupFileOperations()
{
    connect(CopyFileAct, &QAction::triggered, this, &TFormScanlark::CopyFileActExecute);
    connect(MoveFileAct, &QAction::triggered, this, &TFormScanlark::MoveFileActExecute);
    connect(DeleteFileAct, &QAction::triggered, this, &TFormScanlark::DeleteFileActExecute);
    connect(OpenShellAct, &QAction::triggered, this, &TFormScanlark::OpenShellActExecute);
    connect(OpenExplorerAct, &QAction::triggered, this, &TFormScanlark::OpenExplorerActExecute);
    connect(OpenFolderAct, &QAction::triggered, this, &TFormScanlark::OpenFolderActExecute);
    connect(NameCopyAct, &QAction::triggered, this, &TFormScanlark::NameCopyActExecute);
}

void TFormScanlark::SendSelectedFiles(bool move)
{
    const std::vector<std::string> sources = fileList_->SelectedFullNames();
    if (sources.empty())
        return;
    const QString title = move ? QStringLiteral("移動先フォルダを選択") : QStringLiteral("コピー先フォルダを選択");
    // Before the first choice, the chooser starts in the folder on show.
    std::string start = CommonSendPath;
    if (start.empty())
        if (const TKvRecentItem* now = KvRecentControl1->NowItem())
            start = now->Path;
    const QString chosen = QFileDialog::getExistingDirectory(this, title, QtFileName(start));
    if (chosen.isEmpty())
        return;
    CommonSendPath = WithTrailingSlash(FromQtFileName(chosen));
    RunFileOperation(this, move ? TKvFileOperationKind::Move : TKvFileOperationKind::Copy, sources, CommonSendPath);
}

void TFormScanlark::CopyFileActExecute()
{
    SendSelectedFiles(false);
}

void TFormScanlark::MoveFileActExecute()
{
    SendSelectedFiles(true);
}

void TFormScanlark::DeleteFileActExecute()
{
    const bool permanently =
        (QGuiApplication::queryKeyboardModifiers() | listKeyModifiers_).testFlag(Qt::ShiftModifier);
    const std::vector<std::string> names = fileList_->SelectedFullNames();
    if (names.empty() || !ConfirmDelete(this, names, !permanently))
        return;
    RunFileOperation(this, permanently ? TKvFileOperationKind::Delete : TKvFileOperationKind::Trash, names);
}

void TFormScanlark::OpenShellActExecute()
{
    for (const std::string& name : fileList_->SelectedFullNames())
        if (KindOfPath(name) != PathKind::Missing)
            ShellOpenFile(name);
}

void TFormScanlark::OpenExplorerActExecute()
{
    // One window per file, also for files that share a folder.
    for (const std::string& name : fileList_->SelectedFullNames())
        if (IsFolder(FolderOfPath(name)))
            ExploreFolder(name);
}

void TFormScanlark::OpenFolderActExecute()
{
    const std::vector<std::string> names = fileList_->SelectedFullNames();
    if (names.empty()) {
        const TKvRecentItem* now = KvRecentControl1->NowItem();
        if (now && !now->Path.empty() && IsFolder(now->Path))
            ShellOpenFolder(now->Path);
        return;
    }
    for (const std::string& name : names) {
        const std::string folder = FolderOfPath(name);
        if (IsFolder(folder))
            ShellOpenFolder(folder);
    }
}

void TFormScanlark::NameCopyActExecute()
{
    const int row = LVFiles->currentRow();
    if (row < 0 || row >= KvFileInfos1->FileInfoList().Count())
        return;
    const std::string name = KvFileInfos1->FileInfoList().FileInfos(row)->FullFileName();
    auto* clip = new QMimeData;
    // As a URL too, so that a file manager pastes the file itself.
    const QUrl url = FileUrlOfPath(name);
    clip->setUrls({url});
    clip->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    clip->setText(DisplayPath(name));
    QGuiApplication::clipboard()->setMimeData(clip);
}

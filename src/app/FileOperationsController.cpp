#include "app/FileOperationsController.h"

#include "app/FileListController.h"
#include "app/KvShell.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfo.h"
#include "components/KvFileOperationDialogs.h"
#include "components/KvRecentControl.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMimeData>

FileOperationsController::FileOperationsController(WindowParts& parts, const FileListController& list)
    : parts_(parts), list_(list)
{
}

void FileOperationsController::SendSelectedFiles(bool move)
{
    const std::vector<std::string> sources = list_.SelectedFullNames();
    if (sources.empty())
        return;
    const QString title = move ? QCoreApplication::translate("MainWindow", "移動先フォルダを選択")
                               : QCoreApplication::translate("MainWindow", "コピー先フォルダを選択");
    // Before the first choice, the chooser starts in the folder on show.
    std::string start = CommonSendPath;
    if (start.empty())
        if (const TKvRecentItem* now = parts_.KvRecentControl1->NowItem())
            start = now->Path;
    const QString chosen = QFileDialog::getExistingDirectory(parts_.Window, title, QtFileName(start));
    if (chosen.isEmpty())
        return;
    CommonSendPath = WithTrailingSlash(FromQtFileName(chosen));
    RunFileOperation(parts_.Window, move ? TKvFileOperationKind::Move : TKvFileOperationKind::Copy, sources,
                     CommonSendPath);
}

void FileOperationsController::DeleteSelectedFiles(Qt::KeyboardModifiers keyModifiers)
{
    const bool permanently = (QGuiApplication::queryKeyboardModifiers() | keyModifiers).testFlag(Qt::ShiftModifier);
    const std::vector<std::string> names = list_.SelectedFullNames();
    if (names.empty() || !ConfirmDelete(parts_.Window, names, !permanently))
        return;
    RunFileOperation(parts_.Window, permanently ? TKvFileOperationKind::Delete : TKvFileOperationKind::Trash, names);
}

void FileOperationsController::OpenSelectedFiles() const
{
    for (const std::string& name : list_.SelectedFullNames())
        if (KindOfPath(name) != PathKind::Missing)
            ShellOpenFile(name);
}

void FileOperationsController::ShowSelectedFiles() const
{
    // One window per file, also for files that share a folder.
    for (const std::string& name : list_.SelectedFullNames())
        if (IsFolder(FolderOfPath(name)))
            ExploreFolder(name);
}

void FileOperationsController::OpenSelectedFolders() const
{
    const std::vector<std::string> names = list_.SelectedFullNames();
    if (names.empty()) {
        const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
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

void FileOperationsController::CopyFocusedFileName() const
{
    const TKvFileInfo* focused = list_.FocusedEntry();
    if (!focused)
        return;
    const std::string name = focused->FullFileName();
    auto* clip = new QMimeData;
    // As a URL too, so that a file manager pastes the file itself.
    const QUrl url = FileUrlOfPath(name);
    clip->setUrls({url});
    clip->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    clip->setText(DisplayPath(name));
    QGuiApplication::clipboard()->setMimeData(clip);
}

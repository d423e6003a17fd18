#include "app/FileOperationsController.h"

#include "app/ActionTable.h"
#include "app/FileListController.h"
#include "app/KvShell.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfo.h"
#include "components/KvFileOperationDialogs.h"
#include "components/KvFolderChooser.h"
#include "components/KvRecentControl.h"
#include "decode/DeepInfo.h"
#include "paths/BytePath.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"
#include "platform/KvSafeFile.h"
#include "catalogue/KvSetAside.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMimeData>

#include <ctime>

namespace {

// The verdicts of an entry as a record of a run names them, the words of
// scanlark-check's output; empty when there is none.
std::string WalkVerdictWord(const TKvJpegInfo* walk)
{
    static constexpr const char* kWords[] = {"sound",     "sound_appended", "damaged", "unknown_error",
                                             "not_found", "cannot_open",    "empty",   "not_jpeg"};
    return walk && walk->Verdict >= 0 && walk->Verdict <= 7 ? kWords[walk->Verdict] : "";
}

std::string DeepVerdictWord(const DeepInfo* deep)
{
    if (!deep)
        return {};
    return deep->Verdict == DeepVerdict::NotDecoded ? "not-decoded" : std::string(DeepVerdictText(deep->Verdict));
}

// Records are small; one that does not fit this is not ours.
constexpr size_t kLargestRecord = size_t{256} << 20;

}  // namespace

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
    // Before the first choice, and when the folder chosen last is gone, the
    // chooser starts in the folder on show.
    std::string start = CommonSendPath;
    if (start.empty() || !IsFolder(start))
        if (const TKvRecentItem* now = parts_.KvRecentControl1->NowItem())
            start = now->Path;
    const std::optional<std::string> chosen = ChooseFolder(parts_.Window, title, start);
    if (!chosen)
        return;
    CommonSendPath = WithTrailingSlash(*chosen);
    if (parts_.KeepFoldersAct->isChecked()) {
        SetSelectedFilesAside(move, CommonSendPath);
        return;
    }
    RunFileOperation(parts_.Window, move ? TKvFileOperationKind::Move : TKvFileOperationKind::Copy, sources,
                     CommonSendPath);
}

void FileOperationsController::SetSelectedFilesAside(bool move, const std::string& destination)
{
    const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
    const std::string listed = now ? WithTrailingSlash(now->Path) : std::string();
    std::vector<TKvSetAsideFile> files;
    for (const TKvFileInfo* entry : list_.SelectedEntries()) {
        const TKvJpegInfoReadLock lock;  // a check may be replacing the records
        files.push_back({entry->FullFileName(), WalkVerdictWord(entry->JpegInfo()), DeepVerdictWord(entry->DeepCheckInfo())});
    }
    TKvSetAsideResult result;
    const std::time_t when = std::time(nullptr);
    RunFileOperationWork(parts_.Window, move ? TKvFileOperationKind::Move : TKvFileOperationKind::Copy, files.size(),
                         [&](const TKvFileOperationCallbacks& callbacks) {
                             result = SetAsideFiles(files, listed, destination, move, callbacks, when);
                             return result.Transfer;
                         });
    // A copy takes nothing away: only a move is undone.
    if (move && !result.RecordPath.empty())
        undoRecord_ = result.RecordPath;
}

void FileOperationsController::UndoSetAside()
{
    if (undoRecord_.empty())
        return;
    std::string text;
    const auto records = ReadFileContents(undoRecord_, text, kLargestRecord) ? ParseSetAsideRecord(text) : std::nullopt;
    const std::string record = undoRecord_;
    RunFileOperationWork(parts_.Window, TKvFileOperationKind::Move, records ? records->size() : 0,
                         [&record](const TKvFileOperationCallbacks& callbacks) { return ::UndoSetAside(record, callbacks); });
    // Nothing is left to undo once the record is gone (all went back) or
    // cannot be read any more.
    std::string left;
    if (!ReadFileContents(undoRecord_, left, kLargestRecord) || !ParseSetAsideRecord(left))
        undoRecord_.clear();
}

void FileOperationsController::ReportFacts(ActionFacts& facts) const
{
    facts.SetAsideUndoable = !undoRecord_.empty();
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
    std::vector<std::string> files;
    for (const std::string& name : list_.SelectedFullNames())
        if (KindOfPath(name) != PathKind::Missing)
            files.push_back(name);
    ShellOpenFiles(parts_.Window, files);
}

void FileOperationsController::ShowSelectedFiles() const
{
    // One window per file, also for files that share a folder.
    std::vector<std::string> files;
    for (const std::string& name : list_.SelectedFullNames())
        if (IsFolder(FolderOfPath(name)))
            files.push_back(name);
    ExploreFolders(parts_.Window, files);
}

void FileOperationsController::OpenSelectedFolders() const
{
    const std::vector<std::string> names = list_.SelectedFullNames();
    std::vector<std::string> folders;
    if (names.empty()) {
        const TKvRecentItem* now = parts_.KvRecentControl1->NowItem();
        if (now && !now->Path.empty() && IsFolder(now->Path))
            folders.push_back(now->Path);
    }
    for (const std::string& name : names) {
        const std::string folder = FolderOfPath(name);
        if (IsFolder(folder))
            folders.push_back(folder);
    }
    ShellOpenFolders(parts_.Window, folders);
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

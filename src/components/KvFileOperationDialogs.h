// The window's side of copying, moving and deleting the chosen files: the
// operation of KvFileOperations runs on a worker while the caller waits, and
// the user sees what a Linux file manager shows, in Japanese: a progress
// dialog (only when the work lasts longer than about half a second) with the
// current name, the count, the bytes and a cancel button; a question when a
// destination name exists; and one list of every file that failed, at the
// end. Main thread only.
#pragma once

#include "platform/KvFileOperations.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

enum class TKvFileOperationKind { Copy, Move, Trash, Delete };

// The operation proper, called on the worker with the callbacks the dialogs
// answer; RunFileOperation passes the real ones, tests their own.
using TKvFileOperationWork = std::function<TKvFileOperationResult(const TKvFileOperationCallbacks&)>;

// Runs work on a worker thread and returns its result once it has ended.
// Meanwhile the caller's window keeps repainting but takes no input: during
// the first half second input waits, then the modal progress dialog holds
// it. A conflict is asked in a modal question naming both files' folders
// (overwrite, which sends the old file to the trash; keep both; skip;
// cancel; apply to all), and where the trash cannot take the old file, a
// second question warns that overwriting destroys it. When the application is told to quit meanwhile, the run is
// cancelled and still waited for. Failures are listed in one dialog at the
// end; a run without failures says nothing.
TKvFileOperationResult RunFileOperationWork(QWidget* owner, TKvFileOperationKind kind, size_t count,
                                            const TKvFileOperationWork& work);

// RunFileOperationWork over CopyFiles, MoveFiles or DeleteFiles of sources
// (into destinationFolder for copy and move; Trash and Delete ignore it).
TKvFileOperationResult RunFileOperation(QWidget* owner, TKvFileOperationKind kind,
                                        const std::vector<std::string>& sources,
                                        const std::string& destinationFolder = {});

// Asks before a delete, naming one file or the count, and saying whether
// they go to the trash or are deleted for good (then "No" is preselected).
// True to go on.
bool ConfirmDelete(QWidget* owner, const std::vector<std::string>& paths, bool toTrash);

// Acting on the chosen files: copying or moving them to a folder the person
// chooses (with KeepFoldersAct checked, each at its folder below the listed
// one, with a record of the run, and a move of that kind undone from its
// record), deleting them (to the trash, or for good with Shift), opening
// them or their folders, copying the focused file's name. None of these
// refreshes the list; the person does that with F5. Parts used:
// KvRecentControl1, KeepFoldersAct and Window.
#pragma once

#include <Qt>

#include <string>

class FileListController;
struct ActionFacts;
struct WindowParts;

class FileOperationsController {
public:
    FileOperationsController(WindowParts& parts, const FileListController& list);

    // Copies (or moves) the selected files into a folder the person chooses.
    void SendSelectedFiles(bool move);
    // Moves the files of the last move that kept their folders back to
    // where they were (UndoSetAside); what changed since, or whose place is
    // taken again, stays, and a further undo tries it again.
    void UndoSetAside();
    // SetAsideUndoable.
    void ReportFacts(ActionFacts& facts) const;
    // Deletes the selected files after asking: for good when Shift is held
    // on the keyboard or in keyModifiers (those of the key that asked).
    void DeleteSelectedFiles(Qt::KeyboardModifiers keyModifiers);
    // Opens each selected file that is there with its program.
    void OpenSelectedFiles() const;
    // Shows each selected file in the file manager, one window per file.
    void ShowSelectedFiles() const;
    // Opens the folder of each selected file, or the current folder.
    void OpenSelectedFolders() const;
    // The focused file to the clipboard: its name as text and as a file.
    void CopyFocusedFileName() const;

    // The folder the last copy or move went to, where the next chooser
    // starts (a setting of the options).
    std::string CommonSendPath;

private:
    // Sets the selected files aside under destination, keeping their folders.
    void SetSelectedFilesAside(bool move, const std::string& destination);

    WindowParts& parts_;
    const FileListController& list_;
    // The record of the last move that kept the folders, while there is
    // something in it to undo.
    std::string undoRecord_;
};

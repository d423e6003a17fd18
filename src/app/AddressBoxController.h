// The address box and the folder history it offers. The box shows a path
// and keeps that path's bytes beside it, since the text of a name that is
// not UTF-8 cannot be turned back into it; its drop-down lists the history,
// the folders in which a check was started, most recent first, kept in
// "folder.txt" (FolderHistory.h). Parts used: CBRecent.
#pragma once

#include <string>
#include <vector>

struct WindowParts;

class AddressBoxController {
public:
    AddressBoxController(WindowParts& parts, std::string historyFile);

    // Reads the history file into the drop-down, nothing selected; what was
    // left out goes to stderr in one line.
    void LoadHistory();
    // Writes the history file, unless it was there at start but could not
    // be read: such a file is never replaced.
    void SaveHistory() const;
    const std::vector<std::string>& History() const { return history_; }
    const std::string& HistoryFile() const { return historyFile_; }
    // Puts folder on top of the history, writes the file and selects the
    // folder's entry in the drop-down. A file that could not be read at
    // start is left as it is, the list living on in memory for this run.
    // False, with nothing changed, when the file cannot be written.
    bool RememberCheckedFolder(const std::string& folder);
    // Takes the history as the person edited it from opened; folders that
    // came in meanwhile (a check that a second start began) stay on top.
    void ReplaceHistory(const std::vector<std::string>& opened, std::vector<std::string> edited);
    // Fills the drop-down list from the history, nothing selected.
    void LoadItems();

    // Shows a path in the box and keeps its bytes.
    void ShowPath(const std::string& path);
    // The folder the box names: the kept bytes while the text is the one
    // shown for them, a drop-down entry's bytes, else the typed text.
    std::string Path() const;
    // The folder of drop-down entry index.
    std::string ItemPath(int index) const;

private:
    WindowParts& parts_;
    std::string historyFile_;
    std::vector<std::string> history_;
    // The file was there at start but could not be read: never replaced.
    bool historyUnreadable_ = false;
    std::string shownBytes_;
};

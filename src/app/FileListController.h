// The file list's concern in the main window: cell texts and icons computed
// from the catalogue on request, the order of the rows, the selection and
// focus kept by full file name across reloads, finding by the name as shown,
// the selection commands, the status bar and the list's facts for the
// action rules. Parts used: LVFiles, KvFileInfos1, KvThreadJpegChecker1,
// the status bar (SB) and Window.
#pragma once

#include <QIcon>
#include <QString>

#include <string>
#include <vector>

class TKvFileIconCache;
class TKvFileInfo;
class TKvRecentItem;
struct ActionFacts;
struct WindowParts;

class FileListController {
public:
    explicit FileListController(WindowParts& parts);

    // Cell text of a row for the column with collection index column.
    QString CellText(int row, int column) const;
    // Icon of a cell: the type's icon in the name column, else none.
    QIcon CellIcon(int row, int column) const;
    // First row at or after startIndex whose name as shown (DisplayPath)
    // begins with text (ASCII letters compared without case), wrapping to
    // the top with wrap; -1.
    int FindName(const QString& text, int startIndex, bool wrap) const;
    // Focuses and selects the first row after the focused one whose name
    // begins with text, wrapping; with none, no row keeps the focus.
    void FindNext(const QString& text);

    // A click on a column header: sorts by it, unless a worker runs.
    void SortByColumn(int viewColumn);
    // Sorts the catalogue by the list's sort column and direction, keeping
    // selection and focus (the caller makes sure no worker runs).
    void Sort();
    // Shows the rows of a listing that has ended, in the order of the sort.
    void ShowListedRows();
    // Reorders a list sorted by a check column, whose results have changed.
    void SortByNewResults();
    // Empties the list and the catalogue's visible entries.
    void Clear();

    // The selection and focus of the list, by full file name, into and out
    // of a history entry. RestoreSelection empties the entry's selected
    // names: a stored selection is restored once.
    void SaveSelection(TKvRecentItem& item) const;
    void RestoreSelection(TKvRecentItem& item);
    // Row of the entry with this full file name (exact bytes), or -1.
    int FindFileIndex(const std::string& fullFileName) const;
    // Full names of the selected rows, in ascending row order.
    std::vector<std::string> SelectedFullNames() const;
    // The entries of the selected rows, in ascending row order.
    std::vector<const TKvFileInfo*> SelectedEntries() const;
    // The entry of the focused row, or null.
    const TKvFileInfo* FocusedEntry() const;

    void SelectAll();
    void InvertSelection();
    void RepaintVisibleRows();
    // Panels 0..3: selected count, focus position, total size, check state.
    void UpdateStatusBar();
    // RowFocused, RowsSelected and ListHasRows.
    void ReportFacts(ActionFacts& facts) const;

private:
    WindowParts& parts_;
    TKvFileIconCache* iconCache_;  // icons by IconIndex; a child of the window
};

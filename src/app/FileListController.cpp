#include "app/FileListController.h"

#include "KvRTL/EtcLists/KvEtcLists.h"
#include "app/ActionTable.h"
#include "app/BusyCursor.h"
#include "app/WindowParts.h"
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvFileIconCache.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkCellTexts.h"
#include "components/ScanlarkColumns.h"
#include "components/ScanlarkStatusTexts.h"
#include "inspection/KvJpegChecker.h"
#include "platform/DisplayPath.h"

#include <QMainWindow>
#include <QStatusBar>

#include <algorithm>
#include <unordered_map>

namespace {

// Upper-cases the ASCII letters only: other characters stay as they are.
char16_t AsciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Whether name, as the list shows it, begins with prefix (ASCII letters
// compared without case): a name that is not UTF-8 is found by what the
// person sees, not by its bytes.
bool ShownNameStartsWith(const std::string& name, const QString& prefix)
{
    const QString shown = DisplayPath(name);
    if (shown.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(shown[i].unicode()) != AsciiUpper(prefix[i].unicode()))
            return false;
    return true;
}

// Suspends painting of a widget for the life of the object.
class TUpdateBracket {
public:
    explicit TUpdateBracket(QWidget* widget) : widget_(widget), wasEnabled_(widget->updatesEnabled())
    {
        widget_->setUpdatesEnabled(false);
    }
    ~TUpdateBracket() { widget_->setUpdatesEnabled(wasEnabled_); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    QWidget* widget_;
    bool wasEnabled_;
};

// Sorts by the list's sort mode; the caller makes sure no worker runs.
void SortCatalogue(TKvThreadFileInfoList& list)
{
    if (IsJpegSortMode(list.SortMode))
        list.CustomSort(&CompareFileInfosByJpeg);
    else
        list.Sort();
}

}  // namespace

FileListController::FileListController(WindowParts& parts)
    : parts_(parts), iconCache_(new TKvFileIconCache(parts.Window))
{
}

// --- Cells -------------------------------------------------------------------

QString FileListController::CellText(int row, int column) const
{
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    // While an enumeration runs the list has no rows; a stale request gets nothing.
    if (list.Busy() || row < 0 || row >= list.Count())
        return {};
    const TKvFileInfo& e = *list.FileInfos(row);
    const QLocale locale = QLocale::system();
    if (column < ScanlarkColumn::JPEG_Error)
        return FileColumnText(e, column, locale);
    // The check worker may replace the records meanwhile.
    TKvJpegInfoReadLock lock;
    return CheckColumnText(e.JpegInfo(), e.DeepCheckInfo(), column, locale);
}

QIcon FileListController::CellIcon(int row, int column) const
{
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    if (column != ScanlarkColumn::Name || list.Busy() || row < 0 || row >= list.Count())
        return {};
    return iconCache_->Icon(list.FileInfos(row)->IconIndex);
}

// --- Find --------------------------------------------------------------------

int FileListController::FindName(const QString& text, int startIndex, bool wrap) const
{
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    const int count = list.Count();
    if (count == 0 || list.Busy() || startIndex < 0 || startIndex > count)
        return -1;
    // Every row is looked at once at most: from startIndex down, then, with
    // wrap, from the top up to the row before startIndex.
    for (int step = 0; step < count; ++step) {
        int i = startIndex + step;
        if (i >= count) {
            if (!wrap)
                return -1;
            i -= count;
        }
        if (ShownNameStartsWith(list.FileInfos(i)->Name, text))
            return i;
    }
    return -1;
}

void FileListController::FindNext(const QString& text)
{
    if (text.isEmpty())
        return;
    TKvListView* view = parts_.LVFiles;
    const int start = view->currentRow() + 1;  // 0 without a focused row
    view->ClearSelection();
    const int found = FindName(text, start, true);
    if (found >= 0) {
        view->setCurrentRow(found);
        view->selectRow(found, true);
        view->scrollToRow(found);
    } else {
        view->setCurrentRow(-1);
    }
}

// --- Order -------------------------------------------------------------------

void FileListController::SortByColumn(int viewColumn)
{
    // Reordering the catalogue under a running worker would pull entries
    // from under it.
    if (parts_.KvFileInfos1->FileInfoList().Busy() || parts_.KvThreadJpegChecker1->Running)
        return;
    parts_.LVFiles->SortColumnClick(viewColumn);
    Sort();
}

void FileListController::Sort()
{
    const BusyCursor busy(Qt::WaitCursor);
    TKvListView* view = parts_.LVFiles;
    parts_.KvFileInfos1->SetSortMode(SortModeFromInt(view->SortColumnIndex));
    parts_.KvFileInfos1->SetSortDown(view->SortDown);
    TKvRecentItem kept;
    {
        TUpdateBracket bracket(view);
        SaveSelection(kept);
        view->SetRowCount(0);
        TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
        try {
            SortCatalogue(list);
        } catch (...) {
            // The list shows whatever order the sort left.
        }
        view->SetRowCount(list.Count());
    }
    view->viewport()->update();
    RestoreSelection(kept);
    UpdateStatusBar();
}

void FileListController::ShowListedRows()
{
    TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    // A listing hands its entries over in discovery order.
    if (IsJpegSortMode(list.SortMode) || !IsDiscoveryOrder(list.SortMode, list.SortDown))
        SortCatalogue(list);
    parts_.LVFiles->SetRowCount(list.Count());
    UpdateStatusBar();
}

void FileListController::SortByNewResults()
{
    TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    if (IsJpegSortMode(list.SortMode))
        list.CustomSort(&CompareFileInfosByJpeg);
}

void FileListController::Clear()
{
    parts_.LVFiles->SetRowCount(0);
    parts_.KvFileInfos1->FileInfoList().ClearVisible();
    RepaintVisibleRows();
    UpdateStatusBar();
}

// --- Selection kept by name --------------------------------------------------

void FileListController::SaveSelection(TKvRecentItem& item) const
{
    item.SelectedFileNames = SelectedFullNames();
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    const int focused = parts_.LVFiles->currentRow();
    item.FocusedFileName = focused >= 0 && focused < list.Count() ? list.FileInfos(focused)->FullFileName() : "";
}

void FileListController::RestoreSelection(TKvRecentItem& item)
{
    TKvListView* view = parts_.LVFiles;
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    const int rows = std::min(view->RowCount(), static_cast<int>(list.Count()));
    if (!item.SelectedFileNames.empty() && rows > 0) {
        // One look-up table instead of a scan per name: restoring a large
        // selection must not cost names x rows comparisons.
        std::unordered_map<std::string, int> rowOfName;
        rowOfName.reserve(static_cast<size_t>(rows));
        for (int row = 0; row < rows; ++row)
            rowOfName.emplace(list.FileInfos(row)->FullFileName(), row);
        std::vector<int> found;
        for (const std::string& name : item.SelectedFileNames) {
            auto hit = rowOfName.find(name);
            if (hit != rowOfName.end())
                found.push_back(hit->second);
        }
        std::sort(found.begin(), found.end());
        // One selection change for all rows, in contiguous spans.
        QItemSelection selection;
        QAbstractItemModel* model = view->model();
        const int lastColumn = model->columnCount() - 1;
        for (size_t i = 0; i < found.size() && lastColumn >= 0;) {
            size_t end = i;
            while (end + 1 < found.size() && found[end + 1] <= found[end] + 1)
                ++end;
            selection.select(model->index(found[i], 0), model->index(found[end], lastColumn));
            i = end + 1;
        }
        if (!selection.isEmpty())
            view->selectionModel()->select(selection, QItemSelectionModel::Select);
    }
    item.SelectedFileNames.clear();
    if (rows > 0 && !item.FocusedFileName.empty()) {
        const int focused = FindFileIndex(item.FocusedFileName);
        if (focused >= 0 && focused < rows) {
            view->setCurrentRow(focused);
            view->scrollToRow(focused, true);
        }
    }
}

int FileListController::FindFileIndex(const std::string& fullFileName) const
{
    const size_t slash = fullFileName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : fullFileName.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? fullFileName : fullFileName.substr(slash + 1);
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    // File names differ by case here: "a.jpg" and "A.jpg" are two files.
    for (int i = 0; i < list.Count(); ++i) {
        const TKvFileInfo* e = list.FileInfos(i);
        if (e->Name == name && e->Path == folder)
            return i;
    }
    return -1;
}

std::vector<std::string> FileListController::SelectedFullNames() const
{
    TIntegerList rows;
    parts_.LVFiles->GetSelectedIndexes(rows);
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(rows.Count()));
    for (int i = 0; i < rows.Count(); ++i) {
        const int row = rows.Items(i);
        if (row >= 0 && row < list.Count())
            names.push_back(list.FileInfos(row)->FullFileName());
    }
    return names;
}

std::vector<const TKvFileInfo*> FileListController::SelectedEntries() const
{
    TIntegerList rows;
    parts_.LVFiles->GetSelectedIndexes(rows);
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    std::vector<const TKvFileInfo*> entries;
    entries.reserve(static_cast<size_t>(rows.Count()));
    for (int i = 0; i < rows.Count(); ++i) {
        const int row = rows.Items(i);
        if (row >= 0 && row < list.Count())
            entries.push_back(list.FileInfos(row));
    }
    return entries;
}

const TKvFileInfo* FileListController::FocusedEntry() const
{
    const int row = parts_.LVFiles->currentRow();
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    return row >= 0 && row < list.Count() ? list.FileInfos(row) : nullptr;
}

// --- Selection commands, painting, status ------------------------------------

void FileListController::SelectAll()
{
    const BusyCursor busy(Qt::WaitCursor);
    parts_.LVFiles->selectAll();
}

void FileListController::InvertSelection()
{
    const BusyCursor busy(Qt::WaitCursor);
    parts_.LVFiles->invertSelection();
}

void FileListController::RepaintVisibleRows()
{
    TUpdateBracket bracket(parts_.LVFiles);
    if (parts_.KvFileInfos1->FileInfoList().Count() > 0)
        parts_.LVFiles->RepaintRows();
}

void FileListController::UpdateStatusBar()
{
    const TKvThreadFileInfoList& list = parts_.KvFileInfos1->FileInfoList();
    const QLocale locale = QLocale::system();
    parts_.SetPanelText(0, SelectedCountText(parts_.LVFiles->selectedRowCount(), locale));
    parts_.SetPanelText(1, FocusPositionText(parts_.LVFiles->currentRow(), list.Count(), locale));
    parts_.SetPanelText(2, SizeToStr(list.TotalSize, locale));
    const TKvThreadJpegChecker& checker = *parts_.KvThreadJpegChecker1;
    parts_.SetPanelText(3, CheckStateText(checker.ErrorCount, checker.Running, checker.Progress, locale));
    parts_.Window->statusBar()->clearMessage();
}

void FileListController::ReportFacts(ActionFacts& facts) const
{
    facts.RowFocused = parts_.LVFiles->currentRow() >= 0;
    facts.RowsSelected = parts_.LVFiles->selectedRowCount() > 0;
    facts.ListHasRows = parts_.LVFiles->RowCount() > 0;
}

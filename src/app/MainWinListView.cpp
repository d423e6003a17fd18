// The file list: cell texts computed from the catalogue on demand, sorting
// by column click, type-to-find and the find dialog, the selection commands,
// keeping selection and focus across reloads, the status bar and the
// set-up of the list. Keys, mouse and the action rules are in
// MainWinListInput.cpp.
#include "app/MainWin.h"
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfos.h"
#include "catalogue/KvUtils.h"
#include "components/KvFileIconCache.h"
#include "components/KvFindDialog.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkCellTexts.h"
#include "components/ScanlarkColumns.h"
#include "components/ScanlarkStatusTexts.h"
#include "inspection/KvJpegChecker.h"
#include "KvRTL/EtcLists/KvEtcLists.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace {

// Upper-cases the ASCII letters only: other characters stay as they are.
char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

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

// Hands one type of event of an object to a function (the window's own
// eventFilter belongs to the navigation code).
class TEventHook : public QObject {
public:
    TEventHook(QObject* watched, QEvent::Type type, std::function<void()> handler)
        : QObject(watched), type_(type), handler_(std::move(handler))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == type_)
            handler_();
        return QObject::eventFilter(watched, e);
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
};

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

}  // namespace

// --- Cells -------------------------------------------------------------------

QString TFormScanlark::LVFilesData(int row, int column) const
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    // While an enumeration runs the list has no rows; a stale request gets nothing.
    if (list.Busy() || row < 0 || row >= list.Count())
        return {};
    const TKvFileInfo& e = *list.FileInfos(row);
    const QLocale locale = QLocale::system();
    if (column < ScanlarkColumn::JPEG_Error)
        return FileColumnText(e, column, locale);
    // The check worker may replace the record meanwhile.
    TKvJpegInfoReadLock lock;
    const TKvJpegInfo* j = e.JpegInfo();
    return j ? JpegColumnText(*j, column, locale) : QString();
}

QIcon TFormScanlark::LVFilesIcon(int row, int column) const
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    if (column != ScanlarkColumn::Name || list.Busy() || row < 0 || row >= list.Count())
        return {};
    return FileIconCache->Icon(list.FileInfos(row)->IconIndex);
}

// --- Sorting -----------------------------------------------------------------

void TFormScanlark::LVFilesColumnClick(int viewColumn)
{
    // Reordering the catalogue under a running worker would pull entries
    // from under it.
    if (KvFileInfos1->FileInfoList().Busy() || KvThreadJpegChecker1->Running)
        return;
    LVFiles->SortColumnClick(viewColumn);
    SortFileList();
}

void TFormScanlark::SortFileList()
{
    const BusyCursor busy(Qt::WaitCursor);
    KvFileInfos1->SetSortMode(SortModeFromInt(LVFiles->SortColumnIndex));
    KvFileInfos1->SetSortDown(LVFiles->SortDown);
    TKvRecentItem kept;
    {
        TUpdateBracket bracket(LVFiles);
        SaveSelection(kept);
        LVFiles->SetRowCount(0);
        TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
        try {
            if (IsJpegSortMode(list.SortMode))
                list.CustomSort(&CompareFileInfosByJpeg);
            else
                list.Sort();
        } catch (...) {
            // The list shows whatever order the sort left.
        }
        LVFiles->SetRowCount(list.Count());
    }
    LVFiles->viewport()->update();
    RestoreSelection(kept);
    UpdateStatusBar();
}

// --- Selection kept by name --------------------------------------------------

void TFormScanlark::SaveSelection(TKvRecentItem& item) const
{
    item.SelectedFileNames.clear();
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    TIntegerList rows;
    LVFiles->GetSelectedIndexes(rows);
    for (int i = 0; i < rows.Count(); ++i) {
        const int row = rows.Items(i);
        if (row >= 0 && row < list.Count())
            item.SelectedFileNames.push_back(list.FileInfos(row)->FullFileName());
    }
    const int focused = LVFiles->currentRow();
    item.FocusedFileName = focused >= 0 && focused < list.Count() ? list.FileInfos(focused)->FullFileName() : "";
}

void TFormScanlark::RestoreSelection(TKvRecentItem& item)
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    const int rows = std::min(LVFiles->RowCount(), static_cast<int>(list.Count()));
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
        QAbstractItemModel* model = LVFiles->model();
        const int lastColumn = model->columnCount() - 1;
        for (size_t i = 0; i < found.size() && lastColumn >= 0;) {
            size_t end = i;
            while (end + 1 < found.size() && found[end + 1] <= found[end] + 1)
                ++end;
            selection.select(model->index(found[i], 0), model->index(found[end], lastColumn));
            i = end + 1;
        }
        if (!selection.isEmpty())
            LVFiles->selectionModel()->select(selection, QItemSelectionModel::Select);
    }
    item.SelectedFileNames.clear();
    if (rows > 0 && !item.FocusedFileName.empty()) {
        const int focused = FindFileIndex(item.FocusedFileName);
        if (focused >= 0 && focused < rows) {
            LVFiles->setCurrentRow(focused);
            LVFiles->scrollToRow(focused, true);
        }
    }
}

int TFormScanlark::FindFileIndex(const std::string& fullFileName) const
{
    const size_t slash = fullFileName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : fullFileName.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? fullFileName : fullFileName.substr(slash + 1);
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    // File names differ by case here: "a.jpg" and "A.jpg" are two files.
    for (int i = 0; i < list.Count(); ++i) {
        const TKvFileInfo* e = list.FileInfos(i);
        if (e->Name == name && e->Path == folder)
            return i;
    }
    return -1;
}

void TFormScanlark::RepaintVisibleRows()
{
    TUpdateBracket bracket(LVFiles);
    if (KvFileInfos1->FileInfoList().Count() > 0)
        LVFiles->RepaintRows();
}

// --- Status bar --------------------------------------------------------------

void TFormScanlark::UpdateStatusBar()
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    const QLocale locale = QLocale::system();
    SetPanelText(0, SelectedCountText(LVFiles->selectedRowCount(), locale));
    SetPanelText(1, FocusPositionText(LVFiles->currentRow(), list.Count(), locale));
    SetPanelText(2, SizeToStr(list.TotalSize, locale));
    const TKvThreadJpegChecker& checker = *KvThreadJpegChecker1;
    SetPanelText(3, CheckStateText(checker.ErrorCount, checker.Running, checker.Progress, locale));
    statusBar()->clearMessage();
}

// --- Find --------------------------------------------------------------------

int TFormScanlark::LVFilesDataFind(const QString& text, int startIndex, bool wrap) const
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
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

void TFormScanlark::SearchFindActExecute()
{
    if (!FindDialog1) {
        FindDialog1 = new TKvFindDialog(this);
        connect(FindDialog1, &TKvFindDialog::findRequested, this, &TFormScanlark::FindDialog1Find);
    }
    FindDialog1->ShowForInput();
}

void TFormScanlark::SearchFindNextActExecute()
{
    FindDialog1Find();
}

void TFormScanlark::FindDialog1Find()
{
    const QString text = FindDialog1 ? FindDialog1->FindText() : QString();
    if (text.isEmpty())
        return;
    const int start = LVFiles->currentRow() + 1;  // 0 without a focused row
    LVFiles->ClearSelection();
    const int found = LVFilesDataFind(text, start, true);
    if (found >= 0) {
        LVFiles->setCurrentRow(found);
        LVFiles->selectRow(found, true);
        LVFiles->scrollToRow(found);
    } else {
        LVFiles->setCurrentRow(-1);
    }
}

// --- Selection commands ------------------------------------------------------

void TFormScanlark::SelectAllActExecute()
{
    const BusyCursor busy(Qt::WaitCursor);
    LVFiles->selectAll();
}

void TFormScanlark::SelectChangeActExecute()
{
    const BusyCursor busy(Qt::WaitCursor);
    LVFiles->invertSelection();
}

// --- Set-up ------------------------------------------------------------------

void TFormScanlark::SetupFileListView()
{
    FileIconCache = new TKvFileIconCache(this);
    LVFiles->SetCellTextFunction(std::bind_front(&TFormScanlark::LVFilesData, this));
    LVFiles->SetCellIconFunction(std::bind_front(&TFormScanlark::LVFilesIcon, this));
    LVFiles->SetDataFindFunction(std::bind_front(&TFormScanlark::LVFilesDataFind, this));
    connect(LVFiles, &TKvListView::columnClicked, this, &TFormScanlark::LVFilesColumnClick);

    connect(LVFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFormScanlark::LVFilesChange);
    connect(LVFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, &TFormScanlark::LVFilesChange);
    connect(LVFiles->model(), &QAbstractItemModel::modelReset, this, &TFormScanlark::LVFilesChange);

    connect(LVFiles, &QAbstractItemView::clicked, this, &TFormScanlark::LVFilesClick);
    connect(LVFiles, &QAbstractItemView::doubleClicked, this, &TFormScanlark::LVFilesDblClick);
    // The menu itself is opened by the layout's own connection.
    connect(LVFiles, &QWidget::customContextMenuRequested, this, &TFormScanlark::LVFilesContextPopup);
    LVFiles->viewport()->setMouseTracking(true);
    new TEventHook(LVFiles->viewport(), QEvent::MouseMove, std::bind_front(&TFormScanlark::LVFilesMouseMove, this));

    connect(SearchFindAct, &QAction::triggered, this, &TFormScanlark::SearchFindActExecute);
    connect(SearchFindNextAct, &QAction::triggered, this, &TFormScanlark::SearchFindNextActExecute);
    connect(SelectAllAct, &QAction::triggered, this, &TFormScanlark::SelectAllActExecute);
    connect(SelectChangeAct, &QAction::triggered, this, &TFormScanlark::SelectChangeActExecute);

    // The rules are cheap (no walk over the rows), so a short poll keeps the
    // actions current whatever changed them; commands run them first anyway.
    ActionUpdateTimer = new QTimer(this);
    ActionUpdateTimer->setObjectName(QStringLiteral("ActionUpdateTimer"));
    ActionUpdateTimer->setInterval(100);
    connect(ActionUpdateTimer, &QTimer::timeout, this, &TFormScanlark::ActionUpdateTimerTimer);
    ActionUpdateTimer->start();
    ActionList1Update();
    UpdateStatusBar();
}

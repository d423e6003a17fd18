// The file list: cell texts computed from the catalogue on demand, sorting
// by column click, type-to-find and the find dialog, the selection commands,
// keeping selection and focus across reloads, the status bar, the list's
// keyboard and mouse handling and the action enabling rules.
#include "KvDirectoryListing.h"
#include "KvEtcLists.h"
#include "KvFileInfoCompare.h"
#include "KvFileInfos.h"
#include "KvJpegChecker.h"
#include "KvJpegInfoConsts.h"
#include "KvListView.h"
#include "KvRecentControl.h"
#include "KvShellInfo.h"
#include "KvUtils.h"
#include "MainWin.h"
#include "ScanlarkColumns.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace {

// The system locale, always grouping thousands ("0,"), also where the locale
// omits the separator by default (the C locale).
QLocale ListLocale()
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::NumberOptions(QLocale::OmitGroupSeparator));
    return locale;
}

QString Grouped(int64_t value) { return ListLocale().toString(static_cast<qlonglong>(value)); }

QString DecodeBytes(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

// The locale's long time format without the time-zone name, which would
// only repeat the same zone in every row.
QString TimeFormatWithoutZone(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return format.trimmed();
}

// Short date, then the time unless it is exactly midnight; empty when unknown.
QString FileTimeText(int64_t nanoseconds)
{
    if (nanoseconds == kUnknownFileTime)
        return {};
    constexpr int64_t kNanosecondsPerMillisecond = 1000000;
    int64_t milliseconds = nanoseconds / kNanosecondsPerMillisecond;
    int64_t remainder = nanoseconds % kNanosecondsPerMillisecond;
    if (remainder < 0) {
        --milliseconds;
        remainder += kNanosecondsPerMillisecond;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::LocalTime);
    const QLocale locale = QLocale::system();
    QString text = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() != QTime(0, 0) || remainder != 0)
        text += u' ' + locale.toString(local.time(), TimeFormatWithoutZone(locale));
    return text;
}

QString FileColumnText(const TKvFileInfo& e, int column)
{
    switch (column) {
    case ScanlarkColumn::Name: return DecodeBytes(e.Name);
    case ScanlarkColumn::FullFileName: return DecodeBytes(e.FullFileName());
    case ScanlarkColumn::Path: return DecodeBytes(e.Path);
    case ScanlarkColumn::PathOnly: return DecodeBytes(e.PathOnly());
    case ScanlarkColumn::FindIndex: return Grouped(e.FindIndex);
    case ScanlarkColumn::Size: return SizeToKBStr(e.Size, ListLocale());
    case ScanlarkColumn::SizeDetail: return Grouped(e.Size);
    case ScanlarkColumn::TypeName: return e.TypeName;
    case ScanlarkColumn::LastWriteTime: return FileTimeText(e.LastWriteTime);
    case ScanlarkColumn::Attr: return AttrToStr(e.Attr);
    case ScanlarkColumn::CreationTime: return FileTimeText(e.CreationTime);
    case ScanlarkColumn::LastAccessTime: return FileTimeText(e.LastAccessTime);
    default: return {};
    }
}

QString NumberOrEmpty(int32_t value) { return value == -1 ? QString() : QString::number(value); }

QString PercentOrEmpty(int32_t value) { return value == -1 ? QString() : QStringLiteral("%1 %").arg(value); }

QString JpegColumnText(const TKvJpegInfo& j, int column)
{
    static const QString kMark = QStringLiteral("○");
    switch (column) {
    case ScanlarkColumn::JPEG_Error: return j.Verdict == -1 ? QString() : QString::fromUtf8(JpegVerdictText(j.Verdict));
    case ScanlarkColumn::JPEG_AddBinary: return j.TrailingBytes == 0 ? QString() : Grouped(j.TrailingBytes);
    case ScanlarkColumn::JPEG_Format:
        return j.ProcessCode == -1 ? QString() : QString::fromUtf8(JpegProcessText(j.ProcessCode));
    case ScanlarkColumn::JPEG_MacBinary: return j.HasMacBinaryHeader ? kMark : QString();
    case ScanlarkColumn::JPEG_Grayscale: return j.ScanComplete && j.IsGrayscale ? kMark : QString();
    case ScanlarkColumn::JPEG_Width: return NumberOrEmpty(j.Width);
    case ScanlarkColumn::JPEG_Height: return NumberOrEmpty(j.Height);
    case ScanlarkColumn::JPEG_ThumbWidth: return NumberOrEmpty(j.ThumbWidth);
    case ScanlarkColumn::JPEG_ThumbHeight: return NumberOrEmpty(j.ThumbHeight);
    case ScanlarkColumn::JPEG_Version:
        if (j.IsJfif)
            return QString::asprintf("JFIF %d.%.2d", j.JfifMajor, j.JfifMinor);
        return j.IsExif ? QStringLiteral("Exif") : QString();
    case ScanlarkColumn::JPEG_Comment: return DecodeCommentText(j.Comment);
    case ScanlarkColumn::JPEG_Quality: return PercentOrEmpty(j.Quality);
    case ScanlarkColumn::JPEG_IJGQuality: return PercentOrEmpty(j.IjgQuality);
    default: return {};
    }
}

// Upper-cases the ASCII letters only: other bytes, including every byte of
// a multi-byte character, stay as they are.
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithAsciiNoCase(const std::string& name, const QByteArray& prefix)
{
    if (name.size() < static_cast<size_t>(prefix.size()))
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(name[static_cast<size_t>(i)]) != AsciiUpper(prefix[i]))
            return false;
    return true;
}

// Icons of the process-wide type table, made once per index: theme icon of
// the type, else its generic icon, else the platform's file icon.
class TFileIconCache : public QObject {
public:
    using QObject::QObject;

    QIcon Icon(int32_t index)
    {
        if (index < 0)
            return {};
        auto found = icons_.find(index);
        if (found != icons_.end())
            return found->second;
        const QMimeType type = QMimeDatabase().mimeTypeForName(IconTypeName(index));
        QIcon icon;
        if (type.isValid())
            icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (icon.isNull())
            icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
        return icons_.emplace(index, icon).first->second;
    }

private:
    std::unordered_map<int32_t, QIcon> icons_;
};

// Hands the events of one object to a function (the window's own
// eventFilter belongs to the navigation code).
class TEventHook : public QObject {
public:
    TEventHook(QObject* parent, std::function<void(QEvent*)> handler) : QObject(parent), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        handler_(e);
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void(QEvent*)> handler_;
};

// The hourglass for the life of the object, also when an exception leaves.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
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
    if (column < ScanlarkColumn::JPEG_Error)
        return FileColumnText(e, column);
    // The check worker may replace the record meanwhile.
    TKvJpegInfoReadLock lock;
    const TKvJpegInfo* j = e.JpegInfo();
    return j ? JpegColumnText(*j, column) : QString();
}

// --- Sorting -----------------------------------------------------------------

void TFormScanlark::LVFilesColumnClick(int viewColumn)
{
    // Reordering the catalogue under a running worker would pull entries
    // from under it.
    if (KvFileInfos1->FileInfoList().Busy() || KvThreadJpegChecker1->Running)
        return;
    TBusyCursor busy;
    LVFiles->SortColumnClick(viewColumn);
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
    const int count = list.Count();
    SetPanelText(0, QStringLiteral("%1 個のオブジェクトを選択").arg(Grouped(LVFiles->selectedRowCount())));
    const int focused = LVFiles->currentRow();
    if (focused >= 0)
        SetPanelText(1, QStringLiteral("%1 / %2").arg(Grouped(focused + 1), Grouped(count)));
    else
        SetPanelText(1, QStringLiteral("%1 個のオブジェクト").arg(Grouped(count)));
    SetPanelText(2, SizeToStr(list.TotalSize));
    const TKvThreadJpegChecker& checker = *KvThreadJpegChecker1;
    if (checker.ErrorCount == -1)
        SetPanelText(3, QStringLiteral("エラー未チェック"));
    else if (checker.Running)
        SetPanelText(3, QStringLiteral("%1 %完了").arg(qRound(checker.Progress * 100), 3));
    else
        SetPanelText(3, QStringLiteral("%1 個のエラー").arg(Grouped(checker.ErrorCount)));
    statusBar()->clearMessage();
}

// --- Find --------------------------------------------------------------------

int TFormScanlark::LVFilesDataFind(const QString& text, int startIndex, bool wrap) const
{
    const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
    const int count = list.Count();
    if (count == 0 || list.Busy() || startIndex < 0 || startIndex > count)
        return -1;
    // Names are bytes: compare bytes, so names that are not UTF-8 cost no
    // decoding and never match by accident.
    const QByteArray prefix = QFile::encodeName(text);
    // Every row is looked at once at most: from startIndex down, then, with
    // wrap, from the top up to the row before startIndex.
    for (int step = 0; step < count; ++step) {
        int i = startIndex + step;
        if (i >= count) {
            if (!wrap)
                return -1;
            i -= count;
        }
        if (StartsWithAsciiNoCase(list.FileInfos(i)->Name, prefix))
            return i;
    }
    return -1;
}

void TFormScanlark::SearchFindActExecute()
{
    if (!FindDialog1) {
        FindDialog1 = new QDialog(this);
        FindDialog1->setObjectName(QStringLiteral("FindDialog1"));
        FindDialog1->setWindowTitle(QStringLiteral("検索"));
        FindDialog1->setModal(false);
        auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"), FindDialog1);
        FindDialog1Text = new QLineEdit(FindDialog1);
        FindDialog1Text->setObjectName(QStringLiteral("FindDialog1Text"));
        label->setBuddy(FindDialog1Text);
        // Only a downward, case-insensitive prefix search exists: the other
        // choices are shown, fixed.
        auto* matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), FindDialog1);
        auto* wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), FindDialog1);
        auto* direction = new QGroupBox(QStringLiteral("検索する方向"), FindDialog1);
        auto* up = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
        auto* down = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
        down->setChecked(true);
        auto* directionLayout = new QHBoxLayout(direction);
        directionLayout->addWidget(up);
        directionLayout->addWidget(down);
        for (QWidget* fixed : {static_cast<QWidget*>(matchCase), static_cast<QWidget*>(wholeWord),
                               static_cast<QWidget*>(direction)})
            fixed->setEnabled(false);
        auto* findButton = new QPushButton(QStringLiteral("次を検索(&F)"), FindDialog1);
        findButton->setObjectName(QStringLiteral("FindDialog1FindButton"));
        findButton->setDefault(true);
        findButton->setEnabled(false);
        auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), FindDialog1);
        connect(FindDialog1Text, &QLineEdit::textChanged, findButton,
                [findButton](const QString& text) { findButton->setEnabled(!text.isEmpty()); });
        connect(findButton, &QPushButton::clicked, this, &TFormScanlark::FindDialog1Find);
        connect(cancelButton, &QPushButton::clicked, FindDialog1, &QDialog::reject);

        auto* fields = new QVBoxLayout;
        auto* textRow = new QHBoxLayout;
        textRow->addWidget(label);
        textRow->addWidget(FindDialog1Text, 1);
        fields->addLayout(textRow);
        auto* options = new QHBoxLayout;
        auto* checks = new QVBoxLayout;
        checks->addWidget(wholeWord);
        checks->addWidget(matchCase);
        options->addLayout(checks);
        options->addWidget(direction);
        fields->addLayout(options);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(findButton);
        buttons->addWidget(cancelButton);
        buttons->addStretch(1);
        auto* layout = new QHBoxLayout(FindDialog1);
        layout->addLayout(fields, 1);
        layout->addLayout(buttons);
    }
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
    FindDialog1Text->setFocus();
    FindDialog1Text->selectAll();
}

void TFormScanlark::FindDialog1Find()
{
    const QString text = FindDialog1Text ? FindDialog1Text->text() : QString();
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
    TBusyCursor busy;
    LVFiles->selectAll();
}

void TFormScanlark::SelectChangeActExecute()
{
    TBusyCursor busy;
    LVFiles->invertSelection();
}

// --- Keyboard and mouse ------------------------------------------------------

void TFormScanlark::ExecuteAction(QAction* action)
{
    ActionList1Update();
    if (action && action->isEnabled())
        action->trigger();
}

void TFormScanlark::LVFilesKeyDown(QKeyEvent*)
{
    KeyDownSeen = true;
}

void TFormScanlark::LVFilesKeyUp(QKeyEvent* e)
{
    // A held key repeats its release as well; only the final one acts.
    if (e->isAutoRepeat() || !KeyDownSeen)
        return;
    KeyDownSeen = false;
    const bool alt = e->modifiers() & Qt::AltModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Backspace: ExecuteAction(UpFolderAct); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: ExecuteAction(OpenShellAct); break;
    case Qt::Key_Escape:
    case Qt::Key_Stop: ExecuteAction(StopAct); break;
    case Qt::Key_Left: if (alt) ExecuteAction(BackAct); break;
    case Qt::Key_Right: if (alt) ExecuteAction(ForwardAct); break;
    case Qt::Key_Delete: ExecuteAction(DeleteFileAct); break;
    case Qt::Key_A: if (ctrl) ExecuteAction(SelectAllAct); break;
    case Qt::Key_F: if (ctrl) ExecuteAction(SearchFindAct); break;
    case Qt::Key_R: if (ctrl) ExecuteAction(SelectErrorsActSl); break;
    case Qt::Key_F3: ExecuteAction(SearchFindNextAct); break;
    case Qt::Key_F5:
    case Qt::Key_Refresh: RefreshFilesKeepingMode(); break;
    case Qt::Key_F9:
        ActionList1Update();
        TBtnRun->click();  // a disabled button does nothing
        break;
    case Qt::Key_Back: ExecuteAction(BackAct); break;
    case Qt::Key_Forward: ExecuteAction(ForwardAct); break;
    default: break;
    }
    // Left and Right scroll sideways; every other key may have moved the focus.
    if (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right)
        ExecuteAction(ImgLoadAct);
}

void TFormScanlark::LVFilesClick()
{
    if (LVFiles->selectedRowCount() > 0 && LVFiles->currentRow() >= 0)
        ExecuteAction(ImgLoadAct);
}

void TFormScanlark::LVFilesMouseMove()
{
    const QWidget* focus = QApplication::focusWidget();
    const bool addressHasFocus = focus && (focus == CBRecent || CBRecent->isAncestorOf(focus));
    if (!addressHasFocus && !LVFiles->hasFocus())
        LVFiles->setFocus(Qt::MouseFocusReason);
    UpdateStatusBar();
}

// --- Action rules ------------------------------------------------------------

void TFormScanlark::SetRuleEnabled(QAction* action, bool enabled)
{
    if (enabled && std::find(pendingActions_.begin(), pendingActions_.end(), action) != pendingActions_.end())
        enabled = false;
    if (action->isEnabled() != enabled)
        action->setEnabled(enabled);
}

void TFormScanlark::ActionList1Update()
{
    const bool focused = LVFiles->currentRow() >= 0;
    const bool selected = LVFiles->selectedRowCount() > 0;
    const bool hasRows = LVFiles->RowCount() > 0;
    for (QAction* action : {MoveThisFolderAct, NameCopyAct})
        SetRuleEnabled(action, focused);
    for (QAction* action : {OpenShellAct, OpenExplorerAct, DeleteFileAct, CopyFileAct, MoveFileAct})
        SetRuleEnabled(action, selected);
    for (QAction* action :
         {SearchFindAct, SearchFindNextAct, SelectAllAct, SelectChangeAct, JpegErrorCheckAllAct, SelectErrorsActSl})
        SetRuleEnabled(action, hasRows);
    // The history menus show a disabled placeholder while they are empty,
    // so their entries are counted, not their items.
    SetRuleEnabled(BackAct, KvRecentControl1 && KvRecentControl1->BackItemCount() > 0);
    SetRuleEnabled(ForwardAct, KvRecentControl1 && KvRecentControl1->ForwardItemCount() > 0);
    BindRefreshButton();
    if (AppOptions) {
        QAction* const modes[] = {IVNoneAct, IVScaleNormalAct, IVAutoScaleLongAct};
        if (AppOptions->ImgViewMode < std::size(modes) && !modes[AppOptions->ImgViewMode]->isChecked())
            modes[AppOptions->ImgViewMode]->setChecked(true);
    }
}

// --- Set-up ------------------------------------------------------------------

void TFormScanlark::SetupFileListView()
{
    LVFiles->SetCellTextFunction([this](int row, int column) { return LVFilesData(row, column); });
    FileIconCache = new TFileIconCache(this);
    LVFiles->SetCellIconFunction([this](int row, int column) -> QIcon {
        const TKvThreadFileInfoList& list = KvFileInfos1->FileInfoList();
        if (column != ScanlarkColumn::Name || list.Busy() || row < 0 || row >= list.Count())
            return {};
        return static_cast<TFileIconCache*>(FileIconCache)->Icon(list.FileInfos(row)->IconIndex);
    });
    LVFiles->SetDataFindFunction(
        [this](const QString& text, int start, bool wrap) { return LVFilesDataFind(text, start, wrap); });
    connect(LVFiles, &TKvListView::columnClicked, this, &TFormScanlark::LVFilesColumnClick);

    // Any change of rows, selection or focus shows in the status bar, and
    // the rules follow at once: code that fills the list may run a command
    // right after (the check that starts when a listing ends).
    const auto listChanged = [this] {
        // Children still signal while the window is being torn down, after
        // the actions and buttons the rules touch are gone.
        if (closed_)
            return;
        UpdateStatusBar();
        ActionList1Update();
    };
    connect(LVFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, listChanged);
    connect(LVFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, listChanged);
    connect(LVFiles->model(), &QAbstractItemModel::modelReset, this, listChanged);

    connect(LVFiles, &QAbstractItemView::clicked, this, [this] { LVFilesClick(); });
    connect(LVFiles, &QAbstractItemView::doubleClicked, this, [this] { ExecuteAction(OpenShellAct); });
    // The menu itself is opened by the layout's own connection.
    connect(LVFiles, &QWidget::customContextMenuRequested, this, [this] { ExecuteAction(ImgLoadAct); });
    LVFiles->viewport()->setMouseTracking(true);
    LVFiles->viewport()->installEventFilter(new TEventHook(LVFiles->viewport(), [this](QEvent* e) {
        if (e->type() == QEvent::MouseMove)
            LVFilesMouseMove();
    }));

    for (QAction* action : {SearchFindAct, SearchFindNextAct, SelectAllAct, SelectChangeAct})
        std::erase(pendingActions_, action);
    connect(SearchFindAct, &QAction::triggered, this, [this] { SearchFindActExecute(); });
    connect(SearchFindNextAct, &QAction::triggered, this, [this] { FindDialog1Find(); });
    connect(SelectAllAct, &QAction::triggered, this, [this] { SelectAllActExecute(); });
    connect(SelectChangeAct, &QAction::triggered, this, [this] { SelectChangeActExecute(); });

    // The rules are cheap (no walk over the rows), so a short poll keeps the
    // actions current whatever changed them; commands run them first anyway.
    ActionUpdateTimer = new QTimer(this);
    ActionUpdateTimer->setObjectName(QStringLiteral("ActionUpdateTimer"));
    ActionUpdateTimer->setInterval(100);
    connect(ActionUpdateTimer, &QTimer::timeout, this, [this] {
        if (isVisible() && !closed_)
            ActionList1Update();
    });
    ActionUpdateTimer->start();
    ActionList1Update();
    UpdateStatusBar();
}

#include "components/FrmKvEditFileList.h"

#include "components/KvActns.h"
#include "components/KvListView.h"
#include "KvRTL/EtcLists/KvEtcLists.h"
#include "paths/LongPath.h"
#include "platform/DisplayPath.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString GroupedCount(int64_t count)
{
    return QLocale::system().toString(static_cast<qlonglong>(count));
}

// Hands mouse moves over a widget to a function.
class TMouseMoveHook : public QObject {
public:
    TMouseMoveHook(QWidget* watched, std::function<void()> handler) : QObject(watched), handler_(std::move(handler))
    {
        watched->setMouseTracking(true);
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::MouseMove)
            handler_();
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> handler_;
};

}  // namespace

bool FolderExists(const std::string& path)
{
    if (path.empty())
        return false;
    const int fd = OpenLongPath(AT_FDCWD, path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TFormKvEditFileList::TFormKvEditFileList(QWidget* owner) : QDialog(owner)
{
    FormCreate();
}

TFormKvEditFileList::~TFormKvEditFileList() = default;

void TFormKvEditFileList::FormCreate()
{
    setObjectName(QStringLiteral("FormKvEditFileList"));
    setWindowTitle(QCoreApplication::translate("HistoryEditor", "リストエディター"));
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setSizeGripEnabled(true);
    resize(600, 400);
    // The centre of the desktop the owner is on.
    if (QScreen* screen = parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    KvColumnInfos1 = std::make_unique<TKvColumnInfos>();
    struct ColumnDesign {
        const char* ident;
        const char* caption;
        int width;
    };
    for (const ColumnDesign& design :
         {ColumnDesign{"KvListColumnInfo0", QT_TRANSLATE_NOOP("HistoryEditor", "順番"), 50},
          ColumnDesign{"KvListColumnInfo2", QT_TRANSLATE_NOOP("HistoryEditor", "フォルダ名"), 400},
          ColumnDesign{"KvListColumnInfo3", QT_TRANSLATE_NOOP("HistoryEditor", "フォルダ名のみ"), 100}}) {
        TKvListColumnInfo& info = KvColumnInfos1->ColumnInfos().Add();
        info.IdentName = design.ident;
        info.Caption = QCoreApplication::translate("HistoryEditor", design.caption);
        info.SetDefaultWidth(design.width);
    }

    const auto makeAction = [this](const char* name, const char* caption) {
        auto* action = new QAction(QCoreApplication::translate("HistoryEditor", caption), this);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    // Access keys, so that every button is reached from the keyboard.
    ActNumber = makeAction("ActNumber", QT_TRANSLATE_NOOP("HistoryEditor", "現在の順番に変更(&N)"));
    ActDelete = makeAction("ActDelete", QT_TRANSLATE_NOOP("HistoryEditor", "削除(&D)"));
    ActDeleteInvalidFolders =
        makeAction("ActDeleteInvalidFolders", QT_TRANSLATE_NOOP("HistoryEditor", "不正なパスを削除(&I)"));
    ActClear = makeAction("ActClear", QT_TRANSLATE_NOOP("HistoryEditor", "すべて削除(&A)"));
    ActSetStatusBarText = makeAction("ActSetStatusBarText", "");
    connect(ActNumber, &QAction::triggered, this, &TFormKvEditFileList::ActNumberExecute);
    connect(ActDelete, &QAction::triggered, this, &TFormKvEditFileList::ActDeleteExecute);
    connect(ActDeleteInvalidFolders, &QAction::triggered, this, &TFormKvEditFileList::ActDeleteInvalidFoldersExecute);
    connect(ActClear, &QAction::triggered, this, &TFormKvEditFileList::ActClearExecute);
    connect(ActSetStatusBarText, &QAction::triggered, this, &TFormKvEditFileList::ActSetStatusBarTextExecute);

    KvListView1 = new TKvListView(this);
    KvListView1->setObjectName(QStringLiteral("KvListView1"));
    KvListView1->ColumnInfos = KvColumnInfos1.get();
    KvListView1->SetCellTextFunction(std::bind_front(&TFormKvEditFileList::KvListView1Data, this));
    KvListView1->UpdateColumns();
    auto* menu = new QMenu(this);
    menu->addAction(ActDelete);
    // Delete in the list removes the chosen rows, as in a file manager.
    ActDelete->setShortcut(QKeySequence::Delete);
    ActDelete->setShortcutContext(Qt::WidgetShortcut);
    KvListView1->addAction(ActDelete);
    KvListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(KvListView1, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint& at) { menu->popup(KvListView1->viewport()->mapToGlobal(at)); });
    connect(KvListView1, &TKvListView::columnClicked, this, &TFormKvEditFileList::KvListView1ColumnClick);
    new TMouseMoveHook(KvListView1->viewport(), [this] { KvListView1MouseMove(); });
    // The keyboard moves the selection too: the texts follow it as well.
    connect(KvListView1->selectionModel(), &QItemSelectionModel::selectionChanged, ActSetStatusBarText,
            &QAction::trigger);
    connect(KvListView1->selectionModel(), &QItemSelectionModel::currentChanged, ActSetStatusBarText,
            &QAction::trigger);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(8, 4, 8, 3);
    panelLayout->setSpacing(7);
    QPushButton* number = ActionButton(ActNumber, QStringLiteral("ButtonNumber"), panel);
    QPushButton* remove = ActionButton(ActDelete, QStringLiteral("ButtonDelete"), panel);
    QPushButton* clear = ActionButton(ActClear, QStringLiteral("ButtonClear"), panel);
    QPushButton* invalid = ActionButton(ActDeleteInvalidFolders, QStringLiteral("ButtonDeleteInvalidFolders"), panel);
    for (QPushButton* button : {number, remove, clear, invalid}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(97);
        panelLayout->addWidget(button);
    }
    panelLayout->addStretch(1);

    auto* okCancel = new QWidget(this);
    okCancel->setObjectName(QStringLiteral("PanelOkCancel"));
    auto* okCancelLayout = new QHBoxLayout(okCancel);
    okCancelLayout->setContentsMargins(8, 2, 15, 2);
    okCancelLayout->setSpacing(7);
    okCancelLayout->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), okCancel);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("HistoryEditor", "キャンセル"), okCancel);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setAutoDefault(false);
    for (QPushButton* button : {ok, cancel}) {
        button->setMinimumWidth(81);
        okCancelLayout->addWidget(button);
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    // Panel 0 takes the width the others leave.
    const int widths[] = {50, 130, 50};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(StatusBar1);
        label->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        if (i == 0) {
            label->setMinimumWidth(widths[i]);
            StatusBar1->addWidget(label, 1);
        } else {
            label->setFixedWidth(widths[i]);
            StatusBar1->addWidget(label, 0);
        }
        panels_.push_back(label);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(KvListView1, 1);
    layout->addWidget(panel);
    layout->addWidget(okCancel);
    layout->addWidget(StatusBar1);

    setTabOrder(KvListView1, number);
    setTabOrder(number, remove);
    setTabOrder(remove, invalid);
    setTabOrder(invalid, clear);
    setTabOrder(clear, ok);
    setTabOrder(ok, cancel);
    KvListView1->setFocus();
}

void TFormKvEditFileList::ShowList()
{
    KvListView1->SetRowCount(FileNameList.Count());
    ActSetStatusBarText->trigger();
}

QString TFormKvEditFileList::KvListView1Data(int row, int column) const
{
    if (row < 0 || row >= FileNameList.Count())
        return {};
    const TKvEditFileName& item = FileNameList.EditFileNames(row);
    switch (column) {
    case 0: return QString::number(item.Number);
    case 1: return DisplayPath(item.FileName);
    case 2: return DisplayPath(item.FolderName());
    default: return {};
    }
}

void TFormKvEditFileList::KvListView1ColumnClick(int column)
{
    // The selection and the focus stay with their items, not their rows.
    TIntegerList selectedRows;
    KvListView1->GetSelectedIndexes(selectedRows);
    std::vector<const TKvEditFileName*> selected;
    for (int i = 0; i < selectedRows.Count(); ++i)
        selected.push_back(&FileNameList.EditFileNames(selectedRows.Items(i)));
    const int focusedRow = KvListView1->currentRow();
    const TKvEditFileName* focused =
        focusedRow >= 0 && focusedRow < FileNameList.Count() ? &FileNameList.EditFileNames(focusedRow) : nullptr;

    KvListView1->SortColumnClick(column);
    switch (KvListView1->SortColumnIndex) {
    case 0: FileNameList.SortByNumber(KvListView1->SortDown); break;
    case 1: FileNameList.SortByFileName(KvListView1->SortDown); break;
    case 2: FileNameList.SortByFolderName(KvListView1->SortDown); break;
    default: break;
    }

    KvListView1->ClearSelection();
    for (int row = 0; row < FileNameList.Count(); ++row) {
        const TKvEditFileName* item = &FileNameList.EditFileNames(row);
        if (item == focused)
            KvListView1->setCurrentRow(row);
        if (std::find(selected.begin(), selected.end(), item) != selected.end())
            KvListView1->selectRow(row, true);
    }
    KvListView1->RepaintRows();
}

void TFormKvEditFileList::KvListView1MouseMove()
{
    ActSetStatusBarText->trigger();
}

void TFormKvEditFileList::ActNumberExecute()
{
    for (int row = 0; row < FileNameList.Count(); ++row)
        FileNameList.EditFileNames(row).Number = row + 1;
    KvListView1->RepaintRows();
}

void TFormKvEditFileList::ActDeleteExecute()
{
    TIntegerList rows;
    KvListView1->GetSelectedIndexes(rows);
    if (rows.Count() == 0)
        return;
    const int first = rows.Items(0);
    for (int i = rows.Count() - 1; i >= 0; --i)
        FileNameList.Delete(rows.Items(i));
    KvListView1->SetRowCount(FileNameList.Count());
    KvListView1->ClearSelection();
    // The keyboard goes on where the first deleted row was.
    KvListView1->setCurrentRow(std::min(first, FileNameList.Count() - 1));
    KvListView1->RepaintRows();
    ActSetStatusBarText->trigger();
}

void TFormKvEditFileList::ActDeleteInvalidFoldersExecute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    for (int n = FileNameList.Count() - 1; n >= 0; --n)
        if (!FolderExists(FileNameList.EditFileNames(n).FileName))
            FileNameList.Delete(n);
    KvListView1->SetRowCount(FileNameList.Count());
    KvListView1->RepaintRows();
    ActSetStatusBarText->trigger();
}

void TFormKvEditFileList::ActClearExecute()
{
    KvListView1->SetRowCount(0);
    FileNameList.Clear();
    KvListView1->RepaintRows();
    ActSetStatusBarText->trigger();
}

void TFormKvEditFileList::ActSetStatusBarTextExecute()
{
    panels_[0]->setText(QCoreApplication::translate("HistoryEditor", "%1 個のオブジェクトを選択")
                            .arg(GroupedCount(KvListView1->selectedRowCount())));
    const int focused = KvListView1->currentRow();
    const int count = KvListView1->RowCount();
    if (focused >= 0)
        panels_[1]->setText(QStringLiteral("%1 / %2").arg(GroupedCount(focused + 1), GroupedCount(count)));
    else
        panels_[1]->setText(
            QCoreApplication::translate("HistoryEditor", "%1 個のオブジェクト").arg(GroupedCount(count)));
}

bool EditFileNameList(QWidget* owner, std::vector<std::string>& strings)
{
    TFormKvEditFileList form(owner);
    form.FileNameList.LoadFromStrings(strings);
    form.ShowList();
    if (form.exec() != QDialog::Accepted)
        return false;
    form.FileNameList.SaveToStrings(strings);
    return true;
}

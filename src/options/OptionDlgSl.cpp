#include "options/OptionDlgSl.h"

#include "catalogue/KvFileInfos.h"
#include "components/KvActns.h"
#include "components/KvListView.h"
#include "options/OptionsSl.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kWidthColumn = TKvListView::EditorWidthColumn;
constexpr int kIndexColumn = TKvListView::EditorIndexColumn;

int DescriptionIndex(const QTreeWidgetItem* item)
{
    bool ok = false;
    const int index = item->text(kIndexColumn).toInt(&ok);
    return ok ? index : -1;
}

}  // namespace

TOptionDialog::TOptionDialog(TScanlarkOptions& options, QWidget* parent) : QDialog(parent), options_(options)
{
    setObjectName(QStringLiteral("OptionDialog"));
    setWindowTitle(QCoreApplication::translate("Options", "オプション"));
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));

    const auto makeAction = [this](const char* name, const char* caption, void (TOptionDialog::*handler)()) {
        auto* action = new QAction(QCoreApplication::translate("Options", caption), this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    DefaultAct =
        makeAction("DefaultAct", QT_TRANSLATE_NOOP("Options", "初期化する"), &TOptionDialog::DefaultActExecute);
    OptionsToDlgAct = makeAction("OptionsToDlgAct", "", &TOptionDialog::OptionsToDlgActExecute);
    DlgToOptionsAct = makeAction("DlgToOptionsAct", "", &TOptionDialog::DlgToOptionsActExecute);
    RowsUpAct = makeAction("RowsUpAct", QT_TRANSLATE_NOOP("Options", "上へ(&U)"), &TOptionDialog::RowsUpActExecute);
    RowsDownAct =
        makeAction("RowsDownAct", QT_TRANSLATE_NOOP("Options", "下へ(&D)"), &TOptionDialog::RowsDownActExecute);
    RowsShowAct =
        makeAction("RowsShowAct", QT_TRANSLATE_NOOP("Options", "表示(&S)"), &TOptionDialog::RowsShowActExecute);
    RowsHideAct =
        makeAction("RowsHideAct", QT_TRANSLATE_NOOP("Options", "非表示(&H)"), &TOptionDialog::RowsHideActExecute);
    RowsResetAct =
        makeAction("RowsResetAct", QT_TRANSLATE_NOOP("Options", "リセット(&R)"), &TOptionDialog::RowsResetActExecute);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    CreateGeneralPage();
    CreateColumnsPage();
    PageControl1->setCurrentWidget(TabSheetGeneral);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TOptionDialog::PageControl1Change);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("Options", "キャンセル"), this);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setAutoDefault(false);
    QPushButton* defaults = ActionButton(DefaultAct, QStringLiteral("ButtonDefault"), this);
    defaults->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {ok, cancel, defaults}) {
        button->setMinimumWidth(75);
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    // A fixed border, at least as large as designed, large enough for the
    // texts in the font in use.
    setFixedSize(sizeHint().expandedTo(QSize(401, 401)));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    ActionList1Update();
}

void TOptionDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    PageControl1Change();
}

void TOptionDialog::PageControl1Change()
{
    if (PageControl1->currentWidget() == TabSheetColumns)
        ListViewCE->setFocus();
}

void TOptionDialog::CreateGeneralPage()
{
    TabSheetGeneral = new QWidget(PageControl1);
    TabSheetGeneral->setObjectName(QStringLiteral("TabSheetGeneral"));
    const auto checkBox = [this](const char* name, const char* caption) {
        auto* box = new QCheckBox(QCoreApplication::translate("Options", caption), TabSheetGeneral);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    CheckBoxSubFolderSearch =
        checkBox("CheckBoxSubFolderSearch", QT_TRANSLATE_NOOP("Options", "サブフォルダも検索(&S)"));
    CheckBoxHiddenFileView = checkBox("CheckBoxHiddenFileView", QT_TRANSLATE_NOOP("Options", "隠しファイルを表示(&H)"));
    CheckBoxDoNow = checkBox("CheckBoxDoNow", QT_TRANSLATE_NOOP("Options", "すぐにエラーチェック開始(&D)"));
    // Its menu command's access key D is DoNow's on this page.
    CheckBoxDeepCheck = checkBox("CheckBoxDeepCheck", QT_TRANSLATE_NOOP("Options", "画像データも検査する(&I)"));
    CheckBoxFolderBarVisible = checkBox("CheckBoxFolderBarVisible", QT_TRANSLATE_NOOP("Options", "フォルダ(&O)"));

    ComboBoxFilePriority = new QComboBox(TabSheetGeneral);
    ComboBoxFilePriority->setObjectName(QStringLiteral("ComboBoxFilePriority"));
    ComboBoxFilePriority->addItems({QStringLiteral("Idle"), QStringLiteral("Lowest"), QStringLiteral("Lower"),
                                    QStringLiteral("Normal"), QStringLiteral("Higher"),
                                    QCoreApplication::translate("Options", "Highest (推奨)"),
                                    QStringLiteral("TimeCritical")});
    ComboBoxImgViewMode = new QComboBox(TabSheetGeneral);
    ComboBoxImgViewMode->setObjectName(QStringLiteral("ComboBoxImgViewMode"));
    ComboBoxImgViewMode->addItems({QCoreApplication::translate("Options", "表示しない"),
                                   QCoreApplication::translate("Options", "実寸表示"),
                                   QCoreApplication::translate("Options", "自動倍率")});
    auto* priorityLabel =
        new QLabel(QCoreApplication::translate("Options", "ファイルスレッド優先度(&T)"), TabSheetGeneral);
    priorityLabel->setBuddy(ComboBoxFilePriority);
    auto* imageLabel = new QLabel(QCoreApplication::translate("Options", "画像の表示(&V)"), TabSheetGeneral);
    imageLabel->setBuddy(ComboBoxImgViewMode);

    auto* layout = new QVBoxLayout(TabSheetGeneral);
    for (QCheckBox* box :
         {CheckBoxSubFolderSearch, CheckBoxHiddenFileView, CheckBoxDoNow, CheckBoxDeepCheck, CheckBoxFolderBarVisible})
        layout->addWidget(box);
    layout->addSpacing(12);
    auto* form = new QFormLayout;
    form->addRow(priorityLabel, ComboBoxFilePriority);
    form->addRow(imageLabel, ComboBoxImgViewMode);
    layout->addLayout(form);
    layout->addStretch(1);
    PageControl1->addTab(TabSheetGeneral, QCoreApplication::translate("Options", "全般"));
}

void TOptionDialog::CreateColumnsPage()
{
    TabSheetColumns = new QWidget(PageControl1);
    TabSheetColumns->setObjectName(QStringLiteral("TabSheetColumns"));

    ListViewCE = new QTreeWidget(TabSheetColumns);
    ListViewCE->setObjectName(QStringLiteral("ListViewCE"));
    ListViewCE->setColumnCount(TKvListView::EditorColumnCount);
    ListViewCE->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Width"), QStringLiteral("Index")});
    ListViewCE->setHeaderHidden(true);
    // The width and the index ride along in the row without being shown.
    ListViewCE->setColumnHidden(kWidthColumn, true);
    ListViewCE->setColumnHidden(kIndexColumn, true);
    ListViewCE->header()->setSectionResizeMode(TKvListView::EditorCaptionColumn, QHeaderView::Stretch);
    ListViewCE->setRootIsDecorated(false);
    ListViewCE->setItemsExpandable(false);
    ListViewCE->setUniformRowHeights(true);
    ListViewCE->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewCE->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ListViewCE, &QTreeWidget::itemChanged, this, &TOptionDialog::ListViewCEChange);
    connect(ListViewCE, &QTreeWidget::currentItemChanged, this, [this] {
        ListViewCESelectItem();
        ActionList1Update();
    });

    EditWidth = new QSpinBox(TabSheetColumns);
    EditWidth->setObjectName(QStringLiteral("EditWidth"));
    EditWidth->setRange(0, 1600);
    EditWidth->setGroupSeparatorShown(false);
    EditWidth->setValue(0);
    connect(EditWidth, &QSpinBox::valueChanged, this, &TOptionDialog::EditWidthChange);
    auto* widthLabel = new QLabel(QCoreApplication::translate("Options", "選択した列の幅(&W)"), TabSheetColumns);
    widthLabel->setBuddy(EditWidth);
    auto* width = new QHBoxLayout;
    width->addWidget(widthLabel);
    width->addWidget(EditWidth);
    width->addWidget(new QLabel(QCoreApplication::translate("Options", "ピクセル"), TabSheetColumns));
    width->addStretch(1);

    auto* rowButtons = new QVBoxLayout;
    const std::pair<QAction*, const char*> rowActions[] = {{RowsUpAct, "ButtonRowsUp"},
                                                          {RowsDownAct, "ButtonRowsDown"},
                                                          {RowsShowAct, "ButtonRowsShow"},
                                                          {RowsHideAct, "ButtonRowsHide"},
                                                          {RowsResetAct, "ButtonRowsReset"}};
    for (const auto& [action, name] : rowActions) {
        QPushButton* button = ActionButton(action, QString::fromLatin1(name), TabSheetColumns);
        button->setAutoDefault(false);  // Enter belongs to OK
        rowButtons->addWidget(button);
    }
    rowButtons->addStretch(1);

    auto* editor = new QHBoxLayout;
    editor->addWidget(ListViewCE, 1);
    editor->addLayout(rowButtons);
    auto* layout = new QVBoxLayout(TabSheetColumns);
    layout->addLayout(editor, 1);
    layout->addLayout(width);
    PageControl1->addTab(TabSheetColumns, QCoreApplication::translate("Options", "列の設定"));
}

void TOptionDialog::OptionsToDlgActExecute()
{
    const TScanlarkOptionTargets& live = options_.Targets();
    const TKvFileInfoListOptions flags = live.FileInfos->Options();
    CheckBoxSubFolderSearch->setChecked(flags.Contains(filoSubFolderSearch));
    CheckBoxHiddenFileView->setChecked(flags.Contains(filoHiddenFileView));
    CheckBoxDoNow->setChecked(live.DoNowAct->isChecked());
    CheckBoxDeepCheck->setChecked(live.DeepCheckAct->isChecked());
    CheckBoxFolderBarVisible->setChecked(live.FolderBarVisibleAct->isChecked());
    // A value no item stands for leaves the list without a selection.
    const int priority = live.FileInfos->Priority();
    ComboBoxFilePriority->setCurrentIndex(priority < ComboBoxFilePriority->count() ? priority : -1);
    const int mode = options_.ImgViewMode;
    ComboBoxImgViewMode->setCurrentIndex(mode < ComboBoxImgViewMode->count() ? mode : -1);
    changeHandlerAttached_ = false;
    const auto attach = qScopeGuard([this] { changeHandlerAttached_ = true; });
    live.LVFiles->StoreColumnWidths();
    live.LVFiles->ColumnsToEditor(ListViewCE);
    ActionList1Update();
}

void TOptionDialog::DlgToOptionsActExecute()
{
    const TScanlarkOptionTargets& live = options_.Targets();
    TKvFileInfoListOptions flags = live.FileInfos->Options();
    flags.Set(filoSubFolderSearch, CheckBoxSubFolderSearch->isChecked());
    flags.Set(filoHiddenFileView, CheckBoxHiddenFileView->isChecked());
    live.FileInfos->SetOptions(flags);
    live.DoNowAct->setChecked(CheckBoxDoNow->isChecked());
    live.DeepCheckAct->setChecked(CheckBoxDeepCheck->isChecked());
    live.FolderBarVisibleAct->setChecked(CheckBoxFolderBarVisible->isChecked());
    // A list without a selection keeps the value it was opened with.
    if (ComboBoxFilePriority->currentIndex() >= 0)
        live.FileInfos->SetPriority(static_cast<uint8_t>(ComboBoxFilePriority->currentIndex()));
    if (ComboBoxImgViewMode->currentIndex() >= 0)
        options_.ImgViewMode = static_cast<uint8_t>(ComboBoxImgViewMode->currentIndex());
    options_.ApplyOptions();
    live.LVFiles->EditorToColumns(ListViewCE);
    live.LVFiles->UpdateColumns();
}

void TOptionDialog::DefaultActExecute()
{
    const TKvThreadFileInfoListDefaults& listDefaults = *options_.Targets().FileInfos->FileInfoList().Defaults;
    CheckBoxSubFolderSearch->setChecked(listDefaults.DefaultOptions.Contains(filoSubFolderSearch));
    CheckBoxHiddenFileView->setChecked(listDefaults.DefaultOptions.Contains(filoHiddenFileView));
    CheckBoxDoNow->setChecked(options_.Defaults->DoNow);
    CheckBoxDeepCheck->setChecked(options_.Defaults->DeepCheck);
    CheckBoxFolderBarVisible->setChecked(options_.Defaults->FolderBarVisible);
    ComboBoxFilePriority->setCurrentIndex(listDefaults.DefaultPriority);
    ComboBoxImgViewMode->setCurrentIndex(options_.Defaults->ImgViewMode);
    RowsResetAct->trigger();
}

void TOptionDialog::RowsResetActExecute()
{
    {
        changeHandlerAttached_ = false;
        const auto attach = qScopeGuard([this] { changeHandlerAttached_ = true; });
        options_.Targets().LVFiles->DefaultColumnsToEditor(ListViewCE);
    }
    if (QTreeWidgetItem* first = ListViewCE->topLevelItem(0)) {
        ListViewCE->setCurrentItem(first);
        first->setSelected(true);
    }
    ActionList1Update();
}

void TOptionDialog::MoveFocusedRow(int delta)
{
    QTreeWidgetItem* item = ListViewCE->currentItem();
    if (!item)
        return;
    const int from = ListViewCE->indexOfTopLevelItem(item);
    const int to = from + delta;
    if (from < 0 || to < 0 || to >= ListViewCE->topLevelItemCount())
        return;
    {
        changeHandlerAttached_ = false;
        ListViewCE->setUpdatesEnabled(false);
        const auto resume = qScopeGuard([this] {
            ListViewCE->setUpdatesEnabled(true);
            changeHandlerAttached_ = true;
        });
        ListViewCE->takeTopLevelItem(from);
        ListViewCE->insertTopLevelItem(to, item);
        ListViewCE->setCurrentItem(item);
        item->setSelected(true);
        ListViewCE->scrollToItem(item);
    }
    ListViewCE->setFocus();
    ActionList1Update();
}

void TOptionDialog::RowsUpActExecute()
{
    ActionList1Update();
    if (RowsUpAct->isEnabled())
        MoveFocusedRow(-1);
}

void TOptionDialog::RowsDownActExecute()
{
    ActionList1Update();
    if (RowsDownAct->isEnabled())
        MoveFocusedRow(+1);
}

void TOptionDialog::RowsShowActExecute()
{
    ActionList1Update();
    if (QTreeWidgetItem* item = ListViewCE->currentItem(); item && RowsShowAct->isEnabled())
        item->setCheckState(TKvListView::EditorCaptionColumn, Qt::Checked);
    ListViewCE->setFocus();
}

void TOptionDialog::RowsHideActExecute()
{
    ActionList1Update();
    if (QTreeWidgetItem* item = ListViewCE->currentItem(); item && RowsHideAct->isEnabled())
        item->setCheckState(TKvListView::EditorCaptionColumn, Qt::Unchecked);
    ListViewCE->setFocus();
}

void TOptionDialog::ActionList1Update()
{
    QTreeWidgetItem* item = ListViewCE->currentItem();
    if (ListViewCE->topLevelItemCount() == 0 || !item) {
        for (QAction* action : {RowsUpAct, RowsDownAct, RowsShowAct, RowsHideAct})
            action->setEnabled(false);
        return;
    }
    const int row = ListViewCE->indexOfTopLevelItem(item);
    const bool ticked = item->checkState(TKvListView::EditorCaptionColumn) == Qt::Checked;
    // Nothing moves into the top row, and the first designed column neither
    // moves down nor hides: it stays on top and shown.
    RowsUpAct->setEnabled(row > 1);
    const bool first = DescriptionIndex(item) == 0;
    RowsHideAct->setEnabled(!first && ticked);
    RowsDownAct->setEnabled(!first && row < ListViewCE->topLevelItemCount() - 1);
    RowsShowAct->setEnabled(!ticked);
}

void TOptionDialog::ListViewCEChange(QTreeWidgetItem* item, int column)
{
    if (!changeHandlerAttached_ || !item || column != TKvListView::EditorCaptionColumn)
        return;
    // The first designed column cannot be unticked by its check box either.
    if (DescriptionIndex(item) == 0 && item->checkState(TKvListView::EditorCaptionColumn) != Qt::Checked)
        item->setCheckState(TKvListView::EditorCaptionColumn, Qt::Checked);
    ActionList1Update();
}

void TOptionDialog::ListViewCESelectItem()
{
    const QTreeWidgetItem* item = ListViewCE->currentItem();
    if (!item)
        return;
    showingRowWidth_ = true;
    const auto done = qScopeGuard([this] { showingRowWidth_ = false; });
    EditWidth->setValue(item->text(kWidthColumn).toInt());
}

void TOptionDialog::EditWidthChange(int value)
{
    if (showingRowWidth_)
        return;
    if (QTreeWidgetItem* item = ListViewCE->currentItem())
        item->setText(kWidthColumn, QString::number(value));
}

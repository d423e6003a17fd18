// Layout of the main window: menus, the two toolbars, the folder tree, the
// file list, the (hidden) preview area and the five-panel status bar.
#include "app/MainWin.h"

#include "components/KvActns.h"
#include "components/KvFolderTreeModel.h"
#include "components/KvImageView.h"
#include "components/KvListView.h"
#include "components/ScanlarkStatusTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

// Design widths of the status panels; panel 0 takes what the others leave.
constexpr int kPanelWidths[5] = {50, 130, 70, 120, 50};

// The design width of panel, widened to show each of its texts whole in
// the label's font: the design widths were made for a smaller font.
int StatusPanelWidth(const QLabel* label, int panel)
{
    const QFontMetrics metrics = label->fontMetrics();
    int text = 0;
    for (const QString& longest : LongestStatusTexts(panel, QLocale::system()))
        text = std::max(text, metrics.horizontalAdvance(longest));
    const QMargins margins = label->contentsMargins();
    // The label indents its text by half an "x" beside the frame.
    const int chrome = margins.left() + margins.right() + 2 * label->margin() + metrics.horizontalAdvance(u'x');
    return std::max(kPanelWidths[panel], text + chrome);
}

QToolButton* dropDownButton(QToolBar* bar, QAction* action, QMenu* menu)
{
    auto* button = new QToolButton(bar);
    button->setDefaultAction(action);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    bar->addWidget(button);
    return button;
}

}  // namespace

void TFormScanlark::CreateMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QCoreApplication::translate("MainWindow", "ファイル(&F)"));
    file->addAction(SelectFolderAct);
    file->addSeparator();
    file->addActions({OpenShellAct, OpenExplorerAct, OpenFolderAct});
    file->addSeparator();
    file->addAction(DeleteFileAct);
    file->addSeparator();
    file->addAction(KvExitAction1);

    QMenu* edit = bar->addMenu(QCoreApplication::translate("MainWindow", "編集(&E)"));
    edit->addActions({SearchFindAct, SearchFindNextAct});
    edit->addSeparator();
    edit->addAction(NameCopyAct);
    edit->addSeparator();
    edit->addActions({CopyFileAct, MoveFileAct, KeepFoldersAct, UndoSetAsideAct});
    edit->addSeparator();
    edit->addAction(SelectAllAct);
    // This menu item carries a hint of its own.
    QAction* selectErrorsItem = edit->addAction(SelectErrorsActSl->text());
    selectErrorsItem->setObjectName(QStringLiteral("SelectErrorsMenuItem"));
    SetHint(selectErrorsItem, QCoreApplication::translate("MainWindow", "エラーを選択|エラーをすべて選択します。"));
    selectErrorsItem->setEnabled(SelectErrorsActSl->isEnabled());
    connect(SelectErrorsActSl, &QAction::changed, selectErrorsItem,
            [this, selectErrorsItem] { selectErrorsItem->setEnabled(SelectErrorsActSl->isEnabled()); });
    connect(selectErrorsItem, &QAction::triggered, SelectErrorsActSl, &QAction::trigger);
    edit->addAction(SelectChangeAct);
    // The menu shows the keys that the list, the tree and the address box
    // answer on their release (MainWinInput.cpp); as shortcuts they act
    // only in the menu itself, so a key never runs its command twice.
    for (const auto& [item, key] : {std::pair{SearchFindAct, QKeySequence(Qt::CTRL | Qt::Key_F)},
                                    std::pair{SearchFindNextAct, QKeySequence(Qt::Key_F3)},
                                    std::pair{selectErrorsItem, QKeySequence(Qt::CTRL | Qt::Key_R)}}) {
        item->setShortcut(key);
        item->setShortcutContext(Qt::WidgetShortcut);
    }

    QMenu* view = bar->addMenu(QCoreApplication::translate("MainWindow", "表示(&V)"));
    view->addAction(FolderBarVisibleAct);
    view->addSeparator();
    view->addAction(ColumnsEditAct);
    view->addSeparator();
    QMenu* move = view->addMenu(MoveAct->text());
    move->menuAction()->setStatusTip(MoveAct->statusTip());
    move->addActions({BackAct, ForwardAct, UpFolderAct});
    move->addSeparator();
    move->addAction(MoveThisFolderAct);
    view->addAction(StopAct);
    QMenu* refresh = view->addMenu(RefreshAct->text());
    refresh->menuAction()->setStatusTip(RefreshAct->statusTip());
    refresh->addActions({RefreshAllAct, RefreshFoldersAct, RefreshFilesAct});
    view->addSeparator();
    QMenu* image = view->addMenu(QCoreApplication::translate("MainWindow", "画像の表示(&V)"));
    image->addActions({IVNoneAct, IVScaleNormalAct, IVAutoScaleLongAct});
    view->addSeparator();
    view->addActions({SubFolderSearchAct, HiddenFileViewAct, DoNowAct});

    QMenu* run = bar->addMenu(QCoreApplication::translate("MainWindow", "実行(&R)"));
    run->addActions({JpegErrorCheckAllAct, DeepCheckAct});

    QMenu* tools = bar->addMenu(QCoreApplication::translate("MainWindow", "ツール(&T)"));
    tools->addAction(ActRecentEdit);
    tools->addSeparator();
    tools->addAction(OptionDetailAct);

    QMenu* help = bar->addMenu(QCoreApplication::translate("MainWindow", "ヘルプ(&H)"));
    help->addAction(KvViewHelpHtmlActionSl);
    help->addSeparator();
    help->addAction(KvOpenAppFolderAction1);
    help->addSeparator();
    help->addAction(KvAboutActionSl);
}

void TFormScanlark::CreatePopupMenus()
{
    PMBack = new QMenu(this);
    PMBack->setObjectName(QStringLiteral("PMBack"));
    PMForward = new QMenu(this);
    PMForward->setObjectName(QStringLiteral("PMForward"));
    PMRefresh = new QMenu(this);
    PMRefresh->addActions({RefreshAllAct, RefreshFoldersAct, RefreshFilesAct});
    PMLVFilesSl = new QMenu(this);
    PMLVFilesSl->addActions({OpenShellAct, RefreshFilesAct, MoveThisFolderAct});
    PMLVFilesSl->addSeparator();
    PMLVFilesSl->addAction(NameCopyAct);
    PMLVFilesSl->addSeparator();
    PMLVFilesSl->addActions({OpenExplorerAct, OpenFolderAct});
    PMLVFilesSl->addSeparator();
    PMLVFilesSl->addAction(DeleteFileAct);
    PMLVFilesSl->addSeparator();
    PMLVFilesSl->addActions({SelectAllAct, SelectChangeAct});
    PMLVFilesSl->addSeparator();
    PMLVFilesSl->addAction(ColumnsEditAct);

    PMImgView = new QMenu(this);
    PMImgView->setObjectName(QStringLiteral("PMImgView"));
    QMenu* modes = PMImgView->addMenu(QCoreApplication::translate("MainWindow", "画像の表示(&V)"));
    modes->addActions({IVNoneAct, IVScaleNormalAct, IVAutoScaleLongAct});
    PMImgView->addSeparator();
    PMImgView->addActions({ImgCopyAct, ImgNameCopyAct});
    PMImgView->addSeparator();
    PMImgView->addAction(ImgCloseAct);
}

void TFormScanlark::CreateToolBars()
{
    // The titles name the bars in the menu that shows and hides them.
    TB1 = addToolBar(QCoreApplication::translate("MainWindow", "ツール バー"));
    TB1->setObjectName(QStringLiteral("TB1"));
    TB1->setMovable(false);
    TB1->setIconSize(QSize(20, 20));
    dropDownButton(TB1, BackAct, PMBack)->setObjectName(QStringLiteral("TBtnBack"));
    dropDownButton(TB1, ForwardAct, PMForward)->setObjectName(QStringLiteral("TBtnForward"));
    TB1->addAction(UpFolderAct);
    TB1->addSeparator();
    TB1->addAction(StopAct);
    TBtnRefresh = dropDownButton(TB1, RefreshAllAct, PMRefresh);
    TBtnRefresh->setObjectName(QStringLiteral("TBtnRefresh"));
    TB1->addSeparator();
    TB1->addAction(FolderBarVisibleAct);
    TB1->addSeparator();
    TB1->addActions({SubFolderSearchAct, HiddenFileViewAct, DoNowAct});
    TB1->addSeparator();
    TBtnRun = new QToolButton(TB1);
    TBtnRun->setObjectName(QStringLiteral("TBtnRun"));
    TBtnRun->setDefaultAction(JpegErrorCheckAllAct);
    TBtnRun->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    TB1->addWidget(TBtnRun);

    addToolBarBreak();
    TB2 = addToolBar(QCoreApplication::translate("MainWindow", "アドレス バー"));
    TB2->setObjectName(QStringLiteral("TB2"));
    TB2->setMovable(false);
    CBRecent = new QComboBox(TB2);
    CBRecent->setObjectName(QStringLiteral("CBRecent"));
    CBRecent->setEditable(true);
    CBRecent->setMaxVisibleItems(14);
    CBRecent->setInsertPolicy(QComboBox::NoInsert);
    // The address box takes the toolbar's width less the Go button's.
    CBRecent->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    TB2->addWidget(CBRecent);
    TBtnGo = new QToolButton(TB2);
    TBtnGo->setObjectName(QStringLiteral("TBtnGo"));
    TBtnGo->setDefaultAction(GoAct);
    TB2->addWidget(TBtnGo);

    // A bar hidden from the bars' own menu comes back from the view menu,
    // below the folder tree's item, also when no bar is left to open that
    // menu on.
    for (QAction* top : menuBar()->actions()) {
        QMenu* menu = top->menu();
        const qsizetype folderItem = menu ? menu->actions().indexOf(FolderBarVisibleAct) : -1;
        if (folderItem < 0)
            continue;
        QAction* before = menu->actions().value(folderItem + 1);
        for (const auto& [bar, name, text] : {std::tuple{TB1, "ToolBarVisibleAct", QT_TRANSLATE_NOOP("MainWindow", "ツール バー(&T)")},
                                              std::tuple{TB2, "AddressBarVisibleAct", QT_TRANSLATE_NOOP("MainWindow", "アドレス バー(&A)")}}) {
            QAction* shown = bar->toggleViewAction();
            shown->setObjectName(QString::fromLatin1(name));
            shown->setText(QCoreApplication::translate("MainWindow", text));
            menu->insertAction(before, shown);
        }
    }
}

void TFormScanlark::CreateCentralArea()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(6);

    STVModel = new TKvFolderTreeModel(this);
    STV = new QTreeView(Splitter1);
    STV->setObjectName(QStringLiteral("STV"));
    STV->setModel(STVModel);
    STV->setHeaderHidden(true);
    // The names keep their width and the tree scrolls sideways, so that a
    // deep folder's name can be read in a narrow tree.
    STV->header()->setStretchLastSection(false);
    STV->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    STV->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    STV->setRootIsDecorated(true);
    STV->setMinimumWidth(60);

    auto* right = new QWidget(Splitter1);
    right->setObjectName(QStringLiteral("PanelShellRight"));
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, right);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(6);
    LVFiles = new TKvListView(Splitter2);
    LVFiles->setObjectName(QStringLiteral("LVFiles"));
    LVFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LVFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PMLVFilesSl->popup(LVFiles->viewport()->mapToGlobal(at)); });
    // The preview pane: hidden until a view mode shows it.
    ImgView32 = new TKvImageView(Splitter2);
    ImgView32->setObjectName(QStringLiteral("ImgView32"));
    ImgView32->hide();
    rightLayout->addWidget(Splitter2);

    Splitter1->addWidget(STV);
    Splitter1->addWidget(right);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({180, 420});
    setCentralWidget(Splitter1);
}

void TFormScanlark::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    bar->setSizeGripEnabled(true);
    for (int panel = 0; panel < 5; ++panel) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("SBPanel%1").arg(panel));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        if (panel == 0) {
            label->setMinimumWidth(StatusPanelWidth(label, 0));
            bar->addWidget(label, 1);
        } else {
            label->setFixedWidth(StatusPanelWidth(label, panel));
            bar->addWidget(label, 0);
        }
        SB.push_back(label);
    }
}

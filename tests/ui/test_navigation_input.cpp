// Navigation as a person does it: typing into the address box and pressing
// keys there, choosing from its drop-down list, folders whose names are not
// UTF-8 or differ only by case, the tree's highlight and the status panels.
#include "components/KvFolderTreeModel.h"
#include "platform/DisplayPath.h"
#include "WindowTest.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

Bytes soundJpeg()
{
    return SoundTestJpeg();
}

Bytes truncatedJpeg()
{
    const Bytes sound = soundJpeg();
    return Bytes(sound.begin(), sound.end() - 50);
}

class NavigationInput : public WindowTest {
protected:
    void SetUp() override
    {
        OpenWindow();
        window_->show();
        tree_ = window_->findChild<QTreeView*>(QStringLiteral("STV"));
    }
    // Clicks into the address box and returns the widget that then has the
    // keyboard focus: keys go there, as they would from a keyboard.
    QWidget* focusAddressBox() const
    {
        QComboBox* box = window_->AddressBox();
        QApplication::setActiveWindow(window_.get());
        QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
        if (!box->hasFocus())
            box->setFocus(Qt::MouseFocusReason);
        return QApplication::focusWidget();
    }
    void typeIntoAddressBox(const QString& text) const
    {
        QWidget* focused = focusAddressBox();
        EXPECT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void pressInFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        PressInFocus(key, modifiers);
    }
    std::string currentFolder() const { return recent_->NowItem() ? recent_->NowItem()->Path : std::string(); }

    QTreeView* tree_ = nullptr;
};

TEST_F(NavigationInput, TypedFolderOpensOnEnterAndTheBoxKeysWork)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("one/a.jpg", soundJpeg());
    photos_.write("two/b.jpg", soundJpeg());
    photos_.write("two/c.jpg", soundJpeg());
    const std::string one = photos_.path() + "/one/";
    const std::string two = photos_.path() + "/two/";

    // A folder that is in no history list: Enter alone must open it.
    typeIntoAddressBox(QString::fromStdString(one));
    pressInFocus(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    EXPECT_EQ(currentFolder(), one);
    typeIntoAddressBox(QString::fromStdString(photos_.path() + "/two"));
    pressInFocus(Qt::Key_Enter);
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    EXPECT_EQ(currentFolder(), two);
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(two));

    focusAddressBox();
    pressInFocus(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return listed(1) && currentFolder() == one; }));
    pressInFocus(Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return listed(2) && currentFolder() == two; }));

    // F5 lists the folder again: a file added meanwhile appears.
    photos_.write("two/d.jpg", soundJpeg());
    pressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(3); }));

    // A path that is not there: the message, the typed text stays.
    const QString missing = QString::fromStdString(photos_.path() + "/nowhere");
    typeIntoAddressBox(missing);
    pressInFocus(Qt::Key_Return);
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("無効なフォルダです。"));
    EXPECT_EQ(window_->AddressBox()->currentText(), missing);
    EXPECT_EQ(list_->RowCount(), 0);
    EXPECT_EQ(currentFolder(), two);
}

TEST_F(NavigationInput, EnterOnAHistoryEntryOpensItOnce)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("a.jpg", soundJpeg());
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    action("JpegErrorCheckAllAct")->trigger();  // puts the folder into the drop-down list
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    QSignalSpy listings(action("ActPreMakeList"), &QAction::triggered);
    typeIntoAddressBox(QString::fromStdString(photos_.path() + "/"));
    pressInFocus(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    QTest::qWait(50);
    EXPECT_EQ(listings.count(), 1);
}

// Typing never completes from the history by itself: Enter opens what was
// typed, and a folder of the history that begins with it is taken only
// when picked from the list of matches (arrow and Enter, or a click).
TEST_F(NavigationInput, EnterOpensWhatWasTypedAndAMatchOnlyWhenPicked)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("data/a.jpg", soundJpeg());
    photos_.write("data/special/b.jpg", soundJpeg());
    photos_.write("data/special/c.jpg", soundJpeg());
    const std::string data = photos_.path() + "/data/";
    const std::string special = data + "special/";
    window_->WMCopyData(1, special);
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    action("JpegErrorCheckAllAct")->trigger();  // puts the folder into the history
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle() && currentFolder() == photos_.path() + "/"; }));

    // Keys go where a keyboard's would: to the list of matches while it shows.
    const auto typeKeys = [](const QString& text) {
        for (const QChar c : text) {
            QWidget* target =
                QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget();
            QTest::keyClick(target, c.toLatin1());
        }
    };
    const auto press = [](Qt::Key key) {
        QWidget* target =
            QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget();
        QTest::keyClick(target, key);
    };
    typeIntoAddressBox(QString());
    typeKeys(QString::fromStdString(data));
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(data));
    const bool offered = QApplication::activePopupWidget() != nullptr;
    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return idle() && currentFolder() != photos_.path() + "/"; }));
    EXPECT_EQ(currentFolder(), data);
    EXPECT_TRUE(offered);
    auto* completer = window_->findChild<QCompleter*>(QStringLiteral("CBRecentCompleter"));
    ASSERT_NE(completer, nullptr);
    QAbstractItemView* matches = completer->popup();
    EXPECT_FALSE(matches->isVisible());

    // Down to the match, Enter: the match opens.
    typeIntoAddressBox(QString());
    typeKeys(QString::fromStdString(data + "s"));
    ASSERT_TRUE(matches->isVisible());
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return listed(2) && currentFolder() == special; }));

    // A click on the match opens it too.
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle() && currentFolder() == photos_.path() + "/"; }));
    typeIntoAddressBox(QString());
    typeKeys(QString::fromStdString(data));
    ASSERT_TRUE(matches->isVisible());
    const QRect first = matches->visualRect(matches->model()->index(0, 0));
    QTest::mouseClick(matches->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    ASSERT_TRUE(waitUntil([&] { return listed(2) && currentFolder() == special; }));
}

TEST_F(NavigationInput, FolderNamedInShiftJisKeepsItsBytesThroughCheckGoAndTheDropDown)
{
    // "サンプル" in Shift_JIS: not UTF-8.
    const std::string odd = photos_.path() + "/\x83\x54\x83\x93\x83\x76\x83\x8b";
    std::filesystem::create_directory(odd);
    {
        FILE* file = std::fopen((odd + "/x.jpg").c_str(), "wb");
        const Bytes bytes = truncatedJpeg();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    window_->WMCopyData(1, odd);
    ASSERT_TRUE(waitUntil([&] { return listed(1) && window_->PanelText(3) == QStringLiteral("1 個のエラー"); }));
    EXPECT_EQ(currentFolder(), odd + "/");
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(photos_.path()) + QStringLiteral("/サンプル/"));
    EXPECT_TRUE(window_->windowTitle().startsWith(QString::fromStdString(photos_.path()) + QStringLiteral("/サンプル/")));
    // The tree shows that folder by its name, selected.
    const QModelIndexList lit = tree_->selectionModel()->selectedRows();
    ASSERT_EQ(lit.size(), 1);
    EXPECT_EQ(lit[0].data().toString(), QStringLiteral("サンプル"));

    // The check wrote the folder's bytes, not a decoded copy of them.
    QFile history(QString::fromStdString(settings_.path() + "/folder.txt"));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_TRUE(history.readAll().startsWith(QByteArray::fromStdString(odd + "/\r\n")));

    // Go on the shown text reopens the same folder.
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    window_->WMCopyData(1, odd);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    QTest::mouseClick(window_->findChild<QToolButton*>(QStringLiteral("TBtnGo")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    EXPECT_NE(window_->PanelText(0), QStringLiteral("無効なフォルダです。"));
    EXPECT_EQ(currentFolder(), odd + "/");

    // Choosing it from the drop-down list (closed list, arrow key) too.
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle() && currentFolder() == photos_.path() + "/"; }));
    QComboBox* box = window_->AddressBox();
    ASSERT_GE(box->count(), 1);
    box->setCurrentIndex(-1);
    focusAddressBox();
    pressInFocus(Qt::Key_Down);
    ASSERT_TRUE(waitUntil([&] { return listed(1) && currentFolder() == odd + "/"; }));
    EXPECT_NE(window_->PanelText(0), QStringLiteral("無効なフォルダです。"));
}

// A folder named in Shift_JIS shows in the tree by its name and opens from
// there with a click; typed by its name, it opens too.
TEST_F(NavigationInput, AShiftJisFolderOpensFromTheTreeAndByTypingItsName)
{
    action("DoNowAct")->setChecked(false);
    const std::string odd = photos_.path() + "/\x83\x54\x83\x93\x83\x76\x83\x8b";  // "サンプル"
    photos_.write("\x83\x54\x83\x93\x83\x76\x83\x8b/x.jpg", soundJpeg());
    photos_.write("other/y.jpg", soundJpeg());
    photos_.write("other/z.jpg", soundJpeg());
    window_->WMCopyData(1, photos_.path() + "/other");
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    const QModelIndex other = tree_->currentIndex();
    ASSERT_EQ(other.data().toString(), QStringLiteral("other"));
    QModelIndex named;
    for (int row = 0; row < tree_->model()->rowCount(other.parent()); ++row)
        if (other.siblingAtRow(row).data().toString() == QStringLiteral("サンプル"))
            named = other.siblingAtRow(row);
    ASSERT_TRUE(named.isValid());
    tree_->scrollTo(named);
    const QRect row = tree_->visualRect(named);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(row.left() + 30, row.center().y()));
    EXPECT_TRUE(waitUntil([&] { return listed(1) && currentFolder() == odd + "/"; })) << currentFolder();

    window_->WMCopyData(1, photos_.path() + "/other");
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    typeIntoAddressBox(QString::fromStdString(photos_.path() + "/"));
    QInputMethodEvent composed;  // as an input method types Japanese
    composed.setCommitString(QStringLiteral("サンプル"));
    QApplication::sendEvent(QApplication::focusWidget(), &composed);
    ASSERT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(photos_.path()) + QStringLiteral("/サンプル"));
    pressInFocus(Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return listed(1) && currentFolder() == odd + "/"; })) << currentFolder();
    EXPECT_NE(window_->PanelText(0), QStringLiteral("無効なフォルダです。"));
}

TEST_F(NavigationInput, FoldersThatDifferOnlyByCaseAreDifferentFolders)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("Photos/a.jpg", soundJpeg());
    photos_.write("photos/b.jpg", soundJpeg());
    photos_.write("photos/c.jpg", soundJpeg());
    const std::string upper = photos_.path() + "/Photos/";
    const std::string lower = photos_.path() + "/photos/";
    window_->WMCopyData(1, upper);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    action("JpegErrorCheckAllAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    const int entries = recent_->Count();

    typeIntoAddressBox(QString::fromStdString(lower));
    pressInFocus(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    EXPECT_EQ(recent_->Count(), entries + 1);
    EXPECT_EQ(currentFolder(), lower);
    EXPECT_TRUE(window_->windowTitle().startsWith(QString::fromStdString(lower)));
    action("JpegErrorCheckAllAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    ASSERT_GE(window_->FolderHistoryItems().size(), 2u);
    EXPECT_EQ(window_->FolderHistoryItems()[0], lower);
    EXPECT_EQ(window_->FolderHistoryItems()[1], upper);

    // F5 lists the lower-case folder, not the first one.
    focusAddressBox();
    pressInFocus(Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    EXPECT_EQ(currentFolder(), lower);
}

TEST_F(NavigationInput, TreeHighlightFollowsEveryWayOfOpeningAFolder)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("one/a.jpg", soundJpeg());
    photos_.write("two/b.jpg", soundJpeg());
    const auto selectedInTree = [&] {
        const QModelIndexList rows = tree_->selectionModel()->selectedRows();
        return rows.size() == 1 ? static_cast<TKvFolderTreeModel*>(tree_->model())->FolderPath(rows[0])
                                : std::string();
    };
    // The view repaints from the selection model's announcements; a change
    // it does not hear of leaves the old highlight on screen.
    QSignalSpy announced(tree_->selectionModel(), &QItemSelectionModel::selectionChanged);

    window_->WMCopyData(1, photos_.path() + "/one");  // a hand-over
    ASSERT_TRUE(waitUntil([&] { return listed(1) && selectedInTree() == photos_.path() + "/one"; }));
    EXPECT_GE(announced.count(), 1);

    typeIntoAddressBox(QString::fromStdString(photos_.path() + "/two"));
    pressInFocus(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return listed(1) && selectedInTree() == photos_.path() + "/two"; }));
    const int afterGo = static_cast<int>(announced.count());
    EXPECT_GT(afterGo, 1);

    focusAddressBox();
    pressInFocus(Qt::Key_Left, Qt::AltModifier);  // back
    ASSERT_TRUE(waitUntil([&] { return listed(1) && selectedInTree() == photos_.path() + "/one"; }));
    EXPECT_GT(announced.count(), afterGo);
    // None of these moves of the highlight navigated by itself.
    EXPECT_EQ(currentFolder(), photos_.path() + "/one/");
}

// In a narrow tree the deep folder opened shows its name, the tree
// scrolling sideways; the tree keeps the width it was dragged to across a
// restart.
TEST_F(NavigationInput, TheTreeShowsADeepFoldersNameAndKeepsItsWidth)
{
    action("DoNowAct")->setChecked(false);
    const std::string deep = "first-level-folder/second-level-folder/third-level-folder/the-deepest-folder";
    photos_.write(deep + "/a.jpg", soundJpeg());
    window_->resize(900, 600);
    auto* splitter = window_->findChild<QSplitter*>(QStringLiteral("Splitter1"));
    QSplitterHandle* handle = splitter->handle(1);
    ASSERT_TRUE(waitUntil([&] { return handle->isVisible(); }));
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    const QPoint to = grip - QPoint(tree_->width() - 150, 0);
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
    QMouseEvent drag(QEvent::MouseMove, QPointF(to), QPointF(handle->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &drag);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, to);
    ASSERT_EQ(tree_->width(), 150);

    typeIntoAddressBox(QString::fromStdString(folder() + deep));
    pressInFocus(Qt::Key_Return);
    const auto nameShows = [&] {
        const QModelIndex current = tree_->currentIndex();
        if (current.data().toString() != QStringLiteral("the-deepest-folder"))
            return false;
        const QRect item = tree_->visualRect(current);
        return item.left() >= 0 && item.left() + 40 < tree_->viewport()->width();
    };
    EXPECT_TRUE(waitUntil(nameShows));
    EXPECT_GT(tree_->horizontalScrollBar()->maximum(), 0);

    // Started again as a person starts it: shown, then activated.
    window_->close();
    window_ = std::make_unique<TFormScanlark>("", settings_.path() + "/", "scanlark.ini");
    checker_ = window_->findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    list_ = window_->findChild<TKvListView*>(QStringLiteral("LVFiles"));
    window_->resize(900, 600);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    tree_ = window_->findChild<QTreeView*>(QStringLiteral("STV"));
    EXPECT_TRUE(waitUntil([&] { return tree_->width() == 150; })) << tree_->width();
}

TEST_F(NavigationInput, ErrorPanelReadsUncheckedDuringAListingAndAfterAnInvalidPath)
{
    photos_.write("bad/x.jpg", truncatedJpeg());
    photos_.write("many/a.jpg", soundJpeg());
    window_->WMCopyData(1, photos_.path() + "/bad");
    ASSERT_TRUE(waitUntil([&] { return idle() && window_->PanelText(3) == QStringLiteral("1 個のエラー"); }));

    action("DoNowAct")->setChecked(false);
    window_->WMCopyData(1, photos_.path() + "/many");
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("エラー未チェック"));  // the listing has just begun
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("エラー未チェック"));

    action("DoNowAct")->setChecked(true);
    window_->WMCopyData(1, photos_.path() + "/bad");
    ASSERT_TRUE(waitUntil([&] { return idle() && window_->PanelText(3) == QStringLiteral("1 個のエラー"); }));
    typeIntoAddressBox(QString::fromStdString(photos_.path() + "/nowhere"));
    pressInFocus(Qt::Key_Return);
    EXPECT_EQ(list_->RowCount(), 0);
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("エラー未チェック"));
}

TEST_F(NavigationInput, RootFolderIsCaptionedSlashInTheHistoryMenus)
{
    action("DoNowAct")->setChecked(false);
    action("SubFolderSearchAct")->setChecked(false);
    window_->WMCopyData(1, "/");
    ASSERT_TRUE(waitUntil([&] { return idle() && currentFolder() == "/"; }));
    photos_.write("a.jpg", soundJpeg());
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    QMenu* back = window_->findChild<QMenu*>(QStringLiteral("PMBack"));
    ASSERT_FALSE(back->actions().isEmpty());
    EXPECT_EQ(back->actions().front()->text(), QStringLiteral("/"));
    EXPECT_TRUE(action("BackAct")->toolTip().startsWith(QStringLiteral("/ に")));
}

// Answers the next modal message box with its button `which`.
void answerNextMessageBox(QMessageBox::StandardButton which, QString* text)
{
    QTimer::singleShot(20, [which, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerNextMessageBox(which, text);
            return;
        }
        *text = box->text();
        box->button(which)->click();
    });
}

TEST_F(NavigationInput, DeleteInTheTreeTrashesTheFolderAndOpensNoSibling)
{
    action("DoNowAct")->setChecked(false);
    photos_.write("a/x.jpg", soundJpeg());
    photos_.write("b/y.jpg", soundJpeg());
    const QByteArray previousData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(settings_.path() + "/data"));
    const std::string doomed = photos_.path() + "/a";
    window_->WMCopyData(1, doomed);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    auto* model = static_cast<TKvFolderTreeModel*>(tree_->model());
    ASSERT_TRUE(waitUntil([&] { return model->rowCount(model->FolderIndex(photos_.path())) == 2; }));

    // No: nothing happens.
    QString asked;
    QApplication::setActiveWindow(window_.get());
    tree_->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), tree_);
    answerNextMessageBox(QMessageBox::No, &asked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_TRUE(asked.contains(QStringLiteral("ごみ箱")));
    EXPECT_TRUE(std::filesystem::is_directory(doomed));

    // Yes: the folder is in the trash, its node goes, and the selection
    // moving off it opens nothing.
    QApplication::setActiveWindow(window_.get());
    tree_->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), tree_);
    answerNextMessageBox(QMessageBox::Yes, &asked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_FALSE(std::filesystem::exists(doomed));
    EXPECT_TRUE(std::filesystem::is_directory(settings_.path() + "/data/Trash/files/a"));
    EXPECT_FALSE(std::filesystem::exists("files/a"));  // not beside the working folder
    ASSERT_TRUE(waitUntil([&] { return model->rowCount(model->FolderIndex(photos_.path())) == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(currentFolder(), doomed + "/");
    qputenv("XDG_DATA_HOME", previousData);
}

TEST_F(NavigationInput, APanelCountsWhatALongListingHasFoundSoFar)
{
    action("DoNowAct")->setChecked(false);
    action("SubFolderSearchAct")->setChecked(true);
    for (int folder = 0; folder < 3; ++folder) {
        for (int file = 0; file < 4; ++file)
            photos_.write("d" + std::to_string(folder) + "/f" + std::to_string(file) + ".txt", {});
    }
    // The listing is held up after its first folder (the worker waits while
    // the window's step runs), so it outlasts the progress interval.
    TKvThreadFileInfoList& list = window_->FileInfos()->FileInfoList();
    bool held = false;
    QString during;
    list.OnFolderScanned = [&](QObject*) {
        if (held)
            return;
        held = true;
        waitUntil([&] { return window_->PanelText(0).startsWith(QStringLiteral("一覧を作成中")); }, 2000);
        during = window_->PanelText(0);
    };
    window_->WMCopyData(1, photos_.path());
    // The end event follows the end of the worker.
    ASSERT_TRUE(waitUntil([&] { return idle() && !window_->PanelText(0).startsWith(QStringLiteral("一覧")); }));
    list.OnFolderScanned = nullptr;
    // The root folder's 3 subfolders were found when the first step ran.
    EXPECT_EQ(during, QStringLiteral("一覧を作成中… 3 個のファイルとフォルダを確認"));
    // Once the listing has ended, the panels say what they always say.
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("0 個のオブジェクトを選択"));
    EXPECT_EQ(list.ScannedCount(), 15);
}

}  // namespace

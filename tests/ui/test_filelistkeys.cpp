// The file list's keys as a person presses them: a click into the list,
// then key presses and releases to whatever widget has the keyboard focus,
// through Qt's whole key path (shortcuts, the item view's own handling, the
// window's key-up commands).
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvListView.h"
#include "components/KvRecentControl.h"
#include "components/ScanlarkColumns.h"
#include "inspection/KvJpegChecker.h"
#include "JpegBuilder.h"
#include "TempFiles.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

class FileListKeys : public WindowTest {
protected:
    void SetUp() override
    {
        const Bytes sound = SoundTestJpeg();
        photos_.write("top.jpg", sound);
        for (const char* name : {"a.jpg", "b1.jpg", "b2.jpg", "\x83\x54\x83\x93\x83\x76\x83\x8b.jpg"})
            photos_.write(std::string("sub/") + name, sound);
        photos_.write("sub/c-cut.jpg", Bytes(sound.begin(), sound.end() - 50));
        OpenWindow(photos_.path() + "/sub");
        ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        QApplication::setKeyboardInputInterval(0);  // every typed letter starts a new search
    }
    void TearDown() override
    {
        QApplication::setKeyboardInputInterval(400);
        WindowTest::TearDown();
    }
    std::string focusedName() const
    {
        const int row = list_->currentRow();
        return row < 0 ? "" : files().FileInfos(row)->Name;
    }
    void clickRow(int row)
    {
        const QRect cell = list_->visualRect(list_->model()->index(row, ScanlarkColumn::Name));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { PressInFocus(key, modifiers); }
};

TEST_F(FileListKeys, ClickThenMoveSelectAllAndTypeToFind)
{
    // A name in Shift_JIS shows decoded.
    const int sample = rowOf("\x83\x54\x83\x93\x83\x76\x83\x8b.jpg");
    ASSERT_GE(sample, 0);
    EXPECT_EQ(list_->model()->data(list_->model()->index(sample, ScanlarkColumn::Name)).toString(),
              QStringLiteral("サンプル.jpg"));

    clickRow(rowOf("a.jpg"));
    ASSERT_EQ(QApplication::focusWidget(), list_);
    EXPECT_EQ(focusedName(), "a.jpg");
    press(Qt::Key_Down);
    EXPECT_EQ(focusedName(), "b1.jpg");

    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list_->selectedRowCount(), 5);
    EXPECT_EQ(window_->PanelText(0), QStringLiteral("5 個のオブジェクトを選択"));

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("b"));
    EXPECT_EQ(focusedName(), "b2.jpg");
    EXPECT_EQ(list_->selectedRowCount(), 1);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("A"));
    EXPECT_EQ(focusedName(), "a.jpg");
    // A name that is not UTF-8 is found by what it shows.
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QStringLiteral("サ"), Qt::NoModifier);
    EXPECT_EQ(focusedName(), "\x83\x54\x83\x93\x83\x76\x83\x8b.jpg");
}

TEST_F(FileListKeys, CtrlFFindsByTheDialogAndF3FindsTheNext)
{
    clickRow(rowOf("a.jpg"));
    ASSERT_EQ(QApplication::focusWidget(), list_);
    press(Qt::Key_F, Qt::ControlModifier);
    auto* dialog = window_->findChild<QDialog*>(QStringLiteral("FindDialog1"));
    ASSERT_NE(dialog, nullptr);
    // The dialog takes the keyboard once it is the active window.
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == dialog; }));
    auto* text = dialog->findChild<QLineEdit*>(QStringLiteral("FindDialog1Text"));
    ASSERT_EQ(QApplication::focusWidget(), text);
    QTest::keyClicks(text, QStringLiteral("B"));
    press(Qt::Key_Return);  // the find button is the default
    EXPECT_EQ(focusedName(), "b1.jpg");

    press(Qt::Key_Escape);  // closes the dialog
    EXPECT_FALSE(dialog->isVisible());
    // The offscreen platform does not hand activation back on a click.
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    clickRow(list_->currentRow());
    ASSERT_EQ(QApplication::focusWidget(), list_);
    press(Qt::Key_F3);
    EXPECT_EQ(focusedName(), "b2.jpg");
    press(Qt::Key_F3);
    EXPECT_EQ(focusedName(), "b1.jpg");  // wrapped to the top
}

TEST_F(FileListKeys, BackspaceGoesUpAndAltLeftComesBack)
{
    clickRow(0);
    ASSERT_EQ(QApplication::focusWidget(), list_);
    press(Qt::Key_Backspace);
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
    EXPECT_EQ(files().FileInfos(0)->Name, "top.jpg");

    clickRow(0);
    press(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));

    // Esc stops; with nothing running it only has to do no harm.
    QSignalSpy stop(action("StopAct"), &QAction::triggered);
    clickRow(0);
    press(Qt::Key_Escape);
    EXPECT_EQ(stop.count(), action("StopAct")->isEnabled() ? 1 : 0);
    EXPECT_EQ(list_->RowCount(), 5);
}

TEST_F(FileListKeys, CtrlRSelectsTheDamagedFileAndF9ChecksAgain)
{
    ASSERT_TRUE(waitUntil([&] { return idle() && checker_->ErrorCount >= 0; }));
    clickRow(rowOf("a.jpg"));
    ASSERT_EQ(QApplication::focusWidget(), list_);
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(list_->selectedRowCount(), 1);
    EXPECT_TRUE(list_->isRowSelected(rowOf("c-cut.jpg")));

    QSignalSpy check(action("JpegErrorCheckAllAct"), &QAction::triggered);
    press(Qt::Key_F9);
    EXPECT_EQ(check.count(), 1);
    EXPECT_TRUE(waitUntil([&] { return idle() && window_->PanelText(3) == QStringLiteral("1 個のエラー"); }));
}

// Ctrl+L and Alt+D take the keyboard to the address box; the list's find
// and select keys work there and in the folder tree too, and the menu
// shows them.
TEST_F(FileListKeys, AddressBoxAndTreeAnswerFindAndSelectKeysWhichTheMenuShows)
{
    ASSERT_TRUE(waitUntil([&] { return idle() && checker_->ErrorCount >= 0; }));
    QComboBox* box = window_->AddressBox();
    auto* tree = window_->findChild<QTreeView*>(QStringLiteral("STV"));
    clickRow(rowOf("a.jpg"));
    ASSERT_EQ(QApplication::focusWidget(), list_);
    press(Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->lineEdit()->selectedText(), box->currentText());
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(list_->selectedRowCount(), 1);
    EXPECT_TRUE(list_->isRowSelected(rowOf("c-cut.jpg")));

    tree->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), tree);
    press(Qt::Key_F, Qt::ControlModifier);
    auto* dialog = window_->findChild<QDialog*>(QStringLiteral("FindDialog1"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == dialog; }));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("B"));
    press(Qt::Key_Return);
    EXPECT_EQ(focusedName(), "b1.jpg");
    press(Qt::Key_Escape);
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));

    tree->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(list_->selectedRowCount(), 1);
    press(Qt::Key_D, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), box);
    press(Qt::Key_F3);
    EXPECT_EQ(focusedName(), "b2.jpg");

    EXPECT_EQ(action("SearchFindAct")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(action("SearchFindNextAct")->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(window_->findChild<QAction*>(QStringLiteral("SelectErrorsMenuItem"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_R));
    // Hidden from the bars' own menu, the address bar comes back from the
    // view menu, and with Ctrl+L; the bars' menu names them in Japanese.
    QMenu* bars = window_->createPopupMenu();
    QStringList names;
    for (QAction* item : bars->actions())
        names << item->text().remove(u'&');
    delete bars;
    EXPECT_EQ(names, (QStringList{QStringLiteral("ツール バー(T)"), QStringLiteral("アドレス バー(A)")}));
    QAction* addressBar = action("AddressBarVisibleAct");
    ASSERT_NE(addressBar, nullptr);
    addressBar->trigger();
    EXPECT_FALSE(box->isVisible());
    addressBar->trigger();
    EXPECT_TRUE(box->isVisible());
    addressBar->trigger();
    clickRow(rowOf("a.jpg"));
    press(Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), box);

    // Shown in the menu, the keys still run their command once from the list.
    clickRow(rowOf("a.jpg"));
    QSignalSpy selectErrors(action("SelectErrorsActSl"), &QAction::triggered);
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(selectErrors.count(), 1);
}

}  // namespace

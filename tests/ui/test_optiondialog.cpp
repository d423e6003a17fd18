// The options dialog, opened from the main window and driven by mouse and
// keys: the pages, the column editor's rules, OK against "キャンセル" and
// "初期化する".
#include "components/ScanlarkColumns.h"
#include "DialogDriver.h"
#include "options/OptionDlgSl.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class OptionDialogTest : public WindowTest {
protected:
    void SetUp() override
    {
        photos_.write("a.jpg", withPadding(4000));
        photos_.write("b.jpg", withPadding(10));
        OpenWindow(folder());
        ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    }
    static Bytes withPadding(size_t extra)
    {
        Bytes bytes = SoundTestJpeg();
        bytes.insert(bytes.end(), extra, 0);  // appended data: a larger file
        return bytes;
    }
    // Opens the dialog through `command` and runs drive on it; false when
    // no dialog came up.
    bool withDialog(const char* command, std::function<void(TOptionDialog&)> drive)
    {
        bool reached = false;
        WhenModal<TOptionDialog>(std::move(drive), &reached);
        action(command)->trigger();
        return reached;
    }
    static QTreeWidgetItem* rowCaptioned(TOptionDialog& dialog, const QString& caption)
    {
        const QList<QTreeWidgetItem*> found = dialog.ListViewCE->findItems(caption, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    // Focuses the editor row with this caption by a click, as a person does.
    static void clickRow(TOptionDialog& dialog, const QString& caption)
    {
        QTreeWidgetItem* item = rowCaptioned(dialog, caption);
        ASSERT_NE(item, nullptr) << caption.toStdString();
        dialog.ListViewCE->scrollToItem(item);
        const QRect rect = dialog.ListViewCE->visualItemRect(item);
        QTest::mouseClick(dialog.ListViewCE->viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 10, rect.center().y()));
    }
    static void showColumnsPage(TOptionDialog& dialog)
    {
        dialog.PageControl1->setCurrentWidget(dialog.TabSheetColumns);
    }
    QStringList shownCaptions() const
    {
        QStringList captions;
        for (int column = 0; column < list_->ColumnCount(); ++column)
            captions << list_->ColumnCaption(column);
        return captions;
    }
    struct Enabled {
        bool up, down, show, hide;
        bool operator==(const Enabled&) const = default;
    };
    static Enabled enabled(TOptionDialog& dialog)
    {
        return {dialog.RowsUpAct->isEnabled(), dialog.RowsDownAct->isEnabled(), dialog.RowsShowAct->isEnabled(),
                dialog.RowsHideAct->isEnabled()};
    }
};

}  // namespace

TEST_F(OptionDialogTest, EachCommandOpensItsPageAndTheControlsShowTheLiveSettings)
{
    EXPECT_TRUE(withDialog("OptionDetailAct", [](TOptionDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("オプション"));
        EXPECT_EQ(dialog.PageControl1->currentWidget(), dialog.TabSheetGeneral);
        EXPECT_EQ(dialog.PageControl1->tabText(0), QStringLiteral("全般"));
        EXPECT_EQ(dialog.PageControl1->tabText(1), QStringLiteral("列の設定"));
        EXPECT_FALSE(dialog.CheckBoxSubFolderSearch->isChecked());
        EXPECT_TRUE(dialog.CheckBoxHiddenFileView->isChecked());
        EXPECT_TRUE(dialog.CheckBoxDoNow->isChecked());
        EXPECT_TRUE(dialog.CheckBoxFolderBarVisible->isChecked());
        EXPECT_EQ(dialog.ComboBoxFilePriority->currentText(), QStringLiteral("Highest (推奨)"));
        EXPECT_EQ(dialog.ComboBoxImgViewMode->currentText(), QStringLiteral("自動倍率"));
        EXPECT_EQ(dialog.ListViewCE->topLevelItemCount(), 29);
        EXPECT_EQ(dialog.EditWidth->text(), QStringLiteral("0"));
    }));
    EXPECT_TRUE(withDialog("ColumnsEditAct", [](TOptionDialog& dialog) {
        EXPECT_EQ(dialog.PageControl1->currentWidget(), dialog.TabSheetColumns);
        // The keyboard starts in the column editor, on its first row.
        ASSERT_TRUE(dialog.ListViewCE->hasFocus());
        QTest::keyClick(dialog.ListViewCE, Qt::Key_Down);
        EXPECT_EQ(dialog.ListViewCE->currentItem()->text(0), QStringLiteral("フルファイル名"));
    }));
}

TEST_F(OptionDialogTest, RowRulesKeepTheFirstColumnOnTopAndShown)
{
    EXPECT_TRUE(withDialog("ColumnsEditAct", [this](TOptionDialog& dialog) {
        clickRow(dialog, QStringLiteral("名前"));
        EXPECT_EQ(enabled(dialog), (Enabled{false, false, false, false}));
        QTest::keyClick(dialog.ListViewCE, Qt::Key_Space);  // its check box cannot untick it
        EXPECT_EQ(rowCaptioned(dialog, QStringLiteral("名前"))->checkState(0), Qt::Checked);

        QTest::keyClick(dialog.ListViewCE, Qt::Key_Down);  // "フルファイル名", hidden
        EXPECT_EQ(dialog.ListViewCE->currentItem()->text(0), QStringLiteral("フルファイル名"));
        EXPECT_EQ(enabled(dialog), (Enabled{false, true, true, false}));
        QTest::keyClick(dialog.ListViewCE, Qt::Key_Space);  // ticked
        EXPECT_EQ(enabled(dialog), (Enabled{false, true, false, true}));

        QTest::keyClick(dialog.ListViewCE, Qt::Key_End);  // "付加データ", hidden at first
        EXPECT_EQ(enabled(dialog), (Enabled{true, false, true, false}));
        ClickButton(dialog, "ButtonRowsShow");
        EXPECT_EQ(enabled(dialog), (Enabled{true, false, false, true}));
        ClickButton(dialog, "ButtonRowsHide");
        EXPECT_EQ(enabled(dialog), (Enabled{true, false, true, false}));
        EXPECT_TRUE(dialog.ListViewCE->hasFocus());
    }));
}

TEST_F(OptionDialogTest, MovingARowChangesTheColumnOrderOnOkOnly)
{
    const QStringList before = shownCaptions();
    ASSERT_EQ(before.mid(0, 4), (QStringList{QStringLiteral("▲名前"), QStringLiteral("フォルダ名"),
                                             QStringLiteral("サイズ"), QStringLiteral("種類")}));
    const auto moveSizeDownTwice = [this](TOptionDialog& dialog) {
        clickRow(dialog, QStringLiteral("サイズ"));
        PressMnemonic(dialog, Qt::Key_D);  // "下へ(&D)"
        ClickButton(dialog, "ButtonRowsDown");
        EXPECT_EQ(dialog.ListViewCE->indexOfTopLevelItem(dialog.ListViewCE->currentItem()), 7);
        EXPECT_EQ(dialog.ListViewCE->currentItem()->text(0), QStringLiteral("サイズ"));
        EXPECT_TRUE(dialog.ListViewCE->currentItem()->isSelected());
    };
    EXPECT_TRUE(withDialog("ColumnsEditAct", [&](TOptionDialog& dialog) {
        moveSizeDownTwice(dialog);
        ClickButton(dialog, "ButtonCancel");
    }));
    EXPECT_EQ(shownCaptions(), before);

    EXPECT_TRUE(withDialog("ColumnsEditAct", [&](TOptionDialog& dialog) {
        moveSizeDownTwice(dialog);
        QTest::keyClick(dialog.ListViewCE, Qt::Key_Up);
        PressMnemonic(dialog, Qt::Key_U);  // "上へ(&U)": 種類 up past 詳細サイズ
        ClickButton(dialog, "ButtonOK");
    }));
    EXPECT_EQ(shownCaptions().mid(0, 4), (QStringList{QStringLiteral("▲名前"), QStringLiteral("フォルダ名"),
                                                      QStringLiteral("種類"), QStringLiteral("サイズ")}));
}

TEST_F(OptionDialogTest, HidingTheSortColumnSortsByTheLeftmostShownColumn)
{
    QHeaderView* header = list_->header();
    const int section = ScanlarkColumn::Size;
    const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(nameAt(0), "b.jpg");  // the smaller file first
    EXPECT_TRUE(withDialog("ColumnsEditAct", [this](TOptionDialog& dialog) {
        clickRow(dialog, QStringLiteral("サイズ"));
        PressMnemonic(dialog, Qt::Key_H);  // "非表示(&H)"
        ClickButton(dialog, "ButtonOK");
    }));
    EXPECT_EQ(list_->SortColumnIndex, ScanlarkColumn::Name);
    EXPECT_FALSE(list_->SortDown);
    EXPECT_EQ(list_->ColumnCaption(0), QStringLiteral("▲名前"));
    EXPECT_FALSE(shownCaptions().contains(QStringLiteral("サイズ")));
    // The rows follow the header.
    EXPECT_EQ(window_->FileInfos()->SortMode(), KvSortMode::Name);
    EXPECT_EQ(nameAt(0), "a.jpg");
}

// A second start hands a folder over while the dialog is open: its listing
// ends sorted by the column the dialog left.
TEST_F(OptionDialogTest, AListingBegunMeanwhileEndsSortedByTheNewSortColumn)
{
    QHeaderView* header = list_->header();
    const int section = ScanlarkColumn::Size;
    const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(nameAt(0), "b.jpg");
    EXPECT_TRUE(withDialog("ColumnsEditAct", [this](TOptionDialog& dialog) {
        window_->WMCopyData(1, photos_.path());
        clickRow(dialog, QStringLiteral("サイズ"));
        ClickButton(dialog, "ButtonRowsHide");
        ClickButton(dialog, "ButtonOK");
    }));
    ASSERT_TRUE(waitUntil([&] { return listed(2); }));
    EXPECT_EQ(window_->FileInfos()->SortMode(), KvSortMode::Name);
    EXPECT_EQ(nameAt(0), "a.jpg");
}

TEST_F(OptionDialogTest, WidthFieldEditsTheFocusedRowWithinItsRange)
{
    // The default widths as the window's font makes them.
    const int typeWidth = list_->ColumnWidth(shownCaptions().indexOf(QStringLiteral("種類")));
    const int sizeWidth = list_->ColumnWidth(shownCaptions().indexOf(QStringLiteral("サイズ")));
    EXPECT_TRUE(withDialog("ColumnsEditAct", [&](TOptionDialog& dialog) {
        EXPECT_EQ(dialog.EditWidth->minimum(), 0);
        EXPECT_EQ(dialog.EditWidth->maximum(), 1600);
        clickRow(dialog, QStringLiteral("種類"));
        EXPECT_EQ(dialog.EditWidth->value(), typeWidth);
        clickRow(dialog, QStringLiteral("サイズ"));
        EXPECT_EQ(dialog.EditWidth->value(), sizeWidth);
        PressMnemonic(dialog, Qt::Key_W);  // "選択した列の幅(&W)"
        ASSERT_TRUE(dialog.EditWidth->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1650"));  // the last digit does not fit
        EXPECT_EQ(dialog.EditWidth->value(), 165);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        EXPECT_EQ(rowCaptioned(dialog, QStringLiteral("サイズ"))->text(1), QStringLiteral("166"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1600"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        EXPECT_EQ(dialog.EditWidth->value(), 1600);
        EXPECT_EQ(rowCaptioned(dialog, QStringLiteral("種類"))->text(1), QString::number(typeWidth));
        ClickButton(dialog, "ButtonOK");
    }));
    const int sizeColumn = shownCaptions().indexOf(QStringLiteral("サイズ"));
    ASSERT_GE(sizeColumn, 0);
    EXPECT_EQ(list_->ColumnWidth(sizeColumn), 1600);
}

// Widths from a hand-edited settings file are not limited; only editing
// one limits it.
TEST_F(OptionDialogTest, FocusingAWideRowLeavesItsWidth)
{
    list_->ColumnInfos->ColumnInfos().Items(ScanlarkColumn::Size).Width = 2000;
    list_->UpdateColumns();
    EXPECT_TRUE(withDialog("ColumnsEditAct", [this](TOptionDialog& dialog) {
        clickRow(dialog, QStringLiteral("サイズ"));
        EXPECT_EQ(dialog.EditWidth->value(), 1600);
        clickRow(dialog, QStringLiteral("種類"));
        ClickButton(dialog, "ButtonOK");
    }));
    EXPECT_EQ(list_->ColumnWidth(shownCaptions().indexOf(QStringLiteral("サイズ"))), 2000);
}

TEST_F(OptionDialogTest, RestoringDefaultsAppliesOnlyOnOk)
{
    // Settings away from the defaults, as a person leaves them.
    action("SubFolderSearchAct")->trigger();
    action("HiddenFileViewAct")->trigger();
    action("DoNowAct")->trigger();
    action("IVNoneAct")->trigger();
    window_->FileInfos()->SetPriority(1);
    ASSERT_TRUE(withDialog("OptionDetailAct", [this](TOptionDialog& dialog) {
        QTest::mouseClick(dialog.CheckBoxFolderBarVisible, Qt::LeftButton, {}, QPoint(8, dialog.CheckBoxFolderBarVisible->height() / 2));
        showColumnsPage(dialog);
        clickRow(dialog, QStringLiteral("サイズ"));
        ClickButton(dialog, "ButtonRowsHide");
        ClickButton(dialog, "ButtonOK");
    }));
    const QStringList changedColumns = shownCaptions();
    ASSERT_FALSE(changedColumns.contains(QStringLiteral("サイズ")));
    QTreeView* tree = window_->findChild<QTreeView*>(QStringLiteral("STV"));
    EXPECT_TRUE(tree->isHidden());  // at once

    EXPECT_TRUE(withDialog("OptionDetailAct", [](TOptionDialog& dialog) {
        ClickButton(dialog, "ButtonDefault");
        EXPECT_FALSE(dialog.CheckBoxSubFolderSearch->isChecked());
        EXPECT_EQ(dialog.ComboBoxFilePriority->currentIndex(), 5);
        EXPECT_EQ(dialog.ListViewCE->currentItem(), dialog.ListViewCE->topLevelItem(0));
        ClickButton(dialog, "ButtonCancel");
    }));
    EXPECT_TRUE(action("SubFolderSearchAct")->isChecked());
    EXPECT_FALSE(action("HiddenFileViewAct")->isChecked());
    EXPECT_FALSE(action("DoNowAct")->isChecked());
    EXPECT_FALSE(action("FolderBarVisibleAct")->isChecked());
    EXPECT_EQ(window_->FileInfos()->Priority(), 1);
    EXPECT_EQ(window_->Options()->ImgViewMode, 0);
    EXPECT_EQ(shownCaptions(), changedColumns);

    EXPECT_TRUE(withDialog("OptionDetailAct", [](TOptionDialog& dialog) {
        ClickButton(dialog, "ButtonDefault");
        QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    }));
    EXPECT_FALSE(action("SubFolderSearchAct")->isChecked());
    EXPECT_FALSE(window_->FileInfos()->Options().Contains(filoSubFolderSearch));
    EXPECT_TRUE(action("HiddenFileViewAct")->isChecked());
    EXPECT_TRUE(window_->FileInfos()->Options().Contains(filoHiddenFileView));
    EXPECT_TRUE(action("DoNowAct")->isChecked());
    EXPECT_TRUE(action("FolderBarVisibleAct")->isChecked());
    EXPECT_FALSE(tree->isHidden());
    EXPECT_EQ(window_->FileInfos()->Priority(), 5);
    EXPECT_EQ(window_->Options()->ImgViewMode, 2);
    EXPECT_TRUE(action("IVAutoScaleLongAct")->isChecked());
    EXPECT_TRUE(shownCaptions().contains(QStringLiteral("サイズ")));
}

TEST_F(OptionDialogTest, RefusedWhileAListingRuns)
{
    for (int i = 0; i < 200; ++i)
        std::filesystem::create_directory(photos_.path() + "/d" + std::to_string(i));
    action("SubFolderSearchAct")->trigger();
    action("RefreshFilesAct")->trigger();
    ASSERT_TRUE(files().Busy());
    // A dialog opened by mistake is found and closed by the driver.
    bool reached[2] = {false, false};
    WhenModal<TOptionDialog>([](TOptionDialog&) {}, &reached[0], 5);
    action("ColumnsEditAct")->trigger();
    WhenModal<TOptionDialog>([](TOptionDialog&) {}, &reached[1], 5);
    action("OptionDetailAct")->trigger();
    QTest::qWait(100);
    EXPECT_FALSE(reached[0]);
    EXPECT_FALSE(reached[1]);
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
}

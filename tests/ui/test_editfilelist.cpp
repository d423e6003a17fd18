// The history editor: the list it edits, and the window driven by mouse and
// keys, alone and from the main window's "履歴の編集(&E)...".
#include "components/FrmKvEditFileList.h"
#include "components/KvEditFileNameList.h"
#include "DeepFolders.h"
#include "DialogDriver.h"
#include "platform/DisplayPath.h"
#include "WindowTest.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

TEST(KvEditFileNameList, FolderNameIsTheLastNameOfTheFolderPart)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/photos/2004/", "2004"}, {"/a/b.jpg", "a"}, {"/", ""}, {"name", ""}, {"/top/", "top"}, {"", ""}};
    for (const auto& [path, folder] : cases) {
        TKvEditFileName item;
        item.FileName = path;
        EXPECT_EQ(item.FolderName(), folder) << path;
    }
}

TEST(KvEditFileNameList, NumbersDecideTheOrderWrittenBack)
{
    TKvEditFileNameList list;
    list.LoadFromStrings({"/x/c/", "/y/a/", "/z/b/"});
    list.SortByFolderName(false);
    EXPECT_EQ(list.EditFileNames(0).FileName, "/y/a/");
    EXPECT_EQ(list.EditFileNames(0).Number, 2);
    Strings written;
    list.SaveToStrings(written);
    EXPECT_EQ(written, (Strings{"/x/c/", "/y/a/", "/z/b/"}));

    list.SortByFileName(true);
    EXPECT_EQ(list.EditFileNames(0).FileName, "/z/b/");
    list.SortByNumber(true);
    EXPECT_EQ(list.EditFileNames(0).Number, 3);
}

namespace {

class EditFileListWindow : public ::testing::Test {
protected:
    void open(const Strings& paths)
    {
        form_ = std::make_unique<TFormKvEditFileList>();
        form_->FileNameList.LoadFromStrings(paths);
        form_->ShowList();
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        view_ = form_->KvListView1;
    }
    QPoint rowCentre(int row) const
    {
        return view_->visualRect(view_->model()->index(row, 1)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, modifiers, rowCentre(row));
    }
    void clickHeader(int column)
    {
        QHeaderView* header = view_->header();
        const int logical = view_->ColumnTag(column);
        const int x = header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QString cell(int row, int column) const { return view_->model()->index(row, column).data().toString(); }
    QString panel(int index) const
    {
        return form_->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(index))->text();
    }
    // Confirms with OK and returns what the editor writes back.
    Strings confirm()
    {
        ClickButton(*form_, "ButtonOK");
        EXPECT_EQ(form_->result(), QDialog::Accepted);
        Strings written;
        form_->FileNameList.SaveToStrings(written);
        return written;
    }

    std::unique_ptr<TFormKvEditFileList> form_;
    TKvListView* view_ = nullptr;
};

}  // namespace

TEST_F(EditFileListWindow, ShowsItsColumnsAndStatusTexts)
{
    open({"/photos/2004/", "/photos/2005/"});
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("リストエディター"));
    ASSERT_EQ(view_->ColumnCount(), 3);
    EXPECT_EQ(view_->ColumnCaption(0), QStringLiteral("▲順番"));
    EXPECT_EQ(view_->ColumnCaption(1), QStringLiteral("フォルダ名"));
    EXPECT_EQ(view_->ColumnCaption(2), QStringLiteral("フォルダ名のみ"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("/photos/2005/"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("2005"));
    clickRow(1);
    EXPECT_EQ(panel(0), QStringLiteral("1 個のオブジェクトを選択"));
    EXPECT_EQ(panel(1), QStringLiteral("2 / 2"));
    for (const char* name : {"ButtonNumber", "ButtonDelete", "ButtonDeleteInvalidFolders", "ButtonClear"})
        EXPECT_NE(form_->findChild<QPushButton*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form_->findChild<QPushButton*>(QStringLiteral("ButtonDeleteInvalidFolders"))->text(),
              QStringLiteral("不正なパスを削除(&I)"));
}

// The keyboard alone: Delete in the list and each button's access key.
TEST_F(EditFileListWindow, DeleteKeyAndAccessKeysReachTheCommands)
{
    open({"/a/", "/b/", "/c/", "/d/"});
    QApplication::setActiveWindow(form_.get());  // access keys work in the active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    clickRow(1);
    QTest::keyClick(view_, Qt::Key_Delete);
    ASSERT_EQ(view_->RowCount(), 3);
    clickRow(0);
    // An access key clicks its button a moment later, as a click shows.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return view_->RowCount() == 2; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([&] { return view_->RowCount() == 0; }));
    for (const char* name : {"ButtonNumber", "ButtonDelete", "ButtonDeleteInvalidFolders", "ButtonClear"})
        EXPECT_TRUE(form_->findChild<QPushButton*>(QString::fromLatin1(name))->text().contains(QLatin1Char('&')))
            << name;
}

TEST_F(EditFileListWindow, DeletingKeepsTheOtherNumbersAndTheirOrder)
{
    open({"/a/", "/b/", "/c/", "/d/", "/e/", "/f/"});
    clickRow(1);
    clickRow(4, Qt::ControlModifier);
    ClickButton(*form_, "ButtonDelete");
    ASSERT_EQ(view_->RowCount(), 4);
    EXPECT_EQ(cell(0, 0) + cell(1, 0) + cell(2, 0) + cell(3, 0), QStringLiteral("1346"));
    EXPECT_EQ(panel(0), QStringLiteral("0 個のオブジェクトを選択"));
    EXPECT_EQ(confirm(), (Strings{"/a/", "/c/", "/d/", "/f/"}));
}

TEST_F(EditFileListWindow, SortingChangesTheWrittenOrderOnlyAfterRenumbering)
{
    const Strings paths{"/x/cherry/", "/y/apple/", "/z/banana/"};
    open(paths);
    clickHeader(2);  // "フォルダ名のみ"
    EXPECT_EQ(view_->ColumnCaption(2), QStringLiteral("▲フォルダ名のみ"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("apple"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("2"));  // numbers stay until renumbered
    EXPECT_EQ(confirm(), paths);

    open(paths);
    clickHeader(2);
    clickHeader(2);  // descending
    EXPECT_EQ(cell(0, 2), QStringLiteral("cherry"));
    clickRow(0);  // the selection goes with its item when sorted again
    clickHeader(1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("/x/cherry/"));
    EXPECT_TRUE(view_->isRowSelected(0));
    clickHeader(2);
    EXPECT_TRUE(view_->isRowSelected(2));
    ClickButton(*form_, "ButtonNumber");
    EXPECT_EQ(cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(confirm(), (Strings{"/y/apple/", "/z/banana/", "/x/cherry/"}));
}

TEST_F(EditFileListWindow, DeletesPathsThatAreNoFolderNow)
{
    TempFolder temp;
    std::filesystem::create_directories(temp.path() + "/kept");
    const std::string file = temp.write("file.jpg", {1});
    // Deeper than the kernel takes in one call, and still there.
    const DeepFolderChain chain(temp.path(), LongFolderName(), kDeepLevels, "x.jpg", {1});
    const std::string deep = chain.deepest();
    const Strings paths{temp.path() + "/kept/", temp.path() + "/gone/", file, deep + "/", "", "relative/"};
    open(paths);
    ClickButton(*form_, "ButtonDeleteInvalidFolders");
    EXPECT_EQ(view_->RowCount(), 2);
    EXPECT_EQ(confirm(), (Strings{temp.path() + "/kept/", deep + "/"}));
}

TEST_F(EditFileListWindow, ClearEmptiesAndCancelKeepsEverything)
{
    open({"/a/", "/b/"});
    ClickButton(*form_, "ButtonClear");
    EXPECT_EQ(view_->RowCount(), 0);
    EXPECT_EQ(panel(1), QStringLiteral("0 個のオブジェクト"));
    EXPECT_TRUE(confirm().empty());

    // Through the entry point: the caller's list changes only after OK.
    Strings history{"/a/", "/b/"};
    WhenModal<TFormKvEditFileList>([](TFormKvEditFileList& editor) {
        ClickButton(editor, "ButtonClear");
        ClickButton(editor, "ButtonCancel");
    });
    EXPECT_FALSE(EditFileNameList(nullptr, history));
    EXPECT_EQ(history, (Strings{"/a/", "/b/"}));
    WhenModal<TFormKvEditFileList>([](TFormKvEditFileList& editor) {
        QTest::keyClick(editor.KvListView1, Qt::Key_Home);
        QTest::keyClick(editor.KvListView1, Qt::Key_Space);
        ClickButton(editor, "ButtonDelete");
        QTest::keyClick(&editor, Qt::Key_Escape);
    });
    EXPECT_FALSE(EditFileNameList(nullptr, history));
    EXPECT_EQ(history, (Strings{"/a/", "/b/"}));
}

namespace {

class HistoryEditorInWindow : public WindowTest {
protected:
    void writeHistory(const std::string& text)
    {
        std::ofstream(settings_.path() + "/folder.txt", std::ios::binary) << text;
    }
    std::string readHistory() const
    {
        std::ifstream in(settings_.path() + "/folder.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    Strings addressItems() const
    {
        Strings items;
        QComboBox* box = window_->AddressBox();
        for (int i = 0; i < box->count(); ++i)
            items.push_back(box->itemData(i).toByteArray().toStdString());
        return items;
    }
};

}  // namespace

TEST_F(HistoryEditorInWindow, OkReplacesTheHistoryAndTheAddressBoxCancelKeepsThem)
{
    writeHistory("/a/\r\n/b/\r\n/c/\r\n");
    OpenWindow(folder());
    bool reached = false;
    WhenModal<TFormKvEditFileList>(
        [](TFormKvEditFileList& editor) {
            QTest::mouseClick(editor.KvListView1->viewport(), Qt::LeftButton, {},
                              editor.KvListView1->visualRect(editor.KvListView1->model()->index(1, 1)).center());
            ClickButton(editor, "ButtonDelete");
            ClickButton(editor, "ButtonCancel");
        },
        &reached);
    action("ActRecentEdit")->trigger();
    EXPECT_TRUE(reached);
    EXPECT_EQ(window_->FolderHistoryItems(), (Strings{"/a/", "/b/", "/c/"}));

    WhenModal<TFormKvEditFileList>([](TFormKvEditFileList& editor) {
        QTest::mouseClick(editor.KvListView1->viewport(), Qt::LeftButton, {},
                          editor.KvListView1->visualRect(editor.KvListView1->model()->index(1, 1)).center());
        ClickButton(editor, "ButtonDelete");
        ClickButton(editor, "ButtonOK");
    });
    action("ActRecentEdit")->trigger();
    EXPECT_EQ(window_->FolderHistoryItems(), (Strings{"/a/", "/c/"}));
    EXPECT_EQ(addressItems(), (Strings{"/a/", "/c/"}));
    EXPECT_EQ(readHistory(), "/a/\r\n/b/\r\n/c/\r\n");  // written at close
    window_.reset();
    EXPECT_EQ(readHistory(), "/a/\r\n/c/\r\n");
}

// A second start hands a folder over while the editor is open, and its
// check puts the folder on top of the history: OK keeps it there.
TEST_F(HistoryEditorInWindow, AFolderCheckedMeanwhileStaysAfterOk)
{
    photos_.write("sub/x.jpg", SoundTestJpeg());
    const std::string sub = photos_.path() + "/sub/";
    writeHistory("/a/\r\n/b/\r\n");
    OpenWindow(folder());
    WhenModal<TFormKvEditFileList>([&](TFormKvEditFileList& editor) {
        window_->WMCopyData(1, sub);
        ASSERT_TRUE(waitUntil([&] { return idle() && window_->FolderHistoryItems().front() == sub; }));
        QTest::mouseClick(editor.KvListView1->viewport(), Qt::LeftButton, {},
                          editor.KvListView1->visualRect(editor.KvListView1->model()->index(0, 1)).center());
        ClickButton(editor, "ButtonDelete");
        ClickButton(editor, "ButtonOK");
    });
    action("ActRecentEdit")->trigger();
    EXPECT_EQ(window_->FolderHistoryItems(), (Strings{sub, "/b/"}));
    EXPECT_EQ(addressItems(), (Strings{sub, "/b/"}));
}

TEST_F(HistoryEditorInWindow, RefusedWhileAListingRuns)
{
    OpenWindow(folder());
    for (int i = 0; i < 200; ++i)
        std::filesystem::create_directory(photos_.path() + "/d" + std::to_string(i));
    action("SubFolderSearchAct")->trigger();
    action("RefreshFilesAct")->trigger();
    ASSERT_TRUE(files().Busy());
    bool reached = false;
    WhenModal<TFormKvEditFileList>([](TFormKvEditFileList&) {}, &reached, 5);
    action("ActRecentEdit")->trigger();
    QTest::qWait(100);
    EXPECT_FALSE(reached);
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
}

// Folder names that are not UTF-8 (Shift_JIS, or no encoding at all) pass
// through the editor byte for byte, sorted, renumbered and checked.
TEST_F(HistoryEditorInWindow, FolderNamesThatAreNotUtf8SurviveByteForByte)
{
    const std::string sjis = photos_.path() + "/\x8E\xCA\x90\x5E/";
    const std::string broken = photos_.path() + "/\xFF\xFE\x80/";
    std::filesystem::create_directory(sjis);
    std::filesystem::create_directory(broken);
    writeHistory(broken + "\r\n" + sjis + "\r\n" + photos_.path() + "/gone/\r\n");
    OpenWindow(folder());
    WhenModal<TFormKvEditFileList>([](TFormKvEditFileList& editor) {
        ClickButton(editor, "ButtonDeleteInvalidFolders");
        const int logical = editor.KvListView1->ColumnTag(2);
        QHeaderView* header = editor.KvListView1->header();
        const int x = header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        ClickButton(editor, "ButtonNumber");
        ClickButton(editor, "ButtonOK");
    });
    action("ActRecentEdit")->trigger();
    ASSERT_EQ(window_->FolderHistoryItems().size(), 2u);
    const Strings& edited = window_->FolderHistoryItems();
    EXPECT_TRUE((edited == Strings{sjis, broken}) || (edited == Strings{broken, sjis}));
    EXPECT_EQ(addressItems(), edited);
    EXPECT_EQ(window_->AddressBox()->itemText(edited[0] == sjis ? 0 : 1), DisplayPath(sjis));
}

// A line break in a folder's name would split its line into two other
// folders at the next start: it is kept for this run and left out of the file.
TEST_F(HistoryEditorInWindow, AFolderNamedWithALineBreakIsNotWritten)
{
    const std::string broken = photos_.path() + "/nl\n/etc/";
    photos_.write("nl\n/etc/x.jpg", SoundTestJpeg());
    writeHistory("/a/\r\n");
    OpenWindow(broken);
    ASSERT_TRUE(waitUntil([&] { return listed(1); }));
    action("JpegErrorCheckAllAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    EXPECT_EQ(window_->FolderHistoryItems(), (Strings{broken, "/a/"}));
    EXPECT_EQ(readHistory(), "/a/\r\n");
    window_.reset();
    EXPECT_EQ(readHistory(), "/a/\r\n");
}

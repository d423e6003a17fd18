// The main job end to end in the real window: a folder is listed, checked
// at once, its damaged files selected; and the navigation around it.
#include "app/ConstsSl.h"
#include "components/KvFolderTreeModel.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

Bytes soundJpeg()
{
    return SoundTestJpeg();
}

class MainJob : public WindowTest {
protected:
    void SetUp() override
    {
        const Bytes sound = soundJpeg();
        photos_.write("a-sound.jpg", sound);
        Bytes appended = sound;
        appended.insert(appended.end(), {'t', 'a', 'i', 'l'});
        photos_.write("b-appended.jpg", appended);
        photos_.write("c-truncated.jpg", Bytes(sound.begin(), sound.end() - 50));
        const std::string text = "not a picture";
        photos_.write("d-text.jpg", Bytes(text.begin(), text.end()));
        photos_.write("e-empty.jpg", {});
        photos_.write("notes.txt", sound);
        OpenWindow();
    }
    std::vector<int> selectedRows() const
    {
        std::vector<int> rows;
        for (int row = 0; row < list_->RowCount(); ++row) {
            if (list_->isRowSelected(row))
                rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(MainJob, ListingIsFollowedByACheckAndTheDamagedFilesAreSelected)
{
    window_->WMCopyData(1, photos_.path());
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("エラー未チェック"));
    ASSERT_TRUE(waitUntil([&] { return idle() && window_->PanelText(3).contains(QStringLiteral("個のエラー")); }));
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("3 個のエラー"));
    ASSERT_EQ(list_->RowCount(), 5);  // the .txt file is not listed
    EXPECT_EQ(window_->windowTitle(), QString::fromStdString(folder()) + QStringLiteral(" - ") + ProductTitle);

    window_->ActionList1Update();
    action("SelectErrorsActSl")->trigger();
    std::vector<std::string> selected;
    for (int row : selectedRows())
        selected.push_back(nameAt(row));
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::string>{"c-truncated.jpg", "d-text.jpg", "e-empty.jpg"}));

    // The check put the folder at the top of the history file, CR LF.
    EXPECT_EQ(window_->FolderHistoryItems().front(), folder());
    QFile history(QString::fromStdString(settings_.path() + "/folder.txt"));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_TRUE(history.readAll().startsWith(QByteArray::fromStdString(folder()) + "\r\n"));
}

TEST_F(MainJob, HistoryFileKeepsOneCopyOfAFolderAndTellsCaseApart)
{
    window_->close();
    std::filesystem::create_directory(photos_.path() + "/Sub");
    std::filesystem::copy_file(photos_.path() + "/a-sound.jpg", photos_.path() + "/Sub/x.jpg");
    // Older entries: the same folder, and a different folder whose name
    // differs only by case (Linux keeps both apart).
    QFile history(QString::fromStdString(settings_.path() + "/folder.txt"));
    ASSERT_TRUE(history.open(QIODevice::WriteOnly));
    const QByteArray lower = QByteArray::fromStdString(photos_.path() + "/sub/");
    const QByteArray same = QByteArray::fromStdString(photos_.path() + "/Sub/");
    history.write(lower + "\r\n/elsewhere/\r\n" + same + "\r\n");
    history.close();
    OpenWindow();
    window_->WMCopyData(1, photos_.path() + "/Sub");
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1 && window_->FolderHistoryItems().front() == same.toStdString(); }));
    EXPECT_EQ(window_->FolderHistoryItems(),
              (std::vector<std::string>{same.toStdString(), lower.toStdString(), "/elsewhere/"}));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll(), same + "\r\n" + lower + "\r\n/elsewhere/\r\n");
}

TEST_F(MainJob, BackAndForwardRestoreSelectionAndTheCurrentFolderIsNotAddedTwice)
{
    action("DoNowAct")->setChecked(false);
    std::filesystem::create_directory(photos_.path() + "/other");
    std::filesystem::copy_file(photos_.path() + "/a-sound.jpg", photos_.path() + "/other/o.jpg");
    const int before = recent_->Count();

    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    window_->WMCopyData(1, photos_.path() + "/");  // the same folder again
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    EXPECT_EQ(recent_->Count(), before + 1);

    list_->selectRow(1, true);
    list_->selectRow(3, true);
    list_->setCurrentRow(3);
    const std::string focused = nameAt(3);
    window_->WMCopyData(1, photos_.path() + "/other");
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
    EXPECT_EQ(recent_->Count(), before + 2);

    window_->ActionList1Update();
    action("BackAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    EXPECT_EQ(selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(nameAt(list_->currentRow()), focused);
    EXPECT_EQ(recent_->Count(), before + 2);

    window_->ActionList1Update();
    action("ForwardAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(photos_.path() + "/other/"));
}

// The folder a new window starts in, and each one opened after it, is
// selected in the tree and scrolled into view.
TEST_F(MainJob, TheFolderTreeFollowsTheOpenedFolder)
{
    std::filesystem::create_directories(photos_.path() + "/deep/er");
    window_->close();
    window_ = std::make_unique<TFormScanlark>(photos_.path() + "/deep/er", settings_.path() + "/", "scanlark.ini");
    checker_ = window_->findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    auto* tree = window_->findChild<QTreeView*>(QStringLiteral("STV"));
    auto* model = qobject_cast<TKvFolderTreeModel*>(tree->model());
    // Selected and scrolled into view: the row whole, its name from its
    // start (the names' column is wider than the tree).
    const auto treeShows = [&](const std::string& folder) {
        const QRect item = tree->visualRect(tree->currentIndex());
        const QRect view = tree->viewport()->rect();
        return tree->currentIndex().isValid() && model->FolderPath(tree->currentIndex()) == folder &&
               item.top() >= view.top() && item.bottom() <= view.bottom() && view.contains(item.topLeft());
    };
    window_->show();
    QCoreApplication::processEvents();  // the activation comes after the first events
    window_->FormActivate();
    EXPECT_TRUE(waitUntil([&] { return idle() && treeShows(photos_.path() + "/deep/er"); }));
    for (const std::string& folder : {std::string("/"), photos_.path()}) {
        window_->WMCopyData(1, folder);
        EXPECT_TRUE(waitUntil([&] { return idle() && treeShows(folder); })) << folder;
    }

    // Once the person scrolls the tree, its changes no longer scroll it back.
    QScrollBar* bar = tree->verticalScrollBar();
    const int followed = bar->value();
    ASSERT_GT(followed, 0);
    const QPoint inside = tree->viewport()->rect().center();
    QWheelEvent wheel(inside, tree->viewport()->mapToGlobal(inside), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(tree->viewport(), &wheel);
    const int scrolled = bar->value();
    EXPECT_LT(scrolled, followed);
    Q_EMIT model->layoutChanged();
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), scrolled);
}

TEST_F(MainJob, FilePathsInvalidPathsUpFromTheRootAndStoppedListings)
{
    action("DoNowAct")->setChecked(false);
    // A file path opens its folder and selects the file.
    window_->WMCopyData(1, photos_.path() + "/d-text.jpg");
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    ASSERT_EQ(selectedRows().size(), 1u);
    EXPECT_EQ(nameAt(selectedRows()[0]), "d-text.jpg");
    EXPECT_EQ(nameAt(list_->currentRow()), "d-text.jpg");

    // An invalid path: the message, the text kept, the history unchanged.
    const int entries = recent_->Count();
    window_->WMCopyData(1, photos_.path() + "/missing");
    EXPECT_EQ(window_->PanelText(0), InvalidFolderText());
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(photos_.path() + "/missing"));
    EXPECT_EQ(recent_->Count(), entries);
    EXPECT_EQ(list_->RowCount(), 0);

    // Up from "/" does nothing.
    window_->WMCopyData(1, "/");
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    const int atRoot = recent_->Count();
    window_->ActionList1Update();
    action("UpFolderAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    EXPECT_EQ(recent_->Count(), atRoot);
    EXPECT_EQ(window_->AddressBox()->currentText(), QStringLiteral("/"));

    // A listing stopped at once starts no check, even with check-at-once on.
    action("DoNowAct")->setChecked(true);
    window_->WMCopyData(1, photos_.path());
    window_->ActionList1Update();
    action("StopAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(); }));
    const auto* checker = window_->findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    EXPECT_EQ(checker->ErrorCount, -1);
    EXPECT_TRUE(window_->FileInfos()->FileInfoList().Stopped());
}

TEST_F(MainJob, RefreshModeIsKeptAcrossARestart)
{
    window_->WMCopyData(1, photos_.path());
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    window_->ActionList1Update();
    action("RefreshFilesAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 5; }));
    EXPECT_EQ(window_->findChild<QToolButton*>(QStringLiteral("TBtnRefresh"))->defaultAction(), action("RefreshFilesAct"));
    window_->close();
    OpenWindow();
    EXPECT_EQ(window_->findChild<QToolButton*>(QStringLiteral("TBtnRefresh"))->defaultAction(), action("RefreshFilesAct"));
}

TEST_F(MainJob, AClosedWindowOpensNothingMoreAndIsDestroyedCleanly)
{
    window_->close();
    const std::string before = recent_->NowItem() ? recent_->NowItem()->Path : std::string();
    window_->WMCopyData(1, photos_.path());  // a hand-over that arrives too late
    EXPECT_FALSE(files().Busy());
    EXPECT_EQ(recent_->NowItem() ? recent_->NowItem()->Path : std::string(), before);
    window_.reset();

    // Destroyed in the middle of a listing and a check, without a close.
    OpenWindow();
    for (int i = 0; i < 200; ++i)
        photos_.write("many/" + std::to_string(i) + ".jpg", soundJpeg());
    action("SubFolderSearchAct")->setChecked(true);
    window_->WMCopyData(1, photos_.path());
    window_.reset();
}

}  // namespace

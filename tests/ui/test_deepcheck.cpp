// The deep check in the window, driven as a person drives it: switched on in
// the options dialog or in 実行, the check then flags exactly the files that
// `scanlark-check --deep` flags, Ctrl+R selects those, the preview marks
// where a picture is damaged, and a move that keeps the folders goes back
// with 元に戻す byte for byte.
#include "CheckerProcess.h"
#include "DamagedJpegs.h"
#include "DialogDriver.h"
#include "FileHelpers.h"
#include "ModalHelpers.h"
#include "WindowTest.h"
#include "components/KvImageView.h"
#include "components/ScanlarkColumns.h"
#include "options/OptionDlgSl.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

class DeepWindow : public WindowTest {
protected:
    void SetUp() override
    {
        const Bytes noise = RestartNoiseJpeg();
        const Bytes otherNoise = RestartNoiseJpeg(777);
        // The two cards hold a file of one name each: only keeping the
        // folders sets both aside.
        photos_.write("in/A/DCIM/IMG_0001.jpg", WithBitFlip(noise, 3));
        photos_.write("in/A/DCIM/IMG_0002.jpg", noise);
        photos_.write("in/B/DCIM/IMG_0001.jpg", WithZeroedBlock(otherNoise, 5));
        photos_.write("in/B/DCIM/IMG_0002.jpg", otherNoise);
        photos_.write("in/B/flip8.jpg", WithBitFlip(noise, 8));
        photos_.write("in/cut.jpg", Bytes(noise.begin(), noise.begin() + noise.size() / 2));
        photos_.write("in/top.jpg", RestartNoiseJpeg(5));
        fs::create_directories(photos_.path() + "/out");
        for (const std::string& path : jpegs())
            before_[path] = ReadBytes(path);

        OpenWindow(in());
        window_->resize(800, 700);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        action("SubFolderSearchAct")->setChecked(true);
    }
    std::string in() const { return photos_.path() + "/in"; }
    std::set<std::string> jpegs() const
    {
        std::set<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(in()))
            if (entry.path().extension() == ".jpg")
                paths.insert(entry.path().string());
        return paths;
    }
    // Lists the folder again (and checks it, as the window does at once).
    void relist()
    {
        // The offscreen platform does not hand the activation back when a
        // dialog closes, as a window manager does.
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        list_->setFocus();
        PressInFocus(Qt::Key_F5);
        // The key empties panel 3 at once; it counts the errors again once
        // the check has ended.
        ASSERT_FALSE(window_->PanelText(3).endsWith(QStringLiteral("個のエラー")));
        ASSERT_TRUE(waitUntil([&] { return listed(7) && window_->PanelText(3).endsWith(QStringLiteral("個のエラー")); }));
    }
    // What scanlark-check --deep flags in the folder.
    std::set<std::string> flaggedByChecker() const
    {
        const CheckerResult run = RunChecker({"--deep", "-r", "--errors-only", "--print0", "-q", in()});
        EXPECT_EQ(run.status, 1) << run.err;
        std::set<std::string> paths;
        for (size_t start = 0, end; (end = run.out.find('\0', start)) != std::string::npos; start = end + 1)
            paths.insert(run.out.substr(start, end - start));
        return paths;
    }
    std::set<std::string> selectedPaths() const
    {
        std::set<std::string> paths;
        for (const QModelIndex& index : list_->selectionModel()->selectedRows())
            paths.insert(files().FileInfos(index.row())->FullFileName());
        return paths;
    }
    void clickRow(const std::string& fullName, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        int row = -1;
        for (int r = 0; r < files().Count(); ++r)
            if (files().FileInfos(r)->FullFileName() == fullName)
                row = r;
        ASSERT_GE(row, 0) << fullName;
        list_->scrollTo(list_->model()->index(row, ScanlarkColumn::Name));
        const QRect cell = list_->visualRect(list_->model()->index(row, ScanlarkColumn::Name));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void chooseFolderNext(const std::string& folder)
    {
        WhenShown(QStringLiteral("QFileDialog"), [folder](QWidget* widget) {
            auto* edit = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setFocus();
            edit->setText(QString::fromStdString(folder));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }

    std::map<std::string, std::string> before_;
};

TEST_F(DeepWindow, FlagsWhatTheCommandLineFlagsAndCtrlRSelectsExactlyThose)
{
    const std::set<std::string> expected = {in() + "/A/DCIM/IMG_0001.jpg", in() + "/B/DCIM/IMG_0001.jpg",
                                            in() + "/B/flip8.jpg", in() + "/cut.jpg"};
    ASSERT_EQ(flaggedByChecker(), expected);

    // Off by default: the check is the walk's alone and finds the cut file.
    EXPECT_FALSE(action("DeepCheckAct")->isChecked());
    relist();
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("1 個のエラー"));
    PressInFocus(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(selectedPaths(), std::set<std::string>{in() + "/cut.jpg"});

    // On through the check box of the options' general page.
    bool reached = false;
    WhenModal<TOptionDialog>(
        [](TOptionDialog& dialog) {
            dialog.PageControl1->setCurrentWidget(dialog.TabSheetGeneral);
            EXPECT_FALSE(dialog.CheckBoxDeepCheck->isChecked());
            // Each box its own access key: Alt+D still toggles DoNow's (a
            // moment later, as a click shows).
            QApplication::setActiveWindow(&dialog);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
            EXPECT_TRUE(waitUntil([&] { return !dialog.CheckBoxDoNow->isChecked(); }));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
            EXPECT_TRUE(waitUntil([&] { return dialog.CheckBoxDoNow->isChecked(); }));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::AltModifier);
            EXPECT_TRUE(waitUntil([&] { return dialog.CheckBoxDeepCheck->isChecked(); }));
            // And the column of its verdicts, hidden at first, shown.
            dialog.PageControl1->setCurrentWidget(dialog.TabSheetColumns);
            const QList<QTreeWidgetItem*> rows = dialog.ListViewCE->findItems(QStringLiteral("画像データ"), Qt::MatchExactly);
            ASSERT_EQ(rows.size(), 1);
            EXPECT_EQ(rows.front()->checkState(0), Qt::Unchecked);
            dialog.ListViewCE->setCurrentItem(rows.front());
            QTest::keyClick(dialog.ListViewCE, Qt::Key_Space);
            ClickButton(dialog, "ButtonOK");
        },
        &reached);
    action("OptionDetailAct")->trigger();
    ASSERT_TRUE(reached);
    EXPECT_TRUE(action("DeepCheckAct")->isChecked());
    relist();
    EXPECT_EQ(window_->PanelText(3), QStringLiteral("4 個のエラー"));
    list_->clearSelection();
    PressInFocus(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(selectedPaths(), expected);

    // The preview bands the damaged rows: row 3 of 16-pixel MCU rows, to the
    // next restart marker.
    clickRow(in() + "/A/DCIM/IMG_0001.jpg");
    auto* pane = window_->findChild<TKvImageView*>(QStringLiteral("ImgView32"));
    ASSERT_TRUE(waitUntil([&] { return !pane->Empty() && pane->Hint().contains(QStringLiteral("IMG_0001")); }));
    ASSERT_FALSE(pane->Bands().empty());
    EXPECT_EQ(pane->Bands().front().Top, 3 * 16);
    EXPECT_LE(pane->Bands().front().Bottom, 256);
    EXPECT_TRUE(pane->Hint().contains(QStringLiteral("破損: 行 3 から, 無傷 "))) << pane->Hint().toStdString();
    clickRow(in() + "/A/DCIM/IMG_0002.jpg");
    ASSERT_TRUE(waitUntil([&] { return pane->Hint().contains(QStringLiteral("IMG_0002")); }));
    EXPECT_TRUE(pane->Bands().empty());
    EXPECT_FALSE(pane->Hint().contains(QStringLiteral("破損")));

    // Off again through 実行; the setting lives in a section of its own.
    action("DeepCheckAct")->trigger();
    action("DeepCheckAct")->trigger();
    window_->close();
    window_.reset();
    const std::string ini = ReadBytes(settings_.path() + "/scanlark.ini");
    EXPECT_NE(ini.find("[Deep]\r\nEnabled=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("JPEG_DeepVerdict_Visible=1\r\n"), ini.find("[Deep]")) << ini;
    EXPECT_EQ(ini.find("JPEG_DeepVerdict"), ini.find("JPEG_DeepVerdict", ini.find("[Deep]"))) << ini;

    // Both come back with the window.
    OpenWindow(in());
    EXPECT_TRUE(action("DeepCheckAct")->isChecked());
    QStringList captions;
    for (int column = 0; column < list_->ColumnCount(); ++column)
        captions << list_->ColumnCaption(column);
    EXPECT_TRUE(captions.contains(QStringLiteral("画像データ"))) << captions.join(u',').toStdString();
}

TEST_F(DeepWindow, AMoveKeepingTheFoldersAndItsUndoRoundTripByteForByte)
{
    action("DeepCheckAct")->setChecked(true);
    relist();
    PressInFocus(Qt::Key_R, Qt::ControlModifier);
    const std::set<std::string> chosen = selectedPaths();
    ASSERT_EQ(chosen.size(), 4u);

    action("KeepFoldersAct")->trigger();
    chooseFolderNext(photos_.path() + "/out");
    action("MoveFileAct")->trigger();
    const std::string out = photos_.path() + "/out";
    for (const std::string& path : chosen) {
        const std::string placed = out + path.substr(in().size());
        EXPECT_FALSE(fs::exists(path)) << path;
        EXPECT_EQ(ReadBytes(placed), before_[path]) << placed;
    }
    std::string record;
    for (const auto& entry : fs::directory_iterator(out))
        if (entry.path().filename().string().starts_with("scanlark-moved-"))
            record = entry.path().string();
    ASSERT_FALSE(record.empty());
    const std::string text = ReadBytes(record);
    EXPECT_NE(text.find(in() + "/B/DCIM/IMG_0001.jpg\t" + out + "/B/DCIM/IMG_0001.jpg\t"), std::string::npos) << text;
    EXPECT_NE(text.find("\tsound\tdamaged\n"), std::string::npos) << text;

    window_->ActionList1Update();
    ASSERT_TRUE(action("UndoSetAsideAct")->isEnabled());
    action("UndoSetAsideAct")->trigger();
    for (const auto& [path, bytes] : before_)
        EXPECT_EQ(ReadBytes(path), bytes) << path;
    EXPECT_FALSE(fs::exists(record));
    window_->ActionList1Update();
    EXPECT_FALSE(action("UndoSetAsideAct")->isEnabled());
}

}  // namespace

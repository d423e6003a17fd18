// Acting on the chosen files from the window as a person does: rows chosen
// with the mouse, commands through their actions and keys, the folder
// chooser and the questions answered on screen.
#include "app/KvShell.h"
#include "components/ScanlarkColumns.h"
#include "FileHelpers.h"
#include "ModalHelpers.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

namespace {

class FileOps : public WindowTest {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
            Bytes bytes = SoundTestJpeg();
            bytes.push_back(static_cast<uint8_t>(name[0]));  // each file its own content
            photos_.write(std::string("in/") + name, bytes);
        }
        std::filesystem::create_directories(photos_.path() + "/out");
        Open();
    }
    void Open()
    {
        OpenWindow(photos_.path() + "/in");
        ASSERT_TRUE(waitUntil([&] { return listed(5); }));
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void clickRow(const std::string& name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect cell = list_->visualRect(list_->model()->index(rowOf(name), ScanlarkColumn::Name));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void choose(std::initializer_list<const char*> names)
    {
        bool first = true;
        for (const char* name : names) {
            clickRow(name, first ? Qt::NoModifier : Qt::ControlModifier);
            first = false;
        }
    }
    // Types folder into the next folder chooser and confirms it; records the
    // chooser's title and the folder it started in.
    void chooseFolderNext(const std::string& folder)
    {
        WhenShown(QStringLiteral("QFileDialog"), [this, folder](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            chooserTitle_ = dialog->windowTitle();
            chooserStart_ = dialog->directory().absolutePath().toStdString();
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            // Pasted rather than typed: typing opens the completer's list,
            // which would take the Enter.
            edit->setFocus();
            edit->setText(QString::fromStdString(folder));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }
    // Clicks button of the next message box called name; records its text.
    void answerNext(const char* name, QMessageBox::StandardButton button)
    {
        WhenShown(QString::fromLatin1(name), [this, button](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            questions_ << box->text();
            defaults_ << (box->defaultButton() == box->button(QMessageBox::Yes));
            QTest::mouseClick(box->button(button), Qt::LeftButton);
        });
    }
    // The offscreen platform does not hand the activation back when a
    // question closes, as a window manager does.
    void backToWindow()
    {
        QApplication::setActiveWindow(window_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    std::string in(const std::string& name) const { return photos_.path() + "/in/" + name; }
    std::string out(const std::string& name) const { return photos_.path() + "/out/" + name; }

    QString chooserTitle_;
    std::string chooserStart_;
    QStringList questions_;
    QList<bool> defaults_;
};

TEST_F(FileOps, CopyAndMoveTheChosenRowsToTheFolderChosenAndOfferItAgainAfterARestart)
{
    choose({"b.jpg", "d.jpg", "e.jpg"});
    chooseFolderNext(photos_.path() + "/out");
    action("CopyFileAct")->trigger();
    EXPECT_EQ(chooserTitle_, QStringLiteral("コピー先フォルダを選択"));
    EXPECT_EQ(Names(photos_.path() + "/out"), (std::set<std::string>{"b.jpg", "d.jpg", "e.jpg"}));
    EXPECT_EQ(ReadBytes(out("d.jpg")), ReadBytes(in("d.jpg")));
    EXPECT_EQ(Names(photos_.path() + "/in").size(), 5u);

    window_->close();
    window_.reset();
    Open();
    choose({"a.jpg", "c.jpg"});
    chooseFolderNext(photos_.path() + "/out");
    action("MoveFileAct")->trigger();
    EXPECT_EQ(chooserTitle_, QStringLiteral("移動先フォルダを選択"));
    EXPECT_EQ(chooserStart_, photos_.path() + "/out");
    EXPECT_EQ(Names(photos_.path() + "/out"), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}));
    EXPECT_EQ(Names(photos_.path() + "/in"), (std::set<std::string>{"b.jpg", "d.jpg", "e.jpg"}));
    // The list is refreshed by the person, not by the command.
    EXPECT_EQ(list_->RowCount(), 5);
}

TEST_F(FileOps, ACancelledChooserDoesNothingAndOverwriteForAllAsksOnce)
{
    photos_.write("out/b.jpg", Bytes{'o', 'l', 'd'});
    photos_.write("out/c.jpg", Bytes{'o', 'l', 'd'});
    choose({"a.jpg", "b.jpg", "c.jpg"});
    WhenShown(QStringLiteral("QFileDialog"), [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    action("CopyFileAct")->trigger();
    EXPECT_EQ(Names(photos_.path() + "/out"), (std::set<std::string>{"b.jpg", "c.jpg"}));

    int questions = 0;
    chooseFolderNext(photos_.path() + "/out");
    WhenShown(QStringLiteral("FileConflictDialog"), [&](QWidget* widget) {
        ++questions;
        auto* box = qobject_cast<QMessageBox*>(widget);
        QTest::mouseClick(box->checkBox(), Qt::LeftButton, {}, QPoint(5, box->checkBox()->height() / 2));
        QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("OverwriteButton")), Qt::LeftButton);
        // A second question would be answered here and counted.
        WhenShown(QStringLiteral("FileConflictDialog"), [&](QWidget* again) {
            ++questions;
            QTest::mouseClick(again->findChild<QPushButton*>(QStringLiteral("SkipButton")), Qt::LeftButton);
        }, QDeadlineTimer(3000));
    });
    action("CopyFileAct")->trigger();
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(ReadBytes(out("b.jpg")), ReadBytes(in("b.jpg")));
    EXPECT_EQ(ReadBytes(out("c.jpg")), ReadBytes(in("c.jpg")));
    EXPECT_EQ(Names(photos_.path() + "/out").size(), 3u);
}

// The chooser starts where the person is until a folder has been chosen,
// also after a restart, and again once the folder chosen last is gone; it
// names folders in Japanese.
TEST_F(FileOps, TheChooserStartsInTheFolderOnShowBeforeAChoiceAndWhenTheChoiceIsGone)
{
    QString folderType;
    const auto cancelNextChooser = [&] {
        WhenShown(QStringLiteral("QFileDialog"), [&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            chooserStart_ = dialog->directory().absolutePath().toStdString();
            auto* model = dialog->findChild<QFileSystemModel*>();
            const QModelIndex out = model->index(QString::fromStdString(photos_.path() + "/out"));
            waitUntil([&] { return !model->type(out).isEmpty(); }, 3000);
            folderType = model->type(out);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    };
    choose({"a.jpg"});
    cancelNextChooser();
    action("CopyFileAct")->trigger();
    EXPECT_EQ(chooserStart_, photos_.path() + "/in");
    EXPECT_EQ(folderType, QStringLiteral("フォルダ"));

    window_->close();
    window_.reset();
    Open();
    choose({"a.jpg"});
    cancelNextChooser();
    action("MoveFileAct")->trigger();
    EXPECT_EQ(chooserStart_, photos_.path() + "/in");

    std::filesystem::create_directories(photos_.path() + "/gone");
    chooseFolderNext(photos_.path() + "/gone");
    action("CopyFileAct")->trigger();
    ASSERT_EQ(Names(photos_.path() + "/gone"), std::set<std::string>{"a.jpg"});
    std::filesystem::remove_all(photos_.path() + "/gone");
    cancelNextChooser();
    action("CopyFileAct")->trigger();
    EXPECT_EQ(chooserStart_, photos_.path() + "/in");
}

// Two cards hold files of one name: "keep both" gives the newcomer a free
// name; "overwrite" sends the file in the way to the trash.
TEST_F(FileOps, NameClashKeepsBothOrSendsTheOldFileToTheTrash)
{
    const ScopedEnv data("XDG_DATA_HOME", settings_.path() + "/data");
    photos_.write("out/b.jpg", Bytes{'o', 'l', 'd'});
    photos_.write("out/c.jpg", Bytes{'o', 'l', 'd'});
    const std::string newB = ReadBytes(in("b.jpg"));
    for (const char* button : {"KeepBothButton", "OverwriteButton"}) {
        choose({button[0] == 'K' ? "b.jpg" : "c.jpg"});
        chooseFolderNext(photos_.path() + "/out");
        WhenShown(QStringLiteral("FileConflictDialog"), [button](QWidget* widget) {
            QTest::mouseClick(widget->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        });
        action("MoveFileAct")->trigger();
        backToWindow();
    }
    EXPECT_EQ(Names(photos_.path() + "/out"), (std::set<std::string>{"b.jpg", "b (2).jpg", "c.jpg"}));
    EXPECT_EQ(ReadBytes(out("b.jpg")), "old");
    EXPECT_EQ(ReadBytes(out("b (2).jpg")), newB);
    EXPECT_EQ(ReadBytes(settings_.path() + "/data/Trash/files/c.jpg"), "old");
}

TEST_F(FileOps, DeleteGoesToTheTrashAndShiftDeleteRemovesForGoodAfterAskingFirst)
{
    const ScopedEnv data("XDG_DATA_HOME", settings_.path() + "/data");
    clickRow("a.jpg");
    answerNext("DeleteConfirmDialog", QMessageBox::No);
    PressInFocus(Qt::Key_Delete);
    EXPECT_TRUE(std::filesystem::exists(in("a.jpg")));

    backToWindow();
    clickRow("a.jpg");
    answerNext("DeleteConfirmDialog", QMessageBox::Yes);
    PressInFocus(Qt::Key_Delete);
    EXPECT_FALSE(std::filesystem::exists(in("a.jpg")));
    EXPECT_TRUE(std::filesystem::exists(settings_.path() + "/data/Trash/files/a.jpg"));

    backToWindow();
    choose({"b.jpg", "c.jpg"});
    answerNext("DeleteConfirmDialog", QMessageBox::Yes);
    PressInFocus(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Names(photos_.path() + "/in"), (std::set<std::string>{"d.jpg", "e.jpg"}));
    EXPECT_EQ(Names(settings_.path() + "/data/Trash/files"), (std::set<std::string>{"a.jpg"}));

    ASSERT_EQ(questions_.size(), 3);
    EXPECT_EQ(questions_[1], QStringLiteral("「a.jpg」をごみ箱に移動しますか?"));
    EXPECT_EQ(questions_[2], QStringLiteral("2 個のファイルを完全に削除しますか?\nこの操作は元に戻せません。"));
    // "Yes" is offered first for the trash only.
    EXPECT_EQ(defaults_, (QList<bool>{true, true, false}));
    EXPECT_EQ(list_->RowCount(), 5);
}

// "a/link/../" is b/ for the kernel, which lists it, and a/ for text that
// folds "..": Delete must act on the b/x.jpg the person saw and confirmed.
TEST_F(FileOps, DeleteThroughALinkAndDotDotActsOnTheFileListed)
{
    const ScopedEnv data("XDG_DATA_HOME", settings_.path() + "/data");
    const std::string trash = settings_.path() + "/data/Trash";
    for (const bool permanently : {false, true}) {
        TempFolder place;
        const std::string other = place.write("a/x.jpg", Bytes{'a'});
        const std::string listed = place.write("b/x.jpg", Bytes{'b'});
        std::filesystem::create_directories(place.path() + "/b/real");
        std::filesystem::create_directory_symlink(place.path() + "/b/real", place.path() + "/a/link");

        backToWindow();
        QComboBox* box = window_->AddressBox();
        QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(place.path() + "/a/link/../"));
        PressInFocus(Qt::Key_Return);
        ASSERT_TRUE(waitUntil([&] { return idle() && list_->RowCount() == 1; }));
        // The typed path matches a folder of the history; the offscreen
        // platform leaves the closed list of matches the active window.
        window_->activateWindow();
        backToWindow();
        clickRow("x.jpg");
        answerNext("DeleteConfirmDialog", QMessageBox::Yes);
        PressInFocus(Qt::Key_Delete, permanently ? Qt::ShiftModifier : Qt::NoModifier);

        EXPECT_FALSE(std::filesystem::exists(listed)) << permanently;
        EXPECT_EQ(ReadBytes(other), "a");
        if (!permanently) {
            EXPECT_EQ(ReadBytes(trash + "/files/x.jpg"), "b");
            EXPECT_NE(ReadBytes(trash + "/info/x.jpg.trashinfo").find("\nPath=" + listed + "\n"), std::string::npos);
        }
    }
}

TEST_F(FileOps, OpenCommandsAskTheDesktopOncePerExistingFile)
{
    const TKvDesktopServices saved = DesktopServices();
    QStringList opened;
    QStringList shown;
    bool fileManagerAnswers = true;
    DesktopServices().OpenUrl = [&](const QUrl& url, std::function<void(bool)> done) {
        opened << QString::fromLatin1(url.toEncoded());
        done(true);
    };
    DesktopServices().ShowItems = [&](const QStringList& urls, std::function<void(bool)> done) {
        shown << urls;
        done(fileManagerAnswers);
    };
    const QString folderUrl = QStringLiteral("file://") + QString::fromStdString(photos_.path()) + "/in/";

    // Nothing chosen (a click below the rows): the folder command opens the
    // current folder.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, list_->viewport()->height() - 3));
    ASSERT_EQ(list_->selectedRowCount(), 0);
    EXPECT_FALSE(action("OpenShellAct")->isEnabled());
    EXPECT_TRUE(action("OpenFolderAct")->isEnabled());
    action("OpenFolderAct")->trigger();
    EXPECT_EQ(opened, QStringList{folderUrl});

    opened.clear();
    choose({"a.jpg", "c.jpg", "e.jpg"});
    std::filesystem::remove(in("c.jpg"));
    PressInFocus(Qt::Key_Return);
    EXPECT_EQ(opened, QStringList({folderUrl + "a.jpg", folderUrl + "e.jpg"}));

    opened.clear();
    action("OpenFolderAct")->trigger();
    EXPECT_EQ(opened, QStringList({folderUrl, folderUrl, folderUrl}));

    opened.clear();
    action("OpenExplorerAct")->trigger();
    EXPECT_EQ(shown, QStringList({folderUrl + "a.jpg", folderUrl + "c.jpg", folderUrl + "e.jpg"}));
    EXPECT_TRUE(opened.isEmpty());
    fileManagerAnswers = false;
    shown.clear();
    clickRow("a.jpg");
    action("OpenExplorerAct")->trigger();
    EXPECT_EQ(shown, QStringList{folderUrl + "a.jpg"});
    EXPECT_EQ(opened, QStringList{folderUrl});

    opened.clear();
    const QRect cell = list_->visualRect(list_->model()->index(rowOf("b.jpg"), ScanlarkColumn::Name));
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(opened, QStringList{folderUrl + "b.jpg"});
    DesktopServices() = saved;
}

// Without a program to open them, each open command says so once, naming
// what it could not open, however many files it was given; answers that
// come late from the event loop count too.
TEST_F(FileOps, OpenCommandsThatCannotOpenSaySoOncePerCommand)
{
    const TKvDesktopServices saved = DesktopServices();
    DesktopServices().OpenUrl = [](const QUrl&, std::function<void(bool)> done) {
        QTimer::singleShot(0, [done] { done(false); });
    };
    DesktopServices().ShowItems = [](const QStringList&, std::function<void(bool)> done) { done(false); };
    QStringList said;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said << box->text();
            box->accept();
        }
    });
    boxes.start(10);
    const QString inFolder = QString::fromStdString(photos_.path()) + "/in/";
    const std::function<void()> commands[] = {
        [&] { PressInFocus(Qt::Key_Return); },
        [&] {
            const QRect cell = list_->visualRect(list_->model()->index(rowOf("b.jpg"), ScanlarkColumn::Name));
            QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QTest::mouseDClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        },
        [&] { action("OpenExplorerAct")->trigger(); },
        [&] { action("OpenFolderAct")->trigger(); },
    };
    for (size_t command = 0; command < std::size(commands); ++command) {
        said.clear();
        choose({"a.jpg", "b.jpg", "c.jpg"});
        commands[command]();
        EXPECT_TRUE(waitUntil([&] { return !said.isEmpty(); })) << command;
        EXPECT_FALSE(waitUntil([&] { return said.size() > 1; }, 200)) << command;
        ASSERT_FALSE(said.isEmpty());
        const bool files = command < 2;
        EXPECT_TRUE(said[0].startsWith(files ? QStringLiteral("次のファイルを開けませんでした。")
                                             : QStringLiteral("次のフォルダを開けませんでした。")))
            << said[0].toStdString();
        EXPECT_EQ(said[0].contains(inFolder + "a.jpg"), command == 0) << command;
        EXPECT_TRUE(said[0].contains(files ? inFolder + "b.jpg" : inFolder)) << command;
        backToWindow();
    }

    // The desktop's own opener, which finds no program for the file.
    DesktopServices() = saved;
    TempFolder bin;
    const std::string script = "#!/bin/sh\nexit 3\n";  // xdg-open's "no program for it"
    const std::string opener = bin.write("xdg-open", Bytes(script.begin(), script.end()));
    ::chmod(opener.c_str(), 0755);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ':' + path);
    said.clear();
    choose({"a.jpg"});
    PressInFocus(Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return !said.isEmpty(); }));
    EXPECT_EQ(said.size(), 1);
    qputenv("PATH", path);
}

TEST_F(FileOps, AnEnterWhosePressChoseAMenuEntryOpensNothing)
{
    const TKvDesktopServices saved = DesktopServices();
    QStringList opened;
    DesktopServices().OpenUrl = [&](const QUrl& url, std::function<void(bool)> done) {
        opened << url.toString();
        done(true);
    };
    choose({"a.jpg", "b.jpg"});
    // Alt opens the menu bar from the list; Enter is pressed in the menu, and
    // only its release reaches the list.
    QTest::sendKeyEvent(QTest::Press, list_, Qt::Key_Alt, QString(), Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Release, list_, Qt::Key_Alt, QString(), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, list_, Qt::Key_Return, QString(), Qt::NoModifier);
    EXPECT_TRUE(opened.isEmpty());
    QTest::keyClick(list_, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2);
    DesktopServices() = saved;
}

TEST_F(FileOps, NameCopyPutsTheFocusedFileOnTheClipboardAsTextAndUri)
{
    choose({"a.jpg", "b.jpg", "d.jpg"});
    clickRow("c.jpg", Qt::ControlModifier);
    ASSERT_EQ(list_->selectedRowCount(), 4);
    action("NameCopyAct")->trigger();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text().toStdString(), in("c.jpg"));
    ASSERT_EQ(copied->urls().size(), 1);
    EXPECT_EQ(copied->urls().front().toLocalFile().toStdString(), in("c.jpg"));
}

// Hidden files of the person, whatever they look like, are theirs: copying
// and moving into their folder keeps them.
TEST_F(FileOps, HiddenFilesInTheDestinationSurviveACopyAndAMove)
{
    const std::set<std::string> hidden = {".video.backup.part", ".report.2024Q1.part"};
    for (const std::string& name : hidden) {
        photos_.write("out/" + name, Bytes(name.begin(), name.end()));
        std::filesystem::last_write_time(out(name), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
    for (const auto& [file, command] : {std::pair{"a.jpg", "CopyFileAct"}, std::pair{"b.jpg", "MoveFileAct"}}) {
        choose({file});
        chooseFolderNext(photos_.path() + "/out");
        action(command)->trigger();
    }
    std::set<std::string> expected = hidden;
    expected.insert({"a.jpg", "b.jpg"});
    EXPECT_EQ(Names(photos_.path() + "/out"), expected);
}

// A 1 GiB file with a few KB of data (and a hole at its end) is copied as cp
// copies it: the same size and data in about as few blocks.
TEST_F(FileOps, ACopyKeepsTheHolesOfASparseFile)
{
    const off_t size = off_t(1) << 30;
    const std::pair<off_t, std::string> data[] = {
        {0, std::string(5000, 's')}, {size / 2 + 123, "middle"}, {size / 4 * 3, std::string(4096, 'e')}};
    const int fd = ::open(in("sparse.jpg").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    for (const auto& [offset, bytes] : data)
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), ssize_t(bytes.size()));
    ::close(fd);
    action("RefreshAllAct")->trigger();
    ASSERT_TRUE(waitUntil([&] { return listed(6); }));

    choose({"sparse.jpg"});
    chooseFolderNext(photos_.path() + "/out");
    action("CopyFileAct")->trigger();

    struct stat source {};
    struct stat copy {};
    ASSERT_EQ(::stat(in("sparse.jpg").c_str(), &source), 0);
    ASSERT_EQ(::stat(out("sparse.jpg").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_size, size);
    EXPECT_LE(copy.st_blocks, source.st_blocks + 64);
    const int copied = ::open(out("sparse.jpg").c_str(), O_RDONLY | O_CLOEXEC);
    for (const auto& [offset, bytes] : data) {
        std::string read(bytes.size(), '\0');
        EXPECT_EQ(::pread(copied, read.data(), read.size(), offset), ssize_t(read.size()));
        EXPECT_EQ(read, bytes);
    }
    ::close(copied);
}

}  // namespace

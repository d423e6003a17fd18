// A start from the desktop: the argument a launcher hands over (a path or a
// file: URL), a file argument opening its folder with the file selected, and
// where an installed copy keeps its settings.
#include "app/ConstsSl.h"
#include "app/KvSingleInstance.h"
#include "app/MainWin.h"
#include "app/StartArgument.h"
#include "options/OptionsSl.h"
#include "platform/DisplayPath.h"
#include "platform/InstallLayout.h"
#include "StartUpFixture.h"
#include "WindowTest.h"

#include <QComboBox>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace {

TEST(StartArgument, PathsAndFileUrlsBecomeAbsoluteBytePaths)
{
    struct Row {
        std::string argument;
        std::string path;
    };
    const std::vector<Row> rows = {
        {"/photos/2004", "/photos/2004"},
        {"photos/../2004", "/home/me/2004"},
        {"file:///photos/My%20Trip/a.jpg", "/photos/My Trip/a.jpg"},
        {"FILE:///photos/x", "/photos/x"},
        {"file://localhost/photos/x", "/photos/x"},
        {"file:/photos/x", "/photos/x"},
        {"file:///photos/%E5%86%99%E7%9C%9F", "/photos/\xE5\x86\x99\xE7\x9C\x9F"},
        {"file:///photos/%83%54", std::string("/photos/\x83\x54", 10)},  // Shift_JIS bytes stay bytes
        {"file:///photos/a%23b.jpg#frag", "/photos/a#b.jpg"},
        {"file:///photos/x?query", "/photos/x"},
        {"file:///photos/100%", "/photos/100%"},
        {"file:///photos/%zz", "/photos/%zz"},
        {"file:///photos/../x", "/x"},
        {"file:///", "/"},
        {"file://", "/"},
        // Nothing here: handed on as they are, and reported as invalid.
        {"file://server/photos/x", "file://server/photos/x"},
        {"file:///tmp%00/etc", "file:///tmp%00/etc"},
        {"file:photos", "file:photos"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(StartArgumentPath(row.argument, "/home/me"), row.path);
    }
}

TEST_F(StartUp, AFileUrlIsHandedOverAsThePathItNames)
{
    TempFolder settings;
    TKvSingleInstance first(SingleInstanceName);
    ASSERT_TRUE(first.Acquire());
    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    std::vector<std::string> received;
    first.OnMessage = [&](uint32_t tag, const std::string& path) {
        received.push_back(path);
        window.WMCopyData(tag, path);
    };
    window.show();

    // A folder with a blank and a name that is not UTF-8, as a launcher
    // passes it for %U.
    const std::string folder = settings.path() + "/My Trip \x83\x54";
    std::filesystem::create_directory(folder);
    const QString url = "file://" + QString::fromLatin1(QByteArray::fromStdString(folder).toPercentEncoding("/"));
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {url}), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], folder);
    EXPECT_EQ(window.AddressBox()->currentText(), DisplayPath(folder + "/"));
    window.close();
}

class StartOnAFile : public WindowTest {};

TEST_F(StartOnAFile, OpensItsFolderAndSelectsAndFocusesTheFile)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        photos_.write(name, SoundTestJpeg());
    OpenWindow(folder() + "b.jpg");
    ASSERT_TRUE(waitUntil([&] { return listed(3); }));
    EXPECT_EQ(window_->AddressBox()->currentText(), QString::fromStdString(folder()));
    const int row = rowOf("b.jpg");
    ASSERT_GE(row, 0);
    EXPECT_EQ(list_->currentRow(), row);
    EXPECT_TRUE(list_->isRowSelected(row));
    EXPECT_EQ(list_->selectedRowCount(), 1);
}

// Runs check in a child process without root's privileges (as nobody), so
// that a folder the user may not write is one; answers whether it passed.
bool passesUnprivileged(const std::function<bool()>& check)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SettingsLocation, InstalledOrUnwritableFoldersSendTheSettingsToTheConfigFolder)
{
    const std::string config =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).toStdString() +
        "/Scanlark/";
    TempFolder prefix;
    const std::string bin = prefix.path() + "/bin";
    std::filesystem::create_directories(bin);

    // A portable copy writes beside itself.
    EXPECT_FALSE(IsInstalledCopy(bin));
    EXPECT_EQ(SettingsFolder(bin), bin + "/");

    // An installed copy never does, even where it could write (an install
    // under the home folder, or run as root).
    ASSERT_EQ(InstalledDataFolder(bin), bin + "/../share/scanlark/");
    std::filesystem::create_directories(prefix.path() + "/share/scanlark");
    EXPECT_TRUE(IsInstalledCopy(bin));
    EXPECT_EQ(SettingsFolder(bin), config);
    EXPECT_TRUE(std::filesystem::is_directory(config));

    // A folder the user may not write.
    TempFolder readOnly;
    ASSERT_EQ(::chmod(readOnly.path().c_str(), 0555), 0);
    const std::string folder = readOnly.path();
    EXPECT_TRUE(passesUnprivileged([&] { return SettingsFolder(folder) == config; }));
    // The same check with the folder writable tells the two apart.
    ASSERT_EQ(::chmod(readOnly.path().c_str(), 0777), 0);
    EXPECT_FALSE(passesUnprivileged([&] { return SettingsFolder(folder) == config; }));
}

TEST_F(StartUp, AnInstalledCopyKeepsItsSettingsInTheConfigFolder)
{
    // The layout `cmake --install` makes: <prefix>/bin and <prefix>/share/scanlark.
    TempFolder prefix;
    TempFolder configHome;
    std::filesystem::create_directories(prefix.path() + "/bin");
    std::filesystem::create_directories(prefix.path() + "/share/scanlark/slhelp");
    const std::string program = prefix.path() + "/bin/scanlark";
    std::filesystem::copy_file(SCANLARK_PATH, program);

    QProcess process;
    process.setProcessEnvironment(environmentWith({{"XDG_CONFIG_HOME", QString::fromStdString(configHome.path())}}));
    process.start(QString::fromStdString(program), {QString::fromStdString(prefix.path())});
    ASSERT_TRUE(process.waitForStarted(10000));
    TKvSingleInstance probe(SingleInstanceName);
    ASSERT_TRUE(waitUntil([&] { return probe.SendToRunningInstance(kCopyDataRaiseOnly, "", 500); }));
    ASSERT_TRUE(terminate(process));

    EXPECT_TRUE(std::filesystem::is_regular_file(configHome.path() + "/Scanlark/scanlark.ini"));
    EXPECT_TRUE(std::filesystem::is_regular_file(configHome.path() + "/Scanlark/folder.txt"));
    EXPECT_FALSE(std::filesystem::exists(prefix.path() + "/bin/scanlark.ini"));
    EXPECT_FALSE(std::filesystem::exists(prefix.path() + "/bin/folder.txt"));
}

}  // namespace

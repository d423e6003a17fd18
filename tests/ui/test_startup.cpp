// Start-up as processes: the single-instance hand-over between two real
// processes, how a start ends when there is no hand-over, and an orderly
// close on SIGTERM that writes the settings.
#include "app/ConstsSl.h"
#include "app/KvSingleInstance.h"
#include "app/MainWin.h"
#include "StartUpFixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

TEST_F(StartUp, MessagesRoundTripAndBrokenOnesAreDropped)
{
    uint32_t tag = 0;
    std::string path;
    const std::string odd("/photos/\x83\x54 2004", 15);
    ASSERT_TRUE(DecodeCopyDataMessage(EncodeCopyDataMessage(1, odd), tag, path));
    EXPECT_EQ(tag, 1u);
    EXPECT_EQ(path, odd);
    QByteArray message = EncodeCopyDataMessage(1, "/x");
    EXPECT_FALSE(DecodeCopyDataMessage(message.left(message.size() - 1), tag, path));
    message[0] = 'X';
    EXPECT_FALSE(DecodeCopyDataMessage(message, tag, path));
    EXPECT_FALSE(DecodeCopyDataMessage(QByteArray("KVSL"), tag, path));
}

TEST_F(StartUp, SecondProcessHandsItsArgumentToTheRunningWindowAndEnds)
{
    TempFolder settings;
    TKvSingleInstance first(SingleInstanceName);
    ASSERT_TRUE(first.Acquire());
    TKvSingleInstance other(SingleInstanceName);
    EXPECT_FALSE(other.Acquire());  // one instance per user

    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    std::vector<std::pair<uint32_t, std::string>> received;
    first.OnMessage = [&](uint32_t tag, const std::string& path) {
        received.emplace_back(tag, path);
        window.WMCopyData(tag, path);
    };
    window.show();

    const std::string folder = settings.path() + "/handed over";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {QString::fromStdString(folder)}), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], std::make_pair(uint32_t{1}, folder));
    EXPECT_EQ(window.AddressBox()->currentText(), QString::fromStdString(folder + "/"));

    // Without an argument the running window is only raised.
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {}), 0);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].first, kCopyDataRaiseOnly);
    EXPECT_EQ(window.AddressBox()->currentText(), QString::fromStdString(folder + "/"));
    window.close();
}

TEST_F(StartUp, RelativeArgumentsAreHandedOverAsAbsolutePaths)
{
    TempFolder settings;
    TKvSingleInstance first(SingleInstanceName);
    ASSERT_TRUE(first.Acquire());
    TFormScanlark window("", settings.path() + "/", "scanlark.ini");
    first.OnMessage = [&](uint32_t tag, const std::string& path) { window.WMCopyData(tag, path); };
    window.show();

    // The second start runs in another working folder than the window.
    TempFolder elsewhere;
    std::filesystem::create_directory(elsewhere.path() + "/good");
    const QString working = QString::fromStdString(elsewhere.path());
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {QStringLiteral("good")}, working), 0);
    EXPECT_EQ(window.AddressBox()->currentText(), working + QStringLiteral("/good/"));
    EXPECT_TRUE(window.windowTitle().startsWith(working + QStringLiteral("/good/")));
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {QStringLiteral(".")}, working), 0);
    EXPECT_EQ(window.AddressBox()->currentText(), working + QStringLiteral("/"));
    EXPECT_EQ(runProgram(QStringLiteral(SCANLARK_PATH), {QStringLiteral("good/../good/")}, working), 0);
    EXPECT_EQ(window.AddressBox()->currentText(), working + QStringLiteral("/good/"));
    window.close();
}

TEST_F(StartUp, SecondStartFailsLoudlyWhenTheRunningWindowDoesNotAnswer)
{
    QProcess first;
    TKvSingleInstance probe(SingleInstanceName);
    pid_t pid = 0;
    ASSERT_TRUE(startStoppedWindow(first, probe, pid));

    QElapsedTimer elapsed;
    elapsed.start();
    QString errors;
    const QString folder = QString::fromStdString(install_.path());
    const int code = runProgram(QStringLiteral(SCANLARK_PATH), {folder}, {},
                                {{QStringLiteral("SCANLARK_HANDOVER_TIMEOUT_MS"), QStringLiteral("300")}}, &errors);
    const qint64 took = elapsed.elapsed();
    ::kill(pid, SIGCONT);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("did not take over ") + folder)) << errors.toStdString();
    EXPECT_LT(took, 8000);

    // Once going again, the first window still answers and closes in order.
    EXPECT_TRUE(waitUntil([&] { return probe.SendToRunningInstance(kCopyDataRaiseOnly, "", 500); }));
    EXPECT_TRUE(terminate(first));
}

TEST_F(StartUp, EveryStartOpensItsWindowWhenTheSocketPathIsTooLong)
{
    // sun_path holds 108 bytes; this folder alone takes more than 120.
    const std::string deep = runtime_.path() + "/" + std::string(100, 'd');
    std::filesystem::create_directory(deep);
    std::filesystem::permissions(deep, std::filesystem::perms::owner_all);
    const std::map<QString, QString> environment{{QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(deep)}};

    QProcess first;
    QProcess second;
    startWindow(first, environment);
    QString errors;
    EXPECT_TRUE(waitForError(first, QStringLiteral("socket path is too long"), errors)) << errors.toStdString();
    // A later start cannot hand over either: it opens its own window too.
    startWindow(second, environment);
    QString secondErrors;
    EXPECT_TRUE(waitForError(second, QStringLiteral("socket path is too long"), secondErrors))
        << secondErrors.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_TRUE(terminate(first));
    EXPECT_TRUE(terminate(second));
}

TEST_F(StartUp, HandOverMeetingAClosingWindowNeverKeepsItOpen)
{
    QProcess first;
    TKvSingleInstance probe(SingleInstanceName);
    // The close and a path both wait when the window goes on again.
    pid_t pid = 0;
    ASSERT_TRUE(startStoppedWindow(first, probe, pid));
    QLocalSocket sender;
    sender.connectToServer(probe.SocketName());
    ASSERT_TRUE(sender.waitForConnected(2000));
    sender.write(EncodeCopyDataMessage(kCopyDataOpenPath, install_.path()));
    ASSERT_TRUE(sender.waitForBytesWritten(2000));
    ::kill(pid, SIGTERM);
    ::kill(pid, SIGCONT);
    EXPECT_TRUE(waitUntil([&] { return first.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    first.kill();
    first.waitForFinished(5000);
}

TEST_F(StartUp, TerminationSignalClosesTheWindowAndSavesTheSettings)
{
    // A copy of the program keeps its settings beside itself.
    TempFolder install;
    const std::string program = install.path() + "/scanlark";
    std::filesystem::copy_file(SCANLARK_PATH, program);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(program), {QString::fromStdString(install.path())});
    ASSERT_TRUE(process.waitForStarted(10000));

    // Once it answers a hand-over its window is up and its settings loaded.
    TKvSingleInstance probe(SingleInstanceName);
    ASSERT_TRUE(waitUntil([&] { return probe.SendToRunningInstance(kCopyDataRaiseOnly, "", 500); }));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    QFile ini(QString::fromStdString(install.path() + "/scanlark.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly)) << "no settings file after SIGTERM";
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.startsWith("[Option]\r\nDoNow=1\r\n")) << text.left(80).toStdString();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(install.path() + "/folder.txt")));
}

}  // namespace

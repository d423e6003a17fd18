// Runs the built program as a process, with the lock and socket of the
// instances under test in a folder of their own, away from a program the
// user may be running.
#pragma once

#include "app/KvSingleInstance.h"
#include "TempFiles.h"
#include "WaitUntil.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>

class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        hadRuntime_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        std::filesystem::permissions(runtime_.path(), std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.path()));
    }
    void TearDown() override
    {
        if (hadRuntime_)
            qputenv("XDG_RUNTIME_DIR", previousRuntime_);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    // The environment of a started program: offscreen, plus changes (an
    // empty value removes the variable).
    static QProcessEnvironment environmentWith(const std::map<QString, QString>& changes)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const auto& [name, value] : changes) {
            if (value.isEmpty())
                environment.remove(name);
            else
                environment.insert(name, value);
        }
        return environment;
    }

    // Runs the program; returns its exit code (-1 when it did not end in 20 s).
    int runProgram(const QString& program, const QStringList& arguments, const QString& workingFolder = {},
                   const std::map<QString, QString>& changes = {}, QString* errors = nullptr)
    {
        QProcess process;
        if (!workingFolder.isEmpty())
            process.setWorkingDirectory(workingFolder);
        process.setProcessEnvironment(environmentWith(changes));
        process.start(program, arguments);
        const bool ended = waitUntil([&] { return process.state() == QProcess::NotRunning; });
        if (errors)
            *errors = QString::fromUtf8(process.readAllStandardError());
        if (!ended)
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Starts a copy of the program that keeps its settings beside itself,
    // away from the build folder, showing a folder of its own.
    void startWindow(QProcess& process, const std::map<QString, QString>& changes = {})
    {
        const std::string program = install_.path() + "/scanlark";
        if (!std::filesystem::exists(program))
            std::filesystem::copy_file(SCANLARK_PATH, program);
        process.setProcessEnvironment(environmentWith(changes));
        process.start(QString::fromStdString(program), {QString::fromStdString(install_.path())});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    // Waits until a started program has written text to stderr, keeping what
    // it wrote in errors.
    // Starts a window, waits until it answers hand-overs, then stops it
    // (SIGSTOP): a running instance that does not answer. False when it
    // never answered.
    bool startStoppedWindow(QProcess& process, const TKvSingleInstance& probe, pid_t& pid)
    {
        startWindow(process);
        if (!waitUntil([&] { return probe.SendToRunningInstance(kCopyDataRaiseOnly, "", 500); }))
            return false;
        pid = static_cast<pid_t>(process.processId());
        ::kill(pid, SIGSTOP);
        return true;
    }
    static bool waitForError(QProcess& process, const QString& text, QString& errors)
    {
        return waitUntil([&] {
            errors += QString::fromUtf8(process.readAllStandardError());
            return errors.contains(text) || process.state() == QProcess::NotRunning;
        }) && errors.contains(text);
    }

    // Closes a started program as the desktop does; true when it then ended
    // normally with exit code 0.
    static bool terminate(QProcess& process)
    {
        process.terminate();
        return waitUntil([&] { return process.state() == QProcess::NotRunning; }) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    TempFolder runtime_;
    TempFolder install_;
    QByteArray previousRuntime_;
    bool hadRuntime_ = false;
};

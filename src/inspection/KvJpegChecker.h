// The check worker and the component the window drives it through: checks
// every entry of the catalogue's visible list in order and attaches the
// results. Part of the core library (it needs the catalogue).
#pragma once

#include "KvThread.h"

#include <QObject>

#include <cstdint>

class TKvFileInfos;
class TKvJpegCheckThread;

class TKvThreadJpegChecker : public QObject {
    Q_OBJECT

public:
    explicit TKvThreadJpegChecker(QObject* Owner = nullptr);
    // Stops a run under way first.
    ~TKvThreadJpegChecker() override;

    // Starts a run over the whole visible list of FileInfos, stopping a run
    // under way first (its OnTerminate fires before the new OnStartExecute).
    void Start();
    // Ends a run under way and waits for it: the file being checked is
    // finished and attached, OnTerminate fires, and no worker exists when it
    // returns. Does nothing when no run is under way.
    void Stop();

    // Errors (verdicts 2..7) of the current or last run; -1: not checked
    // since the window's last reset.
    int32_t ErrorCount = -1;
    bool Running = false;
    // Index of the last checked entry / entry count.
    float Progress = 0;
    TKvFileInfos* FileInfos = nullptr;
    // Fired on the main thread, Sender the worker. With OnProgress bound the
    // worker reports after every file; without, it hands ErrorCount and
    // Progress over at most every 50 ms, so a run of small files is not
    // paced by main-thread round trips.
    TNotifyEvent OnProgress;
    TNotifyEvent OnStartExecute;
    TNotifyEvent OnTerminate;
    TKvJpegCheckThread* Thread = nullptr;

private:
    void WorkerEnded(QObject* sender);
};

class TKvJpegCheckThread : public TKvThread {
    Q_OBJECT

public:
    TKvJpegCheckThread(TKvThreadJpegChecker* checker, TKvFileInfos* fileInfos, bool reportEachFile);
    ~TKvJpegCheckThread() override;

    TKvFileInfos* FileInfos;
    TKvThreadJpegChecker* Checker;
    int32_t CurrentIndex = -1;

protected:
    void Execute() override;

private:
    // Hands the errors and progress counted since the last report to the
    // checker (main thread), and fires OnProgress when asked.
    void Report(bool fireProgress);

    bool reportEachFile_;
    int32_t count_ = 0;
    int32_t errorsUnreported_ = 0;  // worker only
};

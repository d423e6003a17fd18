// The check worker and the component the window drives it through: checks
// every entry of the catalogue's visible list in order and attaches the
// results. Part of the core library (it needs the catalogue).
#pragma once

#include "platform/KvThread.h"

#include <QObject>

#include <cstdint>
#include <functional>

class JpegFileReader;
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

    // Called on the worker with the entry's index after each file's check,
    // just before its record is stored; empty in the program. A test makes
    // it throw to stand for a failure while storing one file's record (no
    // memory, a lock that cannot be taken). Read by Start.
    std::function<void(int32_t index)> BeforeStoreRecord;

private:
    void WorkerEnded(QObject* sender);
};

class TKvJpegCheckThread : public TKvThread {
    Q_OBJECT

public:
    TKvJpegCheckThread(TKvThreadJpegChecker* checker, TKvFileInfos* fileInfos, bool reportEachFile,
                       std::function<void(int32_t)> beforeStoreRecord = {});
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
    // Checks entry index (openedAhead: its descriptor from the read-ahead, or
    // -1) and attaches its new record, counting an error verdict. When it
    // throws, the entry keeps its previous record.
    void CheckEntry(int32_t index, JpegFileReader& reader, int openedAhead);

    bool reportEachFile_;
    int32_t count_ = 0;
    int32_t errorsUnreported_ = 0;  // worker only
    std::function<void(int32_t)> beforeStoreRecord_;
};

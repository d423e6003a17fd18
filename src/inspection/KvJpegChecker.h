// The check worker and the component the window drives it through: checks
// every entry of the catalogue's visible list in order and attaches the
// results. Part of the core library (it needs the catalogue).
#pragma once

#include "platform/KvThread.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class DeepCheckPool;
class JpegFileReader;
class TKvFileInfo;
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

    // Also decodes each file with the deep check (DeepCheckJpegFile) on
    // DeepWorkers threads of their own (0: one per core), while the walk
    // keeps its one worker and its order; each result is attached to its
    // entry beside the walk's record, and ErrorCount also counts the files
    // whose image data is damaged. The run ends once every decode has. A
    // file that cannot be read (verdicts 4 to 6) is not decoded. Read by
    // Start.
    bool DeepCheck = false;
    unsigned DeepWorkers = 0;
    // Called on a decoding thread after each decode, just before its result
    // is attached; empty in the program (tests only, as BeforeStoreRecord).
    std::function<void(TKvFileInfo*)> BeforeStoreDeepRecord;

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
    // With the deep check: waits for the decodes to end, reporting as it
    // waits; a stop ends them after the files in hand.
    void WaitForDecodes();

    bool reportEachFile_;
    int32_t count_ = 0;
    int32_t errorsUnreported_ = 0;  // worker only
    // Files that need no decode (verdicts 4 to 6), with the deep check.
    int32_t undecoded_ = 0;  // worker only
    std::function<void(int32_t)> beforeStoreRecord_;
    // The decoding threads of a run with the deep check; made by Execute.
    std::unique_ptr<DeepCheckPool> deep_;
    bool deepCheck_ = false;
    unsigned deepWorkers_ = 0;
    std::function<void(TKvFileInfo*)> beforeStoreDeepRecord_;
};

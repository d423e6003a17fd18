// The file list whose Refresh runs the enumeration on a worker thread, and
// the settings object that keeps its options, priority and sort in the
// settings document.
#pragma once

#include "catalogue/KvCustomDefaults.h"
#include "catalogue/KvFileInfoList.h"
#include "platform/KvThread.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>

class TKvThreadFileInfoList;
class TKvThreadFileInfoListThread;

class TKvThreadFileInfoListDefaults : public TKvCustomDefaults {
public:
    explicit TKvThreadFileInfoListDefaults(TKvThreadFileInfoList* owner);

    // Reads "HiddenFileView", "IncludePath", "SubFolderSearch", "Priority"
    // (0..6; anything else means 5), "SortDown" and "SortMode".
    void LoadFromIni(TKvMemIniFile& Ini) override;
    void ApplyDefaults() override;
    // Writes every key but "IncludePath" into the document; the owner of the
    // document writes it to disk, once, with every section.
    void SaveToIni(TKvMemIniFile& Ini) override;

    TKvFileInfoListOptions DefaultOptions{filoHiddenFileView};
    uint8_t DefaultPriority = 5;
    bool DefaultSortDown = false;
    TKvSortMode DefaultSortMode = KvSortMode::Name;

private:
    TKvThreadFileInfoList& list() const { return *static_cast<TKvThreadFileInfoList*>(Owner); }
};

// Main thread only, but for the worker's private list.
class TKvThreadFileInfoList : public QObject, public TKvFileInfoList {
    Q_OBJECT

public:
    TKvThreadFileInfoList();
    // Stops a running enumeration first (its OnTerminate fires).
    ~TKvThreadFileInfoList() override;

    // With UseThread: stops a running enumeration, empties the list, and
    // starts a worker that lists Path; OnTerminate fires when it has ended.
    // Without: lists synchronously, then fires OnTerminate with this list.
    void Refresh() override;
    // Ends a running enumeration and waits for it: the entries found so far
    // are handed over, Stopped becomes true and OnTerminate fires before it
    // returns. Does nothing when idle.
    void Stop();

    bool Busy() const { return busy_; }
    bool Stopped() const { return stopped_; }
    // Entries (files and folders) the running or last listing has found so
    // far; any thread may read it while the worker lists.
    int64_t ScannedCount() const { return scanned_.load(std::memory_order_relaxed); }

    std::unique_ptr<TKvThreadFileInfoListDefaults> Defaults;
    TNotifyEvent OnFolderScanned;
    TNotifyEvent OnTerminate;
    uint8_t Priority = 5;  // 0..6, also the check worker's
    bool UseThread = true;

private:
    friend class TKvThreadFileInfoListThread;
    // Runs on the main thread while the worker waits: takes over what it found.
    void FinishStep(TKvFileInfoList& found, bool stopped);
    void WorkerEnded(QObject* sender);

    TKvThreadFileInfoListThread* worker_ = nullptr;
    std::atomic<int64_t> scanned_{0};
    bool busy_ = false;
    bool stopped_ = false;
};

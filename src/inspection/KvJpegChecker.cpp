#include "inspection/KvJpegChecker.h"

#include "catalogue/DeepCheckPool.h"
#include "catalogue/KvFileInfos.h"
#include "inspection/JpegByteSource.h"
#include "inspection/KvJpegInfo.h"
#include "inspection/ReadAhead.h"
#include "platform/KvDirectoryListing.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReportInterval = std::chrono::milliseconds(50);

}  // namespace

TKvThreadJpegChecker::TKvThreadJpegChecker(QObject* Owner) : QObject(Owner) {}

TKvThreadJpegChecker::~TKvThreadJpegChecker()
{
    Stop();
}

void TKvThreadJpegChecker::Start()
{
    Stop();
    Running = true;
    ErrorCount = 0;
    Progress = 0;
    Thread = new TKvJpegCheckThread(this, FileInfos, static_cast<bool>(OnProgress), BeforeStoreRecord);
    Thread->SetPriority(FileInfos ? FileInfos->FileInfoList().Priority : TKvThread::DefaultPriority);
    Thread->OnTerminate = [this](QObject* sender) { WorkerEnded(sender); };
    Thread->FreeOnTerminate = true;
    Thread->Resume();
}

void TKvThreadJpegChecker::Stop()
{
    // A worker whose run is over may still have its end event to come; it
    // is waited for too, or the event would reach a destroyed component.
    if (!Thread)
        return;
    TKvJpegCheckThread* thread = Thread;
    thread->FreeOnTerminate = false;  // deleted here, not by itself
    thread->Terminate();
    thread->WaitFor();
    Thread = nullptr;
    Running = false;
    delete thread;
}

void TKvThreadJpegChecker::WorkerEnded(QObject* sender)
{
    if (Thread == sender && Thread->FreeOnTerminate)
        Thread = nullptr;  // it frees itself after this
    Running = false;
    if (OnTerminate)
        OnTerminate(sender);
}

TKvJpegCheckThread::TKvJpegCheckThread(TKvThreadJpegChecker* checker, TKvFileInfos* fileInfos, bool reportEachFile,
                                       std::function<void(int32_t)> beforeStoreRecord)
    : TKvThread(true), FileInfos(fileInfos), Checker(checker), reportEachFile_(reportEachFile),
      beforeStoreRecord_(std::move(beforeStoreRecord))
{
    // Read here, on the main thread: the list does not change during a run.
    count_ = fileInfos ? fileInfos->FileInfoList().Count() : 0;
    if (checker) {
        deepCheck_ = checker->DeepCheck;
        deepWorkers_ = checker->DeepWorkers;
        beforeStoreDeepRecord_ = checker->BeforeStoreDeepRecord;
    }
}

TKvJpegCheckThread::~TKvJpegCheckThread()
{
    Terminate();
    WaitFor();
}

void TKvJpegCheckThread::Report(bool fireProgress)
{
    if (deep_)
        errorsUnreported_ += deep_->TakeNewErrors();
    const int32_t errors = errorsUnreported_;
    errorsUnreported_ = 0;
    // With the deep check, how far the run is: the files that every check
    // is done with (the decodes come last).
    const bool deep = deep_ != nullptr;
    const int32_t done = deep ? undecoded_ + deep_->Decoded() : 0;
    Synchronize([this, errors, fireProgress, deep, done] {
        Checker->ErrorCount += errors;
        if (deep)
            Checker->Progress = static_cast<float>(std::max(done - 1, 0)) / static_cast<float>(count_);
        else if (CurrentIndex >= 0)
            Checker->Progress = static_cast<float>(CurrentIndex) / static_cast<float>(count_);
        if (fireProgress && Checker->OnProgress)
            Checker->OnProgress(this);
    });
}

void TKvJpegCheckThread::CheckEntry(int32_t index, JpegFileReader& reader, int openedAhead)
{
    TKvFileInfo* entry = FileInfos->FileInfoList().FileInfos(index);
    auto info = std::make_unique<TKvJpegInfo>();
    CheckJpegFile(entry->FullFileName(), *info, reader, openedAhead);
    if (beforeStoreRecord_)
        beforeStoreRecord_(index);
    const bool isError = info->Verdict > 1;
    // A decode of an earlier run says nothing about the file as it is now.
    if (entry->DeepCheckInfo())
        entry->SetDeepInfo(nullptr);
    entry->SetJpegInfo(info.get());
    const TKvJpegInfo* walk = info.release();  // the entry owns it now
    if (isError)
        ++errorsUnreported_;
    if (deep_) {
        const int32_t verdict = walk->Verdict;
        if (verdict == jvFileNotFound || verdict == jvCannotOpen || verdict == jvEmptyFile)
            ++undecoded_;
        else
            deep_->Add(entry, *walk);  // the entry's record stays until this run's end
    }
}

void TKvJpegCheckThread::WaitForDecodes()
{
    deep_->Finish();
    while (!deep_->WaitDone(kReportInterval)) {
        if (Terminated())
            deep_->Stop();
        Report(reportEachFile_);
    }
}

void TKvJpegCheckThread::Execute()
{
    Synchronize([this] {
        if (Checker->OnStartExecute)
            Checker->OnStartExecute(this);
    });
    JpegFileReader reader;
    // The listing does not keep what kind of file a name is: read-ahead looks
    // before it opens anything. A stop ends the announcing at once.
    ReadAhead ahead(
        [this](size_t index, std::string& path, uint64_t& size) {
            const TKvFileInfo* entry = FileInfos->FileInfoList().FileInfos(static_cast<int32_t>(index));
            path = entry->FullFileName();
            size = static_cast<uint64_t>(std::max<int64_t>(entry->Size, 0));
            return (entry->Attr & kvAttrFolder) ? ReadAhead::Kind::Other : ReadAhead::Kind::Unknown;
        },
        &reader, ReadAheadLimits{}, [this] { return Terminated(); });
    if (deepCheck_)
        deep_ = std::make_unique<DeepCheckPool>(deepWorkers_, [this] { return Terminated(); },
                                                beforeStoreDeepRecord_);
    auto nextReport = Clock::now() + kReportInterval;
    bool unreported = false;
    try {
        for (int32_t i = 0; i < count_ && !Terminated(); ++i) {
            // A failure with one file (a read error of the device, no memory
            // for its record) skips that file only: it keeps its previous
            // record, and nothing is counted or reported for it.
            try {
                CheckEntry(i, reader, ahead.take(static_cast<size_t>(i), static_cast<size_t>(count_)));
                CurrentIndex = i;
                unreported = true;
                if (reportEachFile_ || Clock::now() >= nextReport) {
                    Report(reportEachFile_);
                    unreported = false;
                    nextReport = Clock::now() + kReportInterval;
                }
            } catch (...) {
                continue;
            }
        }
        if (deep_)
            WaitForDecodes();
    } catch (...) {
        deep_.reset();  // stops and joins the decoding threads
        if (unreported)
            Report(false);
        Synchronize([this] { Checker->Running = false; });
        throw;
    }
    if (unreported || deep_)
        Report(false);
    Synchronize([this] { Checker->Running = false; });  // DoFinish
}

// The enumeration and check workers as the window drives them: starting,
// stopping, restarting, destruction during a run, and readers of check
// results while the worker replaces them. Built under ThreadSanitizer too.
#include "DamagedJpegs.h"
#include "catalogue/KvCollation.h"
#include "catalogue/KvFileInfos.h"
#include "decode/DeepInfo.h"
#include "inspection/KvJpegChecker.h"
#include "JpegBuilder.h"
#include "platform/KvMemIniFile.h"
#include "TempFiles.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <thread>

namespace {

Bytes soundJpeg()
{
    return JpegBuilder().soi().dqt8(TableWithSum(1858)).sof(0xC0, 8, 8, 1).sos().entropy(100).eoi().bytes();
}

// A tree of `folders` subfolders with `files` JPEG files each, plus the root's.
void makeTree(const TempFolder& tree, int folders, int files)
{
    const Bytes sound = soundJpeg();
    for (int f = 0; f < folders; ++f) {
        for (int i = 0; i < files; ++i)
            tree.write("d" + std::to_string(f) + "/f" + std::to_string(i) + ".jpg", sound);
    }
    tree.write("root.jpg", sound);
}

TEST(ThreadedFileList, RunsToTheEndAndReportsOnTheMainThread)
{
    TempFolder tree;
    makeTree(tree, 3, 4);
    TKvFileInfos infos;
    EXPECT_EQ(infos.IniSectionName(), "OptionFileInfos");
    infos.SetPath(tree.path());
    infos.SetExtList({".jpg"});
    infos.SetOptions({filoSubFolderSearch});
    int terminated = 0;
    infos.SetOnTerminate([&](QObject*) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++terminated;
    });
    infos.FileInfoList().Refresh();
    EXPECT_TRUE(infos.FileInfoList().Busy());
    ASSERT_TRUE(waitUntil([&] { return terminated == 1; }));
    EXPECT_FALSE(infos.FileInfoList().Busy());
    EXPECT_FALSE(infos.FileInfoList().Stopped());
    EXPECT_EQ(infos.FileInfoList().Count(), 13);
    EXPECT_EQ(infos.FileInfoList().Folders.size(), 3u);
    // The progress count the window shows covers every entry looked at.
    EXPECT_EQ(infos.FileInfoList().ScannedCount(), 16);
    // The listing made every name key on its way, for the sort that follows.
    for (const auto& entry : infos.FileInfoList().AllFileInfos)
        EXPECT_EQ(entry->NameKey, FileNameCollationKey(entry->Name)) << entry->Name;

    // Without the thread the list is complete on return and the list is the sender.
    infos.SetUseThread(false);
    QObject* sender = nullptr;
    infos.SetOnTerminate([&](QObject* s) { sender = s; });
    infos.FileInfoList().Refresh();
    EXPECT_EQ(sender, &infos.FileInfoList());
    EXPECT_EQ(infos.FileInfoList().Count(), 13);
}

TEST(ThreadedFileList, StopDuringASubfolderSearchHandsOverWhatWasFound)
{
    TempFolder tree;
    makeTree(tree, 30, 3);
    TKvFileInfos infos;
    TKvThreadFileInfoList& list = infos.FileInfoList();
    infos.SetPath(tree.path());
    infos.SetExtList({".jpg"});
    infos.SetOptions({filoSubFolderSearch});
    std::vector<std::string> events;
    int folders = 0;
    list.OnFolderScanned = [&](QObject*) {
        // After the third folder, stop from the event loop (as a key press
        // would); the worker cannot run more than a folder ahead meanwhile.
        if (++folders == 3)
            QMetaObject::invokeMethod(
                &infos,
                [&] {
                    list.Stop();
                    events.push_back("stop returned");
                },
                Qt::QueuedConnection);
    };
    list.OnTerminate = [&](QObject*) { events.push_back("terminate"); };
    list.Refresh();
    ASSERT_TRUE(waitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"terminate", "stop returned"}));
    EXPECT_TRUE(list.Stopped());
    EXPECT_FALSE(list.Busy());
    EXPECT_GT(list.Count(), 0);
    EXPECT_LT(list.Count(), 91);
    EXPECT_LT(folders, 10);
    // Keys left unmade by the stop are made when first needed, never half made.
    for (const auto& entry : list.AllFileInfos) {
        if (!entry->NameKey.empty())
            EXPECT_EQ(entry->NameKey, FileNameCollationKey(entry->Name)) << entry->Name;
    }
    list.Sort();
    for (const TKvFileInfo* entry : list.VisibleFileInfos())
        EXPECT_EQ(entry->NameKey, FileNameCollationKey(entry->Name)) << entry->Name;

    // Stop when nothing runs does nothing and fires nothing.
    list.Stop();
    EXPECT_EQ(events.size(), 2u);
}

TEST(ThreadedFileList, RefreshWhileRunningStopsTheRunningOne)
{
    TempFolder tree;
    makeTree(tree, 20, 5);
    TKvFileInfos infos;
    TKvThreadFileInfoList& list = infos.FileInfoList();
    infos.SetPath(tree.path());
    infos.SetExtList({".jpg"});
    infos.SetOptions({filoSubFolderSearch});
    std::vector<bool> stoppedAtEnd;
    list.OnTerminate = [&](QObject*) { stoppedAtEnd.push_back(list.Stopped()); };
    list.Refresh();
    list.Refresh();  // the first run ends (with its OnTerminate) before the second starts
    ASSERT_EQ(stoppedAtEnd.size(), 1u);
    EXPECT_TRUE(stoppedAtEnd[0]);
    ASSERT_TRUE(waitUntil([&] { return stoppedAtEnd.size() == 2; }));
    EXPECT_FALSE(stoppedAtEnd[1]);
    EXPECT_EQ(list.Count(), 101);

    // Destroying the component during a run stops the worker first.
    auto doomed = std::make_unique<TKvFileInfos>();
    doomed->SetPath(tree.path());
    doomed->SetOptions({filoSubFolderSearch});
    doomed->FileInfoList().Refresh();
    doomed.reset();
}

TEST(ThreadedFileList, SettingsSectionDefaultsAndBadValues)
{
    TempFolder folder;
    TKvMemIniFile ini(folder.path() + "/settings.ini");
    TKvFileInfos infos;
    TKvThreadFileInfoList& list = infos.FileInfoList();
    list.Defaults->LoadFromIni(ini);
    EXPECT_EQ(list.Options, TKvFileInfoListOptions{filoHiddenFileView});
    EXPECT_EQ(list.Priority, 5);
    EXPECT_FALSE(list.SortDown);
    EXPECT_EQ(list.SortMode, 0);

    ini.WriteString("OptionFileInfos", "IncludePath", "1");
    ini.WriteString("OptionFileInfos", "HiddenFileView", "0");
    ini.WriteString("OptionFileInfos", "Priority", "9");
    ini.WriteString("OptionFileInfos", "SortMode", "0x0C");
    ini.WriteString("OptionFileInfos", "SortDown", "yes");
    list.Defaults->LoadFromIni(ini);
    EXPECT_EQ(list.Options, TKvFileInfoListOptions{filoIncludePath});
    EXPECT_EQ(list.Priority, 5);  // out of range
    EXPECT_EQ(list.SortMode, 12);
    EXPECT_FALSE(list.SortDown);  // not a number
    ini.WriteString("OptionFileInfos", "Priority", "258");
    list.Defaults->LoadFromIni(ini);
    EXPECT_EQ(list.Priority, 2);  // its low 8 bits

    ini.Clear();
    list.SortDown = true;
    list.Defaults->SaveToIni(ini);
    EXPECT_EQ(ini.ToText(), "[OptionFileInfos]\r\nHiddenFileView=0\r\nSubFolderSearch=0\r\nSortDown=1\r\n"
                            "Priority=2\r\nSortMode=12\r\n\r\n");
    // The document's owner writes it to disk, once, with every section.
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/settings.ini"));
}

class CheckWorker : public ::testing::Test {
protected:
    void SetUp() override
    {
        infos_.SetUseThread(false);
        infos_.SetExtList({".jpg"});
        infos_.SetOptions({});
        checker_.FileInfos = &infos_;
        checker_.OnTerminate = [this](QObject*) {
            ++terminated_;
            events_.push_back("terminate");
        };
        checker_.OnStartExecute = [this](QObject*) { events_.push_back("start"); };
    }
    void list(const std::string& folder)
    {
        infos_.SetPath(folder);
        infos_.FileInfoList().Refresh();
        infos_.FileInfoList().Sort();
    }
    TKvFileInfos infos_;
    TKvThreadJpegChecker checker_;
    int terminated_ = 0;
    std::vector<std::string> events_;
};

TEST_F(CheckWorker, ChecksEveryEntryCountsErrorsAndEnds)
{
    TempFolder folder;
    const Bytes sound = soundJpeg();
    folder.write("a.jpg", sound);
    folder.write("b.jpg", Bytes(sound.begin(), sound.end() - 30));
    folder.write("c.jpg", sound);
    folder.write("d.jpg", sound);
    list(folder.path());
    std::filesystem::remove(folder.path() + "/d.jpg");  // gone between listing and check

    EXPECT_EQ(checker_.ErrorCount, -1);
    checker_.Stop();  // nothing runs: nothing happens
    EXPECT_EQ(terminated_, 0);
    checker_.Start();
    EXPECT_TRUE(checker_.Running);
    ASSERT_TRUE(waitUntil([&] { return terminated_ == 1; }));
    EXPECT_FALSE(checker_.Running);
    EXPECT_EQ(checker_.ErrorCount, 2);
    EXPECT_FLOAT_EQ(checker_.Progress, 3.0f / 4.0f);
    const auto& list = infos_.FileInfoList();
    ASSERT_EQ(list.Count(), 4);
    const int verdicts[] = {0, 2, 0, 4};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(list.FileInfos(i)->JpegInfo(), nullptr);
        EXPECT_EQ(list.FileInfos(i)->JpegInfo()->Verdict, verdicts[i]) << i;
    }
    EXPECT_EQ(events_, (std::vector<std::string>{"start", "terminate"}));

    // A new run replaces every record with a new one.
    const TKvJpegInfo* before = list.FileInfos(0)->JpegInfo();
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return terminated_ == 2; }));
    EXPECT_NE(list.FileInfos(0)->JpegInfo(), before);
    EXPECT_EQ(checker_.ErrorCount, 2);
}

// A failure while storing one file's record skips that file only; with a
// progress handler bound and without (the batched reports).
TEST_F(CheckWorker, AFailureWithOneFileSkipsItAndTheRunGoesOn)
{
    TempFolder folder;
    const Bytes sound = soundJpeg();
    folder.write("a.jpg", sound);
    folder.write("b.jpg", sound);
    folder.write("c.jpg", Bytes(sound.begin(), sound.end() - 30));
    folder.write("d.jpg", sound);
    list(folder.path());
    const auto& list = infos_.FileInfoList();
    ASSERT_EQ(list.Count(), 4);
    int progressCalls = 0;
    for (const bool withProgress : {false, true}) {
        SCOPED_TRACE(withProgress ? "each file reported" : "batched reports");
        const TKvJpegInfo* earlier = list.FileInfos(1)->JpegInfo();
        checker_.OnProgress = withProgress ? TNotifyEvent([&](QObject*) { ++progressCalls; }) : TNotifyEvent();
        checker_.BeforeStoreRecord = [](int32_t index) {
            if (index == 1)
                throw std::bad_alloc();
        };
        const int endsBefore = terminated_;
        progressCalls = 0;
        checker_.Start();
        ASSERT_TRUE(waitUntil([&] { return terminated_ == endsBefore + 1; }));
        EXPECT_EQ(list.FileInfos(1)->JpegInfo(), earlier);  // kept, or still none
        for (const int i : {0, 2, 3})
            ASSERT_NE(list.FileInfos(i)->JpegInfo(), nullptr) << i;
        EXPECT_EQ(list.FileInfos(2)->JpegInfo()->Verdict, 2);
        EXPECT_EQ(list.FileInfos(3)->JpegInfo()->Verdict, 0);
        EXPECT_EQ(checker_.ErrorCount, 1);
        EXPECT_FLOAT_EQ(checker_.Progress, 3.0f / 4.0f);
        EXPECT_EQ(progressCalls, withProgress ? 3 : 0);
        EXPECT_FALSE(checker_.Running);
    }
}

TEST_F(CheckWorker, StopInTheMiddleAndStartWhileRunning)
{
    TempFolder folder;
    const Bytes sound = soundJpeg();
    for (int i = 0; i < 40; ++i)
        folder.write("f" + std::to_string(100 + i) + ".jpg", sound);
    list(folder.path());

    // With OnProgress bound the worker reports after every file; stopping
    // from there (through the event loop) ends the run a few files later.
    int progressed = 0;
    bool stopReturned = false;
    checker_.OnProgress = [&](QObject*) {
        if (++progressed == 5)
            QMetaObject::invokeMethod(
                &checker_,
                [&] {
                    checker_.Stop();
                    EXPECT_EQ(terminated_, 1);  // before Stop returned
                    EXPECT_FALSE(checker_.Running);
                    EXPECT_EQ(checker_.Thread, nullptr);
                    stopReturned = true;
                },
                Qt::QueuedConnection);
    };
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return stopReturned; }));
    const auto& list = infos_.FileInfoList();
    int checked = 0;
    for (int i = 0; i < list.Count(); ++i)
        checked += list.FileInfos(i)->JpegInfo() != nullptr;
    EXPECT_GE(checked, 5);
    EXPECT_LT(checked, 40);
    // The checked entries are a prefix of the list.
    for (int i = 0; i < checked; ++i)
        EXPECT_NE(list.FileInfos(i)->JpegInfo(), nullptr) << i;

    // Start while running: the old run's end comes before the new run's start.
    checker_.OnProgress = nullptr;
    events_.clear();
    checker_.Start();
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return !checker_.Running && events_.size() == 4; }));
    EXPECT_EQ(events_[1], "terminate");
    EXPECT_EQ(events_[2], "start");
    EXPECT_EQ(checker_.ErrorCount, 0);
}

// The worker reads ahead of the file it checks: never a FIFO, and a stop
// leaves no descriptor behind.
TEST_F(CheckWorker, ReadAheadOpensNoFifoAndStopClosesEverything)
{
    TempFolder folder;
    const Bytes sound = soundJpeg();
    for (int i = 0; i < 60; ++i)
        folder.write("f" + std::to_string(100 + i) + ".jpg", sound);
    const std::string fifo = folder.path() + "/f105a.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    list(folder.path());
    ASSERT_EQ(infos_.FileInfoList().Count(), 61);
    // Out of the page cache, so that the worker reads ahead.
    const auto makeCold = [&] {
        for (int i = 0; i < 60; ++i) {
            const int fd = ::open((folder.path() + "/f" + std::to_string(100 + i) + ".jpg").c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    };
    makeCold();
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto fifoHasReader = [&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    };
    const auto before = openDescriptors();

    int progressed = 0;
    bool fifoOpened = false;
    bool stopped = false;
    checker_.OnProgress = [&](QObject*) {
        fifoOpened = fifoOpened || fifoHasReader();
        if (++progressed == 3)
            QMetaObject::invokeMethod(
                &checker_,
                [&] {
                    checker_.Stop();
                    stopped = true;
                },
                Qt::QueuedConnection);
    };
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return stopped; }));
    EXPECT_FALSE(fifoOpened);
    EXPECT_EQ(openDescriptors(), before);

    // A whole run gives the FIFO "not there".
    makeCold();
    checker_.OnProgress = [&](QObject*) { fifoOpened = fifoOpened || fifoHasReader(); };
    const int ends = terminated_;
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return terminated_ == ends + 1; }));
    EXPECT_FALSE(fifoOpened);
    EXPECT_EQ(infos_.FileInfoList().FileInfos(6)->Name, "f105a.jpg");
    EXPECT_EQ(infos_.FileInfoList().FileInfos(6)->JpegInfo()->Verdict, jvFileNotFound);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(CheckWorker, ReadersNeverSeeAFreedRecordAndDestructionStopsTheRun)
{
    TempFolder folder;
    const Bytes sound = soundJpeg();
    for (int i = 0; i < 200; ++i)
        folder.write("f" + std::to_string(1000 + i) + ".jpg", sound);
    list(folder.path());
    const auto& entries = infos_.FileInfoList().VisibleFileInfos();

    // Stands in for rows being painted while the worker replaces records.
    std::atomic<bool> done{false};
    std::atomic<long> seen{0};
    std::thread reader([&] {
        while (!done.load()) {
            for (const TKvFileInfo* entry : entries) {
                const TKvJpegInfoReadLock lock;
                if (const TKvJpegInfo* info = entry->JpegInfo())
                    seen += info->Verdict + info->Width;
            }
        }
    });
    for (int run = 1; run <= 3; ++run) {
        checker_.Start();
        ASSERT_TRUE(waitUntil([&] { return terminated_ == run; }));
    }
    done = true;
    reader.join();
    EXPECT_GT(seen.load(), 0);

    auto doomed = std::make_unique<TKvThreadJpegChecker>();
    doomed->FileInfos = &infos_;
    doomed->Start();
    doomed.reset();  // stops and waits for the worker first
}

// The deep check's side of a run: sound files, bit flips and zeroed blocks
// the walk lets pass, a cut file both checks call damaged, an empty file
// nothing is decoded of; one error per damaged file, whichever check found it.
TEST_F(CheckWorker, TheDeepCheckDecodesEachFileAndCountsDamageOnce)
{
    TempFolder folder;
    const Bytes sound = RestartNoiseJpeg();
    folder.write("a.jpg", sound);
    folder.write("b.jpg", WithBitFlip(sound, 8));
    folder.write("c.jpg", WithZeroedBlock(sound, 9));
    folder.write("d.jpg", Bytes(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(sound.size() / 2)));
    folder.write("e.jpg", Bytes{});
    folder.write("f.jpg", RestartNoiseJpeg(99));
    list(folder.path());
    const auto& list = infos_.FileInfoList();
    ASSERT_EQ(list.Count(), 6);

    checker_.DeepCheck = true;
    checker_.DeepWorkers = 2;
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return terminated_ == 1; }));
    EXPECT_FALSE(checker_.Running);
    EXPECT_EQ(checker_.ErrorCount, 4);
    struct Expected {
        int32_t walk;
        bool decoded;
        DeepVerdict deep;
        int32_t firstBadRow;
    };
    const Expected expected[] = {{0, true, DeepVerdict::Sound, -1},    {0, true, DeepVerdict::Damaged, 8},
                                 {0, true, DeepVerdict::Damaged, 9},   {2, true, DeepVerdict::Damaged, -2},
                                 {6, false, DeepVerdict::NotDecoded, -1}, {0, true, DeepVerdict::Sound, -1}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(list.FileInfos(i)->Name);
        const TKvFileInfo& entry = *list.FileInfos(i);
        ASSERT_NE(entry.JpegInfo(), nullptr);
        EXPECT_EQ(entry.JpegInfo()->Verdict, expected[i].walk);
        ASSERT_EQ(entry.DeepCheckInfo() != nullptr, expected[i].decoded);
        if (expected[i].decoded) {
            EXPECT_EQ(entry.DeepCheckInfo()->Verdict, expected[i].deep);
            if (expected[i].firstBadRow != -2)
                EXPECT_EQ(entry.DeepCheckInfo()->FirstBadRow, expected[i].firstBadRow);
        }
        EXPECT_EQ(entry.CheckFoundDamage(), i >= 1 && i <= 4);
    }

    // A run without the deep check drops the decodes of the one before.
    checker_.DeepCheck = false;
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return terminated_ == 2; }));
    EXPECT_EQ(checker_.ErrorCount, 2);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list.FileInfos(i)->DeepCheckInfo(), nullptr) << i;
}

// Decodes end after the files in hand when the run is stopped; rows painted
// meanwhile never see a freed result; a failure while storing one file's
// result leaves that file without one.
TEST_F(CheckWorker, DeepDecodesStopWithTheRunAndReadersNeverSeeAFreedResult)
{
    TempFolder folder;
    const Bytes sound = RestartNoiseJpeg();
    const Bytes flipped = WithBitFlip(sound, 3);
    for (int i = 0; i < 60; ++i)
        folder.write("f" + std::to_string(100 + i) + ".jpg", i % 3 == 0 ? flipped : sound);
    list(folder.path());
    const auto& entries = infos_.FileInfoList().VisibleFileInfos();
    checker_.DeepCheck = true;
    checker_.DeepWorkers = 3;

    std::atomic<bool> done{false};
    std::atomic<long> seen{0};
    std::thread reader([&] {
        while (!done.load()) {
            for (const TKvFileInfo* entry : entries) {
                const TKvJpegInfoReadLock lock;
                if (const DeepInfo* deep = entry->DeepCheckInfo())
                    seen += deep->FirstBadRow + static_cast<long>(deep->DamagedRows.size());
            }
        }
    });
    // Slow decodes, so that the stop comes while they run.
    // The stop is asked for by the sixth decode itself: the marker walk may
    // have ended (and with it its progress calls) before six decodes ran.
    std::atomic<int> decodes{0};
    std::atomic<bool> stopDecodes{true};
    checker_.BeforeStoreDeepRecord = [&](TKvFileInfo* entry) {
        if (++decodes == 6 && stopDecodes.load())
            QMetaObject::invokeMethod(&checker_, [&] { checker_.Stop(); }, Qt::QueuedConnection);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (entry->Name == "f101.jpg")
            throw std::bad_alloc();
    };
    QElapsedTimer clock;
    clock.start();
    checker_.Start();
    ASSERT_TRUE(waitUntil([&] { return terminated_ == 1; }));
    EXPECT_EQ(checker_.Thread, nullptr);
    int decoded = 0;
    for (const TKvFileInfo* entry : entries)
        decoded += entry->DeepCheckInfo() != nullptr;
    EXPECT_GE(decoded, 4);
    EXPECT_LT(decoded, 50);

    // Whole runs while the reader reads; the throwing file keeps no result.
    stopDecodes = false;
    for (int run = 2; run <= 3; ++run) {
        checker_.Start();
        ASSERT_TRUE(waitUntil([&] { return terminated_ == run; }));
        EXPECT_EQ(checker_.ErrorCount, 20);
    }
    done = true;
    reader.join();
    EXPECT_NE(seen.load(), 0);
    for (const TKvFileInfo* entry : entries)
        EXPECT_EQ(entry->DeepCheckInfo() == nullptr, entry->Name == "f101.jpg") << entry->Name;

    auto doomed = std::make_unique<TKvThreadJpegChecker>();
    doomed->FileInfos = &infos_;
    doomed->DeepCheck = true;
    doomed->Start();
    doomed.reset();  // stops the walk and the decodes and waits for them
}

TEST_F(CheckWorker, DestroyedBetweenTheEndOfTheRunAndItsEndEvent)
{
    TempFolder folder;
    folder.write("a.jpg", soundJpeg());
    list(folder.path());
    for (int round = 0; round < 20; ++round) {
        bool ended = false;
        auto checker = std::make_unique<TKvThreadJpegChecker>();
        checker->FileInfos = &infos_;
        checker->OnTerminate = [&ended](QObject*) { ended = true; };
        checker->Start();
        // The run is over once Running drops; its end event comes in a step after.
        ASSERT_TRUE(waitUntil([&] { return !checker->Running; }));
        checker.reset();
        EXPECT_TRUE(ended) << "the end event must run before the component goes";
        QCoreApplication::processEvents();
    }

    TKvFileInfos enumeration;
    enumeration.SetPath(folder.path());
    for (int round = 0; round < 20; ++round) {
        bool ended = false;
        enumeration.SetOnTerminate([&ended](QObject*) { ended = true; });
        enumeration.FileInfoList().Refresh();
        ASSERT_TRUE(waitUntil([&] { return !enumeration.FileInfoList().Busy(); }));
        enumeration.FileInfoList().Stop();
        EXPECT_TRUE(ended);
    }
}

}  // namespace

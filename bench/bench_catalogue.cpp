// Times the window's file catalogue and check worker on a real folder, driven
// as the window drives them: inside a running Qt event loop, with the end
// events arriving on the main thread.
//
//   bench_catalogue list DIR [--repeat N]    threaded Refresh, from the call to OnTerminate,
//                                            and a bare readdir + statx walk of the same tree
//   bench_catalogue sort DIR [--repeat N]    Sort / CustomSort by name, size, date and verdict
//   bench_catalogue check DIR [--repeat N]   TKvThreadJpegChecker::Start to OnTerminate
//   bench_catalogue memory DIR               resident memory with DIR listed and checked
//
// DIR is listed with ExtList .jpg/.jpeg and filoSubFolderSearch |
// filoHiddenFileView. Results go to standard output as "name value..." lines
// (seconds, milliseconds, kB); a time is the best of N runs, and "first" is
// the first run of the process, which also pays one-time set-ups (the MIME
// database, the collator). Exit status 1 when a result is wrong (an unsorted
// sequence, an entry left unchecked), 2 on a usage error.
#include "catalogue/KvFileInfoCompare.h"
#include "catalogue/KvFileInfos.h"
#include "inspection/KvJpegChecker.h"
#include "inspection/KvJpegInfo.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double>(end - start).count();
}

// The best and the first of a series of timings.
struct Timings {
    double best = -1;
    double first = -1;
    void add(double value)
    {
        if (first < 0)
            first = value;
        if (best < 0 || value < best)
            best = value;
    }
};

[[noreturn]] void fail(const std::string& message)
{
    std::cerr << "bench_catalogue: " << message << '\n';
    std::exit(1);
}

std::unique_ptr<TKvFileInfos> makeCatalogue(const std::string& folder, bool threaded)
{
    auto infos = std::make_unique<TKvFileInfos>();
    infos->SetPath(folder);
    infos->SetExtList({".jpg", ".jpeg"});
    infos->SetOptions({filoSubFolderSearch, filoHiddenFileView});
    infos->SetUseThread(threaded);
    return infos;
}

// The longest time the main event loop went without turning: the design
// lets a worker hold the main thread 50 ms at most. A 5 ms timer is the
// probe, so a run longer than that never shows less than about 5 ms.
class StallProbe {
public:
    StallProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        longest_ = 0;
        last_ = Clock::now();
        timer_.start();
    }
    void stop()
    {
        tick();
        timer_.stop();
    }
    double longestMs() const { return longest_ * 1000; }

private:
    void tick()
    {
        const auto now = Clock::now();
        longest_ = std::max(longest_, secondsBetween(last_, now));
        last_ = now;
    }

    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
};

// Calls begin, then runs the event loop until the end event that begin's
// worker fires through the handler it is given. Returns the seconds from
// the call to the end event.
double runToEndEvent(const std::function<void(TNotifyEvent)>& begin, StallProbe* probe = nullptr)
{
    QEventLoop loop;
    bool ended = false;
    Clock::time_point end;
    if (probe)
        probe->start();
    const auto start = Clock::now();
    begin([&](QObject*) {
        end = Clock::now();
        ended = true;
        loop.quit();
    });
    if (!ended)  // a synchronous run has already ended
        loop.exec();
    if (probe)
        probe->stop();
    // Lets the finished worker free itself (a queued call).
    QCoreApplication::processEvents();
    return secondsBetween(start, end);
}

double refresh(TKvFileInfos& infos, StallProbe* probe = nullptr)
{
    const double seconds = runToEndEvent(
        [&](TNotifyEvent ended) {
            infos.SetOnTerminate(std::move(ended));
            infos.FileInfoList().Refresh();
        },
        probe);
    infos.SetOnTerminate({});
    if (infos.FileInfoList().Stopped())
        fail("the listing stopped before its end");
    return seconds;
}

// The yardstick of a listing: what any lister of this tree must do, and
// nothing more. Every folder is read with readdir and every item examined
// with one statx (the catalogue's flags and mask); subfolders are walked
// breadth-first by path. Nothing is kept but a count and a sum.
struct BareWalk {
    size_t items = 0;
    int64_t bytes = 0;
};

BareWalk bareWalk(const std::string& top)
{
    BareWalk walk;
    std::vector<std::string> folders{top.back() == '/' ? top : top + '/'};
    for (size_t i = 0; i < folders.size(); ++i) {
        DIR* dir = ::opendir(folders[i].c_str());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct statx status {};
            if (::statx(::dirfd(dir), name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &status) != 0)
                continue;
            ++walk.items;
            walk.bytes += static_cast<int64_t>(status.stx_size);
            if (S_ISDIR(status.stx_mode))
                folders.push_back(folders[i] + name + '/');
        }
        ::closedir(dir);
    }
    return walk;
}

double check(TKvThreadJpegChecker& checker, StallProbe* probe = nullptr)
{
    const double seconds = runToEndEvent(
        [&](TNotifyEvent ended) {
            checker.OnTerminate = std::move(ended);
            checker.Start();
        },
        probe);
    checker.OnTerminate = {};
    const TKvThreadFileInfoList& list = checker.FileInfos->FileInfoList();
    for (int32_t i = 0; i < list.Count(); ++i) {
        if (!list.FileInfos(i)->JpegInfo())
            fail("entry " + std::to_string(i) + " was left without a check result");
    }
    return seconds;
}

int commandList(const std::string& folder, int repeat)
{
    Timings timings;
    Timings bare;
    size_t entries = 0;
    size_t folders = 0;
    size_t bareItems = 0;
    for (int run = 0; run < repeat; ++run) {
        // The two alternate, so that a busy spell of the machine does not
        // fall on one of them only.
        const auto bareStart = Clock::now();
        bareItems = bareWalk(folder).items;
        bare.add(secondsBetween(bareStart, Clock::now()));
        // A new catalogue each time: freeing the previous entries is not
        // part of the listing measured here (the probe run below has it).
        const auto infos = makeCatalogue(folder, true);
        timings.add(refresh(*infos));
        entries = static_cast<size_t>(infos->FileInfoList().Count());
        folders = infos->FileInfoList().Folders.size();
    }
    // As the window's refresh: the full list is replaced, its old entries
    // freed on the main thread.
    const auto infos = makeCatalogue(folder, true);
    refresh(*infos);
    StallProbe probe;
    refresh(*infos, &probe);
    std::cout << "entries " << entries << "\nfolders " << folders << "\nseconds " << timings.best
              << "\nfirst_seconds " << timings.first << "\nbare_items " << bareItems << "\nbare_seconds " << bare.best
              << "\nratio_to_bare " << timings.best / bare.best
              << "\nrefresh_longest_main_thread_stall_ms " << probe.longestMs() << '\n';
    return 0;
}

struct SortCase {
    const char* name;
    int32_t mode;
    bool byJpeg;
    // The order the sort must leave, independent of the catalogue's own comparisons; null for names.
    int64_t (*key)(const TKvFileInfo*);
};

const SortCase kSortCases[] = {
    {"name", 0, false, nullptr},
    {"size", 5, false, [](const TKvFileInfo* e) { return e->Size; }},
    {"date", 8, false, [](const TKvFileInfo* e) { return e->LastWriteTime; }},
    {"error", 12, true, [](const TKvFileInfo* e) { return static_cast<int64_t>(e->JpegInfo()->Verdict); }},
};

double timedSort(TKvFileInfos& infos, const SortCase& sortCase)
{
    TKvThreadFileInfoList& list = infos.FileInfoList();
    list.SortMode = SortModeFromInt(sortCase.mode);
    list.SortDown = false;
    const auto start = Clock::now();
    if (sortCase.byJpeg)
        list.CustomSort(&CompareFileInfosByJpeg);
    else
        list.Sort();
    return secondsBetween(start, Clock::now()) * 1000;
}

// Untimed: adjacent entries in the catalogue's own order and in the plain key.
void verifySorted(const TKvFileInfos& infos, const SortCase& sortCase)
{
    const auto& visible = infos.FileInfoList().VisibleFileInfos();
    SetFileInfoSortContext(SortModeFromInt(sortCase.mode), false);
    const TKvFileInfoCompare compare = sortCase.byJpeg ? &CompareFileInfosByJpeg : &CompareFileInfos;
    for (size_t i = 1; i < visible.size(); ++i) {
        const bool keyOrder = !sortCase.key || sortCase.key(visible[i - 1]) <= sortCase.key(visible[i]);
        if (!keyOrder || compare(visible[i - 1], visible[i]) > 0)
            fail(std::string("sort by ") + sortCase.name + ": entries " + std::to_string(i - 1) + " and " +
                 std::to_string(i) + " are out of order");
    }
}

// The visible sequence in the order of discovery, or shuffled (fixed seed).
// The entries' order in AllFileInfos is what FilterEntries keeps.
void arrangeVisible(TKvFileInfos& infos, bool shuffled)
{
    TKvThreadFileInfoList& list = infos.FileInfoList();
    auto& all = list.AllFileInfos;
    if (shuffled)
        std::shuffle(all.begin(), all.end(), std::mt19937(7));
    else
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a->FindIndex < b->FindIndex; });
    list.FilterEntries();
}

int commandSort(const std::string& folder, int repeat)
{
    const auto infos = makeCatalogue(folder, false);
    refresh(*infos);
    TKvThreadJpegChecker checker;
    checker.FileInfos = infos.get();
    check(checker);

    constexpr size_t kCases = std::size(kSortCases);
    Timings chained[kCases];
    Timings fromShuffled[kCases];
    for (int run = 0; run < repeat; ++run) {
        // Each mode from the order the previous one left, as a user clicks
        // through the columns.
        arrangeVisible(*infos, false);
        for (size_t c = 0; c < kCases; ++c) {
            chained[c].add(timedSort(*infos, kSortCases[c]));
            if (run == 0)
                verifySorted(*infos, kSortCases[c]);
        }
        for (size_t c = 0; c < kCases; ++c) {
            arrangeVisible(*infos, true);
            fromShuffled[c].add(timedSort(*infos, kSortCases[c]));
        }
    }
    std::cout << "entries " << infos->FileInfoList().Count() << '\n';
    std::cout << "# sort MODE FROM BEST_MS FIRST_MS\n";
    for (size_t c = 0; c < kCases; ++c) {
        const char* from = c == 0 ? "listing" : kSortCases[c - 1].name;
        std::cout << "sort " << kSortCases[c].name << ' ' << from << ' ' << chained[c].best << ' '
                  << chained[c].first << '\n';
    }
    for (size_t c = 0; c < kCases; ++c) {
        std::cout << "sort " << kSortCases[c].name << " shuffled " << fromShuffled[c].best << ' '
                  << fromShuffled[c].first << '\n';
    }
    return 0;
}

int commandCheck(const std::string& folder, int repeat)
{
    const auto infos = makeCatalogue(folder, true);
    const double listSeconds = refresh(*infos);
    TKvThreadJpegChecker checker;
    checker.FileInfos = infos.get();
    Timings timings;
    for (int run = 0; run < repeat; ++run)
        timings.add(check(checker));
    StallProbe probe;
    check(checker, &probe);

    const TKvThreadFileInfoList& list = infos->FileInfoList();
    std::map<int32_t, int> verdicts;
    for (int32_t i = 0; i < list.Count(); ++i)
        ++verdicts[list.FileInfos(i)->JpegInfo()->Verdict];
    const auto bytes = static_cast<double>(list.TotalSize);
    std::cout << "files " << list.Count() << "\nbytes " << list.TotalSize << "\nerrors " << checker.ErrorCount
              << "\nverdicts";
    for (const auto& [verdict, count] : verdicts)
        std::cout << ' ' << verdict << ':' << count;
    std::cout << "\nseconds " << timings.best << "\nfirst_seconds " << timings.first << "\nmb_per_s "
              << bytes / 1e6 / timings.best << "\nlist_seconds " << listSeconds
              << "\nlongest_main_thread_stall_ms " << probe.longestMs() << '\n';
    return 0;
}

// VmRSS and VmHWM of this process in kB.
void residentKb(long& rss, long& peak)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    rss = peak = -1;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            rss = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            peak = std::atol(line.c_str() + 6);
    }
}

int commandMemory(const std::string& folder)
{
    long rssBefore = 0;
    long peakBefore = 0;
    residentKb(rssBefore, peakBefore);
    const auto infos = makeCatalogue(folder, true);
    refresh(*infos);
    TKvThreadJpegChecker checker;
    checker.FileInfos = infos.get();
    check(checker);
    long rss = 0;
    long peak = 0;
    residentKb(rss, peak);
    const int32_t entries = infos->FileInfoList().Count();
    std::cout << "entries " << entries << "\nrss_before_kb " << rssBefore << "\nvmrss_kb " << rss << "\nvmhwm_kb "
              << peak << "\nbytes_per_entry " << (entries ? static_cast<double>(rss - rssBefore) * 1024 / entries : 0) << '\n';
    return 0;
}

int usage()
{
    std::cerr << "usage: bench_catalogue list|sort|check DIR [--repeat N]\n"
                 "       bench_catalogue memory DIR\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 5)
        return usage();
    const std::string command = argv[1];
    const std::string folder = argv[2];
    int repeat = 1;
    if (argc == 5) {
        char* end = nullptr;
        const long value = std::strtol(argv[4], &end, 10);
        if (std::strcmp(argv[3], "--repeat") != 0 || *end != '\0' || value < 1 || value > 1000 || command == "memory")
            return usage();
        repeat = static_cast<int>(value);
    }
    // Fixed notation with "." whatever the locale: the script reads these.
    std::cout << std::fixed << std::setprecision(6);
    if (command == "list")
        return commandList(folder, repeat);
    if (command == "sort")
        return commandSort(folder, repeat);
    if (command == "check")
        return commandCheck(folder, repeat);
    if (command == "memory")
        return commandMemory(folder);
    return usage();
}

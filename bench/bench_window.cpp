// Times the window's main job: from the hand-over of a folder to the last
// verdict of the check that follows the listing, on the offscreen platform,
// and measures the longest stall of the main thread's event loop meanwhile.
// With --deep the check also decodes each file (the deep check, as the
// window's 実行 menu turns it on).
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "inspection/KvJpegChecker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// CPU time of the calling thread: a stall the main thread spent working, as
// against waiting for a core that other programs held.
qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool deep = argc > 1 && std::strcmp(argv[argc - 1], "--deep") == 0;
    if (deep)
        --argc;
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_window FOLDER [REPEATS] [--deep]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir settings;
    TFormScanlark window("/", settings.path().toStdString() + "/", "bench.ini");
    window.FormActivate();
    window.findChild<QAction*>(QStringLiteral("DoNowAct"))->setChecked(true);
    if (deep) {
        QAction* deepCheck = window.findChild<QAction*>(QStringLiteral("DeepCheckAct"));
        if (!deepCheck) {
            std::fprintf(stderr, "bench_window: this window has no deep check\n");
            return 2;
        }
        deepCheck->setChecked(true);
    }
    auto* checker = window.findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    const auto idle = [&] { return !window.FileInfos()->FileInfoList().Busy() && !checker->Running; };
    while (!idle())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    double best = 1e9;
    qint64 worstStall = 0;
    qint64 worstBusy = 0;
    int files = 0;
    for (int run = 0; run < repeats; ++run) {
        // One precise 1 ms timer both watches for the end and measures the
        // longest gap between its ticks, the longest stall. The loop sleeps
        // between ticks as the window's own event loop would.
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        qint64 runStall = 0;
        qint64 runBusy = 0;
        qint64 lastCpu = threadCpuNanoseconds();
        double checkStarted = 0;
        QEventLoop loop;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            runStall = std::max(runStall, sinceTick.restart());
            const qint64 cpu = threadCpuNanoseconds();
            runBusy = std::max(runBusy, cpu - lastCpu);
            lastCpu = cpu;
            if (checkStarted == 0 && checker->Running)
                checkStarted = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            // Done when the listing has ended and the check it started has ended.
            if (idle() && checker->ErrorCount >= 0)
                loop.quit();
        });
        clock.start();
        sinceTick.start();
        ticker.start();
        window.WMCopyData(1, folder);  // the hand-over, as a second start makes it
        const double opened = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        loop.exec();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        std::printf("phases: OpenFolder returned %.3f, check running %.3f, done %.3f\n", opened, checkStarted, seconds);
        ticker.stop();
        best = std::min(best, seconds);
        worstStall = std::max(worstStall, runStall);
        worstBusy = std::max(worstBusy, runBusy);
        files = window.FileInfos()->FileInfoList().Count();
        std::printf("run %d files %d seconds %.3f errors %d stall_ms %lld busy_ms %.1f\n", run, files, seconds,
                    checker->ErrorCount, static_cast<long long>(runStall), static_cast<double>(runBusy) / 1e6);
    }
    // busy: the most CPU time the main thread spent between two ticks.
    std::printf("files %d best_seconds %.3f worst_stall_ms %lld worst_busy_ms %.1f\n", files, best,
                static_cast<long long>(worstStall), static_cast<double>(worstBusy) / 1e6);
    window.close();
    return 0;
}

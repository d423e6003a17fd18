// Times the preview pane on the offscreen platform, driven as a person drives
// it (keys to the file list):
//  - focus to picture: Down and Up through a folder of large photos, each key
//    from its press until the pane has painted the new photo (decode on the
//    loader's thread, hand-over, automatic scale, paint), while the pane shows
//    a photo of the same size (going through a folder: the decode reuses its
//    memory), and after the pane was closed (fresh memory);
//  - the window's longest stall: the longest single event the main thread
//    handled (the key itself, the hand-over of a picture, a paint), while
//    arrowing through the photos, while a file with a hole of gigabytes
//    decodes and while a progressive file of 100 scans over 256 megapixels
//    decodes; and how soon a key away from either shows the photo next to it;
//  - dragging: frames of a drag over a 1280 x 800 viewport, at the automatic
//    scale and at actual size (each frame a mouse move and a full repaint).
// run-preview-bench.sh compares focus to picture with djpeg over the same file.
//
//   bench_preview --make FILE        writes a 6000 x 4000 photo-like baseline JPEG
//   bench_preview --make-scans FILE  writes a progressive 16000 x 16000 JPEG of 100 scans and a few KB
//   bench_preview FOLDER [REPEATS]   prints one line of name value pairs
// FOLDER holds photos of one size named p*.jpg, and may hold a-hole.jpg and
// z-scans.jpg, which the list then shows right before and after them.
#include "app/MainWin.h"
#include "catalogue/KvFileInfos.h"
#include "components/KvImageView.h"
#include "components/KvListView.h"
#include "inspection/KvJpegChecker.h"
#include "MemoryJpegEncoder.h"
#include "SyntheticImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include <time.h>

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "bench_preview: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int Make(const std::string& path)
{
    return WriteFile(path, EncodeJpeg(MakePhotoLikeImage(6000, 4000, 24), JpegEncodeSettings{})) ? 0 : 1;
}

// A progressive greyscale file that declares 16000 x 16000 pixels and holds
// 100 scans of almost no data: every scan is a pass over the whole image
// (libjpeg fills the missing data), seconds of work from a few kilobytes.
int MakeScans(const std::string& path)
{
    JpegEncodeSettings settings;
    settings.progressive = true;
    settings.greyscale = true;
    std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLikeImage(16, 16, 1), settings);
    size_t frame = 0, scan = 0, next = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2 && frame == 0)
            frame = i;
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA && scan == 0)
            scan = i;
        else if (scan != 0 && next == 0 && bytes[i] == 0xFF && bytes[i + 1] != 0 && (bytes[i + 1] & 0xF8) != 0xD0)
            next = i;
    }
    if (frame == 0 || scan == 0 || next == 0)
        return 1;
    for (const size_t at : {frame + 5, frame + 7}) {  // height, width
        bytes[at] = 16000 >> 8;
        bytes[at + 1] = 16000 & 0xFF;
    }
    int scans = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        scans += bytes[i] == 0xFF && bytes[i + 1] == 0xDA;
    // The first scan again (the image's DC scan, which libjpeg only warns
    // about when it repeats) up to 100 in all.
    const std::vector<uint8_t> first(bytes.begin() + long(scan), bytes.begin() + long(next));
    for (; scans < 100; ++scans)
        bytes.insert(bytes.begin() + long(next), first.begin(), first.end());
    return WriteFile(path, bytes) ? 0 : 1;
}

qint64 ThreadCpuNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Times every event the main thread handles at the top level (nested ones
// count within it), and notes when the pane first paints the photo awaited.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        QElapsedTimer clock;
        clock.start();
        const qint64 cpuBefore = ThreadCpuNs();
        ++depth_;
        const bool result = QApplication::notify(receiver, event);
        --depth_;
        if (depth_ == 0) {
            longestCpuNs = std::max(longestCpuNs, ThreadCpuNs() - cpuBefore);
            if (clock.nsecsElapsed() > longestNs) {
                longestNs = clock.nsecsElapsed();
                longestWhat = QStringLiteral("%1:%2").arg(QString::fromLatin1(receiver->metaObject()->className()),
                                                          QString::number(int(event->type())));
            }
        }
        if (pane && receiver == pane->viewport() && event->type() == QEvent::Paint && paintedAtNs < 0
            && pane->Hint().startsWith(awaitedHint))
            paintedAtNs = since.nsecsElapsed();
        return result;
    }
    void ResetLongest()
    {
        longestNs = 0;
        longestCpuNs = 0;
        longestWhat.clear();
    }

    TKvImageView* pane = nullptr;
    QString awaitedHint;
    QElapsedTimer since;
    qint64 paintedAtNs = -1;
    // Since ResetLongest: the longest event in wall time, which includes
    // time other programs took the core, and in the main thread's CPU time.
    qint64 longestNs = 0;
    qint64 longestCpuNs = 0;
    QString longestWhat;  // receiver class:event type, of the longest in wall time

private:
    int depth_ = 0;
};

// Runs the event loop as the program does, asleep between events (a busy
// wait would take a core from the decode), until done() or the time is up.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake;  // so that the time limit is seen
    wake.start(20);
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Frames {
    double maxMs = 0;
    double meanMs = 0;
};

// A left-button drag of count moves over view, each move followed by a
// repaint of the viewport, as a person's drag gets one frame per move.
Frames Drag(TKvImageView& view, int count)
{
    QWidget* port = view.viewport();
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), QPointF(port->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    };
    send(QEvent::MouseButtonPress, {600, 400}, Qt::LeftButton, Qt::LeftButton);
    Frames frames;
    double total = 0;
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        // Back and forth over the image, a few pixels per move.
        const int phase = i % 200;
        const QPoint at(600 + (phase < 100 ? phase : 200 - phase) * 2, 400 + (phase < 100 ? phase : 200 - phase));
        clock.start();
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        port->repaint();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        frames.maxMs = std::max(frames.maxMs, ms);
        total += ms;
    }
    send(QEvent::MouseButtonRelease, {600, 400}, Qt::LeftButton, Qt::NoButton);
    frames.meanMs = total / count;
    return frames;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--make")
        return Make(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--make-scans")
        return MakeScans(argv[2]);
    TimedApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_preview FOLDER [REPEATS] | bench_preview --make[-scans] FILE\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QTemporaryDir settings;
    TFormScanlark window(folder.string(), settings.path().toStdString() + "/", "bench.ini");
    window.FormActivate();
    window.resize(1280, 800);
    window.show();
    QApplication::setActiveWindow(&window);
    auto* checker = window.findChild<TKvThreadJpegChecker*>(QStringLiteral("KvThreadJpegChecker1"));
    auto* list = window.findChild<TKvListView*>(QStringLiteral("LVFiles"));
    auto* pane = window.findChild<TKvImageView*>(QStringLiteral("ImgView32"));
    auto* load = window.findChild<QAction*>(QStringLiteral("ImgLoadAct"));
    auto* close = window.findChild<QAction*>(QStringLiteral("ImgCloseAct"));
    if (!QTest::qWaitForWindowActive(&window)
        || !WaitFor([&] { return list->RowCount() > 0 && !window.FileInfos()->FileInfoList().Busy() && !checker->Running; })) {
        std::fprintf(stderr, "bench_preview: the window did not settle\n");
        return 1;
    }
    const auto& files = window.FileInfos()->FileInfoList();
    std::vector<int> photos;
    int hole = -1, scans = -1;
    for (int i = 0; i < files.Count(); ++i) {
        const std::string& name = files.FileInfos(i)->Name;
        if (name.front() == 'p')
            photos.push_back(i);
        hole = name == "a-hole.jpg" ? i : hole;
        scans = name == "z-scans.jpg" ? i : scans;
    }
    if (photos.size() < 2 || photos.back() - photos.front() + 1 != int(photos.size())
        || (hole >= 0 && hole != photos.front() - 1) || (scans >= 0 && scans != photos.back() + 1)) {
        std::fprintf(stderr, "bench_preview: %s needs p*.jpg photos, a-hole.jpg before and z-scans.jpg after them\n",
                     folder.c_str());
        return 1;
    }

    app.pane = pane;
    app.since.start();
    const auto await = [&](int row) {
        app.awaitedHint = u'|' + QString::fromStdString(files.FileInfos(row)->Path + files.FileInfos(row)->Name) + " <";
        app.paintedAtNs = -1;
    };
    const auto shown = [&] {
        if (!WaitFor([&] { return app.paintedAtNs >= 0; })) {
            std::fprintf(stderr, "bench_preview: the pane did not show %s\n", qPrintable(app.awaitedHint));
            std::exit(1);
        }
    };
    // Seconds from a key in the list to the pane's first paint of row's photo.
    const auto focusToPicture = [&](Qt::Key key, int row) {
        await(row);
        const qint64 start = app.since.nsecsElapsed();
        QTest::keyClick(list, key);
        shown();
        return double(app.paintedAtNs - start) / 1e9;
    };
    const auto showRow = [&](int row) {
        list->setCurrentRow(row);
        await(row);
        load->trigger();
        shown();
    };
    // The longest event while the loop runs for ms with the focus on row.
    const auto stallWhileOn = [&](int row, int ms) {
        list->setCurrentRow(row);
        load->trigger();
        app.ResetLongest();
        WaitFor([] { return false; }, ms);
        return double(app.longestNs) / 1e6;
    };

    showRow(photos.front());
    std::vector<double> warm;
    app.ResetLongest();
    for (int run = 0; run < repeats; ++run) {
        for (size_t i = 1; i < photos.size(); ++i)
            warm.push_back(focusToPicture(Qt::Key_Down, photos[i]));
        for (size_t i = photos.size() - 1; i-- > 0;)
            warm.push_back(focusToPicture(Qt::Key_Up, photos[i]));
    }
    const double arrowStallMs = double(app.longestNs) / 1e6;
    const double arrowStallCpuMs = double(app.longestCpuNs) / 1e6;
    const QString arrowStallWhat = app.longestWhat;

    double cold = 1e9;
    for (int run = 0; run < repeats; ++run) {
        window.ActionList1Update();
        close->trigger();
        cold = std::min(cold, focusToPicture(run % 2 ? Qt::Key_Up : Qt::Key_Down, photos[run % 2 ? 0 : 1]));
    }

    double holeStallMs = -1, afterHole = -1, scansStallMs = -1, afterScans = -1;
    if (hole >= 0) {
        holeStallMs = stallWhileOn(hole, 1000);
        afterHole = focusToPicture(Qt::Key_Down, photos.front());
    }
    if (scans >= 0) {
        scansStallMs = stallWhileOn(scans, 1000);
        afterScans = focusToPicture(Qt::Key_Up, photos.back());
    }
    const QImage image = pane->Bitmap();

    // The drag on a pane whose viewport is 1280 x 800.
    TKvImageView view;
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "bench_preview: the view was not shown\n");
        return 1;
    }
    const QSize chrome = view.size() - view.viewport()->size();
    view.resize(QSize(1280, 800) + chrome);
    WaitFor([&] { return view.viewport()->size() == QSize(1280, 800); });
    view.SetBitmap(image);
    view.AutoScale();
    QElapsedTimer firstPaint;
    firstPaint.start();
    view.viewport()->repaint();  // makes the scaled copy
    const double firstPaintMs = double(firstPaint.nsecsElapsed()) / 1e6;
    const Frames automatic = Drag(view, 400);
    view.SetScale(1.0f);
    view.viewport()->repaint();
    const Frames actual = Drag(view, 400);

    std::printf("image %dx%d photos %zu focus_best_seconds %.4f focus_median_seconds %.4f focus_cold_best_seconds %.4f "
                "arrow_longest_event_ms %.2f arrow_longest_event %s arrow_longest_event_cpu_ms %.2f hole_longest_event_ms %.2f after_hole_seconds %.4f "
                "scans_longest_event_ms %.2f after_scans_seconds %.4f scaled_copy_first_paint_ms %.1f "
                "auto_drag_max_ms %.2f auto_drag_mean_ms %.2f actual_drag_max_ms %.2f actual_drag_mean_ms %.2f\n",
                image.width(), image.height(), photos.size(), *std::min_element(warm.begin(), warm.end()),
                Median(warm), cold, arrowStallMs, qPrintable(arrowStallWhat), arrowStallCpuMs, holeStallMs, afterHole, scansStallMs, afterScans, firstPaintMs,
                automatic.maxMs, automatic.meanMs, actual.maxMs, actual.meanMs);
    window.close();
    return 0;
}

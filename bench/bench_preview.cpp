// Times the preview pane on one large photo, on the offscreen platform:
//  - loading: the window's ImgLoadAct on the focused file until the pane has
//    painted it (decode, hand-over to the pane, automatic scale, first paint),
//    into a pane that shows a photo of the same size (the best case and the
//    common one: going through a folder) and into an empty pane;
//  - dragging: frames of a drag over a 1280 x 800 viewport, at the automatic
//    scale and at actual size (each frame a mouse move and a full repaint).
// run-preview-bench.sh compares the load with djpeg over the same file.
//
//   bench_preview --make FILE        writes a 6000 x 4000 photo-like baseline JPEG
//   bench_preview FILE [REPEATS]     prints one line of name value pairs
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

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

int Make(const std::string& path)
{
    const std::vector<uint8_t> jpeg = EncodeJpeg(MakePhotoLikeImage(6000, 4000, 24), JpegEncodeSettings{});
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(jpeg.data(), 1, jpeg.size(), file) != jpeg.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "bench_preview: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--make")
        return Make(argv[2]);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_preview FILE [REPEATS] | bench_preview --make FILE\n");
        return 2;
    }
    const std::filesystem::path photo = std::filesystem::absolute(argv[1]);
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QTemporaryDir settings;
    TFormScanlark window(photo.parent_path().string(), settings.path().toStdString() + "/", "bench.ini");
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
    int row = -1;
    const auto& files = window.FileInfos()->FileInfoList();
    for (int i = 0; i < files.Count(); ++i)
        if (files.FileInfos(i)->Name == photo.filename().string())
            row = i;
    if (row < 0) {
        std::fprintf(stderr, "bench_preview: %s is not listed\n", photo.c_str());
        return 1;
    }
    list->setCurrentRow(row);

    // Cold: into an empty pane, fresh memory. Warm: while the pane shows a
    // photo of the same size, as when going from one photo to the next.
    double cold = 1e9;
    double warm = 1e9;
    for (int run = 0; run < repeats; ++run) {
        for (const bool empty : {true, false}) {
            window.ActionList1Update();
            if (empty)
                close->trigger();
            QCoreApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            load->trigger();
            pane->viewport()->repaint();
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            (empty ? cold : warm) = std::min(empty ? cold : warm, seconds);
            if (pane->Empty()) {
                std::fprintf(stderr, "bench_preview: the pane shows nothing\n");
                return 1;
            }
        }
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

    std::printf("image %dx%d load_best_seconds %.4f load_cold_best_seconds %.4f scaled_copy_first_paint_ms %.1f "
                "auto_drag_max_ms %.2f auto_drag_mean_ms %.2f actual_drag_max_ms %.2f actual_drag_mean_ms %.2f\n",
                image.width(), image.height(), warm, cold, firstPaintMs, automatic.maxMs, automatic.meanMs, actual.maxMs,
                actual.meanMs);
    window.close();
    return 0;
}

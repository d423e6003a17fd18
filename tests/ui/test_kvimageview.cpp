// The image view of the preview pane on its own: the automatic scale, the
// wheel and dragging, driven by mouse and wheel events at a viewport of
// exactly 400 x 100 pixels.
#include "components/KvImageView.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class ImageView : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window_);
        other_ = new QLineEdit(&window_);
        layout->addWidget(other_);
        view_ = new TKvImageView(&window_);
        layout->addWidget(view_);
        window_.show();
        QApplication::setActiveWindow(&window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        const QSize chrome = view_->size() - view_->viewport()->size();
        view_->setFixedSize(QSize(400, 100) + chrome);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view_->viewport()->size() == QSize(400, 100); }));
        other_->setFocus();
    }
    void load(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        view_->SetBitmap(image);
    }
    void wheel(int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF at(50, 50);
        QWheelEvent event(at, view_->viewport()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view_->viewport(), &event);
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::MouseButton button = Qt::NoButton)
    {
        QMouseEvent event(type, QPointF(at), QPointF(view_->viewport()->mapToGlobal(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(view_->viewport(), &event);
    }
    QPoint scroll() const { return {view_->horizontalScrollBar()->value(), view_->verticalScrollBar()->value()}; }

    QWidget window_;
    QLineEdit* other_ = nullptr;
    TKvImageView* view_ = nullptr;
};

TEST_F(ImageView, AutomaticScaleFitsTheWholeImageByItsTighterSide)
{
    load(4000, 3000);
    view_->AutoScale();
    EXPECT_EQ(view_->Scale(), static_cast<float>(100.0 / 3000));  // height-bound: 1/30
    EXPECT_EQ(view_->StretchFilter(), Qt::SmoothTransformation);
    EXPECT_EQ(view_->BitmapRect(), QRect(0, 0, 133, 100));

    load(100, 50);  // smaller than the viewport: enlarged to fill its height
    view_->AutoScale();
    EXPECT_EQ(view_->Scale(), 2.0f);

    load(2000, 100);  // width-bound
    view_->AutoScale();
    EXPECT_EQ(view_->Scale(), 0.2f);

    // Made on choice and load only: resizing keeps it, an empty view keeps it.
    view_->setFixedSize(view_->size() + QSize(200, 200));
    QApplication::processEvents();
    EXPECT_EQ(view_->Scale(), 0.2f);
    view_->Clear();
    view_->SetScale(0.5f);
    view_->AutoScale();
    EXPECT_EQ(view_->Scale(), 0.5f);
    view_->SetScale(0.0f);
    EXPECT_EQ(view_->Scale(), 0.001f);
}

TEST_F(ImageView, WheelScrollsBySixthsOfTheViewportAndNeverScales)
{
    load(200, 600);  // taller: vertical steps of 100 / 6
    wheel(-120);
    EXPECT_EQ(scroll(), QPoint(0, 16));
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(scroll(), QPoint(0, 32));
    wheel(120);
    EXPECT_EQ(scroll(), QPoint(0, 16));
    wheel(60);  // half a notch waits for the other half
    EXPECT_EQ(scroll(), QPoint(0, 16));
    wheel(60);
    EXPECT_EQ(scroll(), QPoint(0, 0));
    wheel(120);  // kept within range
    EXPECT_EQ(scroll(), QPoint(0, 0));
    EXPECT_EQ(view_->Scale(), 1.0f);

    load(1000, 50);  // only wider: horizontal steps of 400 / 6
    wheel(-240);
    EXPECT_EQ(scroll(), QPoint(132, 0));

    load(100, 50);  // fits: nothing moves
    wheel(-120);
    EXPECT_EQ(scroll(), QPoint(0, 0));
}

TEST_F(ImageView, DraggingScrollsThreeTimesTheMouseWay)
{
    load(1000, 600);
    mouse(QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {60, 50}, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(30, 0));  // ten pixels right: thirty over the image
    mouse(QEvent::MouseMove, {62, 55}, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(36, 15));
    mouse(QEvent::MouseMove, {0, 0}, Qt::LeftButton);  // clamped at the top left
    EXPECT_EQ(scroll(), QPoint(0, 0));

    // Releasing leaves the drag armed; the first move without the button ends it.
    mouse(QEvent::MouseButtonRelease, {0, 0}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {5, 0}, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(15, 0));
    mouse(QEvent::MouseMove, {6, 0}, Qt::NoButton);
    mouse(QEvent::MouseMove, {20, 0}, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(15, 0));

    // Only the directions with something to scroll move; other buttons do not arm.
    load(1000, 50);
    mouse(QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, {60, 60}, Qt::RightButton | Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(0, 0));
    mouse(QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {60, 60}, Qt::LeftButton);
    EXPECT_EQ(scroll(), QPoint(30, 0));
}

TEST_F(ImageView, MovesTakeTheFocusOnlyWhenThereIsSomethingToScroll)
{
    load(100, 50);  // actual size, smaller than the viewport
    mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {30, 30}, Qt::LeftButton);
    EXPECT_TRUE(other_->hasFocus());
    EXPECT_EQ(scroll(), QPoint(0, 0));
    wheel(-120);
    EXPECT_EQ(scroll(), QPoint(0, 0));

    load(100, 500);
    mouse(QEvent::MouseMove, {30, 30}, Qt::NoButton);
    EXPECT_TRUE(view_->hasFocus());
}

}  // namespace

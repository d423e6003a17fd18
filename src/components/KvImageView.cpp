#include "components/KvImageView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStatusTipEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMinimumScale = 0.001f;
// A scaled copy larger than this many pixels is not kept (a large image
// shown enlarged): the visible part is then scaled on each paint.
constexpr qint64 kMaxScaledCopyPixels = 64ll * 1000 * 1000;
// One notch of an ordinary mouse wheel.
constexpr int kWheelNotch = 120;

// The automatic scale of an image in a viewport, both non-empty.
float FitScale(QSize image, QSize view)
{
    const double byWidth = double(view.width()) / image.width();
    const double byHeight = double(view.height()) / image.height();
    return static_cast<float>(byHeight <= byWidth ? byHeight : byWidth);
}

// Never less than a pixel: a long thin image still shows as a line.
QSize ScaledSizeOf(QSize image, float scale)
{
    const auto side = [scale](int pixels) { return std::max(1, int(std::lround(double(pixels) * scale))); };
    return {side(image.width()), side(image.height())};
}

bool KeepsScaledCopy(QSize scaled, float scale)
{
    return scale != 1.0f && qint64(scaled.width()) * scaled.height() <= kMaxScaledCopyPixels;
}

}  // namespace

TKvImageView::TKvImageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCornerWidget(new QSizeGrip(this));
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button take the focus and end a drag.
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Dark);
    message_ = new QLabel(viewport());
    message_->setObjectName(QStringLiteral("ImgView32Message"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setForegroundRole(QPalette::BrightText);
    message_->setAttribute(Qt::WA_TransparentForMouseEvents);
    message_->hide();
}

void TKvImageView::SetMessage(const QString& text)
{
    message_->setText(text);
    message_->setGeometry(viewport()->rect());
    message_->setVisible(!text.isEmpty());
}

void TKvImageView::SetBitmap(QImage image, QImage autoScaled)
{
    if (!image.isNull() && image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    bitmap_ = std::move(image);
    autoScaled_ = std::move(autoScaled);
    SetMessage(QString());
    bands_.clear();
    scaled_ = QImage();
    scaledValid_ = false;
    UpdateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void TKvImageView::Clear()
{
    SetBitmap(QImage());
}

void TKvImageView::SetBands(std::vector<TKvRowBand> bands)
{
    bands_ = std::move(bands);
    viewport()->update();
}

void TKvImageView::SetScale(float scale)
{
    if (!(scale >= kMinimumScale))  // NaN too
        scale = kMinimumScale;
    if (scale == scale_)
        return;
    scale_ = scale;
    scaled_ = QImage();
    scaledValid_ = false;
    UpdateScrollBars();
    viewport()->update();
}

void TKvImageView::SetStretchFilter(Qt::TransformationMode filter)
{
    if (filter == filter_)
        return;
    filter_ = filter;
    scaled_ = QImage();
    scaledValid_ = false;
    viewport()->update();
}

void TKvImageView::AutoScale()
{
    const QSize view = viewport()->size();
    if (view.width() <= 0 || view.height() <= 0 || bitmap_.width() <= 0 || bitmap_.height() <= 0)
        return;
    SetStretchFilter(Qt::SmoothTransformation);
    SetScale(FitScale(bitmap_.size(), view));
}

QImage TKvImageView::AutoScaledCopy(const QImage& image, QSize viewport)
{
    if (viewport.width() <= 0 || viewport.height() <= 0 || image.width() <= 0 || image.height() <= 0)
        return {};
    const float scale = std::max(FitScale(image.size(), viewport), kMinimumScale);
    const QSize size = ScaledSizeOf(image.size(), scale);
    if (!KeepsScaledCopy(size, scale))
        return {};
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize TKvImageView::ScaledSize() const
{
    if (bitmap_.isNull())
        return {};
    return ScaledSizeOf(bitmap_.size(), scale_);
}

QRect TKvImageView::BitmapRect() const
{
    if (bitmap_.isNull())
        return {};
    return {QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()), ScaledSize()};
}

void TKvImageView::SetHint(const QString& hint)
{
    hint_ = hint;
    const qsizetype bar = hint.indexOf(u'|');
    setToolTip(bar < 0 ? hint : hint.left(bar));
    setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    // The window shows a status tip when the pointer enters; one that is
    // already resting here sees the new image's at once.
    if (underMouse()) {
        QStatusTipEvent tip(statusTip());
        QCoreApplication::sendEvent(this, &tip);
    }
}

void TKvImageView::UpdateScrollBars()
{
    const QSize scaled = ScaledSize();
    const QSize view = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, scaled.width() - view.width()));
    v->setRange(0, std::max(0, scaled.height() - view.height()));
    h->setPageStep(std::max(1, view.width()));
    v->setPageStep(std::max(1, view.height()));
    h->setSingleStep(std::max(1, view.width() / 6));
    v->setSingleStep(std::max(1, view.height() / 6));
}

const QImage& TKvImageView::ScaledCopy()
{
    if (!scaledValid_) {
        scaledValid_ = true;
        const QSize size = ScaledSize();
        if (KeepsScaledCopy(size, scale_))
            scaled_ = filter_ == Qt::SmoothTransformation && autoScaled_.size() == size
                          ? autoScaled_
                          : bitmap_.scaled(size, Qt::IgnoreAspectRatio, filter_);
    }
    return scaled_;
}

void TKvImageView::paintEvent(QPaintEvent* e)
{
    if (bitmap_.isNull())
        return;  // the viewport's background only
    QPainter painter(viewport());
    const QRect target = BitmapRect();
    const QRect visible = e->rect() & target;
    if (visible.isEmpty())
        return;
    const QImage& copy = ScaledCopy();
    if (scale_ == 1.0f) {
        painter.drawImage(visible.topLeft(), bitmap_, visible.translated(-target.topLeft()));
    } else if (!copy.isNull()) {
        painter.drawImage(visible.topLeft(), copy, visible.translated(-target.topLeft()));
    } else {
        // No copy kept: map the visible part back to the bitmap and let the
        // painter scale that much only.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, filter_ == Qt::SmoothTransformation);
        const double sx = double(bitmap_.width()) / target.width();
        const double sy = double(bitmap_.height()) / target.height();
        const QRectF source((visible.left() - target.left()) * sx, (visible.top() - target.top()) * sy,
                            visible.width() * sx, visible.height() * sy);
        painter.drawImage(QRectF(visible), bitmap_, source);
    }
    if (bands_.empty())
        return;
    // Light enough that the damage itself stays visible under it.
    const QColor band(255, 0, 0, 90);
    const double sy = double(target.height()) / bitmap_.height();
    for (const TKvRowBand& rows : bands_) {
        const int top = target.top() + static_cast<int>(std::floor(rows.Top * sy));
        const int bottom = target.top() + static_cast<int>(std::ceil(rows.Bottom * sy));
        const QRect area = QRect(target.left(), top, target.width(), bottom - top) & visible;
        if (!area.isEmpty())
            painter.fillRect(area, band);
    }
}

void TKvImageView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    message_->setGeometry(viewport()->rect());
    UpdateScrollBars();  // the scale stays: the automatic one is made on choice and load only
}

void TKvImageView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TKvImageView::ScrollBy(int dx, int dy)
{
    if (dx)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);  // the bar clamps
    if (dy)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

void TKvImageView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        dragArmed_ = true;
        lastCursor_ = e->globalPosition().toPoint();
    }
    e->accept();
}

void TKvImageView::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (bitmap_.isNull())
        return;
    const QRect image = BitmapRect();
    const QRect view = viewport()->rect();
    if (view.contains(image))
        return;  // nothing to scroll
    // The wheel reaches the pane once the pointer has been over it.
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (!dragArmed_)
        return;
    if (!(e->buttons() & Qt::LeftButton)) {
        dragArmed_ = false;
        return;
    }
    const QPoint cursor = e->globalPosition().toPoint();
    // The view moves three pixels over the image per pixel the mouse moves.
    const int dx = image.width() > view.width() ? (cursor.x() - lastCursor_.x()) * 3 : 0;
    const int dy = image.height() > view.height() ? (cursor.y() - lastCursor_.y()) * 3 : 0;
    ScrollBy(dx, dy);
    lastCursor_ = cursor;
}

void TKvImageView::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    Q_EMIT DblClick();
}

void TKvImageView::wheelEvent(QWheelEvent* e)
{
    // The wheel only ever scrolls, whatever keys are held.
    e->accept();
    wheelRemainder_ += e->angleDelta().y();
    const int notches = wheelRemainder_ / kWheelNotch;  // > 0: up
    wheelRemainder_ -= notches * kWheelNotch;
    if (notches == 0 || bitmap_.isNull())
        return;
    const QRect image = BitmapRect();
    const QSize view = viewport()->size();
    int stepX = 0;
    int stepY = 0;
    if (image.height() > view.height())
        stepY = std::max(1, view.height() / 6);
    else if (image.width() > view.width())
        stepX = std::max(1, view.width() / 6);
    ScrollBy(-notches * stepX, -notches * stepY);
}

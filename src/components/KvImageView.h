// A scrollable view of one image: the preview pane under the file list.
//
// The view holds one 32-bit bitmap at the image's own pixel size and draws
// it at a scale, anchored at the top left, with both scroll bars always
// present (so that the viewport does not change with the image). Dragging
// with the left button scrolls three pixels per pixel moved; the wheel
// scrolls by a sixth of the viewport and never changes the scale. Drawing at
// a scale other than 1 uses a scaled copy made once per image and scale, so
// scrolling and dragging repaint by copying pixels.
// Main thread only, like every widget, but for AutoScaledCopy.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>

#include <vector>

// Pixel rows Top up to (not including) Bottom of the bitmap.
struct TKvRowBand {
    int Top = 0;
    int Bottom = 0;

    bool operator==(const TKvRowBand&) const = default;
};

class QLabel;

class TKvImageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TKvImageView(QWidget* parent = nullptr);

    // The bitmap: empty, or an image at its own pixel size.
    const QImage& Bitmap() const { return bitmap_; }
    bool Empty() const { return bitmap_.isNull(); }
    // Shows image at the current scale, scrolled to the top left.
    // autoScaled: AutoScaledCopy of image, made beforehand off the window's
    // thread; drawn instead of a copy of its own whenever it fits the scale
    // and filter in force (so not after a resize of the viewport).
    void SetBitmap(QImage image, QImage autoScaled = QImage());
    // Empties the bitmap; scale and filter stay.
    void Clear();
    // A line that the empty pane shows in place of a picture (why the file
    // cannot be shown); a bitmap or Clear takes it away.
    void SetMessage(const QString& text);

    // Rows of the bitmap drawn under a translucent band (where a picture is
    // damaged); a new bitmap, or none, has none until they are set again.
    void SetBands(std::vector<TKvRowBand> bands);
    const std::vector<TKvRowBand>& Bands() const { return bands_; }

    // 1.0 is actual size; values below 0.001 become 0.001.
    float Scale() const { return scale_; }
    void SetScale(float scale);
    // How the image is resampled when the scale is not 1.
    Qt::TransformationMode StretchFilter() const { return filter_; }
    void SetStretchFilter(Qt::TransformationMode filter);
    // The automatic scale: when the viewport and the bitmap both have a
    // size, the linear filter and the scale at which the whole image fits
    // the viewport (by height when the two ratios tie), enlarging small
    // images. Otherwise nothing changes.
    void AutoScale();
    // The copy that AutoScale has the view draw for image in a viewport of
    // the given size; null when it would draw none. Touches no widget: any
    // thread may call it.
    static QImage AutoScaledCopy(const QImage& image, QSize viewport);

    // The rectangle the scaled image occupies, in viewport coordinates
    // (empty for an empty bitmap).
    QRect BitmapRect() const;
    // Height of the scaled image, 0 when empty.
    int BitmapRectHeight() const { return BitmapRect().height(); }

    // "short|long": the short part is the tooltip (none when empty), the
    // long part goes to the window's status bar while the pointer rests here.
    void SetHint(const QString& hint);
    QString Hint() const { return hint_; }

Q_SIGNALS:
    // A double click anywhere on the view (the window fits the pane to it).
    void DblClick();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize ScaledSize() const;
    void UpdateScrollBars();
    // The scaled copy for the current scale and filter; null when none is
    // kept (scale 1, or too large a copy: the visible part is drawn alone).
    const QImage& ScaledCopy();
    void ScrollBy(int dx, int dy);

    QImage bitmap_;
    float scale_ = 1.0f;
    Qt::TransformationMode filter_ = Qt::FastTransformation;
    QImage scaled_;
    bool scaledValid_ = false;
    QImage autoScaled_;  // offered with the bitmap
    std::vector<TKvRowBand> bands_;
    QString hint_;
    QLabel* message_ = nullptr;  // "ImgView32Message"
    bool dragArmed_ = false;
    QPoint lastCursor_;
    int wheelRemainder_ = 0;
};

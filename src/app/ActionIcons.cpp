#include "app/ActionIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <functional>

namespace {

const QColor kInk(0x33, 0x4d, 0x7a);
const QColor kAccent(0xd9, 0x8c, 0x1f);

QIcon drawn(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 24.0, size / 24.0);
        draw(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void folder(QPainter& p, const QColor& fill)
{
    QPainterPath path;
    path.moveTo(2, 6);
    path.lineTo(9, 6);
    path.lineTo(11, 8);
    path.lineTo(22, 8);
    path.lineTo(22, 20);
    path.lineTo(2, 20);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(fill);
    p.drawPath(path);
}

void magnifier(QPainter& p)
{
    p.setPen(QPen(kInk, 2.2));
    p.setBrush(QColor(0xe8, 0xf0, 0xfb));
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
}

QIcon themed(const char* name, QStyle::StandardPixmap fallback)
{
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

}  // namespace

QIcon ActionIcon(int slot)
{
    switch (slot) {
    case 0: return themed("go-previous", QStyle::SP_ArrowBack);
    case 1: return themed("go-next", QStyle::SP_ArrowForward);
    case 2: return themed("go-up", QStyle::SP_FileDialogToParent);
    case 3: return themed("process-stop", QStyle::SP_BrowserStop);
    case 4: return themed("view-refresh", QStyle::SP_BrowserReload);
    case 5:  // options: a gear
        return drawn([](QPainter& p) {
            p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(12, 12);
                p.rotate(i * 45);
                p.drawLine(QPointF(0, 6), QPointF(0, 10));
                p.restore();
            }
            p.setPen(QPen(kInk, 2));
            p.setBrush(QColor(0xdd, 0xe4, 0xee));
            p.drawEllipse(QPointF(12, 12), 6.5, 6.5);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
        });
    case 8: return themed("go-jump", QStyle::SP_CommandLink);
    case 11:  // subfolders: two nested folders
        return drawn([](QPainter& p) {
            folder(p, QColor(0xf3, 0xd3, 0x7a));
            p.translate(6, 6);
            p.scale(0.6, 0.6);
            folder(p, QColor(0xfb, 0xe9, 0xb4));
        });
    case 12:  // hidden files: an eye
        return drawn([](QPainter& p) {
            QPainterPath eye;
            eye.moveTo(2, 12);
            eye.quadTo(12, 2, 22, 12);
            eye.quadTo(12, 22, 2, 12);
            p.setPen(QPen(kInk, 1.6));
            p.setBrush(Qt::white);
            p.drawPath(eye);
            p.setBrush(kInk);
            p.drawEllipse(QPointF(12, 12), 3.5, 3.5);
        });
    case 13:  // folder pane
        return drawn([](QPainter& p) {
            p.setPen(QPen(kInk, 1.4));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 3.5, 19, 17));
            p.setBrush(QColor(0xf3, 0xd3, 0x7a));
            p.drawRect(QRectF(2.5, 3.5, 7, 17));
        });
    case 14:  // check at once: a lightning bolt
        return drawn([](QPainter& p) {
            QPolygonF bolt({QPointF(13, 1), QPointF(4, 14), QPointF(11, 14), QPointF(9, 23), QPointF(20, 9),
                            QPointF(13, 9), QPointF(16, 1)});
            p.setPen(QPen(kInk, 1.2));
            p.setBrush(kAccent);
            p.drawPolygon(bolt);
        });
    case 15: return drawn([](QPainter& p) { magnifier(p); });
    case 16:  // find next: magnifier with an arrow
        return drawn([](QPainter& p) {
            magnifier(p);
            p.setPen(QPen(kAccent, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(15, 4), QPointF(22, 4));
            p.drawLine(QPointF(19, 1), QPointF(22, 4));
            p.drawLine(QPointF(19, 7), QPointF(22, 4));
        });
    case 17: return themed("edit-delete", QStyle::SP_TrashIcon);
    case 18:  // refresh folders
        return drawn([](QPainter& p) {
            folder(p, QColor(0xf3, 0xd3, 0x7a));
            p.setPen(QPen(Qt::darkGreen, 2.2));
            p.drawArc(QRectF(8, 10, 9, 9), 30 * 16, 270 * 16);
        });
    case 19:  // refresh files
        return drawn([](QPainter& p) {
            p.setPen(QPen(kInk, 1.3));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5, 2.5, 14, 19));
            p.setPen(QPen(Qt::darkGreen, 2.2));
            p.drawArc(QRectF(7.5, 8, 9, 9), 30 * 16, 270 * 16);
        });
    case 20:  // check all: a document with a tick
        return drawn([](QPainter& p) {
            p.setPen(QPen(kInk, 1.3));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(3.5, 2.5, 13, 18));
            p.setPen(QPen(QColor(0x1f, 0x9d, 0x3a), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(9, 15), QPointF(13, 19), QPointF(22, 8)}));
        });
    default: return QIcon();
    }
}

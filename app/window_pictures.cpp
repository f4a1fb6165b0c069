#include "app/window_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace cq::app {
namespace {

// Every picture is drawn on a 16 x 16 grid and rendered at several pixel sizes, so
// the icon engine finds a sharp image for 1x, 2x and 3x screens.
using DrawFn = void (*)(QPainter&);

QImage Paint(DrawFn draw, int px) {
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(px / 16.0, px / 16.0);
    draw(p);
    p.end();
    return image;
}

QIcon Render(DrawFn draw) {
    QIcon icon;
    for (int px : {16, 24, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(Paint(draw, px)));
    }
    return icon;
}

const QColor kInk(0x3c, 0x3f, 0x44);
const QColor kAccent(0x1e, 0x7b, 0xd6);

QPen Stroke(qreal width, const QColor& color = kInk) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color = kInk) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, color);
}

void DrawClose(QPainter& p) {
    p.setPen(Stroke(2.0));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void DrawHideToTray(QPainter& p) {
    p.setPen(Stroke(1.6));
    p.drawLine(QPointF(3, 3), QPointF(12, 12));
    p.drawLine(QPointF(12, 12), QPointF(12, 6.5));
    p.drawLine(QPointF(12, 12), QPointF(6.5, 12));
    p.setPen(Stroke(1.2, kAccent));
    p.drawLine(QPointF(14.5, 8), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 14.5), QPointF(8, 14.5));
}

void DrawPlaylist(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    for (qreal y : {4.0, 8.0, 12.0}) {
        p.drawEllipse(QPointF(3.5, y), 1.4, 1.4);
    }
    p.setPen(Stroke(1.6));
    for (qreal y : {4.0, 8.0, 12.0}) {
        p.drawLine(QPointF(7, y), QPointF(14, y));
    }
}

void DrawPrevious(QPainter& p) {
    p.fillRect(QRectF(3, 3.5, 2, 9), kInk);
    Triangle(p, QPointF(13, 3.5), QPointF(13, 12.5), QPointF(5.5, 8));
}

void DrawNext(QPainter& p) {
    Triangle(p, QPointF(3, 3.5), QPointF(3, 12.5), QPointF(10.5, 8));
    p.fillRect(QRectF(11, 3.5, 2, 9), kInk);
}

void DrawFoldUp(QPainter& p) {
    p.setPen(Stroke(1.8));
    p.drawLine(QPointF(3.5, 10.5), QPointF(8, 6));
    p.drawLine(QPointF(8, 6), QPointF(12.5, 10.5));
}

void DrawRetry(QPainter& p) {
    p.setPen(Stroke(1.7, kAccent));
    p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 290 * 16);
    Triangle(p, QPointF(7.2, 0.8), QPointF(10.6, 3.1), QPointF(7.0, 5.4), kAccent);
}

void DrawProgram(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.5, 3.5);
    // A perched bird in front of a rising sun: the morning and evening papers.
    p.setBrush(QColor(0xff, 0xc8, 0x3d));
    p.drawEllipse(QPointF(11, 5), 2.6, 2.6);
    // A magpie on a branch: body, head, beak and its long tail. Body, head and tail
    // are one path filled by winding, so where they overlap is bird, not a hole, and
    // their outline is smoothed once; the tail runs the same way round as Qt's
    // ellipses, or its overlap with the body would cancel out. (Uniting the shapes
    // instead would flatten the curves into facets that show at large sizes.)
    QPainterPath bird;
    bird.setFillRule(Qt::WindingFill);
    bird.addEllipse(QPointF(7.2, 9.0), 3.4, 2.3);
    bird.addEllipse(QPointF(10.2, 6.9), 1.7, 1.7);
    bird.moveTo(4.6, 8.4);
    bird.lineTo(5.6, 10.4);
    bird.lineTo(2.4, 13.2);
    bird.lineTo(1.2, 12.6);
    bird.closeSubpath();
    QPainterPath beak;
    beak.moveTo(11.6, 6.3);
    beak.lineTo(13.6, 7.0);
    beak.lineTo(11.6, 7.7);
    beak.closeSubpath();
    p.fillPath(bird, Qt::white);
    p.fillPath(beak, QColor(0xff, 0xc8, 0x3d));
    p.setPen(Stroke(0.9, QColor(0x6b, 0x45, 0x20)));
    p.drawLine(QPointF(3.5, 12.6), QPointF(13.5, 12.6));
}

void DrawMenuPlayPause(QPainter& p) {
    Triangle(p, QPointF(2, 3.5), QPointF(2, 12.5), QPointF(8, 8));
    p.fillRect(QRectF(9.5, 3.5, 2, 9), kInk);
    p.fillRect(QRectF(13, 3.5, 2, 9), kInk);
}

void DrawMenuExit(QPainter& p) {
    p.setPen(Stroke(1.7, QColor(0xc6, 0x28, 0x28)));
    p.drawArc(QRectF(3, 3.5, 10, 10), 120 * 16, 300 * 16);
    p.drawLine(QPointF(8, 2), QPointF(8, 8));
}

}  // namespace

QIcon PictureClose() {
    return Render(DrawClose);
}
QIcon PictureHideToTray() {
    return Render(DrawHideToTray);
}
QIcon PicturePlaylist() {
    return Render(DrawPlaylist);
}
QIcon PicturePrevious() {
    return Render(DrawPrevious);
}
QIcon PictureNext() {
    return Render(DrawNext);
}
QIcon PictureFoldUp() {
    return Render(DrawFoldUp);
}
QIcon PictureRetry() {
    return Render(DrawRetry);
}
QIcon PictureProgram() {
    return Render(DrawProgram);
}
QImage PictureProgramImage(int pixelSize) {
    return Paint(DrawProgram, pixelSize);
}
QIcon PictureMenuPlayPause() {
    return Render(DrawMenuPlayPause);
}
QIcon PictureMenuExit() {
    return Render(DrawMenuExit);
}

}  // namespace cq::app

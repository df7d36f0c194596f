#include "window_shape.h"

#include <QColor>
#include <QPainter>

#include "gdidraw.h"

namespace window_shape {

namespace {

constexpr int kRadius = kCornerDiameter / 2;

// CreateRoundRectRgn for a box whose corners are quarters of a
// kCornerDiameter ellipse: the two inner bands plus the four corner ellipses.
QRegion RoundRectRegion(const gdi::Box& box)
{
    const int d = kCornerDiameter;
    QRegion region = gdi::RectRegion({box.left, box.top + kRadius, box.right, box.bottom - kRadius});
    region += gdi::RectRegion({box.left + kRadius, box.top, box.right - kRadius, box.bottom});
    region += gdi::EllipticRegion({box.left, box.top, box.left + d, box.top + d});
    region += gdi::EllipticRegion({box.right - d, box.top, box.right, box.top + d});
    region += gdi::EllipticRegion({box.left, box.bottom - d, box.left + d, box.bottom});
    region += gdi::EllipticRegion({box.right - d, box.bottom - d, box.right, box.bottom});
    return region;
}

struct RimArc {
    QColor color;
    gdi::Box box;
    QPoint start;
    QPoint end;
};

}  // namespace

QRegion MainFormRegion(QSize size)
{
    const int w = size.width(), h = size.height();
    return RoundRectRegion({0, 0, w + 1, h + 1}) + gdi::RectRegion({0, 0, w + 1, h - kCornerDiameter});
}

void PaintRim(QPainter& painter, QSize size)
{
    const int w = size.width(), h = size.height();
    const QColor grey(0x80, 0x80, 0x80), silver(0xC0, 0xC0, 0xC0);
    const RimArc arcs[] = {
        {grey, {w - 150, h - 150, w, h}, {w - 75, h}, {w, h - 75}},
        {grey, {0, h - 150, 150, h}, {0, h}, {75, h}},
        {Qt::black, {w - 149, h - 149, w + 1, h + 1}, {w - 74, h + 1}, {w + 1, h - 74}},
        {Qt::black, {-1, h - 149, 149, h + 1}, {-1, h + 1}, {74, h + 1}},
        {Qt::white, {1, h - 150, 151, h}, {1, h - 75}, {1, h}},
        {silver, {0, h - 150, 150, h}, {0, h - 75}, {0, h}},
    };
    constexpr int kPenWidth = 2;
    for (const RimArc& arc : arcs)
        gdi::DrawArc(painter, arc.box, arc.start, arc.end, arc.color, kPenWidth);
}

}  // namespace window_shape

#include "gdidraw.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace gdi {

namespace {

int64_t FloorDiv(int64_t n, int64_t d)  // d > 0
{
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

int64_t CeilDiv(int64_t n, int64_t d)  // d > 0
{
    return -FloorDiv(-n, d);
}

// n / d to the nearest integer; ties go down (towards smaller coordinates)
// or up. d > 0.
int64_t RoundTiesDown(int64_t n, int64_t d) { return CeilDiv(2 * n - d, 2 * d); }
int64_t RoundTiesUp(int64_t n, int64_t d) { return FloorDiv(2 * n + d, 2 * d); }

int Sign(int v) { return (v > 0) - (v < 0); }

// Builds a region row by row; consecutive rows with the same spans become one
// rectangle, which keeps the region small.
class RowRegionBuilder {
public:
    using Spans = std::vector<std::pair<int, int>>;  // [first, end) column ranges

    void AddRow(int y, Spans spans)
    {
        if (!m_spans.empty() && spans == m_spans && y == m_bandTop + m_bandHeight) {
            ++m_bandHeight;
            return;
        }
        Flush();
        m_spans = std::move(spans);
        m_bandTop = y;
        m_bandHeight = 1;
    }

    QRegion Take()
    {
        Flush();
        return m_region;
    }

private:
    void Flush()
    {
        for (const auto& [first, end] : m_spans) {
            if (end > first)
                m_region += QRect(first, m_bandTop, end - first, m_bandHeight);
        }
        m_spans.clear();
    }

    Spans m_spans;
    int m_bandTop = 0;
    int m_bandHeight = 0;
    QRegion m_region;
};

}  // namespace

int Nearest(double x)
{
    // The FPU's default rounding: to nearest, ties to even.
    return int(std::nearbyint(x));
}

// ---- Lines --------------------------------------------------------------------

std::vector<QPoint> LinePixels(QPoint from, QPoint to)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    std::vector<QPoint> pixels;
    pixels.reserve(size_t(steps));
    // One pixel per step along the major axis. Where the line passes exactly
    // between two pixels of the minor axis, a mostly horizontal line takes the
    // upper one and a mostly vertical line the right one, as the grid
    // intersection rule of cosmetic lines does.
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    for (int i = 0; i < steps; ++i) {
        if (xMajor) {
            const int y = from.y() + int(RoundTiesDown(int64_t(i) * dy, steps));
            pixels.emplace_back(from.x() + Sign(dx) * i, y);
        } else {
            const int x = from.x() + int(RoundTiesUp(int64_t(i) * dx, steps));
            pixels.emplace_back(x, from.y() + Sign(dy) * i);
        }
    }
    return pixels;
}

void LinePlotter::LineTo(int x, int y)
{
    const QPoint to(x, y);
    m_lines.push_back(Line{m_position, to, m_pen});
    m_position = to;
}

void DrawLine(QPainter& painter, QPoint from, QPoint to, const QColor& color)
{
    const std::vector<QPoint> pixels = LinePixels(from, to);
    // Horizontal runs become one rectangle each.
    size_t i = 0;
    while (i < pixels.size()) {
        size_t j = i + 1;
        int left = pixels[i].x();
        int right = left;
        while (j < pixels.size() && pixels[j].y() == pixels[i].y() &&
               std::abs(pixels[j].x() - pixels[j - 1].x()) == 1) {
            left = std::min(left, pixels[j].x());
            right = std::max(right, pixels[j].x());
            ++j;
        }
        painter.fillRect(QRect(left, pixels[i].y(), right - left + 1, 1), color);
        i = j;
    }
}

void DrawLines(QPainter& painter, const std::vector<Line>& lines)
{
    for (const Line& line : lines)
        DrawLine(painter, line.from, line.to, line.color);
}

// ---- Filled rectangles --------------------------------------------------------

QRect FillRectPixels(const Box& box)
{
    return QRect(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

QRect NullPenRectanglePixels(const Box& box)
{
    return QRect(box.left, box.top, box.right - box.left - 1, box.bottom - box.top - 1);
}

// ---- Arcs and ellipses ----------------------------------------------------------

QRectF EllipsePath(const Box& box)
{
    return QRectF(box.left + 0.5, box.top + 0.5, box.right - box.left - 1.0,
                  box.bottom - box.top - 1.0);
}

namespace {

// Parametric angle (QPainter's convention, y pointing up) of the point where
// the radial through `through` meets the ellipse.
double RadialAngle(const QRectF& ellipse, QPoint through)
{
    const double rx = ellipse.width() / 2;
    const double ry = ellipse.height() / 2;
    const double px = through.x() + 0.5 - ellipse.center().x();
    const double py = through.y() + 0.5 - ellipse.center().y();
    if (rx <= 0 || ry <= 0)
        return std::atan2(-py, px) * 180 / M_PI;
    return std::atan2(-py / ry, px / rx) * 180 / M_PI;
}

}  // namespace

ArcAngles ArcSweep(const Box& box, QPoint start, QPoint end)
{
    const QRectF ellipse = EllipsePath(box);
    const double a = RadialAngle(ellipse, start);
    const double b = RadialAngle(ellipse, end);
    double span = std::fmod(b - a, 360.0);
    if (span <= 0)
        span += 360;
    return ArcAngles{a, span};
}

QPointF RadialPoint(const Box& box, QPoint through)
{
    const QRectF ellipse = EllipsePath(box);
    const double t = RadialAngle(ellipse, through) * M_PI / 180;
    return QPointF(ellipse.center().x() + ellipse.width() / 2 * std::cos(t),
                   ellipse.center().y() - ellipse.height() / 2 * std::sin(t));
}

void DrawArc(QPainter& painter, const Box& box, QPoint start, QPoint end,
             const QColor& color, int penWidth)
{
    const QRectF ellipse = EllipsePath(box);
    if (ellipse.width() < 0 || ellipse.height() < 0)
        return;
    const ArcAngles arc = ArcSweep(box, start, end);
    QPainterPath path;
    path.arcMoveTo(ellipse, arc.startDegrees);
    path.arcTo(ellipse, arc.startDegrees, arc.spanDegrees);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}

// ---- Regions ------------------------------------------------------------------------

QRegion RectRegion(const Box& box)
{
    const QRect r = FillRectPixels(box);
    return r.isEmpty() ? QRegion() : QRegion(r);
}

QRegion EllipticRegion(const Box& box)
{
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    if (width <= 0 || height <= 0)
        return QRegion();
    const double a = width / 2.0;
    const double b = height / 2.0;
    // Spans of the upper half, each centred on the box; the lower half mirrors them.
    std::vector<std::pair<int, int>> halfRows;  // (first column, end column)
    for (int row = 0; row < (height + 1) / 2; ++row) {
        const double dy = (row + 0.5 - b) / b;
        const double halfWidth = a * std::sqrt(std::max(0.0, 1 - dy * dy));
        // Columns c (relative to box.left) with |c + 0.5 - a| <= halfWidth.
        const int first = std::max(0, int(std::ceil(a - halfWidth - 0.5)));
        const int end = width - first;
        halfRows.emplace_back(first, end);
    }
    RowRegionBuilder builder;
    for (int row = 0; row < height; ++row) {
        const auto& [first, end] = halfRows[size_t(std::min(row, height - 1 - row))];
        RowRegionBuilder::Spans spans;
        if (end > first)
            spans.emplace_back(box.left + first, box.left + end);
        builder.AddRow(box.top + row, std::move(spans));
    }
    return builder.Take();
}

QRegion PolygonRegion(const std::vector<QPoint>& points)
{
    if (points.size() < 3)
        return QRegion();
    int minY = points.front().y();
    int maxY = minY;
    for (const QPoint& p : points) {
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    RowRegionBuilder builder;
    std::vector<int64_t> crossings;
    for (int y = minY; y < maxY; ++y) {
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const QPoint a = points[i];
            const QPoint b = points[(i + 1) % points.size()];
            if (a.y() == b.y() || y < std::min(a.y(), b.y()) || y >= std::max(a.y(), b.y()))
                continue;
            // The first pixel at or right of the edge: ceil of the exact crossing.
            int64_t den = int64_t(b.y()) - a.y();
            int64_t num = int64_t(a.x()) * den + int64_t(y - a.y()) * (b.x() - a.x());
            if (den < 0) {
                den = -den;
                num = -num;
            }
            crossings.push_back(CeilDiv(num, den));
        }
        std::sort(crossings.begin(), crossings.end());
        RowRegionBuilder::Spans spans;
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const int first = int(crossings[i]);
            const int end = int(crossings[i + 1]);
            if (end <= first)
                continue;
            if (!spans.empty() && spans.back().second >= first)
                spans.back().second = std::max(spans.back().second, end);
            else
                spans.emplace_back(first, end);
        }
        builder.AddRow(y, std::move(spans));
    }
    return builder.Take();
}

void SetWindowRegion(QWidget& window, const QRegion& region)
{
    // A mask that lies wholly outside the window shows nothing of it.
    window.setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
}

QPoint PixelAt(QPointF position)
{
    return QPoint(int(std::floor(position.x())), int(std::floor(position.y())));
}

// ---- Fonts ------------------------------------------------------------------------

QFont LogicalFont(int height, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        // A cell height: scale the em so that ascent plus descent match it.
        constexpr int probe = 100;
        font.setPixelSize(probe);
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        font.setPixelSize(std::max(1, Nearest(height * probe / cell)));
    }
    return font;
}

}  // namespace gdi

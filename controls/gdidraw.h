// Drawing rules of the classic Windows GDI, kept exactly on top of QPainter and
// QRegion, so that the controls' pictures and shapes come out pixel for pixel
// as their geometry describes them.
//
// Coordinates are pixel indices: pixel (x, y) is the square whose top-left
// corner is (x, y). Rectangles are given as GDI boxes (left, top, right,
// bottom) with the right and bottom edges excluded where GDI excludes them.
//
// What every control of this folder (prtl*.h) shares:
// - Each is a QWidget; published properties are Name()/SetName() pairs and
//   events are signals named like the events (OnClick, OnChange). Setters
//   that must show their change at once repaint, and only when the value
//   changed. The controls know nothing of the voice.
// - Geometry is pure and tested without a window (saw_tooth::, led_meter::,
//   wave_display::, oval::); painting only draws what it returns, with the
//   helpers below.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRectF>
#include <QRegion>

#include <vector>

class QPainter;
class QWidget;

namespace gdi {

// A GDI rectangle: left, top, right, bottom.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Real to integer the way the controls convert everywhere: to the nearest
// integer, halves to the even neighbour.
int Nearest(double x);

// ---- Lines (one-pixel pen, LineTo semantics) ----------------------------------

// The pixels a one-pixel line from `from` to `to` sets, in drawing order. The
// end point is excluded; a line to the current point sets nothing.
std::vector<QPoint> LinePixels(QPoint from, QPoint to);

struct Line {
    QPoint from;
    QPoint to;
    QColor color;
};

// Records MoveTo/LineTo calls with a current pen colour, as a GDI device
// context would execute them, so that outlines can be computed without a
// canvas and drawn later with DrawLines.
class LinePlotter {
public:
    void SetPen(QColor color) { m_pen = color; }
    void MoveTo(int x, int y) { m_position = QPoint(x, y); }
    void LineTo(int x, int y);
    QPoint Position() const { return m_position; }
    const std::vector<Line>& Lines() const { return m_lines; }

private:
    QColor m_pen = Qt::black;
    QPoint m_position;
    std::vector<Line> m_lines;
};

// Draws lines with a one-pixel pen, each without its end point.
void DrawLines(QPainter& painter, const std::vector<Line>& lines);
void DrawLine(QPainter& painter, QPoint from, QPoint to, const QColor& color);

// ---- Filled rectangles ------------------------------------------------------

// FillRect: columns left .. right - 1, rows top .. bottom - 1.
QRect FillRectPixels(const Box& box);
// Rectangle with a null pen: one pixel less on the right and at the bottom,
// columns left .. right - 2, rows top .. bottom - 2.
QRect NullPenRectanglePixels(const Box& box);

// ---- Arcs and ellipses ------------------------------------------------------

// The curve of the ellipse of a GDI box, in QPainter's continuous coordinates
// (pixel centres at +0.5): it runs through the centres of the pixels left ..
// right - 1 and top .. bottom - 1, as GDI's ellipse excludes the right and
// bottom edges of its box.
QRectF EllipsePath(const Box& box);

// An arc as QPainter::drawArc takes it: degrees, counter-clockwise from the
// three o'clock position, parametric on the ellipse.
struct ArcAngles {
    double startDegrees = 0;
    double spanDegrees = 0;
};

// The arc of the box's ellipse from the radial through `start`
// counter-clockwise to the radial through `end` (GDI Arc, default direction).
// Equal radials give the full ellipse.
ArcAngles ArcSweep(const Box& box, QPoint start, QPoint end);

// Where the radial through `through` meets the box's ellipse (continuous
// coordinates, as EllipsePath).
QPointF RadialPoint(const Box& box, QPoint through);

// Draws that arc with a solid pen of the given width (GDI Arc).
void DrawArc(QPainter& painter, const Box& box, QPoint start, QPoint end,
             const QColor& color, int penWidth);

// ---- Regions ------------------------------------------------------------------

// CreateRectRgn: right and bottom exclusive.
QRegion RectRegion(const Box& box);

// CreateEllipticRgn: the pixels of columns left .. right - 1 and rows top ..
// bottom - 1 whose centres lie inside the ellipse inscribed in the box.
// Symmetric about both axes of the box.
QRegion EllipticRegion(const Box& box);

// CreatePolygonRgn with the alternate (even-odd) fill mode. Pixel (x, y)
// belongs to the region when the point (x, y) lies inside the polygon;
// points on a left or top edge are inside, points on a right or bottom edge
// are not. Two polygons that share an edge therefore never share a pixel and
// leave none uncovered along it.
QRegion PolygonRegion(const std::vector<QPoint>& points);

// Hands a region to a window as its shape (SetWindowRgn). An empty region
// hides the whole window, as it does for a GDI window; QWidget::setMask would
// take it as "no shape".
void SetWindowRegion(QWidget& window, const QRegion& region);

// The pixel a mouse position lies in.
QPoint PixelAt(QPointF position);

// ---- Fonts ------------------------------------------------------------------------

// The sans-serif face that stands in for "MS Sans Serif": Liberation Sans
// (metric-compatible with Arial), falling back to any sans-serif face.
// `height` follows the Windows logical-font rule: negative is the character
// height in pixels, positive the cell height (ascent plus descent).
QFont LogicalFont(int height, bool bold = false);

}  // namespace gdi

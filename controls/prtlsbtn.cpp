#include "prtlsbtn.h"

#include <QMouseEvent>
#include <QPainter>

namespace saw_tooth {

namespace {

const QColor kFace(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kCaption(0, 0, 0);

int VerticalSpan(const Shape& s) { return s.height - 2 * s.toothSize; }
int HorizontalSpan(const Shape& s) { return s.width - 2 * s.toothSize; }

// Start of the d-th interlocking pitch along the top, rounded per tooth so
// that the pitches fill the span exactly.
int InterlockOffset(const Shape& s, int d, int n)
{
    return gdi::Nearest(double(HorizontalSpan(s)) * d / n);
}

void OutlineLeft(gdi::LinePlotter& pen, const Shape& s, QColor highlight, QColor shadow)
{
    const int t = s.toothSize;
    pen.SetPen(highlight);
    pen.MoveTo(t - 1, t - 1);
    const int n = s.leftTeeth;
    if (n > 0) {
        const int p = Pitch(VerticalSpan(s), n);
        const int h = HalfPitch(VerticalSpan(s), n);
        for (int d = 0; d < n; ++d) {
            pen.LineTo(t - 1, d * p + t - 1);
            pen.SetPen(highlight);
            pen.LineTo(0, d * p + t - 1 + h);
            pen.SetPen(shadow);
        }
    }
    pen.LineTo(t - 1, s.height - t - 1);
}

void OutlineRight(gdi::LinePlotter& pen, const Shape& s, QColor highlight, QColor shadow)
{
    const int t = s.toothSize;
    const int w = s.width;
    const int n = s.rightTeeth;
    pen.SetPen(shadow);
    if (n > 0) {
        const int p = Pitch(VerticalSpan(s), n);
        const int h = HalfPitch(VerticalSpan(s), n);
        pen.MoveTo(w - t - 1, t - 1);
        for (int d = 0; d < n; ++d) {
            pen.LineTo(w - t - 1, d * p + t - 1);
            pen.SetPen(highlight);
            pen.LineTo(w - 1, d * p + t - 1 + h);
            pen.SetPen(shadow);
        }
        pen.LineTo(w - t - 1, s.height - t - 1);
        return;
    }
    pen.MoveTo(w - t - 2, t - 1);
    pen.LineTo(w - t - 2, s.height - t - 1);
    pen.SetPen(kGrey);
    pen.MoveTo(w - t - 3, t);
    pen.LineTo(w - t - 3, s.height - t - 2);
}

void OutlineTop(gdi::LinePlotter& pen, const Shape& s, QColor highlight, QColor shadow)
{
    const int t = s.toothSize;
    const int w = s.width;
    pen.SetPen(highlight);
    pen.MoveTo(t - 1, t - 1);
    if (s.topTeeth > 0) {
        const int n = s.topTeeth;
        const int p = Pitch(HorizontalSpan(s), n);
        const int h = HalfPitch(HorizontalSpan(s), n);
        for (int d = 0; d < n; ++d) {
            pen.LineTo(d * p + t - 1, t);
            pen.SetPen(highlight);
            pen.LineTo(d * p + t + h, -1);  // one past the tip, so that the tip is drawn
            pen.MoveTo(d * p + t - 1 + h, 0);
            pen.SetPen(shadow);
        }
        pen.LineTo(w - t - 1, t - 1);
    } else if (s.topTeeth < 0) {
        const int n = -s.topTeeth;
        const int h = HalfPitch(HorizontalSpan(s), n);
        for (int d = 0; d < n; ++d) {
            const int q = InterlockOffset(s, d, n);
            pen.LineTo(t - 1 + q, 0);
            pen.SetPen(shadow);
            pen.LineTo(t - 1 + q + h, t);
            pen.MoveTo(t - 1 + q + h, t);
            pen.SetPen(highlight);
        }
        pen.LineTo(w - t, 0);
        pen.SetPen(kGrey);
        pen.MoveTo(w - t - 2, 1);
        pen.LineTo(w - t - 2, t);
        pen.SetPen(shadow);
        pen.MoveTo(w - t - 1, 0);
        pen.LineTo(w - t - 1, t);
    } else {
        pen.LineTo(w - t - 2, t - 1);
    }
}

void OutlineBottom(gdi::LinePlotter& pen, const Shape& s, QColor highlight, QColor shadow)
{
    const int t = s.toothSize;
    const int w = s.width;
    const int hgt = s.height;
    const int n = s.bottomTeeth;
    if (n > 0) {
        const int p = Pitch(HorizontalSpan(s), n);
        const int h = HalfPitch(HorizontalSpan(s), n);
        pen.SetPen(highlight);
        pen.MoveTo(t - 1, hgt - t - 1);
        for (int d = 0; d < n; ++d) {
            pen.LineTo(d * p + t - 1, hgt - t - 1);
            pen.SetPen(highlight);
            pen.LineTo(d * p + t + h, hgt);  // one past the tip, so that the tip is drawn
            pen.MoveTo(d * p + t - 1 + h, hgt - 1);
            pen.SetPen(shadow);
        }
        pen.LineTo(w - t - 1, hgt - t - 1);
        return;
    }
    pen.SetPen(shadow);
    pen.MoveTo(t - 1, hgt - t - 2);
    pen.LineTo(w - t - 2, hgt - t - 2);
    pen.SetPen(kGrey);
    pen.MoveTo(t, hgt - t - 3);
    pen.LineTo(w - t - 3, hgt - t - 3);
}

}  // namespace

int Pitch(int span, int n)
{
    return gdi::Nearest(double(span) / n);
}

int HalfPitch(int span, int n)
{
    return gdi::Nearest(double(span) / (2.0 * n));
}

gdi::Box Body(const Shape& s)
{
    const int t = s.toothSize;
    return gdi::Box{t - 1, t - 1, s.width - t - 1, s.height - t - 1};
}

namespace {

// Teeth along one side: for each pitch a valley on the body's edge and a tip
// half a pitch further on at the outer edge, then the body corner that ends
// the side. `place(along, tip)` turns a position along the side into a point.
template <class Place>
std::vector<QPoint> SideTeeth(int n, int span, int first, int last, Place place)
{
    std::vector<QPoint> points;
    if (n <= 0)
        return points;
    const int p = Pitch(span, n);
    const int h = HalfPitch(span, n);
    for (int d = 0; d < n; ++d) {
        points.push_back(place(d * p + first, false));
        points.push_back(place(d * p + first + h, true));
    }
    points.push_back(place(last, false));
    return points;
}

}  // namespace

std::vector<QPoint> LeftPolygon(const Shape& s)
{
    const int t = s.toothSize;
    return SideTeeth(s.leftTeeth, VerticalSpan(s), t - 1, s.height - t - 1,
                     [&](int y, bool tip) { return QPoint(tip ? 0 : t - 1, y); });
}

std::vector<QPoint> RightPolygon(const Shape& s)
{
    const int t = s.toothSize;
    return SideTeeth(s.rightTeeth, VerticalSpan(s), t - 1, s.height - t - 1,
                     [&](int y, bool tip) { return QPoint(tip ? s.width - 1 : s.width - t - 1, y); });
}

std::vector<QPoint> TopPolygon(const Shape& s)
{
    const int t = s.toothSize;
    if (s.topTeeth >= 0) {
        return SideTeeth(s.topTeeth, HorizontalSpan(s), t - 1, s.width - t - 1,
                         [&](int x, bool tip) { return QPoint(x, tip ? 0 : t); });
    }
    // Tips at both ends and at every pitch boundary, valleys between: the
    // mirror image of bottom teeth, so this row meshes under them.
    const int n = -s.topTeeth;
    const int h = HalfPitch(HorizontalSpan(s), n);
    std::vector<QPoint> points{QPoint(t - 1, t)};
    for (int d = 0; d < n; ++d) {
        const int q = InterlockOffset(s, d, n);
        points.emplace_back(t - 1 + q, 0);
        points.emplace_back(t - 1 + q + h, t);
    }
    points.emplace_back(s.width - t - 1, 0);
    points.emplace_back(s.width - t - 1, t);
    return points;
}

std::vector<QPoint> BottomPolygon(const Shape& s)
{
    const int t = s.toothSize;
    return SideTeeth(s.bottomTeeth, HorizontalSpan(s), t - 1, s.width - t - 1,
                     [&](int x, bool tip) { return QPoint(x, tip ? s.height - 1 : s.height - t - 1); });
}

QRegion Region(const Shape& s)
{
    QRegion region = gdi::RectRegion(Body(s));
    for (const auto& polygon : {LeftPolygon(s), RightPolygon(s), TopPolygon(s), BottomPolygon(s)})
        region += gdi::PolygonRegion(polygon);
    return region;
}

std::vector<gdi::Line> Outline(const Shape& s, bool raised)
{
    const QColor highlight = raised ? kWhite : kBlack;
    const QColor shadow = raised ? kBlack : kWhite;
    gdi::LinePlotter pen;
    OutlineLeft(pen, s, highlight, shadow);
    OutlineRight(pen, s, highlight, shadow);
    OutlineTop(pen, s, highlight, shadow);
    OutlineBottom(pen, s, highlight, shadow);
    return pen.Lines();
}

QPoint ContentOrigin(const Shape& s, QSize content, bool raised)
{
    const int t = s.toothSize;
    const int press = raised ? 0 : 1;
    return QPoint(t + gdi::Nearest((s.width - 2 * t - content.width()) / 2.0) + press,
                  t + gdi::Nearest((s.height - 2 * t - content.height()) / 2.0) + press);
}

}  // namespace saw_tooth

TPRTL_SawToothButton::TPRTL_SawToothButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(32, 32);
    BuildRegion();
}

void TPRTL_SawToothButton::BuildRegion()
{
    saw_tooth::Shape shape = m_shape;
    shape.width = width();
    shape.height = height();
    gdi::SetWindowRegion(*this, saw_tooth::Region(shape));
}

void TPRTL_SawToothButton::SetTeeth(int& field, int count)
{
    if (count == field || count > saw_tooth::kMaxTeeth || count < -saw_tooth::kMaxTopInterlock)
        return;
    field = count;
    BuildRegion();
    repaint();
}

void TPRTL_SawToothButton::SetLeftTeeth(int count) { SetTeeth(m_shape.leftTeeth, count); }
void TPRTL_SawToothButton::SetTopTeeth(int count) { SetTeeth(m_shape.topTeeth, count); }
void TPRTL_SawToothButton::SetRightTeeth(int count) { SetTeeth(m_shape.rightTeeth, count); }
void TPRTL_SawToothButton::SetBottomTeeth(int count) { SetTeeth(m_shape.bottomTeeth, count); }

void TPRTL_SawToothButton::SetToothSize(int size)
{
    if (size == m_shape.toothSize)
        return;
    m_shape.toothSize = size;
    BuildRegion();
    repaint();
}

void TPRTL_SawToothButton::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    repaint();
}

void TPRTL_SawToothButton::SetDown(bool down)
{
    m_down = down;
    if (m_down == m_raised) {
        m_raised = !m_down;
        repaint();
    }
}

void TPRTL_SawToothButton::SetUpImage(const QPixmap& image)
{
    m_upImage = image;
    repaint();
}

void TPRTL_SawToothButton::SetDownImage(const QPixmap& image)
{
    m_downImage = image;
    repaint();
}

void TPRTL_SawToothButton::resizeEvent(QResizeEvent*)
{
    BuildRegion();
}

void TPRTL_SawToothButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_leftPressed = true;
    if (m_raised) {
        m_raised = false;
        repaint();
    }
}

void TPRTL_SawToothButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_leftPressed)
        return;
    m_leftPressed = false;
    // Toggle and click use the same test, so that Down never changes without
    // OnClick telling the owner.
    const bool inside = rect().contains(gdi::PixelAt(event->position()));
    if (inside) {
        m_down = !m_down;
        if (m_down == m_raised) {
            m_raised = !m_down;
            repaint();
        }
    } else if (!m_down) {
        m_raised = true;  // released outside: an up button pops up again
        repaint();
    }
    if (inside)
        emit OnClick();
}

void TPRTL_SawToothButton::paintEvent(QPaintEvent*)
{
    saw_tooth::Shape shape = m_shape;
    shape.width = width();
    shape.height = height();

    QPainter painter(this);
    painter.fillRect(rect(), saw_tooth::kFace);
    gdi::DrawLines(painter, saw_tooth::Outline(shape, m_raised));

    if (!m_caption.isEmpty()) {
        const QFontMetrics metrics(font());
        const QSize text(metrics.horizontalAdvance(m_caption), metrics.height());
        painter.setPen(saw_tooth::kCaption);
        painter.drawText(QRect(saw_tooth::ContentOrigin(shape, text, m_raised), text),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_caption);
    }
    const QPixmap& image = m_raised ? m_upImage : m_downImage;
    if (!image.isNull()) {
        const QSize imageSize = image.deviceIndependentSize().toSize();
        painter.drawPixmap(saw_tooth::ContentOrigin(shape, imageSize, m_raised) - QPoint(1, 1), image);
    }
}

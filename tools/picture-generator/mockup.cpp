#include "mockup.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {

const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kBackdrop(129, 129, 129);
const QColor kWindow(0xef, 0xef, 0xef);
const QColor kLime(0, 255, 0);

int Nearest(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// The button's window shape: the inset body plus a polygon of teeth per side.
QPainterPath SawToothShape(const ButtonPlacement &b)
{
    const int t = b.toothSize;
    const int w = b.bounds.width();
    const int h = b.bounds.height();
    QPainterPath shape;
    shape.addRect(t - 1, t - 1, w - 2 * t, h - 2 * t);
    const auto add = [&shape](QPolygonF polygon) {
        QPainterPath side;
        side.addPolygon(polygon);
        side.closeSubpath();
        shape = shape.united(side);
    };
    const auto pitch = [](int length, int n) { return Nearest(static_cast<double>(length) / n); };
    const auto half = [](int length, int n) { return Nearest(static_cast<double>(length) / (2 * n)); };
    if (int n = b.leftTeeth; n > 0) {
        const int p = pitch(h - 2 * t, n), hp = half(h - 2 * t, n);
        QPolygonF side;
        for (int d = 0; d < n; ++d)
            side << QPointF(t - 1, d * p + t - 1) << QPointF(0, d * p + t - 1 + hp);
        add(side << QPointF(t - 1, h - t - 1));
    }
    if (int n = b.rightTeeth; n > 0) {
        const int p = pitch(h - 2 * t, n), hp = half(h - 2 * t, n);
        QPolygonF side;
        for (int d = 0; d < n; ++d)
            side << QPointF(w - t - 1, d * p + t - 1) << QPointF(w - 1, d * p + t - 1 + hp);
        add(side << QPointF(w - t - 1, h - t - 1));
    }
    if (int n = -b.topTeeth; n > 0) {
        const int hp = half(w - 2 * t, n);
        QPolygonF side{QPointF(t - 1, t)};
        for (int d = 0; d < n; ++d) {
            const int q = Nearest(static_cast<double>(w - 2 * t) * d / n);
            side << QPointF(t - 1 + q, 0) << QPointF(t - 1 + q + hp, t);
        }
        add(side << QPointF(w - t - 1, 0) << QPointF(w - t - 1, t));
    }
    if (int n = b.bottomTeeth; n > 0) {
        const int p = pitch(w - 2 * t, n), hp = half(w - 2 * t, n);
        QPolygonF side;
        for (int d = 0; d < n; ++d)
            side << QPointF(d * p + t - 1, h - t - 1) << QPointF(d * p + t - 1 + hp, h - 1);
        add(side << QPointF(w - t - 1, h - t - 1));
    }
    return shape.simplified();
}

// Edges facing up or left get the highlight, the others the shadow.
void DrawOutline(QPainter &p, const QPainterPath &shape, bool raised)
{
    const QColor highlight = raised ? Qt::white : Qt::black;
    const QColor shadow = raised ? Qt::black : Qt::white;
    for (const QPolygonF &polygon : shape.toSubpathPolygons()) {
        qreal area = 0;
        for (int i = 0; i + 1 < polygon.size(); ++i)
            area += polygon[i].x() * polygon[i + 1].y() - polygon[i + 1].x() * polygon[i].y();
        const qreal orientation = area > 0 ? 1 : -1;
        for (int i = 0; i + 1 < polygon.size(); ++i) {
            const QPointF a = polygon[i], b = polygon[i + 1];
            const QPointF outward = QPointF(b.y() - a.y(), a.x() - b.x()) * orientation;
            p.setPen(outward.x() + outward.y() < 0 ? highlight : shadow);
            p.drawLine(a, b);
        }
    }
}

void DrawSawToothButton(QPainter &p, const ButtonPicture &picture, bool down)
{
    const ButtonPlacement &b = picture.button;
    const int t = b.toothSize;
    const QPainterPath shape = SawToothShape(b);
    p.save();
    p.translate(b.bounds.topLeft());
    p.setClipPath(shape);
    p.fillRect(QRect(QPoint(0, 0), b.bounds.size()), kSilver);
    DrawOutline(p, shape.translated(0, 0), !down);
    const int shift = down ? 1 : 0;
    const int dx = Nearest((b.bounds.width() - 2 * t - picture.size.width()) / 2.0) + shift;
    const int dy = Nearest((b.bounds.height() - 2 * t - picture.size.height()) / 2.0) + shift;
    p.drawImage(t + dx - 1, t + dy - 1, picture.paint(down));
    p.restore();
}

void DrawOvalBevel(QPainter &p, const QRect &box, bool raised)
{
    const QColor colours[4] = {raised ? kGrey : kSilver, raised ? Qt::black : Qt::white,
                               raised ? kSilver : kGrey, raised ? Qt::white : Qt::black};
    const QRect inner = box.adjusted(1, 1, -2, -2);
    const QRect outer = box.adjusted(0, 0, -1, -1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colours[0], 2));
    p.drawArc(inner, 225 * 16, 180 * 16);
    p.setPen(QPen(colours[1], 2));
    p.drawArc(outer, 225 * 16, 180 * 16);
    p.setPen(QPen(colours[2], 2));
    p.drawArc(inner, 45 * 16, 180 * 16);
    p.setPen(QPen(colours[3], 2));
    p.drawArc(outer, 45 * 16, 180 * 16);
}

void DrawRoundButton(QPainter &p, const ButtonPicture &picture, bool down)
{
    const QRect box(QPoint(0, 0), picture.button.bounds.size());
    p.save();
    p.translate(picture.button.bounds.topLeft());
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath oval;
    oval.addEllipse(box.adjusted(0, 0, -1, -1));
    p.setClipPath(oval);
    p.fillRect(box, kSilver);
    const int shift = down ? 1 : 0;
    p.drawImage(Nearest((box.width() - picture.size.width()) / 2.0) + shift,
                Nearest((box.height() - picture.size.height()) / 2.0) + shift, picture.paint(down));
    DrawOvalBevel(p, box, !down);
    p.restore();
}

void DrawLabel(QPainter &p, QPoint at, const QString &text, const QColor &colour, int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRect(at, QSize(200, pixelSize + 6)), Qt::AlignLeft | Qt::AlignTop, text);
}

void DrawSliderHousing(QPainter &p, const QRect &box, const QColor &loud, const QColor &soft, const QString &name)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kWindow);
    p.drawEllipse(box.adjusted(0, 0, -1, -1));
    p.translate(box.topLeft());
    DrawOvalBevel(p, QRect(QPoint(0, 0), box.size()), true);
    DrawLabel(p, {14, 22}, QStringLiteral("LOUD"), loud, 26, true);
    DrawLabel(p, {26, 168}, QStringLiteral("soft"), soft, 14, false);
    DrawLabel(p, {10, 58}, name, loud, 13, true);
    p.fillRect(QRect(60, 60, 5, 100), QColor(90, 90, 90));
    p.fillRect(QRect(52, 95, 21, 10), kSilver);
    p.setPen(Qt::black);
    p.drawRect(QRect(52, 95, 21, 10));
    p.restore();
}

void DrawStandIns(QPainter &p)
{
    p.fillRect(QRect(0, 0, 608, 20), kLime);
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(17);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 608, 20), Qt::AlignCenter, QStringLiteral("Tavrin Audio Parrotel"));

    p.fillRect(QRect(16, 247, 579, 85), kBackdrop);

    p.fillRect(QRect(9, 143, 95, 20), Qt::black);
    DrawLabel(p, {12, 146}, QStringLiteral(" POS: 00:03:41 "), kLime, 11, true);
    p.fillRect(QRect(19, 100, 71, 34), Qt::black);
    for (int i = 0; i < 8; ++i)
        p.fillRect(QRect(23 + i * 8, 106, 6, 22), i < 5 ? QColor(255, 0, 0) : QColor(128, 0, 0));
    p.fillRect(QRect(50, 207, 79, 20), Qt::black);
    DrawLabel(p, {76, 209}, QStringLiteral("Mic"), QColor(255, 0, 0), 13, true);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(QPen(kGrey, 2));
    p.drawEllipse(QRect(215, 55, 205, 164));
    QPainterPath wave;
    for (int x = 0; x <= 180; ++x) {
        const double envelope = std::sin(x / 180.0 * 3.14159);
        const double y = 137 + 48 * envelope * std::sin(x * 0.55) * (0.5 + 0.5 * std::sin(x * 0.07));
        if (x == 0)
            wave.moveTo(228 + x, y);
        else
            wave.lineTo(228 + x, y);
    }
    p.setPen(QPen(kLime, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.restore();

    DrawSliderHousing(p, QRect(121, 34, 91, 207), QColor(255, 0, 0), QColor(128, 0, 0), QStringLiteral("Record"));
    DrawSliderHousing(p, QRect(425, 34, 91, 207), kLime, QColor(0, 128, 0), QStringLiteral("Play"));

    DrawLabel(p, {520, 63}, QStringLiteral("Helium Breath"), Qt::black, 13, false);
    DrawLabel(p, {520, 216}, QStringLiteral("Sulphur Breath"), Qt::black, 13, false);
    p.fillRect(QRect(556, 92, 4, 114), QColor(110, 110, 110));
    for (int i = 0; i <= 12; ++i)
        p.fillRect(QRect(568, 92 + i * 9, 5, 1), Qt::black);
    p.fillRect(QRect(548, 144, 20, 10), kSilver);
    p.setPen(Qt::black);
    p.drawRect(QRect(548, 144, 20, 10));
}

} // namespace

QImage PaintMockup(const std::vector<ButtonPicture> &pictures, const QSet<QString> &down)
{
    QImage window(608, 393, QImage::Format_RGB32);
    window.fill(QColor(0x3a, 0x44, 0x4e));
    QPainter p(&window);
    {
        // Square top corners, bottom corners rounded with a radius of 75.
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0, 0, 608, 393), 75, 75);
        shape.addRect(QRectF(0, 0, 608, 393 - 150));
        shape.setFillRule(Qt::WindingFill);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape.simplified(), kWindow);
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    DrawStandIns(p);
    for (const ButtonPicture &picture : pictures) {
        const bool pressed = down.contains(picture.stem);
        if (picture.button.toothSize > 0)
            DrawSawToothButton(p, picture, pressed);
        else
            DrawRoundButton(p, picture, pressed);
    }
    return window;
}

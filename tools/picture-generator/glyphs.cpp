#include "glyphs.h"

#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

constexpr qreal kPi = std::numbers::pi;

// y = f(x) sampled finely from x0 to x1.
QPainterPath Curve(const std::function<qreal(qreal)> &f, qreal x0, qreal x1)
{
    QPainterPath path;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const qreal x = x0 + (x1 - x0) * i / steps;
        if (i == 0)
            path.moveTo(x, f(x));
        else
            path.lineTo(x, f(x));
    }
    return path;
}

void Stroke(QPainter &p, const QPainterPath &path, qreal width, int alpha = 255)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, alpha), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

void Fill(QPainter &p, const QPainterPath &path, int alpha = 255)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, alpha));
    p.drawPath(path);
    p.restore();
}

// Cuts `path` out of what was drawn so far (eyes, mouths).
void Cut(QPainter &p, const QPainterPath &path)
{
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(path);
    p.restore();
}

// Vertical bars under an envelope: the classic look of a recorded waveform.
void Waveform(QPainter &p, const std::function<qreal(qreal)> &envelope)
{
    for (qreal x = 3; x <= 29.5; x += 2.9) {
        const qreal wobble = 0.72 + 0.28 * std::sin(x * 2.3);
        const qreal half = std::max(0.6, 10.5 * envelope(x) * wobble);
        QPainterPath bar;
        bar.moveTo(x, 12 - half);
        bar.lineTo(x, 12 + half);
        Stroke(p, bar, 1.7);
    }
}

} // namespace

namespace glyph {

void Echo(QPainter &p)
{
    // The same call three times, each repeat later and fainter.
    const qreal starts[] = {1.5, 12, 22.5};
    const qreal sizes[] = {1.0, 0.66, 0.4};
    const int alphas[] = {255, 205, 150};
    for (int i = 0; i < 3; ++i) {
        const qreal x0 = starts[i];
        const qreal a = 9.5 * sizes[i];
        auto call = [&](qreal x) {
            const qreal u = (x - x0) / 8; // 0..1 across one call
            return 12 - a * std::sin(u * 2 * kPi) * std::sin(u * kPi);
        };
        Stroke(p, Curve(call, x0, x0 + 8), 2.2, alphas[i]);
    }
}

void Chorus(QPainter &p)
{
    const qreal phases[] = {0.0, 0.9, 1.8};
    const qreal offsets[] = {-4.5, 0, 4.5};
    const int alphas[] = {150, 255, 200};
    for (int i = 0; i < 3; ++i) {
        auto voice = [&](qreal x) { return 12 + offsets[i] + 3.6 * std::sin(x / 32 * 2 * kPi * 1.5 + phases[i]); };
        Stroke(p, Curve(voice, 2, 30), 1.9, alphas[i]);
    }
}

void Flange(QPainter &p)
{
    QPainterPath swirl;
    const qreal turns = 2.1;
    const int steps = 160;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = static_cast<qreal>(i) / steps;
        const qreal angle = t * turns * 2 * kPi;
        const qreal r = 1.0 + 9.6 * t;
        const QPointF point(14 + r * std::cos(angle), 12 - r * std::sin(angle));
        if (i == 0)
            swirl.moveTo(point);
        else
            swirl.lineTo(point);
    }
    Stroke(p, swirl, 2.0);
    QPainterPath streaks;
    streaks.moveTo(25.5, 6.5);
    streaks.lineTo(31, 6.5);
    streaks.moveTo(27.5, 12);
    streaks.lineTo(31, 12);
    Stroke(p, streaks, 1.6, 180);
}

void FadeIn(QPainter &p)
{
    Waveform(p, [](qreal x) { return std::pow((x - 1) / 29, 1.4); });
}

void FadeOut(QPainter &p)
{
    Waveform(p, [](qreal x) { return std::pow((31 - x) / 29, 1.4); });
}

void BassOnly(QPainter &p)
{
    Stroke(p, Curve([](qreal x) { return 12 - 7.5 * std::sin((x - 2) / 28 * 2 * kPi); }, 2, 30), 3.4);
}

void TrebleOnly(QPainter &p)
{
    auto fast = [](qreal x) { return 12 - 7 * std::sin((x - 2) / 28 * 2 * kPi * 5.5); };
    QPainterPath zigzag;
    const int steps = 240;
    for (int i = 0; i <= steps; ++i) {
        const qreal x = 2 + 28.0 * i / steps;
        if (i == 0)
            zigzag.moveTo(x, fast(x));
        else
            zigzag.lineTo(x, fast(x));
    }
    Stroke(p, zigzag, 1.5);
}

void Robot(QPainter &p)
{
    QPainterPath head;
    head.addRoundedRect(QRectF(8, 6.5, 16, 15.5), 2.5, 2.5);
    head.addRect(QRectF(5, 11, 3.5, 6));
    head.addRect(QRectF(23.5, 11, 3.5, 6));
    Fill(p, head);
    QPainterPath antenna;
    antenna.moveTo(16, 7);
    antenna.lineTo(16, 3.2);
    Stroke(p, antenna, 1.6);
    QPainterPath bulb;
    bulb.addEllipse(QPointF(16, 2.4), 1.9, 1.9);
    Fill(p, bulb);
    QPainterPath face;
    face.addRect(QRectF(10.6, 10, 3.8, 3.8));
    face.addRect(QRectF(17.6, 10, 3.8, 3.8));
    for (qreal x = 11; x < 21; x += 2.6)
        face.addRect(QRectF(x, 16.8, 1.5, 2.8));
    Cut(p, face);
}

void Backward(QPainter &p)
{
    QPainterPath heads;
    heads.addPolygon(QPolygonF({{2.5, 12}, {15, 3.5}, {15, 20.5}}));
    heads.closeSubpath();
    heads.addPolygon(QPolygonF({{15, 12}, {27.5, 3.5}, {27.5, 20.5}}));
    heads.closeSubpath();
    Fill(p, heads);
    QPainterPath bar;
    bar.addRect(QRectF(27.5, 3.5, 2.5, 17));
    Fill(p, bar);
}

void SlowMonster(QPainter &p)
{
    QPainterPath head;
    head.moveTo(6, 22.5);
    head.cubicTo(4.5, 13, 7, 7.5, 16, 7.5);
    head.cubicTo(25, 7.5, 27.5, 13, 26, 22.5);
    head.closeSubpath();
    QPainterPath horns;
    horns.moveTo(8, 10.5);
    horns.cubicTo(4.5, 8, 4, 4, 5.5, 0.8);
    horns.cubicTo(7.5, 4, 9.5, 6, 12, 7.8);
    horns.closeSubpath();
    horns.moveTo(24, 10.5);
    horns.cubicTo(27.5, 8, 28, 4, 26.5, 0.8);
    horns.cubicTo(24.5, 4, 22.5, 6, 20, 7.8);
    horns.closeSubpath();
    Fill(p, head.united(horns));
    QPainterPath face;
    face.addPolygon(QPolygonF({{9.5, 11.5}, {14.5, 13.2}, {13.5, 15.2}, {10, 14}}));
    face.closeSubpath();
    face.addPolygon(QPolygonF({{22.5, 11.5}, {17.5, 13.2}, {18.5, 15.2}, {22, 14}}));
    face.closeSubpath();
    QPainterPath mouth;
    mouth.moveTo(9.5, 17.5);
    mouth.lineTo(22.5, 17.5);
    mouth.lineTo(21, 21);
    mouth.lineTo(11, 21);
    mouth.closeSubpath();
    face.addPath(mouth);
    Cut(p, face);
    QPainterPath fangs;
    fangs.addPolygon(QPolygonF({{11.5, 17.4}, {14, 17.4}, {12.75, 20.2}}));
    fangs.closeSubpath();
    fangs.addPolygon(QPolygonF({{18, 17.4}, {20.5, 17.4}, {19.25, 20.2}}));
    fangs.closeSubpath();
    Fill(p, fangs);
}

void FastSqueaker(QPainter &p)
{
    QPainterPath mouse;
    mouse.addEllipse(QPointF(15.5, 6.5), 4.6, 4.6);
    mouse.addEllipse(QPointF(25, 6.5), 4.6, 4.6);
    QPainterPath face;
    face.addEllipse(QPointF(20.25, 14.2), 7.6, 7.2);
    Fill(p, face.united(mouse));
    QPainterPath innerEars;
    innerEars.addEllipse(QPointF(15.5, 6.5), 2.4, 2.4);
    innerEars.addEllipse(QPointF(25, 6.5), 2.4, 2.4);
    innerEars = innerEars.subtracted(face);
    Cut(p, innerEars);
    Fill(p, innerEars, 110);
    QPainterPath features;
    features.addEllipse(QPointF(17.5, 13.2), 1.3, 1.5);
    features.addEllipse(QPointF(23, 13.2), 1.3, 1.5);
    features.addEllipse(QPointF(20.25, 17.6), 1.5, 1.1);
    Cut(p, features);
    QPainterPath speed;
    speed.moveTo(1.5, 10);
    speed.lineTo(9, 10);
    speed.moveTo(3.5, 14.5);
    speed.lineTo(10, 14.5);
    speed.moveTo(1.5, 19);
    speed.lineTo(9, 19);
    Stroke(p, speed, 1.7, 200);
}

void Play(QPainter &p)
{
    QPainterPath triangle;
    triangle.addPolygon(QPolygonF({{9, 3}, {26, 12}, {9, 21}}));
    triangle.closeSubpath();
    Fill(p, triangle);
}

void Record(QPainter &p)
{
    QPainterPath dot;
    dot.addEllipse(QPointF(16, 12), 8.5, 8.5);
    Fill(p, dot);
}

void ArrowUp(QPainter &p)
{
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF({{16, 1}, {30, 16}, {21, 16}, {21, 23}, {11, 23}, {11, 16}, {2, 16}}));
    arrow.closeSubpath();
    Fill(p, arrow);
}

void ArrowDown(QPainter &p)
{
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF({{16, 23}, {30, 8}, {21, 8}, {21, 1}, {11, 1}, {11, 8}, {2, 8}}));
    arrow.closeSubpath();
    Fill(p, arrow);
}

} // namespace glyph

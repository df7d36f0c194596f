#include "faces.h"

#include "glyphs.h"
#include "ink.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace {

QColor Hsv(int hue, int saturation, int value, int alpha = 255)
{
    return QColor::fromHsv(hue, saturation, value, alpha);
}

// Where the glyph box lands inside `area`: as large as fits and centred, or
// (on the narrow upright plates, whose arrows may be squeezed) filling it.
QTransform GlyphTransform(const QRectF &area, bool keepAspect)
{
    if (!keepAspect)
        return QTransform::fromTranslate(area.left(), area.top())
            .scale(area.width() / kGlyphBox.width(), area.height() / kGlyphBox.height());
    const qreal scale = std::min(area.width() / kGlyphBox.width(), area.height() / kGlyphBox.height());
    const QPointF origin = area.center() - QPointF(kGlyphBox.width(), kGlyphBox.height()) * scale / 2;
    return QTransform::fromTranslate(origin.x(), origin.y()).scale(scale, scale);
}

void DrawPlateBody(QPainter &p, const QRectF &plate, int hue, bool lit)
{
    const qreal radius = std::min<qreal>(5, std::min(plate.width(), plate.height()) / 4);
    QLinearGradient body(plate.topLeft(), plate.bottomLeft());
    if (lit) {
        body.setColorAt(0, Hsv(hue, 190, 150));
        body.setColorAt(1, Hsv(hue, 230, 70));
    } else {
        body.setColorAt(0, QColor(0x44, 0x49, 0x51));
        body.setColorAt(1, QColor(0x1f, 0x22, 0x27));
    }
    p.setPen(QPen(lit ? Hsv(hue, 110, 255) : QColor(0x10, 0x12, 0x15), 1));
    p.setBrush(body);
    p.drawRoundedRect(plate, radius, radius);

    // A faint sheen on the upper half, as on a glass window.
    QRectF sheen = plate.adjusted(1, 1, -1, -plate.height() / 2);
    QLinearGradient shine(sheen.topLeft(), sheen.bottomLeft());
    shine.setColorAt(0, QColor(255, 255, 255, lit ? 70 : 38));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(sheen, radius - 1, radius - 1);
}

struct PlateLayout {
    QRectF glyph;
    QRectF word;
    int wordAngle = 0; // the word is turned by this many degrees (-90: read upwards)
};

PlateLayout Arrange(const QRectF &inner, const PlateFace &face)
{
    PlateLayout layout;
    if (!face.glyph) {
        layout.word = inner;
        return layout;
    }
    switch (face.arrangement) {
    case PlateArrangement::GlyphBesideWord: {
        const qreal glyphWidth = std::min(inner.height() * 4 / 3, inner.width() * 0.34);
        layout.glyph = QRectF(inner.left(), inner.top(), glyphWidth, inner.height());
        layout.word = QRectF(layout.glyph.right() + 1, inner.top(), inner.right() - layout.glyph.right() - 1,
                             inner.height());
        break;
    }
    case PlateArrangement::ArrowOverWord:
    case PlateArrangement::WordOverArrow: {
        const qreal arrowHeight = inner.width() * 1.1;
        const bool arrowFirst = face.arrangement == PlateArrangement::ArrowOverWord;
        const qreal arrowTop = arrowFirst ? inner.top() : inner.bottom() - arrowHeight;
        layout.glyph = QRectF(inner.left(), arrowTop, inner.width(), arrowHeight);
        const qreal wordTop = arrowFirst ? layout.glyph.bottom() + 2 : inner.top();
        layout.word = QRectF(inner.left(), wordTop, inner.width(), inner.height() - arrowHeight - 2);
        layout.wordAngle = -90;
        break;
    }
    }
    return layout;
}

QImage WordInk(QSize size, const QString &word, const PlateLayout &layout, bool alone)
{
    const bool upright = layout.wordAngle != 0;
    const QSizeF box = upright ? layout.word.size().transposed() : layout.word.size();
    // Cap height is about 0.73 of the pixel size: upright words and words
    // alone may fill the plate's width, words beside a glyph keep some air.
    const qreal largest = std::min<qreal>(14, box.height() * (upright || alone ? 1.05 : 0.62));
    const QFont font = FittedWordFont(word, box.width() - 2, largest);
    return PaintInk(size, [&](QPainter &p) {
        p.translate(layout.word.center());
        p.rotate(layout.wordAngle);
        DrawWord(p, word, font, QRectF(QPointF(-box.width() / 2, -box.height() / 2), box));
    });
}

} // namespace

QImage PaintPlate(QSize size, const PlateFace &face, bool lit)
{
    const QRectF plate = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool upright = face.arrangement != PlateArrangement::GlyphBesideWord;
    const QRectF inner = plate.adjusted(upright ? 1.5 : 3, 2.5, upright ? -1.5 : -3, -2.5);
    const PlateLayout layout = Arrange(inner, face);

    const QImage glyphInk = PaintInk(size, [&](QPainter &p) {
        if (face.glyph) {
            p.setTransform(GlyphTransform(layout.glyph, !upright));
            face.glyph(p);
        }
    });
    const QImage wordInk = WordInk(size, face.word, layout, !face.glyph);

    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    DrawPlateBody(p, plate, face.hue, lit);
    if (lit) {
        DrawGlow(p, glyphInk, Hsv(face.hue, 120, 255), 2, 2.4);
        DrawGlow(p, wordInk, Hsv(face.hue, 150, 255), 2, 1.6);
    }
    p.drawImage(0, 0, Coloured(glyphInk, lit ? Hsv(face.hue, 45, 255) : Hsv(face.hue, 150, 215)));
    p.drawImage(0, 0, Coloured(wordInk, lit ? QColor(Qt::white) : QColor(0xd6, 0xda, 0xe0)));
    return picture;
}

QImage PaintVoiceDisc(int size, int number, int hue, bool lit)
{
    QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    const QPointF centre(size / 2.0, size / 2.0);
    const qreal radius = size / 2.0 - 1;
    QRadialGradient disc(centre - QPointF(radius, radius) * 0.35, radius * 1.5);
    disc.setColorAt(0, lit ? Hsv(hue, 110, 255) : Hsv(hue, 90, 200));
    disc.setColorAt(1, lit ? Hsv(hue, 230, 170) : Hsv(hue, 170, 105));
    p.setPen(QPen(lit ? Hsv(hue, 120, 255) : Hsv(hue, 200, 60), 1));
    p.setBrush(disc);
    p.drawEllipse(centre, radius - 0.5, radius - 0.5);

    const qreal unit = size / 48.0;
    const QRectF bubble(centre.x() - 14 * unit, centre.y() - 16 * unit, 28 * unit, 20 * unit);
    QPainterPath speech;
    speech.addRoundedRect(bubble, 7 * unit, 7 * unit);
    QPainterPath tail;
    tail.moveTo(bubble.left() + 6 * unit, bubble.bottom() - 3 * unit);
    tail.lineTo(bubble.left() + 3 * unit, bubble.bottom() + 4 * unit);
    tail.lineTo(bubble.left() + 13 * unit, bubble.bottom() - 1 * unit);
    tail.closeSubpath();
    speech = speech.united(tail);

    const QImage bubbleInk = PaintInk(picture.size(), [&](QPainter &ink) { ink.drawPath(speech); });
    const QString label = QString::number(number);
    const QImage numberInk = PaintInk(picture.size(), [&](QPainter &ink) {
        DrawWord(ink, label, WordFont(16 * unit), bubble.translated(0, 0.5 * unit));
    });
    const QImage wordInk = PaintInk(picture.size(), [&](QPainter &ink) {
        DrawWord(ink, QStringLiteral("VOICE"), WordFont(8 * unit),
                 QRectF(bubble.left(), bubble.bottom() + 4 * unit, bubble.width(), 9 * unit));
    });

    if (lit)
        DrawGlow(p, bubbleInk, QColor(255, 255, 255, 200), 2, 1.5);
    p.drawImage(0, 0, Coloured(bubbleInk, lit ? QColor(Qt::white) : QColor(0xe4, 0xe8, 0xee)));
    p.drawImage(0, 0, Coloured(numberInk, Hsv(hue, 230, lit ? 150 : 95)));
    p.drawImage(0, 0, Coloured(wordInk, lit ? QColor(Qt::white) : QColor(0xe4, 0xe8, 0xee)));
    return picture;
}

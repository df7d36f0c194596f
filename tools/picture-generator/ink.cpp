#include "ink.h"

#include <QFontMetricsF>

#include <algorithm>
#include <vector>

QImage PaintInk(QSize size, const InkDrawing &draw)
{
    QImage ink(size, QImage::Format_ARGB32_Premultiplied);
    ink.fill(Qt::transparent);
    QPainter p(&ink);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    draw(p);
    return ink;
}

QImage Coloured(const QImage &ink, const QColor &colour)
{
    QImage result = ink;
    QPainter p(&result);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(result.rect(), colour);
    return result;
}

namespace {

// One box pass along the rows or the columns of a coverage plane; pixels
// outside the plane count as empty.
void BoxPass(std::vector<int> &plane, int width, int height, int radius, bool rows)
{
    const int lines = rows ? height : width;
    const int length = rows ? width : height;
    const int step = rows ? 1 : width;
    const int window = 2 * radius + 1;
    std::vector<int> line(length);
    for (int l = 0; l < lines; ++l) {
        const int start = rows ? l * width : l;
        for (int i = 0; i < length; ++i)
            line[i] = plane[start + i * step];
        int sum = 0;
        for (int i = -radius; i < radius; ++i)
            sum += (i >= 0 && i < length) ? line[i] : 0;
        for (int i = 0; i < length; ++i) {
            const int enter = i + radius;
            const int leave = i - radius - 1;
            sum += enter < length ? line[enter] : 0;
            sum -= leave >= 0 ? line[leave] : 0;
            plane[start + i * step] = sum / window;
        }
    }
}

} // namespace

void DrawGlow(QPainter &p, const QImage &ink, const QColor &colour, int radius, qreal strength)
{
    const int width = ink.width();
    const int height = ink.height();
    std::vector<int> coverage(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(ink.constScanLine(y));
        for (int x = 0; x < width; ++x)
            coverage[static_cast<size_t>(y) * width + x] = qAlpha(row[x]);
    }
    for (int pass = 0; pass < 3; ++pass) {
        BoxPass(coverage, width, height, radius, true);
        BoxPass(coverage, width, height, radius, false);
    }
    QImage glow(ink.size(), QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(glow.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = std::min(255, static_cast<int>(coverage[static_cast<size_t>(y) * width + x] * strength));
            row[x] = qRgba(colour.red(), colour.green(), colour.blue(), a * colour.alpha() / 255);
        }
    }
    p.drawImage(0, 0, glow);
}

QFont WordFont(qreal pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setBold(true);
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setLetterSpacing(QFont::AbsoluteSpacing, pixelSize >= 11 ? 0.5 : 0.0);
    return font;
}

QFont FittedWordFont(const QString &word, qreal maxWidth, qreal maxPixelSize)
{
    for (qreal size = maxPixelSize; size > 6; size -= 1) {
        const QFont font = WordFont(size);
        if (QFontMetricsF(font).horizontalAdvance(word) <= maxWidth)
            return font;
    }
    return WordFont(6);
}

void DrawWord(QPainter &p, const QString &word, const QFont &font, const QRectF &box)
{
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(word);
    const qreal capHeight = metrics.capHeight();
    const qreal x = box.center().x() - width / 2;
    const qreal baseline = box.center().y() + capHeight / 2;
    p.save();
    p.setPen(Qt::white);
    p.setFont(font);
    p.drawText(QPointF(qRound(x), qRound(baseline)), word);
    p.restore();
}

// Drawing helpers shared by every picture of the generator.
//
// A picture is built from layers of "ink": shapes painted in opaque white on a
// transparent canvas. A layer is then coloured as a whole and can cast a soft
// glow, so each pictograph is drawn once and serves both the unlit (up) and
// the lit (down) face of its button.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>

using InkDrawing = std::function<void(QPainter &)>;

// A transparent canvas of `size` with `draw` run on an antialiased painter.
QImage PaintInk(QSize size, const InkDrawing &draw);

// The layer's shape in one colour: every pixel keeps its coverage (alpha).
QImage Coloured(const QImage &ink, const QColor &colour);

// Soft halo of the layer: its coverage blurred by three box passes of
// `radius`, scaled by `strength`, in `colour`, painted at the origin.
void DrawGlow(QPainter &p, const QImage &ink, const QColor &colour, int radius, qreal strength);

// The bold condensed face used for every word on the buttons.
QFont WordFont(qreal pixelSize);

// The largest word font, from `maxPixelSize` down in half pixels, whose
// rendering of `word` is at most `maxWidth` wide.
QFont FittedWordFont(const QString &word, qreal maxWidth, qreal maxPixelSize);

// Paints `word` centred in `box` (centred on the cap height, so words with and
// without descenders sit alike).
void DrawWord(QPainter &p, const QString &word, const QFont &font, const QRectF &box);

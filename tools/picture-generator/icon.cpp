#include "icon.h"

#include <QBrush>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QTextStream>

#include <vector>

namespace {

constexpr qreal kUnits = 256; // the icon is designed on a 256-unit square
const QString kIconName = QStringLiteral("io.warblecast.Parrotel");

struct IconLayer {
    QPainterPath path;
    QBrush fill = Qt::NoBrush;
    QPen stroke = Qt::NoPen;
};

QPainterPath Ellipse(QPointF centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath Feather(QPointF base1, QPointF control1, QPointF tip, QPointF control2, QPointF base2)
{
    QPainterPath path;
    path.moveTo(base1);
    path.quadTo(control1, tip);
    path.quadTo(control2, base2);
    path.closeSubpath();
    return path;
}

QBrush Vertical(qreal top, qreal bottom, const QColor &from, const QColor &to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

QPen RoundPen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

std::vector<IconLayer> ParrotLayers()
{
    std::vector<IconLayer> layers;

    QPainterPath crest = Feather({66, 104}, {38, 86}, {34, 50}, {62, 70}, {86, 86});
    crest.addPath(Feather({82, 84}, {62, 54}, {70, 22}, {88, 50}, {108, 72}));
    crest.addPath(Feather({102, 74}, {94, 42}, {114, 16}, {118, 46}, {128, 68}));
    crest.setFillRule(Qt::WindingFill);
    layers.push_back({crest, Vertical(16, 104, QColor(0xff, 0xc8, 0x3c), QColor(0xff, 0x5a, 0x2e))});

    QPainterPath head;
    head.moveTo(70, 244);
    head.cubicTo(50, 200, 38, 142, 60, 106);
    head.cubicTo(80, 70, 126, 56, 150, 74);
    head.cubicTo(164, 84, 170, 98, 168, 114);
    head.lineTo(162, 158);
    head.cubicTo(150, 184, 136, 206, 150, 244);
    head.closeSubpath();
    layers.push_back({head, Vertical(60, 244, QColor(0x8c, 0xe8, 0x4a), QColor(0x1f, 0x8f, 0x3a))});

    QPainterPath wing;
    wing.moveTo(62, 176);
    wing.cubicTo(86, 184, 110, 206, 118, 244);
    wing.lineTo(76, 244);
    wing.cubicTo(64, 222, 58, 198, 62, 176);
    wing.closeSubpath();
    layers.push_back({wing, QColor(0x17, 0x74, 0x30, 150)});

    layers.push_back({Ellipse({134, 112}, 30, 27), QColor(0xfb, 0xf1, 0xb8)});
    layers.push_back({Ellipse({136, 106}, 13.5, 13.5), Qt::white, QPen(QColor(0x1c, 0x2a, 0x22), 3)});
    layers.push_back({Ellipse({139, 105}, 7.5, 7.5), QColor(0x14, 0x1c, 0x24)});
    layers.push_back({Ellipse({142, 101.5}, 2.8, 2.8), Qt::white});

    QPainterPath upper;
    upper.moveTo(158, 94);
    upper.cubicTo(184, 88, 200, 110, 193, 142);
    upper.cubicTo(186, 131, 174, 127, 160, 131);
    upper.closeSubpath();
    layers.push_back({upper, Vertical(88, 142, QColor(0xff, 0xb3, 0x47), QColor(0xe0, 0x5a, 0x12)),
                      QPen(QColor(0x8a, 0x33, 0x08), 2)});
    QPainterPath lower;
    lower.moveTo(160, 139);
    lower.cubicTo(174, 138, 184, 146, 180, 162);
    lower.cubicTo(170, 166, 160, 160, 156, 151);
    lower.closeSubpath();
    layers.push_back({lower, QColor(0xc2, 0x4a, 0x10), QPen(QColor(0x8a, 0x33, 0x08), 2)});
    return layers;
}

std::vector<IconLayer> IconLayers()
{
    std::vector<IconLayer> layers;
    QPainterPath tile;
    tile.addRoundedRect(QRectF(12, 12, 232, 232), 50, 50);
    layers.push_back({tile, Vertical(12, 244, QColor(0x25, 0xa7, 0xbf), QColor(0x0b, 0x36, 0x52))});

    const QPointF mouth(192, 150);
    const qreal radii[] = {20, 34, 48};
    const int alphas[] = {255, 200, 140};
    for (int i = 0; i < 3; ++i) {
        const QRectF box(mouth - QPointF(radii[i], radii[i]), QSizeF(2 * radii[i], 2 * radii[i]));
        QPainterPath arc;
        arc.arcMoveTo(box, -38);
        arc.arcTo(box, -38, 76);
        layers.push_back({arc, Qt::NoBrush, RoundPen(QColor(0xe6, 0xff, 0x6e, alphas[i]), 9)});
    }
    const QTransform shiftLeft = QTransform::fromTranslate(-10, 0);
    for (IconLayer layer : ParrotLayers()) {
        layer.path = shiftLeft.map(layer.path);
        if (layer.fill.gradient())
            layer.fill.setTransform(shiftLeft);
        layers.push_back(layer);
    }
    return layers;
}

QString Number(qreal value)
{
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString PathData(const QPainterPath &path)
{
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            data += QStringLiteral("M%1 %2").arg(Number(e.x), Number(e.y));
            break;
        case QPainterPath::LineToElement:
            data += QStringLiteral("L%1 %2").arg(Number(e.x), Number(e.y));
            break;
        case QPainterPath::CurveToElement: {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            data += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                        .arg(Number(e.x), Number(e.y), Number(c2.x), Number(c2.y), Number(end.x), Number(end.y));
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return data;
}

// `colour` as an SVG paint attribute, with its opacity attribute when it is
// not opaque.
QString ColourAttributes(const char *paint, const char *opacity, const QColor &colour)
{
    QString text = QStringLiteral(" %1=\"%2\"").arg(QLatin1String(paint), colour.name());
    if (colour.alpha() != 255)
        text += QStringLiteral(" %1=\"%2\"").arg(QLatin1String(opacity), Number(colour.alphaF()));
    return text;
}

// Writes a gradient into `defs` and returns the reference to it.
QString GradientReference(const QBrush &brush, int index, QString &defs)
{
    const QGradient *gradient = brush.gradient();
    const QString id = QStringLiteral("g%1").arg(index);
    QString stops;
    for (const QGradientStop &stop : gradient->stops())
        stops += QStringLiteral("<stop offset=\"%1\"%2/>")
                     .arg(Number(stop.first), ColourAttributes("stop-color", "stop-opacity", stop.second));
    const QString transform = brush.transform().isIdentity()
                                  ? QString()
                                  : QStringLiteral(" gradientTransform=\"translate(%1 %2)\"")
                                        .arg(Number(brush.transform().dx()), Number(brush.transform().dy()));
    if (gradient->type() == QGradient::LinearGradient) {
        const auto *linear = static_cast<const QLinearGradient *>(gradient);
        defs += QStringLiteral("<linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"%2\" y1=\"%3\" "
                               "x2=\"%4\" y2=\"%5\"%6>%7</linearGradient>\n")
                    .arg(id, Number(linear->start().x()), Number(linear->start().y()), Number(linear->finalStop().x()),
                         Number(linear->finalStop().y()), transform, stops);
    } else {
        const auto *radial = static_cast<const QRadialGradient *>(gradient);
        defs += QStringLiteral("<radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" cx=\"%2\" cy=\"%3\" r=\"%4\" "
                               "fx=\"%5\" fy=\"%6\"%7>%8</radialGradient>\n")
                    .arg(id, Number(radial->center().x()), Number(radial->center().y()), Number(radial->radius()),
                         Number(radial->focalPoint().x()), Number(radial->focalPoint().y()), transform, stops);
    }
    return QStringLiteral("url(#%1)").arg(id);
}

} // namespace

QString IconPngPath(int size)
{
    return QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kIconName);
}

QString IconSvgPath()
{
    return QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(kIconName);
}

QImage PaintIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kUnits, size / kUnits);
    for (const IconLayer &layer : IconLayers()) {
        p.setBrush(layer.fill);
        p.setPen(layer.stroke);
        p.drawPath(layer.path);
    }
    return icon;
}

QString IconSvg()
{
    QString defs;
    QString body;
    int gradients = 0;
    for (const IconLayer &layer : IconLayers()) {
        QString attributes;
        if (layer.fill.style() == Qt::NoBrush)
            attributes += QStringLiteral(" fill=\"none\"");
        else if (layer.fill.gradient())
            attributes += QStringLiteral(" fill=\"%1\"").arg(GradientReference(layer.fill, gradients++, defs));
        else
            attributes += ColourAttributes("fill", "fill-opacity", layer.fill.color());
        if (layer.path.fillRule() == Qt::OddEvenFill && layer.fill.style() != Qt::NoBrush)
            attributes += QStringLiteral(" fill-rule=\"evenodd\"");
        if (layer.stroke.style() != Qt::NoPen) {
            attributes += ColourAttributes("stroke", "stroke-opacity", layer.stroke.color());
            attributes += QStringLiteral(" stroke-width=\"%1\"").arg(Number(layer.stroke.widthF()));
            if (layer.stroke.capStyle() == Qt::RoundCap)
                attributes += QStringLiteral(" stroke-linecap=\"round\" stroke-linejoin=\"round\"");
        }
        body += QStringLiteral("<path d=\"%1\"%2/>\n").arg(PathData(layer.path), attributes);
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
                          "<title>Warblecast</title>\n<defs>\n%1</defs>\n%2</svg>\n")
        .arg(defs, body);
}

#include "prtlepnl.h"

#include <QPainter>

namespace oval {

namespace {
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kBlack(0, 0, 0);
}  // namespace

QRegion Region(QSize size)
{
    return gdi::EllipticRegion({0, 0, size.width() - 1, size.height() - 1});
}

std::array<BevelArc, 4> Bevel(QSize size, bool raised)
{
    const int w = size.width();
    const int h = size.height();
    const gdi::Box inner{1, 1, w - 2, h - 2};
    const gdi::Box outer{0, 0, w - 1, h - 1};
    return {
        BevelArc{inner, QPoint(2, h - 1), QPoint(w + 2, 0), raised ? kGrey : kSilver},
        BevelArc{outer, QPoint(0, h - 1), QPoint(w - 1, 0), raised ? kBlack : kWhite},
        BevelArc{inner, QPoint(w - 1, 0), QPoint(0, h - 1), raised ? kSilver : kGrey},
        BevelArc{outer, QPoint(w - 1, 0), QPoint(0, h - 1), raised ? kWhite : kBlack},
    };
}

void DrawBevel(QPainter& painter, QSize size, bool raised)
{
    for (const BevelArc& arc : Bevel(size, raised))
        gdi::DrawArc(painter, arc.box, arc.start, arc.end, arc.color, kBevelPenWidth);
}

}  // namespace oval

TPRTL_EllipticalPanel::TPRTL_EllipticalPanel(QWidget* parent)
    : QWidget(parent), m_color(palette().color(QPalette::Window))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    gdi::SetWindowRegion(*this, oval::Region(size()));
}

void TPRTL_EllipticalPanel::SetBevelOuter(BevelCut bevel)
{
    if (bevel == m_bevelOuter)
        return;
    m_bevelOuter = bevel;
    update();
}

void TPRTL_EllipticalPanel::SetColor(QColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void TPRTL_EllipticalPanel::resizeEvent(QResizeEvent*)
{
    gdi::SetWindowRegion(*this, oval::Region(size()));
}

void TPRTL_EllipticalPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);  // the background the children sit on
    switch (m_bevelOuter) {
    case BevelCut::Raised:
        oval::DrawBevel(painter, size(), true);
        break;
    case BevelCut::Lowered:
        oval::DrawBevel(painter, size(), false);
        break;
    case BevelCut::NoBevel:
    case BevelCut::Space:
        painter.setPen(QPen(Qt::black, oval::kBevelPenWidth));
        painter.setBrush(m_color);
        painter.drawEllipse(gdi::EllipsePath({0, 0, width() - 1, height() - 1}));
        break;
    }
}

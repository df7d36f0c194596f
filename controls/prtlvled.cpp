#include "prtlvled.h"

#include "gdidraw.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace led_meter {

namespace {
const QColor kFrameLight(255, 255, 255);
const QColor kFrameShadow(128, 128, 128);
}  // namespace

int Pitch(int height, int numLEDs)
{
    return gdi::Nearest(double(height - 8) / numLEDs);
}

int Gap(int pitch)
{
    return gdi::Nearest(pitch * 10 / 100.0);
}

int LitCount(int numLEDs, float progress)
{
    const float level = float(numLEDs) * progress;  // single precision on purpose
    int lit = gdi::Nearest(level);
    if (float(lit) < level)
        ++lit;
    return std::min(lit, numLEDs);
}

QRect BarPixels(int index, int width, int height, int numLEDs)
{
    const int pitch = Pitch(height, numLEDs);
    const int top = height - 3 - index * pitch;
    return gdi::NullPenRectanglePixels({4, top, width - 3, top + pitch - Gap(pitch)});
}

QImage RenderPicture(QSize size, const Look& look)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(look.background);
    const int w = size.width();
    const int h = size.height();
    QPainter painter(&picture);
    if (look.numLEDs >= 1) {
        const int lit = LitCount(look.numLEDs, look.progress);
        for (int i = 1; i <= look.numLEDs; ++i)
            painter.fillRect(BarPixels(i, w, h, look.numLEDs), i <= lit ? look.onColor : look.offColor);
    }
    gdi::LinePlotter frame;
    frame.SetPen(kFrameLight);
    frame.MoveTo(0, h - 1);
    frame.LineTo(w - 1, h - 1);
    frame.LineTo(w - 1, 0);
    frame.SetPen(kFrameShadow);
    frame.MoveTo(0, h - 2);
    frame.LineTo(0, 0);
    frame.LineTo(w, 0);
    gdi::DrawLines(painter, frame.Lines());
    return picture;
}

}  // namespace led_meter

TPRTL_VerticalLEDs::TPRTL_VerticalLEDs(QWidget* parent) : QWidget(parent)
{
    m_look.background = palette().color(QPalette::Window);
    m_look.onColor = QColor(0, 255, 0);
    m_look.offColor = QColor(0, 128, 0);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // OnMouseMove reports moves without a pressed button too
}

void TPRTL_VerticalLEDs::SetColor(QColor color)
{
    if (color == m_look.background)
        return;
    m_look.background = color;
    repaint();
}

void TPRTL_VerticalLEDs::SetLEDOnColor(QColor color)
{
    if (color == m_look.onColor)
        return;
    m_look.onColor = color;
    repaint();
}

void TPRTL_VerticalLEDs::SetLEDOffColor(QColor color)
{
    if (color == m_look.offColor)
        return;
    m_look.offColor = color;
    repaint();
}

void TPRTL_VerticalLEDs::SetNumLEDs(int count)
{
    // The bar pitch divides by the count: a meter without bars has no meaning.
    if (count < 1 || count == m_look.numLEDs)
        return;
    m_look.numLEDs = count;
    repaint();
}

void TPRTL_VerticalLEDs::SetProgress(float level)
{
    if (level >= 1)
        level = 1;
    else if (!(level > 0))
        level = 0;
    if (level == m_look.progress)
        return;
    m_look.progress = level;
    repaint();
}

void TPRTL_VerticalLEDs::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, led_meter::RenderPicture(size(), m_look));
}

void TPRTL_VerticalLEDs::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
}

void TPRTL_VerticalLEDs::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_leftPressed)
        return;
    m_leftPressed = false;
    if (rect().contains(event->position().toPoint()))
        emit OnClick();
}

void TPRTL_VerticalLEDs::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseMove(p.x(), p.y());
}

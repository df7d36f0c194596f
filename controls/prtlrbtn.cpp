#include "prtlrbtn.h"

#include "gdidraw.h"
#include "prtlepnl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kFace(192, 192, 192);
const QColor kCaption(0, 0, 0);

// Top-left corner for centring content of the given size; the pressed look
// shifts it one pixel down and right.
QPoint CentredOrigin(QSize area, QSize content, bool raised)
{
    const int press = raised ? 0 : 1;
    return QPoint(gdi::Nearest((area.width() - content.width()) / 2.0) + press,
                  gdi::Nearest((area.height() - content.height()) / 2.0) + press);
}

}  // namespace

TPRTL_EllipticalButton::TPRTL_EllipticalButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(32, 32);
    gdi::SetWindowRegion(*this, oval::Region(size()));
}

void TPRTL_EllipticalButton::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    repaint();
}

void TPRTL_EllipticalButton::SetDown(bool down)
{
    m_down = down;
    if (m_down == m_raised)
        m_raised = !m_down;
    repaint();
}

void TPRTL_EllipticalButton::SetUpImage(const QPixmap& image)
{
    m_upImage = image;
    repaint();
}

void TPRTL_EllipticalButton::SetDownImage(const QPixmap& image)
{
    m_downImage = image;
    repaint();
}

void TPRTL_EllipticalButton::resizeEvent(QResizeEvent*)
{
    gdi::SetWindowRegion(*this, oval::Region(size()));
}

void TPRTL_EllipticalButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_leftPressed = true;
        if (m_raised) {
            m_raised = false;
            repaint();
        }
    }
    const QPoint p = gdi::PixelAt(event->position());
    emit OnMouseDown(event->button(), p.x(), p.y());
}

void TPRTL_EllipticalButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = gdi::PixelAt(event->position());
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        // The click is reported first, with Down as it was.
        if (rect().contains(p))
            emit OnClick();
        // Released anywhere, the button toggles.
        m_down = !m_down;
        if (m_down == m_raised) {
            m_raised = !m_down;
            repaint();
        }
    }
    emit OnMouseUp(event->button(), p.x(), p.y());
}

void TPRTL_EllipticalButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kFace);
    if (!m_caption.isEmpty()) {
        const QFontMetrics metrics(font());
        const QSize text(metrics.horizontalAdvance(m_caption), metrics.height());
        painter.setPen(kCaption);
        painter.drawText(QRect(CentredOrigin(size(), text, m_raised), text),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_caption);
    }
    const QPixmap& image = m_raised ? m_upImage : m_downImage;
    if (!image.isNull()) {
        const QSize imageSize = image.deviceIndependentSize().toSize();
        painter.drawPixmap(CentredOrigin(size(), imageSize, m_raised), image);
    }
    oval::DrawBevel(painter, size(), m_raised);
}

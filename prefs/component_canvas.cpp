#include "component_canvas.h"

#include <QFontMetrics>
#include <QImage>

namespace prefs {

namespace {

// Larger pictures are not a component's face but a fault in the library.
constexpr int32_t kLargestPicture = 8192;

QColor FromRgb(uint32_t rgb) { return QColor::fromRgb(rgb & 0xFFFFFFu); }

QString FromUtf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

// Pixel rectangle from left, top up to but not including right, bottom.
QRect Span(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
}

}  // namespace

ComponentCanvas::ComponentCanvas(QImage& image) : painter_(&image), textColor_(Qt::black)
{
    painter_.setPen(QPen(Qt::black, 1));
    painter_.setBrush(Qt::white);
    canvas_ = CCC_Canvas{};
    canvas_.structSize = sizeof(CCC_Canvas);
    canvas_.width = image.width();
    canvas_.height = image.height();
    canvas_.context = this;
    canvas_.SetPen = &ComponentCanvas::SetPen;
    canvas_.SetBrush = &ComponentCanvas::SetBrush;
    canvas_.SetFont = &ComponentCanvas::SetFont;
    canvas_.FillRect = &ComponentCanvas::FillRect;
    canvas_.Rectangle = &ComponentCanvas::Rectangle;
    canvas_.Ellipse = &ComponentCanvas::Ellipse;
    canvas_.MoveTo = &ComponentCanvas::MoveTo;
    canvas_.LineTo = &ComponentCanvas::LineTo;
    canvas_.TextOut = &ComponentCanvas::TextOut;
    canvas_.TextWidth = &ComponentCanvas::TextWidth;
    canvas_.TextHeight = &ComponentCanvas::TextHeight;
    canvas_.DrawPixels = &ComponentCanvas::DrawPixels;
}

void ComponentCanvas::SetPen(void* context, uint32_t rgb, int32_t width)
{
    QPainter& painter = Self(context).painter_;
    if (width <= 0)
        painter.setPen(Qt::NoPen);
    else
        painter.setPen(QPen(FromRgb(rgb), width));
}

void ComponentCanvas::SetBrush(void* context, uint32_t rgb, int32_t solid)
{
    QPainter& painter = Self(context).painter_;
    painter.setBrush(solid ? QBrush(FromRgb(rgb)) : QBrush(Qt::NoBrush));
}

void ComponentCanvas::SetFont(void* context, const char* family, int32_t pointSize, int32_t bold, uint32_t rgb)
{
    ComponentCanvas& self = Self(context);
    QFont font(FromUtf8(family));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setBold(bold != 0);
    self.painter_.setFont(font);
    self.textColor_ = FromRgb(rgb);
}

void ComponentCanvas::FillRect(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    QPainter& painter = Self(context).painter_;
    painter.fillRect(Span(left, top, right, bottom), painter.brush());
}

// The outline lies on the rectangle's outermost pixels, the brush fills the rest.
void ComponentCanvas::Rectangle(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Self(context).painter_.drawRect(Span(left, top, right, bottom).adjusted(0, 0, -1, -1));
}

void ComponentCanvas::Ellipse(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Self(context).painter_.drawEllipse(Span(left, top, right, bottom).adjusted(0, 0, -1, -1));
}

void ComponentCanvas::MoveTo(void* context, int32_t x, int32_t y) { Self(context).penPosition_ = QPoint(x, y); }

void ComponentCanvas::LineTo(void* context, int32_t x, int32_t y)
{
    ComponentCanvas& self = Self(context);
    self.painter_.drawLine(self.penPosition_, QPoint(x, y));
    self.penPosition_ = QPoint(x, y);
}

void ComponentCanvas::TextOut(void* context, int32_t x, int32_t y, const char* text)
{
    ComponentCanvas& self = Self(context);
    const QString line = FromUtf8(text);
    const QFontMetrics metrics(self.painter_.font());
    const QPen pen = self.painter_.pen();
    self.painter_.setPen(self.textColor_);
    self.painter_.drawText(QPoint(x, y + metrics.ascent()), line);
    self.painter_.setPen(pen);
}

int32_t ComponentCanvas::TextWidth(void* context, const char* text)
{
    return QFontMetrics(Self(context).painter_.font()).horizontalAdvance(FromUtf8(text));
}

int32_t ComponentCanvas::TextHeight(void* context, const char* /*text*/)
{
    return QFontMetrics(Self(context).painter_.font()).height();
}

void ComponentCanvas::DrawPixels(void* context, int32_t x, int32_t y, int32_t width, int32_t height,
                                 const uint32_t* pixels, int32_t strideBytes)
{
    if (!pixels || width <= 0 || height <= 0 || width > kLargestPicture || height > kLargestPicture ||
        strideBytes < width * 4)
        return;
    const QImage picture(reinterpret_cast<const uchar*>(pixels), width, height, strideBytes, QImage::Format_ARGB32);
    Self(context).painter_.drawImage(QPoint(x, y), picture);
}

}  // namespace prefs

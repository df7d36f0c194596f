// The canvas an update component paints through: the plain C drawing
// interface of component_api.h carried out by a QPainter on the host's image.
#pragma once

#include "component_api.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>

class QImage;

namespace prefs {

class ComponentCanvas {
public:
    // Paints on image for as long as this object lives.
    explicit ComponentCanvas(QImage& image);
    ComponentCanvas(const ComponentCanvas&) = delete;
    ComponentCanvas& operator=(const ComponentCanvas&) = delete;

    CCC_Canvas* Canvas() { return &canvas_; }

private:
    static ComponentCanvas& Self(void* context) { return *static_cast<ComponentCanvas*>(context); }

    static void SetPen(void* context, uint32_t rgb, int32_t width);
    static void SetBrush(void* context, uint32_t rgb, int32_t solid);
    static void SetFont(void* context, const char* family, int32_t pointSize, int32_t bold, uint32_t rgb);
    static void FillRect(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    static void Rectangle(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    static void Ellipse(void* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
    static void MoveTo(void* context, int32_t x, int32_t y);
    static void LineTo(void* context, int32_t x, int32_t y);
    static void TextOut(void* context, int32_t x, int32_t y, const char* text);
    static int32_t TextWidth(void* context, const char* text);
    static int32_t TextHeight(void* context, const char* text);
    static void DrawPixels(void* context, int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels,
                           int32_t strideBytes);

    QPainter painter_;
    QColor textColor_;
    QPoint penPosition_;
    CCC_Canvas canvas_;
};

}  // namespace prefs

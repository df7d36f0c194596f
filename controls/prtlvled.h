// TPRTL_VerticalLEDs: a bar-graph level meter, a stack of LED-like bars that
// light from the bottom up in proportion to a level between 0 and 1.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

namespace led_meter {

// Distance from one bar's top to the next: nearest((height - 8) / numLEDs).
int Pitch(int height, int numLEDs);
// Background rows between bars: nearest(pitch * 10 / 100).
int Gap(int pitch);
// Bars lit for a level: numLEDs * progress in single precision, rounded up,
// at most numLEDs.
int LitCount(int numLEDs, float progress);
// The pixels bar `index` fills (1 is the bottom bar).
QRect BarPixels(int index, int width, int height, int numLEDs);

struct Look {
    QColor background;
    QColor onColor;
    QColor offColor;
    int numLEDs = 5;
    float progress = 0.5f;
};

// The whole picture of the meter: background, bars and a sunken one-pixel frame.
QImage RenderPicture(QSize size, const Look& look);

}  // namespace led_meter

class TPRTL_VerticalLEDs : public QWidget {
    Q_OBJECT
public:
    explicit TPRTL_VerticalLEDs(QWidget* parent = nullptr);

    QColor Color() const { return m_look.background; }
    void SetColor(QColor color);
    QColor LEDOnColor() const { return m_look.onColor; }
    void SetLEDOnColor(QColor color);
    QColor LEDOffColor() const { return m_look.offColor; }
    void SetLEDOffColor(QColor color);
    // At least 1; other values are ignored.
    int NumLEDs() const { return m_look.numLEDs; }
    void SetNumLEDs(int count);
    // Kept within 0 .. 1 (anything not above 0, NaN included, is 0).
    float Progress() const { return m_look.progress; }
    void SetProgress(float level);

signals:
    void OnClick();
    void OnMouseMove(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    led_meter::Look m_look;
    bool m_leftPressed = false;
};

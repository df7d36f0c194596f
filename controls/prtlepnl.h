// TPRTL_EllipticalPanel: a container panel cut to an ellipse, with an oval
// bevel. The oval shape and bevel are shared with TPRTL_EllipticalButton.
#pragma once

#include "gdidraw.h"

#include <QColor>
#include <QRegion>
#include <QWidget>

#include <array>

class QPainter;

namespace oval {

// The window shape: the ellipse inscribed in (0, 0)-(W - 1, H - 1), so the
// right-most column and the bottom row are never visible.
QRegion Region(QSize size);

// One of the bevel's four half-ellipse arcs (GDI Arc arguments).
struct BevelArc {
    gdi::Box box;
    QPoint start;
    QPoint end;
    QColor color;
};

// The bevel in drawing order: inner lower-right, outer lower-right, inner
// upper-left, outer upper-left. Raised: grey, black, silver, white;
// sunken: silver, white, grey, black.
std::array<BevelArc, 4> Bevel(QSize size, bool raised);

constexpr int kBevelPenWidth = 2;
void DrawBevel(QPainter& painter, QSize size, bool raised);

}  // namespace oval

enum class BevelCut { NoBevel, Lowered, Raised, Space };

class TPRTL_EllipticalPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPRTL_EllipticalPanel(QWidget* parent = nullptr);

    // Raised or Lowered: the oval bevel over the background; NoBevel or Space:
    // a flat oval of Color with a black rim.
    BevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(BevelCut bevel);
    QColor Color() const { return m_color; }
    void SetColor(QColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    BevelCut m_bevelOuter = BevelCut::Raised;
    QColor m_color;
};

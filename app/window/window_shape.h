// The main window's odd shape: square top corners, bottom corners rounded with
// a radius of 75, and the bevelled rim drawn along the two round corners.
#pragma once

#include <QRegion>
#include <QSize>

class QPainter;

namespace window_shape {

constexpr int kCornerDiameter = 150;

// The window's visible region for its outer size W x H: the rounded rectangle
// (0, 0, W + 1, H + 1) with 150 x 150 corner ellipses, joined with the
// rectangle (0, 0, W + 1, H - 150) that squares off the top corners.
QRegion MainFormRegion(QSize size);

// The rim of the two round corners: grey and black outside, white and silver
// inside, two pixels wide.
void PaintRim(QPainter& painter, QSize size);

}  // namespace window_shape

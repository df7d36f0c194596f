// The program icon: a parrot's head calling out, on a rounded tile. It is
// described once as layers of shapes, which are painted for the PNG sizes and
// written out as SVG for the scalable icon.
#pragma once

#include <QImage>
#include <QString>

#include <array>

inline constexpr std::array<int, 4> kIconPngSizes{48, 64, 128, 256};

// Paths below the icon folder, laid out as the hicolor icon theme is.
QString IconPngPath(int size);
QString IconSvgPath();

QImage PaintIcon(int size);
QString IconSvg();

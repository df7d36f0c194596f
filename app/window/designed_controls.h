// Builders of the custom controls with the properties the window's design
// gives them: place, name, teeth, pictures, colours, range. The controls
// themselves know nothing of the window; these only set them up.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class TPRTL_EllipticalButton;
class TPRTL_SawToothButton;
class TPRTL_TrackBar;

namespace designed_controls {

struct Teeth {
    int left, top, right, bottom, size;
};

// A saw-tooth button named name, with its up and down pictures.
TPRTL_SawToothButton* MakeSawToothButton(QWidget* parent, const char* name, QRect bounds, Teeth teeth);
// An elliptical button named name with a caption, with its pictures.
TPRTL_EllipticalButton* MakeEllipticalButton(QWidget* parent, const QString& name, QRect bounds,
                                             const QString& caption);
// A label sized to its text.
QLabel* MakeLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font, QColor color);
// A label centred horizontally in its parent.
QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int top, const QFont& font, QColor color);
// A vertical track bar from 0 to max with ticks every step.
TPRTL_TrackBar* MakeTrackBar(QWidget* parent, const char* name, QRect bounds, int max, int position);
// Fills the widget with the colour.
void SetBackground(QWidget* widget, QColor color);

}  // namespace designed_controls

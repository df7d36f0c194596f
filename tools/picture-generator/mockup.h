// A rough picture of the main window with every button in place, for judging
// the button pictures together: saw-tooth outlines, the grey backdrop, and
// plain stand-ins for the other controls.
#pragma once

#include "catalogue.h"

#include <QImage>
#include <QSet>
#include <QString>

#include <vector>

// `down` names the buttons (by stem) drawn pressed.
QImage PaintMockup(const std::vector<ButtonPicture> &pictures, const QSet<QString> &down);

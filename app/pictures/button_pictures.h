// The pictures of the main window's buttons and the program icon, compiled
// into the program as Qt resources (CMake target parrotel_pictures).
//
// Every button has two pictures, shown while it is up and while it is down:
//   ":/pictures/<stem>-up.png" and ":/pictures/<stem>-down.png"
// where <stem> is the button's name without its trailing "Button", in lower
// case: EchoButton -> echo, fadeOutButton -> fadeout, SlowMonstButton ->
// slowmonst, RecSourceToggleButton -> recsourcetoggle, SF2Button -> sf2.
// The icon is ":/icons/parrotel-<size>.png" for sizes 48, 64, 128 and 256.
#pragma once

#include <QIcon>
#include <QString>

QString ButtonPictureStem(const QString &buttonName);
QString ButtonPicturePath(const QString &buttonName, bool down);

// The program icon with all its sizes, for QApplication::setWindowIcon.
QIcon ProgramIcon();

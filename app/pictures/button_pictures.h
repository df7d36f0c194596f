// The pictures of the main window's buttons and the program icon, compiled
// into the program as Qt resources (CMake target parrotel_pictures).
//
// Every button has two pictures, shown while it is up and while it is down:
//   ":/pictures/<stem>-up.png" and ":/pictures/<stem>-down.png"
// where <stem> is the button's name without its trailing "Button", in lower
// case: EchoButton -> echo, fadeOutButton -> fadeout, SlowMonstButton ->
// slowmonst, RecSourceToggleButton -> recsourcetoggle, SF2Button -> sf2.
// The icon is ":/icons/parrotel-<size>.png" for sizes 48, 64, 128 and 256.
//
// Rules:
// - parrotel_pictures is an object library: link it directly into the
//   program, so the resources need no Q_INIT_RESOURCE.
// - A saw-tooth button's picture measures its body less three pixels on every
//   side (W - 2T - 6 by H - 2T - 6), so the outline stays visible when a
//   pressed button shifts the picture one pixel; the round sample-voice
//   pictures are 48 x 48 discs.
// - The pictures, pictures.qrc and the icon are made by the picture generator
//   (tools/picture-generator, target regenerate_pictures) and committed.
#pragma once

#include <QIcon>
#include <QString>

QString ButtonPictureStem(const QString &buttonName);
QString ButtonPicturePath(const QString &buttonName, bool down);

// The program icon with all its sizes, for QApplication::setWindowIcon.
QIcon ProgramIcon();

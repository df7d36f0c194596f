// Every picture of the main window's buttons, with the button that shows it.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

// A button of the main window as the window places it.
struct ButtonPlacement {
    QString name;      // the button's component name, e.g. "EchoButton"
    QRect bounds;      // left, top, width, height in the window
    int leftTeeth = 0; // saw-tooth outline; unused for round buttons
    int topTeeth = 0;
    int rightTeeth = 0;
    int bottomTeeth = 0;
    int toothSize = 0; // 0 marks a round (elliptical) button
};

struct ButtonPicture {
    ButtonPlacement button;
    QString stem; // resources ":/pictures/<stem>-up.png" and "<stem>-down.png"
    QSize size;
    std::function<QImage(bool down)> paint;
};

std::vector<ButtonPicture> ButtonPictures();

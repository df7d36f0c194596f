// Renders the custom controls where the main window places them into a PNG,
// for looking at them by eye:  controls_gallery OUT.png [zoom]
#include "gdidraw.h"
#include "prtlepnl.h"
#include "prtlrbtn.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "prtlvled.h"
#include "prtlwpnl.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

TPRTL_SawToothButton* SawTooth(QWidget* parent, QRect bounds, int left, int top, int right,
                               int bottom, int tooth, const QString& caption = {})
{
    auto* button = new TPRTL_SawToothButton(parent);
    button->setGeometry(bounds);
    button->SetLeftTeeth(left);
    button->SetTopTeeth(top);
    button->SetRightTeeth(right);
    button->SetBottomTeeth(bottom);
    button->SetToothSize(tooth);
    button->SetCaption(caption);
    return button;
}

void SliderHousing(QWidget* parent, QRect bounds, QColor loud, QColor soft, const QString& name,
                   int sliderLeft, int position, TrackBarTickMarks marks)
{
    auto* panel = new TPRTL_EllipticalPanel(parent);
    panel->setGeometry(bounds);
    auto* label = new QLabel(QStringLiteral("LOUD"), panel);
    label->setFont(gdi::LogicalFont(-13, true));
    label->setStyleSheet(QStringLiteral("color: %1").arg(loud.name()));
    label->move(26, 40);
    auto* caption = new QLabel(name, panel);
    caption->setFont(gdi::LogicalFont(16, true));
    caption->setStyleSheet(QStringLiteral("color: %1").arg(loud.name()));
    caption->move(26, 20);
    auto* softLabel = new QLabel(QStringLiteral("soft"), panel);
    softLabel->setStyleSheet(QStringLiteral("color: %1").arg(soft.name()));
    softLabel->move(34, 184);
    auto* slider = new TPRTL_TrackBar(panel);
    slider->setGeometry(sliderLeft, 67, 35, 117);
    slider->SetOrientation(TrackBarOrientation::Vertical);
    slider->SetMax(255);
    slider->SetPosition(position);
    slider->SetTickStyle(TrackBarTickStyle::NoTicks);
    slider->SetTickMarks(marks);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: controls_gallery OUT.png [zoom]\n");
        return 2;
    }
    const int zoom = argc > 2 ? std::atoi(argv[2]) : 1;

    QWidget window;
    window.setFixedSize(608, 393);
    window.setFont(gdi::LogicalFont(16));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(212, 208, 200));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    auto* backdrop = new QLabel(&window);
    backdrop->setGeometry(16, 247, 579, 85);
    backdrop->setStyleSheet(QStringLiteral("background: #818181"));

    // Upper and lower effect rows, meshing.
    const char* upper[] = {"Echo", "Chorus", "Flange", "Fade In", "Fade Out"};
    for (int i = 0; i < 5; ++i)
        SawTooth(&window, QRect(22 + 108 * i, 234, 132, 61), 0, 0, 0, 3, 12, upper[i]);
    const int lowerLeft[] = {22, 94, 202, 310, 382, 490};
    const int lowerWidth[] = {96, 132, 132, 96, 132, 96};
    const char* lower[] = {"Bass", "Robot", "Backward", "Slow", "Squeak", "Treble"};
    for (int i = 0; i < 6; ++i)
        SawTooth(&window, QRect(lowerLeft[i], 282, lowerWidth[i], 60), 0,
                 lowerWidth[i] == 96 ? -2 : -3, 0, 0, 12, lower[i]);
    SawTooth(&window, QRect(5, 236, 39, 104), 0, 0, 0, 0, 10, QStringLiteral("Up"));
    SawTooth(&window, QRect(564, 236, 39, 104), 0, 0, 0, 0, 10, QStringLiteral("Dn"));
    auto* play = SawTooth(&window, QRect(12, 50, 86, 52), 2, 0, 1, 0, 12, QStringLiteral("Play"));
    play->SetDown(true);
    SawTooth(&window, QRect(9, 158, 96, 53), 3, 0, 1, 0, 12, QStringLiteral("Rec"));

    auto* leds = new TPRTL_VerticalLEDs(&window);
    leds->setGeometry(19, 100, 71, 34);
    leds->SetColor(Qt::black);
    leds->SetLEDOnColor(QColor(255, 0, 0));
    leds->SetLEDOffColor(QColor(128, 0, 0));
    leds->SetNumLEDs(8);
    leds->SetProgress(0.3f);

    // A decaying chirp as the voice.
    std::vector<uint8_t> voice(2 * 22050);
    for (size_t i = 0; i < voice.size() / 2; ++i) {
        const double t = double(i) / 22050;
        const auto s = int16_t(30000 * std::exp(-2 * t) * std::sin(2 * M_PI * (200 + 400 * t) * t) *
                               (0.5 + 0.5 * std::sin(2 * M_PI * 3 * t)));
        voice[2 * i] = uint8_t(uint16_t(s) & 0xFF);
        voice[2 * i + 1] = uint8_t(uint16_t(s) >> 8);
    }
    auto* wave = new TPRTL_Wave_Display(&window);
    wave->setGeometry(215, 55, 206, 165);
    wave->SetSamplesPerPixel(40);
    wave->SetWaveData(voice.data(), int32_t(voice.size()));
    wave->SetStartingPosition(2000);

    auto* pitch = new TPRTL_TrackBar(&window);
    pitch->setGeometry(536, 82, 45, 134);
    pitch->SetOrientation(TrackBarOrientation::Vertical);
    pitch->SetMax(12);
    pitch->SetPosition(6);

    SliderHousing(&window, QRect(121, 34, 91, 207), QColor(255, 0, 0), QColor(128, 0, 0),
                  QStringLiteral("Record"), 28, 10, TrackBarTickMarks::TopLeft);
    SliderHousing(&window, QRect(425, 34, 91, 207), QColor(0, 255, 0), QColor(0, 128, 0),
                  QStringLiteral("Play"), 29, 0, TrackBarTickMarks::BottomRight);
    SawTooth(&window, QRect(-8, 197, 68, 41), 0, 0, 0, 0, 10, QStringLiteral("Src"));

    const int sfLeft[] = {168, 276, 383};
    const int sfTop[] = {335, 336, 336};
    for (int i = 0; i < 3; ++i) {
        auto* sf = new TPRTL_EllipticalButton(&window);
        sf->setGeometry(sfLeft[i], sfTop[i], 58, 58);
        sf->SetCaption(QStringLiteral("SF1"));
        if (i == 1)
            sf->SetDown(true);
    }

    window.show();
    app.processEvents();
    QImage shot = window.grab().toImage();
    if (zoom > 1)
        shot = shot.scaled(shot.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

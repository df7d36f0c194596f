#include "prtlvled.h"
#include "widget_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kMaroon = qRgb(128, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// The main window's recording meter.
led_meter::Look RecordingMeter(float progress)
{
    return led_meter::Look{QColor(0, 0, 0), QColor(255, 0, 0), QColor(128, 0, 0), 8, progress};
}
}  // namespace

TEST(LedMeterGeometry, LitBarsRoundUpAnyPositiveLevel)
{
    EXPECT_EQ(led_meter::LitCount(8, 0.0f), 0);
    EXPECT_EQ(led_meter::LitCount(8, 0.01f), 1);
    EXPECT_EQ(led_meter::LitCount(8, 0.3f), 3);
    EXPECT_EQ(led_meter::LitCount(8, 0.5f), 4);
    EXPECT_EQ(led_meter::LitCount(8, 0.51f), 5);
    EXPECT_EQ(led_meter::LitCount(8, 1.0f), 8);
    EXPECT_EQ(led_meter::LitCount(5, 0.5f), 3);
}

TEST(LedMeterGeometry, BarsOfTheRecordingMeter)
{
    EXPECT_EQ(led_meter::Pitch(34, 8), 3);
    EXPECT_EQ(led_meter::Gap(3), 0);
    for (int i = 1; i <= 8; ++i) {
        const QRect bar = led_meter::BarPixels(i, 71, 34, 8);
        EXPECT_EQ(bar, QRect(QPoint(4, 31 - 3 * i), QPoint(66, 32 - 3 * i))) << i;
    }
    // A taller meter leaves a background gap inside each pitch.
    EXPECT_EQ(led_meter::Pitch(108, 5), 20);
    EXPECT_EQ(led_meter::Gap(20), 2);
    EXPECT_EQ(led_meter::BarPixels(1, 40, 108, 5), QRect(QPoint(4, 85), QPoint(35, 101)));
}

TEST(LedMeterPicture, HalfLevelLightsTheLowerFourBarsAndFramesTheMeter)
{
    const QImage picture = led_meter::RenderPicture(QSize(71, 34), RecordingMeter(0.5f));
    for (int i = 1; i <= 8; ++i) {
        const QRgb expected = i <= 4 ? kRed : kMaroon;
        EXPECT_EQ(picture.pixel(4, 31 - 3 * i), expected) << i;
        EXPECT_EQ(picture.pixel(66, 32 - 3 * i), expected) << i;
        EXPECT_EQ(picture.pixel(30, 33 - 3 * i), kBlack) << i;  // the row between bars
    }
    EXPECT_EQ(picture.pixel(3, 20), kBlack);
    EXPECT_EQ(picture.pixel(67, 20), kBlack);
    // Sunken frame: grey top and left, white bottom and right.
    EXPECT_EQ(picture.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(picture.pixel(70, 0), qRgb(128, 128, 128));
    EXPECT_EQ(picture.pixel(0, 20), qRgb(128, 128, 128));
    EXPECT_EQ(picture.pixel(0, 33), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(70, 20), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(35, 33), qRgb(255, 255, 255));
}

class LedMeter : public ::testing::Test {
protected:
    void SetUp() override
    {
        meter = new Counted<TPRTL_VerticalLEDs>(&window);
        meter->setGeometry(19, 100, 71, 34);
        meter->SetColor(Qt::black);
        meter->SetLEDOnColor(QColor(255, 0, 0));
        meter->SetLEDOffColor(QColor(128, 0, 0));
        meter->SetNumLEDs(8);
        window.resize(120, 150);
        ShowAndExpose(window);
    }

    QApplication& app = TestApp();
    QWidget window;
    Counted<TPRTL_VerticalLEDs>* meter = nullptr;
};

TEST_F(LedMeter, ProgressIsClampedAndRepaintsOnlyWhenItChanges)
{
    meter->SetProgress(2.5f);
    EXPECT_EQ(meter->Progress(), 1.0f);
    meter->SetProgress(-0.25f);
    EXPECT_EQ(meter->Progress(), 0.0f);
    meter->SetProgress(std::nanf(""));
    EXPECT_EQ(meter->Progress(), 0.0f);

    meter->SetProgress(0.3f);
    const int paints = meter->paints;
    meter->SetProgress(0.3f);
    EXPECT_EQ(meter->paints, paints);
    meter->SetProgress(0.31f);
    EXPECT_EQ(meter->paints, paints + 1);  // at once, not on the next event loop pass
    meter->SetProgress(1.0f);
    meter->SetProgress(7.0f);              // still 1 after clamping
    EXPECT_EQ(meter->paints, paints + 2);
}

TEST_F(LedMeter, MeterWithoutBarsIsRefused)
{
    meter->SetNumLEDs(0);
    meter->SetNumLEDs(-3);
    EXPECT_EQ(meter->NumLEDs(), 8);
}

TEST_F(LedMeter, ScreenShowsTheLevel)
{
    meter->SetProgress(0.3f);
    const QImage screen = Screen(window);
    EXPECT_EQ(screen.pixel(19 + 10, 100 + 31 - 3 * 3), kRed);
    EXPECT_EQ(screen.pixel(19 + 10, 100 + 31 - 3 * 4), kMaroon);
}

TEST_F(LedMeter, ClickAndMouseMoveAreReported)
{
    int clicks = 0;
    QPoint moved;
    QObject::connect(meter, &TPRTL_VerticalLEDs::OnClick, [&] { ++clicks; });
    QObject::connect(meter, &TPRTL_VerticalLEDs::OnMouseMove, [&](int x, int y) { moved = {x, y}; });
    Click(*meter, {10, 10}, {12, 11});
    Click(*meter, {10, 10}, {80, 11});  // released outside: no click
    SendMouse(*meter, QEvent::MouseMove, {33, 7}, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(moved, QPoint(33, 7));
}

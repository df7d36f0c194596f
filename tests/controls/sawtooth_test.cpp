#include "prtlsbtn.h"
#include "widget_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using saw_tooth::Shape;

// The main window's rows: upper effect buttons with bottom teeth, lower ones
// with interlocking top teeth, placed 48 pixels lower and 72 to the right.
Shape UpperRow() { return Shape{132, 61, 12, 0, 0, 0, 3}; }
Shape LowerRow() { return Shape{132, 60, 12, 0, -3, 0, 0}; }

const QRgb kFace = qRgb(192, 192, 192);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kBackdrop = qRgb(0, 0, 255);

std::vector<QPoint> Points(std::initializer_list<std::pair<int, int>> xy)
{
    std::vector<QPoint> points;
    for (const auto& [x, y] : xy)
        points.emplace_back(x, y);
    return points;
}

}  // namespace

TEST(SawToothShape, PolygonsOfTheEffectRows)
{
    EXPECT_EQ(saw_tooth::Pitch(108, 3), 36);
    EXPECT_EQ(saw_tooth::HalfPitch(108, 3), 18);
    EXPECT_EQ(saw_tooth::BottomPolygon(UpperRow()),
              Points({{11, 48}, {29, 60}, {47, 48}, {65, 60}, {83, 48}, {101, 60}, {119, 48}}));
    const gdi::Box body = saw_tooth::Body(UpperRow());
    EXPECT_EQ(QRect(body.left, body.top, body.right - body.left, body.bottom - body.top),
              QRect(QPoint(11, 11), QPoint(118, 47)));
    EXPECT_EQ(saw_tooth::TopPolygon(LowerRow()),
              Points({{11, 12}, {11, 0}, {29, 12}, {47, 0}, {65, 12}, {83, 0}, {101, 12}, {119, 0},
                      {119, 12}}));
    // The 96-wide buttons of the lower row: two pitches of 36 ending at 83.
    const Shape narrow{96, 60, 12, 0, -2, 0, 0};
    EXPECT_EQ(saw_tooth::TopPolygon(narrow),
              Points({{11, 12}, {11, 0}, {29, 12}, {47, 0}, {65, 12}, {83, 0}, {83, 12}}));
}

TEST(SawToothShape, TeethAreInsideTheRegionAndValleysOutside)
{
    const QRegion upper = saw_tooth::Region(UpperRow());
    for (const int tip : {29, 65, 101}) {
        EXPECT_TRUE(upper.contains(QPoint(tip, 59))) << tip;   // last row of the tooth
        EXPECT_FALSE(upper.contains(QPoint(tip, 60))) << tip;  // the tip's own row is an edge
        EXPECT_TRUE(upper.contains(QPoint(tip - 8, 50))) << tip;
    }
    for (const int valley : {11, 47, 83, 119}) {
        EXPECT_FALSE(upper.contains(QPoint(valley, 56))) << valley;
        EXPECT_FALSE(upper.contains(QPoint(valley, 50))) << valley;
    }
    EXPECT_TRUE(upper.contains(QPoint(11, 11)));
    EXPECT_TRUE(upper.contains(QPoint(118, 47)));
    EXPECT_FALSE(upper.contains(QPoint(10, 20)));
    EXPECT_FALSE(upper.contains(QPoint(119, 20)));
    EXPECT_FALSE(upper.contains(QPoint(60, 10)));

    const QRegion lower = saw_tooth::Region(LowerRow());
    for (const int tip : {11, 47, 83, 119}) {
        EXPECT_FALSE(lower.contains(QPoint(tip, 0))) << tip;  // a tip's own row has no width
        EXPECT_TRUE(lower.contains(QPoint(std::min(tip, 118), 1))) << tip;
    }
    for (const int valley : {29, 65, 101}) {
        EXPECT_FALSE(lower.contains(QPoint(valley, 8))) << valley;
        EXPECT_TRUE(lower.contains(QPoint(valley, 12))) << valley;
    }
}

TEST(SawToothShape, UpperAndLowerRowsMeshWithoutGapOrOverlap)
{
    const QRegion upper = saw_tooth::Region(UpperRow());
    const QRegion lower = saw_tooth::Region(LowerRow()).translated(72, 48);
    // Where both rows have teeth, every pixel of the band belongs to exactly one button.
    int shared = 0;
    int uncovered = 0;
    for (int y = 48; y <= 58; ++y) {
        for (int x = 83; x < 119; ++x) {
            const bool inUpper = upper.contains(QPoint(x, y));
            const bool inLower = lower.contains(QPoint(x, y));
            shared += inUpper && inLower;
            uncovered += !inUpper && !inLower;
        }
    }
    EXPECT_EQ(shared, 0);
    EXPECT_EQ(uncovered, 0);
    // The upper tooth between them does reach into the lower button's valley.
    EXPECT_TRUE(upper.contains(QPoint(101, 58)));
    EXPECT_FALSE(lower.contains(QPoint(101, 58)));
}

TEST(SawToothShape, WithoutTeethTheButtonIsTheInsetRectangle)
{
    const Shape plain{68, 41, 10, 0, 0, 0, 0};
    EXPECT_EQ(Pixels(saw_tooth::Region(plain)), Pixels(QRegion(9, 9, 48, 21)));

    // Negative counts (other than an interlocking top) are straight sides too.
    const Shape negative{68, 41, 10, -3, 0, -1, -7};
    EXPECT_EQ(Pixels(saw_tooth::Region(negative)), Pixels(saw_tooth::Region(plain)));
    const auto a = saw_tooth::Outline(plain, true);
    const auto b = saw_tooth::Outline(negative, true);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].from, b[i].from);
        EXPECT_EQ(a[i].to, b[i].to);
        EXPECT_EQ(a[i].color, b[i].color);
    }
}

class SawToothButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(200, 140);
        parent.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(kBackdrop));
        parent.setPalette(palette);
        button = new Counted<TPRTL_SawToothButton>(&parent);
        button->setGeometry(0, 0, 132, 61);
        button->SetLeftTeeth(0);
        button->SetRightTeeth(0);
        button->SetTopTeeth(0);
        button->SetBottomTeeth(3);
        button->SetToothSize(12);
        ShowAndExpose(parent);
        QObject::connect(button, &TPRTL_SawToothButton::OnClick, [this] {
            ++clicks;
            downSeenByClick = button->Down();
        });
    }

    QApplication& app = TestApp();
    QWidget parent;
    Counted<TPRTL_SawToothButton>* button = nullptr;
    int clicks = 0;
    bool downSeenByClick = false;
};

TEST_F(SawToothButton, OnClickSeesTheNewDownState)
{
    Click(*button, {60, 30}, {60, 30});
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(downSeenByClick);
    EXPECT_TRUE(button->Down());
    EXPECT_FALSE(button->Raised());
    Click(*button, {60, 30}, {61, 32});
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(downSeenByClick);
    EXPECT_TRUE(button->Raised());
}

TEST_F(SawToothButton, ReleaseOutsidePopsAnUpButtonBackWithoutClick)
{
    SendMouse(*button, QEvent::MouseButtonPress, {60, 30});
    EXPECT_FALSE(button->Raised());  // held
    SendMouse(*button, QEvent::MouseButtonRelease, {60, 200});
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->Down());
    EXPECT_TRUE(button->Raised());

    // A down button stays down.
    Click(*button, {60, 30}, {60, 30});
    Click(*button, {60, 30}, {-5, 30});
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button->Down());
    EXPECT_FALSE(button->Raised());
    // Just past the right edge is outside.
    Click(*button, {60, 30}, {132, 30});
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(clicks, 1);
}

TEST_F(SawToothButton, DownFromCodeRepaintsAtOnceButRaisesNoClick)
{
    const int before = button->paints;
    button->SetDown(true);
    EXPECT_EQ(button->paints, before + 1);
    EXPECT_FALSE(button->Raised());
    button->SetDown(true);
    EXPECT_EQ(button->paints, before + 1);
    button->SetDown(false);
    EXPECT_TRUE(button->Raised());
    EXPECT_EQ(clicks, 0);
}

TEST_F(SawToothButton, TeethCountsOfTwentyOrMoreAreIgnored)
{
    button->SetBottomTeeth(20);
    EXPECT_EQ(button->BottomTeeth(), 3);
    button->SetTopTeeth(-21);
    EXPECT_EQ(button->TopTeeth(), 0);
    button->SetTopTeeth(-20);
    EXPECT_EQ(button->TopTeeth(), -20);
    button->SetLeftTeeth(19);
    EXPECT_EQ(button->LeftTeeth(), 19);
    EXPECT_EQ(Pixels(button->mask()),
              Pixels(saw_tooth::Region(Shape{132, 61, 12, 19, -20, 0, 3})));
}

TEST_F(SawToothButton, ScreenShowsTheShapeAndTheOutline)
{
    QImage screen = Screen(parent);
    EXPECT_EQ(screen.pixel(29, 55), kFace);       // inside a tooth
    EXPECT_EQ(screen.pixel(47, 57), kBackdrop);   // a valley shows the parent
    EXPECT_EQ(screen.pixel(5, 5), kBackdrop);     // the inset margin too
    EXPECT_EQ(screen.pixel(11, 30), kWhite);      // highlight on the left
    EXPECT_EQ(screen.pixel(60, 11), kWhite);      // and on top
    EXPECT_EQ(screen.pixel(118, 30), kBlack);     // shadow on the right
    EXPECT_EQ(screen.pixel(117, 30), kGrey);
    EXPECT_EQ(screen.pixel(20, 54), kWhite);      // left flank of a tooth: highlight
    EXPECT_EQ(screen.pixel(39, 53), kBlack);      // right flank: shadow

    button->SetDown(true);
    screen = Screen(parent);
    EXPECT_EQ(screen.pixel(11, 30), kBlack);
    EXPECT_EQ(screen.pixel(118, 30), kWhite);
    EXPECT_EQ(screen.pixel(20, 54), kBlack);
    EXPECT_EQ(screen.pixel(39, 53), kWhite);
}

TEST_F(SawToothButton, PictureIsCentredAndShiftsWhenPressed)
{
    QPixmap up(20, 10);
    up.fill(Qt::red);
    QPixmap down(20, 10);
    down.fill(Qt::green);
    button->SetUpImage(up);
    button->SetDownImage(down);
    // Body 108 x 37 from (12, 12): picture at 12 + 44 - 1, 12 + 14 - 1 (nearest(13.5) = 14).
    QImage screen = Screen(parent);
    EXPECT_EQ(screen.pixel(55, 25), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(54, 25), kFace);
    EXPECT_EQ(screen.pixel(74, 34), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(75, 34), kFace);
    button->SetDown(true);
    screen = Screen(parent);
    EXPECT_EQ(screen.pixel(55, 25), kFace);
    EXPECT_EQ(screen.pixel(56, 26), qRgb(0, 255, 0));
    EXPECT_EQ(screen.pixel(75, 35), qRgb(0, 255, 0));
}

#include "prtlepnl.h"
#include "prtlrbtn.h"
#include "widget_test_support.h"

#include <gtest/gtest.h>

namespace {
const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kBackdrop = qRgb(0, 0, 255);

void PaintBackdrop(QWidget& window)
{
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(kBackdrop));
    window.setPalette(palette);
}
}  // namespace

TEST(OvalShape, RightColumnAndBottomRowAreNeverVisible)
{
    const QRegion region = oval::Region(QSize(58, 58));
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 57, 57));
    EXPECT_TRUE(region.contains(QPoint(0, 28)));
    EXPECT_TRUE(region.contains(QPoint(56, 28)));
    EXPECT_TRUE(region.contains(QPoint(28, 56)));
    EXPECT_FALSE(region.contains(QPoint(57, 28)));
    EXPECT_FALSE(region.contains(QPoint(28, 57)));
    EXPECT_FALSE(region.contains(QPoint(3, 3)));
}

TEST(OvalShape, BevelArcsOfTheSampleVoiceButtons)
{
    const auto raised = oval::Bevel(QSize(58, 58), true);
    EXPECT_EQ(raised[0].box.right, 56);  // inner arcs on (1, 1)-(56, 56)
    EXPECT_EQ(raised[0].box.left, 1);
    EXPECT_EQ(raised[1].box.right, 57);  // outer arcs on (0, 0)-(57, 57)
    EXPECT_EQ(raised[3].box.bottom, 57);
    const QColor raisedColours[] = {QColor(128, 128, 128), QColor(0, 0, 0), QColor(192, 192, 192),
                                    QColor(255, 255, 255)};
    const auto sunken = oval::Bevel(QSize(58, 58), false);
    const QColor sunkenColours[] = {QColor(192, 192, 192), QColor(255, 255, 255),
                                    QColor(128, 128, 128), QColor(0, 0, 0)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(raised[size_t(i)].color, raisedColours[i]) << i;
        EXPECT_EQ(sunken[size_t(i)].color, sunkenColours[i]) << i;
    }
    // Lower-right arcs first (starting lower left), upper-left arcs after
    // (starting upper right): each about a half turn.
    for (size_t i = 0; i < raised.size(); ++i) {
        const gdi::ArcAngles sweep = gdi::ArcSweep(raised[i].box, raised[i].start, raised[i].end);
        EXPECT_NEAR(sweep.spanDegrees, 180, 8) << i;
        if (i < 2)
            EXPECT_TRUE(sweep.startDegrees > -180 && sweep.startDegrees < -90) << i;
        else
            EXPECT_TRUE(sweep.startDegrees > 0 && sweep.startDegrees < 90) << i;
    }
}

class EllipticalButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        PaintBackdrop(window);
        window.resize(120, 120);
        button = new TPRTL_EllipticalButton(&window);
        button->setGeometry(20, 20, 58, 58);
        ShowAndExpose(window);
        QObject::connect(button, &TPRTL_EllipticalButton::OnClick, [this] {
            ++clicks;
            downSeenByClick = button->Down();
        });
    }

    QApplication& app = TestApp();
    QWidget window;
    TPRTL_EllipticalButton* button = nullptr;
    int clicks = 0;
    bool downSeenByClick = true;
};

TEST_F(EllipticalButton, OnClickSeesDownBeforeTheToggle)
{
    Click(*button, {29, 29}, {29, 29});
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(downSeenByClick);
    EXPECT_TRUE(button->Down());
    EXPECT_FALSE(button->Raised());
    Click(*button, {29, 29}, {29, 29});
    EXPECT_TRUE(downSeenByClick);
    EXPECT_FALSE(button->Down());
    EXPECT_TRUE(button->Raised());
}

TEST_F(EllipticalButton, ReleaseOutsideStillTogglesButRaisesNoClick)
{
    Click(*button, {29, 29}, {200, 29});
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button->Down());
    EXPECT_FALSE(button->Raised());
}

TEST_F(EllipticalButton, DownFromCodeShowsThePressedLook)
{
    const QColor up(255, 0, 0);
    const QColor down(0, 255, 0);
    QPixmap upImage(10, 10);
    upImage.fill(up);
    QPixmap downImage(10, 10);
    downImage.fill(down);
    button->SetUpImage(upImage);
    button->SetDownImage(downImage);

    QImage screen = Screen(window);
    EXPECT_EQ(screen.pixel(20 + 24, 20 + 24), up.rgb());  // centred: nearest(48 / 2) = 24
    EXPECT_EQ(screen.pixel(20 + 23, 20 + 24), kSilver);
    EXPECT_EQ(screen.pixel(20 + 57, 20 + 29), kBackdrop);  // right-most column: never visible

    button->SetDown(true);
    EXPECT_FALSE(button->Raised());
    screen = Screen(window);
    EXPECT_EQ(screen.pixel(20 + 24, 20 + 24), kSilver);
    EXPECT_EQ(screen.pixel(20 + 25, 20 + 25), down.rgb());
    EXPECT_EQ(screen.pixel(20 + 34, 20 + 34), down.rgb());
    button->SetDown(false);
    EXPECT_TRUE(button->Raised());
    EXPECT_EQ(Screen(window).pixel(20 + 24, 20 + 24), up.rgb());
    EXPECT_EQ(clicks, 0);
}

TEST_F(EllipticalButton, ShapeFollowsTheSize)
{
    button->resize(40, 30);
    EXPECT_EQ(Pixels(button->mask()), Pixels(oval::Region(QSize(40, 30))));
}

class EllipticalPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A slider housing of the main window.
        PaintBackdrop(window);
        window.resize(120, 240);
        panel = new TPRTL_EllipticalPanel(&window);
        panel->setGeometry(10, 10, 91, 207);
    }

    QApplication& app = TestApp();
    QWidget window;
    TPRTL_EllipticalPanel* panel = nullptr;
};

TEST_F(EllipticalPanel, FlatPanelClipsItsChildrenToTheOval)
{
    panel->SetBevelOuter(BevelCut::NoBevel);
    panel->SetColor(QColor(255, 255, 225));
    auto* child = new QWidget(panel);
    child->setGeometry(0, 0, 91, 207);
    child->setAutoFillBackground(true);
    QPalette red;
    red.setColor(QPalette::Window, Qt::red);
    child->setPalette(red);
    ShowAndExpose(window);

    const QImage screen = Screen(window);
    EXPECT_EQ(screen.pixel(10 + 45, 10 + 103), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(10 + 2, 10 + 2), kBackdrop);
    EXPECT_EQ(screen.pixel(10 + 90, 10 + 103), kBackdrop);
    delete child;
    const QImage flat = Screen(window);
    EXPECT_EQ(flat.pixel(10 + 45, 10 + 103), qRgb(255, 255, 225));
    EXPECT_EQ(flat.pixel(10 + 1, 10 + 103), qRgb(0, 0, 0));  // black rim
}

TEST_F(EllipticalPanel, RaisedBevelIsLightTopLeftAndDarkBottomRight)
{
    ShowAndExpose(window);
    EXPECT_EQ(panel->BevelOuter(), BevelCut::Raised);
    QImage screen = Screen(window);
    EXPECT_EQ(screen.pixel(10 + 0, 10 + 103), qRgb(255, 255, 255));
    EXPECT_EQ(screen.pixel(10 + 89, 10 + 103), qRgb(0, 0, 0));
    panel->SetBevelOuter(BevelCut::Lowered);
    screen = Screen(window);
    EXPECT_EQ(screen.pixel(10 + 0, 10 + 103), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(10 + 89, 10 + 103), qRgb(255, 255, 255));
}

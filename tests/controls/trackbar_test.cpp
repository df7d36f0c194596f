#include "prtltbar.h"
#include "widget_test_support.h"

#include <QKeyEvent>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

namespace {

class TrackBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The pitch bar of the main window.
        bar = new TPRTL_TrackBar(&window);
        bar->setGeometry(10, 10, 45, 134);
        bar->SetOrientation(TrackBarOrientation::Vertical);
        bar->SetMax(12);
        bar->SetPosition(6);
        window.resize(80, 160);
        ShowAndExpose(window);
        QObject::connect(bar, &TPRTL_TrackBar::OnChange, [this] {
            ++changes;
            seen = bar->Position();
        });
    }

    QRect Handle() const
    {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.upsideDown = bar->invertedAppearance() == (bar->orientation() == Qt::Horizontal);
        option.tickPosition = bar->tickPosition();
        option.tickInterval = bar->tickInterval();
        option.subControls = QStyle::SC_SliderHandle;
        return bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    }

    void Key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &press);
    }

    QApplication& app = TestApp();
    QWidget window;
    TPRTL_TrackBar* bar = nullptr;
    int changes = 0;
    int seen = -1;
};

}  // namespace

TEST_F(TrackBar, PositionFromCodeIsClampedAndEchoedOnceOnChange)
{
    bar->SetPosition(9);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(seen, 9);
    bar->SetPosition(9);
    EXPECT_EQ(changes, 1);
    bar->SetPosition(40);
    EXPECT_EQ(bar->Position(), 12);
    EXPECT_EQ(changes, 2);
    bar->SetPosition(13);  // still the maximum
    EXPECT_EQ(changes, 2);
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(changes, 3);
}

TEST_F(TrackBar, RangeChangesKeepThePositionInside)
{
    bar->SetMax(4);
    EXPECT_EQ(bar->Position(), 4);
    EXPECT_EQ(changes, 1);
    bar->SetMin(7);  // above Max: ignored
    EXPECT_EQ(bar->Min(), 0);
    bar->SetMax(255);
    EXPECT_EQ(bar->Position(), 4);
    EXPECT_EQ(changes, 1);
}

TEST_F(TrackBar, VerticalBarHasItsMinimumAtTheTop)
{
    bar->SetPosition(0);
    const QRect atMin = Handle();
    bar->SetPosition(12);
    const QRect atMax = Handle();
    EXPECT_LT(atMin.center().y(), atMax.center().y());
    EXPECT_LT(atMin.top(), 15);
    EXPECT_GT(atMax.bottom(), 134 - 15);
    EXPECT_EQ(atMin.width(), 20);  // the thumb's breadth
}

TEST_F(TrackBar, EveryKeyStepIsANotificationEvenAtTheEnd)
{
    Key(Qt::Key_Up);
    EXPECT_EQ(bar->Position(), 5);
    EXPECT_EQ(seen, 5);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(bar->Position(), 7);
    Key(Qt::Key_Home);
    EXPECT_EQ(bar->Position(), 0);
    const int before = changes;
    Key(Qt::Key_Up);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(changes, before + 1);
    Key(Qt::Key_End);
    EXPECT_EQ(seen, 12);
}

TEST_F(TrackBar, DraggingTheThumbReportsEveryMove)
{
    const QPoint grip = Handle().center();
    SendMouse(*bar, QEvent::MouseButtonPress, grip);
    const QRect groove = bar->rect();
    int moves = 0;
    int lastSeen = bar->Position();
    for (int y = grip.y() + 4; y < groove.bottom(); y += 8) {
        SendMouse(*bar, QEvent::MouseMove, {grip.x(), y});
        if (bar->Position() != lastSeen) {
            ++moves;
            lastSeen = bar->Position();
            EXPECT_EQ(seen, lastSeen);
        }
    }
    const int duringDrag = changes;
    EXPECT_GE(duringDrag, moves);
    EXPECT_GT(moves, 2);
    EXPECT_EQ(bar->Position(), 12);  // dragged down to the maximum
    SendMouse(*bar, QEvent::MouseButtonRelease, {grip.x(), groove.bottom()});
    EXPECT_EQ(changes, duringDrag + 1);  // the end of the drag is a notification too
}

TEST_F(TrackBar, TicksFollowStyleMarksAndFrequency)
{
    EXPECT_EQ(bar->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(bar->tickInterval(), 1);
    bar->SetTickMarks(TrackBarTickMarks::TopLeft);
    EXPECT_EQ(bar->tickPosition(), QSlider::TicksAbove);
    bar->SetFrequency(3);
    EXPECT_EQ(bar->tickInterval(), 3);
    bar->SetTickStyle(TrackBarTickStyle::Manual);
    EXPECT_EQ(bar->tickInterval(), 12);
    bar->SetTickStyle(TrackBarTickStyle::NoTicks);
    EXPECT_EQ(bar->tickPosition(), QSlider::NoTicks);
    bar->SetSelStart(2);
    bar->SetSelEnd(5);
    EXPECT_EQ(changes, 0);
}

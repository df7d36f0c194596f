#include "prtltbar.h"

#include <QKeyEvent>
#include <QProxyStyle>

#include <algorithm>

// Gives the thumb its breadth across the channel (the track bar's fixed thumb
// length) and half of it, plus one, along the channel.
class TPRTL_TrackBar::ThumbStyle : public QProxyStyle {
public:
    int thumbLength = 20;

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        switch (metric) {
        case PM_SliderThickness:
        case PM_SliderControlThickness:
            return thumbLength;
        case PM_SliderLength:
            return thumbLength / 2 + 1;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

TPRTL_TrackBar::TPRTL_TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    m_style = new ThumbStyle;
    m_style->setParent(this);  // outlives every use the widget makes of it
    setStyle(m_style);

    setRange(0, 10);
    setValue(0);
    setSingleStep(1);
    setPageStep(2);
    // The wheel moves the thumb towards the minimum when turned away from
    // the user, as it does on the classic track bar.
    setInvertedControls(true);
    UpdateTicks();

    // Every user action is a scroll notification: report it once the thumb
    // has its new place, whether or not it moved.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int) { emit OnChange(); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { emit OnChange(); });
}

void TPRTL_TrackBar::SetRange(int min, int max)
{
    const int before = value();
    setRange(min, max);
    if (value() != before)
        emit OnChange();
}

void TPRTL_TrackBar::SetMin(int value)
{
    if (value > maximum() || value == minimum())
        return;
    SetRange(value, maximum());
    UpdateTicks();
}

void TPRTL_TrackBar::SetMax(int value)
{
    if (value < minimum() || value == maximum())
        return;
    SetRange(minimum(), value);
    UpdateTicks();
}

void TPRTL_TrackBar::SetPosition(int value)
{
    value = std::clamp(value, minimum(), maximum());
    if (value == sliderPosition())
        return;
    setValue(value);
    emit OnChange();
}

void TPRTL_TrackBar::SetOrientation(TrackBarOrientation orientation)
{
    m_orientation = orientation;
    const bool vertical = orientation == TrackBarOrientation::Vertical;
    setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    // Minimum at the top.
    setInvertedAppearance(vertical);
}

void TPRTL_TrackBar::SetFrequency(int frequency)
{
    m_frequency = frequency;
    UpdateTicks();
}

void TPRTL_TrackBar::SetThumbLength(int length)
{
    if (length == m_thumbLength || length < 1)
        return;
    m_thumbLength = length;
    m_style->thumbLength = length;
    updateGeometry();
    update();
}

void TPRTL_TrackBar::SetTickStyle(TrackBarTickStyle style)
{
    m_tickStyle = style;
    UpdateTicks();
}

void TPRTL_TrackBar::SetTickMarks(TrackBarTickMarks marks)
{
    m_tickMarks = marks;
    UpdateTicks();
}

void TPRTL_TrackBar::UpdateTicks()
{
    switch (m_tickStyle) {
    case TrackBarTickStyle::None:
        setTickPosition(NoTicks);
        return;
    case TrackBarTickStyle::Auto:
        setTickInterval(std::max(1, m_frequency));
        break;
    case TrackBarTickStyle::Manual:
        // No ticks were added by hand: only the two ends carry one.
        setTickInterval(std::max(1, maximum() - minimum()));
        break;
    }
    switch (m_tickMarks) {
    case TrackBarTickMarks::BottomRight:
        setTickPosition(TicksBelow);
        break;
    case TrackBarTickMarks::TopLeft:
        setTickPosition(TicksAbove);
        break;
    case TrackBarTickMarks::Both:
        setTickPosition(TicksBothSides);
        break;
    }
}

void TPRTL_TrackBar::keyPressEvent(QKeyEvent* event)
{
    // The classic keys, the same in both orientations: up and left towards
    // the minimum, down and right towards the maximum.
    SliderAction action = SliderNoAction;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        action = SliderSingleStepSub;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        action = SliderSingleStepAdd;
        break;
    case Qt::Key_PageUp:
        action = SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = SliderToMinimum;
        break;
    case Qt::Key_End:
        action = SliderToMaximum;
        break;
    default:
        QSlider::keyPressEvent(event);
        return;
    }
    triggerAction(action);
    event->accept();
}

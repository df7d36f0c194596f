#include "prtltbar.h"

#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <qdrawutil.h>

#include <algorithm>

// Gives the thumb its breadth across the channel (the track bar's fixed thumb
// length) and half of it, plus one, along the channel, and draws the channel
// as a plain sunken groove: styles fill the part between the minimum and the
// thumb, which would read as a selection band.
class TPRTL_TrackBar::ThumbStyle : public QProxyStyle {
public:
    int thumbLength = 20;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override
    {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_Slider || slider == nullptr || !(slider->subControls & SC_SliderGroove)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect groove = subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
        qDrawWinPanel(painter, Channel(groove, slider->orientation), slider->palette, true,
                      &slider->palette.brush(QPalette::Base));
        QStyleOptionSlider rest(*slider);
        rest.subControls &= ~SC_SliderGroove;
        QProxyStyle::drawComplexControl(control, &rest, painter, widget);
    }

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

private:
    static constexpr int kChannelWidth = 4;

    // A thin channel along the middle of the groove.
    static QRect Channel(const QRect& groove, Qt::Orientation orientation)
    {
        if (orientation == Qt::Horizontal)
            return QRect(groove.left(), groove.center().y() - kChannelWidth / 2 + 1, groove.width(),
                         kChannelWidth);
        return QRect(groove.center().x() - kChannelWidth / 2 + 1, groove.top(), kChannelWidth,
                     groove.height());
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
    case TrackBarTickStyle::NoTicks:
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

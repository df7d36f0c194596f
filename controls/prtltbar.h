// TPRTL_TrackBar: the slider of the pitch bar and the volume sliders, with the
// rules of the classic track-bar control: a vertical bar has its minimum at
// the top; the position is kept within Min .. Max; OnChange fires for every
// change made from code and for every scroll notification from the user
// (each step, page, key, wheel turn and drag movement, and the end of a drag),
// whether or not the position moved. No selection band is shown.
#pragma once

#include <QSlider>

enum class TrackBarOrientation { Horizontal, Vertical };
enum class TrackBarTickStyle { NoTicks, Auto, Manual };
enum class TrackBarTickMarks { BottomRight, TopLeft, Both };

class TPRTL_TrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TPRTL_TrackBar(QWidget* parent = nullptr);

    // Min above Max (or Max below Min) is ignored. A range change that moves
    // the position raises OnChange.
    int Min() const { return minimum(); }
    void SetMin(int value);
    int Max() const { return maximum(); }
    void SetMax(int value);
    // Clamped to Min .. Max; raises OnChange when the stored value changes.
    int Position() const { return sliderPosition(); }
    void SetPosition(int value);

    TrackBarOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TrackBarOrientation orientation);
    // Distance between automatic ticks.
    int Frequency() const { return m_frequency; }
    void SetFrequency(int frequency);
    int LineSize() const { return singleStep(); }
    void SetLineSize(int size) { setSingleStep(size); }
    int PageSize() const { return pageStep(); }
    void SetPageSize(int size) { setPageStep(size); }
    // Breadth of the thumb across the channel, in pixels.
    int ThumbLength() const { return m_thumbLength; }
    void SetThumbLength(int length);
    TrackBarTickStyle TickStyle() const { return m_tickStyle; }
    void SetTickStyle(TrackBarTickStyle style);
    TrackBarTickMarks TickMarks() const { return m_tickMarks; }
    void SetTickMarks(TrackBarTickMarks marks);
    // Kept for the owner; this track bar never shows a selection band.
    int SelStart() const { return m_selStart; }
    void SetSelStart(int value) { m_selStart = value; }
    int SelEnd() const { return m_selEnd; }
    void SetSelEnd(int value) { m_selEnd = value; }

signals:
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetRange(int min, int max);
    void UpdateTicks();

    class ThumbStyle;
    ThumbStyle* m_style = nullptr;
    TrackBarOrientation m_orientation = TrackBarOrientation::Horizontal;
    TrackBarTickStyle m_tickStyle = TrackBarTickStyle::Auto;
    TrackBarTickMarks m_tickMarks = TrackBarTickMarks::BottomRight;
    int m_frequency = 1;
    int m_thumbLength = 20;
    int m_selStart = 0;
    int m_selEnd = 0;
};

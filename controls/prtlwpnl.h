// TPRTL_Wave_Display: the oval oscilloscope-like view of the voice. It draws a
// min/max trace of signed 16-bit little-endian mono samples in lime on black,
// clipped to an ellipse, with a red zero line, a green centre line and a
// sunken oval rim. The samples are lent, never owned.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace wave_display {

// One pixel column of the trace: the rows of the column's minimum and
// maximum sample (a higher sample is a smaller row).
struct TraceColumn {
    int x = 0;
    int minRow = 0;
    int maxRow = 0;
};

// The row of the zero line: nearest(height / 2).
int MidRow(int height);

// The column of the first sample drawn: the centre column while the start
// lies less than half a view of samples into the data, moving left by one
// column per `samplesPerPixel` samples, and 0 from then on.
int StartColumn(int width, int32_t samplesPerPixel, int32_t startingPosition);

// The trace columns for the samples from byte `startingPosition` on, one
// column per `samplesPerPixel` samples, from StartColumn up to the right edge
// or the end of the data. Only whole samples inside the data are read; no
// data, a start outside the data or fewer than one sample per pixel give no
// trace.
std::vector<TraceColumn> TraceColumns(const uint8_t* data, int32_t lengthInBytes,
                                      int32_t startingPosition, int32_t samplesPerPixel,
                                      int width, int height);

struct Source {
    const uint8_t* data = nullptr;
    int32_t lengthInBytes = 0;
    int32_t startingPosition = 0;
    int32_t samplesPerPixel = 3;
};

// The whole picture: black, the trace as one connected polyline through each
// column's minimum and maximum, the zero and centre lines and the rim.
QImage RenderPicture(QSize size, const Source& source);

}  // namespace wave_display

class TPRTL_Wave_Display : public QWidget {
    Q_OBJECT
public:
    explicit TPRTL_Wave_Display(QWidget* parent = nullptr);

    // Byte offset of the first sample drawn (even, within the data).
    int32_t StartingPosition() const { return m_source.startingPosition; }
    void SetStartingPosition(int32_t position);
    // Samples summarised per pixel column; values below 1 are ignored.
    int32_t SamplesPerPixel() const { return m_source.samplesPerPixel; }
    void SetSamplesPerPixel(int32_t samples);
    // Lends the view the samples; the caller keeps them alive and calls this
    // again whenever they change or go away.
    void SetWaveData(const uint8_t* data, int32_t lengthInBytes);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    wave_display::Source m_source;
    QImage m_picture;
    bool m_needsRedraw = true;
    bool m_shaped = false;
};

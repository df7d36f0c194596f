#include "prtlwpnl.h"

#include "gdidraw.h"

#include <QPainter>

namespace wave_display {

namespace {

const QColor kBackground(0, 0, 0);
const QColor kTrace(0, 255, 0);
const QColor kZeroLine(255, 0, 0);
const QColor kCentreLine(0, 128, 0);
const QColor kRimLight(255, 255, 255);
const QColor kRimShadow(128, 128, 128);
constexpr int kRimWidth = 2;

int16_t SampleAt(const uint8_t* p)
{
    return int16_t(uint16_t(p[0]) | uint16_t(uint16_t(p[1]) << 8));
}

}  // namespace

int MidRow(int height)
{
    return gdi::Nearest(height / 2.0);
}

int StartColumn(int width, int32_t samplesPerPixel, int32_t startingPosition)
{
    const int64_t half = gdi::Nearest(width / 2.0);
    const int64_t halfView = half * samplesPerPixel;
    if (startingPosition < halfView)
        return gdi::Nearest(double(halfView - startingPosition) / samplesPerPixel);
    return 0;
}

std::vector<TraceColumn> TraceColumns(const uint8_t* data, int32_t lengthInBytes,
                                      int32_t startingPosition, int32_t samplesPerPixel,
                                      int width, int height)
{
    std::vector<TraceColumn> columns;
    if (data == nullptr || samplesPerPixel < 1 || startingPosition < 0 || width <= 0)
        return columns;
    const int64_t remainingBytes = int64_t(lengthInBytes) - startingPosition;
    // A trailing odd byte is not a sample: never read past the data.
    int64_t samplesLeft = remainingBytes > 0 ? remainingBytes / 2 : 0;
    if (samplesLeft == 0)
        return columns;

    const int mid = MidRow(height);
    const double rowsPerUnit = (height / 2.0) / 32768.0;
    const uint8_t* cursor = data + startingPosition;
    int x = StartColumn(width, samplesPerPixel, startingPosition);
    do {
        int lowest = 0;
        int highest = 0;
        for (int32_t count = samplesPerPixel; count > 0 && samplesLeft > 0; --count) {
            const int s = SampleAt(cursor);
            if (count == samplesPerPixel)
                lowest = highest = s;
            if (s > highest)
                highest = s;
            else if (s < lowest)
                lowest = s;
            cursor += 2;
            --samplesLeft;
        }
        columns.push_back(TraceColumn{x, mid - gdi::Nearest(lowest * rowsPerUnit),
                                      mid - gdi::Nearest(highest * rowsPerUnit)});
        ++x;
    } while (x < width && samplesLeft != 0);
    return columns;
}

QImage RenderPicture(QSize size, const Source& source)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const int w = size.width();
    const int h = size.height();
    picture.fill(kBackground);
    QPainter painter(&picture);

    const std::vector<TraceColumn> columns =
        TraceColumns(source.data, source.lengthInBytes, source.startingPosition,
                     source.samplesPerPixel, w, h);
    if (!columns.empty()) {
        // One connected polyline: into each column at its minimum, up to its maximum.
        gdi::LinePlotter trace;
        trace.SetPen(kTrace);
        trace.MoveTo(columns.front().x, columns.front().minRow);
        for (const TraceColumn& column : columns) {
            trace.LineTo(column.x, column.minRow);
            trace.LineTo(column.x, column.maxRow);
        }
        gdi::DrawLines(painter, trace.Lines());
    }

    const int mid = MidRow(h);
    gdi::DrawLine(painter, QPoint(0, mid), QPoint(w, mid), kZeroLine);
    const int centre = gdi::Nearest(w / 2.0);
    gdi::DrawLine(painter, QPoint(centre, 0), QPoint(centre, h), kCentreLine);

    // Sunken rim: light lower-right half, shadowed upper-left half.
    const gdi::Box box{0, 0, w, h};
    gdi::DrawArc(painter, box, QPoint(0, h), QPoint(w, 0), kRimLight, kRimWidth);
    gdi::DrawArc(painter, box, QPoint(w, 0), QPoint(0, h), kRimShadow, kRimWidth);
    return picture;
}

}  // namespace wave_display

TPRTL_Wave_Display::TPRTL_Wave_Display(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPRTL_Wave_Display::SetWaveData(const uint8_t* data, int32_t lengthInBytes)
{
    m_source.data = data;
    m_source.lengthInBytes = lengthInBytes;
    m_needsRedraw = true;
    repaint();
}

void TPRTL_Wave_Display::SetStartingPosition(int32_t position)
{
    if (position == m_source.startingPosition)
        return;
    m_source.startingPosition = position;
    m_needsRedraw = true;
    repaint();
}

void TPRTL_Wave_Display::SetSamplesPerPixel(int32_t samples)
{
    if (samples < 1 || samples == m_source.samplesPerPixel)
        return;
    m_source.samplesPerPixel = samples;
    m_needsRedraw = true;
    repaint();
}

void TPRTL_Wave_Display::showEvent(QShowEvent*)
{
    // The oval is cut once, when the view first appears, at the size it has
    // then; later size changes keep it.
    if (m_shaped)
        return;
    m_shaped = true;
    setMask(gdi::EllipticRegion({0, 0, width(), height()}));
}

void TPRTL_Wave_Display::paintEvent(QPaintEvent*)
{
    // Exposure repaints copy the cached picture; it is rendered again only
    // after a change of data, position, scale or size.
    if (m_picture.size() != size())
        m_needsRedraw = true;
    if (m_needsRedraw) {
        m_picture = wave_display::RenderPicture(size(), m_source);
        m_needsRedraw = false;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

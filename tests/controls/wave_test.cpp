#include "gdidraw.h"
#include "prtlwpnl.h"
#include "widget_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QRgb kLime = qRgb(0, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// Little-endian 16-bit samples in a buffer of exactly their size, so that
// the address sanitizer sees any read past the end.
class Samples {
public:
    explicit Samples(const std::vector<int16_t>& values, int extraBytes = 0)
        : m_length(int32_t(values.size() * 2) + extraBytes),
          m_bytes(std::make_unique<uint8_t[]>(size_t(m_length)))
    {
        for (size_t i = 0; i < values.size(); ++i) {
            m_bytes[2 * i] = uint8_t(uint16_t(values[i]) & 0xFF);
            m_bytes[2 * i + 1] = uint8_t(uint16_t(values[i]) >> 8);
        }
        for (int i = 0; i < extraBytes; ++i)
            m_bytes[values.size() * 2 + size_t(i)] = 0x7F;
    }
    const uint8_t* Data() const { return m_bytes.get(); }
    int32_t Length() const { return m_length; }

private:
    int32_t m_length;
    std::unique_ptr<uint8_t[]> m_bytes;
};

int CountColour(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

}  // namespace

TEST(WaveTrace, FullScaleReachesTheTopAndBottomRows)
{
    EXPECT_EQ(wave_display::MidRow(165), 82);
    EXPECT_EQ(wave_display::MidRow(166), 83);
    const Samples samples({32767, -32768, 0, 0});
    const auto columns =
        wave_display::TraceColumns(samples.Data(), samples.Length(), 0, 2, 206, 165);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].x, 103);
    EXPECT_EQ(columns[0].maxRow, 0);
    EXPECT_EQ(columns[0].minRow, 164);
    EXPECT_EQ(columns[1].minRow, 82);
    EXPECT_EQ(columns[1].maxRow, 82);
}

TEST(WaveTrace, StartColumnMovesLeftOneColumnPerPixelOfSamples)
{
    EXPECT_EQ(wave_display::StartColumn(206, 40, 0), 103);
    EXPECT_EQ(wave_display::StartColumn(206, 40, 40), 102);
    EXPECT_EQ(wave_display::StartColumn(206, 40, 60), 102);  // 101.5 goes to the even neighbour
    EXPECT_EQ(wave_display::StartColumn(206, 40, 4080), 1);
    EXPECT_EQ(wave_display::StartColumn(206, 40, 4120), 0);
    EXPECT_EQ(wave_display::StartColumn(206, 40, 1 << 30), 0);
}

TEST(WaveTrace, NothingToDrawGivesNoTrace)
{
    const Samples samples({100, 200, 300, 400});
    EXPECT_TRUE(wave_display::TraceColumns(nullptr, 0, 0, 40, 206, 165).empty());
    EXPECT_TRUE(wave_display::TraceColumns(samples.Data(), samples.Length(), samples.Length(), 40,
                                           206, 165).empty());
    EXPECT_TRUE(wave_display::TraceColumns(samples.Data(), samples.Length(), 10, 40, 206, 165)
                    .empty());
    EXPECT_TRUE(wave_display::TraceColumns(samples.Data(), samples.Length(), -2, 40, 206, 165)
                    .empty());
    EXPECT_TRUE(wave_display::TraceColumns(samples.Data(), samples.Length(), 0, 0, 206, 165)
                    .empty());
}

TEST(WaveTrace, LastColumnUsesOnlyTheSamplesLeft)
{
    // 45 samples at 40 per column: the second column sees 5 samples and ends the trace.
    std::vector<int16_t> values(45, 0);
    values[10] = 16384;
    values[42] = -16384;
    values[44] = 8192;
    const Samples samples(values);
    const auto columns =
        wave_display::TraceColumns(samples.Data(), samples.Length(), 0, 40, 206, 165);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].maxRow, 82 - 41);  // nearest(16384 * 82.5 / 32768) = 41 (41.25)
    EXPECT_EQ(columns[0].minRow, 82);
    EXPECT_EQ(columns[1].x, 104);
    EXPECT_EQ(columns[1].minRow, 82 + 41);
    EXPECT_EQ(columns[1].maxRow, 82 - 21);  // 20.625
}

TEST(WaveTrace, TraceStopsAtTheRightEdgeAndNeverReadsAHalfSample)
{
    const Samples longVoice(std::vector<int16_t>(40 * 500, 1000));
    const auto columns =
        wave_display::TraceColumns(longVoice.Data(), longVoice.Length(), 0, 40, 206, 165);
    ASSERT_EQ(columns.size(), 103u);
    EXPECT_EQ(columns.back().x, 205);

    // An odd length: the trailing byte is not a sample.
    const Samples odd({-32768}, 1);
    const auto one = wave_display::TraceColumns(odd.Data(), odd.Length(), 0, 40, 206, 165);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].minRow, 164);
    EXPECT_TRUE(wave_display::TraceColumns(odd.Data(), odd.Length(), 2, 40, 206, 165).empty());
}

TEST(WavePicture, EmptyAndSilentViewsShowOnlyTheLinesAndTheRim)
{
    const QSize size(206, 165);
    const QImage empty = wave_display::RenderPicture(size, {});
    EXPECT_EQ(CountColour(empty, kLime), 0);
    EXPECT_EQ(empty.pixel(30, 82), kRed);
    EXPECT_EQ(empty.pixel(103, 30), kGreen);
    EXPECT_EQ(empty.pixel(50, 40), kBlack);

    const Samples silence(std::vector<int16_t>(8000, 0));
    const QImage silent =
        wave_display::RenderPicture(size, {silence.Data(), silence.Length(), 0, 40});
    EXPECT_EQ(silent, empty);

    // Two columns, each from -20000 (row 132) up to +20000 (row 32).
    const Samples tone({20000, -20000, 20000, -20000});
    const QImage traced = wave_display::RenderPicture(size, {tone.Data(), tone.Length(), 0, 2});
    EXPECT_EQ(traced.pixel(104, 132), kLime);
    EXPECT_EQ(traced.pixel(104, 33), kLime);
    EXPECT_EQ(traced.pixel(104, 32), kBlack);  // the trace's last point is a line's end: not drawn
    EXPECT_EQ(traced.pixel(104, 82), kRed);
    EXPECT_EQ(traced.pixel(105, 100), kBlack);
}

class WaveView : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = new Counted<TPRTL_Wave_Display>(&window);
        view->setGeometry(10, 10, 206, 165);
        view->SetSamplesPerPixel(40);
        window.resize(240, 200);
        ShowAndExpose(window);
    }

    QApplication& app = TestApp();
    QWidget window;
    Counted<TPRTL_Wave_Display>* view = nullptr;
};

TEST_F(WaveView, SettersRepaintAtOnceOnlyOnChange)
{
    const Samples samples(std::vector<int16_t>(40000, 500));
    int paints = view->paints;
    view->SetWaveData(samples.Data(), samples.Length());
    EXPECT_EQ(view->paints, ++paints);
    view->SetStartingPosition(0);
    view->SetSamplesPerPixel(40);
    view->SetSamplesPerPixel(0);
    EXPECT_EQ(view->paints, paints);
    EXPECT_EQ(view->SamplesPerPixel(), 40);
    view->SetStartingPosition(800);
    EXPECT_EQ(view->paints, ++paints);
    view->SetSamplesPerPixel(20);
    EXPECT_EQ(view->paints, ++paints);
}

TEST_F(WaveView, ExposureShowsTheCachedPicture)
{
    std::vector<int16_t> values(8000, 0);
    const Samples silent(values);
    view->SetWaveData(silent.Data(), silent.Length());
    const QImage before = Screen(window);
    // The lent buffer changes behind the view's back: nothing is rendered again
    // until the owner says so.
    auto* bytes = const_cast<uint8_t*>(silent.Data());
    for (int i = 0; i < silent.Length(); i += 4)
        bytes[i + 1] = 0x40;
    view->update();
    QCoreApplication::processEvents();
    EXPECT_EQ(Screen(window), before);
    view->SetWaveData(silent.Data(), silent.Length());
    EXPECT_NE(Screen(window), before);
}

TEST_F(WaveView, OvalIsCutOnceAtTheFirstShow)
{
    const QRegion oval = view->mask();
    EXPECT_EQ(Pixels(oval), Pixels(gdi::EllipticRegion({0, 0, 206, 165})));
    const QImage screen = Screen(window);
    EXPECT_EQ(screen.pixel(10 + 50, 10 + 82), kRed);  // inside: the view
    EXPECT_EQ(screen.pixel(10 + 2, 10 + 2), screen.pixel(1, 1));  // corner: the window
    EXPECT_NE(screen.pixel(10 + 2, 10 + 2), kBlack);
    view->resize(150, 100);
    EXPECT_EQ(Pixels(view->mask()), Pixels(oval));
}

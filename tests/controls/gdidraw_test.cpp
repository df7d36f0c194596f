#include "gdidraw.h"
#include "widget_test_support.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>

using gdi::Box;

TEST(GdiNumbers, NearestRoundsHalvesToEven)
{
    EXPECT_EQ(gdi::Nearest(82.5), 82);
    EXPECT_EQ(gdi::Nearest(83.5), 84);
    EXPECT_EQ(gdi::Nearest(-82.5), -82);
    EXPECT_EQ(gdi::Nearest(3.25), 3);
    EXPECT_EQ(gdi::Nearest(-2.6), -3);
}

TEST(GdiLines, EndPointIsExcludedAndEmptyLinesDrawNothing)
{
    EXPECT_TRUE(gdi::LinePixels({5, 5}, {5, 5}).empty());
    const auto row = gdi::LinePixels({0, 7}, {4, 7});
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row.front(), QPoint(0, 7));
    EXPECT_EQ(row.back(), QPoint(3, 7));
    const auto up = gdi::LinePixels({2, 9}, {2, 0});
    ASSERT_EQ(up.size(), 9u);
    EXPECT_EQ(up.back(), QPoint(2, 1));
}

TEST(GdiLines, SlopedLinesStayOnTheIdealLineAndConnected)
{
    const QPoint ends[][2] = {{{11, 48}, {29, 60}}, {{29, 60}, {47, 48}}, {{0, 0}, {3, 17}},
                              {{10, 3}, {-7, -2}}, {{0, 0}, {5, 5}}};
    for (const auto& e : ends) {
        const auto pixels = gdi::LinePixels(e[0], e[1]);
        const int steps = std::max(std::abs(e[1].x() - e[0].x()), std::abs(e[1].y() - e[0].y()));
        ASSERT_EQ(int(pixels.size()), steps);
        EXPECT_EQ(pixels.front(), e[0]);
        for (size_t i = 0; i < pixels.size(); ++i) {
            // Distance along the minor axis to the exact line is at most half a pixel.
            const double t = double(i) / steps;
            const double ix = e[0].x() + t * (e[1].x() - e[0].x());
            const double iy = e[0].y() + t * (e[1].y() - e[0].y());
            EXPECT_LE(std::abs(pixels[i].x() - ix), 0.5);
            EXPECT_LE(std::abs(pixels[i].y() - iy), 0.5);
            if (i > 0) {
                EXPECT_LE(std::abs(pixels[i].x() - pixels[i - 1].x()), 1);
                EXPECT_LE(std::abs(pixels[i].y() - pixels[i - 1].y()), 1);
            }
        }
    }
}

TEST(GdiLines, PlotterFollowsMoveToAndPenChanges)
{
    gdi::LinePlotter pen;
    pen.SetPen(Qt::red);
    pen.MoveTo(1, 1);
    pen.LineTo(5, 1);
    pen.SetPen(Qt::blue);
    pen.LineTo(5, 4);
    pen.MoveTo(0, 0);
    pen.LineTo(0, 2);
    ASSERT_EQ(pen.Lines().size(), 3u);
    EXPECT_EQ(pen.Lines()[1].from, QPoint(5, 1));
    EXPECT_EQ(pen.Lines()[1].color, QColor(Qt::blue));
    EXPECT_EQ(pen.Lines()[2].from, QPoint(0, 0));
}

TEST(GdiRectangles, NullPenRectangleLosesTheRightColumnAndBottomRow)
{
    EXPECT_EQ(gdi::FillRectPixels({4, 10, 68, 12}), QRect(4, 10, 64, 2));
    EXPECT_EQ(gdi::NullPenRectanglePixels({4, 10, 68, 12}), QRect(4, 10, 63, 1));
}

TEST(GdiRegions, PolygonRegionTakesLeftAndTopEdgesOnly)
{
    const std::vector<QPoint> square{{2, 3}, {9, 3}, {9, 8}, {2, 8}};
    EXPECT_EQ(Pixels(gdi::PolygonRegion(square)), Pixels(gdi::RectRegion({2, 3, 9, 8})));

    // Two triangles on either side of a shared diagonal tile the rectangle.
    const std::vector<QPoint> lower{{0, 0}, {18, 12}, {0, 12}};
    const std::vector<QPoint> upper{{0, 0}, {18, 0}, {18, 12}};
    const QRegion a = gdi::PolygonRegion(lower);
    const QRegion b = gdi::PolygonRegion(upper);
    EXPECT_TRUE((a & b).isEmpty());
    EXPECT_EQ(Pixels(a | b), Pixels(QRegion(0, 0, 18, 12)));
}

TEST(GdiRegions, PolygonRegionFillsAlternately)
{
    // A five-pointed star drawn in one stroke: its centre is crossed twice.
    const std::vector<QPoint> star{{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
    const QRegion region = gdi::PolygonRegion(star);
    EXPECT_FALSE(region.contains(QPoint(50, 50)));
    EXPECT_TRUE(region.contains(QPoint(50, 10)));
    EXPECT_TRUE(region.contains(QPoint(15, 36)));
}

TEST(GdiRegions, EllipticRegionIsInscribedAndSymmetric)
{
    for (const Box box : {Box{0, 0, 206, 165}, Box{0, 0, 57, 57}, Box{3, 5, 94, 212}}) {
        const QRegion region = gdi::EllipticRegion(box);
        const auto pixels = Pixels(region);
        const QRect bounds = region.boundingRect();
        EXPECT_EQ(bounds, gdi::FillRectPixels(box));
        for (const auto& [x, y] : pixels) {
            EXPECT_TRUE(pixels.count({box.left + box.right - 1 - x, y}));
            EXPECT_TRUE(pixels.count({x, box.top + box.bottom - 1 - y}));
        }
        EXPECT_FALSE(region.contains(QPoint(box.left, box.top)));
        EXPECT_FALSE(region.contains(QPoint(box.right - 1, box.bottom - 1)));
    }
}

TEST(GdiArcs, RadialsGiveTheHalfBetweenThemCounterClockwise)
{
    // On a circle the lower-right half runs from 225 degrees through 270 and 0 to 45.
    const gdi::ArcAngles lowerRight = gdi::ArcSweep({0, 0, 101, 101}, {0, 100}, {100, 0});
    EXPECT_NEAR(lowerRight.startDegrees, -135, 1e-9);
    EXPECT_NEAR(lowerRight.spanDegrees, 180, 1e-9);
    const gdi::ArcAngles upperLeft = gdi::ArcSweep({0, 0, 101, 101}, {100, 0}, {0, 100});
    EXPECT_NEAR(upperLeft.startDegrees, 45, 1e-9);
    EXPECT_NEAR(upperLeft.spanDegrees, 180, 1e-9);
    // Equal radials: the whole ellipse.
    EXPECT_NEAR(gdi::ArcSweep({0, 0, 40, 20}, {0, 0}, {0, 0}).spanDegrees, 360, 1e-9);
}

TEST(GdiArcs, RadialPointLiesOnTheEllipseInTheRadialsDirection)
{
    const Box box{0, 0, 206, 165};
    const QRectF path = gdi::EllipsePath(box);
    for (const QPoint through : {QPoint(0, 165), QPoint(206, 0), QPoint(150, 3), QPoint(10, 100)}) {
        const QPointF p = gdi::RadialPoint(box, through);
        const double ex = (p.x() - path.center().x()) / (path.width() / 2);
        const double ey = (p.y() - path.center().y()) / (path.height() / 2);
        EXPECT_NEAR(ex * ex + ey * ey, 1, 1e-9);
        const double cross = (p.x() - path.center().x()) * (through.y() + 0.5 - path.center().y()) -
                             (p.y() - path.center().y()) * (through.x() + 0.5 - path.center().x());
        EXPECT_NEAR(cross, 0, 1e-6);
    }
}

TEST(GdiFonts, LogicalHeightsMapToCharacterOrCellHeight)
{
    TestApp();
    const QFont character = gdi::LogicalFont(-11, true);
    EXPECT_EQ(character.pixelSize(), 11);
    EXPECT_TRUE(character.bold());
    const QFont cell = gdi::LogicalFont(16);
    const QFontMetricsF metrics(cell);
    EXPECT_NEAR(metrics.ascent() + metrics.descent(), 16, 1.0);
    EXPECT_EQ(QFontInfo(cell).family(), QStringLiteral("Liberation Sans"));
}

// The button pictures compiled into the program must exist for every button,
// load, and sit where the buttons paint them without covering the outline;
// the icon and the desktop entry must agree with each other.
#include "button_pictures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QTextStream>

#include <cmath>

#include <QPainter>
#include <QSvgRenderer>

namespace {

// The saw-tooth buttons of the main window as it lays them out.
struct SawToothButton {
    const char *name;
    int width, height, toothSize;
    int leftTeeth, topTeeth, rightTeeth, bottomTeeth;
};

const SawToothButton kSawToothButtons[] = {
    {"EchoButton", 132, 61, 12, 0, 0, 0, 3},        {"ChorusButton", 132, 61, 12, 0, 0, 0, 3},
    {"FlangeButton", 132, 61, 12, 0, 0, 0, 3},      {"FadeInButton", 132, 61, 12, 0, 0, 0, 3},
    {"fadeOutButton", 132, 61, 12, 0, 0, 0, 3},     {"BassOnlyButton", 96, 60, 12, 0, -2, 0, 0},
    {"RobotvoiceButton", 132, 60, 12, 0, -3, 0, 0}, {"BackwardButton", 132, 60, 12, 0, -3, 0, 0},
    {"SlowMonstButton", 96, 60, 12, 0, -2, 0, 0},   {"FastSqueakButton", 132, 60, 12, 0, -3, 0, 0},
    {"TrebleOnlyButton", 96, 60, 12, 0, -2, 0, 0},  {"SweepUpButton", 39, 104, 10, 0, 0, 0, 0},
    {"SweepDownButton", 39, 104, 10, 0, 0, 0, 0},   {"PlayButton", 86, 52, 12, 2, 0, 1, 0},
    {"RecordButton", 96, 53, 12, 3, 0, 1, 0},       {"RecSourceToggleButton", 68, 41, 10, 0, 0, 0, 0},
};

const char *const kRoundButtons[] = {"SF1Button", "SF2Button", "SF3Button"};
constexpr int kRoundButtonSize = 58;

int Nearest(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

QImage Picture(const char *button, bool down)
{
    return QImage(ButtonPicturePath(QString::fromLatin1(button), down));
}

// The part of a saw-tooth button's body that its outline leaves free: the
// highlight runs along column and row T - 1, a straight right or bottom side
// takes two lines inside the body, a side with teeth starts at its edge, and
// the valleys of negative top teeth reach row T.
QRect FreeInterior(const SawToothButton &b)
{
    const int t = b.toothSize;
    const int left = t;
    const int top = b.topTeeth < 0 ? t + 1 : t;
    const int right = b.rightTeeth > 0 ? b.width - t - 2 : b.width - t - 4;
    const int bottom = b.bottomTeeth > 0 ? b.height - t - 2 : b.height - t - 4;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Where the button paints its picture: centred on the body, one pixel down
// and right while pressed.
QRect SawToothPicturePlace(const SawToothButton &b, QSize picture, bool down)
{
    const int t = b.toothSize;
    const int shift = down ? 1 : 0;
    const int dx = Nearest((b.width - 2 * t - picture.width()) / 2.0) + shift;
    const int dy = Nearest((b.height - 2 * t - picture.height()) / 2.0) + shift;
    return QRect(QPoint(t + dx - 1, t + dy - 1), picture);
}

double MeanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                   std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * x.width() * x.height());
}

QString SourcePath(const QString &relative)
{
    return QDir(QStringLiteral(PARROTEL_SOURCE_DIR)).filePath(relative);
}

} // namespace

TEST(ButtonPictures, FollowTheNamingScheme)
{
    EXPECT_EQ(ButtonPicturePath("EchoButton", false), ":/pictures/echo-up.png");
    EXPECT_EQ(ButtonPicturePath("fadeOutButton", true), ":/pictures/fadeout-down.png");
    EXPECT_EQ(ButtonPicturePath("RecSourceToggleButton", false), ":/pictures/recsourcetoggle-up.png");
    EXPECT_EQ(ButtonPicturePath("SF2Button", true), ":/pictures/sf2-down.png");
}

TEST(ButtonPictures, ResourcesHoldExactlyAnUpAndADownPictureForEveryButton)
{
    QSet<QString> expected;
    for (const SawToothButton &b : kSawToothButtons)
        for (bool down : {false, true})
            expected.insert(QFileInfo(ButtonPicturePath(b.name, down)).fileName());
    for (const char *name : kRoundButtons)
        for (bool down : {false, true})
            expected.insert(QFileInfo(ButtonPicturePath(name, down)).fileName());
    const QStringList present = QDir(QStringLiteral(":/pictures")).entryList(QDir::Files);
    EXPECT_EQ(QSet<QString>(present.begin(), present.end()), expected);
    EXPECT_EQ(expected.size(), 38);
}

TEST(ButtonPictures, SawToothPicturesLoadAndStayClearOfTheOutlineInBothStates)
{
    for (const SawToothButton &b : kSawToothButtons) {
        SCOPED_TRACE(b.name);
        const QImage up = Picture(b.name, false);
        const QImage down = Picture(b.name, true);
        ASSERT_FALSE(up.isNull());
        ASSERT_FALSE(down.isNull());
        EXPECT_EQ(up.size(), down.size()) << "a pressed button would jump by more than its one-pixel shift";
        EXPECT_TRUE(up.hasAlphaChannel());
        const QRect free = FreeInterior(b);
        for (bool pressed : {false, true}) {
            const QRect place = SawToothPicturePlace(b, pressed ? down.size() : up.size(), pressed);
            EXPECT_TRUE(free.contains(place)) << (pressed ? "down " : "up ") << place.x() << ',' << place.y() << ' '
                                              << place.width() << 'x' << place.height() << " outside "
                                              << free.x() << ',' << free.y() << ' ' << free.width() << 'x'
                                              << free.height();
        }
        // Pictures much smaller than the body would leave the button looking empty.
        EXPECT_GE(up.width() * up.height(), free.width() * free.height() * 3 / 4);
    }
}

TEST(ButtonPictures, RoundPicturesStayInsideTheBevelAndHideTheCaption)
{
    const QPointF centre((kRoundButtonSize - 1) / 2.0, (kRoundButtonSize - 1) / 2.0);
    for (const char *name : kRoundButtons) {
        SCOPED_TRACE(name);
        for (bool down : {false, true}) {
            const QImage picture = Picture(name, down).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(picture.isNull());
            const int shift = down ? 1 : 0;
            const QPoint origin(Nearest((kRoundButtonSize - picture.width()) / 2.0) + shift,
                                Nearest((kRoundButtonSize - picture.height()) / 2.0) + shift);
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    const QPointF at = QPointF(origin + QPoint(x, y)) - centre;
                    const double distance = std::hypot(at.x(), at.y());
                    // The bevel's rings take the outer 2.5 pixels of the oval.
                    if (distance > 26.0) {
                        ASSERT_EQ(qAlpha(picture.pixel(x, y)), 0) << "pixel " << x << ',' << y << " under the bevel";
                    }
                    // Every round button carries the caption "SF1" beneath its
                    // picture; it must not show through on any of them.
                    if (std::abs(at.x()) <= 17 && std::abs(at.y()) <= 10) {
                        ASSERT_EQ(qAlpha(picture.pixel(x, y)), 255) << "caption shows at " << x << ',' << y;
                    }
                }
            }
        }
    }
}

TEST(ButtonPictures, DownPicturesLookClearlyDifferentFromUpPictures)
{
    QStringList names;
    for (const SawToothButton &b : kSawToothButtons)
        names << b.name;
    for (const char *name : kRoundButtons)
        names << name;
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QImage up(ButtonPicturePath(name, false));
        const QImage down(ButtonPicturePath(name, true));
        ASSERT_EQ(up.size(), down.size());
        EXPECT_GT(MeanDifference(up, down), 20.0);
    }
}

TEST(ProgramIcon, ComesInEverySizeTheDesktopAsksFor)
{
    const QIcon icon = ProgramIcon();
    for (int size : {48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage installed(SourcePath(QStringLiteral("app/desktop/icons/hicolor/%1x%1/apps/io.warblecast.Parrotel.png").arg(size)));
        EXPECT_EQ(installed.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(installed.pixel(0, 0)), 0) << "the icon's corners should be transparent";
        EXPECT_EQ(qAlpha(installed.pixel(size / 2, size / 2)), 255);
    }
}

TEST(ProgramIcon, ScalableIconLooksLikeThePngIcon)
{
    QSvgRenderer svg(SourcePath(QStringLiteral("app/desktop/icons/hicolor/scalable/apps/io.warblecast.Parrotel.svg")));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 256, 256));
    QImage rendered(256, 256, QImage::Format_ARGB32);
    rendered.fill(Qt::transparent);
    {
        QPainter p(&rendered);
        svg.render(&p);
    }
    const QImage png(SourcePath(QStringLiteral("app/desktop/icons/hicolor/256x256/apps/io.warblecast.Parrotel.png")));
    ASSERT_EQ(png.size(), rendered.size());
    // Antialiasing differs a little between the two renderers; shapes or
    // colours that differ would cost far more.
    EXPECT_LT(MeanDifference(png, rendered), 1.0);
}

TEST(DesktopEntry, LaunchesTheProgramWithItsIcon)
{
    QFile file(SourcePath(QStringLiteral("app/desktop/io.warblecast.Parrotel.desktop")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    QMap<QString, QString> entry;
    QString group;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            group = line;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        ASSERT_GT(equals, 0) << line.toStdString();
        if (group == QLatin1String("[Desktop Entry]"))
            entry.insert(line.left(equals), line.mid(equals + 1));
    }
    EXPECT_EQ(entry.value("Type"), "Application");
    EXPECT_EQ(entry.value("Name"), "Warblecast");
    EXPECT_EQ(entry.value("Exec"), "parrotel %f") << "a file manager hands the program the file to open";
    EXPECT_EQ(entry.value("Icon"), "io.warblecast.Parrotel") << "the entry's id, its icon and the icon files share one name";
    const QStringList categories = entry.value("Categories").split(';');
    EXPECT_TRUE(entry.value("Categories").endsWith(';'));
    EXPECT_TRUE(categories.contains("AudioVideo"));
    EXPECT_TRUE(categories.contains("Audio"));
    EXPECT_FALSE(entry.value("Comment").isEmpty());
    const QStringList types = entry.value("MimeType").split(';');
    for (const char* type : {"audio/x-wav", "audio/mpeg", "audio/ogg", "audio/flac", "audio/mp4", "audio/opus"})
        EXPECT_TRUE(types.contains(type)) << type;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The window itself: its shape, the timer's releases, the space key, About
// and Help.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "help_window.h"
#include "prtlrbtn.h"
#include "prtlsbtn.h"
#include "voice_player.h"
#include "window_fixture.h"
#include "window_shape.h"

namespace {

using FrameTest = WindowTest;

TEST(WindowShape, TopCornersAreSquareAndBottomCornersRoundWithRadius75)
{
    for (QSize size : {QSize(608, 414), QSize(300, 200), QSize(1000, 700)}) {
        const QRegion region = window_shape::MainFormRegion(size);
        const int w = size.width(), h = size.height();
        EXPECT_TRUE(region.contains(QPoint(0, 0)));
        EXPECT_TRUE(region.contains(QPoint(w - 1, 0)));
        EXPECT_TRUE(region.contains(QPoint(0, h - 76)));
        EXPECT_TRUE(region.contains(QPoint(w - 1, h - 76)));
        EXPECT_FALSE(region.contains(QPoint(0, h - 1)));
        EXPECT_FALSE(region.contains(QPoint(w - 1, h - 1)));
        // 45 degrees round the corner circle: just inside and just outside.
        const int inside = int(75 - 75 / std::sqrt(2.0)) + 2;
        EXPECT_TRUE(region.contains(QPoint(inside, h - inside)));
        EXPECT_TRUE(region.contains(QPoint(w - 1 - inside, h - inside)));
        EXPECT_FALSE(region.contains(QPoint(inside - 4, h - inside + 3)));
        EXPECT_FALSE(region.contains(QPoint(w + 3 - inside, h - inside + 3)));
        EXPECT_TRUE(region.contains(QPoint(75, h - 1)));
        EXPECT_TRUE(region.contains(QPoint(w - 76, h - 1)));
    }
}

TEST(WindowShape, TheRimIsDrawnAlongTheRoundCornersOnly)
{
    const QSize size(608, 414);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    {
        QPainter painter(&image);
        window_shape::PaintRim(painter, size);
    }
    const QRegion shape = window_shape::MainFormRegion(size);
    int rim = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (image.pixel(x, y) == QColor(Qt::blue).rgb())
                continue;
            ++rim;
            ASSERT_GE(y, size.height() - 76) << x << "," << y;
            ASSERT_TRUE(x < 76 || x >= size.width() - 76) << x << "," << y;
        }
    }
    EXPECT_GT(rim, 400);  // two quarter circles, two pixels wide, a few colours
    // The outer grey and black arcs trace the visible edge of the corner.
    const QPoint edge(75 - int(75 / std::sqrt(2.0)), size.height() - 75 + int(75 / std::sqrt(2.0)) - 1);
    EXPECT_NE(image.pixel(edge), QColor(Qt::blue).rgb());
    EXPECT_TRUE(shape.contains(edge + QPoint(1, -1)));
}

TEST_F(FrameTest, TheWindowHasItsShapeWhenShown)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->mask(), window_shape::MainFormRegion(form->size()));
    EXPECT_EQ(form->centralWidget()->size(), QSize(608, 393));
}

TEST_F(FrameTest, TheTimerReleasesMomentaryButtonsAndIdlePlayAndRecordButtons)
{
    const QString path = PathOf("tone.wav");
    WriteVoice(path, TestTone(44100));
    Open(path);
    // Down without a playback or a recording behind them.
    form->PlayButton->SetDown(true);
    form->RecordButton->SetDown(true);
    form->SF1Button->SetDown(true);
    form->SF3Button->SetDown(true);
    form->RecSourceToggleButton->SetDown(true);
    form->timeDisplay->setText("something else");
    EXPECT_TRUE(form->PlayButton->Down());
    EXPECT_TRUE(form->RecordButton->Down());

    form->TimerTimer();
    EXPECT_FALSE(form->PlayButton->Down());
    EXPECT_FALSE(form->RecordButton->Down());
    EXPECT_FALSE(form->SF1Button->Down());
    EXPECT_FALSE(form->SF3Button->Down());
    EXPECT_FALSE(form->RecSourceToggleButton->Down());
    EXPECT_EQ(form->timeDisplay->text(), " POS: 00:02:00");  // the voice's length again
}

TEST_F(FrameTest, TheTimerRunsEveryTenthOfASecond)
{
    EXPECT_TRUE(form->Timer->isActive());
    EXPECT_EQ(form->Timer->interval(), 100);
    form->SF2Button->SetDown(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->SF2Button->Down(); }, 2000));
}

TEST_F(FrameTest, SpaceClicksPlayAndStillReachesTheFocusedControl)
{
    form->Timer->stop();  // it would end the playback between the checks
    const QString path = PathOf("tone.wav");
    WriteVoice(path, TestTone(44100));
    Open(path);
    auto* edit = new QLineEdit(form->centralWidget());
    edit->setGeometry(200, 0, 100, 20);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->PlayButton->Down());
    EXPECT_TRUE(form->Player().IsPlaying());
    EXPECT_EQ(edit->text(), " ");

    QTest::keyClick(edit, Qt::Key_A);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->PlayButton->Down());  // only the space clicks
    EXPECT_EQ(edit->text(), " a");

    QTest::keyClick(edit, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->PlayButton->Down());
}

TEST_F(FrameTest, AboutShowsTheTitleAndTheVersion)
{
    form->About1->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString("Tavrin Audio Warblecast\nVersion ") + PARROTEL_TEST_VERSION);
    EXPECT_EQ(help_window::VersionText(""), "Version No Version Information Found");
}

TEST_F(FrameTest, HelpTopicsOpensTheHelpIndexBesideTheProgram)
{
    form->HelpTopics1->trigger();
    auto* help = form->findChild<QTextBrowser*>("HelpWindow");
    const QString index = QCoreApplication::applicationDirPath() + "/help/index.html";
    if (!QFileInfo::exists(index)) {
        EXPECT_EQ(help, nullptr);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "Error: The file named " + index + " does not exist.");
        return;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->source(), QUrl::fromLocalFile(index));
    EXPECT_FALSE(help->toPlainText().isEmpty());
}

TEST_F(FrameTest, TheFileMenuHasTheStandardShortcuts)
{
    EXPECT_EQ(form->New1->shortcut(), QKeySequence(QKeySequence::New));
    EXPECT_EQ(form->Open1->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(form->Save1->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(form->Exit1->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(form->HelpTopics1->shortcut(), QKeySequence(Qt::Key_F1));
}

// Each menu item is found under its member's name (the names the window's
// handlers are bound by); Live Voice is Ctrl+L, and both it and Hear
// Yourself start off.
TEST_F(FrameTest, EveryMenuItemCarriesItsOwnName)
{
    const std::pair<QAction*, const char*> items[] = {
        {form->New1, "New1"}, {form->Open1, "Open1"}, {form->Save1, "Save1"}, {form->SaveAs1, "SaveAs1"},
        {form->ExportToWaveFormat1, "ExportToWaveFormat1"},
        {form->ExportToRealAudioFormat1, "ExportToRealAudioFormat1"}, {form->ExportToMP3File, "ExportToMP3File"},
        {form->N1, "N1"}, {form->Preferences1, "Preferences1"}, {form->N2, "N2"},
        {form->CheckForUpdates1, "CheckForUpdates1"}, {form->N4, "N4"}, {form->Exit1, "Exit1"},
        {form->Echo1, "Echo1"}, {form->Chorus1, "Chorus1"}, {form->Flange1, "Flange1"}, {form->FadeIn1, "FadeIn1"},
        {form->FadeOut1, "FadeOut1"}, {form->BassOnly1, "BassOnly1"}, {form->Robotvoice1, "Robotvoice1"},
        {form->Backward1, "Backward1"}, {form->SlowMonster1, "SlowMonster1"}, {form->FastSqeaker1, "FastSqeaker1"},
        {form->TrebleOnly1, "TrebleOnly1"}, {form->SweepUp1, "SweepUp1"}, {form->SweepDown1, "SweepDown1"},
        {form->N3, "N3"}, {form->LiveVoice1, "LiveVoice1"}, {form->HearYourself1, "HearYourself1"},
        {form->HelpTopics1, "HelpTopics1"}, {form->About1, "About1"}};
    for (const auto& [item, name] : items)
        EXPECT_EQ(form->findChild<QAction*>(name), item) << name;
    EXPECT_EQ(form->LiveVoice1->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_TRUE(form->LiveVoice1->isCheckable() && form->HearYourself1->isCheckable());
    EXPECT_FALSE(form->LiveVoice1->isChecked() || form->HearYourself1->isChecked());
}

}  // namespace

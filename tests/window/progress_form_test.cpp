// The progress window's gauge and placement.
#include "progressform.h"
#include "window_fixture.h"

namespace {

using ProgressFormTest = WindowTest;

TEST_F(ProgressFormTest, TheGaugeStaysWithinItsScale)
{
    progress->ResetProgress(90);
    EXPECT_EQ(progress->ProgressGauge->MaxValue(), 90);
    EXPECT_EQ(progress->ProgressGauge->Progress(), 0);
    for (int i = 0; i < 100; ++i)
        progress->StepProgress();
    EXPECT_EQ(progress->ProgressGauge->Progress(), 90);
    EXPECT_EQ(progress->ProgressGauge->PercentDone(), 100);
    progress->ProgressGauge->SetProgress(-5);
    EXPECT_EQ(progress->ProgressGauge->Progress(), 0);
    progress->ProgressGauge->SetProgress(45);
    progress->ProgressGauge->SetMaxValue(30);
    EXPECT_EQ(progress->ProgressGauge->Progress(), 30);
    progress->ProgressGauge->SetMaxValue(0);
    EXPECT_EQ(progress->ProgressGauge->PercentDone(), 0);
}

TEST_F(ProgressFormTest, TheBarCoversTheDoneShareOfTheGauge)
{
    progress->show();
    progress->ResetProgress(120);
    for (int i = 0; i < 60; ++i)
        progress->StepProgress();
    const QImage picture = progress->ProgressGauge->grab().toImage();
    EXPECT_EQ(picture.pixelColor(10, 9), QColor(0, 255, 0));
    EXPECT_EQ(picture.pixelColor(picture.width() - 10, 9), QColor(Qt::white));
    progress->hide();
}

TEST_F(ProgressFormTest, TheWindowIsCentredOverTheMainWindow)
{
    form->move(100, 50);
    form->show();
    progress->PlaceOver(*form);
    const QRect main = form->frameGeometry(), own = progress->frameGeometry();
    EXPECT_LE(std::abs(own.center().x() - main.center().x()), 1);
    EXPECT_EQ(own.top(), main.top() + 412 - 169);
    EXPECT_EQ(progress->ProgressGauge->size(), QSize(488, 18));
    EXPECT_EQ(progress->windowTitle(), " ");
}

}  // namespace

// Opening files of other formats from the window: quick ones open without a
// window, long ones show the progress window, which closes by itself when
// the decode ends and stops the decode on Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <thread>

#include "decode_progress_form.h"
#include "media_test_support.h"
#include "mp3_test_support.h"
#include "wave_builder.h"

namespace {

using namespace std::chrono_literals;

// A decoder that takes its time: it reports 1 % every 3 ms and either
// finishes at 100 % with three samples or, asked to stop, stops.
std::atomic<bool> g_sawStop{false};

int32_t SlowDecode(const char*, int32_t, const MediaCallbacks* callbacks, MediaAllocateFunction allocate,
                   void* allocateContext)
{
    for (int32_t percent = 0; percent <= 100; ++percent) {
        if (callbacks->stopRequested(callbacks->context)) {
            g_sawStop = true;
            return MEDIA_STOPPED;
        }
        callbacks->progress(callbacks->context, percent);
        std::this_thread::sleep_for(3ms);
    }
    const int16_t samples[3] = {5, 6, 7};
    void* memory = allocate(allocateContext, sizeof samples);
    std::memcpy(memory, samples, sizeof samples);
    return MEDIA_OK;
}

int32_t StopOnlyWhenAsked(const char* path, int32_t maxBytes, const MediaCallbacks* callbacks,
                          MediaAllocateFunction allocate, void* allocateContext)
{
    while (!callbacks->stopRequested(callbacks->context)) {
        callbacks->progress(callbacks->context, 1);
        std::this_thread::sleep_for(3ms);
    }
    return SlowDecode(path, maxBytes, callbacks, allocate, allocateContext);
}

class DecodeProgressForm : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "decode_progress_form_test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }

    media::MediaFunctions Slow(MediaDecodeVoiceFunction decode)
    {
        media::MediaFunctions functions = media::LinkedMediaFunctions();
        functions.decodeVoice = decode;
        return functions;
    }

    voice::OpenedVoice Open(TDecodeProgressForm& form, const std::string& path)
    {
        return voice::OpenVoiceFile(path, settings, feedback, &form);
    }

    mp3test::ScratchFolder folder;
    voice::EffectSettings settings;
    testing_support::RecordingFeedback feedback;
};

TEST_F(DecodeProgressForm, AQuickFileOpensWithoutAWindow)
{
    const std::string path = folder.File("note.m4a");
    ASSERT_EQ(mediatest::RunCommand("ffmpeg -v error -y " + mediatest::FfmpegTone(44100, 2) + " -c:a aac '" + path + "'"), 0);
    TDecodeProgressForm form;
    form.SetShowDelay(10s);
    const voice::OpenedVoice opened = Open(form, path);
    ASSERT_TRUE(opened.samples);
    EXPECT_EQ(opened.origin, voice::VoiceOrigin::Decoded);
    EXPECT_NEAR(opened.samples.bytes / 2 / 22050.0, mediatest::kToneSeconds, 1024.0 / 44100);
    EXPECT_EQ(form.timesShown(), 0);
}

TEST_F(DecodeProgressForm, ALongDecodeShowsTheWindowUntilItEnds)
{
    testing_support::WriteAll(folder.File("long.ogg"), testing_support::Bytes(64, 1));
    TDecodeProgressForm form(nullptr, Slow(SlowDecode));
    form.SetShowDelay(20ms);
    const voice::OpenedVoice opened = Open(form, folder.File("long.ogg"));
    ASSERT_TRUE(opened.samples);
    EXPECT_EQ(std::vector<int16_t>(opened.samples.samples(), opened.samples.samples() + 3), (std::vector<int16_t>{5, 6, 7}));
    EXPECT_EQ(form.timesShown(), 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(DecodeProgressForm, CancelStopsTheDecodeAndOpensNothing)
{
    testing_support::WriteAll(folder.File("endless.ogg"), testing_support::Bytes(64, 1));
    TDecodeProgressForm form(nullptr, Slow(StopOnlyWhenAsked));
    form.SetShowDelay(20ms);
    bool clicked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!clicked && form.isVisible() && form.ProgressBar->value() > 0) {
            clicked = true;
            form.CancelButton->click();
        }
    });
    poll.start(5);
    g_sawStop = false;
    const voice::OpenedVoice opened = Open(form, folder.File("endless.ogg"));
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(g_sawStop);
    EXPECT_FALSE(opened.samples);
    EXPECT_EQ(opened.origin, voice::VoiceOrigin::None);
    EXPECT_TRUE(feedback.messages.empty()) << "the user's own choice needs no message";
    EXPECT_FALSE(form.isVisible());
}

}  // namespace

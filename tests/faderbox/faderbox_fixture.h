// libfaderbox on the scripted mixer: every test gets a fresh backend, a
// callback window and a recorder for message boxes.
#pragma once

#include "faderbox/faderbox.h"
#include "mixer_test_support.h"

#include "dialogs/dialogs.h"
#include "mixer/scripted_mixer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class FaderboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousBackend_ = platform::SetMixerBackend(backend);
        SetCallbackWindow(window.handle());
        previousMessages_ = platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            shown.push_back(request);
            return platform::MessageAnswer::Ok;
        });
    }

    void TearDown() override
    {
        DeSelectOutputDevice();
        DeSelectInputDevice();
        platform::SetMessageFunction(previousMessages_);
        platform::SetMixerBackend(previousBackend_);
    }

    // Adds a card and selects it for output and input; the log starts empty.
    mixertest::Card selectCard(const mixertest::CardOptions& options = {})
    {
        mixertest::Card card = mixertest::AddCard(*backend, options);
        EXPECT_EQ(SelectOutputDevice(int32_t(backend->waveOutDevices().size() - 1)), 0);
        EXPECT_EQ(SelectInputDevice(int32_t(backend->waveInDevices().size() - 1)), 0);
        backend->clearWrites();
        return card;
    }

    std::vector<uint32_t> volumeIds() const
    {
        uint32_t ids[4] = {1, 1, 1, 1};
        GetVolumeIDs(&ids[0], &ids[1], &ids[2], &ids[3]);
        return {ids[0], ids[1], ids[2], ids[3]};
    }

    static std::string SourceName(int32_t source)
    {
        char text[64] = "unchanged";
        return GetInputSourceDescription(source, text) == 0 ? text : "(failed)";
    }

    std::shared_ptr<platform::ScriptedMixerBackend> backend = std::make_shared<platform::ScriptedMixerBackend>();
    mixertest::MessageRecorder window;
    std::vector<platform::MessageRequest> shown;

private:
    std::shared_ptr<platform::MixerBackend> previousBackend_;
    platform::MessageFunction previousMessages_;
};

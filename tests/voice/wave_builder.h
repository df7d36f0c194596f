// What the voice tests share: wave files built byte by byte (with the
// settings record), private folders and the feedback the voice code gives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effect_settings.h"
#include "riff_builder.h"
#include "temp_folder.h"
#include "user_feedback.h"

namespace testing_support {

using namespace testsupport;
using TempDir = testsupport::TempFolder;

inline Bytes SettingsBody(const voice::EffectSettings& s) { return Bytes(s.bytes.begin(), s.bytes.end()); }

// Records what the voice code shows.
class RecordingFeedback : public voice::UserFeedback {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgressWindow() override
    {
        visible = true;
        ++shown;
    }
    void HideProgressWindow() override { visible = false; }
    void ResetProgress(int32_t max) override
    {
        gaugeMax = max;
        gauge = 0;
    }
    void StepProgress() override
    {
        if (gauge < gaugeMax)
            ++gauge;
        ++steps;
    }

    std::vector<std::string> messages;
    bool visible = false;
    int shown = 0;
    int32_t gaugeMax = 0, gauge = 0, steps = 0;
};

}  // namespace testing_support

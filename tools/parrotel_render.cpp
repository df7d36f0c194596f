// parrotel-render: the program's effects pipeline from the command line.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "effect_pipeline.h"
#include "render_options.h"
#include "wave_file.h"
#include "wave_format.h"

namespace {

// Messages go to standard error; the gauge is drawn there when it is a terminal.
class ConsoleHost final : public voice::EffectRunHost {
public:
    explicit ConsoleHost(bool showProgress) : showProgress_(showProgress && isatty(STDERR_FILENO)) {}

    void ShowMessage(const std::string& text) override
    {
        EndBar();
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowProgressWindow() override { visible_ = true; }
    void HideProgressWindow() override
    {
        EndBar();
        visible_ = false;
    }
    void ResetProgress(int32_t max) override
    {
        max_ = max;
        position_ = 0;
        drawn_ = -1;
        Draw();
    }
    void StepProgress() override
    {
        if (position_ < max_)
            ++position_;
        Draw();
    }
    void ShowWaveData(const uint8_t*, int32_t) override {}

private:
    void Draw()
    {
        if (!showProgress_ || !visible_ || max_ <= 0)
            return;
        const int percent = int(100 * int64_t(position_) / max_);
        if (percent == drawn_)
            return;
        drawn_ = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(kWidth - filled), '.').c_str(), percent);
        std::fflush(stderr);
        onLine_ = true;
    }
    void EndBar()
    {
        if (onLine_)
            std::fputc('\n', stderr);
        onLine_ = false;
    }

    bool showProgress_;
    bool visible_ = false;
    bool onLine_ = false;
    int32_t max_ = 0, position_ = 0;
    int drawn_ = -1;
};

int Fail(ConsoleHost& host, const std::string& text)
{
    host.ShowMessage(text);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    render::Options options;
    if (auto error = render::ParseOptions({argv + 1, argv + argc}, options)) {
        std::fprintf(stderr, "parrotel-render: %s\n\n%s", error->c_str(), render::kUsage);
        return 1;
    }
    if (options.help) {
        std::fputs(render::kUsage, stdout);
        return 0;
    }
    ConsoleHost host(!options.quiet);

    // Open as the program does: default settings, replaced by the file's own.
    voice::EffectSwitches switches;
    voice::EffectSettings settings = voice::CaptureSettings(switches);
    std::error_code error;
    if (!std::filesystem::exists(options.input, error))
        return Fail(host, "Error: The file named " + options.input + " does not exist.");
    voice::SampleBlock samples = voice::ReadWaveFile(options.input, settings, host);
    if (!samples)
        return 1;  // the reader has said why
    voice::VoiceDocument document;
    if (!document.AdoptVoice(std::move(samples)))
        return Fail(host, "Cannot allocate memory for " + options.input);
    if (document.VoiceBytes() <= 0)
        return Fail(host, "Error: The file named " + options.input + " holds no sound.");
    if (!options.clear)
        voice::RestoreSettings(settings, switches);
    for (voice::Effect effect : options.pressed)
        switches[effect] = true;
    if (options.pitchPosition)
        switches.pitchPosition = *options.pitchPosition;

    bool written;
    if (options.save) {
        const voice::EffectSettings record = voice::CaptureSettings(switches);
        written = voice::WriteWaveFile(options.output, voice::VoiceFormat.samplesPerSecond,
                                       voice::VoiceFormat.bitsPerSample, voice::VoiceFormat.channels,
                                       document.VoiceData.data(), document.VoiceBytes(), &record);
    } else {
        written = voice::ApplyEffects(document, switches, options.output, host);
    }
    if (!written)
        return Fail(host, "Cannot write file: " + options.output);
    return 0;
}

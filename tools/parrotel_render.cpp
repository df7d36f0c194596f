// parrotel-render: the program's effects pipeline from the command line.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "conversion_texts.h"
#include "effect_pipeline.h"
#include "lame_route.h"
#include "realaudio_export_c.h"
#include "render_options.h"
#include "result_codes.h"
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

// A temporary wave file for the processed voice, removed when it goes.
class TemporaryWave {
public:
    TemporaryWave()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "coolXXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd >= 0) {
            close(fd);
            path_ = pattern;
        }
    }
    ~TemporaryWave()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Runs an encoder on its own thread while the gauge follows its percent.
template <class Encode>
int32_t EncodeWithGauge(ConsoleHost& host, std::atomic<int16_t>& percent, Encode encode)
{
    host.ShowProgressWindow();
    host.ResetProgress(100);
    int32_t result = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = encode();
        done = true;
    });
    int16_t shown = 0;
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int16_t now = percent; shown < now && shown < 100; ++shown)
            host.StepProgress();
    }
    worker.join();
    host.HideProgressWindow();
    return result;
}

std::string RatesText(const std::vector<int>& rates)
{
    std::string text;
    for (int r : rates)
        text += (text.empty() ? "" : " ") + std::to_string(r);
    return text;
}

int ExportMp3(voice::VoiceDocument& document, const voice::EffectSwitches& switches, const render::Options& options,
              ConsoleHost& host)
{
    mp3::WaveFormat format;
    format.formatTag = mp3::kWaveFormatPcm;
    format.channels = 1;
    format.sampleRate = voice::ExportSampleRate(switches);
    format.blockAlign = 2;
    format.bitsPerSample = 16;
    if (!mp3::IsLameAvailable())
        return Fail(host, mp3::ConversionResultText(mp3::kLameNotLoaded));
    const std::vector<int> rates = mp3::LameBitrates(format);
    if (std::find(rates.begin(), rates.end(), options.bitrate) == rates.end())
        return Fail(host, "Error: " + std::to_string(options.bitrate) + " kbit/s is not possible for a voice at " +
                              std::to_string(format.sampleRate) + " Hz; choose one of: " + RatesText(rates));
    TemporaryWave processed;
    if (processed.path().empty() || !voice::ApplyEffects(document, switches, processed.path(), host))
        return Fail(host, "Cannot write file: " + processed.path());
    std::atomic<int16_t> percent{0};
    const std::atomic<bool> stop{false};
    const int32_t result = EncodeWithGauge(host, percent, [&] {
        return mp3::EncodeWaveWithLame(processed.path(), options.output, options.bitrate, percent, stop);
    });
    if (result != 0)
        return Fail(host, mp3::ConversionResultText(int16_t(result)) + " (" + options.output + ")");
    return 0;
}

// librealconv (with FFmpeg behind it) is loaded only for a RealAudio
// export, so that everything else runs without it.
class RealAudioLibrary {
public:
    RealAudioLibrary()
    {
        char self[4096];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        const std::filesystem::path folder =
            length > 0 ? std::filesystem::path(std::string(self, size_t(length))).parent_path() : ".";
        for (const std::filesystem::path& candidate :
             {folder / "librealconv.so", folder / PARROTEL_PRIVATE_LIBDIR_FROM_BIN / "librealconv.so"}) {
            handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle_)
                break;
        }
        if (!handle_)
            return;
        exportFile_ = reinterpret_cast<RealAudioExportFileFunction>(dlsym(handle_, "RealAudioExportFile"));
        describe_ = reinterpret_cast<RealAudioDescribeResultFunction>(dlsym(handle_, "RealAudioDescribeResult"));
    }
    ~RealAudioLibrary()
    {
        if (handle_)
            dlclose(handle_);
    }
    bool Loaded() const { return exportFile_ && describe_; }
    RealAudioExportFileFunction exportFile_ = nullptr;
    RealAudioDescribeResultFunction describe_ = nullptr;

private:
    void* handle_ = nullptr;
};

struct GaugeContext {
    ConsoleHost* host;
    int shown;
};

void FollowGauge(int32_t percent, void* context)
{
    auto* gauge = static_cast<GaugeContext*>(context);
    for (; gauge->shown < percent && gauge->shown < 100; ++gauge->shown)
        gauge->host->StepProgress();
}

int ExportRealAudio(voice::VoiceDocument& document, const voice::EffectSwitches& switches,
                    const render::Options& options, ConsoleHost& host)
{
    RealAudioLibrary library;
    if (!library.Loaded())
        return Fail(host, "Error: Could not load the RealAudio export library (librealconv.so)");
    TemporaryWave processed;
    if (processed.path().empty() || !voice::ApplyEffects(document, switches, processed.path(), host))
        return Fail(host, "Cannot write file: " + processed.path());
    host.ShowProgressWindow();
    host.ResetProgress(100);
    GaugeContext gauge{&host, 0};
    const int32_t result =
        library.exportFile_(processed.path().c_str(), options.output.c_str(), options.title.c_str(),
                            options.author.c_str(), options.copyright.c_str(), 0, FollowGauge, &gauge);
    host.HideProgressWindow();
    if (result != 0)
        return Fail(host, std::string("RealAudio export failed: ") + library.describe_(result) + " (" +
                              options.output + ")");
    return 0;
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

    switch (render::KindOf(options.output)) {
    case render::OutputKind::Mp3: return ExportMp3(document, switches, options, host);
    case render::OutputKind::RealAudio: return ExportRealAudio(document, switches, options, host);
    case render::OutputKind::Wave: break;
    }
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

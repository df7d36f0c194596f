// parrotel-render: the program's effects pipeline from the command line.
//
// It opens any file as the window does (voice::OpenVoiceFile), presses the
// saved and the named switches, and writes what the window would export:
// OUT.wav, --save (the unprocessed voice with its settings), or by the
// output's extension MP3 (the LAME route), Opus, FLAC or RealAudio.
//
// Rules:
// - librealconv is loaded with dlopen only for RealAudio output, and
//   libmediabridge only for an input that is not a wave file ReadWaveFile
//   converts itself or for Opus and FLAC output: rendering wave files loads
//   neither FFmpeg nor Qt (tests/tools asks the dynamic loader).
// - libmediabridge is never unloaded (RTLD_NODELETE): FFmpeg keeps
//   process-wide state that an unload would strand.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "bridge_decoder.h"
#include "conversion_texts.h"
#include "effect_pipeline.h"
#include "lame_route.h"
#include "realaudio_export_c.h"
#include "render_options.h"
#include "result_codes.h"
#include "wave_file.h"
#include "voice_source.h"
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

// A library of the program's own, loaded only when a job needs it, so that
// rendering wave files loads neither FFmpeg nor Qt: from beside this program,
// or from the private library folder of an installed tree. It stays loaded
// until the program ends: what it pulls in (Qt, FFmpeg) keeps allocations
// and exit handlers of its own and is not made to be unloaded.
class PrivateLibrary {
public:
    // flags: added to RTLD_NOW | RTLD_LOCAL.
    explicit PrivateLibrary(const char* fileName, int flags = 0)
    {
        char self[4096];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        const std::filesystem::path folder =
            length > 0 ? std::filesystem::path(std::string(self, size_t(length))).parent_path() : ".";
        for (const std::filesystem::path& candidate :
             {folder / fileName, folder / PARROTEL_PRIVATE_LIBDIR_FROM_BIN / fileName}) {
            handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | flags);
            if (handle_)
                break;
        }
    }
    PrivateLibrary(const PrivateLibrary&) = delete;
    PrivateLibrary& operator=(const PrivateLibrary&) = delete;
    void* handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

// librealconv, for a RealAudio export.
class RealAudioLibrary {
public:
    RealAudioLibrary()
    {
        if (!library_.handle())
            return;
        exportFile_ = reinterpret_cast<RealAudioExportFileFunction>(dlsym(library_.handle(), "RealAudioExportFile"));
        describe_ =
            reinterpret_cast<RealAudioDescribeResultFunction>(dlsym(library_.handle(), "RealAudioDescribeResult"));
    }
    bool Loaded() const { return exportFile_ && describe_; }
    RealAudioExportFileFunction exportFile_ = nullptr;
    RealAudioDescribeResultFunction describe_ = nullptr;

private:
    PrivateLibrary library_{"librealconv.so"};
};

// libmediabridge, for any input but the wave files the reader converts
// itself, and for Opus and FLAC exports.
class MediaLibrary {
public:
    MediaLibrary()
    {
        if (library_.handle())
            functions_ = media::FromLibrary(library_.handle());
        if (Loaded())
            functions_.quietLogging();  // a damaged frame skipped is no news on the console
    }
    bool Loaded() const { return functions_.Complete(); }
    const media::MediaFunctions& functions() const { return functions_; }

private:
    // FFmpeg and the libraries it brings in keep process-wide state (codec
    // tables, TLS libraries' set-up); they stay loaded until the program ends.
    PrivateLibrary library_{"libmediabridge.so", RTLD_NODELETE};
    media::MediaFunctions functions_;
};

const char* const kMediaLibraryMissing = "Error: Could not load the media library (libmediabridge.so)";

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

// Writes the processed voice to a temporary wave file and encodes that with
// the gauge following the encoder; nothing (and a message) when the wave
// file could not be written.
template <class Encode>
std::optional<int32_t> EncodeProcessedVoice(voice::VoiceDocument& document, const voice::EffectSwitches& switches,
                                            ConsoleHost& host, Encode encode)
{
    TemporaryWave processed;
    if (processed.path().empty() || !voice::ApplyEffects(document, switches, processed.path(), host)) {
        host.ShowMessage("Cannot write file: " + processed.path());
        return std::nullopt;
    }
    host.ShowProgressWindow();
    host.ResetProgress(100);
    GaugeContext gauge{&host, 0};
    const int32_t result = encode(processed.path(), gauge);
    host.HideProgressWindow();
    return result;
}

// Decodes with the gauge showing how much of the file has been read.
class ConsoleDecoder final : public voice::MediaDecoder {
public:
    ConsoleDecoder(const media::MediaFunctions& functions, ConsoleHost& host)
        : host_(host), decoder_(functions, [this](int32_t percent) {
              for (; shown_ < percent && shown_ < 100; ++shown_)
                  host_.StepProgress();
          })
    {
    }
    Result Decode(const std::string& path, int32_t maxBytes, voice::SampleBlock& voice) override
    {
        host_.ShowProgressWindow();
        host_.ResetProgress(100);
        shown_ = 0;
        const Result result = decoder_.Decode(path, maxBytes, voice);
        host_.HideProgressWindow();
        return result;
    }

private:
    ConsoleHost& host_;
    int32_t shown_ = 0;
    media::BridgeDecoder decoder_;
};

int ExportOpusOrFlac(voice::VoiceDocument& document, const voice::EffectSwitches& switches,
                     const render::Options& options, ConsoleHost& host, const media::MediaFunctions& functions)
{
    const bool opus = render::KindOf(options.output) == render::OutputKind::Opus;
    const int32_t bitsPerSecond = options.bitrate * 1000;
    if (opus && (bitsPerSecond < MEDIA_OPUS_MIN_BITRATE || bitsPerSecond > MEDIA_OPUS_MAX_BITRATE))
        return Fail(host, "Error: " + std::to_string(options.bitrate) + " kbit/s is not possible for Opus; choose " +
                              std::to_string(MEDIA_OPUS_MIN_BITRATE / 1000) + " to " +
                              std::to_string(MEDIA_OPUS_MAX_BITRATE / 1000));
    const std::optional<int32_t> encoded =
        EncodeProcessedVoice(document, switches, host, [&](const std::string& source, GaugeContext& gauge) {
            MediaCallbacks callbacks{};
            callbacks.context = &gauge;
            callbacks.progress = [](void* context, int32_t percent) { FollowGauge(percent, context); };
            return opus ? functions.exportOpus(source.c_str(), options.output.c_str(), bitsPerSecond, &callbacks)
                        : functions.exportFlac(source.c_str(), options.output.c_str(), &callbacks);
        });
    if (!encoded)
        return 1;
    const int32_t result = *encoded;
    if (result == MEDIA_CANNOT_CREATE)
        return Fail(host, "Cannot write file: " + options.output);
    if (result != MEDIA_OK)
        return Fail(host, std::string(opus ? "Opus" : "FLAC") + " export failed: " + functions.resultText(result) +
                              " (" + options.output + ")");
    return 0;
}

int ExportRealAudio(voice::VoiceDocument& document, const voice::EffectSwitches& switches,
                    const render::Options& options, ConsoleHost& host)
{
    RealAudioLibrary library;
    if (!library.Loaded())
        return Fail(host, "Error: Could not load the RealAudio export library (librealconv.so)");
    const std::optional<int32_t> encoded =
        EncodeProcessedVoice(document, switches, host, [&](const std::string& source, GaugeContext& gauge) {
            return library.exportFile_(source.c_str(), options.output.c_str(), options.title.c_str(),
                                       options.author.c_str(), options.copyright.c_str(), 0, FollowGauge, &gauge);
        });
    if (!encoded)
        return 1;
    const int32_t result = *encoded;
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
    const render::OutputKind kind = render::KindOf(options.output);
    std::unique_ptr<MediaLibrary> mediaLibrary;
    if (!voice::IsConvertibleWaveFile(options.input) || kind == render::OutputKind::Opus ||
        kind == render::OutputKind::Flac) {
        mediaLibrary = std::make_unique<MediaLibrary>();
        if (!mediaLibrary->Loaded())
            return Fail(host, kMediaLibraryMissing);
    }
    std::unique_ptr<ConsoleDecoder> decoder;
    if (mediaLibrary)
        decoder = std::make_unique<ConsoleDecoder>(mediaLibrary->functions(), host);
    voice::SampleBlock samples = voice::OpenVoiceFile(options.input, settings, host, decoder.get()).samples;
    if (!samples)
        return 1;  // the reader or the decoder has said why
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

    switch (kind) {
    case render::OutputKind::Mp3: return ExportMp3(document, switches, options, host);
    case render::OutputKind::RealAudio: return ExportRealAudio(document, switches, options, host);
    case render::OutputKind::Opus:
    case render::OutputKind::Flac: return ExportOpusOrFlac(document, switches, options, host, mediaLibrary->functions());
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

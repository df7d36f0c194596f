// Opens one file as the window does (OpenVoiceFile through libmediabridge)
// and reports the time it took, the voice's size and the process's peak
// memory: bench/media/run-open.sh runs it once per file and repetition.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bridge_decoder.h"
#include "voice_source.h"

namespace {

class SilentFeedback : public voice::UserFeedback {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowProgressWindow() override {}
    void HideProgressWindow() override {}
    void ResetProgress(int32_t) override {}
    void StepProgress() override {}
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: open_voice_file FILE\n");
        return 2;
    }
    const media::MediaFunctions functions = media::LinkedMediaFunctions();
    functions.quietLogging();
    media::BridgeDecoder decoder(functions, {});
    SilentFeedback feedback;
    voice::EffectSettings settings;
    const auto start = std::chrono::steady_clock::now();
    const voice::OpenedVoice opened = voice::OpenVoiceFile(argv[1], settings, feedback, &decoder);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!opened.samples)
        return 1;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double mib = 1024.0 * 1024.0;
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    // seconds, voice MiB, peak MiB, processor seconds (what a machine shared with others still tells)
    std::printf("%.3f %.1f %.1f %.3f\n", seconds, opened.samples.bytes / mib, usage.ru_maxrss * 1024.0 / mib, cpu);
    return 0;
}

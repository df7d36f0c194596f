#include "realaudio_export_c.h"

#include "realaudio_export.h"

extern "C" int32_t RealAudioExportFile(const char* source, const char* target, const char* title, const char* author,
                                       const char* copyright, int32_t options,
                                       void (*progress)(int32_t percent, void* context), void* context)
{
    if (!source || !target)
        return realconv::kResultCannotOpenWave;
    realconv::ClipInfo clip;
    clip.title = title ? title : "";
    clip.author = author ? author : "";
    clip.copyright = copyright ? copyright : "";
    clip.selectiveRecord = (options & kRealAudioSelectiveRecord) != 0;
    clip.perfectPlay = (options & kRealAudioPerfectPlay) != 0;
    const std::atomic<bool> stop{false};
    std::function<void(int)> report;
    if (progress)
        report = [progress, context](int percent) { progress(percent, context); };
    return realconv::ExportWaveToRealAudio(source, target, clip, report, stop);
}

extern "C" const char* RealAudioDescribeResult(int32_t code) { return realconv::DescribeResult(code); }

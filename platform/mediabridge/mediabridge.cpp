// The C entry points: arguments checked, every exception turned into a code.
#include "mediabridge.h"

#include <new>

#include "exporter.h"
#include "voice_decoder.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

template <class Work>
int32_t Guarded(Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return MEDIA_NO_MEMORY;
    } catch (...) {
        return MEDIA_ENCODE_FAILED;
    }
}

}  // namespace

extern "C" {

int32_t MediaDecodeVoice(const char* path, int32_t maxBytes, const MediaCallbacks* callbacks,
                         MediaAllocateFunction allocate, void* allocateContext)
{
    if (!path)
        return MEDIA_BAD_ARGUMENT;
    return Guarded([&] { return media::DecodeVoice(path, maxBytes, callbacks, allocate, allocateContext); });
}

int32_t MediaExportOpus(const char* sourceWave, const char* destination, int32_t bitsPerSecond,
                        const MediaCallbacks* callbacks)
{
    if (!sourceWave || !destination)
        return MEDIA_BAD_ARGUMENT;
    return Guarded(
        [&] { return media::ExportWave(MEDIA_FORMAT_OPUS, sourceWave, destination, bitsPerSecond, callbacks); });
}

int32_t MediaExportFlac(const char* sourceWave, const char* destination, const MediaCallbacks* callbacks)
{
    if (!sourceWave || !destination)
        return MEDIA_BAD_ARGUMENT;
    return Guarded([&] { return media::ExportWave(MEDIA_FORMAT_FLAC, sourceWave, destination, 0, callbacks); });
}

int32_t MediaCanExport(int32_t format) { return media::EncoderFor(format) ? 1 : 0; }

const char* MediaResultText(int32_t result)
{
    switch (result) {
    case MEDIA_OK: return "done";
    case MEDIA_CANNOT_OPEN: return "the file cannot be opened";
    case MEDIA_UNDECODABLE: return "the file holds no sound that can be decoded";
    case MEDIA_TOO_LONG: return "the sound is too long";
    case MEDIA_NO_MEMORY: return "there is not enough memory";
    case MEDIA_STOPPED: return "stopped";
    case MEDIA_NO_ENCODER: return "this system's FFmpeg has no encoder for the format";
    case MEDIA_CANNOT_CREATE: return "the file cannot be created";
    case MEDIA_DISK_FULL: return "the disk is full";
    case MEDIA_WRITE_FAILED: return "writing the file failed";
    case MEDIA_ENCODE_FAILED: return "the encoder failed";
    case MEDIA_BAD_ARGUMENT: return "a path is missing or the bit rate is out of range";
    }
    return "unknown result";
}

void MediaQuietLogging(void) { av_log_set_level(AV_LOG_QUIET); }

}  // extern "C"

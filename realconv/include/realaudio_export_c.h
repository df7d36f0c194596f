// The converter with plain C linkage, for programs that load librealconv only
// when they need it (parrotel-render does, so that its other work carries no
// FFmpeg or Qt).
#pragma once

#include <cstdint>

extern "C" {

#define REALAUDIO_EXPORT_API __attribute__((visibility("default")))

enum {
    kRealAudioSelectiveRecord = 1,  // listeners may record the clip
    kRealAudioPerfectPlay = 2,      // the player may buffer the whole clip first
};

// As realconv::ExportWaveToRealAudio; options is a set of the flags above;
// progress (may be null) receives the percentage done and the context.
REALAUDIO_EXPORT_API int32_t RealAudioExportFile(const char* source, const char* target, const char* title,
                                                 const char* author, const char* copyright, int32_t options,
                                                 void (*progress)(int32_t percent, void* context), void* context);

// A sentence for a result code.
REALAUDIO_EXPORT_API const char* RealAudioDescribeResult(int32_t code);

typedef int32_t (*RealAudioExportFileFunction)(const char*, const char*, const char*, const char*, const char*,
                                               int32_t, void (*)(int32_t, void*), void*);
typedef const char* (*RealAudioDescribeResultFunction)(int32_t);
}

// libmediabridge's functions as one table, for C++ callers: the program uses
// the linked library (LinkedMediaFunctions, from mediabridge_client), a tool
// that loads it with dlopen fills the table with FromLibrary, and tests put
// their own functions in where a case needs what real files cannot give.
#pragma once

#include <dlfcn.h>

#include "mediabridge.h"

namespace media {

struct MediaFunctions {
    MediaDecodeVoiceFunction decodeVoice = nullptr;
    MediaExportOpusFunction exportOpus = nullptr;
    MediaExportFlacFunction exportFlac = nullptr;
    MediaCanExportFunction canExport = nullptr;
    MediaResultTextFunction resultText = nullptr;
    MediaQuietLoggingFunction quietLogging = nullptr;

    bool Complete() const
    {
        return decodeVoice && exportOpus && exportFlac && canExport && resultText && quietLogging;
    }
};

// The functions of the library this program links (mediabridge_client).
MediaFunctions LinkedMediaFunctions();

// The functions of a library opened with dlopen; check Complete().
inline MediaFunctions FromLibrary(void* handle)
{
    MediaFunctions f;
    f.decodeVoice = reinterpret_cast<MediaDecodeVoiceFunction>(dlsym(handle, "MediaDecodeVoice"));
    f.exportOpus = reinterpret_cast<MediaExportOpusFunction>(dlsym(handle, "MediaExportOpus"));
    f.exportFlac = reinterpret_cast<MediaExportFlacFunction>(dlsym(handle, "MediaExportFlac"));
    f.canExport = reinterpret_cast<MediaCanExportFunction>(dlsym(handle, "MediaCanExport"));
    f.resultText = reinterpret_cast<MediaResultTextFunction>(dlsym(handle, "MediaResultText"));
    f.quietLogging = reinterpret_cast<MediaQuietLoggingFunction>(dlsym(handle, "MediaQuietLogging"));
    return f;
}

}  // namespace media

#include "media_functions.h"

namespace media {

MediaFunctions LinkedMediaFunctions()
{
    MediaFunctions f;
    f.decodeVoice = MediaDecodeVoice;
    f.exportOpus = MediaExportOpus;
    f.exportFlac = MediaExportFlac;
    f.canExport = MediaCanExport;
    f.resultText = MediaResultText;
    f.quietLogging = MediaQuietLogging;
    return f;
}

}  // namespace media

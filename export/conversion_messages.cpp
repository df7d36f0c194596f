#include "conversion_messages.h"

#include "result_codes.h"

namespace mp3 {

QString ConversionResultMessage(int16_t code)
{
    switch (code) {
    case 400:
    case 401: return QStringLiteral("Error: Codec Not Found");
    case 402:
    case 412:
    case 413:
    case 430: return QStringLiteral("Error: Unable to Allocate Memory");
    case 403: return QStringLiteral("Error: Driver is Disabled");
    case 404: return QStringLiteral("Error: Could not load driver");
    case 405: return QStringLiteral("Error: Could Not suggest Format");
    case 406: return QStringLiteral("Error: Could not Open Codec Stream");
    case 407: return QStringLiteral("Error: Could not Open Input File");
    case 408: return QStringLiteral("Error: Could not Open Output File");
    case 409:
    case 410: return QStringLiteral("Error: File closing Error");
    case 411: return QStringLiteral("Error: Calculation Error");
    case 414: return QStringLiteral("Error: Header Prepration Error");
    case 424: return QStringLiteral("Error: Stream not Created");
    case 431: return QStringLiteral("Error: User Abort");
    case 432: return QStringLiteral("Error: Space Not Available");
    case 433: return QStringLiteral("Error: Unable to Open Input Wave File");
    case 434: return QStringLiteral("Error: RIFF Chunk not Found");
    case 435: return QStringLiteral("Error: Data Chunk not Found");
    case kLameHeaderTooShort: return QStringLiteral("Error: The wave file is too short to hold a wave header");
    case kLameNotPcmWave:
        return QStringLiteral("Error: The source is not a 16-bit PCM wave file with one or two channels");
    case kLameInitFailed: return QStringLiteral("Error: The Lame encoder could not be set up for this wave file");
    case kLameNotLoaded: return QStringLiteral("Error: Could not load the Lame encoder library (libmp3lame)");
    case kLameNoMemory: return QStringLiteral("Error: Not enough memory for the conversion");
    case kLameReadError: return QStringLiteral("Error: Could not read the wave file");
    case kLameEncodeError: return QStringLiteral("Error: The Lame encoder failed while converting");
    case kLameStopped: return QStringLiteral("Error: The conversion was stopped");
    case kLameWriteError: return QStringLiteral("Error: Could not write the MP3 file. The disk may be full.");
    }
    if (code >= 415 && code <= 429)
        return QStringLiteral("Error: File Creating Error");
    return QStringLiteral("Error: The conversion failed (code %1)").arg(code);
}

}  // namespace mp3

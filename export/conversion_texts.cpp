#include "conversion_texts.h"

#include "result_codes.h"

namespace mp3 {

std::string ConversionResultText(int16_t code)
{
    switch (code) {
    case 400:
    case 401: return "Error: Codec Not Found";
    case 402:
    case 412:
    case 413:
    case 430: return "Error: Unable to Allocate Memory";
    case 403: return "Error: Driver is Disabled";
    case 404: return "Error: Could not load driver";
    case 405: return "Error: Could Not suggest Format";
    case 406: return "Error: Could not Open Codec Stream";
    case 407: return "Error: Could not Open Input File";
    case 408: return "Error: Could not Open Output File";
    case 409:
    case 410: return "Error: File closing Error";
    case 411: return "Error: Calculation Error";
    case 414: return "Error: Header Prepration Error";
    case 424: return "Error: Stream not Created";
    case 431: return "Error: User Abort";
    case 432: return "Error: Space Not Available";
    case 433: return "Error: Unable to Open Input Wave File";
    case 434: return "Error: RIFF Chunk not Found";
    case 435: return "Error: Data Chunk not Found";
    case kLameHeaderTooShort: return "Error: The wave file is too short to hold a wave header";
    case kLameNotPcmWave:
        return "Error: The source is not a 16-bit PCM wave file with one or two channels";
    case kLameInitFailed: return "Error: The Lame encoder could not be set up for this wave file";
    case kLameNotLoaded: return "Error: Could not load the Lame encoder library (libmp3lame)";
    case kLameNoMemory: return "Error: Not enough memory for the conversion";
    case kLameReadError: return "Error: Could not read the wave file";
    case kLameEncodeError: return "Error: The Lame encoder failed while converting";
    case kLameStopped: return "Error: The conversion was stopped";
    case kLameWriteError: return "Error: Could not write the MP3 file. The disk may be full.";
    }
    if (code >= 415 && code <= 429)
        return "Error: File Creating Error";
    return "Error: The conversion failed (code " + std::to_string(code) + ")";
}

}  // namespace mp3

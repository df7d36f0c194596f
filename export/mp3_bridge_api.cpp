#include "mp3_bridge_api.h"

#include "mp3bridge.h"

namespace mp3 {

Mp3BridgeApi Mp3BridgeApi::System()
{
    return {IsValidMP3CodecFound, IsBitrateSupported, ConvertWaveFileToMp3, GetStatusWavToMP3,
            StopConversionWavToMP3};
}

}  // namespace mp3

/* libmp3bridge: wave-to-MP3 conversion with the system's MP3 encoder
 * (libavcodec). Plain C exports; results are the conversion result codes
 * (0 = success). One conversion runs at a time; its status and stop may be
 * asked from any other thread while it runs.
 *
 * Rules:
 * - The encoder is libavcodec's libmp3lame when present (it keeps the
 *   voice's own sample rate), else libshine with the input resampled to a
 *   rate it takes.
 * - A bit rate is supported only when a probe encoding yields frames of
 *   exactly that rate: encoders silently replace rates they cannot make.
 * - The wave is read with WaveSource: exactly the bytes of the "data" chunk,
 *   so the program's settings chunk never reaches the encoder.
 * - The file is gapless: an Info tag frame first (frame count, the encoder's
 *   delay and padding) and no ID3 tag; it is saved through files::AtomicFile.
 * - Result codes (result_codes.h) and their messages are shared with the
 *   program's own LAME route (export/lame_route.h). */
#ifndef PARROTEL_MP3BRIDGE_H
#define PARROTEL_MP3BRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MP3BRIDGE_EXPORT __attribute__((visibility("default")))

/* 0 when an MP3 encoder can take this wave file; 436 when the system has no
 * MP3 codec at all, 438 when it can only decode MP3; any other value names
 * what is wrong with the source (unreadable, not a wave, unusable format). */
MP3BRIDGE_EXPORT int16_t IsValidMP3CodecFound(const char* sourceWave);

/* Sets *supported to 1 when the encoder produces MP3 frames of exactly this
 * bit rate (bit/s) from this source, and leaves it alone otherwise. The
 * result code says why a rate was not possible. */
MP3BRIDGE_EXPORT int32_t IsBitrateSupported(const char* sourceWave, int32_t bitsPerSecond, uint8_t* supported);

/* Runs the whole conversion and returns its result code in the low 16 bits.
 * The MP3 file appears only when it is complete; a stopped or failed
 * conversion leaves the destination as it was. */
MP3BRIDGE_EXPORT int32_t ConvertWaveFileToMp3(const char* sourceWave, const char* destinationMp3,
                                              int32_t bitsPerSecond);

/* Percent done (0..100) of the running or last conversion. */
MP3BRIDGE_EXPORT int16_t GetStatusWavToMP3(void);

/* Asks the running conversion to stop soon; it then returns 431. */
MP3BRIDGE_EXPORT void StopConversionWavToMP3(void);

#ifdef __cplusplus
}
#endif

#endif

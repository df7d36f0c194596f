/* The recording library: records from the sound card's input into a RIFF
 * WAVE file on a thread of its own, and reports the input level.
 *
 * Result codes of AudioStartRecord (AudioStopRecord returns 0 once the file
 * is complete):
 *   0    recording has started
 *   201  the device does not record in this format (bits, channels or rate)
 *   202  not enough memory
 *   203  the file cannot be created
 *   204  no capture device can be opened
 *   205  the device does not start recording
 *   206  a recording is already running
 *   207  no file name was given
 *
 * Rules:
 * - One recording at a time, from ALSA's "default" capture device unless
 *   AudioSetRecordDevice named another.
 * - AudioStartRecord returns only once sound arrives (a server's first
 *   stream can take a second; no sound within 5 s is 205). The recording
 *   spans exactly the time from that return to the call of AudioStopRecord:
 *   what the device delivered before is skipped, and the stop reads on until
 *   the frames captured up to its own moment are in (dated by the arrival of
 *   the fragments).
 * - A thread reads 20 ms periods into the file (RIFF WAVE through riff::Writer)
 *   and keeps each block's peak for the level.
 * - When a write fails (a full disk) the file is cut back to the whole frames
 *   that reached it and its sizes set to match. The finished file is flushed
 *   to the disk, with its folder, before AudioStopRecord returns.
 * - Every result code comes from a real failure (a format refused by the
 *   checks or by the device, no memory, no file, no device, no sound).
 */
#ifndef TAPEDECK_H
#define TAPEDECK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TAPEDECK_API __attribute__((visibility("default")))

enum {
    TAPEDECK_OK = 0,
    TAPEDECK_BAD_FORMAT = 201,
    TAPEDECK_NO_MEMORY = 202,
    TAPEDECK_CANNOT_CREATE_FILE = 203,
    TAPEDECK_NO_DEVICE = 204,
    TAPEDECK_CANNOT_START = 205,
    TAPEDECK_ALREADY_RECORDING = 206,
    TAPEDECK_NO_FILE_NAME = 207
};

/* Starts recording into the file at path (created or truncated) as PCM of
 * 8 or 16 bits, 1 or 2 channels, at the given rate. Returns once sound is
 * being captured, so the recording's length follows the time from this
 * return to AudioStopRecord. recordSource is the mixer's record source
 * index; the source itself is chosen through the mixer. */
TAPEDECK_API uint16_t AudioStartRecord(const char* path, uint32_t samplesPerSecond, uint16_t bitsPerSample,
                                       uint16_t channels, uint16_t recordSource);

/* Ends the recording and completes the file; 0 when no recording runs. If
 * the file could not be written to the end, it keeps every whole frame that
 * reached it. */
TAPEDECK_API uint16_t AudioStopRecord(void);

/* The input's peak level over the last 100 ms in percent of full scale
 * (0..100) in *level; in *second, that of the second channel (the same as
 * *level for one channel). Both 0 when no recording runs. Either pointer may
 * be null. */
TAPEDECK_API void AudioGetRecordLevel(int32_t* level, int32_t* second);

/* Records from this ALSA capture device from the next start on; null or ""
 * restores "default", the device the program uses. For tests and diagnosis. */
TAPEDECK_API void AudioSetRecordDevice(const char* alsaName);

#ifdef __cplusplus
}
#endif

#endif

/* libmediabridge: every audio file in, Opus and FLAC out, through FFmpeg
 * (libavformat, libavcodec, libswresample). Plain C exports only; no FFmpeg
 * type crosses this header, so callers need no FFmpeg headers, and a program
 * that needs the library only now and then can load it with dlopen.
 *
 * Rules:
 * - Decoding makes the voice format: 16-bit signed mono at 22050 samples per
 *   second. Channels are mixed by averaging them (a voice in every channel
 *   keeps its level), rates are converted with a high-quality resampler and
 *   the result is dithered to 16 bits when anything was mixed, resampled or
 *   narrowed. A file must be recognised with confidence: text, random bytes
 *   or a header cut off are refused, never turned into noise.
 * - Exports read a wave file (the processed voice) and write the output under
 *   a temporary name in the target's folder, renamed over the target only
 *   when complete and flushed to the disk: a stopped or failed export leaves
 *   no file and never damages one that was there.
 * - Every call runs on the caller's thread; progress and stop callbacks are
 *   called on it between pieces of work. Calls may run on several threads at
 *   once (each call owns all its state). */
#ifndef PARROTEL_MEDIABRIDGE_H
#define PARROTEL_MEDIABRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MEDIABRIDGE_EXPORT __attribute__((visibility("default")))

/* Result codes. */
enum {
    MEDIA_OK = 0,
    MEDIA_CANNOT_OPEN = 1,     /* the file cannot be opened for reading */
    MEDIA_UNDECODABLE = 2,     /* not a sound any decoder knows, or nothing of it decodes */
    MEDIA_TOO_LONG = 3,        /* more sound than the caller can hold */
    MEDIA_NO_MEMORY = 4,
    MEDIA_STOPPED = 5,         /* the stop callback asked for it */
    MEDIA_NO_ENCODER = 6,      /* this FFmpeg has no encoder for the format */
    MEDIA_CANNOT_CREATE = 7,   /* the output file cannot be created in its folder */
    MEDIA_DISK_FULL = 8,
    MEDIA_WRITE_FAILED = 9,
    MEDIA_ENCODE_FAILED = 10,
    MEDIA_BAD_ARGUMENT = 11    /* a missing path, a bit rate out of range */
};

/* Export formats. */
enum {
    MEDIA_FORMAT_OPUS = 1, /* Opus in Ogg, 48000 Hz */
    MEDIA_FORMAT_FLAC = 2  /* FLAC at the source's rate, lossless */
};

/* The bit rates an Opus export takes, in bit/s, and the one for a voice. */
#define MEDIA_OPUS_MIN_BITRATE 6000
#define MEDIA_OPUS_MAX_BITRATE 510000
#define MEDIA_OPUS_VOICE_BITRATE 32000

typedef struct MediaCallbacks {
    void* context;
    /* Percent done, 0..100, each time it changes; may be null. */
    void (*progress)(void* context, int32_t percent);
    /* Non-zero asks the call to stop soon with MEDIA_STOPPED; may be null. */
    int32_t (*stopRequested)(void* context);
} MediaCallbacks;

/* Returns memory for `bytes` bytes of samples, or null when there is none.
 * The memory belongs to the caller. */
typedef void* (*MediaAllocateFunction)(void* context, int32_t bytes);

/* Decodes the first audio stream of any file into the voice format. Once the
 * whole sound is decoded, `allocate` is called once (with allocateContext)
 * for the samples' exact byte count and the samples are copied there. A
 * sound of more than maxBytes bytes gives MEDIA_TOO_LONG (early, when the
 * file tells its length). callbacks may be null. */
MEDIABRIDGE_EXPORT int32_t MediaDecodeVoice(const char* path, int32_t maxBytes, const MediaCallbacks* callbacks,
                                            MediaAllocateFunction allocate, void* allocateContext);

/* Exports the sound of a wave file as Opus in Ogg (48000 Hz, mono, at
 * bitsPerSecond, MEDIA_OPUS_MIN_BITRATE..MEDIA_OPUS_MAX_BITRATE). */
MEDIABRIDGE_EXPORT int32_t MediaExportOpus(const char* sourceWave, const char* destination, int32_t bitsPerSecond,
                                           const MediaCallbacks* callbacks);

/* Exports the sound of a wave file as FLAC at its own rate, mono, 16 bits. */
MEDIABRIDGE_EXPORT int32_t MediaExportFlac(const char* sourceWave, const char* destination,
                                           const MediaCallbacks* callbacks);

/* 1 when this FFmpeg has the encoder for the format, else 0. */
MEDIABRIDGE_EXPORT int32_t MediaCanExport(int32_t format);

/* A short English phrase for a result code ("the disk is full"). */
MEDIABRIDGE_EXPORT const char* MediaResultText(int32_t result);

/* Keeps FFmpeg's own diagnostics (damaged frames skipped and the like) off
 * standard error, for the whole process. */
MEDIABRIDGE_EXPORT void MediaQuietLogging(void);

/* The functions' types, for callers that load the library with dlopen. */
typedef int32_t (*MediaDecodeVoiceFunction)(const char*, int32_t, const MediaCallbacks*, MediaAllocateFunction,
                                            void*);
typedef int32_t (*MediaExportOpusFunction)(const char*, const char*, int32_t, const MediaCallbacks*);
typedef int32_t (*MediaExportFlacFunction)(const char*, const char*, const MediaCallbacks*);
typedef int32_t (*MediaCanExportFunction)(int32_t);
typedef const char* (*MediaResultTextFunction)(int32_t);
typedef void (*MediaQuietLoggingFunction)(void);

#ifdef __cplusplus
}
#endif

#endif

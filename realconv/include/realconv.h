/* librealconv: converts a wave file into a RealAudio file, asking the user
 * for the output file, the clip's title, author and copyright in a modal
 * dialog, and encoding on a worker thread with a progress bar.
 *
 * Rules:
 * - The library shows only RAExport and the converter's C calls
 *   (realaudio_export_c.h); nothing of its C++. The same converter without
 *   Qt is the static library realconv_engine (realaudio_export.h); a program
 *   links the shared library or the static parts, never both.
 * - The file is RealAudio 1.0 (14.4 family, "lpcJ"): the voice resampled to
 *   8000 Hz mono, 20-byte frames at 8 kbit/s, in a RealMedia container this
 *   library writes itself (realmedia_writer.h). The decoded sound lines up
 *   with the source to the sample.
 * - The file is saved through files::AtomicFile: a stopped or failed export
 *   leaves the folder as it was.
 * - One export at a time. */
#ifndef REALCONV_REALCONV_H
#define REALCONV_REALCONV_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define REALCONV_API __attribute__((visibility("default")))

/* Shows "Export Sound to RealAudio" over ownerWindow (a QWidget* converted
 * to void*, so static_cast<QWidget*>(window) first; or null)
 * with targetPath in its file box, and converts sourceWavePath when the user
 * exports. Call it on the GUI thread of a running QApplication.
 *
 * targetPath is the caller's buffer of 260 characters: it comes in as the
 * proposed output file name and goes out as the dialog's final one (also
 * after a cancel). Paths are in the file system's encoding and at most 259
 * bytes; a longer source path is refused.
 *
 * Export refuses a target whose folder is missing or takes no new files. A
 * conversion that fails is told to the user before the dialog closes, with
 * the file and the reason ("Cannot write file: " + path when the file cannot
 * be written).
 *
 * Returns 0 when a RealAudio file was written, 1 otherwise (cancelled,
 * closed, failed, or another export still open). Returns only after the
 * conversion has stopped, so the caller may delete the source at once. */
REALCONV_API int32_t RAExport(void* ownerWindow, const char* sourceWavePath, char* targetPath);

#ifdef __cplusplus
}
#endif

#endif

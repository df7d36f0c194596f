/* libfaderbox: the sound card mixer for the program.
 *
 * One selected output (playback) device and one selected input (recording)
 * device, process-wide; no initialisation call. Call SetCallbackWindow first,
 * then SelectOutputDevice and SelectInputDevice (each tries a wave device
 * number), then SelectInputSource before the input level and volume functions;
 * DeSelectOutputDevice and DeSelectInputDevice at shutdown. All calls come
 * from one thread.
 *
 * While a device is selected, every change of one of its mixer's controls
 * (by this library, or by any other program) is posted to the callback window
 * as MM_MIXM_CONTROL_CHANGE (0x3D1) with the control identifier as lParam;
 * GetVolumeIDs tells which identifiers matter.
 *
 * Results: -1 no device selected (or the platform call failed at the start),
 * -2 a needed line or control is missing, -3 reading or writing a control value
 * failed; yes/no functions return 1 or 0. Volumes are in the control's units
 * (0..65535 on every ALSA mixer); levels run 0..99.
 *
 * Text buffers belong to the caller: 32 bytes for device descriptions, 64 for
 * source descriptions.
 *
 * A recording destination chooses its source by a MUX control (one source at
 * a time), a MIXER control (a switch per source), or neither (the other
 * source lines are muted); all three are served. Values are always read and
 * written through the mixer's identifier; the open mixer handles only route
 * notifications to the callback window. These functions are the only symbols
 * the library shows (tests/exports/check-exports.sh).
 */
#ifndef FADERBOX_FADERBOX_H
#define FADERBOX_FADERBOX_H

#include <stdint.h>

#if defined(FADERBOX_BUILDING_LIBRARY)
#define FADERBOX_API __attribute__((visibility("default")))
#else
#define FADERBOX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Devices and state. The window is a platform::WindowHandle of
 * platform/messages (uintptr_t); it is returned unchanged. */
FADERBOX_API uintptr_t SetCallbackWindow(uintptr_t window);
FADERBOX_API int32_t GetNumberOfOutputDevices(void);
FADERBOX_API int32_t GetOutputDeviceDescription(int32_t device, char* description);
FADERBOX_API int32_t GetNumberOfInputDevices(void);
FADERBOX_API int32_t GetInputDeviceDescription(int32_t device, char* description);
FADERBOX_API int32_t SelectOutputDevice(int32_t device);
FADERBOX_API int32_t DeSelectOutputDevice(void);
FADERBOX_API int32_t SelectInputDevice(int32_t device);
FADERBOX_API int32_t DeSelectInputDevice(void);
FADERBOX_API int32_t IsMixerMuxType(void);
FADERBOX_API int32_t IsMixerMixerType(void);
/* Wave-out volume, record master volume, record selector, selected source
 * volume; 0xFFFFFFFF where there is none. Returns 0. */
FADERBOX_API int32_t GetVolumeIDs(uint32_t* waveOutVolume, uint32_t* recordMasterVolume, uint32_t* recordSelector,
                                  uint32_t* sourceVolume);

/* Volumes and levels. values points to two 32-bit values (left, right);
 * channels is 1 (one value for both) or 2. */
FADERBOX_API int32_t UnmuteOutput(void);
FADERBOX_API int32_t GetCurrentOutputVolSetting(int32_t channels, uint32_t* values);
FADERBOX_API int32_t SetCurrentOutputVolSetting(int32_t channels, const uint32_t* values);
FADERBOX_API int32_t GetCurrentInputVolSetting(int32_t channels, uint32_t* values);
FADERBOX_API int32_t SetCurrentInputVolSetting(int32_t channels, const uint32_t* values);
FADERBOX_API int32_t GetCurrentOutputLevel(void);
FADERBOX_API int32_t SetCurrentOutputLevel(int32_t level);
FADERBOX_API int32_t GetCurrentInputLevel(void);
FADERBOX_API int32_t SetCurrentInputLevel(int32_t level);

/* Record sources. */
FADERBOX_API int32_t GetNumberOfInputSources(void);
FADERBOX_API int32_t GetInputSourceDescription(int32_t source, char* description);
FADERBOX_API int32_t GetMicrophoneSourceIndex(void);
FADERBOX_API int32_t SelectInputSource(int32_t source);
/* On a mixer with neither MUX nor MIXER control, 1 means the source is muted. */
FADERBOX_API int32_t IsCurrentInputSourceSelected(int32_t source);
FADERBOX_API int32_t GetMixMuxSetting(uint32_t mixerId, uint32_t controlId, int32_t item);

#ifdef __cplusplus
}
#endif

#endif /* FADERBOX_FADERBOX_H */

// What the classic multimedia calls share, whichever device they drive (the
// mixer, the wave output): the result type and its general codes, and how a
// device reports back. One definition, so that a caller may use both.
#pragma once

#include <cstdint>

namespace platform {

using MMRESULT = uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;  // the device is in use
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

// How an open device reports: not at all (poll), or with window messages.
constexpr uint32_t CALLBACK_NULL = 0x00000;
constexpr uint32_t CALLBACK_WINDOW = 0x10000;

}  // namespace platform

// The fake sound cards of the fakecard ALSA plugin ("fakeselector",
// "fakeexclusive", "fakeswitches"), and raw access to their elements as
// another program would have it.
#pragma once

#include <string>

namespace fakecards {

// Points ALSA's configuration at the fake cards; call before any ALSA use.
void UseFakeAlsaCards();

// An element's raw value on one channel (an enumerated element's item index).
long ReadElement(const std::string& device, const std::string& element, unsigned channel = 0);
// Sets every channel of an element.
void WriteElement(const std::string& device, const std::string& element, long value);

}  // namespace fakecards

// The texts of the conversion result codes, for both MP3 routes, without Qt.
#pragma once

#include <cstdint>
#include <string>

namespace mp3 {

std::string ConversionResultText(int16_t code);

}  // namespace mp3

// The texts of the conversion result codes, for both MP3 routes.
#pragma once

#include <QString>

#include <cstdint>

namespace mp3 {

QString ConversionResultMessage(int16_t code);

}  // namespace mp3

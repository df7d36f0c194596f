#include "conversion_messages.h"

#include "conversion_texts.h"

namespace mp3 {

QString ConversionResultMessage(int16_t code) { return QString::fromStdString(ConversionResultText(code)); }

}  // namespace mp3

#include "converted_voice.h"

#include <algorithm>

namespace media {

int32_t ConvertedVoice::Store(int made)
{
    if (made < 0)
        return made == AVERROR(ENOMEM) ? MEDIA_NO_MEMORY : MEDIA_UNDECODABLE;
    const int64_t from = std::max(made_, first_);
    const int64_t to = std::min(made_ + made, end_);
    made_ += made;
    if (from >= to)
        return MEDIA_OK;
    const auto* samples = reinterpret_cast<const int16_t*>(converter_.Output()) + (from - (made_ - made));
    return store_.Append(samples, size_t(to - from)) ? MEDIA_OK : MEDIA_TOO_LONG;
}

}  // namespace media

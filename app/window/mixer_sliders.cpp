#include "mixer_sliders.h"

namespace mixer_sliders {

namespace {

// numerator / denominator rounded to the nearest integer, halves to the even
// neighbour; both non-negative, denominator positive.
uint64_t RoundedHalfEven(uint64_t numerator, uint64_t denominator)
{
    const uint64_t quotient = numerator / denominator;
    const uint64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 == 1))
        return quotient + 1;
    return quotient;
}

}  // namespace

uint32_t VolumeFromSliderValue(int value, int max)
{
    if (value <= 0 || max <= 0)
        return 0;
    return uint32_t(RoundedHalfEven(uint64_t(value) * kFullScale, uint64_t(max)));
}

int SliderPositionFromVolume(uint32_t volume, int min, int max)
{
    const uint64_t scaled = max > 0 ? RoundedHalfEven(uint64_t(volume) * uint64_t(max), kFullScale) : 0;
    return int(int64_t(max) + min - int64_t(scaled));
}

std::optional<uint32_t> NextRecordSource(uint32_t current, uint32_t count)
{
    if (int32_t(count) <= 0)
        return std::nullopt;
    return uint32_t(current + 1) % count;
}

}  // namespace mixer_sliders

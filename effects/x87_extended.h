// The x87 80-bit extended format in integer arithmetic, for processors whose
// long double is another format (IEEE binary128 on aarch64, plain double
// elsewhere).
//
// A value is a sign, a 64-bit significand with an explicit leading one and a
// binary exponent. Every operation (+, -, *, /, square root, the conversions)
// rounds its exact result once to 64 significant bits, to nearest with ties to
// even, as the x87 does under its default precision control. A computation
// written with X87Extended therefore gives, bit for bit, what the same
// computation gives in long double on x86-64.
//
// Rules: finite values only; the effects form no infinities and no NaNs. The
// exponent is an int32_t, so nothing here overflows or becomes subnormal
// (the x87 would below 2^-16382; the effects' values stay far from that).
// Converting to double does handle double's subnormals and overflow.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace effects {

class X87Extended {
public:
    X87Extended() = default;
    X87Extended(int v) : X87Extended(static_cast<long long>(v)) {}
    X87Extended(long v) : X87Extended(static_cast<long long>(v)) {}
    X87Extended(long long v);
    X87Extended(double d);

    explicit operator double() const;
    // Round to the nearest integer, ties to even; out of range gives INT64_MIN
    // (the x87's "integer indefinite"), as fistp does.
    int64_t RoundToInteger() const;
    X87Extended SquareRoot() const;

    friend X87Extended operator+(const X87Extended& a, const X87Extended& b) { return Add(a, b, false); }
    friend X87Extended operator-(const X87Extended& a, const X87Extended& b) { return Add(a, b, true); }
    friend X87Extended operator*(const X87Extended& a, const X87Extended& b);
    friend X87Extended operator/(const X87Extended& a, const X87Extended& b);
    X87Extended operator-() const
    {
        X87Extended r = *this;
        r.negative_ = !r.negative_;
        return r;
    }

    // The parts, for tests: value = significand * 2^(exponent - 63).
    bool Negative() const { return negative_; }
    int32_t Exponent() const { return exponent_; }
    uint64_t Significand() const { return significand_; }

private:
    using Wide = unsigned __int128;

    X87Extended(bool negative, int32_t exponent, uint64_t significand)
        : negative_(negative), exponent_(exponent), significand_(significand)
    {
    }
    bool IsZero() const { return significand_ == 0; }

    // `wide` has its leading one at bit 127 and stands for
    // wide * 2^(exponent - 127); rounds it to 64 bits.
    static X87Extended Rounded(bool negative, int32_t exponent, Wide wide);
    static X87Extended Add(const X87Extended& a, const X87Extended& b, bool subtract);

    bool negative_ = false;
    int32_t exponent_ = 0;
    uint64_t significand_ = 0;  // 0 for zero, else its top bit is set
};

namespace x87_detail {

inline int LeadingZeros(unsigned __int128 v)
{
    const auto high = uint64_t(v >> 64);
    return high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(uint64_t(v));
}

// v / 2^shift rounded to nearest, ties to even, for shift >= 0.
inline uint64_t ShiftRightRounded(uint64_t v, int shift)
{
    if (shift == 0)
        return v;
    if (shift > 64)
        return 0;
    if (shift == 64)
        return v > (uint64_t(1) << 63) ? 1 : 0;
    const uint64_t kept = v >> shift, rest = v & ((uint64_t(1) << shift) - 1), half = uint64_t(1) << (shift - 1);
    return kept + ((rest > half || (rest == half && (kept & 1))) ? 1 : 0);
}

}  // namespace x87_detail

inline X87Extended::X87Extended(long long v)
{
    if (v == 0)
        return;
    negative_ = v < 0;
    const uint64_t magnitude = negative_ ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    const int zeros = std::countl_zero(magnitude);
    significand_ = magnitude << zeros;
    exponent_ = 63 - zeros;
}

inline X87Extended::X87Extended(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    negative_ = (bits >> 63) != 0;
    const int32_t biased = int32_t((bits >> 52) & 0x7ff);
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
    if (biased == 0) {  // zero or subnormal: fraction * 2^-1074
        if (fraction == 0)
            return;
        const int zeros = std::countl_zero(fraction);
        significand_ = fraction << zeros;
        exponent_ = (63 - zeros) - 1074;
        return;
    }
    significand_ = (fraction | (uint64_t(1) << 52)) << 11;
    exponent_ = biased - 1023;
}

inline X87Extended::operator double() const
{
    uint64_t bits = uint64_t(negative_) << 63;
    if (!IsZero()) {
        if (exponent_ >= -1022) {  // a normal double, or overflow
            uint64_t mantissa = x87_detail::ShiftRightRounded(significand_, 11);
            int32_t exponent = exponent_;
            if (mantissa >> 53) {
                mantissa >>= 1;
                ++exponent;
            }
            if (exponent > 1023)
                bits |= uint64_t(0x7ff) << 52;  // infinity
            else
                bits |= uint64_t(exponent + 1023) << 52 | (mantissa & ((uint64_t(1) << 52) - 1));
        } else {
            // Subnormal: units of 2^-1074. A carry into bit 52 is the smallest
            // normal double, whose bits are the same number.
            bits |= x87_detail::ShiftRightRounded(significand_, -1011 - exponent_);
        }
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline int64_t X87Extended::RoundToInteger() const
{
    if (IsZero())
        return 0;
    if (exponent_ >= 63)
        return INT64_MIN;
    const uint64_t magnitude = x87_detail::ShiftRightRounded(significand_, 63 - exponent_);
    if (magnitude >> 63)
        return INT64_MIN;  // 2^63 itself: only -2^63 is in range, and it has these bits
    return negative_ ? -int64_t(magnitude) : int64_t(magnitude);
}

inline X87Extended X87Extended::Rounded(bool negative, int32_t exponent, Wide wide)
{
    uint64_t high = uint64_t(wide >> 64);
    const uint64_t low = uint64_t(wide), half = uint64_t(1) << 63;
    if (low > half || (low == half && (high & 1))) {
        if (++high == 0) {  // rounded up to the next power of two
            high = half;
            ++exponent;
        }
    }
    return {negative, exponent, high};
}

inline X87Extended X87Extended::Add(const X87Extended& a, const X87Extended& b, bool subtract)
{
    X87Extended big = a, small = b;
    small.negative_ = small.negative_ != subtract;
    if (small.IsZero())
        return big.IsZero() ? X87Extended(big.negative_ && small.negative_, 0, 0) : big;
    if (big.IsZero())
        return small;
    if (big.exponent_ < small.exponent_ ||
        (big.exponent_ == small.exponent_ && big.significand_ < small.significand_)) {
        const X87Extended t = big;
        big = small;
        small = t;
    }
    // Both significands at the top of 128 bits, the smaller shifted into
    // place. Bits shifted out are kept as one sticky bit at the bottom: the
    // result is then odd in the last place, so it never lands on a rounding
    // boundary that the exact result misses.
    const Wide top = Wide(big.significand_) << 64;
    const uint32_t distance = uint32_t(big.exponent_) - uint32_t(small.exponent_);
    Wide shifted;
    if (distance >= 128)
        shifted = 1;
    else {
        const Wide full = Wide(small.significand_) << 64;
        shifted = full >> distance;
        if (distance > 64 && (full << (128 - distance)) != 0)
            shifted |= 1;
    }
    int32_t exponent = big.exponent_;
    Wide sum;
    if (big.negative_ == small.negative_) {
        sum = top + shifted;
        if (sum < top) {  // carried out of 128 bits
            sum = (sum >> 1) | (sum & 1) | (Wide(1) << 127);
            ++exponent;
        }
    } else {
        sum = top - shifted;
        if (sum == 0)
            return {};  // exact cancellation gives +0
        const int zeros = x87_detail::LeadingZeros(sum);
        sum <<= zeros;
        exponent -= zeros;
    }
    return Rounded(big.negative_, exponent, sum);
}

inline X87Extended operator*(const X87Extended& a, const X87Extended& b)
{
    const bool negative = a.negative_ != b.negative_;
    if (a.IsZero() || b.IsZero())
        return {negative, 0, 0};
    X87Extended::Wide product = X87Extended::Wide(a.significand_) * b.significand_;  // in [2^126, 2^128)
    int32_t exponent = a.exponent_ + b.exponent_ + 1;
    if (!(product >> 127)) {
        product <<= 1;
        --exponent;
    }
    return X87Extended::Rounded(negative, exponent, product);
}

inline X87Extended operator/(const X87Extended& a, const X87Extended& b)
{
    const bool negative = a.negative_ != b.negative_;
    if (a.IsZero())
        return {negative, 0, 0};
    // The effects never divide by zero; a zero divisor gives zero here, not infinity.
    if (b.IsZero())
        return {negative, 0, 0};
    using Wide = X87Extended::Wide;
    const Wide numerator = Wide(a.significand_) << 64;
    const Wide quotient = numerator / b.significand_;
    const Wide remainder = numerator % b.significand_;
    uint64_t significand;
    bool roundBit, sticky;
    int32_t exponent = a.exponent_ - b.exponent_;
    if (quotient >> 64) {  // 65 bits: the last one is the rounding bit
        significand = uint64_t(quotient >> 1);
        roundBit = (quotient & 1) != 0;
        sticky = remainder != 0;
    } else {  // 64 bits: the next bit from the remainder
        significand = uint64_t(quotient);
        const Wide twice = remainder << 1;
        roundBit = twice >= b.significand_;
        sticky = twice != (roundBit ? Wide(b.significand_) : Wide(0));
        --exponent;
    }
    if (roundBit && (sticky || (significand & 1))) {
        if (++significand == 0) {
            significand = uint64_t(1) << 63;
            ++exponent;
        }
    }
    return {negative, exponent, significand};
}

inline X87Extended X87Extended::SquareRoot() const
{
    if (IsZero())
        return *this;  // the root of -0 is -0
    if (negative_)
        return {};  // the effects take roots of positive values only
    // value = N * 2^(2E - 126) with N the significand shifted into
    // [2^126, 2^128) so that the power of two is even; sqrt(N) has 64 bits.
    const bool oddExponent = (exponent_ & 1) != 0;
    const Wide N = Wide(significand_) << (oddExponent ? 64 : 63);
    uint64_t root = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const uint64_t trial = root | (uint64_t(1) << bit);
        if (Wide(trial) * trial <= N)
            root = trial;
    }
    int32_t exponent = exponent_ >> 1;
    // Round up when N lies above (root + 1/2)^2 = root^2 + root + 1/4; a
    // square root of an integer that is no integer is never exactly halfway.
    if (N - Wide(root) * root > root) {
        if (++root == 0) {
            root = uint64_t(1) << 63;
            ++exponent;
        }
    }
    return {false, exponent, root};
}

}  // namespace effects

// The software x87 format against the x87 itself: on x86-64, long chains of
// random operations must give the x87's bits after every step; on every
// processor, a few results known from the x87 must come out.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "arithmetic.h"
#include "x87_extended.h"

namespace {

using effects::X87Extended;

uint64_t BitsOf(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

TEST(X87Extended, GivesResultsKnownFromTheX87)
{
    using X = X87Extended;
    // Products of 0.7 that are ties in double but not in extended precision.
    EXPECT_EQ((X(25) * 0.7).RoundToInteger(), 17);
    EXPECT_EQ((X(5) * 0.7).RoundToInteger(), 3);
    EXPECT_EQ((X(45) * 0.7).RoundToInteger(), 31);
    // Exact halves round to even; out of range is the integer indefinite.
    EXPECT_EQ((X(5) / 2).RoundToInteger(), 2);
    EXPECT_EQ((X(-5) / 2).RoundToInteger(), -2);
    EXPECT_EQ((X(7) / 2).RoundToInteger(), 4);
    EXPECT_EQ((X(-1) / 2).RoundToInteger(), 0);
    EXPECT_EQ((X(3) / 4).RoundToInteger(), 1);
    EXPECT_EQ((X(1e19)).RoundToInteger(), INT64_MIN);
    EXPECT_EQ(X(INT64_MIN).RoundToInteger(), INT64_MIN);
    EXPECT_EQ(X(INT64_MAX).RoundToInteger(), INT64_MAX);
    EXPECT_EQ((X(INT64_MAX) + 0.5).RoundToInteger(), INT64_MIN) << "2^63 after rounding";
    // The fades' gain, the resonator's recursion, a result that is subnormal as a double.
    EXPECT_EQ(double((X(32767) / 1000).SquareRoot()), 0x1.6e5a0eba31393p+2);
    EXPECT_EQ(double((X(32767) / 32768).SquareRoot()), 0x1.fffdfffeffffp-1);
    EXPECT_EQ(double(X(0.01403808) * X(-12345) + X(1.9717237) * 0x1.5a3f9c2e1d7b4p+13 -
                     X(0.97192384) * -0x1.17c3e5a9b2d4fp+12),
              0x1.969f7b1f0c433p+14);
    EXPECT_EQ(double(X(1.9717237) * 0x1.23456789abcdep-1000 - X(0.97192384) * 0x1.fedcba9876543p-1001),
              0x1.460bebc8d77f9p-1000);
    EXPECT_EQ(BitsOf(double(X(0x1.8p-1070) * 0x1.0000000000001p-3)), 3u);
    EXPECT_EQ(double(X(1) / 3), 1.0 / 3);
    EXPECT_EQ(BitsOf(double(X(2.5) - X(2.5))), 0u) << "exact cancellation gives +0";
    // Just below a tie only in bits shifted far out: 1 - 2^-65 - 2^-128 rounds down.
    const X below = X(1) - (X(0x1p-65) + X(0x1p-128));
    EXPECT_EQ(below.Significand(), UINT64_MAX);
    EXPECT_EQ(below.Exponent(), -1);
    // sqrt(1 + 2^-63) lies just below the midpoint 1 + 2^-64.
    EXPECT_EQ((X(1) + X(0x1p-63)).SquareRoot().Significand(), uint64_t(1) << 63);
}

#if PARROTEL_NATIVE_X87

// Empty when the emulated value has the parts of the x87 long double (sign,
// unbiased exponent, significand), else both values' parts.
std::string Difference(long double native, const X87Extended& emulated)
{
    unsigned char bytes[16] = {};
    std::memcpy(bytes, &native, 10);
    uint64_t significand;
    std::memcpy(&significand, bytes, 8);
    const bool negative = (bytes[9] & 0x80) != 0;
    const int exponent = significand != 0 ? ((bytes[8] | bytes[9] << 8) & 0x7fff) - 16383 : 0;
    if (emulated.Significand() == significand && emulated.Negative() == negative &&
        (significand == 0 || emulated.Exponent() == exponent))
        return "";
    auto parts = [](bool n, int e, uint64_t m) {
        return std::string(n ? "-" : "+") + std::to_string(m) + " * 2^(" + std::to_string(e) + " - 63)";
    };
    return "x87 " + parts(negative, exponent, significand) + ", emulated " +
           parts(emulated.Negative(), emulated.Exponent(), emulated.Significand());
}
#define EXPECT_SAME(native, emulated, what) \
    ASSERT_EQ(Difference(native, emulated), "") << what << " at step " << step

// A value held both ways, built by the same operations.
struct Twin {
    long double native;
    X87Extended emulated;
};

class RandomTwins {
public:
    explicit RandomTwins(uint64_t seed) : random_(seed) {}

    Twin Next()
    {
        switch (random_() % 5) {
        case 0: {  // an integer of any width
            const int64_t v = int64_t(random_() >> (1 + random_() % 63)) * ((random_() & 1) ? -1 : 1);
            return {(long double)v, X87Extended((long long)v)};
        }
        case 1: {  // a double of any finite exponent, subnormals included
            uint64_t bits = random_() & ~(uint64_t(0x7ff) << 52);
            bits |= (random_() % 0x7ff) << 52;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return {(long double)d, X87Extended(d)};
        }
        case 2: {  // a quotient: a full 64-bit significand
            const int64_t a = int64_t(random_() >> 2), b = int64_t(random_() >> (2 + random_() % 60)) | 1;
            return {(long double)a / b, X87Extended((long long)a) / X87Extended((long long)b)};
        }
        case 3: {  // a half-integer, or next to one
            const int64_t k = int64_t(random_() >> (12 + random_() % 50));
            const Twin half{(long double)(2 * k + 1) / 2, X87Extended((long long)(2 * k + 1)) / 2};
            const int64_t nudge = int64_t(random_() % 3) - 1;
            return {half.native + (long double)nudge / (1LL << 62),
                    half.emulated + X87Extended((long long)nudge) / X87Extended(double(1LL << 62))};
        }
        default: {  // an integer whose conversion to double is a tie
            const int64_t v = int64_t(((random_() >> 11) | (uint64_t(1) << 52)) << 10 | 0x200);
            return {(long double)v, X87Extended((long long)v)};
        }
        }
    }
    uint64_t Bits() { return random_(); }

private:
    std::mt19937_64 random_;
};

TEST(X87Extended, EveryOperationGivesTheX87sBits)
{
    RandomTwins twins(20261209);
    for (int step = 0; step < 200000; ++step) {
        const Twin a = twins.Next(), b = twins.Next();
        EXPECT_SAME(a.native, a.emulated, "operand");
        EXPECT_SAME(a.native + b.native, a.emulated + b.emulated, "sum");
        EXPECT_SAME(a.native - b.native, a.emulated - b.emulated, "difference");
        const double nearOne = 1 + 0x1p-52;
        EXPECT_SAME(a.native - a.native * nearOne, a.emulated - a.emulated * nearOne, "near cancellation");
        EXPECT_SAME(a.native * b.native, a.emulated * b.emulated, "product");
        if (b.emulated.Significand() != 0) {
            EXPECT_SAME(a.native / b.native, a.emulated / b.emulated, "quotient");
        }
        const bool negative = a.emulated.Negative();
        EXPECT_SAME(sqrtl(negative ? -a.native : a.native), (negative ? -a.emulated : a.emulated).SquareRoot(),
                    "root");
        const double narrowed = double(a.native);
        ASSERT_EQ(BitsOf(double(a.emulated)), BitsOf(narrowed)) << "double at step " << step;
        ASSERT_EQ(a.emulated.RoundToInteger(), effects::RoundEven(a.native)) << "integer at step " << step;
        // Products of small doubles: their double values are often subnormal.
        const long double tiny = a.native * 0x1p-1060;
        ASSERT_EQ(BitsOf(double(a.emulated * X87Extended(0x1p-1060))), BitsOf(double(tiny)))
            << "subnormal double at step " << step;
    }
}

#endif

}  // namespace

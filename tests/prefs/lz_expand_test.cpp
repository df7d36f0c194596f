#include "lz_expand.h"

#include "szdd_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace prefs {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> Compressed(uint32_t expandedLength, const std::vector<uint8_t>& stream, uint8_t method = 'A')
{
    std::vector<uint8_t> file;
    testing::AppendSzddHeader(file, expandedLength, method);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

TEST(LzExpand, HandMadeStreamWithOverlappingAndBlankBackReferences)
{
    // Flags 0b0000'0111: three literals, then two back-references.
    const std::vector<uint8_t> stream = {
        0x07, 'a', 'b', 'c',
        0xF0, 0xF3,  // from 0xFF0, where writing began, 6 bytes: overlaps itself
        0x00, 0x02,  // from 0x000, 5 bytes of the blank-filled ring
    };
    EXPECT_EQ(LzExpand(Compressed(14, stream)), Bytes("abcabcabc     "));
}

TEST(LzExpand, StopsAtTheLengthInTheHeader)
{
    const std::vector<uint8_t> stream = {0x07, 'a', 'b', 'c', 0xF0, 0xFF};  // the reference asks for 18
    EXPECT_EQ(LzExpand(Compressed(7, stream)), Bytes("abcabca"));
}

TEST(LzExpand, RefusesDamagedStreams)
{
    const std::vector<uint8_t> stream = {0x07, 'a', 'b', 'c', 0xF0, 0xF3};
    EXPECT_EQ(LzExpand(Compressed(10, stream)), std::nullopt) << "ends before the promised length";
    EXPECT_EQ(LzExpand(Compressed(9, {0x07, 'a', 'b', 'c', 0xF0})), std::nullopt) << "half a back-reference";
    EXPECT_EQ(LzExpand(Compressed(9, stream, 'B')), std::nullopt) << "unknown method";
    EXPECT_EQ(LzExpand(Compressed(0, {})), std::vector<uint8_t>{});
}

TEST(LzExpand, UncompressedFilesAreCopied)
{
    EXPECT_EQ(LzExpand(Bytes("\x7f" "ELF and the rest")), Bytes("\x7f" "ELF and the rest"));
    EXPECT_EQ(LzExpand({}), std::vector<uint8_t>{});
    std::vector<uint8_t> signatureOnly(kSzddSignature.begin(), kSzddSignature.end());
    signatureOnly.push_back('A');
    EXPECT_EQ(LzExpand(signatureOnly), signatureOnly) << "too short for a header";
}

TEST(LzExpand, RoundTripsThroughTheRingManyTimes)
{
    // Text with repeats, then noise: long matches, literals, and a ring that
    // wraps around several times.
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "Tavrin Audio component " + std::to_string(i % 37) + (i % 5 ? "  " : "\n");
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i)
        text += static_cast<char>(random() % 7 == 0 ? ' ' : 'a' + random() % 26);
    const std::vector<uint8_t> data = Bytes(text);
    const testing::SzddEncoding encoding = testing::EncodeSzdd(data);
    ASSERT_GT(encoding.backReferences, 500u);
    ASSERT_LT(encoding.file.size(), data.size() / 2);
    EXPECT_EQ(LzExpand(encoding.file), data);
}

}  // namespace
}  // namespace prefs

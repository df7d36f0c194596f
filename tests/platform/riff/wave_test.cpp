// The "fmt " chunk as every wave reader and writer sees it: what a written
// header reads back as, and what short and extensible headers decode to.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "riff/wave.h"

namespace {

std::vector<uint8_t> FormatBytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    std::vector<uint8_t> b(riff::kExtensibleFormatBytes, 0);
    riff::WriteLe16(&b[0], tag);
    riff::WriteLe16(&b[2], channels);
    riff::WriteLe32(&b[4], rate);
    riff::WriteLe32(&b[8], rate * blockAlign);
    riff::WriteLe16(&b[12], blockAlign);
    riff::WriteLe16(&b[14], bits);
    return b;
}

TEST(WaveFormatChunk, AWrittenHeaderReadsBackFieldForField)
{
    const std::string path = std::filesystem::temp_directory_path() / ("riff-wave-" + std::to_string(getpid()));
    for (const bool withExtraSize : {false, true}) {
        riff::Writer writer;
        riff::Chunk form;
        ASSERT_TRUE(writer.create(path) && writer.createChunk(form, riff::kRiff, riff::kWave) &&
                    riff::WriteFormatChunk(writer, riff::PcmFormat(2, 11025, 8), withExtraSize) &&
                    writer.ascend(form) && writer.close());

        riff::Reader reader;
        riff::Chunk wave, fmt;
        riff::WaveFormat format;
        ASSERT_TRUE(reader.open(path) && reader.descendRiff(wave, riff::kWave) &&
                    reader.descendTo(fmt, wave, riff::kFmt));
        EXPECT_EQ(fmt.size, withExtraSize ? 18u : 16u);
        ASSERT_TRUE(riff::ReadFormatChunk(reader, fmt, format, riff::kPcmFormatBytes, riff::kExtensibleFormatBytes));
        EXPECT_EQ(format.formatTag, riff::kWaveFormatPcm);
        EXPECT_EQ(format.channels, 2);
        EXPECT_EQ(format.samplesPerSecond, 11025u);
        EXPECT_EQ(format.avgBytesPerSecond, 22050u);
        EXPECT_EQ(format.blockAlign, 2);
        EXPECT_EQ(format.bitsPerSample, 8);
        // A reader that needs more than the chunk holds is refused.
        reader.seek(fmt.dataOffset);
        EXPECT_FALSE(riff::ReadFormatChunk(reader, fmt, format, 20, riff::kExtensibleFormatBytes));
    }
    std::remove(path.c_str());
}

TEST(WaveFormatChunk, ShortAndExtensibleHeadersDecodeToWhatTheyHold)
{
    // A 14-byte header has no bits per sample: it reads as 0.
    const std::vector<uint8_t> pcm = FormatBytes(riff::kWaveFormatPcm, 1, 22050, 2, 16);
    EXPECT_EQ(riff::DecodeFormat(pcm.data(), 14).bitsPerSample, 0);
    EXPECT_EQ(riff::DecodeFormat(pcm.data(), 14).blockAlign, 2);

    std::vector<uint8_t> extensible = FormatBytes(riff::kWaveFormatExtensible, 2, 48000, 8, 32);
    const uint8_t floatSubFormat[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::copy(std::begin(floatSubFormat), std::end(floatSubFormat), extensible.begin() + 24);
    riff::WaveFormat format = riff::DecodeFormat(extensible.data(), extensible.size());
    EXPECT_EQ(format.formatTag, riff::kWaveFormatExtensible);
    EXPECT_EQ(format.subFormatTag, riff::kWaveFormatIeeeFloat);
    EXPECT_TRUE(format.standardSubFormat);

    extensible[39] = 0x72;  // some other vendor's identifier
    EXPECT_FALSE(riff::DecodeFormat(extensible.data(), extensible.size()).standardSubFormat);
    // Cut before the sub-format: none is known.
    EXPECT_EQ(riff::DecodeFormat(extensible.data(), 24).subFormatTag, 0);
}

}  // namespace

#include "wave_stream_reader.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace realconv;
using namespace realconv_test;

namespace {

struct Block {
    std::vector<uint8_t> bytes;
    uint32_t validBytes, timeMs, flags;
};

// Reads the whole file the way the conversion does.
std::vector<Block> ReadAllBlocks(WaveStreamReader& reader, uint32_t blockBytes)
{
    std::vector<Block> blocks;
    MediaSample sample;
    uint32_t durationMs = 0, total = 0;
    if (reader.getInfo(durationMs, total) != WaveReadStatus::Ok ||
        reader.startReading(sample, blockBytes) != WaveReadStatus::Ok)
        return blocks;
    for (;;) {
        blocks.push_back({sample.block(), sample.validBytes(), sample.timeMs(), sample.flags()});
        if (reader.position() >= total || blocks.size() > total)
            return blocks;
        if (reader.readNext(sample) != WaveReadStatus::Ok)
            return blocks;
    }
}

// Opens the file and takes its stream information, as every read starts.
::testing::AssertionResult OpenWithInfo(WaveStreamReader& reader, const std::string& path)
{
    uint32_t durationMs = 0, total = 0;
    if (const WaveReadStatus status = reader.open(path); status != WaveReadStatus::Ok)
        return ::testing::AssertionFailure() << "open: " << Describe(status);
    if (const WaveReadStatus status = reader.getInfo(durationMs, total); status != WaveReadStatus::Ok)
        return ::testing::AssertionFailure() << "info: " << Describe(status);
    return ::testing::AssertionSuccess();
}

TEST(WaveStreamReader, DeliversWholeBlocksAndPadsTheLastWithZeros)
{
    TempFolder folder;
    const std::vector<int16_t> voice = Voice(100000, 22050);
    WriteFile(folder.File("voice.wav"), WaveFile(voice));

    WaveStreamReader reader;
    ASSERT_EQ(reader.open(folder.File("voice.wav")), WaveReadStatus::Ok);
    uint32_t durationMs = 0, total = 0;
    ASSERT_EQ(reader.getInfo(durationMs, total), WaveReadStatus::Ok);
    EXPECT_EQ(total, 100000u);
    EXPECT_EQ(durationMs, 4535u);  // 100000 / 22050 s, cut to whole milliseconds
    int channels = 0, rate = 0, bits = 0;
    ASSERT_TRUE(reader.getFormat(&channels, &rate, &bits));
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(bits, 16);
    EXPECT_FALSE(reader.getFormat(&channels, nullptr, &bits));

    const std::vector<Block> blocks = ReadAllBlocks(reader, 4410);
    ASSERT_EQ(blocks.size(), 46u);
    std::vector<int16_t> joined;
    for (size_t k = 0; k < blocks.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(blocks[k].bytes.size(), 4410u);
        EXPECT_EQ(blocks[k].timeMs, k * 100);
        EXPECT_EQ(blocks[k].flags, k + 1 < blocks.size() ? 0u : kSampleEndOfStream);
        EXPECT_EQ(blocks[k].validBytes, k + 1 < blocks.size() ? 4410u : 775u * 2);
        const auto* samples = reinterpret_cast<const int16_t*>(blocks[k].bytes.data());
        joined.insert(joined.end(), samples, samples + blocks[k].bytes.size() / 2);
    }
    ASSERT_EQ(joined.size(), 46u * 2205);
    EXPECT_TRUE(std::equal(voice.begin(), voice.end(), joined.begin()));
    EXPECT_TRUE(std::all_of(joined.begin() + 100000, joined.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(reader.position(), 100000u);
}

TEST(WaveStreamReader, ReadLastFlagsTheEndWhateverRemains)
{
    TempFolder folder;
    WriteFile(folder.File("voice.wav"), WaveFile(Voice(10000, 22050)));
    WaveStreamReader reader;
    ASSERT_TRUE(OpenWithInfo(reader, folder.File("voice.wav")));
    MediaSample sample;
    ASSERT_EQ(reader.startReading(sample, 4410), WaveReadStatus::Ok);
    EXPECT_EQ(sample.flags(), 0u);
    ASSERT_EQ(reader.readLast(sample), WaveReadStatus::Ok);
    EXPECT_EQ(sample.flags(), kSampleEndOfStream);
    EXPECT_EQ(sample.timeMs(), 100u);
    EXPECT_EQ(reader.position(), 4410u);
}

TEST(WaveStreamReader, ReadsTheLayoutsOtherWritersUse)
{
    TempFolder folder;
    const std::vector<int16_t> voice = Voice(3000, 44100);
    const std::vector<uint8_t> data = PcmData(voice, 2, 8);
    Bytes extensible;
    extensible.append(PcmFormat(2, 44100, 16, 0xFFFE)).u16(22).u16(16).u32(3);
    extensible.u16(1).u8(0).u8(0).u8(0).u8(0).u8(0x10).u8(0).u8(0x80).u8(0).u8(0).u8(0xAA).u8(0).u8(0x38).u8(0x9B).u8(0x71);

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        uint32_t frames;
        int channels, bits;
    } cases[] = {
        {"stereo 8-bit", Riff("WAVE", {Chunk("fmt ", PcmFormat(2, 44100, 8)), Chunk("data", data)}), 3000, 2, 8},
        {"data before format, odd chunk between",
         Riff("WAVE", {Chunk("data", data), Chunk("LIST", std::vector<uint8_t>(5, 'x')),
                       Chunk("fmt ", PcmFormat(2, 44100, 8))}),
         3000, 2, 8},
        {"extensible PCM", Riff("WAVE", {Chunk("fmt ", extensible.data), Chunk("data", PcmData(voice, 2, 16))}), 3000, 2, 16},
        // A recording cut short: the header claims more than the file holds.
        {"truncated data", Riff("WAVE", {Chunk("fmt ", PcmFormat(2, 44100, 8)), Chunk("data", data, 1 << 20)}), 3000, 2, 8},
        {"half a frame at the end",
         Riff("WAVE", {Chunk("fmt ", PcmFormat(2, 44100, 16)), Chunk("data", std::vector<uint8_t>(4 * 7 + 3, 1))}), 7, 2, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(folder.File("in.wav"), c.file);
        WaveStreamReader reader;
        ASSERT_EQ(reader.open(folder.File("in.wav")), WaveReadStatus::Ok);
        uint32_t durationMs = 0, total = 0;
        ASSERT_EQ(reader.getInfo(durationMs, total), WaveReadStatus::Ok);
        EXPECT_EQ(total, c.frames);
        int channels = 0, rate = 0, bits = 0;
        ASSERT_TRUE(reader.getFormat(&channels, &rate, &bits));
        EXPECT_EQ(channels, c.channels);
        EXPECT_EQ(bits, c.bits);
        const std::vector<Block> blocks = ReadAllBlocks(reader, 4000);
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ(blocks.back().flags, kSampleEndOfStream);
        uint64_t valid = 0;
        for (const Block& b : blocks)
            valid += b.validBytes;
        EXPECT_EQ(valid, uint64_t(c.frames) * uint64_t(c.channels * c.bits / 8));
    }
    // The sound itself survives, byte for byte.
    WriteFile(folder.File("in.wav"), cases[1].file);
    WaveStreamReader reader;
    ASSERT_EQ(reader.open(folder.File("in.wav")), WaveReadStatus::Ok);
    const std::vector<Block> blocks = ReadAllBlocks(reader, uint32_t(data.size()));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].bytes, data);
}

TEST(WaveStreamReader, RefusesMalformedFilesWithAClearReason)
{
    TempFolder folder;
    const std::vector<uint8_t> data = PcmData(Voice(100, 22050), 1, 16);
    const auto fmt = [](std::vector<uint8_t> format) { return Chunk("fmt ", format); };
    const auto patched = [](std::vector<uint8_t> format, size_t at, uint16_t value) {
        format[at] = uint8_t(value);
        format[at + 1] = uint8_t(value >> 8);
        return format;
    };
    const std::vector<uint8_t> pcm = PcmFormat(1, 22050, 16);
    // Extensible, with PCM's tag but another vendor's identifier after it.
    Bytes foreign;
    foreign.append(PcmFormat(1, 22050, 16, 0xFFFE)).u16(22).u16(16).u32(4);
    foreign.u16(1).u8(0).u8(0).u8(0).u8(0).u8(0x10).u8(0).u8(0x80).u8(0).u8(0).u8(0xAA).u8(0).u8(0x38).u8(0x9B).u8(0x72);
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        WaveReadStatus open, info;
    } cases[] = {
        {"empty file", {}, WaveReadStatus::CannotOpen, WaveReadStatus::NotOpen},
        {"text", Bytes().text("just some words, no RIFF").data, WaveReadStatus::CannotOpen, WaveReadStatus::NotOpen},
        {"RIFF but AVI", Riff("AVI ", {fmt(pcm), Chunk("data", data)}), WaveReadStatus::CannotOpen, WaveReadStatus::NotOpen},
        {"RIFF header cut", Bytes().text("RIFF").u32(100).data, WaveReadStatus::CannotOpen, WaveReadStatus::NotOpen},
        {"no format chunk", Riff("WAVE", {Chunk("data", data)}), WaveReadStatus::Ok, WaveReadStatus::NoFormat},
        {"format too short", Riff("WAVE", {fmt({1, 0, 1, 0, 0x22, 0x56, 0, 0, 0, 0, 0, 0, 2, 0}), Chunk("data", data)}),
         WaveReadStatus::Ok, WaveReadStatus::NoFormat},
        {"format chunk larger than the file",
         Riff("WAVE", {Chunk("fmt ", std::vector<uint8_t>(pcm.begin(), pcm.begin() + 10), 0xFFFFFFF0)}),
         WaveReadStatus::Ok, WaveReadStatus::NoFormat},
        {"float samples", Riff("WAVE", {fmt(PcmFormat(1, 22050, 32, 3)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::NotPcm},
        {"MP3", Riff("WAVE", {fmt(PcmFormat(1, 22050, 0, 0x55)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::NotPcm},
        {"extensible without its sub-format", Riff("WAVE", {fmt(PcmFormat(1, 22050, 16, 0xFFFE)), Chunk("data", data)}),
         WaveReadStatus::Ok, WaveReadStatus::NotPcm},
        {"extensible with a foreign sub-format", Riff("WAVE", {fmt(foreign.data), Chunk("data", data)}),
         WaveReadStatus::Ok, WaveReadStatus::NotPcm},
        {"no channels", Riff("WAVE", {fmt(patched(pcm, 2, 0)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::BadFormat},
        {"rate 0", Riff("WAVE", {fmt(patched(patched(pcm, 4, 0), 6, 0)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::BadFormat},
        {"12 bits", Riff("WAVE", {fmt(patched(pcm, 14, 12)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::BadFormat},
        {"0 bits", Riff("WAVE", {fmt(patched(pcm, 14, 0)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::BadFormat},
        {"64 bits", Riff("WAVE", {fmt(patched(pcm, 14, 64)), Chunk("data", data)}), WaveReadStatus::Ok,
         WaveReadStatus::BadFormat},
        {"no data chunk", Riff("WAVE", {fmt(pcm)}), WaveReadStatus::Ok, WaveReadStatus::NoData},
        {"empty data chunk", Riff("WAVE", {fmt(pcm), Chunk("data", {})}), WaveReadStatus::Ok, WaveReadStatus::NoData},
        {"less than a frame", Riff("WAVE", {fmt(PcmFormat(2, 22050, 16)), Chunk("data", {1, 2, 3})}), WaveReadStatus::Ok,
         WaveReadStatus::NoData},
        {"data header cut", Riff("WAVE", {fmt(pcm), Bytes().text("data").data}), WaveReadStatus::Ok,
         WaveReadStatus::NoData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(folder.File("bad.wav"), c.file);
        WaveStreamReader reader;
        EXPECT_EQ(reader.open(folder.File("bad.wav")), c.open);
        uint32_t durationMs = 0, total = 0;
        EXPECT_EQ(reader.getInfo(durationMs, total), c.info);
        MediaSample sample;
        if (c.info != WaveReadStatus::Ok) {
            EXPECT_EQ(reader.startReading(sample, 4410), WaveReadStatus::NoInfo);
        }
        EXPECT_NE(std::strlen(Describe(c.info)), 0u);
    }

    WaveStreamReader reader;
    EXPECT_EQ(reader.open(""), WaveReadStatus::NoPath);
    EXPECT_EQ(reader.open(folder.File("missing.wav")), WaveReadStatus::CannotOpen);
    EXPECT_EQ(reader.open(folder.Path()), WaveReadStatus::CannotOpen);
}

TEST(WaveStreamReader, RefusesDurationsBeyond32BitMilliseconds)
{
    // 5 million frames of one byte at 1 Hz.
    TempFolder folder;
    std::vector<uint8_t> format = PcmFormat(1, 1, 8);
    WriteFile(folder.File("slow.wav"), Riff("WAVE", {Chunk("fmt ", format), Chunk("data", std::vector<uint8_t>(5000000, 128))}));
    WaveStreamReader reader;
    ASSERT_EQ(reader.open(folder.File("slow.wav")), WaveReadStatus::Ok);
    uint32_t durationMs = 0, total = 0;
    EXPECT_EQ(reader.getInfo(durationMs, total), WaveReadStatus::TooLong);
}

TEST(WaveStreamReader, RefusesBlockSizesThatCannotHoldAFrame)
{
    TempFolder folder;
    WriteFile(folder.File("in.wav"), WaveFile(Voice(1000, 22050), 22050, 2, 16));
    WaveStreamReader reader;
    ASSERT_TRUE(OpenWithInfo(reader, folder.File("in.wav")));
    MediaSample sample;
    EXPECT_EQ(reader.startReading(sample, 3), WaveReadStatus::BadBlockSize);
    EXPECT_EQ(reader.startReading(sample, WaveStreamReader::kMaxBlockBytes + 1), WaveReadStatus::BadBlockSize);
    EXPECT_EQ(reader.readNext(sample), WaveReadStatus::NoInfo);
    // A block that is not a whole number of frames carries whole frames only.
    ASSERT_EQ(reader.startReading(sample, 4 * 10 + 3), WaveReadStatus::Ok);
    EXPECT_EQ(sample.validBytes(), 40u);
    EXPECT_EQ(reader.position(), 10u);
}

TEST(WaveStreamReader, StopsWhenTheFileShrinksWhileBeingRead)
{
    // Without the check the reader would hand out empty blocks for ever,
    // its position never reaching the end.
    TempFolder folder;
    const std::string path = folder.File("shrinking.wav");
    WriteFile(path, WaveFile(Voice(20000, 22050)));
    WaveStreamReader reader;
    ASSERT_TRUE(OpenWithInfo(reader, path));
    MediaSample sample;
    ASSERT_EQ(reader.startReading(sample, 4410), WaveReadStatus::Ok);
    std::filesystem::resize_file(path, 44 + 2 * 4410 + 100);
    EXPECT_EQ(reader.readNext(sample), WaveReadStatus::Ok);
    EXPECT_EQ(reader.readNext(sample), WaveReadStatus::ReadFailed);
    EXPECT_EQ(reader.position(), 2u * 2205);
}

}  // namespace

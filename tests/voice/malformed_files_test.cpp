// A table of broken and unusual wave files, each patched in one place, with
// what reading it must give: the samples that are really there, or the
// "Incompatible file format of: " message and no voice. Nothing may crash,
// over-read or allocate what the file does not hold.
#include <gtest/gtest.h>

#include "wave_builder.h"
#include "wave_file.h"

namespace {

using namespace testing_support;

const std::vector<int16_t> kVoice{100, -200, 300, -400, 500, -600, 700, -800};

Bytes Fmt(uint16_t tag = 1, uint16_t channels = 1, uint32_t rate = 22050, uint16_t bits = 16, size_t size = 16)
{
    return Chunk("fmt ", FormatBody(tag, channels, rate, bits, size));
}
Bytes Data() { return Chunk("data", Samples16(kVoice)); }
Bytes Junk(size_t size, bool pad = true) { return Chunk("junk", Bytes(size, 0xEE), pad); }

voice::EffectSettings SettingsWithEcho()
{
    voice::EffectSwitches s;
    s[voice::Effect::Echo] = true;
    return voice::CaptureSettings(s);
}

struct Row {
    std::string name;
    Bytes file;
    int32_t expectedBytes;  // -1: refused as incompatible
    bool settingsFound = false;
};

Bytes WithRiffSize(Bytes b, uint32_t size)
{
    for (int i = 0; i < 4; ++i)
        b[4 + size_t(i)] = uint8_t(size >> (8 * i));
    return b;
}

Bytes DataClaiming(uint32_t claimed)
{
    Bytes d = Data();
    for (int i = 0; i < 4; ++i)
        d[4 + size_t(i)] = uint8_t(claimed >> (8 * i));
    return d;
}

std::vector<Row> Rows()
{
    const Bytes good = Riff({Fmt(), Data()});
    Bytes truncatedData = Riff({Fmt(), Data()});
    truncatedData.resize(truncatedData.size() - 5);
    return {
        {"well formed", good, 16},
        {"18-byte fmt chunk", Riff({Fmt(1, 1, 22050, 16, 18), Data()}), 16},
        {"not RIFF at all", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, -1},
        {"empty file", Bytes{}, -1},
        {"truncated RIFF header", Bytes{'R', 'I', 'F', 'F', 0x10, 0}, -1},
        {"RIFF of another form", [] {
             Bytes b = Riff({Fmt(), Data()});
             b[8] = 'A';
             b[9] = 'V';
             b[10] = 'I';
             b[11] = ' ';
             return b;
         }(),
         -1},
        {"RIFF size past the end of the file", WithRiffSize(good, 0x7FFFFFF0), 16},
        {"RIFF size zero", WithRiffSize(good, 0), -1},
        {"data size past the end of the file", Riff({Fmt(), DataClaiming(1000000)}), 16},
        // Sizes beyond 2 GiB are read as far as the file goes: what a pipe's
        // writer leaves there (0xFFFFFFFF) names no length at all.
        {"data size of 4 GiB", Riff({Fmt(), DataClaiming(0xFFFFFFFF)}), 16},
        {"data size just above 2 GiB", Riff({Fmt(), DataClaiming(0x80000000)}), 16},
        {"data cut short", truncatedData, 11},
        {"fmt size past the end of the file", [] {
             Bytes b = Riff({Chunk("fmt ", FormatBody(1, 1, 22050, 16, 16))});
             b[16] = 0xFF;
             b[17] = 0xFF;
             return b;
         }(),
         -1},
        {"fmt shorter than 16 bytes", Riff({Fmt(1, 1, 22050, 16, 14), Data()}), -1},
        {"fmt of 4 bytes", Riff({Fmt(1, 1, 22050, 16, 4), Data()}), -1},
        {"no fmt", Riff({Data()}), -1},
        {"no data", Riff({Fmt()}), -1},
        {"unknown chunk before fmt", Riff({Junk(10), Fmt(), Data()}), 16},
        {"unknown chunk between fmt and data", Riff({Fmt(), Junk(10), Data()}), 16},
        {"unknown chunk after data", Riff({Fmt(), Data(), Junk(10)}), 16},
        {"odd unknown chunk with its pad byte", Riff({Fmt(), Junk(3, true), Data()}), 16},
        {"odd unknown chunk without its pad byte", Riff({Fmt(), Junk(3, false), Data()}), -1},
        {"odd data chunk with its pad byte", Riff({Fmt(), Chunk("data", Bytes{1, 2, 3}, true)}), 3},
        {"odd data chunk without its pad byte", Riff({Fmt(), Chunk("data", Bytes{1, 2, 3}, false)}), 3},
        {"empty data chunk", Riff({Fmt(), Chunk("data", Bytes{})}), 0},
        {"settings before data", Riff({Fmt(), Chunk("prtl", SettingsBody(SettingsWithEcho())), Data()}), 16, true},
        {"settings after data", Riff({Fmt(), Data(), Chunk("prtl", SettingsBody(SettingsWithEcho()))}), -1},
        {"settings of another size", Riff({Fmt(), Chunk("prtl", Bytes(512, 1)), Data()}), 16, false},
        {"settings cut short by the end of the file",
         Riff({Fmt(), Chunk("data", Bytes{}), [] {
                   Bytes b = Chunk("prtl", SettingsBody(SettingsWithEcho()));
                   b.resize(100);
                   return b;
               }()}),
         -1},
        {"float samples", Riff({Fmt(3, 1, 22050, 32), Data()}), -1},
        {"extensible format", Riff({Fmt(0xFFFE, 1, 22050, 16, 40), Data()}), -1},
        {"ADPCM", Riff({Fmt(2, 1, 22050, 4), Data()}), -1},
        {"48000 Hz", Riff({Fmt(1, 1, 48000, 16), Data()}), -1},
        {"8000 Hz", Riff({Fmt(1, 1, 8000, 16), Data()}), -1},
        {"0 Hz", Riff({Fmt(1, 1, 0, 16), Data()}), -1},
        {"no channels", Riff({Fmt(1, 0, 22050, 16), Data()}), -1},
        {"three channels", Riff({Fmt(1, 3, 22050, 16), Data()}), -1},
        {"four channels", Riff({Fmt(1, 4, 22050, 16), Data()}), -1},
        {"24 bits", Riff({Fmt(1, 1, 22050, 24), Data()}), -1},
        {"32 bits", Riff({Fmt(1, 1, 22050, 32), Data()}), -1},
        {"12 bits", Riff({Fmt(1, 1, 22050, 12), Data()}), -1},
        {"0 bits", Riff({Fmt(1, 1, 22050, 0), Data()}), -1},
    };
}

TEST(MalformedFiles, EachIsReadOrRefusedAsItsRowSays)
{
    TempDir dir;
    for (const Row& row : Rows()) {
        const std::string path = dir.File("case.wav");
        WriteAll(path, row.file);
        RecordingFeedback feedback;
        voice::EffectSettings settings;  // all zero: "not found" leaves it so
        voice::SampleBlock block = voice::ReadWaveFile(path, settings, feedback);
        if (row.expectedBytes < 0) {
            EXPECT_FALSE(block) << row.name;
            EXPECT_EQ(feedback.messages, std::vector<std::string>{"Incompatible file format of: " + path}) << row.name;
        } else {
            ASSERT_TRUE(block) << row.name;
            EXPECT_EQ(block.bytes, row.expectedBytes) << row.name;
            EXPECT_TRUE(feedback.messages.empty()) << row.name;
            EXPECT_EQ(settings.bytes[2], row.settingsFound ? 1 : 0) << row.name;
            if (row.expectedBytes == 16) {
                EXPECT_TRUE(std::equal(kVoice.begin(), kVoice.end(), block.samples())) << row.name;
            }
        }
    }
}

TEST(MalformedFiles, AFolderAtThePathIsLikeNoFile)
{
    TempDir dir;
    RecordingFeedback feedback;
    voice::EffectSettings settings;
    EXPECT_FALSE(voice::ReadWaveFile(dir.Path(), settings, feedback));
    EXPECT_TRUE(feedback.messages.empty());
}

}  // namespace

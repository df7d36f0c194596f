// Which way a file becomes the voice: the wave reader's exact conversion for
// the wave files it accepts, the decoder it is given for everything else,
// and the messages for what neither can open.
#include <gtest/gtest.h>

#include "voice_source.h"
#include "wave_builder.h"

namespace {

using namespace testing_support;

// A decoder that answers as the test says and remembers what it was asked.
class ScriptedDecoder : public voice::MediaDecoder {
public:
    Result Decode(const std::string& path, int32_t maxBytes, voice::SampleBlock& voice) override
    {
        asked.push_back(path);
        askedLimit = maxBytes;
        if (answer == Result::Ok) {
            voice = voice::AllocateSamples(2 * int32_t(samples.size()));
            std::copy(samples.begin(), samples.end(), voice.samples());
        }
        return answer;
    }
    Result answer = Result::Ok;
    std::vector<int16_t> samples{7, -7, 9};
    std::vector<std::string> asked;
    int32_t askedLimit = 0;
};

std::vector<int16_t> SamplesOf(const voice::SampleBlock& block)
{
    return block ? std::vector<int16_t>(block.samples(), block.samples() + block.bytes / 2) : std::vector<int16_t>{};
}

class OpenVoice : public testing::Test {
protected:
    voice::OpenedVoice Open(const std::string& name, voice::MediaDecoder* with)
    {
        return voice::OpenVoiceFile(dir.File(name), settings, feedback, with);
    }
    TempDir dir;
    ScriptedDecoder decoder;
    RecordingFeedback feedback;
    voice::EffectSettings settings;
};

TEST_F(OpenVoice, WaveFilesTheReaderAcceptsKeepTheirExactConversionAndSettings)
{
    voice::EffectSettings saved;
    saved.bytes[0] = 14, saved.bytes[2] = 1;
    WriteAll(dir.File("slow.wav"), Riff({Chunk("fmt ", FormatBody(1, 1, 11025, 16)), Chunk("prtl", SettingsBody(saved)),
                                         Chunk("data", Samples16({3, -4}))}));
    const voice::OpenedVoice opened = Open("slow.wav", &decoder);
    EXPECT_EQ(SamplesOf(opened.samples), (std::vector<int16_t>{3, 3, -4, -4}));
    EXPECT_EQ(opened.origin, voice::VoiceOrigin::WaveFile);
    EXPECT_EQ(settings.bytes, saved.bytes);
    EXPECT_TRUE(decoder.asked.empty());
}

TEST_F(OpenVoice, AWaveWrittenToAPipeIsClampedToTheFile)
{
    // ffmpeg writing to a pipe cannot go back: both sizes say 0xFFFFFFFF.
    Bytes wave = Riff({Chunk("fmt ", FormatBody(1, 1, 22050, 16)), Chunk("data", Samples16({1, 2, 3}), false)});
    for (size_t at : {size_t(4), wave.size() - 6 - 4})
        wave[at] = wave[at + 1] = wave[at + 2] = wave[at + 3] = 0xFF;
    WriteAll(dir.File("pipe.wav"), wave);
    const voice::OpenedVoice opened = Open("pipe.wav", &decoder);
    EXPECT_EQ(SamplesOf(opened.samples), (std::vector<int16_t>{1, 2, 3}));
    EXPECT_EQ(opened.origin, voice::VoiceOrigin::WaveFile);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(OpenVoice, EverythingElseGoesToTheDecoderAndHasNoFileToSaveInto)
{
    WriteAll(dir.File("note.m4a"), Bytes(100, 0x42));
    WriteAll(dir.File("studio.wav"), Riff({Chunk("fmt ", FormatBody(1, 2, 48000, 16)), Chunk("data", Samples16({1, 1}))}));
    for (const char* name : {"note.m4a", "studio.wav"}) {
        const voice::OpenedVoice opened = Open(name, &decoder);
        EXPECT_EQ(SamplesOf(opened.samples), decoder.samples) << name;
        EXPECT_EQ(opened.origin, voice::VoiceOrigin::Decoded) << name;
    }
    EXPECT_EQ(decoder.asked, (std::vector<std::string>{dir.File("note.m4a"), dir.File("studio.wav")}));
    EXPECT_EQ(decoder.askedLimit, voice::kMaxVoiceBytes);
    EXPECT_EQ(voice::WaveNameFor("/home/me/Voice Notes/note.m4a"), "/home/me/Voice Notes/note.wav");
    EXPECT_EQ(voice::WaveNameFor("/home/me/v.1/take"), "/home/me/v.1/take.wav");
    const std::string filter = voice::kOpenVoiceFilter;
    for (const char* kind : {"*.wav", "*.mp3", "*.m4a", "*.ogg", "*.opus", "*.flac", "*.webm", "*.aiff", "*.caf",
                             "*.wv", "*.au", "All files (*)"})
        EXPECT_NE(filter.find(kind), std::string::npos) << kind;
}

TEST_F(OpenVoice, WhatCannotBeOpenedSaysWhyOnce)
{
    WriteAll(dir.File("x.ogg"), Bytes(10, 1));
    const std::string path = dir.File("x.ogg");
    using Result = voice::MediaDecoder::Result;
    const std::pair<Result, std::vector<std::string>> cases[] = {
        {Result::Undecodable, {"Incompatible file format of: " + path}},
        {Result::TooLong, {voice::TooLongMessage(path)}},
        {Result::NoMemory, {"Cannot allocate buffer for audio data, Terminating..."}},
        {Result::Stopped, {}},
    };
    for (const auto& [answer, messages] : cases) {
        decoder.answer = answer;
        feedback.messages.clear();
        const voice::OpenedVoice opened = Open("x.ogg", &decoder);
        EXPECT_FALSE(opened.samples);
        EXPECT_EQ(opened.origin, voice::VoiceOrigin::None);
        EXPECT_EQ(feedback.messages, messages);
    }

    feedback.messages.clear();
    EXPECT_FALSE(Open("x.ogg", nullptr).samples) << "without a decoder only wave files open";
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Incompatible file format of: " + path}));

    feedback.messages.clear();
    decoder.asked.clear();
    EXPECT_FALSE(Open("missing.mp3", &decoder).samples);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(decoder.asked.empty());
}

}  // namespace

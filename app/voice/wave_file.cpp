#include "wave_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "files/atomic_file.h"
#include "riff/riff.h"
#include "riff/wave.h"
#include "wave_format.h"

namespace voice {

namespace fs = std::filesystem;

namespace {

constexpr riff::FourCC kPrtl = riff::MakeFourCC("prtl");

constexpr int32_t kConversionGaugeScale = 90;
constexpr int32_t kStageGaugeSteps = 30;

const char* const kIncompatible = "Incompatible file format of: ";
const char* const kCannotAllocateBuffer = "Cannot allocate buffer for audio data, Terminating...";
const char* const kUnableToAllocate = "Unable to allocate memory";

// ---------------------------------------------------------------- writing

// A unique file in `folder` whose name starts with `prefix`; empty on failure.
std::string CreateUniqueFile(const std::string& folder, const std::string& prefix)
{
    std::string pattern = (folder.empty() ? std::string(".") : folder) + "/" + prefix + "XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}

bool WriteChunks(riff::Writer& w, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                 const uint8_t* samples, int32_t bytes, const EffectSettings* settings)
{
    riff::Chunk riffChunk, chunk;
    // Always the 18-byte header: the PCM fields and a zero extra size.
    if (!w.createChunk(riffChunk, riff::kRiff, riff::kWave) ||
        !riff::WriteFormatChunk(w, riff::PcmFormat(channels, samplesPerSecond, bitsPerSample), true))
        return false;
    if (settings &&
        (!w.createChunk(chunk, kPrtl) || !w.write(settings->bytes.data(), settings->bytes.size()) || !w.ascend(chunk)))
        return false;
    return w.createChunk(chunk, riff::kData) && w.write(samples, size_t(std::max(bytes, 0))) && w.ascend(chunk) &&
           w.ascend(riffChunk);
}

// ---------------------------------------------------------------- reading

// What the fmt chunk says the source needs; false when it cannot be converted.
bool NeedsFor(const riff::WaveFormat& f, ConversionNeeds& needs)
{
    if (f.formatTag != riff::kWaveFormatPcm)
        return false;
    if (f.samplesPerSecond != VoiceFormat.samplesPerSecond) {
        if (f.samplesPerSecond == 11025)
            needs.rate11025 = true;
        else if (f.samplesPerSecond == 44100)
            needs.rate44100 = true;
        else
            return false;
    }
    if (f.channels != 1) {
        if (f.channels != 2)
            return false;
        needs.stereo = true;
    }
    if (f.bitsPerSample != 16) {
        if (f.bitsPerSample != 8)
            return false;
        needs.eightBit = true;
    }
    return true;
}

enum class ReadOutcome { Ok, Incompatible, NoMemory };

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Incompatible;
    SampleBlock block;
    ConversionNeeds needs;
    EffectSettings settings;
    bool settingsFound = false;
};

// Up to 18 bytes of the "fmt " chunk; a shorter one leaves the missing fields
// zero, which NeedsFor refuses.
bool ReadFormat(riff::Reader& reader, const riff::Chunk& riffChunk, riff::WaveFormat& format)
{
    riff::Chunk fmt;
    return reader.descendTo(fmt, riffChunk, riff::kFmt) &&
           riff::ReadFormatChunk(reader, fmt, format, 0, riff::kFormatWithExtraSizeBytes) && reader.ascend(fmt);
}

// Looks for the settings chunk after "fmt "; leaves the reader where the
// search for "data" must start.
void ReadSettingsChunk(riff::Reader& reader, const riff::Chunk& riffChunk, ReadResult& result)
{
    const uint64_t afterFormat = reader.tell();
    riff::Chunk prtl;
    if (!reader.descendTo(prtl, riffChunk, kPrtl)) {
        reader.seek(afterFormat);
        return;
    }
    if (prtl.size == kEffectSettingsSize) {
        EffectSettings found;
        if (reader.read(found.bytes.data(), kEffectSettingsSize) == kEffectSettingsSize) {
            result.settings = found;
            result.settingsFound = true;
        }
    }
    reader.ascend(prtl);
}

// Finds the format, the settings and the data of a file the reader accepts;
// returns the count of sample bytes present, or -1 when it is incompatible.
int64_t FindVoiceData(riff::Reader& reader, const std::string& path, ReadResult& result)
{
    riff::Chunk riffChunk, data;
    riff::WaveFormat header;
    if (!reader.open(path) || !reader.descendRiff(riffChunk, riff::kWave) || !ReadFormat(reader, riffChunk, header) ||
        !NeedsFor(header, result.needs))
        return -1;
    ReadSettingsChunk(reader, riffChunk, result);
    if (!reader.descendTo(data, riffChunk, riff::kData))
        return -1;
    // Never more than the file holds: a header may claim gigabytes that are
    // not there (a wave written to a pipe says 0xFFFFFFFF). Only what is
    // there must fit a voice.
    const uint64_t present = std::min<uint64_t>(data.size, reader.fileSize() - data.dataOffset);
    return present > uint64_t(INT32_MAX) ? -1 : int64_t(present);
}

ReadResult ReadOnce(const std::string& path)
{
    ReadResult result;
    riff::Reader reader;
    const int64_t found = FindVoiceData(reader, path, result);
    if (found < 0)
        return result;
    const int32_t present = int32_t(found);
    result.block = AllocateSamples(present);
    if (present > 0 && !result.block) {
        result.outcome = ReadOutcome::NoMemory;
        return result;
    }
    result.block.bytes = int32_t(reader.read(result.block.data(), size_t(present)));
    result.outcome = ReadOutcome::Ok;
    return result;
}

// ---------------------------------------------------------------- converting

// Advances the conversion gauge by about 30 over one stage.
class StageGauge {
public:
    StageGauge(UserFeedback& feedback, int64_t units)
        : feedback_(feedback), interval_(std::max<int64_t>(1, units / kStageGaugeSteps)), left_(interval_)
    {
    }
    void Done()
    {
        if (--left_ == 0) {
            left_ = interval_;
            feedback_.StepProgress();
        }
    }
    static void Skip(UserFeedback& feedback)
    {
        for (int i = 0; i < kStageGaugeSteps; ++i)
            feedback.StepProgress();
    }

private:
    UserFeedback& feedback_;
    int64_t interval_;
    int64_t left_;
};

int16_t SampleAt(const SampleBlock& b, int64_t i)
{
    int16_t s;
    std::memcpy(&s, b.data() + 2 * i, 2);
    return s;
}

void PutSample(SampleBlock& b, int64_t i, int16_t s) { std::memcpy(b.data() + 2 * i, &s, 2); }

// Each unsigned byte b becomes the signed sample (b - 128) * 256.
SampleBlock EightToSixteenBits(const SampleBlock& in, UserFeedback& feedback)
{
    if (in.bytes > INT32_MAX / 2)
        return {};
    SampleBlock out = AllocateSamples(in.bytes * 2);
    if (!out)
        return out;
    StageGauge gauge(feedback, in.bytes);
    for (int32_t i = 0; i < in.bytes; ++i) {
        PutSample(out, i, int16_t((int32_t(in.data()[i]) - 128) * 256));
        gauge.Done();
    }
    return out;
}

// Each frame L, R becomes (L + R) / 2, truncated toward zero; a trailing
// incomplete frame is dropped.
SampleBlock StereoToMono(const SampleBlock& in, UserFeedback& feedback)
{
    const int32_t frames = in.bytes / 4;
    SampleBlock out = AllocateSamples(frames * 2);
    if (!out)
        return out;
    StageGauge gauge(feedback, frames);
    for (int32_t i = 0; i < frames; ++i) {
        PutSample(out, i, int16_t((int32_t(SampleAt(in, 2 * int64_t(i))) + SampleAt(in, 2 * int64_t(i) + 1)) / 2));
        gauge.Done();
    }
    return out;
}

// 11025 to 22050: every sample twice.
SampleBlock DoubleRate(const SampleBlock& in, UserFeedback& feedback)
{
    const int32_t samples = in.bytes / 2;
    if (samples > INT32_MAX / 4)
        return {};
    SampleBlock out = AllocateSamples(samples * 4);
    if (!out)
        return out;
    StageGauge gauge(feedback, samples);
    for (int32_t i = 0; i < samples; ++i) {
        const int16_t s = SampleAt(in, i);
        PutSample(out, 2 * int64_t(i), s);
        PutSample(out, 2 * int64_t(i) + 1, s);
        gauge.Done();
    }
    return out;
}

// 44100 to 22050: each pair s0, s1 becomes (s0 + s1) / 2, truncated toward
// zero; a leftover sample is dropped.
SampleBlock HalveRate(const SampleBlock& in, UserFeedback& feedback)
{
    const int32_t pairs = in.bytes / 4;
    SampleBlock out = AllocateSamples(pairs * 2);
    if (!out)
        return out;
    StageGauge gauge(feedback, pairs);
    for (int32_t i = 0; i < pairs; ++i) {
        PutSample(out, i, int16_t((int32_t(SampleAt(in, 2 * int64_t(i))) + SampleAt(in, 2 * int64_t(i) + 1)) / 2));
        gauge.Done();
    }
    return out;
}

using Stage = SampleBlock (*)(const SampleBlock&, UserFeedback&);

// Runs one stage when needed; a stage that cannot get its memory is skipped.
void RunStage(bool needed, Stage stage, SampleBlock& block, UserFeedback& feedback)
{
    if (!needed) {
        StageGauge::Skip(feedback);
        return;
    }
    SampleBlock out = stage(block, feedback);
    if (!out && block.bytes > 0) {
        feedback.ShowMessage(kUnableToAllocate);
        return;
    }
    block = std::move(out);
}

SampleBlock Copy(const SampleBlock& in)
{
    SampleBlock copy = AllocateSamples(in.bytes);
    if (copy && in.bytes > 0)
        std::memcpy(copy.data(), in.data(), size_t(in.bytes));
    return copy;
}

std::string TemporaryConversionFile()
{
    constexpr const char* kPrefix = "CNV";
    std::string path = CreateUniqueFile(".", kPrefix);
    if (path.empty())
        path = CreateUniqueFile(fs::temp_directory_path().string(), kPrefix);
    if (path.empty())
        return {};
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

void RemoveQuietly(const std::string& path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

}  // namespace

void SampleBlock::Free::operator()(int16_t* p) const { std::free(p); }

SampleBlock AllocateSamples(int32_t bytes)
{
    // A long voice is held in huge pages: touching 26 MB (ten minutes) in
    // 4 KiB pages costs more page faults than all its effects cost time.
    constexpr size_t kHugePage = size_t(2) << 20;
    SampleBlock block;
    if (bytes < 0)
        return block;
    // Whole samples, at least one, so that an empty voice is still a real block.
    const size_t size = (size_t(bytes) / 2 + 1) * sizeof(int16_t);
    void* memory = nullptr;
    if (size >= 2 * kHugePage) {
        const size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory)
            madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::malloc(size);
    }
    block.storage_.reset(static_cast<int16_t*>(memory));
    if (block.storage_)
        block.bytes = bytes;
    return block;
}

bool WriteWaveFile(const std::string& path, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                   const uint8_t* samples, int32_t bytes, const EffectSettings* settings)
{
    files::AtomicFile file;
    riff::Writer writer;
    bool ok = file.Create(path) && writer.attach(file.stream()) &&
              WriteChunks(writer, samplesPerSecond, bitsPerSample, channels, samples, bytes, settings);
    ok = writer.close() && ok;
    return ok && file.Commit();
}

bool IsConvertibleWaveFile(const std::string& path)
{
    riff::Reader reader;
    ReadResult result;
    return FindVoiceData(reader, path, result) >= 0;
}

SampleBlock ReadWaveFile(const std::string& originalPath, EffectSettings& settings, UserFeedback& feedback)
{
    std::string path = originalPath;
    bool deleteAfterReading = false;
    for (;;) {
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            return {};
        ReadResult result = ReadOnce(path);
        if (result.outcome != ReadOutcome::Ok) {
            feedback.ShowMessage(result.outcome == ReadOutcome::NoMemory ? std::string(kCannotAllocateBuffer)
                                                                         : kIncompatible + path);
            if (deleteAfterReading)
                RemoveQuietly(path);
            return {};
        }
        if (result.settingsFound)
            settings = result.settings;
        if (deleteAfterReading)
            RemoveQuietly(path);
        if (!result.needs.Any())
            return std::move(result.block);
        // Other formats are converted into a temporary voice file, which is
        // then read like any other.
        path = ConvertToVoiceFormat(result.block, result.needs, settings, result.settingsFound, feedback);
        if (path.empty())
            return {};
        deleteAfterReading = true;
    }
}

std::string ConvertToVoiceFormat(const SampleBlock& samples, const ConversionNeeds& needs,
                                 const EffectSettings& settings, bool settingsFound, UserFeedback& feedback)
{
    feedback.ShowProgressWindow();
    feedback.ResetProgress(kConversionGaugeScale);
    const std::string path = TemporaryConversionFile();
    SampleBlock block = Copy(samples);
    if (!block && samples.bytes > 0) {
        feedback.ShowMessage(kUnableToAllocate);
        feedback.HideProgressWindow();
        RemoveQuietly(path);
        return {};
    }
    // 8-bit and stereo first, so that the rate stages always see 16-bit mono.
    RunStage(needs.eightBit, EightToSixteenBits, block, feedback);
    RunStage(needs.stereo, StereoToMono, block, feedback);
    RunStage(needs.rate11025, DoubleRate, block, feedback);
    RunStage(needs.rate44100, HalveRate, block, feedback);
    // A write that fails leaves the temporary file empty; it is refused when
    // read back.
    if (!path.empty())
        WriteWaveFile(path, VoiceFormat.samplesPerSecond, VoiceFormat.bitsPerSample, VoiceFormat.channels,
                      block.data(), block.bytes, settingsFound ? &settings : nullptr);
    feedback.HideProgressWindow();
    return path;
}

}  // namespace voice

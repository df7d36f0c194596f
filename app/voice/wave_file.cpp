#include "wave_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "riff/riff.h"
#include "wave_format.h"

namespace voice {

namespace fs = std::filesystem;

namespace {

constexpr riff::FourCC kWave = riff::MakeFourCC("WAVE");
constexpr riff::FourCC kFmt = riff::MakeFourCC("fmt ");
constexpr riff::FourCC kPrtl = riff::MakeFourCC("prtl");
constexpr riff::FourCC kData = riff::MakeFourCC("data");
constexpr size_t kFormatHeaderSize = 18;  // the PCM header plus the extra size

constexpr int32_t kConversionGaugeScale = 90;
constexpr int32_t kStageGaugeSteps = 30;

const char* const kIncompatible = "Incompatible file format of: ";
const char* const kCannotAllocateBuffer = "Cannot allocate buffer for audio data, Terminating...";
const char* const kUnableToAllocate = "Unable to allocate memory";

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

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

// The mode a new file gets (0666 less the umask), or the mode of the file it replaces.
mode_t ModeFor(const std::string& path)
{
    struct stat existing;
    if (stat(path.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteChunks(riff::Writer& w, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels,
                 const uint8_t* samples, int32_t bytes, const EffectSettings* settings)
{
    riff::Chunk riffChunk, chunk;
    uint8_t format[kFormatHeaderSize];
    const uint16_t blockAlign = uint16_t(channels * (bitsPerSample / 8));
    PutLe16(format, kWaveFormatPcm);
    PutLe16(format + 2, channels);
    PutLe32(format + 4, samplesPerSecond);
    PutLe32(format + 8, samplesPerSecond * blockAlign);
    PutLe16(format + 12, blockAlign);
    PutLe16(format + 14, bitsPerSample);
    PutLe16(format + 16, 0);
    if (!w.createChunk(riffChunk, riff::kRiff, kWave) || !w.createChunk(chunk, kFmt) ||
        !w.write(format, sizeof format) || !w.ascend(chunk))
        return false;
    if (settings &&
        (!w.createChunk(chunk, kPrtl) || !w.write(settings->bytes.data(), settings->bytes.size()) || !w.ascend(chunk)))
        return false;
    return w.createChunk(chunk, kData) && w.write(samples, size_t(std::max(bytes, 0))) && w.ascend(chunk) &&
           w.ascend(riffChunk);
}

// ---------------------------------------------------------------- reading

struct FormatHeader {
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    uint32_t samplesPerSecond = 0;
};

// What the fmt chunk says the source needs; false when it cannot be converted.
bool NeedsFor(const FormatHeader& f, ConversionNeeds& needs)
{
    if (f.formatTag != kWaveFormatPcm)
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

bool ReadFormat(riff::Reader& reader, const riff::Chunk& riffChunk, FormatHeader& header)
{
    riff::Chunk fmt;
    if (!reader.descendTo(fmt, riffChunk, kFmt))
        return false;
    uint8_t raw[kFormatHeaderSize] = {};
    const size_t wanted = std::min<size_t>(fmt.size, kFormatHeaderSize);
    if (reader.read(raw, wanted) != wanted)
        return false;
    header.formatTag = Le16(raw);
    header.channels = Le16(raw + 2);
    header.samplesPerSecond = Le32(raw + 4);
    header.blockAlign = Le16(raw + 12);
    header.bitsPerSample = Le16(raw + 14);
    return reader.ascend(fmt);
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
    FormatHeader header;
    if (!reader.open(path) || !reader.descendRiff(riffChunk, kWave) || !ReadFormat(reader, riffChunk, header) ||
        !NeedsFor(header, result.needs))
        return -1;
    ReadSettingsChunk(reader, riffChunk, result);
    if (!reader.descendTo(data, riffChunk, kData))
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
    // Writing through a link replaces the file it points to, not the link.
    fs::path target(path);
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        target = fs::canonical(target, error);
        if (error)
            return false;
    }
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const std::string temporary = CreateUniqueFile(folder, "." + target.filename().string() + ".");
    if (temporary.empty())
        return false;
    riff::Writer writer;
    bool ok = writer.create(temporary) &&
              WriteChunks(writer, samplesPerSecond, bitsPerSample, channels, samples, bytes, settings);
    ok = writer.close() && ok;
    ok = ok && chmod(temporary.c_str(), ModeFor(target.string())) == 0;
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        RemoveQuietly(temporary);
    return ok;
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

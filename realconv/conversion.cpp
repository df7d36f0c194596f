// The conversion: set up the build engine, open the wave file, and feed the
// engine's RealAudio pin block by block until the sound ends or a stop is
// asked for.
#include "build_engine.h"
#include "realaudio_export.h"
#include "wave_stream_reader.h"

#include <mutex>

namespace realconv {

namespace {

// The engine's target settings: the first audience (the slowest connection).
constexpr int kTargetAudience = 0;

std::mutex& HookMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(uint32_t)>& BlockHook()
{
    static std::function<void(uint32_t)> hook;
    return hook;
}

void CallBlockHook(uint32_t position)
{
    std::function<void(uint32_t)> hook;
    {
        std::lock_guard lock(HookMutex());
        hook = BlockHook();
    }
    if (hook)
        hook(position);
}

class Conversion {
public:
    Conversion(const ClipInfo& clip, const std::function<void(int)>& progress, const std::atomic<bool>& stop)
        : clip_(clip), progress_(progress), stop_(stop)
    {
    }

    int32_t run(const std::string& source, const std::string& target)
    {
        if (!setUpEngine())
            return error_ ? error_ : kResultEngineSetupFailed;
        if (reader_.open(source) != WaveReadStatus::Ok)
            return kResultCannotOpenWave;
        if (!engine_->clipProperties().setOutputFile(target))
            return kResultOutputNameRefused;
        int32_t result = encode();
        engine_->discardOutput();
        reader_.close();
        if (result != kResultOk && result != kResultStopped && engine_->outputError() != 0)
            result = kResultCannotWriteFile;
        return result;
    }

private:
    bool setUpEngine()
    {
        engine_ = BuildEngine::Create();
        if (!engine_) {
            error_ = kResultCannotCreateEngine;
            return false;
        }
        for (const auto& candidate : engine_->pins())
            if (candidate->outputMimeType() == kRealAudioMimeType)
                pin_ = candidate.get();
        if (!pin_) {
            error_ = kResultNoRealAudioPin;
            return false;
        }
        if (!engine_->enableOutputMimeType(kRealAudioMimeType, true))
            return false;

        ClipProperties& properties = engine_->clipProperties();
        properties.setTitle(clip_.title);
        properties.setAuthor(clip_.author);
        properties.setCopyright(clip_.copyright);
        properties.setSelectiveRecord(clip_.selectiveRecord);
        properties.setPerfectPlay(clip_.perfectPlay);

        TargetSettings& target = engine_->targetSettings();
        target.setAudioContent(TargetSettings::AudioContent::Voice);
        target.removeAllTargetAudiences();
        return target.addTargetAudience(kTargetAudience);
    }

    // Hands the pin the wave's format; every part must be accepted.
    bool setPinFormat()
    {
        int channels = 0, rate = 0, bits = 0;
        if (!reader_.getFormat(&channels, &rate, &bits))
            return false;
        AudioPinProperties& properties = pin_->properties();
        const bool channelsOk = properties.setChannels(channels);
        const bool rateOk = properties.setSampleRate(rate);
        const bool bitsOk = properties.setBitsPerSample(bits);
        return channelsOk && rateOk && bitsOk;
    }

    int32_t encode()
    {
        if (stop_)
            return kResultStopped;
        uint32_t durationMs = 0, total = 0;
        if (reader_.getInfo(durationMs, total) != WaveReadStatus::Ok)
            return kResultNoAudioStream;
        if (!setPinFormat())
            return kResultFormatRejected;
        if (!engine_->prepareToEncode())
            return kResultEngineRefused;
        const uint32_t blockBytes = pin_->preferredBlockBytes();
        if (blockBytes == 0)
            return kResultNoBlockSize;
        if (reader_.startReading(sample_, blockBytes) != WaveReadStatus::Ok)
            return kResultReadFailed;

        for (bool lastRound = false; !lastRound;) {
            if (!pin_->encode(sample_))
                return kResultEncodingFailed;
            const uint32_t position = reader_.position();
            CallBlockHook(position);
            if (stop_) {
                if (position < total)
                    reader_.readLast(sample_);
                break;
            }
            if (position < total) {
                if (reader_.readNext(sample_) != WaveReadStatus::Ok)
                    return kResultReadFailed;
            } else {
                lastRound = true;
            }
            if (progress_)
                progress_(int(uint64_t(position) * 100 / total));
        }
        if (stop_)
            return kResultStopped;
        return engine_->encodingDone() ? kResultOk : kResultEncodingFailed;
    }

    const ClipInfo& clip_;
    const std::function<void(int)>& progress_;
    const std::atomic<bool>& stop_;
    int32_t error_ = kResultOk;
    std::unique_ptr<BuildEngine> engine_;
    AudioInputPin* pin_ = nullptr;
    WaveStreamReader reader_;
    MediaSample sample_;
};

}  // namespace

const char* DescribeResult(int32_t code)
{
    switch (code) {
    case kResultOk: return "the RealAudio file was written";
    case kResultStopped: return "the export was stopped";
    case kResultCannotOpenWave: return "the wave file cannot be opened";
    case kResultEngineSetupFailed: return "the RealAudio encoder could not be set up";
    case kResultNoRealAudioPin: return "this FFmpeg has no RealAudio encoder";
    case kResultCannotCreateEngine: return "the RealAudio encoder could not be created";
    case kResultNoAudioStream: return "the wave file holds no readable PCM sound";
    case kResultEngineRefused: return "the encoder or the output file could not be prepared";
    case kResultFormatRejected: return "the wave file's format cannot be converted";
    case kResultReadFailed: return "reading the wave file failed";
    case kResultNoBlockSize: return "the encoder asked for no input";
    case kResultCannotWriteFile: return "the RealAudio file cannot be written";
    case kResultEncodingFailed: return "encoding or writing the RealAudio file failed";
    case kResultOutputNameRefused: return "the output file name cannot be used";
    }
    return "the RealAudio export failed";
}

int32_t ExportWaveToRealAudio(const std::string& source, const std::string& target, const ClipInfo& clip,
                              const std::function<void(int percent)>& progress, const std::atomic<bool>& stop)
{
    return Conversion(clip, progress, stop).run(source, target);
}

namespace testing {
void SetBlockHook(std::function<void(uint32_t position)> hook)
{
    std::lock_guard lock(HookMutex());
    BlockHook() = std::move(hook);
}
}  // namespace testing

}  // namespace realconv

#include "sound_support.h"

#include "riff/riff.h"
#include "riff/wave.h"
#include "tapedeck/tapedeck.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace soundtest {

using namespace platform;

void EnsureQtApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "sound_test";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);  // lives as long as the process
}

bool RunEventLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void RunEventLoopFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

bool MessageLog::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::eventType())
        return QObject::event(event);
    const auto* message = static_cast<WindowMessageEvent*>(event);
    entries_.push_back({message->message, message->wParam, message->lParam, Clock::now()});
    if (onMessage)
        onMessage(entries_.back());
    return true;
}

DoubleBufferPlayer::DoubleBufferPlayer(Source source) : source_(std::move(source))
{
    log_.onMessage = [this](const MessageLog::Entry& entry) { onDone(entry); };
}

DoubleBufferPlayer::~DoubleBufferPlayer() { close(); }

MMRESULT DoubleBufferPlayer::open(uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels)
{
    const uint16_t blockAlign = uint16_t(channels * bitsPerSample / 8);
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, channels,  samplesPerSecond, samplesPerSecond * blockAlign,
                              blockAlign,      bitsPerSample, 0};
    const MMRESULT result = waveOutOpen(&device_, WAVE_MAPPER, &format, log_.handle(), 0, CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR)
        return result;
    for (int i = 0; i < 2; ++i) {
        buffers_[i].assign(kHeaderBytes, 0);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = buffers_[i].data();
        headers_[i].dwBufferLength = kHeaderBytes;
        waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
    }
    return MMSYSERR_NOERROR;
}

void DoubleBufferPlayer::start()
{
    waveOutPause(device_);
    fillAndWrite(headers_[0]);
    fillAndWrite(headers_[1]);
    waveOutRestart(device_);
}

void DoubleBufferPlayer::reset()
{
    stopped_ = true;
    waveOutReset(device_);
}

void DoubleBufferPlayer::fillAndWrite(WAVEHDR& header)
{
    if (sourceEnded_ || stopped_)
        return;
    const size_t n = source_(reinterpret_cast<uint8_t*>(header.lpData), kHeaderBytes);
    if (n == 0) {
        sourceEnded_ = true;
        return;
    }
    header.dwBufferLength = uint32_t(n);
    if (waveOutWrite(device_, &header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR) {
        ++outstanding_;
        bytesQueued_ += n;
    }
}

void DoubleBufferPlayer::onDone(const MessageLog::Entry& entry)
{
    WAVEHDR* header = reinterpret_cast<WAVEHDR*>(entry.lParam);
    if (device_ == 0)
        return;  // closed: the reset's messages arrive late
    if (entry.message != MM_WOM_DONE || entry.wParam != device_ || (header != &headers_[0] && header != &headers_[1])) {
        ++stray_;
        return;
    }
    --outstanding_;
    doneTimes_.push_back(entry.at);
    fillAndWrite(*header);
}

void DoubleBufferPlayer::close()
{
    if (device_ == 0)
        return;
    waveOutReset(device_);
    for (WAVEHDR& header : headers_)
        waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    waveOutClose(device_);
    device_ = 0;
}

DoubleBufferPlayer::Source PlayOnce(const Samples& samples)
{
    size_t offset = 0;  // in bytes
    return [&samples, offset](uint8_t* destination, size_t maxBytes) mutable {
        const size_t total = samples.size() * sizeof(int16_t);
        const size_t n = std::min(maxBytes, total - offset);
        std::memcpy(destination, reinterpret_cast<const uint8_t*>(samples.data()) + offset, n);
        offset += n;
        return n;
    };
}

double HeardFrequency(const Samples& samples, size_t from, size_t to, double rate)
{
    std::vector<double> crossings;
    for (size_t i = from + 1; i < std::min(to, samples.size()); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0)
            crossings.push_back(double(i - 1) + double(-samples[i - 1]) / double(samples[i] - samples[i - 1]));
    if (crossings.size() < 3)
        return 0;
    std::vector<double> periods;
    for (size_t i = 1; i < crossings.size(); ++i)
        periods.push_back(crossings[i] - crossings[i - 1]);
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return rate / periods[periods.size() / 2];
}

bool ReadWaveFile(const std::string& path, WaveFile& file)
{
    riff::Reader reader;
    riff::Chunk riffChunk, fmt, data;
    uint8_t header[8];
    riff::WaveFormat format;
    if (!reader.open(path) || reader.read(header, 8) != 8 || !reader.seek(0) ||
        !reader.descendRiff(riffChunk, riff::kWave) || !reader.descendTo(fmt, riffChunk, riff::kFmt) ||
        !riff::ReadFormatChunk(reader, fmt, format, riff::kPcmFormatBytes, riff::kPcmFormatBytes) ||
        !reader.ascend(fmt) || !reader.descendTo(data, riffChunk, riff::kData))
        return false;
    file.riffSize = riff::ReadLe32(header + 4);
    file.fileSize = reader.fileSize();
    file.formatTag = format.formatTag;
    file.channels = format.channels;
    file.samplesPerSecond = format.samplesPerSecond;
    file.avgBytesPerSecond = format.avgBytesPerSecond;
    file.blockAlign = format.blockAlign;
    file.bitsPerSample = format.bitsPerSample;
    file.data.resize(data.size);
    return reader.read(file.data.data(), data.size) == data.size;
}

Samples WaveFile::firstChannel() const
{
    Samples samples;
    if (bitsPerSample != 16 || blockAlign == 0)
        return samples;
    for (size_t at = 0; at + blockAlign <= data.size(); at += blockAlign)
        samples.push_back(int16_t(riff::ReadLe16(&data[at])));
    return samples;
}

size_t FirstLoudSample(const Samples& samples, int threshold, size_t from)
{
    for (size_t i = from; i < samples.size(); ++i)
        if (std::abs(int(samples[i])) >= threshold)
            return i;
    return samples.size();
}

int PeakIn(const Samples& samples, size_t from, size_t to)
{
    int peak = 0;
    for (size_t i = from; i < std::min(to, samples.size()); ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

namespace {

// Normalised correlation of original with recorded at the lag, over their
// overlap, looking at every step-th sample; -2 when they overlap too little.
double CorrelationAt(const Samples& recorded, const Samples& original, long lag, size_t step)
{
    const long first = std::max(0L, -lag);
    const long last = std::min(long(original.size()), long(recorded.size()) - lag);
    if (last - first < long(original.size()) * 9 / 10)
        return -2;
    double product = 0, recordedEnergy = 0, originalEnergy = 0;
    for (long i = first; i < last; i += long(step)) {
        const double r = recorded[size_t(lag + i)];
        const double o = original[size_t(i)];
        product += r * o;
        recordedEnergy += r * r;
        originalEnergy += o * o;
    }
    return recordedEnergy > 0 && originalEnergy > 0 ? product / std::sqrt(recordedEnergy * originalEnergy) : 0;
}

Alignment Search(const Samples& recorded, const Samples& original, long minLag, long maxLag, size_t step)
{
    Alignment best{minLag, -2};
    for (long lag = minLag; lag <= maxLag; lag += long(step)) {
        const double correlation = CorrelationAt(recorded, original, lag, step);
        if (correlation > best.correlation)
            best = {lag, correlation};
    }
    return best;
}

}  // namespace

Alignment BestAlignment(const Samples& recorded, const Samples& original, long minLag, long maxLag)
{
    return Search(recorded, original, minLag, maxLag, 1);
}

Alignment FindInRecording(const Samples& recorded, const Samples& original)
{
    constexpr size_t kStep = 4;
    const long reach = long(original.size()) / 10;
    const Alignment coarse = Search(recorded, original, -reach, long(recorded.size()), kStep);
    return BestAlignment(recorded, original, coarse.lag - long(kStep), coarse.lag + long(kStep));
}

bool WaitForFileSize(const std::string& path, uint64_t bytes, std::chrono::milliseconds timeout)
{
    return RunEventLoopUntil(
        [&] {
            std::error_code error;
            const uintmax_t size = std::filesystem::file_size(path, error);
            return !error && size >= bytes;
        },
        timeout);
}

bool WaitUntilQuiet(std::chrono::milliseconds timeout)
{
    return RunEventLoopUntil(
        [] {
            int32_t level = -1;
            AudioGetRecordLevel(&level, nullptr);
            return level == 0;
        },
        timeout);
}

bool RecordWhile(const std::string& path, const std::function<void()>& action, WaveFile& recorded)
{
    const uint16_t started = AudioStartRecord(path.c_str(), 22050, 16, 1, 0);
    EXPECT_EQ(started, 0);
    if (started != 0)
        return false;
    action();
    // What was played last is still on its way through the sound server:
    // record on for another fifth of a second of sound, and until it is quiet.
    constexpr uint64_t kTailBytes = 22050 * 2 / 5;
    std::error_code error;
    WaitForFileSize(path, std::filesystem::file_size(path, error) + kTailBytes);
    WaitUntilQuiet();
    EXPECT_EQ(AudioStopRecord(), 0);
    const bool read = ReadWaveFile(path, recorded);
    EXPECT_TRUE(read) << path;
    return read;
}

bool PlayToEnd(const Samples& samples, uint32_t samplesPerSecond)
{
    DoubleBufferPlayer player(PlayOnce(samples));
    const MMRESULT opened = player.open(samplesPerSecond);
    EXPECT_EQ(opened, MMSYSERR_NOERROR);
    if (opened != MMSYSERR_NOERROR)
        return false;
    player.start();
    const double seconds = double(samples.size()) / samplesPerSecond;
    const bool finished = RunEventLoopUntil([&] { return player.finished(); },
                                            std::chrono::milliseconds(long(seconds * 1000) + 5000));
    EXPECT_TRUE(finished);
    return finished;
}

namespace {

// The script of the kind of server the tests run on.
bool RunPulseScript(const std::string& command, const std::string& folder)
{
    const char* script = std::getenv("PARROTEL_SOUND_SERVER_SCRIPT");
    const std::string line = "bash '" + std::string(script && *script ? script : PULSE_NULL_SCRIPT) + "' " + command +
                             " '" + folder + "' >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

}  // namespace

PrivateSoundServer::PrivateSoundServer(const std::string& folder) : folder_(folder)
{
    if (const char* server = std::getenv("PULSE_SERVER"))
        savedServer_ = server;
    if (const char* cookie = std::getenv("PULSE_COOKIE"))
        savedCookie_ = cookie;
    running_ = RunPulseScript("start", folder_);
    setenv("PULSE_SERVER", ("unix:" + folder_ + "/native").c_str(), 1);
    setenv("PULSE_COOKIE", (folder_ + "/cookie").c_str(), 1);
}

PrivateSoundServer::~PrivateSoundServer()
{
    stop();
    setenv("PULSE_SERVER", savedServer_.c_str(), 1);
    setenv("PULSE_COOKIE", savedCookie_.c_str(), 1);
}

void PrivateSoundServer::stop()
{
    if (running_)
        RunPulseScript("stop", folder_);
    running_ = false;
}

}  // namespace soundtest

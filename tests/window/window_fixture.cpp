#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cmath>

#include "application_exit.h"
#include "progressform.h"
#include "prtlsbtn.h"
#include "tapedeck/tapedeck.h"
#include "voice_recorder.h"
#include "wave_file.h"

namespace {

// An ALSA device name that names no device.
constexpr const char* kNoCaptureDevice = "parrotel_test_no_capture_device";

int argc = 1;
char name[] = "window_test";
char* argv[] = {name, nullptr};

}  // namespace

RecordingApi ScriptedRecorder::Api()
{
    auto next = [](std::deque<uint16_t>& results) -> uint16_t {
        if (results.empty())
            return 0;
        const uint16_t result = results.front();
        results.pop_front();
        return result;
    };
    return {[this, next](const char* file, uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channelCount,
                         uint16_t recordSource) {
                ++starts;
                path = file;
                rate = samplesPerSecond;
                bits = bitsPerSample;
                channels = channelCount;
                source = recordSource;
                const QFileInfo info(QString::fromStdString(path));
                pathExistedEmpty = info.exists() && info.size() == 0;
                return next(startResults);
            },
            [this, next] {
                ++stops;
                const uint16_t result = next(stopResults);
                if (result == 0 && !recordedFile.isEmpty()) {
                    QFile file(QString::fromStdString(path));
                    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                    file.write(recordedFile);
                }
                return result;
            },
            [this](int32_t* value, int32_t* second) {
                *value = level;
                *second = 12345;  // written by the library, never used
            },
            [this] { return now; }};
}

void WindowTest::SetUpTestSuite()
{
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

void WindowTest::SetUp()
{
    InstallTestPlatform();
    card = mixertest::AddCard(*mixer);
    CreateForm();
}

void WindowTest::InstallTestPlatform()
{
    ASSERT_TRUE(folder.isValid());
    platform::SetMessageFunction([this](const platform::MessageRequest& request) {
        messages.push_back(request);
        return request.buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : questionAnswer;
    });
    platform::SetFileDialogFunction([this](const platform::FileDialogRequest& request) {
        fileDialogs.push_back(request);
        if (fileAnswers.empty())
            return QString();
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    });
    previousMixer_ = platform::SetMixerBackend(mixer);
    application::SetTerminateFunction([this] { ++terminateRequests; });
    waveOut = platform::SimulatedWaveOut::Install();
    AudioSetRecordDevice(kNoCaptureDevice);
}

void WindowTest::CreateForm()
{
    form = std::make_unique<TMainForm>();
    progress = new TProgressForm(form.get());
    form->SetProgressForm(progress);
    form->SetSampleFolder(QCoreApplication::applicationDirPath());
}

void WindowTest::TearDown()
{
    form.reset();
    if (!recorder.path.empty())
        QFile::remove(QString::fromStdString(recorder.path));
    platform::SetMessageFunction({});
    platform::SetFileDialogFunction({});
    platform::SetMixerBackend(previousMixer_);
    application::SetTerminateFunction({});
    platform::UseAlsaWaveOut();
    AudioSetRecordDevice(nullptr);
}

void WindowTest::AnswerFileDialogs(const QStringList& paths)
{
    fileAnswers.assign(paths.begin(), paths.end());
}

void WindowTest::WriteVoice(const QString& path, const std::vector<int16_t>& samples,
                            const voice::EffectSettings* settings) const
{
    ASSERT_TRUE(voice::WriteWaveFile(QFile::encodeName(path).toStdString(), 22050, 16, 1,
                                     reinterpret_cast<const uint8_t*>(samples.data()),
                                     int32_t(samples.size() * 2), settings));
}

std::vector<int16_t> WindowTest::TestTone(int count)
{
    std::vector<int16_t> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / 22050;
        samples[size_t(i)] = int16_t(12000 * std::sin(2 * M_PI * (200 + 600 * t) * t));
    }
    return samples;
}

void WindowTest::Click(QWidget* control)
{
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void WindowTest::Open(const QString& path)
{
    const size_t asked = fileDialogs.size();
    AnswerFileDialogs({path});
    form->Open1->trigger();
    EXPECT_EQ(fileDialogs.size(), asked + 1);
    fileDialogs.resize(asked);  // the tests count the dialogs of what they test
}

QByteArray WindowTest::WaveBytes(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels)
{
    const QString path = PathOf("recorded.wav");
    EXPECT_TRUE(voice::WriteWaveFile(path.toStdString(), rate, 16, channels,
                                     reinterpret_cast<const uint8_t*>(samples.data()), int32_t(samples.size() * 2),
                                     nullptr));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void WindowTest::StartRecording()
{
    form->SetRecordingApi(recorder.Api());
    Click(form->RecordButton);
    ASSERT_TRUE(form->Recorder().IsRecording());
}

void WindowTest::RecordVoice(const std::vector<int16_t>& samples)
{
    recorder.recordedFile = WaveBytes(samples);
    StartRecording();
    Click(form->RecordButton);
    ASSERT_EQ(Voice().VoiceBytes(), int32_t(samples.size() * 2));
}

std::vector<uint8_t> FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset)
{
    return uint16_t(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

uint32_t DWord(const std::vector<uint8_t>& bytes, size_t offset)
{
    return uint32_t(Word(bytes, offset)) | uint32_t(Word(bytes, offset + 2)) << 16;
}

WaveChunks ReadChunks(const QString& path)
{
    const std::vector<uint8_t> bytes = FileBytes(path);
    WaveChunks chunks;
    if (bytes.size() < 12)
        return chunks;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + long(at), bytes.begin() + long(at) + 4);
        const size_t size = DWord(bytes, at + 4);
        const size_t end = std::min(bytes.size(), at + 8 + size);
        std::vector<uint8_t> body(bytes.begin() + long(at + 8), bytes.begin() + long(end));
        if (id == "fmt ")
            chunks.fmt = body;
        else if (id == "prtl") {
            chunks.prtl = body;
            chunks.hasPrtl = true;
        } else if (id == "data")
            chunks.data = body;
        at = at + 8 + size + (size & 1);
    }
    return chunks;
}

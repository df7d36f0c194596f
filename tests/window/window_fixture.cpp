#include "window_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <cmath>

#include "application_exit.h"
#include "progressform.h"
#include "tapedeck/tapedeck.h"
#include "wave_file.h"

namespace {

// An ALSA device name that names no device.
constexpr const char* kNoCaptureDevice = "parrotel_test_no_capture_device";

int argc = 1;
char name[] = "window_test";
char* argv[] = {name, nullptr};

}  // namespace

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
        return platform::MessageAnswer::Ok;
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

// Export to MP3 and to RealAudio from the main window, and the preferences
// commands, on the windows the program creates at start-up. The encoders'
// dialogs are the real ones, driven through their controls once they show;
// the conversions are real and read back with FFmpeg.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <ostream>

#include "application_forms.h"
#include "auc_preference_form.h"
#include "ccc_comp.h"
#include "export_dialog.h"
#include "export_files.h"
#include "media_export_form.h"
#include "media_test_support.h"
#include "mp3_test_support.h"
#include "progressform.h"
#include "prtlsbtn.h"
#include "realaudio_probe.h"
#include "settings.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "wave_to_mp3_form.h"
#include "window_fixture.h"

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr char kRealAudioCaption[] = "Export Sound to RealAudio";
constexpr int kToneSamples = 22050;

// Runs a script on the first modal dialog that shows, once. The script must
// close the dialog, or start what closes it.
class WhenDialogShows {
public:
    explicit WhenDialogShows(std::function<void(QDialog&)> script) : script_(std::move(script))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            timer_.stop();
            caption_ = dialog->windowTitle();
            script_(*dialog);
        });
        timer_.start();
    }

    // The caption of the dialog the script ran on; empty when none showed.
    const QString& caption() const { return caption_; }

private:
    std::function<void(QDialog&)> script_;
    QTimer timer_;
    QString caption_;
};

template <typename T>
T* Control(QDialog& dialog, const char* name)
{
    T* control = dialog.findChild<T*>(name);
    if (!control)
        ADD_FAILURE() << "no control " << name;
    return control;
}

class ExportTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        tempFolder = PathOf("tmp");
        ASSERT_TRUE(QDir().mkpath(tempFolder));
        SetEnvironment("TMPDIR", QFile::encodeName(tempFolder));
        SetEnvironment("XDG_CONFIG_HOME", QFile::encodeName(PathOf("config")));
        // The windows as the program makes them.
        form.reset(CreateApplicationForms());
        progress = form->ProgressForm();
        form->SetSampleFolder(QCoreApplication::applicationDirPath());
    }

    void TearDown() override
    {
        WindowTest::TearDown();
        for (const auto& [name, value] : savedEnvironment_)
            value ? qputenv(name.c_str(), *value) : qunsetenv(name.c_str());
    }

    // Sets a variable for this test only.
    void SetEnvironment(const char* name, const QByteArray& value)
    {
        if (!savedEnvironment_.count(name))
            savedEnvironment_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        qputenv(name, value);
    }

    // Loads a second of tone from `name` in the test's folder.
    void LoadTone(const QString& name = "voice.wav")
    {
        WriteVoice(PathOf(name), TestTone(kToneSamples));
        Open(PathOf(name));
        ASSERT_EQ(Voice().VoiceBytes(), kToneSamples * 2);
    }

    // Everything below the temporary folder, as paths relative to it.
    QStringList TempEntries() const
    {
        QStringList entries;
        QDirIterator it(tempFolder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            entries << QDir(tempFolder).relativeFilePath(it.next());
        entries.sort();
        return entries;
    }

    // The encoder's copy of the processed voice, while an export runs.
    QString CopyForEncoder() const
    {
        const QStringList copies = TempEntries().filter(QRegularExpression("^parrotel-\\w{6}/MYFILE\\.WAV$"));
        EXPECT_EQ(copies.size(), 1) << TempEntries().join(", ").toStdString();
        return copies.isEmpty() ? QString() : QDir(tempFolder).filePath(copies.front());
    }

    // The one processed voice beside it, by its unique name.
    QString ProcessedFile() const
    {
        const QStringList files = TempEntries().filter(QRegularExpression("^cool\\w{6}$"));
        EXPECT_EQ(files.size(), 1) << TempEntries().join(", ").toStdString();
        return files.isEmpty() ? QString() : QDir(tempFolder).filePath(files.front());
    }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const auto& message : messages)
            texts << message.text;
        return texts;
    }

    static std::vector<int16_t> Samples(const std::vector<uint8_t>& data)
    {
        std::vector<int16_t> samples(data.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(Word(data, 2 * i));
        return samples;
    }

    QString tempFolder;

private:
    std::map<std::string, std::optional<QByteArray>> savedEnvironment_;
};

// ---- MP3 -----------------------------------------------------------------------------------

TEST_F(ExportTest, Mp3ExportConvertsTheProcessedVoiceFromMyfileWavAndRemovesBothFiles)
{
    LoadTone();
    form->FastSqueakButton->SetDown(true);
    const QString output = PathOf("squeak.mp3");
    AnswerFileDialogs({output});
    std::vector<int16_t> processed;
    WhenDialogShows script([&](QDialog& dialog) {
        TWaveToMP3ConversionForm* mp3 = form->Mp3ConversionForm();
        EXPECT_EQ(&dialog, mp3);
        EXPECT_EQ(dialog.parentWidget(), form.get());
        EXPECT_EQ(mp3->destination(), QDir(tempFolder).filePath("MYFILE.MP3"));
        const QString copy = CopyForEncoder();
        EXPECT_EQ(FileBytes(copy), FileBytes(ProcessedFile()));
        const WaveChunks chunks = ReadChunks(copy);
        EXPECT_EQ(DWord(chunks.fmt, 4), 44100u);
        EXPECT_FALSE(chunks.hasPrtl);
        processed = Samples(chunks.data);
        EXPECT_EQ(processed.size(), size_t(kToneSamples));
        EXPECT_EQ(mp3->codecNamesComboBox->currentText(), "Lame Encoder");
        mp3->BitRateComboBox->setCurrentText("64");
        mp3->StartButton->click();  // the conversion's end closes the dialog
    });
    form->ExportToMP3File->trigger();

    EXPECT_EQ(script.caption(), "Tavrin Audio Discwright MP3 Conversion");
    EXPECT_EQ(MessageTexts(), QStringList{"Export to " + output + " was successful."});
    mp3test::ExpectFaithfulLameExport(QFile::encodeName(output).toStdString(), processed, 44100, 1, 64);
    EXPECT_EQ(TempEntries(), QStringList());
}

TEST_F(ExportTest, FlacExportHoldsTheProcessedVoiceLosslesslyUnderTheVoicesName)
{
    LoadTone("voice.wav");
    form->BackwardButton->SetDown(true);
    const QString output = PathOf("voice.flac");
    AnswerFileDialogs({output});
    std::vector<int16_t> processed;
    WhenDialogShows script([&](QDialog& dialog) {
        processed = Samples(ReadChunks(CopyForEncoder()).data);
        static_cast<TMediaExportForm&>(dialog).StartButtonClick();  // the export's end closes the dialog
    });
    form->ExportToFLACFile->trigger();

    EXPECT_EQ(script.caption(), "Export to FLAC");
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0].initialName, output);
    EXPECT_EQ(MessageTexts(), QStringList{"Export to " + output + " was successful."});
    ASSERT_EQ(processed.size(), size_t(kToneSamples));
    EXPECT_EQ(mediatest::DecodeWithFfmpeg(output.toStdString(), 22050), processed);
    EXPECT_EQ(TempEntries(), QStringList());
}

TEST_F(ExportTest, Mp3ExportWithSlowMonsterOffersAnElevenKilohertzCopyAndCleansUpAfterACancel)
{
    LoadTone();
    form->SlowMonstButton->SetDown(true);
    // Another program's file of the same name is not ours to replace.
    const QString foreign = QDir(tempFolder).filePath("MYFILE.WAV");
    QFile file(foreign);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("another voice") > 0);
    file.close();

    WhenDialogShows script([&](QDialog&) {
        EXPECT_EQ(DWord(ReadChunks(CopyForEncoder()).fmt, 4), 11025u);
        EXPECT_EQ(form->Mp3ConversionForm()->lameBitrates(), (QStringList{"24", "32", "40", "48", "56", "64"}));
        form->Mp3ConversionForm()->CancelBtn->click();
    });
    form->ExportToMP3FileClick();

    EXPECT_FALSE(script.caption().isEmpty());
    EXPECT_EQ(TempEntries(), QStringList{"MYFILE.WAV"});
    EXPECT_EQ(FileBytes(foreign), std::vector<uint8_t>({'a', 'n', 'o', 't', 'h', 'e', 'r', ' ', 'v', 'o', 'i', 'c', 'e'}));
    EXPECT_EQ(MessageTexts(), QStringList());
}

// ---- Both exports: when nothing happens ---------------------------------------------------

TEST_F(ExportTest, BusyWindowOrNoVoiceExportsNothingAndShowsNoDialog)
{
    const std::function<void()> clicks[] = {[this] { form->ExportToMP3FileClick(); },
                                            [this] { form->ExportToRealAudioFormat1Click(); }};
    auto exportsNothing = [&] {
        for (const auto& click : clicks) {
            WhenDialogShows dialog([](QDialog& shown) { shown.reject(); });
            click();
            EXPECT_EQ(dialog.caption(), "");
        }
    };
    exportsNothing();  // no voice
    EXPECT_EQ(MessageTexts(), QStringList());

    LoadTone();
    Click(form->PlayButton);
    ASSERT_TRUE(form->Player().IsPlaying());
    exportsNothing();
    Click(form->PlayButton);
    form->TimerTimer();
    recorder.recordedFile = WaveBytes(TestTone(2205));
    StartRecording();
    exportsNothing();
    Click(form->RecordButton);
    const QString playing = "Please Wait until playback is over", recording = "Please Wait until recording is over";
    EXPECT_EQ(MessageTexts(), (QStringList{playing, playing, recording, recording}));
    EXPECT_EQ(TempEntries(), QStringList());
}

TEST_F(ExportTest, UnusableTemporaryFolderIsReportedAndNoDialogShows)
{
    LoadTone();
    // A temporary folder that is no folder takes no files.
    const QString notAFolder = PathOf("voice.wav");
    SetEnvironment("TMPDIR", QFile::encodeName(notAFolder));
    for (const auto& click : {std::function<void()>([this] { form->ExportToMP3FileClick(); }),
                              std::function<void()>([this] { form->ExportToRealAudioFormat1Click(); })}) {
        messages.clear();
        WhenDialogShows script([](QDialog& dialog) { dialog.reject(); });
        click();
        EXPECT_EQ(script.caption(), "");
        EXPECT_EQ(MessageTexts(), QStringList{"Cannot write file: " + notAFolder + "/coolXXXXXX"});
        EXPECT_EQ(messages.front().caption, "Tavrin Audio Warblecast");
    }
    EXPECT_EQ(TempEntries(), QStringList());
}

// ---- RealAudio --------------------------------------------------------------------------------

TEST_F(ExportTest, RealAudioExportProposesTheVoicesNameAndConvertsTheProcessedCopy)
{
    LoadTone("Spoken Word.wav");
    form->FastSqueakButton->SetDown(true);
    WhenDialogShows script([&](QDialog& dialog) {
        EXPECT_EQ(dialog.parentWidget(), form.get());
        EXPECT_EQ(Control<QLineEdit>(dialog, realconv::control::kFileBox)->text(), PathOf("Spoken Word.ra"));
        EXPECT_EQ(DWord(ReadChunks(CopyForEncoder()).fmt, 4), 44100u);
        ProcessedFile();
        Control<QLineEdit>(dialog, realconv::control::kTitleBox)->setText("Squeak");
        Control<QLineEdit>(dialog, realconv::control::kAuthorBox)->setText("Tester");
        Control<QLineEdit>(dialog, realconv::control::kCopyrightBox)->setText("(c) the tester");
        Control<QPushButton>(dialog, realconv::control::kExportButton)->click();  // the worker's end closes the dialog
    });
    form->ExportToRealAudioFormat1->trigger();

    EXPECT_EQ(script.caption(), kRealAudioCaption);
    realconv_test::ProbedAudio audio = realconv_test::ProbeRealAudio(QFile::encodeName(PathOf("Spoken Word.ra")).toStdString());
    EXPECT_EQ(audio.error, "");
    EXPECT_EQ(audio.codecName, "ra_144");
    EXPECT_EQ(audio.sampleRate, 8000);
    // A second of voice played at twice the rate.
    EXPECT_NEAR(audio.durationSeconds, 0.5, 0.025);
    EXPECT_EQ(audio.metadata["title"], "Squeak");
    EXPECT_EQ(audio.metadata["author"], "Tester");
    EXPECT_EQ(audio.metadata["copyright"], "(c) the tester");
    EXPECT_EQ(TempEntries(), QStringList());
    EXPECT_EQ(MessageTexts(), QStringList());
}

TEST_F(ExportTest, RealAudioExportOfAnUntitledVoiceProposesMyfileInTheTemporaryFolder)
{
    RecordVoice(TestTone(kToneSamples));  // a recording has no file name
    WhenDialogShows script([&](QDialog& dialog) {
        EXPECT_EQ(Control<QLineEdit>(dialog, realconv::control::kFileBox)->text(), QDir(tempFolder).filePath("MYFILE.ra"));
        EXPECT_EQ(DWord(ReadChunks(CopyForEncoder()).fmt, 4), 22050u);
        Control<QPushButton>(dialog, realconv::control::kCancelButton)->click();
    });
    form->ExportToRealAudioFormat1Click();

    EXPECT_EQ(script.caption(), kRealAudioCaption);
    EXPECT_EQ(TempEntries(), QStringList());
}

TEST(ExportFiles, DefaultRealAudioNameReplacesTheExtensionOfTheFileNameOnly)
{
    using export_files::DefaultRealAudioName;
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string user = "/home/ann/Music";
    EXPECT_EQ(DefaultRealAudioName(folder + "/voice.wav", "/tmp", user), folder + "/voice.ra");
    EXPECT_EQ(DefaultRealAudioName(folder + "/take.2.WAV", "/tmp", user), folder + "/take.2.ra");
    ASSERT_TRUE(QDir(dir.path()).mkdir("ann.b"));
    EXPECT_EQ(DefaultRealAudioName(folder + "/ann.b/voice", "/tmp", user), folder + "/ann.b/voice.ra");
    EXPECT_EQ(DefaultRealAudioName("", "/var/tmp", user), "/var/tmp/MYFILE.ra");
    EXPECT_EQ(DefaultRealAudioName("", "/", user), "/MYFILE.ra");
    // A folder that takes no new file, even from root: the user's own.
    EXPECT_EQ(DefaultRealAudioName("/proc/sys/SF2.WAV", "/tmp", user), user + "/SF2.ra");
    // With ".ra" a name of 260 bytes would need the buffer's terminator too.
    const std::string stem(259 - folder.size() - 4, 'v');
    EXPECT_EQ(DefaultRealAudioName(folder + "/" + stem + ".wav", "/tmp", user).size(), 259u);
    EXPECT_EQ(DefaultRealAudioName(folder + "/" + stem + "v.wav", "/tmp", user), "/tmp/MYFILE.ra");
}

TEST(ExportFiles, TheUsersAudioFolderIsTheMusicFolderElseHome)
{
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
    const QString withoutMusic = export_files::UserAudioFolder();
    ASSERT_TRUE(QDir(home.path()).mkdir("Music"));
    const QString withMusic = export_files::UserAudioFolder();
    qputenv("HOME", savedHome);
    savedConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedConfig);
    EXPECT_EQ(withoutMusic, home.path());
    EXPECT_EQ(withMusic, home.filePath("Music"));
}

TEST(ExportFiles, TemporaryFolderLongerThan128BytesFallsBackToTmp)
{
    using export_files::TempFolder;
    const QString fits = "/" + QString(127, 'x');
    EXPECT_EQ(TempFolder(fits), fits);
    EXPECT_EQ(TempFolder(fits + "x"), "/tmp");
    // Counted in bytes of the file system's encoding, as the buffers hold them.
    const QString wide = "/" + QString(64, QChar(0x00E9));
    EXPECT_EQ(TempFolder(wide), "/tmp");
    EXPECT_EQ(TempFolder(""), "/tmp");
}

// ---- Preferences ----------------------------------------------------------------------------

TEST_F(ExportTest, PreferenceItemsStayHiddenAndStartDisabled)
{
    for (QAction* item : {form->N1, form->Preferences1, form->CheckForUpdates1, form->N4})
        EXPECT_FALSE(item->isVisible()) << item->objectName().toStdString();
    EXPECT_FALSE(form->Preferences1->isEnabled());
    EXPECT_FALSE(form->CheckForUpdates1->isEnabled());
    ASSERT_NE(form->PreferenceForm(), nullptr);
    EXPECT_EQ(form->PreferenceForm()->CCC_Comp1->DLLName(), "");
}

TEST_F(ExportTest, StartUpCreatesTheDialogsOnceInTheirOrder)
{
    const QObjectList children = form->children();
    const auto index = [&](QObject* object) { return children.indexOf(object); };
    ASSERT_NE(form->ProgressForm(), nullptr);
    ASSERT_NE(form->Mp3ConversionForm(), nullptr);
    EXPECT_LT(index(form->ProgressForm()), index(form->Mp3ConversionForm()));
    EXPECT_LT(index(form->Mp3ConversionForm()), index(form->PreferenceForm()));
    EXPECT_EQ(form->Mp3ConversionForm()->codecMessageForm()->parent(), form->Mp3ConversionForm());
}

// A hidden menu item is always disabled; whether it is enabled shows once it
// is made visible.
bool EnabledOnceShown(QAction* item)
{
    item->setVisible(true);
    const bool enabled = item->isEnabled();
    item->setVisible(false);
    return enabled;
}

TEST_F(ExportTest, PreferencesShowTheDialogWhoseSettingEnablesCheckForUpdates)
{
    EXPECT_FALSE(EnabledOnceShown(form->Preferences1));
    EXPECT_FALSE(EnabledOnceShown(form->CheckForUpdates1));
    ASSERT_TRUE(prefs::WriteUpdateSetting(0));
    WhenDialogShows script([&](QDialog& dialog) {
        EXPECT_EQ(&dialog, form->PreferenceForm());
        EXPECT_FALSE(form->PreferenceForm()->AUCCheckBox->isChecked());
        // Automatic download is off: the manual command is enabled at once.
        EXPECT_TRUE(EnabledOnceShown(form->CheckForUpdates1));
        form->PreferenceForm()->Button1->click();
    });
    form->Preferences1Click();
    EXPECT_EQ(script.caption(), "Warblecast Preferences");
    EXPECT_TRUE(EnabledOnceShown(form->CheckForUpdates1));

    WhenDialogShows turnOn([&](QDialog&) {
        form->PreferenceForm()->AUCCheckBox->click();
        EXPECT_FALSE(EnabledOnceShown(form->CheckForUpdates1));
        form->PreferenceForm()->Button1->click();
    });
    form->Preferences1Click();
    EXPECT_FALSE(EnabledOnceShown(form->CheckForUpdates1));
    EXPECT_EQ(prefs::ReadUpdateSetting(), 1);
    EXPECT_FALSE(form->Preferences1->isVisible() || form->CheckForUpdates1->isVisible());
    EXPECT_FALSE(form->Preferences1->isEnabled() || form->CheckForUpdates1->isEnabled());
}

TEST_F(ExportTest, CheckForUpdatesTurnsAutomaticDownloadOn)
{
    ASSERT_TRUE(prefs::WriteUpdateSetting(0));
    form->CheckForUpdates1Click();
    EXPECT_EQ(prefs::ReadUpdateSetting(), 1);
    EXPECT_EQ(MessageTexts(), QStringList());
}

}  // namespace

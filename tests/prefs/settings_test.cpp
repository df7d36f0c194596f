#include "auc_preference_form.h"
#include "ccc_comp.h"
#include "qt_application.h"
#include "settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace prefs {
namespace {

const QByteArray kKeyLine = "Update Enabled/Disabled :";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::EnsureApplication();
        ASSERT_TRUE(folder_.isValid());
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", folder_.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfigHome_); }

    QString Path() const { return folder_.filePath("parrotel.ini"); }
    void Store(const QByteArray& text)
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray Stored() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    QTemporaryDir folder_;
    QByteArray savedConfigHome_;
};

TEST_F(SettingsFileTest, LivesInTheConfigurationFolderWithOneSlash)
{
    EXPECT_EQ(SettingsFilePath(), Path());
    qputenv("XDG_CONFIG_HOME", (folder_.path() + "/").toUtf8());
    EXPECT_EQ(SettingsFilePath(), Path());
    EXPECT_EQ(SettingsPathIn("/home/someone/.config"), "/home/someone/.config/parrotel.ini");
    EXPECT_EQ(SettingsPathIn("/"), "/parrotel.ini");
}

TEST_F(SettingsFileTest, UnusableValuesReadAsEnabled)
{
    EXPECT_EQ(ReadUpdateSetting(), 1) << "no file";
    const QByteArray unusable[] = {"[Settings]\n", "[Settings]\n" + kKeyLine + "=\n",
                                   "[Settings]\n" + kKeyLine + "=off\n", "[Settings]\n" + kKeyLine + "\n",
                                   "[Settings]\nUpdate Enabled/Disabled=0\n", "[Other]\n" + kKeyLine + "=0\n"};
    for (const QByteArray& text : unusable) {
        Store(text);
        EXPECT_EQ(ReadUpdateSetting(), 1) << text.constData();
    }
    Store("[SETTINGS]\n   update enabled/disabled :  =  \"0\"  \n");
    EXPECT_EQ(ReadUpdateSetting(), 0);
}

TEST_F(SettingsFileTest, WritingCreatesFolderAndFileAndKeepsOtherContent)
{
    const QString nested = folder_.filePath("not/yet/there");
    qputenv("XDG_CONFIG_HOME", nested.toUtf8());
    ASSERT_TRUE(WriteUpdateSetting(0));
    QFile created(nested + "/parrotel.ini");
    ASSERT_TRUE(created.open(QIODevice::ReadOnly));
    EXPECT_EQ(created.readAll(), "[Settings]\n" + kKeyLine + "=0\n");

    qputenv("XDG_CONFIG_HOME", folder_.path().toUtf8());
    Store("# mine\r\n[Window]\r\nLeft=207\r\n[Settings]\r\nTheme=dark\r\n\r\n[Recent]\r\nFile1=a.wav\r\n");
    ASSERT_TRUE(WriteUpdateSetting(1));
    EXPECT_EQ(Stored(), "# mine\r\n[Window]\r\nLeft=207\r\n[Settings]\r\nTheme=dark\r\n" + kKeyLine +
                            "=1\r\n\r\n[Recent]\r\nFile1=a.wav\r\n");
}

TEST_F(SettingsFileTest, AFolderInTheFilesPlaceIsLeftAlone)
{
    ASSERT_TRUE(QDir(folder_.path()).mkdir("parrotel.ini"));
    EXPECT_EQ(ReadUpdateSetting(), 1);
    EXPECT_FALSE(WriteUpdateSetting(0));
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

class PreferenceFormTest : public SettingsFileTest {
protected:
    void SetUp() override
    {
        SettingsFileTest::SetUp();
        form_ = std::make_unique<TAucPreferenceForm>();
        spy_ = std::make_unique<QSignalSpy>(form_.get(), &TAucPreferenceForm::CheckForUpdatesEnabledChanged);
    }
    // Each emission: true when "Check For Updates" is to be enabled.
    std::vector<bool> Announced() const
    {
        std::vector<bool> enabled;
        for (const QList<QVariant>& arguments : *spy_)
            enabled.push_back(arguments.at(0).toBool());
        return enabled;
    }

    std::unique_ptr<TAucPreferenceForm> form_;
    std::unique_ptr<QSignalSpy> spy_;
};

TEST_F(PreferenceFormTest, HasItsCaptionAndComponents)
{
    EXPECT_EQ(form_->windowTitle(), "Warblecast Preferences");
    EXPECT_EQ(form_->size(), QSize(293, 91));
    EXPECT_EQ(form_->AUCCheckBox->text(), "Automatically download update information");
    EXPECT_LE(form_->AUCCheckBox->sizeHint().width(), form_->AUCCheckBox->width()) << "the caption is cut off";
    EXPECT_EQ(form_->Button1->text(), "OK");
    EXPECT_EQ(form_->CCC_Comp1->geometry(), QRect(16, 64, 20, 10));
    EXPECT_TRUE(form_->CCC_Comp1->DLLName().isEmpty());
}

TEST_F(PreferenceFormTest, WithoutAFileTheBoxIsCheckedAndClosingStoresOne)
{
    form_->show();
    EXPECT_TRUE(form_->AUCCheckBox->isChecked());
    EXPECT_EQ(Stored(), "<no file>") << "showing writes only when the box changes";
    form_->Button1->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=1\n");
    EXPECT_EQ(Announced(), std::vector<bool>{false});
}

TEST_F(PreferenceFormTest, AStoredZeroUnchecksTheBoxWritesAgainAndEnablesTheCommand)
{
    Store("[Settings]\n" + kKeyLine + " =   0\n");
    form_->show();
    EXPECT_FALSE(form_->AUCCheckBox->isChecked());
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=0\n") << "the state change wrote the value again";
    EXPECT_EQ(Announced(), std::vector<bool>{true});
    form_->reject();  // Escape or the window's close button
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=0\n");
    EXPECT_EQ(Announced(), (std::vector<bool>{true, true}));
}

TEST_F(PreferenceFormTest, ClickingTheBoxStoresAtOnce)
{
    form_->show();
    form_->AUCCheckBox->click();
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=0\n");
    form_->AUCCheckBox->click();
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=1\n");
    EXPECT_EQ(Announced(), (std::vector<bool>{true, false}));
    form_->hide();

    // The dialog lives on between showings: the file decides again.
    Store("[Settings]\n" + kKeyLine + "=0\n");
    form_->show();
    EXPECT_FALSE(form_->AUCCheckBox->isChecked());
}

TEST_F(PreferenceFormTest, CheckForUpdatesTurnsAutomaticDownloadOn)
{
    Store("[Settings]\n" + kKeyLine + "=0\n");
    form_->CheckForUpdates();
    EXPECT_EQ(Stored(), "[Settings]\n" + kKeyLine + "=1\n");
    EXPECT_FALSE(TCCC_Comp::IsComponentLoaded());
}

}  // namespace
}  // namespace prefs

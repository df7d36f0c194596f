#include "ccc_comp.h"
#include "dialogs/dialogs.h"
#include "qt_application.h"
#include "szdd_encoder.h"

#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace prefs {
namespace {

constexpr QRgb kVersion1Face = 0xFFFF0000;
constexpr QRgb kVersion2Face = 0xFF0000FF;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Compressed(const QByteArray& bytes)
{
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    const std::vector<uint8_t> file = testing::EncodeSzdd(data).file;
    return QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
}

// True when the dynamic loader still holds the library loaded from path.
bool IsResident(const QString& path)
{
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

class ComponentHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::EnsureApplication();
        TCCC_Comp::ResetSharedState();
        ASSERT_TRUE(folder_.isValid());
        previousMessageFunction_ = platform::SetMessageFunction([this](const platform::MessageRequest& request) {
            messages_.push_back(request);
            return platform::MessageAnswer::Ok;
        });
        version1_ = ReadAll(PARROTEL_TEST_COMPONENT_V1);
        version2_ = ReadAll(PARROTEL_TEST_COMPONENT_V2);
        ASSERT_FALSE(version1_.isEmpty());
        ASSERT_FALSE(version2_.isEmpty());
        WriteAll(ComponentPath(), version1_);
    }

    void TearDown() override
    {
        host_.reset();
        TCCC_Comp::ResetSharedState();
        platform::SetMessageFunction(previousMessageFunction_);
    }

    QString Path(const QString& name) const { return folder_.filePath(name); }
    QString ComponentPath() const { return Path("comp.so"); }
    void Orders(const QByteArray& orders) { WriteAll(Path("component.orders"), orders); }

    // A host on comp.so whose timer only ticks when the test says so.
    void CreateHost()
    {
        host_ = std::make_unique<TCCC_Comp>();
        host_->Timer()->setInterval(24 * 60 * 60 * 1000);
        host_->SetDLLName(Path("comp"));
    }

    // Two ticks start the first check; the third finds what it reported at
    // the latest (the second does when the initialisation is quick).
    void TickUntilInstalled()
    {
        host_->TimerTimer();
        host_->TimerTimer();
        TCCC_Comp::WaitForInitialisations();
        host_->TimerTimer();
    }

    // True when version 1 was finalised and only paints of the given version
    // (one or more) followed.
    bool OnlyPaintsAfterFinalization(int version) const
    {
        const std::vector<std::string> log = Log();
        const auto finalized = std::find(log.begin(), log.end(), "v1 CompFinalization");
        const std::string paint = "v" + std::to_string(version) + " CompPaint 470x65";
        return finalized != log.end() && finalized + 1 != log.end() &&
               std::all_of(finalized + 1, log.end(), [&paint](const std::string& line) { return line == paint; });
    }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (const QByteArray& line : ReadAll(Path("component.log")).split('\n')) {
            if (!line.isEmpty())
                lines.push_back(line.toStdString());
        }
        return lines;
    }
    long Count(const std::string& line) const
    {
        const std::vector<std::string> log = Log();
        return std::count(log.begin(), log.end(), line);
    }
    void SendMouse(QEvent::Type type, Qt::MouseButton button)
    {
        QMouseEvent event(type, QPointF(5, 5), host_->mapToGlobal(QPointF(5, 5)), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
        QCoreApplication::sendEvent(host_.get(), &event);
    }
    QRgb FacePixel() const { return host_->grab().toImage().pixel(400, 40); }

    QTemporaryDir folder_;
    QByteArray version1_, version2_;
    std::unique_ptr<TCCC_Comp> host_;
    std::vector<platform::MessageRequest> messages_;
    platform::MessageFunction previousMessageFunction_;
};

TEST_F(ComponentHostTest, WithoutANameNothingIsLoaded)
{
    host_ = std::make_unique<TCCC_Comp>();
    EXPECT_EQ(host_->size(), QSize(470, 65));
    EXPECT_TRUE(host_->Timer()->isActive());
    EXPECT_EQ(host_->Timer()->interval(), 2500);
    host_->TimerTimer();
    host_->CheckNow();
    host_->SetDLLName("");
    EXPECT_FALSE(TCCC_Comp::IsComponentLoaded());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(host_->Timer()->isActive());
}

TEST_F(ComponentHostTest, EntryPointsAreCalledInTheirSituations)
{
    Orders("");
    CreateHost();
    host_->resize(20, 10);
    EXPECT_EQ(TCCC_Comp::LoadedComponentPath(), ComponentPath());
    EXPECT_TRUE(Log().empty());

    host_->TimerTimer();
    EXPECT_EQ(Log(), std::vector<std::string>{"v1 CompPaint 20x10"}) << "the first paint only paints";

    host_->TimerTimer();
    TCCC_Comp::WaitForInitialisations();
    EXPECT_EQ(host_->size(), QSize(470, 65));
    EXPECT_EQ(Count("v1 DllToDownload " + Path("comp").toStdString()), 1);
    EXPECT_EQ(Count("v1 CompInitialization"), 1);
    EXPECT_EQ(Count("v1 CompInitialization returns"), 1);
    EXPECT_EQ(Count("v1 CompPaint 470x65"), 1) << "painted after starting the check";
    EXPECT_EQ(Log().size(), 5u);

    host_->TimerTimer();
    EXPECT_EQ(Log().size(), 6u);
    EXPECT_EQ(Log().back(), "v1 CompPaint 470x65");

    host_->CheckNow();  // after the first check returned: only a new initialisation
    TCCC_Comp::WaitForInitialisations();
    EXPECT_EQ(Count("v1 CompInitialization"), 2);
    EXPECT_EQ(Count("v1 DllToDownload " + Path("comp").toStdString()), 1);

    SendMouse(QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_EQ(Count("v1 CompMouseLeftClick"), 0) << "a left click is heard on release";
    SendMouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonDblClick, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonPress, Qt::RightButton);
    SendMouse(QEvent::MouseButtonRelease, Qt::RightButton);
    SendMouse(QEvent::MouseButtonDblClick, Qt::RightButton);
    EXPECT_EQ(Count("v1 CompMouseLeftClick"), 1);
    EXPECT_EQ(Count("v1 CompMouseLeftDoubleClick"), 1);
    EXPECT_EQ(Count("v1 CompMouseRightClick"), 1);
    EXPECT_EQ(Count("v1 CompMouseRightDoubleClick"), 1);

    EXPECT_EQ(host_->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(FacePixel(), kVersion1Face);

    host_.reset();
    EXPECT_EQ(Log().back(), "v1 CompFinalization");
    EXPECT_EQ(Count("v1 CompMessage"), 0);
    EXPECT_FALSE(TCCC_Comp::IsComponentLoaded());
    EXPECT_FALSE(IsResident(ComponentPath()));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ComponentHostTest, AnExposureLetsTheLibraryPaintWithoutRepaintingForever)
{
    Orders("");
    CreateHost();
    host_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Count("v1 CompPaint 470x65") >= 1; }, 5000));
    // Everything the paint set going has run: a paint that asked for another
    // would show up as more paints with every round of events.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    EXPECT_LE(Log().size(), 2u);
    EXPECT_EQ(FacePixel(), kVersion1Face);
}

TEST_F(ComponentHostTest, ASecondCheckBringsTheDownloadWindowForward)
{
    Orders("hold\nwindow\n");
    CreateHost();
    host_->CheckNow();
    QWidget* window = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->objectName() == "TAutoDownloadForm")
            window = candidate;
    }
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());

    host_->CheckNow();  // the first initialisation is still running
    EXPECT_TRUE(window->isVisible());

    WriteAll(Path("release"), "");
    TCCC_Comp::WaitForInitialisations();
    EXPECT_EQ(Count("v1 CompInitialization"), 1);
    host_->CheckNow();
    TCCC_Comp::WaitForInitialisations();
    EXPECT_EQ(Count("v1 CompInitialization"), 2);
    EXPECT_EQ(Count("v1 DllToDownload " + Path("comp").toStdString()), 2);
}

TEST_F(ComponentHostTest, AClosedHostKeepsTheLibraryUntilItsInitialisationReturns)
{
    Orders("hold\n");
    CreateHost();
    host_->CheckNow();
    host_.reset();
    EXPECT_EQ(Count("v1 CompFinalization"), 1);
    EXPECT_TRUE(IsResident(ComponentPath())) << "a thread is still inside the library";

    WriteAll(Path("release"), "");
    TCCC_Comp::WaitForInitialisations();
    EXPECT_EQ(Count("v1 CompInitialization returns"), 1);
    EXPECT_FALSE(IsResident(ComponentPath()));
}

TEST_F(ComponentHostTest, InstallsADownloadedCompressedVersion)
{
    const QByteArray compressed = Compressed(version2_);
    ASSERT_LT(compressed.size(), version2_.size());
    WriteAll(Path("comp.so.tmp"), compressed);
    Orders("download " + Path("comp.so.tmp").toUtf8() + "\n");
    CreateHost();
    TickUntilInstalled();

    EXPECT_TRUE(host_->Timer()->isActive());
    EXPECT_EQ(TCCC_Comp::LoadedComponentPath(), ComponentPath());
    EXPECT_EQ(ReadAll(ComponentPath()), version2_);
    EXPECT_EQ(ReadAll(Path("comp.so.Old")), version1_);
    EXPECT_FALSE(QFile::exists(Path("comp.so.tmp")));
    EXPECT_FALSE(QFile::exists(Path("DeCmpres.dll")));
    EXPECT_TRUE(OnlyPaintsAfterFinalization(2));
    EXPECT_EQ(FacePixel(), kVersion2Face);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ComponentHostTest, ANewVersionThatWillNotLoadIsRolledBack)
{
    WriteAll(Path("comp.so.tmp"), "downloaded, but no library");
    Orders("download " + Path("comp.so.tmp").toUtf8() + "\n");
    CreateHost();
    TickUntilInstalled();

    EXPECT_EQ(TCCC_Comp::LoadedComponentPath(), ComponentPath());
    EXPECT_EQ(ReadAll(ComponentPath()), version1_);
    for (const char* leftover : {"comp.so.Old", "comp.so.tmp", "DeCmpres.dll"})
        EXPECT_FALSE(QFile::exists(Path(leftover))) << leftover;
    EXPECT_TRUE(OnlyPaintsAfterFinalization(1)) << "the previous version runs again";
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ComponentHostTest, ADamagedDownloadLeavesTheRunningVersionAlone)
{
    WriteAll(Path("comp.so.tmp"), Compressed(version2_).chopped(100));
    Orders("download " + Path("comp.so.tmp").toUtf8() + "\n");
    CreateHost();
    TickUntilInstalled();

    EXPECT_EQ(ReadAll(ComponentPath()), version1_);
    for (const char* leftover : {"comp.so.Old", "comp.so.tmp", "DeCmpres.dll"})
        EXPECT_FALSE(QFile::exists(Path(leftover))) << leftover;
    EXPECT_EQ(Count("v1 CompFinalization"), 0);
    EXPECT_EQ(Log().back(), "v1 CompPaint 470x65");
}

TEST_F(ComponentHostTest, ADownloadForAPlaceWithoutAComponentKeepsTheRunningVersion)
{
    ASSERT_TRUE(QDir(folder_.path()).mkdir("elsewhere"));
    WriteAll(Path("elsewhere/comp.so.tmp"), Compressed(version2_));
    Orders("download " + Path("elsewhere/comp.so.tmp").toUtf8() + "\n");
    CreateHost();
    TickUntilInstalled();

    EXPECT_EQ(TCCC_Comp::LoadedComponentPath(), ComponentPath());
    EXPECT_TRUE(OnlyPaintsAfterFinalization(1));
    EXPECT_TRUE(QDir(Path("elsewhere")).isEmpty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ComponentHostTest, ALibraryThatWillNotLoadIsReportedAndLeftInPlace)
{
    host_ = std::make_unique<TCCC_Comp>();
    host_->SetDLLName(Path("missing"));
    WriteAll(Path("broken.so"), "not a library");
    host_->SetDLLName(Path("broken"));

    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text,
              "Could not launch the Application. missing.so has been deleted or missing,Please reinstall the Program");
    EXPECT_EQ(messages_[0].caption, "Tavrin Audio Component");
    EXPECT_EQ(messages_[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(messages_[1].text,
              "Could not launch the Application. broken.so has been deleted or missing,Please reinstall the Program");
    EXPECT_TRUE(QFile::exists(Path("broken.so")));
    EXPECT_FALSE(TCCC_Comp::IsComponentLoaded());
    host_->TimerTimer();
    host_->CheckNow();
    EXPECT_EQ(messages_.size(), 2u);
}

}  // namespace
}  // namespace prefs

#include "export_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <unistd.h>

namespace export_files {

namespace {

const QString kProcessedPattern = QStringLiteral("coolXXXXXX");
const QString kCopyFolderPattern = QStringLiteral("parrotel-XXXXXX");
const QString kFallbackTempFolder = QStringLiteral("/tmp");

// Runs mkstemp or mkdtemp on folder/pattern; the created path, or an empty
// string when it failed.
template <typename Create>
QString CreateUnique(const QString& folder, const QString& pattern, Create create)
{
    QByteArray path = QFile::encodeName(QDir(folder).filePath(pattern));
    return create(path.data()) ? QFile::decodeName(path) : QString();
}

}  // namespace

QString TempFolder(const QString& systemTemp)
{
    if (systemTemp.isEmpty() || size_t(QFile::encodeName(systemTemp).size()) > kMaxTempFolderBytes)
        return kFallbackTempFolder;
    return systemTemp;
}

QString TempFolder() { return TempFolder(QDir::tempPath()); }

std::string DefaultRealAudioName(const std::string& voiceFileName, const std::string& tempFolder,
                                 const std::string& userFolder)
{
    const std::string untitled =
        QFile::encodeName(QDir(QFile::decodeName(tempFolder.c_str())).filePath(kUntitledRealAudioName)).toStdString();
    if (voiceFileName.empty())
        return untitled;
    const size_t slash = voiceFileName.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = voiceFileName.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : voiceFileName.size();
    const std::string stem = voiceFileName.substr(nameStart, stemEnd - nameStart);
    std::string folder = voiceFileName.substr(0, nameStart);
    // access() asks the file system itself: a read-only one refuses even root.
    if (access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        folder = userFolder + "/";
    const std::string proposed = folder + stem + ".ra";
    return proposed.size() < kRealAudioPathBuffer ? proposed : untitled;
}

QString UserAudioFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

ExportFiles::ExportFiles(QString tempFolder) : tempFolder_(std::move(tempFolder)) {}

ExportFiles::~ExportFiles()
{
    if (!copy_.isEmpty())
        QFile::remove(copy_);
    if (!copyFolder_.isEmpty())
        QDir().rmdir(copyFolder_);
    if (!processed_.isEmpty())
        QFile::remove(processed_);
}

bool ExportFiles::CreateProcessedFile()
{
    processed_ = CreateUnique(tempFolder_, kProcessedPattern, [](char* path) {
        const int fd = mkstemp(path);
        if (fd < 0)
            return false;
        close(fd);
        return true;
    });
    return !processed_.isEmpty();
}

bool ExportFiles::CopyForEncoder()
{
    copyFolder_ = CreateUnique(tempFolder_, kCopyFolderPattern, [](char* path) { return mkdtemp(path) != nullptr; });
    if (copyFolder_.isEmpty())
        return false;
    copy_ = QDir(copyFolder_).filePath(kCopyName);
    return QFile::copy(processed_, copy_);
}

QString ExportFiles::processedPattern() const { return QDir(tempFolder_).filePath(kProcessedPattern); }

QString ExportFiles::copyPattern() const
{
    return QDir(QDir(tempFolder_).filePath(kCopyFolderPattern)).filePath(kCopyName);
}

}  // namespace export_files

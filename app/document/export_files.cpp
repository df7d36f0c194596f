#include "export_files.h"

#include <QDir>
#include <QFile>

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

std::string DefaultRealAudioName(const std::string& voiceFileName, const std::string& tempFolder)
{
    const std::string untitled =
        QFile::encodeName(QDir(QFile::decodeName(tempFolder.c_str())).filePath(kUntitledRealAudioName)).toStdString();
    if (voiceFileName.empty())
        return untitled;
    const size_t nameStart = voiceFileName.rfind('/') == std::string::npos ? 0 : voiceFileName.rfind('/') + 1;
    const size_t dot = voiceFileName.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : voiceFileName.size();
    const std::string proposed = voiceFileName.substr(0, stemEnd) + ".ra";
    return proposed.size() < kRealAudioPathBuffer ? proposed : untitled;
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

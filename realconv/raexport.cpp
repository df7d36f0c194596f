#include "realconv.h"

#include "export_dialog.h"

#include <QApplication>
#include <QFile>
#include <QThread>

#include <cstring>

namespace {

// One export at a time in the process.
realconv::ExportState& LibraryState()
{
    static realconv::ExportState state;
    return state;
}

bool ExportOpen = false;

// Copies path into the caller's buffer, cut at a character boundary when it
// does not fit.
void WriteBack(const QString& path, char* buffer)
{
    const QByteArray bytes = QFile::encodeName(path);
    qsizetype length = std::min<qsizetype>(bytes.size(), realconv::kMaxPathBytes);
    if (length < bytes.size())
        while (length > 0 && (uint8_t(bytes[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(buffer, bytes.constData(), size_t(length));
    buffer[length] = '\0';
}

}  // namespace

extern "C" int32_t RAExport(void* ownerWindow, const char* sourceWavePath, char* targetPath)
{
    constexpr int32_t kNotExported = 1;
    const QCoreApplication* application = QCoreApplication::instance();
    if (!sourceWavePath || !targetPath || !qobject_cast<const QApplication*>(application) ||
        QThread::currentThread() != application->thread() || ExportOpen)
        return kNotExported;
    const size_t sourceLength = strnlen(sourceWavePath, realconv::kMaxPathBytes + 1);
    if (sourceLength > size_t(realconv::kMaxPathBytes))
        return kNotExported;
    const size_t targetLength = strnlen(targetPath, realconv::kMaxPathBytes);

    ExportOpen = true;
    realconv::ExportState& state = LibraryState();
    state.sourcePath.assign(sourceWavePath, sourceLength);
    state.targetPath = QFile::decodeName(QByteArray(targetPath, qsizetype(targetLength)));
    state.stop = false;
    state.running = false;
    state.completed = false;
    state.errorCode = 0;
    {
        realconv::ExportDialog dialog(state, static_cast<QWidget*>(ownerWindow));
        dialog.exec();
    }
    WriteBack(state.targetPath, targetPath);
    ExportOpen = false;
    return state.completed ? 0 : kNotExported;
}

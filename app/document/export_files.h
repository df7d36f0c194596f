// The temporary files behind an MP3 or RealAudio export, and the names an
// export proposes.
//
// The processed voice is written to a unique file whose name starts with
// "cool" in the temporary folder; the encoders read a copy of it named
// "MYFILE.WAV". The copy lies in a folder of its own inside the temporary
// folder: the temporary folder is shared by every program and every user, and
// two running copies of the program must never read, replace or delete each
// other's voice.
#pragma once

#include <QString>

#include <cstddef>
#include <string>

namespace export_files {

// The longest temporary folder an export works in, in bytes. The RealAudio
// library takes paths in 260-byte buffers; every path built on the folder
// stays well inside them.
inline constexpr std::size_t kMaxTempFolderBytes = 128;
inline constexpr std::size_t kRealAudioPathBuffer = 260;

inline const QString kCopyName = QStringLiteral("MYFILE.WAV");
inline const QString kMp3DestinationName = QStringLiteral("MYFILE.MP3");
inline const char* const kUntitledRealAudioName = "MYFILE.ra";

// systemTemp when its path fits kMaxTempFolderBytes, else "/tmp".
QString TempFolder(const QString& systemTemp);
// The system's temporary folder (TMPDIR, else /tmp), as TempFolder chooses.
QString TempFolder();

// The RealAudio file an export proposes: the voice's file with its extension
// replaced by ".ra", in the voice's folder, or in userFolder when the voice's
// folder takes no new file (a sample voice installed in a read-only folder);
// tempFolder + "/MYFILE.ra" for an untitled voice. A name that would not fit
// the library's buffer is never cut short (a shortened path may name another
// file): the untitled name stands in.
std::string DefaultRealAudioName(const std::string& voiceFileName, const std::string& tempFolder,
                                 const std::string& userFolder);
// The user's own folder for sound: the XDG music folder when it exists, else
// the home folder.
QString UserAudioFolder();

// The files of one export, removed (with the copy's folder) when the object
// goes, whether the export succeeded or not.
class ExportFiles {
public:
    explicit ExportFiles(QString tempFolder);
    ~ExportFiles();
    ExportFiles(const ExportFiles&) = delete;
    ExportFiles& operator=(const ExportFiles&) = delete;

    // Creates the unique empty file for the processed voice. False when the
    // folder cannot take it.
    bool CreateProcessedFile();
    // Copies the processed voice to "MYFILE.WAV" in a new private folder.
    // False when the folder or the copy cannot be made.
    bool CopyForEncoder();

    const QString& tempFolder() const { return tempFolder_; }
    // The unique file (empty until created), its copy and the copy's folder.
    const QString& processed() const { return processed_; }
    const QString& copy() const { return copy_; }
    const QString& copyFolder() const { return copyFolder_; }
    // What the messages name when a file cannot be created.
    QString processedPattern() const;
    QString copyPattern() const;

private:
    QString tempFolder_;
    QString processed_;
    QString copyFolder_;
    QString copy_;
};

}  // namespace export_files

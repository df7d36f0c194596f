#include "settings.h"

#include "files/atomic_file.h"
#include "ini_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace prefs {

namespace {

std::string ToFileText(const QString& text) { return text.toUtf8().toStdString(); }

// The file's text; an empty text when the file does not exist; nothing when
// it exists but cannot be read (then it must not be overwritten either).
std::optional<std::string> ReadFileText(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return std::string();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes.toStdString();
}

}  // namespace

QString SettingsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString SettingsPathIn(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + kSettingsFileName : folder + QLatin1Char('/') + kSettingsFileName;
}

QString SettingsFilePath() { return SettingsPathIn(SettingsFolder()); }

std::optional<QString> ReadProfileString(const QString& path, const QString& section, const QString& key)
{
    const std::optional<std::string> text = ReadFileText(path);
    if (!text)
        return std::nullopt;
    const std::optional<std::string> value = IniText(*text).Value(ToFileText(section), ToFileText(key));
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size()));
}

int ReadProfileInt(const QString& path, const QString& section, const QString& key, int fallback)
{
    const std::optional<QString> value = ReadProfileString(path, section, key);
    if (!value)
        return fallback;
    return ParseProfileInt(ToFileText(*value)).value_or(fallback);
}

bool WriteProfileString(const QString& path, const QString& section, const QString& key, const QString& value)
{
    const std::optional<std::string> text = ReadFileText(path);
    if (!text)
        return false;
    IniText ini(*text);
    if (!ini.SetValue(ToFileText(section), ToFileText(key), ToFileText(value)))
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    const std::string changed = ini.Text();
    return files::SaveWholeFile(QFile::encodeName(path).toStdString(), changed.data(), changed.size());
}

int ReadUpdateSetting()
{
    return ReadProfileInt(SettingsFilePath(), kSettingsSection, kUpdateSettingKey, kUpdateSettingDefault);
}

bool WriteUpdateSetting(int value)
{
    return WriteProfileString(SettingsFilePath(), kSettingsSection, kUpdateSettingKey, QString::number(value));
}

}  // namespace prefs

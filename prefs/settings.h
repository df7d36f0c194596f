// The settings file "parrotel.ini" in the user's configuration folder, and the
// one preference it holds: whether update information is downloaded
// automatically.
//
// Reads and writes go through small private-profile calls over IniText: the
// file is read afresh each time, a missing file or key reads as the default,
// and a write changes one line and keeps everything else in the file. Writes
// replace the file atomically. Failures are not reported to the user.
#pragma once

#include <QString>

#include <optional>

namespace prefs {

inline const QString kSettingsFileName = QStringLiteral("parrotel.ini");
inline const QString kSettingsSection = QStringLiteral("Settings");
inline const QString kUpdateSettingKey = QStringLiteral("Update Enabled/Disabled :");
inline constexpr int kUpdateSettingDefault = 1;

// The user's configuration folder (XDG_CONFIG_HOME or ~/.config), or the home
// folder when there is none.
QString SettingsFolder();
// folder + "/" + "parrotel.ini", with no second slash when folder ends in one.
QString SettingsPathIn(const QString& folder);
// Computed afresh on every call, so it follows the environment.
QString SettingsFilePath();

// The key's value in the file, or nothing when the file, section or key is
// missing or the file cannot be read.
std::optional<QString> ReadProfileString(const QString& path, const QString& section, const QString& key);
// The key's value as an integer, or fallback when it is absent or not a number.
int ReadProfileInt(const QString& path, const QString& section, const QString& key, int fallback);
// Sets the key, creating the folder and the file as needed. Returns false,
// leaving the file as it was, when it cannot be read or replaced.
bool WriteProfileString(const QString& path, const QString& section, const QString& key, const QString& value);

// The update preference: 1 = download update information automatically,
// 0 = do not; 1 when the file holds nothing usable.
int ReadUpdateSetting();
bool WriteUpdateSetting(int value);

}  // namespace prefs

#pragma once
// Where the host product keeps its files, read at start-up.
//
// The product's settings live under the key SOFTWARE\Vantrix\General of the machine's settings
// (QSettings system scope, organisation "Vantrix", application "General"; on Windows this is the
// registry key under HKEY_LOCAL_MACHINE). A value missing there is looked for in the operator's
// per-user store (QSettings user scope, same names), moved to the key and deleted from the
// per-user store. On Linux the two scopes are the files
//   system:   <first entry of $XDG_CONFIG_DIRS, default /etc/xdg>/Vantrix/General.conf
//   per-user: <$XDG_CONFIG_HOME, default ~/.config>/Vantrix/General.conf
// so setting both variables points the product's settings at a sandbox.
#include <QSettings>
#include <QString>
#include <QStringList>

class Operator;
struct RunState;

// The two hives a setting may be read from or written to, with the registry's numbers (messages
// show them as signed decimals, as the registry API reports them).
inline constexpr qint32 HKeyCurrentUser = static_cast<qint32>(0x80000001u);   // per-user store
inline constexpr qint32 HKeyLocalMachine = static_cast<qint32>(0x80000002u);  // machine settings

inline constexpr const char kHostSettingsKey[] = "SOFTWARE\\Vantrix\\General";
inline constexpr const char kVXUDir[] = "VXUDir";
inline constexpr const char kVXDBListDir[] = "VXDBListDir";

// The value `ValueName` under `SubKey` of `hKey` when it is stored as a text; `Default` in every
// other case (no such key or value, a value of another type, an unknown hive, an unreadable
// store). The text ends at its first NUL character.
QString GetSettingString(qint32 hKey, const QString& SubKey, const QString& ValueName,
                         const QString& Default = {});

// Stores `strData` as the text value `strValue` under `strPath` of `hKey`. On failure shows the
// operator the box that says administrator rights are needed and returns false; nothing is raised.
bool SaveSettingString(Operator& op, qint32 hKey, const QString& strPath, const QString& strValue,
                       const QString& strData);

// The same store without the operator: the settings' status after the write has been synced.
QSettings::Status StoreSettingString(qint32 hKey, const QString& strPath, const QString& strValue,
                                     const QString& strData, QString* fileName = nullptr);

// The file that holds `SubKey` of `hKey` (absolute; it need not exist); empty for an unknown hive.
QString SettingsFile(qint32 hKey, const QString& SubKey);

// The per-user store, addressed as application, section and key.
QString GetSetting(const QString& AppName, const QString& Section, const QString& Key,
                   const QString& Default = {});
// Deletes a per-user value; true when it is gone from the store's file afterwards.
bool DeleteSetting(const QString& AppName, const QString& Section, const QString& Key);

// Reads VXUDir and VXDBListDir with the rules above; each without its trailing separator
// (a trailing separator is removed and the shortened value written back). False when either
// value is missing from both stores. A value is deleted from the per-user store only after it
// was saved under the machine key: when the save fails the operator sees the box of
// SaveSettingString and the per-user copy stays, so the setting is not lost.
bool GetHostSettings(Operator& op, QString& gVXUDir, QString& gVXDBListDir);
bool GetHostSettings(RunState& rs);

// The names of the two values (VXUDir, VXDBListDir) that neither store holds.
QStringList MissingHostSettings();

// The file of the machine's or the operator's settings when it exists but cannot be read (damaged,
// or not readable for this user); empty when both can be read. A store that cannot be read is never
// taken for one without the product's values.
QString UnreadableHostSettingsFile();

// The edition, "MENDLY" or "VANTRIX", known before start-up: the environment variable
// CREW_EDITION when it is set (either word, any letter case); otherwise "MENDLY" when the
// program's file name contains "mendly" (any letter case), else "VANTRIX". Any other value of
// CREW_EDITION raises DaoError 5.
QString GetEdition(const QString& programPath);

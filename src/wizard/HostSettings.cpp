#include "wizard/HostSettings.h"

#include "common/Lookups.h"
#include "run/Operator.h"
#include "run/RunState.h"
#include "db/DaoError.h"

#include <QFileInfo>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

namespace {

const QChar CR(13);

// The settings object behind a hive and a key path such as SOFTWARE\Vantrix\General: the first
// two names after SOFTWARE are the organisation and the application, any further names a group.
// Null for an unknown hive or a path that names no application.
std::unique_ptr<QSettings> OpenKey(qint32 hKey, const QString& subKey)
{
    QSettings::Scope scope;
    if (hKey == HKeyLocalMachine)
        scope = QSettings::SystemScope;
    else if (hKey == HKeyCurrentUser)
        scope = QSettings::UserScope;
    else
        return nullptr;
    QStringList parts = subKey.split('\\', Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare("SOFTWARE", Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.size() < 2)
        return nullptr;
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, scope, parts[0], parts[1]);
    // A registry key never shows the values of another hive; the per-user object of QSettings
    // would otherwise fall back to the machine's values.
    s->setFallbacksEnabled(false);
    if (parts.size() > 2)
        s->beginGroup(parts.mid(2).join('/'));
    return s;
}

std::unique_ptr<QSettings> OpenUserStore(const QString& appName, const QString& section)
{
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, appName, section);
    s->setFallbacksEnabled(false);
    return s;
}

// A stored text: the value when it is a single text, nothing otherwise.
std::optional<QString> StoredText(const QSettings& s, const QString& name)
{
    if (s.status() != QSettings::NoError)
        return std::nullopt;
    const QVariant v = s.value(name);
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

QString SettingsSubKey() { return QString::fromLatin1(kHostSettingsKey); }

// True when the per-user store and the machine key are one and the same file (both scopes
// pointed at one directory): then there is nothing to move and nothing may be deleted.
bool StoresCoincide()
{
    const auto machine = OpenKey(HKeyLocalMachine, SettingsSubKey());
    const auto user = OpenUserStore("Vantrix", "General");
    return QFileInfo(machine->fileName()).absoluteFilePath() == QFileInfo(user->fileName()).absoluteFilePath();
}

bool EndsWithSeparator(const QString& v) { return v.endsWith('\\') || v.endsWith('/'); }

}  // namespace

QString GetSettingString(qint32 hKey, const QString& SubKey, const QString& ValueName, const QString& Default)
{
    const auto key = OpenKey(hKey, SubKey);
    if (!key)
        return Default;
    auto text = StoredText(*key, ValueName);
    if (!text)
        return Default;
    const int nul = text->indexOf(QChar(0));
    if (nul >= 0)
        text->truncate(nul);
    return *text;
}

QSettings::Status StoreSettingString(qint32 hKey, const QString& strPath, const QString& strValue,
                                     const QString& strData, QString* fileName)
{
    const auto key = OpenKey(hKey, strPath);
    if (!key)
        return QSettings::AccessError;
    if (fileName)
        *fileName = key->fileName();
    if (key->status() != QSettings::NoError)
        return key->status();  // an unreadable store is never written over
    key->setValue(strValue, strData);
    key->sync();
    return key->status();
}

QString SettingsFile(qint32 hKey, const QString& SubKey)
{
    const auto key = OpenKey(hKey, SubKey);
    return key ? QFileInfo(key->fileName()).absoluteFilePath() : QString();
}

bool SaveSettingString(Operator& op, qint32 hKey, const QString& strPath, const QString& strValue,
                       const QString& strData)
{
    if (StoreSettingString(hKey, strPath, strValue, strData) == QSettings::NoError)
        return true;
    op.MsgBox(QString("Error occured in sub SaveSettingString, was ") + "unable to save " + CR +
              "hKey '" + QString::number(hKey) + "' " + CR +
              "strPath '" + strPath + "' " + CR +
              "strValue '" + strValue + "' " + CR +
              "strData '" + strData + "' " + CR + CR +
              "The most likely cause is that you are " + CR +
              "not logged into your computer " + CR +
              "as an administrator." + CR + CR +
              "Certain operations such as installing the software" + CR +
              "or changing paths to certain key files, " + CR +
              "requires that you are logged into " + CR +
              "your computer as an adminstrator.");
    return false;
}

QString GetSetting(const QString& AppName, const QString& Section, const QString& Key, const QString& Default)
{
    const auto store = OpenUserStore(AppName, Section);
    return StoredText(*store, Key).value_or(Default);
}

bool DeleteSetting(const QString& AppName, const QString& Section, const QString& Key)
{
    const auto store = OpenUserStore(AppName, Section);
    if (store->status() != QSettings::NoError)
        return false;
    store->remove(Key);
    store->sync();
    return store->status() == QSettings::NoError;
}

bool GetHostSettings(Operator& op, QString& gVXUDir, QString& gVXDBListDir)
{
    try {
        const QString key = SettingsSubKey();
        const bool oneStore = StoresCoincide();
        const struct {
            const char* name;
            QString& target;
        } values[] = {{kVXUDir, gVXUDir}, {kVXDBListDir, gVXDBListDir}};
        for (const auto& entry : values) {
            const QString name = QString::fromLatin1(entry.name);
            QString value = GetSettingString(HKeyLocalMachine, key, name, "-1");
            if (value == "-1") {
                const QString userValue = GetSetting("Vantrix", "General", name, "-1");
                if (userValue == "-1")
                    return false;
                value = userValue;
                // The per-user copy goes only once the machine key holds the value; without
                // administrator rights the save fails and the copy is all the operator has.
                // A copy that cannot be deleted now is deleted at a later start.
                if (SaveSettingString(op, HKeyLocalMachine, key, name, value) && !oneStore)
                    DeleteSetting("Vantrix", "General", name);
            } else if (!oneStore && GetSetting("Vantrix", "General", name, "-1") != "-1") {
                DeleteSetting("Vantrix", "General", name);
            }
            if (EndsWithSeparator(value)) {
                value.chop(1);
                SaveSettingString(op, HKeyLocalMachine, key, name, value);
            }
            entry.target = value;
        }
        return true;
    } catch (const dao::DaoError& e) {
        ShowError(op, e);
        return false;
    }
}

bool GetHostSettings(RunState& rs) { return GetHostSettings(rs.op, rs.gVXUDir, rs.gVXDBListDir); }

QStringList MissingHostSettings()
{
    QStringList missing;
    for (const char* name : {kVXUDir, kVXDBListDir}) {
        const QString value = QString::fromLatin1(name);
        if (GetSettingString(HKeyLocalMachine, SettingsSubKey(), value, "-1") == "-1" &&
            GetSetting("Vantrix", "General", value, "-1") == "-1")
            missing << value;
    }
    return missing;
}

QString UnreadableHostSettingsFile()
{
    const auto machine = OpenKey(HKeyLocalMachine, SettingsSubKey());
    const auto user = OpenUserStore("Vantrix", "General");
    for (QSettings* store : {machine.get(), user.get()}) {
        store->allKeys();  // the file is parsed when it is first read: only then is its status known
        const QFileInfo file(store->fileName());
        if (store->status() != QSettings::NoError || (file.exists() && !file.isReadable()))
            return file.absoluteFilePath();
    }
    return {};
}

QString GetEdition(const QString& programPath)
{
    const QString chosen = qEnvironmentVariable("CREW_EDITION").trimmed().toUpper();
    if (!chosen.isEmpty()) {
        if (chosen == "MENDLY" || chosen == "VANTRIX")
            return chosen;
        throw dao::DaoError(5, "Invalid procedure call or argument: CREW_EDITION is '" +
                                   qEnvironmentVariable("CREW_EDITION") + "', not MENDLY or VANTRIX.");
    }
    return QFileInfo(programPath).fileName().contains("mendly", Qt::CaseInsensitive) ? "MENDLY" : "VANTRIX";
}

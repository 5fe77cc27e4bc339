#pragma once
// Helpers of the host-product tests: an operator that records what it is shown, and a sandbox
// that points both settings scopes of this process at a temporary directory.
#include "run/Operator.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

class RecordingOperator : public Operator {
public:
    QStringList boxes;
    void MsgBox(const QString& text, MsgIcon = MsgIcon::None, const QString& = {}) override { boxes << text; }
    bool AskYesNo(const QString& text, const QString& = {}) override { boxes << text; return false; }
    std::optional<QString> InputBox(const QString& prompt, const QString&, const QString& = {}, bool = false) override
    {
        boxes << prompt;
        return std::nullopt;
    }
    void ShowPreParse(PreParse&) override {}
    std::optional<QString> ChangeValue(const QString&, int, int, const QString&) override { return std::nullopt; }
    void SetStatus(const QString&) override {}
    void SetProgress(double, double) override {}
    void SetBusy(bool) override {}
};

// Each sandbox is a fresh directory, so no settings file is ever shared between two tests.
class SettingsSandbox {
public:
    SettingsSandbox() { Point(dir.filePath("system"), dir.filePath("user")); }
    ~SettingsSandbox() { Point(QDir::tempPath() + "/crew-no-system", QDir::tempPath() + "/crew-no-user"); }

    static void Point(const QString& system, const QString& user)
    {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::SystemScope, system);
            QSettings::setPath(format, QSettings::UserScope, user);
        }
    }
    // Makes the machine settings unwritable whoever runs the test: their directory would have
    // to be made below a regular file.
    void BlockSystemScope()
    {
        QFile blocker(dir.filePath("blocker"));
        blocker.open(QIODevice::WriteOnly);
        Point(dir.filePath("blocker/system"), dir.filePath("user"));
    }
    void ShareOneDirectory() { Point(dir.filePath("both"), dir.filePath("both")); }

    QString SystemFile() const { return QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Vantrix", "General").fileName(); }
    QString UserFile() const { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vantrix", "General").fileName(); }

    // What a settings file holds on disk, read past any cache of QSettings.
    static QMap<QString, QString> OnDisk(const QString& file)
    {
        QMap<QString, QString> values;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return values;
        QTextStream in(&f);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            const qsizetype eq = line.indexOf('=');
            if (eq > 0 && !line.startsWith('['))
                values.insert(line.left(eq), line.mid(eq + 1));
        }
        return values;
    }
    static void Write(const QString& file, const QString& text)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
    }

    QTemporaryDir dir;
};

#include "HostTestSupport.h"
#include "db/DaoError.h"
#include "wizard/HostSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QString Key = kHostSettingsKey;

void SetMachine(const QString& name, const QVariant& value)
{
    QSettings s(QSettings::NativeFormat, QSettings::SystemScope, "Vantrix", "General");
    s.setValue(name, value);
    s.sync();
    ASSERT_EQ(s.status(), QSettings::NoError);
}

void SetUser(const QString& name, const QString& value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Vantrix", "General");
    s.setValue(name, value);
    s.sync();
    ASSERT_EQ(s.status(), QSettings::NoError);
}

class HostSettings : public ::testing::Test {
protected:
    SettingsSandbox box;
    RecordingOperator op;
    QString ux = "unset", lx = "unset";
};

TEST_F(HostSettings, GetSettingStringReturnsStoredTextsAndTheDefaultOtherwise)
{
    SetMachine("Text", "/srv/crew");
    SetMachine("List", QStringList{"a", "b"});
    SetMachine("WithNul", QString("abc") + QChar(0) + "def");
    SetMachine("Empty", "");
    SetUser("OnlyUser", "/home/op");

    EXPECT_EQ(GetSettingString(HKeyLocalMachine, "software\\Vantrix\\General", "Text", "-1"), "/srv/crew");
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, "WithNul", "-1"), "abc");
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, "Empty", "-1"), "");
    // Not a single text, missing, or in the other hive: the default.
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, "List", "-1"), "-1");
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, "OnlyUser", "-1"), "-1");
    EXPECT_EQ(GetSettingString(HKeyCurrentUser, Key, "Text", "-1"), "-1");
    EXPECT_EQ(GetSettingString(HKeyCurrentUser, Key, "OnlyUser", "-1"), "/home/op");
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, "Missing"), "");
    // The per-user store never falls back to the machine's values.
    EXPECT_EQ(GetSetting("Vantrix", "General", "Text", "-1"), "-1");
}

TEST_F(HostSettings, ValuesInTheMachineKeyLoseTheirTrailingSeparatorThereToo)
{
    SetMachine(kVXUDir, "C:\\Crew\\");
    SetMachine(kVXDBListDir, "/srv/crew/list/");

    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, "C:\\Crew");
    EXPECT_EQ(lx, "/srv/crew/list");
    EXPECT_TRUE(op.boxes.isEmpty()) << op.boxes.join('|').toStdString();
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, kVXUDir), "C:\\Crew");
    EXPECT_EQ(GetSettingString(HKeyLocalMachine, Key, kVXDBListDir), "/srv/crew/list");
    EXPECT_EQ(SettingsSandbox::OnDisk(box.SystemFile()).value(kVXDBListDir), "/srv/crew/list");
}

TEST_F(HostSettings, ValuesOnlyInThePerUserStoreAreMovedToTheMachineKey)
{
    SetUser(kVXUDir, "/home/op/crew");
    SetUser(kVXDBListDir, "/home/op/crew/list/");

    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, "/home/op/crew");
    EXPECT_EQ(lx, "/home/op/crew/list");
    EXPECT_TRUE(op.boxes.isEmpty());
    const auto machine = SettingsSandbox::OnDisk(box.SystemFile());
    EXPECT_EQ(machine.value(kVXUDir), "/home/op/crew");
    EXPECT_EQ(machine.value(kVXDBListDir), "/home/op/crew/list");
    const auto user = SettingsSandbox::OnDisk(box.UserFile());
    EXPECT_FALSE(user.contains(kVXUDir));
    EXPECT_FALSE(user.contains(kVXDBListDir));

    // The next start reads them from the machine key.
    QString ux2, lx2;
    ASSERT_TRUE(GetHostSettings(op, ux2, lx2));
    EXPECT_EQ(ux2, ux);
    EXPECT_EQ(lx2, lx);
}

TEST_F(HostSettings, TheMachineKeyWinsAndAStalePerUserCopyIsDeleted)
{
    SetMachine(kVXUDir, "/srv/crew");
    SetMachine(kVXDBListDir, "/srv/list");
    SetUser(kVXUDir, "/home/old");

    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, "/srv/crew");
    EXPECT_EQ(lx, "/srv/list");
    EXPECT_FALSE(SettingsSandbox::OnDisk(box.UserFile()).contains(kVXUDir));
}

TEST_F(HostSettings, APerUserValueIsKeptWhenTheMachineKeyCannotBeWritten)
{
    SetUser(kVXUDir, "/home/op/crew");
    SetUser(kVXDBListDir, "/home/op/list/");
    box.BlockSystemScope();

    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, "/home/op/crew");
    EXPECT_EQ(lx, "/home/op/list");
    // One box for each failed save: the move of both values and the trim of the second.
    ASSERT_EQ(op.boxes.size(), 3);
    const QString cr(QChar(13));
    EXPECT_EQ(op.boxes[0],
              "Error occured in sub SaveSettingString, was unable to save " + cr + "hKey '-2147483646' " + cr +
                  "strPath 'SOFTWARE\\Vantrix\\General' " + cr + "strValue 'VXUDir' " + cr +
                  "strData '/home/op/crew' " + cr + cr + "The most likely cause is that you are " + cr +
                  "not logged into your computer " + cr + "as an administrator." + cr + cr +
                  "Certain operations such as installing the software" + cr +
                  "or changing paths to certain key files, " + cr + "requires that you are logged into " + cr +
                  "your computer as an adminstrator.");
    EXPECT_TRUE(op.boxes[1].contains("strData '/home/op/list/' "));
    EXPECT_TRUE(op.boxes[2].contains("strData '/home/op/list' "));

    const auto user = SettingsSandbox::OnDisk(box.UserFile());
    EXPECT_EQ(user.value(kVXUDir), "/home/op/crew");
    EXPECT_EQ(user.value(kVXDBListDir), "/home/op/list/");
    EXPECT_FALSE(QFile::exists(box.SystemFile()));
}

TEST_F(HostSettings, AValueMissingFromBothStoresMeansNotInstalled)
{
    EXPECT_FALSE(GetHostSettings(op, ux, lx));

    SetMachine(kVXUDir, "/srv/crew");
    EXPECT_FALSE(GetHostSettings(op, ux, lx));

    SetUser(kVXDBListDir, "-1");  // the reader's own mark for "missing"
    EXPECT_FALSE(GetHostSettings(op, ux, lx));
    EXPECT_TRUE(op.boxes.isEmpty());
}

TEST_F(HostSettings, OneFileForBothScopesLosesNothing)
{
    box.ShareOneDirectory();
    SetMachine(kVXUDir, "/srv/crew/");
    SetMachine(kVXDBListDir, "/srv/list");

    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, "/srv/crew");
    QString ux2, lx2;
    ASSERT_TRUE(GetHostSettings(op, ux2, lx2));
    EXPECT_EQ(ux2, "/srv/crew");
    EXPECT_EQ(lx2, "/srv/list");
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Edition, ComesFromTheEnvironmentOrTheProgramName)
{
    {
        ScopedEnv unset("CREW_EDITION", nullptr);
        EXPECT_EQ(GetEdition("/usr/bin/crew-import"), "VANTRIX");
        EXPECT_EQ(GetEdition("/opt/Mendly/crew-import"), "VANTRIX");  // the file name decides
        EXPECT_EQ(GetEdition("/usr/bin/crew-import-Mendly"), "MENDLY");
    }
    {
        ScopedEnv mendly("CREW_EDITION", " mendly ");
        EXPECT_EQ(GetEdition("/usr/bin/crew-import"), "MENDLY");
    }
    {
        ScopedEnv vantrix("CREW_EDITION", "VANTRIX");
        EXPECT_EQ(GetEdition("/usr/bin/mendly-import"), "VANTRIX");
    }
    {
        ScopedEnv wrong("CREW_EDITION", "crew");
        try {
            GetEdition("crew-import");
            FAIL() << "an unknown edition was accepted";
        } catch (const dao::DaoError& e) {
            EXPECT_EQ(e.Number, 5);
            EXPECT_TRUE(e.Description.contains("'crew'"));
        }
    }
}

}  // namespace

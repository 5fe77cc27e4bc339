#include "HostTestSupport.h"
#include "db/Database.h"
#include "wizard/HostProduct.h"
#include "wizard/HostSetup.h"
#include "wizard/HostSettings.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

using dao::FieldType;

namespace {

// One column as the file declares it.
struct Column {
    dao::FieldInfo info;
    QString declared;
    QString collation;
    QString defaultSql;
};

std::vector<Column> Columns(sqlite3* db, const QString& table)
{
    std::vector<Column> out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = ("PRAGMA table_info(" + dao::quoteIdentifier(table) + ")").toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        const char *type = nullptr, *coll = nullptr;
        int notNull = 0, pk = 0, autoinc = 0;
        sqlite3_table_column_metadata(db, nullptr, table.toUtf8().constData(), name.toUtf8().constData(), &type,
                                      &coll, &notNull, &pk, &autoinc);
        Column c;
        c.info = dao::parseDeclaredType(name, QString::fromUtf8(type), notNull != 0, pk != 0 && autoinc != 0);
        c.declared = QString::fromUtf8(type).toUpper();
        c.collation = QString::fromUtf8(coll);
        if (sqlite3_column_type(st, 4) != SQLITE_NULL)
            c.defaultSql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 4)));
        out.push_back(c);
    }
    sqlite3_finalize(st);
    return out;
}

struct Sqlite {
    explicit Sqlite(const QString& path) { sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr); }
    ~Sqlite() { sqlite3_close(db); }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    qint64 scalar(const char* sql)
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        const qint64 v = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_finalize(st);
        return v;
    }
    sqlite3* db = nullptr;
};

class HostProduct : public ::testing::Test {
protected:
    void SetUp() override
    {
        templatePath = dir.filePath(kTemplateFileName);
        listPath = dir.filePath(kDatabaseListFileName);
        CreateTemplate(templatePath);
        CreateDatabaseList(listPath);
    }
    QTemporaryDir dir;
    QString templatePath, listPath;
};

// What the conversions write into the new database, with the types they rely on. Text fields
// that take an MP2 text whole must hold any Jet text (255 characters); the placeholders'
// texts must fit where they go; the fields cut to size by the import have exactly that size.
struct Need {
    const char* table;
    const char* field;
    std::vector<FieldType> types;  // acceptable types
    int minSize = 0;               // text: at least this many characters
    int exactSize = 0;             // text: exactly this many characters
};
const std::vector<FieldType> Number = {FieldType::Byte,   FieldType::Integer, FieldType::Long,
                                       FieldType::Single, FieldType::Double,  FieldType::Currency};
const std::vector<FieldType> Real = {FieldType::Single, FieldType::Double, FieldType::Currency};
const std::vector<FieldType> Money = {FieldType::Currency, FieldType::Double};
const std::vector<FieldType> Int16 = {FieldType::Integer};
const std::vector<FieldType> Int32 = {FieldType::Long};
const std::vector<FieldType> Text = {FieldType::Text, FieldType::Memo};
const std::vector<FieldType> Memo = {FieldType::Memo};
const std::vector<FieldType> Date = {FieldType::Date};
const std::vector<FieldType> YesNo = {FieldType::Boolean};
constexpr int Whole = 255;

const Need Needs[] = {
    {"Facility", "Name", Text, Whole}, {"Facility", "Address", Text, Whole}, {"Facility", "Address2", Text, 0, 50},
    {"Facility", "City", Text, Whole}, {"Facility", "State", Text, Whole}, {"Facility", "Zip", Text, Whole},
    {"Facility", "Country", Text, Whole}, {"Facility", "Phone", Text, 0, 25}, {"Facility", "Fax", Text, 0, 25},
    {"Facility", "Contact", Text, Whole},

    {"Equipment", "Equipment#", Text, 0, 30}, {"Equipment", "Description", Text, Whole},
    {"Equipment", "Location", Text, Whole}, {"Equipment", "OrigCost", Money}, {"Equipment", "Metered", YesNo},
    {"Equipment", "Units", Text, Whole}, {"Equipment", "AvgPerDay", Real}, {"Equipment", "SignalTag", Text, Whole},
    {"Equipment", "Stat", Text, 17 /* Last Good Reading */}, {"Equipment", "ScaleFactor", Number},
    {"Equipment", "Notes", Memo}, {"Equipment", "Status", Int16}, {"Equipment", "EquipmentUD1", Text, Whole},
    {"Equipment", "EquipmentUD2", Text, Whole}, {"Equipment", "EquipmentUD3", Text, Whole},

    {"Employee", "EmployeeNum", Text, Whole}, {"Employee", "LastName", Text, Whole},
    {"Employee", "FirstName", Text, Whole}, {"Employee", "Name", Text, Whole}, {"Employee", "Address", Text, Whole},
    {"Employee", "Address2", Text, 0, 50}, {"Employee", "City", Text, Whole}, {"Employee", "State", Text, Whole},
    {"Employee", "Zip", Text, Whole}, {"Employee", "Country", Text, Whole}, {"Employee", "Phone", Text, 0, 25},
    {"Employee", "HireDate", Date}, {"Employee", "Notes", Memo}, {"Employee", "Status", Int16},

    {"Task", "Description", Text, Whole}, {"Task", "Ref", Text}, {"Task", "Instructions", Memo},
    {"Task", "TaskPriorityId", Int16}, {"Task", "EmployeeId", Int32}, {"Task", "Status", Int16},

    {"TaskEq", "Task#", Int32}, {"TaskEq", "Equipment#", Text, 0, 30}, {"TaskEq", "ScheduleBy", Text, 4},
    {"TaskEq", "DayFrequency", Number}, {"TaskEq", "NextDueDate", Date}, {"TaskEq", "ScheduleType", Text, 5},
    {"TaskEq", "AssignedTo", Int16},

    {"Meter Readings", "Equipment#", Text, 0, 30}, {"Meter Readings", "Date", Date},
    {"Meter Readings", "Value", Real},

    {"WO", "Task#", Int32}, {"WO", "Equipment#", Text, 0, 30}, {"WO", "AssignedTo", Int16},
    {"WO", "DateComplete", Date}, {"WO", "DueDate", Date}, {"WO", "MiscCost", Money}, {"WO", "TotalCost", Money},
    {"WO", "LaborCost", Money}, {"WO", "InvyCost", Money}, {"WO", "TotalLaborHours", {FieldType::Double}},
    {"WO", "Notes", Memo}, {"WO", "WoType", Text, 12 /* Preventative */}, {"WO", "RecType", Int16},

    {"WoLabor", "WoNum", Int32}, {"WoLabor", "EmpId", Int32}, {"WoLabor", "Date", Date},
    {"WoLabor", "Hours", Real}, {"WoLabor", "Cost", Number}, {"WoLabor", "Notes", Memo},
    {"WoLabor", "RecType", Int16},

    {"WoItems", "WoNum", Int32}, {"WoItems", "ItemId", Int32}, {"WoItems", "Qty", {FieldType::Double}},
    {"WoItems", "UOM", Text}, {"WoItems", "Description", Memo /* an MP2 text and the work-order number */},
    {"WoItems", "RecType", Int16},

    {"Vendor", "Name", Text, Whole}, {"Vendor", "Address", Text, 0, 50}, {"Vendor", "Address2", Text, 0, 50},
    {"Vendor", "City", Text, Whole}, {"Vendor", "State", Text, Whole}, {"Vendor", "Zip", Text, Whole},
    {"Vendor", "Country", Text, Whole}, {"Vendor", "ContactName1", Text, Whole}, {"Vendor", "Phone", Text, 0, 25},
    {"Vendor", "Ext", Text, Whole}, {"Vendor", "Fax", Text, 0, 25}, {"Vendor", "TaxRate1", Real},
    {"Vendor", "TaxRate2", Real}, {"Vendor", "Notes", Memo}, {"Vendor", "Status", Int16},

    {"Invy", "Item#", Text, Whole}, {"Invy", "Description", Text, Whole}, {"Invy", "UOM", Text, Whole},
    {"Invy", "Location", Text}, {"Invy", "ReorderPoint", Int16}, {"Invy", "QtyOnOrder", Int16},
    {"Invy", "ReorderQty", Number}, {"Invy", "VendorId", Int32}, {"Invy", "Cost", {FieldType::Double}},
    {"Invy", "QOH", Number}, {"Invy", "Notes", Memo}, {"Invy", "Status", Int16},
};

// Keys assigned by the database on insert.
const std::pair<const char*, const char*> AutoKeys[] = {
    {"Employee", "Id"}, {"Vendor", "Id"}, {"Invy", "Id"}, {"Task", "Task#"}, {"WO", "WoNum"}};

TEST_F(HostProduct, TemplateHoldsEveryFieldTheConversionsWrite)
{
    Sqlite db(templatePath);
    std::map<QString, std::vector<Column>> tables;
    for (const Need& need : Needs) {
        auto& cols = tables[need.table];
        if (cols.empty())
            cols = Columns(db.db, need.table);
        ASSERT_FALSE(cols.empty()) << "no table " << need.table;
        auto it = std::find_if(cols.begin(), cols.end(), [&](const Column& c) { return c.info.Name == need.field; });
        ASSERT_NE(it, cols.end()) << need.table << "." << need.field << " is missing";
        const dao::FieldInfo& f = it->info;
        EXPECT_NE(std::find(need.types.begin(), need.types.end(), f.Type), need.types.end())
            << need.table << "." << need.field << " is " << dao::typeName(f.Type);
        if (f.Type == FieldType::Text) {
            EXPECT_GE(f.Size, need.minSize) << need.table << "." << need.field;
            if (need.exactSize)
                EXPECT_EQ(f.Size, need.exactSize) << need.table << "." << need.field;
        }
        if (need.exactSize)
            EXPECT_EQ(f.Type, FieldType::Text) << need.table << "." << need.field << " must be cut to size";
    }
    for (const auto& [table, key] : AutoKeys) {
        const auto cols = Columns(db.db, table);
        auto it = std::find_if(cols.begin(), cols.end(), [&](const Column& c) { return c.info.Name == key; });
        ASSERT_NE(it, cols.end()) << table << "." << key;
        EXPECT_TRUE(it->info.AutoNumber) << table << "." << key << " is not assigned on insert";
    }
}

// Every column of both files is declared the layer's way, so that types and sizes read back and
// text compares without regard to letter case.
TEST_F(HostProduct, EveryColumnIsDeclaredAsTheLayerReadsIt)
{
    for (const QString& path : {templatePath, listPath}) {
        Sqlite db(path);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'",
                           -1, &st, nullptr);
        int tableCount = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++tableCount;
            const QString table = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            for (const Column& c : Columns(db.db, table)) {
                const QString where = table + "." + c.info.Name;
                SCOPED_TRACE(where.toStdString());
                if (dao::isTextType(c.info.Type))
                    EXPECT_EQ(c.collation, "NOCASE");
                if (c.info.Type == FieldType::Boolean)
                    EXPECT_EQ(c.defaultSql, "0");
                if (c.info.Type == FieldType::Text)
                    EXPECT_LE(c.info.Size, 255);
                // An unknown declared type would read as a memo too.
                if (c.info.Type == FieldType::Memo)
                    EXPECT_TRUE(c.declared.startsWith("LONGTEXT")) << c.declared.toStdString();
            }
        }
        sqlite3_finalize(st);
        EXPECT_GT(tableCount, 0) << path.toStdString();
    }
}

// The driver's registration of a new database, and the wizard's look-up by file name.
TEST_F(HostProduct, DatabaseListTakesRegistrations)
{
    auto list = dao::Database::OpenDatabase(listPath);
    auto rs = list->OpenRecordset("DB", dao::dbOpenDynaset);
    for (int i = 1; i <= 2; ++i) {
        rs->AddNew();
        rs->Fields("Name") = QString("Plant %1").arg(i);
        rs->Fields("Path") = QString(300, 'd') + "/";  // longer than a text field holds
        rs->Fields("FileName") = QString("Plant%1.mdb").arg(i);
        rs->Update();
    }
    rs->Close();
    dao::Idle(dao::dbRefreshCache);
    auto found = list->OpenRecordset("Select * from DB where [FileName] = 'plant2.MDB'", dao::dbOpenDynaset);
    ASSERT_FALSE(found->EOF_());
    EXPECT_EQ(found->Fields("Id").Value().toLong(), 2);
    EXPECT_FALSE(found->Fields("IsDefault").Value().toBool());
}

class NewDatabase : public HostProduct {
protected:
    void SetUp() override
    {
        HostProduct::SetUp();
        const QString copy = dir.filePath("plant1.mdb");
        ASSERT_TRUE(QFile::copy(templatePath, copy));
        db = dao::Database::OpenDatabase(copy);
    }
    void TearDown() override
    {
        if (db)
            db->Close();
    }
    static int ErrorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const dao::DaoError& e) {
            return e.Number;
        }
        return 0;
    }
    std::shared_ptr<dao::Database> db;
};

TEST_F(NewDatabase, TaskEqKeyRejectsASecondScheduleOfTheSameTaskAndEquipment)
{
    auto rs = db->OpenRecordset("TaskEq", dao::dbOpenTable);
    rs->SetIndex("Task#");
    auto add = [&](const char* task, const char* eq) {
        rs->AddNew();
        rs->Fields("Task#") = task;  // the conversion writes the key as decimal text
        rs->Fields("Equipment#") = eq;
        rs->Fields("ScheduleBy") = "Days";
        rs->Update();
    };
    EXPECT_EQ(ErrorOf([&] { add("1", "PUMP-1"); }), 0);
    EXPECT_EQ(ErrorOf([&] { add("1", "PUMP-2"); }), 0);
    EXPECT_EQ(ErrorOf([&] { add("2", "PUMP-1"); }), 0);
    EXPECT_EQ(ErrorOf([&] { add("1", "PUMP-1"); }), 3022);
    EXPECT_EQ(ErrorOf([&] { add("1", "pump-1"); }), 3022);  // equipment numbers ignore letter case
    rs->Close();
    auto all = db->OpenRecordset("Select * from TaskEq", dao::dbOpenDynaset);
    all->MoveLast();
    EXPECT_EQ(all->RecordCount(), 3);
}

// The work-order history numbers itself by adding and deleting empty records: an empty record
// must be accepted, and a deleted number is never given out again.
TEST_F(NewDatabase, WorkOrdersTakeEmptyRecordsAndNeverReuseANumber)
{
    auto wo = db->OpenRecordset("WO", dao::dbOpenTable);
    wo->SetIndex("PrimaryKey");
    std::vector<qint64> numbers;
    for (int i = 0; i < 3; ++i) {
        wo->AddNew();
        wo->Update();
        wo->SetBookmark(wo->LastModified());
        numbers.push_back(wo->Fields("WoNum").Value().toLong());
    }
    EXPECT_EQ(numbers, (std::vector<qint64>{1, 2, 3}));
    wo->Delete();  // the last one
    dao::Idle(dao::dbRefreshCache);
    wo->AddNew();
    wo->Fields("RecType") = 3;
    wo->Update();
    wo->SetBookmark(wo->LastModified());
    EXPECT_EQ(wo->Fields("WoNum").Value().toLong(), 4);
    wo->Close();

    auto labor = db->OpenRecordset("WoLabor", dao::dbOpenTable);
    EXPECT_EQ(ErrorOf([&] { labor->SetIndex("PrimaryKey"); }), 0);
    labor->Close();
    dao::Idle(dao::dbRefreshCache);

    // The same rule holds in the file itself, whatever program writes it.
    db->Close();
    db.reset();
    Sqlite raw(dir.filePath("plant1.mdb"));
    ASSERT_EQ(raw.exec("DELETE FROM WO"), SQLITE_OK);
    ASSERT_EQ(raw.exec("INSERT INTO WO DEFAULT VALUES"), SQLITE_OK);
    EXPECT_EQ(raw.scalar("SELECT max(WoNum) FROM WO"), 5);
    EXPECT_NE(raw.exec("INSERT INTO WO (WoNum) VALUES (5)"), SQLITE_OK);  // "PrimaryKey" is unique
}

TEST_F(NewDatabase, PlaceholdersFitAndOverlongValuesAreRefused)
{
    auto emp = db->OpenRecordset("Employee", dao::dbOpenTable);
    emp->AddNew();
    emp->Fields("EmployeeNum") = "E77";
    emp->Fields("FirstName") = "MP2 was missing EMP rec,crew rec created,";
    emp->Fields("LastName") = "to save MP2 WO Labor history";
    emp->Fields("Name") = "MP2 was missing EMP rec,crew rec created, to save MP2 WO Labor history";
    emp->Fields("Address2") = QString(50, 'a');
    emp->Fields("Phone") = QString(25, '5');
    emp->Fields("Status") = 1;
    EXPECT_EQ(ErrorOf([&] { emp->Fields("Address2") = QString(51, 'a'); }), 3163);
    EXPECT_EQ(ErrorOf([&] { emp->Fields("Phone") = QString(26, '5'); }), 3163);
    EXPECT_EQ(ErrorOf([&] { emp->Update(); }), 0);
    emp->Close();

    auto invy = db->OpenRecordset("Invy", dao::dbOpenTable);
    invy->AddNew();
    invy->Fields("Item#") = QString(255, 'I');
    invy->Fields("Notes") = "MP2 was missing INVY rec, Vantrix rec created,to save MP2 WO Item history";
    invy->Fields("Status") = "1";
    EXPECT_EQ(ErrorOf([&] { invy->Update(); }), 0);
    invy->Close();

    auto eq = db->OpenRecordset("Equipment", dao::dbOpenTable);
    eq->AddNew();
    EXPECT_EQ(ErrorOf([&] { eq->Fields("Equipment#") = QString(31, 'E'); }), 3163);
    eq->Fields("Equipment#") = QString(30, 'E');
    eq->Fields("ScaleFactor") = "1";
    eq->Fields("Status") = "0";
    EXPECT_EQ(ErrorOf([&] { eq->Update(); }), 0);
    eq->Close();

    auto task = db->OpenRecordset("Task", dao::dbOpenTable);
    task->AddNew();
    EXPECT_EQ(ErrorOf([&] { task->Update(); }), 3314);  // a task is known by its Description
    task->CancelUpdate();
    task->Close();
}

TEST_F(HostProduct, AnExistingListIsNeverReplacedButTheTemplateIs)
{
    ASSERT_EQ(Sqlite(templatePath).exec("CREATE TABLE Leftover (x INT)"), SQLITE_OK);
    const QByteArray listBytes = [&] { QFile f(listPath); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    try {
        CreateDatabaseList(listPath);
        FAIL() << "an existing list was replaced";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 58);
    }
    QFile list(listPath);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), listBytes);

    CreateTemplate(templatePath);
    EXPECT_EQ(Sqlite(templatePath).scalar("SELECT count(*) FROM sqlite_master WHERE name = 'Leftover'"), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no scratch file left behind

    try {
        CreateTemplate(dir.filePath("missing/BlnkVtrx.vdb"));
        FAIL() << "a template was written into a missing directory";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 76);
    }
}

// crew-host-setup, in this process and as the program.
class HostSetup : public ::testing::Test {
protected:
    SettingsSandbox box;
    RecordingOperator op;
};

TEST_F(HostSetup, InstallsAProductThatStartUpFinds)
{
    const QString listDir = box.dir.filePath("product/list/");
    const QString userDir = box.dir.filePath("home/crew");
    const HostSetupResult r = SetUpHost(listDir, userDir);
    EXPECT_TRUE(r.listCreated);
    EXPECT_TRUE(QFileInfo(r.templatePath).isFile());
    EXPECT_TRUE(IsDatabaseList(r.listPath));
    EXPECT_TRUE(QFileInfo(userDir).isDir());
    EXPECT_EQ(r.settingsFile, box.SystemFile());

    QString ux, lx;
    ASSERT_TRUE(GetHostSettings(op, ux, lx));
    EXPECT_EQ(ux, QDir::cleanPath(userDir));
    EXPECT_EQ(lx, QDir::cleanPath(listDir));
    EXPECT_TRUE(QFile::exists(lx + "/" + kDatabaseListFileName));

    // A second setup keeps the registered databases.
    Sqlite(r.listPath).exec("INSERT INTO DB (Name, Path, FileName) VALUES ('Plant 1', '/srv/', 'Plant1.mdb')");
    EXPECT_FALSE(SetUpHost(listDir, userDir).listCreated);
    EXPECT_EQ(Sqlite(r.listPath).scalar("SELECT count(*) FROM DB"), 1);
}

TEST_F(HostSetup, ProgramReportsBadArgumentsAndUnwritablePlacesWithStatus2)
{
    const auto exe = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "crew-host-setup";
    if (!std::filesystem::exists(exe))
        GTEST_SKIP() << "crew-host-setup is not built";
    auto run = [&](const QStringList& args, const QString& systemDir, QString* output = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_DIRS", systemDir);
        env.insert("XDG_CONFIG_HOME", box.dir.filePath("user"));
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(exe.string()), args);
        p.waitForFinished(30000);
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString system = box.dir.filePath("system");
    const QString list = box.dir.filePath("list"), user = box.dir.filePath("crew");
    EXPECT_EQ(run({"--db-list-dir", list}, system), 2);
    EXPECT_EQ(run({"--db-list-dir", list, "--user-dir", user, "--extra"}, system), 2);

    QFile blocker(box.dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString said;
    EXPECT_EQ(run({"--db-list-dir", box.dir.filePath("blocker/list"), "--user-dir", user}, system, &said), 2);
    EXPECT_TRUE(said.contains("blocker/list")) << said.toStdString();
    EXPECT_EQ(run({"--db-list-dir", box.dir.filePath("other"), "--user-dir", user}, box.dir.filePath("blocker/etc"), &said), 2);
    EXPECT_TRUE(said.contains("VXDBListDir")) << said.toStdString();
    // A set-up that fails takes back what it made: the list's folder, its list and template.
    EXPECT_FALSE(QFileInfo::exists(box.dir.filePath("other"))) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(user)) << said.toStdString();
    EXPECT_EQ(run({"--db-list-dir", box.dir.filePath("made/list"), "--user-dir", blocker.fileName()}, system, &said), 2);
    EXPECT_TRUE(said.contains("the user folder '" + blocker.fileName() + "' is a file, not a folder")) << said.toStdString();
    EXPECT_TRUE(said.contains("what it had made was removed again")) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(box.dir.filePath("made"))) << said.toStdString();
    EXPECT_TRUE(QFileInfo(blocker.fileName()).isFile());  // never what it did not make
    EXPECT_FALSE(QFileInfo::exists(system + "/Vantrix/General.conf"));
    EXPECT_EQ(run({"--db-list-dir", list, "--user-dir", user, "--group", "no-such-group-here"}, system, &said), 2);
    EXPECT_TRUE(said.contains("no such group")) << said.toStdString();

    EXPECT_EQ(run({"--db-list-dir", list, "--user-dir", user}, system, &said), 0) << said.toStdString();
    EXPECT_EQ(said.count("(created)"), 2) << said.toStdString();
    EXPECT_EQ(SettingsSandbox::OnDisk(system + "/Vantrix/General.conf").value(kVXUDir), user);
    EXPECT_EQ(run({"--db-list-dir", list, "--user-dir", user}, system, &said), 0);
    EXPECT_TRUE(said.contains("existing list kept") && said.contains("(replaced)")) << said.toStdString();
}

}  // namespace

// Faults on the target side of a whole import: a disk that fills at any point, a target directory
// or database list that cannot be written, a database list held by someone else, and a working
// copy that cannot be made in the current directory. Every one ends with its trap's message, the
// new database removed, the list as it was, the source untouched and the log holding every line
// written before the fault.
#include "FaultVfs.h"
#include "support/ReliabilitySupport.h"
#include "common/Clock.h"
#include "convert/equipment/PreParse.h"
#include "import/Driver.h"
#include "run/EndProgram.h"
#include "run/ScriptedOperator.h"
#include "db/Database.h"
#include "mp2sample/Mp2Schema.h"
#include "wizard/HostProduct.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace reliability;
using Answer = ScriptedOperator::Answer;
using dao::Variant;
using testsupport::Mp2Row;

namespace {

const QDateTime kToday(QDate(2027, 1, 5), QTime(9, 15), Qt::UTC);

QDateTime Day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC); }

void WritePlant(const QString& path)
{
    testsupport::CreateMp2WorkingCopy(path);
    testsupport::InsertMp2Rows(path, "FACILITY", {{{"Name", QString("North Works")}}});
    std::vector<Mp2Row> equip, tasks, schedules, employees, vendors;
    for (int i = 1; i <= 40; ++i) {
        equip.push_back({{"EQNUM", QString("P-%1").arg(i)}, {"DESCRIPTION", QString("Pump %1 'north'").arg(i)}});
        schedules.push_back({{"TASKNUM", QString("PM-%1").arg(i % 5)}, {"EQNUM", QString("P-%1").arg(i)},
                             {"NEXTDUEDATE", Day(2027, 2, 1 + i % 20)}, {"DATEUNIT", QString("M")},
                             {"NUMOFDATE", 1}});
        vendors.push_back({{"VENDORID", QString("V%1").arg(i)}, {"NAME", QString("Supplier %1 & Sons").arg(i)}});
    }
    for (int i = 0; i < 5; ++i) {
        tasks.push_back({{"TASKNUM", QString("PM-%1").arg(i)}, {"DESCRIPTION", QString("Service %1").arg(i)}});
        employees.push_back({{"EMPCODE", QString("E%1").arg(i)}, {"LASTNAME", QString("Smith")},
                             {"FIRSTNAME", QString("Jo %1").arg(i)}});
    }
    testsupport::InsertMp2Rows(path, "EQUIP", equip);
    testsupport::InsertMp2Rows(path, "TASK", tasks);
    testsupport::InsertMp2Rows(path, "TASKEQ", schedules);
    testsupport::InsertMp2Rows(path, "EMP", employees);
    testsupport::InsertMp2Rows(path, "VENDOR", vendors);
}

class TargetFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"work", "list", "mp2", "Crew"})
            ASSERT_TRUE(QDir(dir.path()).mkdir(sub));
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.filePath("work"));
        CreateTemplate(dir.filePath("list/BlnkVtrx.vdb"));
        CreateDatabaseList(listPath());
        WritePlant(sourcePath());
        Clock::SetFixed(kToday);
        source = FingerprintOf(sourcePath());
        list = ReadBytes(listPath());
    }

    void TearDown() override
    {
        WriteFaults::Disarm();
        Clock::SetFixed({});
        QDir::setCurrent(previousDir);
    }

    QString sourcePath() const { return dir.filePath("mp2/PLANT.mdb"); }
    QString listPath() const { return dir.filePath("list/VXDB97.mdb"); }
    QString targetDir() const { return dir.filePath("Crew/Plant1"); }
    QString target() const { return targetDir() + "/Plant1.mdb"; }

    struct Outcome {
        int status = -1;
        QStringList messages;
        QString log;  // as it stands on disk when the program ends
        QString openFailure;  // the Import button's own trap: the log could not be opened
    };

    // One import as the Import button runs it, with the answers a small plant needs.
    // `before` runs once the list is open, `after` before anything is closed.
    Outcome Run(const std::function<void(RunState&)>& before = {}, bool listReadOnly = false)
    {
        ScriptedOperator op;
        op.Input("N").Then(Answer::PreParseActions([](PreParse& screen) { screen.Exit(); })).Input("30");
        RunState run{op};
        run.gVXDBListDir = dir.filePath("list");
        run.gVXDBListDb = dao::Database::OpenDatabase(listPath(), false, listReadOnly);
        run.txtSourceDB = sourcePath();
        run.txtTargetDir = targetDir();
        run.txtFileName = "Plant1.mdb";
        run.txtDBName = "Plant 1";
        if (before)
            before(run);
        Outcome out;
        try {
            OpenImportLog(run);
            DoImport(run);
        } catch (const EndProgram& end) {
            out.status = end.status;
        } catch (const dao::DaoError& e) {
            out.openFailure = QString::number(e.Number) + " " + e.Description;
        }
        out.messages = op.messages();
        out.log = QString::fromUtf8(ReadBytes(targetDir() + "/MP2ImportLog.txt"));
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb})
            if (*db && (*db)->isOpen())
                (*db)->Close();
        return out;
    }

    // What every failed run leaves: no new database, the list and the source as they were.
    void ExpectNothingLeft(const Outcome& r, const std::string& where)
    {
        SCOPED_TRACE(where);
        EXPECT_NE(r.status, 0);
        EXPECT_FALSE(QFileInfo::exists(target()));
        EXPECT_EQ(ReadBytes(listPath()), list) << "the database list changed";
        EXPECT_TRUE(FingerprintOf(sourcePath()) == source) << "the source changed";
    }

    // The log of a failed run is the clean run's log up to the fault, then the trap's lines (which
    // repeat a message shown) or a line cut short by the fault itself, and last the line that says
    // the import failed (or the start of it, cut short), followed by the account of the rows.
    static void ExpectLogPrefix(const QString& failed, const QString& clean, const QStringList& messages,
                                const std::string& where)
    {
        SCOPED_TRACE(where);
        QStringList f = failed.split("\r\n");
        const QStringList c = clean.split("\r\n");
        const qsizetype account = f.indexOf(QRegularExpression("The account of every MP2 row .*"));
        if (account > 0)
            f = f.mid(0, account);
        qsizetype same = 0;
        while (same < f.size() && same < c.size() && f[same] == c[same])
            ++same;
        for (qsizetype i = same; i < f.size(); ++i) {
            const QString& line = f[i];
            const bool partial = i == f.size() - 1 && i < c.size() && c[i].startsWith(line);
            const QString failed = QStringLiteral("The import failed (");
            const bool last = std::all_of(f.begin() + i + 1, f.end(), [](const QString& l) { return l.isEmpty(); });
            const bool ending = last && !line.isEmpty() &&
                                (line.startsWith(failed) ? line.contains(") and did not complete. ") : failed.startsWith(line));
            const bool trap = line.isEmpty() || std::any_of(messages.begin(), messages.end(), [&](const QString& m) {
                                  return m.contains(line);
                              });
            EXPECT_TRUE(partial || trap || ending) << "log line " << i << " is neither the clean run's nor a trap's: "
                                         << line.toStdString();
        }
    }

    static bool ShowsError(const QStringList& messages, int number)
    {
        return std::any_of(messages.begin(), messages.end(), [&](const QString& m) {
            return m.contains("Error") && m.contains(QString::number(number) + QChar(13));
        });
    }

    QTemporaryDir dir;
    QString previousDir;
    Fingerprint source;
    QByteArray list;
};

}  // namespace

// The disk of the target directory fills up at every point of the import in turn: while the log is
// written, while the blank database is copied, and during each conversion.
TEST_F(TargetFault, ADiskThatFillsAnywhereEndsWithATrapAndLeavesNothingBehind)
{
    const Outcome clean = Run();
    ASSERT_EQ(clean.status, 0) << clean.messages.join("\n---\n").toStdString();
    qint64 used = 0;
    for (const QFileInfo& f : QDir(targetDir()).entryInfoList(QDir::Files))
        used += f.size();
    QDir(targetDir()).removeRecursively();
    CreateDatabaseList(listPath() + ".new");
    QFile::remove(listPath());
    QFile::rename(listPath() + ".new", listPath());
    list = ReadBytes(listPath());

    int tried = 0;
    const int usedKb = static_cast<int>(used / 1024) + 1;
    for (int kb = 4; kb < usedKb + 8; kb += std::max(4, usedKb / 24 / 4 * 4)) {
        ScratchMount disk(targetDir(), kb);
        if (!disk.ok())
            GTEST_SKIP() << "a small filesystem cannot be mounted here";
        const Outcome r = Run();
        if (r.status == 0)
            break;  // the import fits from here on
        ++tried;
        const std::string where = std::to_string(kb) + " KB";
        ExpectNothingLeft(r, where);
        if (r.openFailure.isEmpty()) {
            ASSERT_FALSE(r.messages.isEmpty()) << where;
            EXPECT_TRUE(r.messages.last().contains("Error")) << where << ": " << r.messages.last().toStdString();
            ExpectLogPrefix(r.log, clean.log, r.messages, where);
        }
    }
    EXPECT_GE(tried, 4);
    RecordProperty("faults_tried", tried);
}

// The same without a small disk: the new database's writes fail from the k-th one on, for k spread
// over every write a whole import makes to it.
TEST_F(TargetFault, AWriteThatFailsAtAnyPointOfTheConversionsEndsWithATrapAndLeavesNothingBehind)
{
    WriteFaults::Arm(targetDir() + "/", -1);
    const Outcome clean = Run();
    ASSERT_EQ(clean.status, 0) << clean.messages.join("\n---\n").toStdString();
    const long writes = WriteFaults::Writes();
    ASSERT_GT(writes, 10);
    QDir(targetDir()).removeRecursively();
    CreateDatabaseList(listPath() + ".new");
    QFile::remove(listPath());
    QFile::rename(listPath() + ".new", listPath());
    list = ReadBytes(listPath());

    int tried = 0;
    const long step = std::max(1L, writes / 40);
    for (long k = 0; k < writes; k += step) {
        WriteFaults::Arm(targetDir() + "/", k);
        const Outcome r = Run();
        ASSERT_GT(WriteFaults::Failures(), 0) << "write " << k;
        ++tried;
        const std::string where = "write " + std::to_string(k) + " of " + std::to_string(writes);
        ExpectNothingLeft(r, where);
        ASSERT_FALSE(r.messages.isEmpty()) << where;
        EXPECT_TRUE(ShowsError(r.messages, 3026)) << where << ": " << r.messages.join("\n---\n").toStdString();
        ExpectLogPrefix(r.log, clean.log, r.messages, where);
        QDir(targetDir()).removeRecursively();
    }
    RecordProperty("faults_tried", tried);
}

TEST_F(TargetFault, AReadOnlyTargetDirectoryStopsBeforeAnythingIsMade)
{
    ScratchMount readOnly(targetDir(), 64, true);
    if (!readOnly.ok())
        GTEST_SKIP() << "a read-only filesystem cannot be mounted here";
    const Outcome r = Run();
    EXPECT_TRUE(r.openFailure.startsWith("70 ")) << r.openFailure.toStdString();
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_EQ(ReadBytes(listPath()), list);
    EXPECT_TRUE(FingerprintOf(sourcePath()) == source);
}

TEST_F(TargetFault, ADatabaseListHeldByAnotherProgramLeavesItUnregisteredAndTheNewDatabaseRemoved)
{
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(listPath()).constData(), &other), SQLITE_OK);
    // Taken once the wizard has opened the list, as when someone starts the product meanwhile: the run
    // finds it before it converts anything.
    const Outcome r = Run([&](RunState&) {
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    });
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ExpectNothingLeft(r, "locked list");
    ASSERT_FALSE(r.messages.isEmpty());
    EXPECT_TRUE(r.messages.last().startsWith("Error: In sub DoImport ")) << r.messages.last().toStdString();
    EXPECT_TRUE(r.messages.last().startsWith("Error: In sub DoImport 3218")) << r.messages.last().toStdString();
    EXPECT_TRUE(r.messages.last().contains(listPath())) << r.messages.last().toStdString();
    EXPECT_FALSE(r.log.contains("Creating")) << r.log.toStdString();
}

TEST_F(TargetFault, AReadOnlyDatabaseListLeavesItUnregisteredAndTheNewDatabaseRemoved)
{
    const Outcome r = Run({}, true);
    ExpectNothingLeft(r, "read-only list");
    EXPECT_TRUE(ShowsError(r.messages, 3027)) << r.messages.join("\n---\n").toStdString();
    EXPECT_TRUE(r.messages.last().startsWith("Error: In sub DoImport 3027"));
}

TEST_F(TargetFault, AWorkingCopyThatCannotBeWrittenEndsWithTheDriversTrap)
{
    // Something that is no file stands where the working copy goes, or the current directory is gone.
    ASSERT_TRUE(QDir(dir.filePath("work")).mkdir("temp7601.in"));
    ASSERT_TRUE(QFile::copy(sourcePath(), dir.filePath("work/temp7601.in/keep")));
    Outcome r = Run();
    ExpectNothingLeft(r, "temp7601.in is a directory");
    ASSERT_FALSE(r.messages.isEmpty());
    EXPECT_TRUE(r.messages.last().startsWith("Error: In sub DoImport")) << r.messages.last().toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("work/temp7601.in/keep")));
    EXPECT_TRUE(r.log.isEmpty()) << "refused before anything was written";

    QDir(dir.filePath("work")).removeRecursively();
    r = Run();
    ExpectNothingLeft(r, "the current directory is gone");
    ASSERT_FALSE(r.messages.isEmpty());
    EXPECT_TRUE(r.messages.last().startsWith("Error: In sub DoImport 76")) << r.messages.last().toStdString();
    EXPECT_FALSE(QFileInfo::exists("/temp7601.in"));
}

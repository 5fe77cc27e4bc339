// crew-import --batch run as the operator runs it: a host product set up with crew-host-setup in a
// sandbox, an MP2 source, and the program's exit status, output and import log.
#include "support/ReliabilitySupport.h"
#include "mp2sample/Mp2Schema.h"
#include "support/SqliteFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

const QChar CR(13);

struct Outcome {
    int status = -1;
    bool finished = false;
    QString out, err;
};

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_DIRS", dir.filePath("config/system"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("config/user"));
        env.insert("CREW_EDITION", "VANTRIX");
        QDir().mkpath(dir.filePath("work"));
        const Outcome setup = Start("crew-host-setup", {"--db-list-dir", dir.filePath("host/list"), "--user-dir",
                                                    dir.filePath("host/crew")});
        ASSERT_EQ(setup.status, 0) << setup.err.toStdString();
    }

    // Runs a program of the build; `input` is all its standard input holds.
    Outcome Start(const QString& program, const QStringList& args, const QByteArray& input = {},
                  int timeoutMs = 120000)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.filePath("work"));
        p.start(program.startsWith('/') ? program : reliability::BinDir() + "/" + program, args);
        Outcome r;
        if (!p.waitForStarted()) {
            r.err = p.errorString();
            return r;
        }
        p.write(input);
        p.closeWriteChannel();
        r.finished = p.waitForFinished(timeoutMs);
        if (!r.finished)
            p.kill(), p.waitForFinished();
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Every run leaves its source's bytes and modification time as they were.
    Outcome Batch(const QStringList& args, const QByteArray& input = {})
    {
        const qsizetype at = args.indexOf("--source");
        const QString source = at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
        const reliability::Fingerprint before = reliability::FingerprintOf(source);
        Outcome r = Start("crew-import", QStringList{"--batch"} + args, input);
        EXPECT_TRUE(reliability::FingerprintOf(source) == before) << "the import changed its source";
        return r;
    }

    // A small MP2 source in the working-copy format: one facility, two pieces of equipment (one of
    // them with a number too long for the product), one schedule, one vendor.
    QString SqliteSource(bool longNumber = false, const QString& number = "NORTH INTAKE SCREEN WASHER NUMBER TWO")
    {
        const QString path = dir.filePath("mp2/Plant.mdb");
        QDir().mkpath(dir.filePath("mp2"));
        testsupport::CreateMp2WorkingCopy(path);
        testsupport::InsertMp2Rows(path, "FACILITY", {{{"Name", QString("North Works")}}});
        testsupport::InsertMp2Rows(path, "EQUIP", {{{"EQNUM", QString("PUMP-1")}, {"DESCRIPTION", QString("Pump")}}});
        if (longNumber)
            testsupport::InsertMp2Rows(path, "EQUIP", {{{"EQNUM", number}}});
        testsupport::InsertMp2Rows(path, "TASK", {{{"TASKNUM", QString("PM")}, {"DESCRIPTION", QString("Service")}}});
        testsupport::InsertMp2Rows(path, "TASKEQ", {{{"TASKNUM", QString("PM")}, {"EQNUM", QString("PUMP-1")},
                                                     {"NEXTDUEDATE", QString("2020-01-01")},
                                                     {"DATEUNIT", QString("M")}, {"NUMOFDATE", 3}}});
        testsupport::InsertMp2Rows(path, "VENDOR", {{{"VENDORID", QString("V1")}, {"NAME", QString("O'Hara Supply")}}});
        return path;
    }

    QString JetSample(const QString& password = {})
    {
        const QString path = dir.filePath("mp2/Riverside.mdb");
        QDir().mkpath(dir.filePath("mp2"));
        QStringList args{"--from", QString(CREW_SOURCE_DIR) + "/samples/mp2-demo", "--out", path};
        if (!password.isEmpty())
            args << "--password" << password;
        const Outcome made = Start("crew-mdb-make", args);
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
        return path;
    }

    QString UserDir() const { return dir.filePath("host/crew"); }

    static QJsonObject Report(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    static QStringList LogLines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    int RegisteredDatabases() const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(dir.filePath("host/list/VXDB97.mdb")).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM DB", -1, &st, nullptr);
        int n = -1;
        if (sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

TEST_F(BatchRun, ACompleteImportExitsZeroWithALogFromTheStartLineToTheAccount)
{
    const QString source = SqliteSource();
    const Outcome r = Batch({"--source", source});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();

    // Names derived as the wizard derives them: Plant, Plant.mdb, <user dir>/Plant/.
    const QString target = UserDir() + "/Plant/Plant.mdb";
    const QString log = UserDir() + "/Plant/MP2ImportLog.txt";
    EXPECT_TRUE(QFileInfo(target).isFile());
    const QStringList lines = LogLines(log);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.first().startsWith("In Main frm, btnImport - Start: ")) << lines.first().toStdString();
    const QString done = "The import of '" + source + "' was imported to " + CR + "'" + target + "' " + CR + CR +
                         "The import log file is located at " + CR + "'" + log + "'";
    EXPECT_EQ(lines.last(), "");
    // The log's path is the directory's text and "/MP2ImportLog.txt": a directory ending in '/' gives
    // two in a row, which names the same file. The account of every row follows the message.
    const qsizetype at = lines.indexOf(QRegularExpression("^The import of '.*"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(QString(lines[at]).replace("//", "/").toStdString(), done.toStdString());
    EXPECT_TRUE(lines.at(at + 2).startsWith("The account of every MP2 row")) << lines.join("\n").toStdString();
    EXPECT_EQ(lines[lines.size() - 2], "Warnings: 0");
    EXPECT_EQ(RegisteredDatabases(), 1);

    // The operator's view: the password question answered N, the completion box shown line by line.
    EXPECT_TRUE(r.out.contains("| Does this database have a password? \n| enter either Y or N \n  > N\n"))
        << r.out.toStdString();
    EXPECT_TRUE(QString(r.out).replace("//", "/").contains("| The import log file is located at \n| '" + log + "'\n  > OK\n"))
        << r.out.toStdString();
}

TEST_F(BatchRun, TheSampleWithAPasswordLongNumbersAndASubstringFileImportsWithoutShowingThePassword)
{
    const QString source = JetSample("Sw0rdf1sh");
    const QString pairs = dir.filePath("pairs.csv");
    QFile csv(pairs);
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("aeration,Aer\nBASIN,Bsn\nPANEL,\n");  // the last row removes the word: asked, answered Yes
    csv.close();
    const Outcome r = Batch({"--source", source, "--name", "River Side", "--password", "Sw0rdf1sh", "--substrings",
                             pairs, "--rename", "RIVERSIDE NORTH INTAKE SCREEN WASHER NUMBER 2=INTAKE-SCRN-WASHER-2",
                             "--cutoff", "45", "--yes"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("Sw0rdf1sh"));
    EXPECT_TRUE(r.out.contains("+ Input box: Enter password\n| Enter password\n  > ********\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("| has the VX substring set to blank.\n| Is this correct?\n  > Yes\n"));
    EXPECT_TRUE(r.out.contains("  > INTAKE-SCRN-WASHER-2\n"));

    // The typed name gives the file name and the directory without blanks.
    const QStringList lines = LogLines(UserDir() + "/RiverSide/MP2ImportLog.txt");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith("In Main frm, btnImport - Start: "));
    EXPECT_TRUE(lines.contains("MP2SubStr(1)= AERATION  VXSubStr(1)= Aer"));
    EXPECT_TRUE(lines.contains("MP2EqOld(1)= AERATION BASIN CONTROL PANEL  MP2EqNew(1)= Aer Bsn CONTROL "))
        << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.join("\n").contains("The import of '" + source + "' was imported to "));
    EXPECT_TRUE(QFileInfo(UserDir() + "/RiverSide/RiverSide.mdb").isFile());
}

TEST_F(BatchRun, QuestionsTheOptionsCannotAnswerEndTheRunInsteadOfAskingForEver)
{
    // A number too long for the product with no --rename for it: found before the first conversion,
    // the run ends naming it. (A cutoff the question would refuse is refused with the options, before
    // the run: EveryProgramAnswersHelpAndRefuses...)
    const QString source = SqliteSource(true);
    Outcome r = Batch({"--source", source});
    ASSERT_TRUE(r.finished) << "the run hangs";
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("'NORTH INTAKE SCREEN WASHER NUMBER TWO' (37 characters) has no new value"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("its log is '" + UserDir() + "/Plant//MP2ImportLog.txt'")) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("Status: Creating Facility table")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Plant/Plant.mdb"));  // the trap removed it
    EXPECT_EQ(RegisteredDatabases(), 0);

    // A question met on the way: a substring that removes a word asks whether that is meant, and No
    // (without --yes) leaves the screen open.
    const QString pairs = dir.filePath("pairs.csv");
    ASSERT_TRUE(reliability::WriteBytes(pairs, "SCREEN WASHER,\n"));
    r = Batch({"--source", source, "--substrings", pairs});
    ASSERT_TRUE(r.finished) << "the run hangs";
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("cannot answer the pre-parse screen")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Plant/Plant.mdb"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));
}

// A number that holds '=', ',' and a quote is renamed from a file in CSV quoting; the real run that
// meets it without one names the way to list every such number.
TEST_F(BatchRun, ANumberHoldingAnEqualsSignAndACommaIsRenamedFromAFile)
{
    const QString number = "PUMP=NORTH, INTAKE \"A\" SCREEN WASHER 2";
    const QString source = SqliteSource(true, number);
    Outcome r = Batch({"--source", source, "--yes"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("a number holding '=' is renamed only from a --renames file")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("--check-only")) << r.err.toStdString();

    QFile renames(dir.filePath("renames.csv"));
    ASSERT_TRUE(renames.open(QIODevice::WriteOnly));
    renames.write("old,new\n\"PUMP=NORTH, INTAKE \"\"A\"\" SCREEN WASHER 2\",\"P=1,A\"\n");
    renames.close();
    r = Batch({"--source", source, "--yes", "--renames", renames.fileName()});
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(testsupport::QueryText(UserDir() + "/Plant/Plant.mdb",
                                     "SELECT count(*) FROM Equipment WHERE \"Equipment#\" = 'P=1,A'"),
              "1");
}

TEST_F(BatchRun, NoIsTheDefaultAnswerAndStopsTheImportBeforeTheLog)
{
    const QString source = SqliteSource();
    Outcome r = Batch({"--source", source, "--name", "Vantrix"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("| Do you want to continue with your selection?\n  > No\n")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Vantrix"));

    r = Batch({"--source", source, "--name", "Vantrix", "--yes"});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(QFileInfo(UserDir() + "/Vantrix/Vantrix.mdb").isFile());
}

TEST_F(BatchRun, AChosenDirectoryAsksTheRecommendedDirectoryQuestionAndRelativePathsAreMadeAbsolute)
{
    SqliteSource();
    const Outcome r = Batch({"--source", "../mp2/Plant.mdb", "--target-dir", "out/", "--file-name", "Plant.mdb",
                             "--yes"});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("| The recommended directory is not the directory you selected.\n"
                               "| Do you want to continue with your selection?\n  > Yes\n"));
    const QString out = QFileInfo(dir.filePath("work")).canonicalFilePath() + "/out/";
    EXPECT_TRUE(QFileInfo(out + "Plant.mdb").isFile());
    EXPECT_TRUE(r.out.contains("The import of '" + QFileInfo(dir.filePath("mp2")).canonicalFilePath() +
                               "/Plant.mdb' was imported to "))
        << r.out.toStdString();

    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(dir.filePath("host/list/VXDB97.mdb")).constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT Name, Path, FileName FROM DB", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "Plant");
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))), out);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)), "Plant.mdb");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(BatchRun, ThePasswordFromAFileOrStandardInputOpensTheSourceAndNeverShows)
{
    const QString secret = "Sw0rd fish";  // a blank counts
    const QString source = JetSample(secret);
    const QString file = dir.filePath("password.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF" + secret.toUtf8() + "\r\nnot the password\r\n");  // as a Windows editor writes it
    f.close();
    const QStringList rename{"--rename", "RIVERSIDE NORTH INTAKE SCREEN WASHER NUMBER 2=INTAKE-SCRN-WASHER-2"};
    for (const auto& [name, args, input] : std::vector<std::tuple<QString, QStringList, QByteArray>>{
             {"FromFile", {"--password-file", file}, {}},
             {"FromInput", {"--password", "-"}, secret.toUtf8() + "\n"}}) {
        const Outcome r = Batch(QStringList{"--source", source, "--name", name} + args + rename, input);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.status, 0) << name.toStdString() << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("+ Input box: Enter password\n| Enter password\n  > ********\n"));
        EXPECT_FALSE(r.out.contains(secret) || r.err.contains(secret));
        EXPECT_FALSE(LogLines(UserDir() + "/" + name + "/MP2ImportLog.txt").join("\n").contains(secret));
    }
    EXPECT_EQ(RegisteredDatabases(), 2);
}

// Quiet, a run prints its summary alone; with --report - the report is all of standard output and the
// rest goes to standard error; on a terminal the progress is a line on standard error, redrawn in place
// and taken away before the summary.
TEST_F(BatchRun, AQuietRunShowsItsProgressOnATerminalAndCanReportOnStandardOutput)
{
    const QString source = SqliteSource();
    Outcome r = Batch({"--source", source, "--name", "Json", "--quiet", "--report", "-"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonParseError parsed{};
    const QJsonObject report = QJsonDocument::fromJson(r.out.toUtf8(), &parsed).object();
    EXPECT_EQ(parsed.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(report["result"].toString(), "imported");
    EXPECT_TRUE(r.err.startsWith("Summary: Imported.")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("\n| ")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/-")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));

    if (!QFileInfo("/usr/bin/script").isExecutable())
        GTEST_SKIP() << "no script(1) to give the run a terminal";
    r = Start("/usr/bin/script", {"-qec", "exec '" + reliability::BinDir() + "/crew-import' --batch --source '" + source +
                                              "' --name Tty --quiet",
                                  "/dev/null"});
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression("^\rcrew-import: +\\d+%  \\d+:\\d\\d  "))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\r\x1b[KSummary: Imported.")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("\n| ")) << r.out.toStdString();
    EXPECT_EQ(RegisteredDatabases(), 2);
}

// Every program of the build, given what its options must refuse or take as a value. Help is answered
// on standard output with 0; a refused option exits 2 before anything starts (nothing on standard
// output: no box shown, no file written). The unattended import's inputs that only the source or the
// target can show wrong end the run with 1 or 3 before anything is converted: each says on standard
// error why and what to change, naming the option or the file, and leaves no database.
TEST_F(BatchRun, EveryProgramAnswersHelpAndRefusesBadOptionsBeforeAnythingStarts)
{
    const QString source = SqliteSource(true);  // one number too long: NORTH INTAKE SCREEN WASHER NUMBER TWO
    for (const QString& number : {"SOUTH INTAKE SCREEN WASHER NUMBER ONE", "SOUTH INTAKE SCREEN WASHER NUMBER TWO"})
        testsupport::InsertMp2Rows(source, "EQUIP", {{{"EQNUM", number}}});
    const QString locked = JetSample("Sw0rdf1sh");
    const QString csvDir = dir.filePath("csv"), table = dir.filePath("csv/T.csv");
    QDir().mkpath(csvDir);
    QFile t(table);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("A:Long\n1\n");
    t.close();
    const QString nul = dir.filePath("nul.csv");
    QFile n(nul);
    ASSERT_TRUE(n.open(QIODevice::WriteOnly));
    n.write(QByteArray("PUMP,Pmp\nBA\0SIN,Bsn\n", 20));
    n.close();
    const QString password = dir.filePath("password.txt");
    QFile(password).open(QIODevice::WriteOnly);
    // A list whose eighth line holds a byte that is not UTF-8; a pipe nobody writes to.
    const QString latin1 = dir.filePath("latin1.csv");
    ASSERT_TRUE(reliability::WriteBytes(latin1, QByteArray("old,new\n") + QByteArray("\"A\",B\n").repeated(6) +
                                                   "\"PUMPE GR\xd6\xdf\",P\n"));
    const QString pipe = dir.filePath("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Lists of new numbers: written by a check without substrings; with a misspelt number, one never
    // asked for, a new number in use and one given twice; with a line still blank.
    const QString noneList = dir.filePath("none.list.csv"), wrong = dir.filePath("wrong.csv"),
                  blank = dir.filePath("blank.csv");
    ASSERT_TRUE(reliability::WriteBytes(noneList, "old,new,length,\"substrings: none [e3b0c44298fc1c14]\"\r\n"
                                                  "\"NORTH INTAKE SCREEN WASHER NUMBER TWO\",SCREEN-2,37\r\n"));
    ASSERT_TRUE(reliability::WriteBytes(wrong, "old,new\n"
                                               "NORTH INTAKE SCREEN WASHER NUMBER TW0,N2\n"
                                               "PUMP-1,P1\n"
                                               "NORTH INTAKE SCREEN WASHER NUMBER TWO,pump-1\n"
                                               "SOUTH INTAKE SCREEN WASHER NUMBER ONE,SOUTH-SCREEN\n"
                                               "SOUTH INTAKE SCREEN WASHER NUMBER TWO,South-Screen\n"));
    ASSERT_TRUE(reliability::WriteBytes(blank, "old,new\nNORTH INTAKE SCREEN WASHER NUMBER TWO,\n"));
    const QString wrongPassword = dir.filePath("wrong-password.txt");
    ASSERT_TRUE(reliability::WriteBytes(wrongPassword, "swordfish\n"));
    // A folder that holds a file of the new database's name.
    const QString taken = dir.filePath("taken");
    QDir().mkpath(taken);
    ASSERT_TRUE(reliability::WriteBytes(taken + "/Plant.mdb", "someone's"));

    struct Case {
        QString program;
        QStringList args;
        int status;
        QString says;  // on standard output for 0, on standard error otherwise
        QStringList alsoSays = {};
    };
    const QStringList batch{"--batch", "--source", source};
    const QStringList quiet = batch + QStringList{"--quiet", "--yes"};
    const std::vector<Case> cases = {
        {"crew-import", {"--help"}, 0, "usage: crew-import"},
        {"crew-import", {"--batch", "--help"}, 0, "--password-file FILE"},
        {"crew-import", {"--import"}, 2, "usage: crew-import"},
        {"crew-import", {"--batch"}, 2, "--source is required"},
        {"crew-import", batch + QStringList{"--colour", "red"}, 2, "unknown option '--colour'"},
        {"crew-import", batch + QStringList{"--substrings", dir.filePath("none.csv")}, 2, "error 53"},
        {"crew-import", batch + QStringList{"--substrings", nul}, 2, "line 2 holds a control character (code 0)"},
        {"crew-import", batch + QStringList{"--name", "A", "--name", "B"}, 2, "--name is given twice"},
        {"crew-import", batch + QStringList{"--report", dir.filePath("no/such/report.json")}, 2, "--report: error 75"},
        {"crew-import", batch + QStringList{"--report", source}, 2, "is the source"},
        {"crew-import", batch + QStringList{"--cutoff", "5", "--report", dir.filePath("bad.json")}, 2, "--cutoff '5'"},
        {"crew-import", batch + QStringList{"--password-file", password, "--password", "x"}, 2, "give the password once"},
        {"crew-import", batch + QStringList{"--password-file", password}, 2, "error 62"},
        {"crew-import", batch + QStringList{"--target-dir", "out\nthere"}, 2, "control character (code 10)"},
        // A source that is no file is refused like every other input.
        {"crew-import", {"--batch", "--source", dir.filePath("mp2/gone.mdb")}, 2, "--source: error 53: File not found"},
        {"crew-import", {"--batch", "--source", dir.filePath("mp2")}, 2, "'" + dir.filePath("mp2") + "', which is a folder"},
        // A name the boxes would change is refused, saying which characters and why.
        {"crew-import", batch + QStringList{"--name", "North/South"}, 2, "--name 'North/South' holds '/', which the name box"},
        {"crew-import", batch + QStringList{"--name", "St. Mary's"}, 2, "holds '.' and ''', which the name box refuses"},
        {"crew-import", batch + QStringList{"--name", "North\nPlant"}, 2, "holds a control character (code 10)"},
        {"crew-import", batch + QStringList{"--file-name", "sub/north.mdb"}, 2, "'sub/north.mdb' holds '/', which the file"},
        {"crew-import", batch + QStringList{"--file-name", "np\t.mdb"}, 2, "holds a control character (code 9)"},
        {"crew-import", batch + QStringList{"--file-name", "Pl ant.mdb"}, 2, "'Pl ant.mdb' holds a blank"},
        {"crew-import", batch + QStringList{"--file-name", "north"}, 2, "--file-name 'north' must end in .mdb"},
        {"crew-import", batch + QStringList{"--rename", "A=" + QString(31, 'B')}, 2, "can't be longer than '30'"},
        // The list holds the numbers as the check's substrings left them.
        {"crew-import", batch + QStringList{"--renames", noneList, "--substrings", "default"}, 2,
         "--substrings default differ from the substrings of the check that listed the numbers in '" + noneList +
             "' (none)"},
        // New numbers held against the source before the first conversion: every problem at once.
        {"crew-import", quiet + QStringList{"--renames", wrong}, 3, "'" + wrong + "' line 2) is no equipment number",
         {"'PUMP-1' ('" + wrong + "' line 3) has 6 characters, so it keeps its number",
          "the new value 'pump-1' for 'NORTH INTAKE SCREEN WASHER NUMBER TWO' ('" + wrong +
              "' line 4) is already the number of another piece of equipment",
          "the new value 'SOUTH-SCREEN' is given to 2 numbers",
          "its log is '" + UserDir() + "/Plant//MP2ImportLog.txt'"}},
        {"crew-import", quiet + QStringList{"--renames", blank}, 3,
         "'NORTH INTAKE SCREEN WASHER NUMBER TWO' ('" + blank + "' line 2) has no new value yet",
         {"'SOUTH INTAKE SCREEN WASHER NUMBER ONE' (37 characters) has no new value"}},
        // The failure's number, text and advice on standard error, in the words of the option to change.
        {"crew-import", {"--batch", "--source", locked, "--quiet"}, 1, "Failed: DoImport error 3031: Not a valid password.",
         {"The source has a password: give it with --password-file FILE"}},
        {"crew-import", {"--batch", "--source", locked, "--quiet", "--password-file", wrongPassword}, 1,
         "The password given with --password-file is not the source's"},
        {"crew-import", quiet + QStringList{"--target-dir", taken}, 1, "already exists in '" + taken + "'",
         {"Give another --file-name or --target-dir", "the import was not started (exit status 1)"}},
        {"crew-import", batch + QStringList{"--quiet", "--name", "Vantrix"}, 1, "Answered No: It is NOT recommended",
         {"or add --yes to keep them"}},
        // What the run reads is a file of limited size: never a device read until memory runs out, nor a
        // pipe waited on.
        {"crew-import", batch + QStringList{"--renames", "/dev/zero"}, 2, "'/dev/zero', which is a device, not a file"},
        {"crew-import", batch + QStringList{"--substrings", "/dev/zero"}, 2, "which is a device, not a file"},
        {"crew-import", batch + QStringList{"--password-file", "/dev/zero"}, 2, "which is a device, not a file"},
        {"crew-import", batch + QStringList{"--renames", pipe}, 2, "which is a pipe, not a file"},
        {"crew-import", batch + QStringList{"--renames", latin1}, 2, "latin1.csv' line 8: it is not UTF-8 text"},
        // The cutoff is checked with the options, by the question's own rule.
        {"crew-import", batch + QStringList{"--cutoff", "5"}, 2, "Enter a value between 10 and 366 inclusive."},
        {"crew-import", batch + QStringList{"--cutoff", "soon"}, 2, "Enter a numeric response."},
        // A value that reads like help is a value: the run goes on to the next problem.
        {"crew-import", batch + QStringList{"--password", "-h", "--cutoff", "5"}, 2, "--cutoff '5'"},
        {"crew-import", batch + QStringList{"--name", "--help", "--cutoff", "5"}, 2, "--cutoff '5'"},
        // Bytes that are not UTF-8 would become U+FFFD and name another directory.
        {"/bin/sh", {"-c", "exec \"$0\" --batch --source \"$(printf 'Plant\\351.mdb')\"",
                     reliability::BinDir() + "/crew-import"}, 2, "argument 3 ('Plant\\xE9.mdb') is not UTF-8 text"},
        // The wizard without a display says so and names --batch (Qt itself would abort, 134).
        {"/bin/sh", {"-c", "exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"$0\"",
                     reliability::BinDir() + "/crew-import"}, 2, "import unattended with --batch"},
        {"crew-mdb-make", {"--help"}, 0, "usage: crew-mdb-make"},
        {"crew-mdb-make", {"--from", csvDir, "--out", table}, 2, "is the input"},
        {"crew-mdb-make", {"--from", csvDir, "--out", "a.mdb", "--out", "b.mdb"}, 2, "--out is given twice"},
        {"crew-mdb-copy", {"--help"}, 0, "usage: crew-mdb-copy"},
        {"crew-mdb-copy", {source, "copy.sqlite", "--password", "a", "--password", "b"}, 2, "--password is given twice"},
        {"crew-host-setup", {"--help"}, 0, "usage: crew-host-setup"},
        {"crew-host-setup", {"--user-dir", "a", "--user-dir", "b", "--db-list-dir", "c"}, 2, "--user-dir is given twice"},
        {"crew-mp2-sample", {"--help"}, 0, "usage: crew-mp2-sample"},
        {"crew-mp2-sample", {"--scale", "1", "--scale", "2", "--out", "s.mdb"}, 2, "--scale is given twice"},
        {"crew-dump", {"--help"}, 0, "usage: crew-dump"},
        {"crew-dump", {"--log", "a.txt", "--log", "b.txt"}, 2, "--log is given twice"},
        {"crew-measure", {"--help"}, 0, "usage: crew-measure"},
        {"crew-measure", {"--out", "a", "--out", "b", "--", "true"}, 2, "--out is given twice"},
    };
    for (const Case& c : cases) {
        const Outcome r = Start(c.program, c.args);
        const std::string what = (c.program + " " + c.args.join(' ')).toStdString();
        ASSERT_TRUE(r.finished) << what;
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.out.toStdString() << r.err.toStdString();
        if (c.status == 0) {
            EXPECT_TRUE(r.out.contains(c.says)) << what << "\n" << r.out.toStdString();
            EXPECT_EQ(r.err, "") << what;
        } else {
            for (const QString& says : QStringList{c.says} + c.alsoSays)
                EXPECT_TRUE(r.err.contains(says)) << what << "\n" << says.toStdString() << "\n" << r.err.toStdString();
            if (c.status == 2)
                EXPECT_EQ(r.out, "") << what;
            else  // quiet: the summary, no box
                EXPECT_TRUE(r.out.startsWith("Summary: ") && !r.out.contains("\n| ")) << what << "\n" << r.out.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Plant/Plant.mdb")) << what;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in"))) << what;
    }
    EXPECT_EQ(reliability::ReadBytes(table), "A:Long\n1\n");
    EXPECT_EQ(reliability::ReadBytes(taken + "/Plant.mdb"), "someone's");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("bad.json")));  // a run refused for its options reports nothing
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/copy.sqlite")));
    EXPECT_EQ(RegisteredDatabases(), 0);
}

// The sample plant migrated in two runs: a check lists every equipment number to rename, the list
// filled in imports in one run (the sample's own list, in the same form). Every MP2 table the import
// reads is in the report, each adds up and has read every row the table holds, and the records created
// are those of the new database.
TEST_F(BatchRun, TheSamplePlantMigratesInTwoRunsAndItsReportAccountsForEveryRowAndRecord)
{
    const QString source = dir.filePath("mp2/Plant.mdb"), sampleList = dir.filePath("renames.csv");
    QDir().mkpath(dir.filePath("mp2"));
    const Outcome made = Start("crew-mp2-sample", {"--scale", "1", "--out", source, "--renames", sampleList});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    QMap<QString, qint64> rows;
    for (const QString& line : made.out.split('\n')) {
        const QStringList cells = line.split(' ', Qt::SkipEmptyParts);
        if (cells.size() == 2 && cells[0] == cells[0].toUpper())
            rows[cells[0]] = cells[1].toLongLong();
    }
    QMap<QString, QString> answers;  // old number -> a free new one, from "OLD","NEW",LENGTH lines
    QStringList sampleLines = QString::fromUtf8(reliability::ReadBytes(sampleList)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(sampleLines.isEmpty());
    const QString header = sampleLines.takeFirst();
    for (const QString& line : sampleLines)
        answers[line.mid(1).section("\",\"", 0, 0)] = line.section("\",\"", 1).section("\",", 0, 0);
    ASSERT_GT(answers.size(), 1);

    // The check goes to the end and lists every number no option renames.
    const Outcome check = Batch({"--source", source, "--yes", "--check-only"});
    EXPECT_EQ(check.status, 3) << check.err.toStdString();
    const QString list = UserDir() + "/Plant/MP2ImportRenames.csv";
    EXPECT_TRUE(check.out.contains("listed in '" + list + "'")) << check.out.toStdString();
    QStringList lines = QString::fromUtf8(reliability::ReadBytes(list)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    // Made without substrings, as the sample's list is.
    EXPECT_EQ(lines.takeFirst(), header);
    EXPECT_EQ(header, "old,new,length,\"substrings: none [e3b0c44298fc1c14]\"");
    QStringList listed, filled{header};
    for (const QString& line : lines) {
        const QString old = line.section("\",,", 0, 0).mid(1);
        listed << old;
        EXPECT_EQ(line, "\"" + old + "\",," + QString::number(old.size()));
        filled << "\"" + old + "\"," + answers.value(old) + "," + QString::number(old.size());
    }
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()), QSet<QString>(answers.keyBegin(), answers.keyEnd()));
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Plant/Plant.mdb"));
    ASSERT_GE(listed.size(), 3);

    // The list is the operator's work. Filled in but for its first number, the second's line lost:
    // given back to the check, every line stays as it stands and the lost number is added below them.
    QStringList partly{header};
    partly << lines[0];
    for (qsizetype i = 2; i < lines.size(); ++i)
        partly << filled[i + 1];
    const QByteArray partlyBytes = (partly.join("\r\n") + "\r\n").toUtf8();
    ASSERT_TRUE(reliability::WriteBytes(list, partlyBytes));
    Outcome again = Batch({"--source", source, "--yes", "--check-only", "--renames", list});
    EXPECT_EQ(again.status, 3) << again.out.toStdString() << again.err.toStdString();
    EXPECT_EQ(reliability::ReadBytes(list), partlyBytes + (lines[1] + "\r\n").toUtf8());
    // A real run meets the numbers still blank as any number no option renames.
    again = Batch({"--source", source, "--yes", "--renames", list});
    EXPECT_EQ(again.status, 3);
    EXPECT_TRUE(again.err.contains("'" + listed[0] + "' ('" + list + "' line 2) has no new value yet"))
        << again.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Plant/Plant.mdb"));

    // A list that is read-only is left as it is; the check writes its list beside it and names both.
    ASSERT_TRUE(reliability::WriteBytes(list, partlyBytes));
    ASSERT_TRUE(QFile::setPermissions(list, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    again = Batch({"--source", source, "--yes", "--check-only", "--renames", list});
    EXPECT_EQ(again.status, 3) << again.out.toStdString() << again.err.toStdString();
    EXPECT_EQ(reliability::ReadBytes(list), partlyBytes);
    EXPECT_EQ(QFileInfo(list).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);
    const QString beside = UserDir() + "/Plant/MP2ImportRenames-2.csv";
    EXPECT_EQ(reliability::ReadBytes(beside), partlyBytes + (lines[1] + "\r\n").toUtf8());
    EXPECT_TRUE(again.out.contains("'" + list + "' is left as it was: it is read-only")) << again.out.toStdString();
    EXPECT_TRUE(again.err.contains("fill in '" + beside + "'")) << again.err.toStdString();

    // The sample's list is one such list filled in: the import takes it as it stands.
    const Outcome r = Batch({"--source", source, "--yes", "--report", dir.filePath("report.json"), "--renames",
                             sampleList});
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\nSummary: Imported. ")) << r.out.toStdString();

    const QJsonObject report = Report(dir.filePath("report.json"));
    const QString database = UserDir() + "/Plant/Plant.mdb";
    EXPECT_EQ(report["result"].toString(), "imported");
    EXPECT_TRUE(report["error"].isNull());
    EXPECT_TRUE(report["registered"].toBool());
    EXPECT_EQ(report["source"].toString(), source);
    EXPECT_EQ(report["database"].toString(), database);
    EXPECT_TRUE(QFileInfo(report["log"].toString()).isFile());
    EXPECT_GT(report["seconds"].toDouble(), 0);

    QStringList tables;
    for (const QJsonValue& v : report["tables"].toArray()) {
        const QJsonObject t = v.toObject();
        const QString mp2 = t["mp2"].toString();
        tables << mp2;
        const qint64 read = t["read"].toInteger(), skipped = t["skipped"].toInteger();
        EXPECT_EQ(read, rows.value(mp2, -1)) << mp2.toStdString();
        EXPECT_EQ(read, t["converted"].toInteger() + t["merged"].toInteger() + skipped) << mp2.toStdString();
        qint64 byReason = 0;
        for (const QJsonValue& n : t["skipped_by_reason"].toObject())
            byReason += n.toInteger();
        EXPECT_EQ(byReason, skipped) << mp2.toStdString();
    }
    EXPECT_EQ(tables, (QStringList{"FACILITY", "EQUIP", "EMP", "TASK", "TASKEQ", "WOE", "METER", "VENDOR", "INVY", "WOP",
                                   "VENDMANU", "VENDPO", "INVCOMM", "INVSITE", "INVSUB", "INVYDRWG"}));

    const QJsonObject created = report["created"].toObject(), invented = report["invented"].toObject();
    EXPECT_EQ(created.keys().size(), 11);
    for (const QString& table : created.keys()) {
        const QString quoted = "\"" + table + "\"";
        EXPECT_EQ(created[table].toInteger(), testsupport::QueryText(database, "SELECT count(*) FROM " + quoted).toLongLong())
            << table.toStdString();
        const bool placeholders = table == "Task" || table == "Employee" || table == "Invy";
        EXPECT_EQ(invented[table].toInteger(),
                  placeholders ? testsupport::QueryText(database, "SELECT count(*) FROM " + quoted + " WHERE Status = 1")
                                     .toLongLong()
                               : 0)
            << table.toStdString();
    }
    EXPECT_GT(invented["Task"].toInteger(), 0);
}

// A plant whose import goes on past an error box (a labour line names an employee code too long for the
// product): the check ends as the import does, and both say so in their summary, log and report.
TEST_F(BatchRun, ACheckEndsAsTheImportForAPlantWhoseImportGoesOnPastAnErrorBox)
{
    const QString source = SqliteSource();
    testsupport::InsertMp2Rows(source, "WO", {{{"WONUM", QString("W1")}, {"TASKNUM", QString("PM")}}});
    // Longer than MP2's own column holds: written past the column's size, as a damaged source may hold it.
    testsupport::RunSql(source, {"INSERT INTO WOE (WONUM, EQNUM, CLOSEDATE, REGHRS, EMPCODE) VALUES ('W1', 'PUMP-1', "
                                 "'2024-01-01 00:00:00', 2, '" + QString(300, QChar('E')) + "')"});
    const QString box = "CreateOneEmployee Error:3163 ";
    QStringList texts;
    for (const auto& [mode, result, log] :
         std::vector<std::tuple<QString, QString, QString>>{{"--check-only", "Checked", "MP2ImportCheck.txt"},
                                                            {"", "Imported", "MP2ImportLog.txt"}}) {
        SCOPED_TRACE(result.toStdString());
        const QString report = dir.filePath(result + ".json");
        QStringList args{"--source", source, "--report", report};
        if (!mode.isEmpty())
            args << mode;
        const Outcome r = Batch(args);
        EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("\nSummary: " + result + ", with 1 error box: " + box)) << r.out.toStdString();
        const QStringList lines = LogLines(UserDir() + "/Plant/" + log);
        const qsizetype at = lines.indexOf("Error boxes: 1");
        ASSERT_GT(at, 0) << lines.join("\n").toStdString();
        EXPECT_TRUE(lines.value(at + 1).startsWith("  " + box)) << lines.join("\n").toStdString();
        const QJsonObject json = Report(report);
        EXPECT_EQ(json["result"].toString(), result.toLower());
        EXPECT_EQ(json["error_boxes"].toInt(), 1);
        texts << json["error_box_texts"].toArray().first().toString();
    }
    EXPECT_TRUE(texts[0].startsWith(box)) << texts[0].toStdString();
    EXPECT_EQ(texts[0], texts[1]);
}

// A check, a failed run and a refused one: each report says how the run ended and why, and each leaves
// the log of the earlier run it must not touch.
TEST_F(BatchRun, TheReportSaysHowACheckAFailedAndARefusedRunEnded)
{
    const QString source = SqliteSource(true);
    const QString plant = UserDir() + "/Plant", report = dir.filePath("report.json");
    QDir().mkpath(plant);
    QFile earlier(plant + "/MP2ImportLog.txt");
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("the earlier import's log\r\n");
    earlier.close();

    // Check only: the whole import, then nothing kept but its own log.
    const QStringList rename{"--rename", "NORTH INTAKE SCREEN WASHER NUMBER TWO=SCREEN-WASHER-2"};
    Outcome r = Batch(QStringList{"--source", source, "--yes", "--check-only", "--report", report} + rename);
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    QJsonObject json = Report(report);
    EXPECT_EQ(json["result"].toString(), "checked");
    EXPECT_TRUE(json["error"].isNull());
    EXPECT_FALSE(json["registered"].toBool());
    EXPECT_EQ(json["log"].toString(), plant + "//MP2ImportCheck.txt");
    // Where the import would make the database, never the check's private folder.
    EXPECT_EQ(json["database"].toString(), plant + "/Plant.mdb");
    EXPECT_TRUE(r.out.contains("\nNew database: " + plant + "/Plant.mdb (where the import will make it; the check kept "
                               "none)\n"))
        << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(json["database"].toString())) << json["database"].toString().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));  // the working copy goes at every end
    EXPECT_EQ(json["tables"].toArray()[1].toObject()["converted"].toInteger(), 2);  // EQUIP
    EXPECT_EQ(QDir(plant).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"MP2ImportCheck.txt", "MP2ImportLog.txt"}));
    EXPECT_EQ(reliability::ReadBytes(plant + "/MP2ImportLog.txt"), "the earlier import's log\r\n");
    EXPECT_EQ(LogLines(plant + "/MP2ImportCheck.txt").last(), "");
    EXPECT_TRUE(LogLines(plant + "/MP2ImportCheck.txt").contains("Warnings: 0"));
    EXPECT_EQ(RegisteredDatabases(), 0);

    // Failed: the long number has no new one to take, found before the first conversion; the log ends
    // saying why.
    r = Batch({"--source", source, "--yes", "--report", report});
    EXPECT_EQ(r.status, 3);
    json = Report(report);
    EXPECT_EQ(json["result"].toString(), "failed");
    const QJsonObject error = json["error"].toObject();
    EXPECT_EQ(error["number"].toInt(), 9);
    EXPECT_EQ(error["where"].toString(), "DoImport");
    EXPECT_TRUE(error["description"].toString().contains("no --rename")) << error["description"].toString().toStdString();
    EXPECT_FALSE(json["registered"].toBool());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));
    QStringList lines = LogLines(plant + "/MP2ImportLog.txt");
    // The line that says why, then the account of the rows, those not reached included.
    const qsizetype ending = lines.indexOf(QRegularExpression("The import failed \\(DoImport error 9: .*"));
    ASSERT_GE(ending, 0) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[ending + 2].contains("not reached")) << lines.join("\n").toStdString();
    EXPECT_FALSE(QFileInfo::exists(plant + "/Plant.mdb"));
    // Every MP2 table is in the account, each adding up: those the run never came to hold every row as
    // not reached.
    QMap<QString, QJsonObject> tables;
    for (const QJsonValue& v : json["tables"].toArray())
        tables[v.toObject()["mp2"].toString()] = v.toObject();
    EXPECT_EQ(tables.size(), 16);
    for (const QJsonObject& t : tables)
        EXPECT_EQ(t["read"].toInteger(), t["converted"].toInteger() + t["merged"].toInteger() +
                                             t["skipped"].toInteger() + t["not_reached"].toInteger())
            << t["mp2"].toString().toStdString();
    EXPECT_EQ(tables["VENDOR"]["read"].toInteger(), 1);
    EXPECT_EQ(tables["VENDOR"]["not_reached"].toInteger(), 1);
    EXPECT_EQ(tables["EQUIP"]["not_reached"].toInteger(), 2);

    // Refused: a file already has the new database's name. The log of the failed run stays.
    QFile blocking(plant + "/Plant.mdb");
    ASSERT_TRUE(blocking.open(QIODevice::WriteOnly));
    blocking.close();
    r = Batch(QStringList{"--source", source, "--yes", "--report", report} + rename);
    EXPECT_EQ(r.status, 1);
    json = Report(report);
    EXPECT_EQ(json["result"].toString(), "refused");
    EXPECT_EQ(json["error"].toObject()["where"].toString(), "btnImport_Click");
    EXPECT_TRUE(json["error"].toObject()["description"].toString().contains("already exists"));
    EXPECT_EQ(json["log"].toString(), "");
    EXPECT_TRUE(json["tables"].toArray().isEmpty());
    EXPECT_EQ(LogLines(plant + "/MP2ImportLog.txt"), lines);
    EXPECT_EQ(RegisteredDatabases(), 0);
    QFile::remove(plant + "/Plant.mdb");

    // A report at one of the run's own files is refused before the run starts (exit 2), a check's at
    // the names of the import it checks too; nothing is written there.
    const QByteArray earlierLog = reliability::ReadBytes(plant + "/MP2ImportLog.txt");
    for (const auto& [check, at, says] : std::vector<std::tuple<bool, QString, QString>>{
             {true, plant + "/MP2ImportLog.txt", "A check never writes the files of the import it checks."},
             {true, plant + "/Plant.mdb", "A check never writes the files of the import it checks."},
             {false, plant + "/MP2ImportLog.txt", "Each file of an import must be a file of its own."},
             {false, plant + "/Plant.mdb", "Each file of an import must be a file of its own."},
             {false, dir.filePath("work/temp7601.in"), "Each file of an import must be a file of its own."}}) {
        SCOPED_TRACE(at.toStdString());
        QStringList args = QStringList{"--source", source, "--yes", "--report", at} + rename;
        if (check)
            args << "--check-only";
        const reliability::Fingerprint before = reliability::FingerprintOf(at);
        r = Batch(args);
        EXPECT_EQ(r.status, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(says)) << r.err.toStdString();
        EXPECT_TRUE(reliability::FingerprintOf(at) == before);
        EXPECT_EQ(reliability::ReadBytes(plant + "/MP2ImportLog.txt"), earlierLog);
        EXPECT_FALSE(QFileInfo::exists(plant + "/Plant.mdb"));
    }
    EXPECT_EQ(RegisteredDatabases(), 0);
}

}  // namespace

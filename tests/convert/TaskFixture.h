#pragma once
// A run of one conversion on its own: an MP2 working copy and a new database made from the
// product's template in a temporary directory, the import log beside them, a scripted operator,
// and helpers to read back the log, the target rows and what the operator saw.
#include "common/Clock.h"
#include "run/EndProgram.h"
#include "run/RunState.h"
#include "run/ScriptedOperator.h"
#include "db/Database.h"
#include "mp2sample/Mp2Schema.h"
#include "support/NewDatabase.h"
#include "wizard/HostProduct.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace dao {
// Field values in test failures: the kind and the text.
// Internal linkage: another test header may print values its own way.
static inline void PrintTo(const Variant& v, std::ostream* os)
{
    static const char* const kinds[] = {"Null", "Boolean", "Integer", "Real", "Date", "Text"};
    *os << kinds[static_cast<int>(v.kind())];
    if (v.kind() == Variant::Kind::Date)
        *os << "(" << v.toDate().toString(Qt::ISODate).toStdString() << ")";
    else if (!v.isNull())
        *os << "(\"" << v.toText().toStdString() << "\")";
}
}  // namespace dao

namespace convtest {

inline const QString CR = QString(QChar(13));
inline const QString CRLF = QStringLiteral("\r\n");

inline QDateTime Day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC); }

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        inPath = dir.filePath("temp7601.in");
        outPath = dir.filePath("Plant.mdb");
        logPath = dir.filePath("MP2ImportLog.txt");
        testsupport::CreateMp2WorkingCopy(inPath);
        CreateTemplate(outPath);
        testsupport::HandNewDatabaseToTheRun(run, outPath);
        run.TargetPath = outPath;
        testsupport::OpenLogThroughTheRun(run, logPath);
        run.progress.InitProgress(1000, op);
    }

    void TearDown() override
    {
        Clock::SetFixed({});
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout})
            if (*db && (*db)->isOpen())
                (*db)->Close();
    }

    // MP2 rows; only before Open().
    void Insert(const QString& table, const std::vector<testsupport::Mp2Row>& rows)
    {
        testsupport::InsertMp2Rows(inPath, table, rows);
    }

    // Opens DBin and DBout as the driver does.
    void Open()
    {
        run.DBin = dao::Database::OpenDatabase(inPath);
        run.DBout = dao::Database::OpenDatabase(outPath);
        run.gDBoutOpen = true;
    }

    // Equipment and tasks already in the new database, as the earlier conversions leave them.
    void AddEquipment(const QStringList& numbers)
    {
        auto rs = run.DBout->OpenRecordset("Equipment", dao::dbOpenTable);
        for (const QString& n : numbers) {
            rs->AddNew();
            rs->Fields("Equipment#") = n;
            rs->Update();
        }
    }
    void AddTasks(const QStringList& descriptions)
    {
        auto rs = run.DBout->OpenRecordset("Task", dao::dbOpenTable);
        for (const QString& d : descriptions) {
            rs->AddNew();
            rs->Fields("Description") = d;
            rs->Update();
        }
    }

    // Runs raw SQL on an open database of the run (to break it on purpose).
    static void Sql(dao::Database& db, const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(db.handle(), sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string why = err ? err : "?";
            sqlite3_free(err);
            FAIL() << why;
        }
        db.invalidateSchema();
    }

    // The exit status when the procedure ends the program, -1 when it returns.
    static int EndStatus(const std::function<void()>& procedure)
    {
        try {
            procedure();
        } catch (const EndProgram& end) {
            return end.status;
        }
        return -1;
    }

    // The log's lines. Every line must end in CR LF.
    QStringList LogLines() const
    {
        QFile f(logPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QString all = QString::fromUtf8(f.readAll());
        if (all.isEmpty())
            return {};
        EXPECT_TRUE(all.endsWith(CRLF)) << "the log's last line has no CR LF";
        QStringList lines = all.split(CRLF);
        lines.removeLast();
        return lines;
    }

    // Rows of a query on DBout, each as the listed columns' values.
    std::vector<std::vector<dao::Variant>> Rows(const QString& sql, const QStringList& columns)
    {
        std::vector<std::vector<dao::Variant>> out;
        auto rs = run.DBout->OpenRecordset(sql, dao::dbOpenSnapshot);
        while (!rs->EOF_()) {
            std::vector<dao::Variant> row;
            for (const QString& c : columns)
                row.push_back(rs->Fields(c).Value());
            out.push_back(row);
            rs->MoveNext();
        }
        return out;
    }

    long Count(const QString& table) { return static_cast<long>(Rows("Select * from [" + table + "]", {}).size()); }

    int Steps() const { return static_cast<int>(op.progressValue()); }

    QTemporaryDir dir;
    QString inPath, outPath, logPath;
    ScriptedOperator op;
    RunState run{op};
};

}  // namespace convtest

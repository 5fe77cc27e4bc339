#pragma once
// One equipment-subsystem conversion on its own: an MP2 working copy and a new database from the
// product's template in a temporary directory, the import log beside them, a scripted operator, and
// readers for the log, the rows written and what the operator saw.
#include "run/EndProgram.h"
#include "run/RunState.h"
#include "run/ScriptedOperator.h"
#include "db/Database.h"
#include "mp2sample/Mp2Schema.h"
#include "support/NewDatabase.h"
#include "support/SqliteFile.h"
#include "wizard/HostProduct.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ostream>

// Texts print as texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << "{" << l.join(" | ").toStdString() << "}"; }

namespace eqtest {

using Answer = ScriptedOperator::Answer;
using Kind = ScriptedOperator::Kind;
inline const QString CR = QString(QChar(13));
inline const QString CRLF = QStringLiteral("\r\n");

class EquipmentTest : public ::testing::Test {
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
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout})
            if (*db && (*db)->isOpen())
                (*db)->Close();
    }

    void Insert(const QString& table, const std::vector<testsupport::Mp2Row>& rows)
    {
        testsupport::InsertMp2Rows(inPath, table, rows);
    }

    void Open()
    {
        run.DBin = dao::Database::OpenDatabase(inPath);
        run.DBout = dao::Database::OpenDatabase(outPath);
        run.gDBoutOpen = true;
    }

    // Raw SQL on the open working copy (to give it a shape on purpose).
    void Sql(const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(run.DBin->handle(), sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string why = err ? err : "?";
            sqlite3_free(err);
            FAIL() << why;
        }
        run.DBin->invalidateSchema();
    }

    // Runs a procedure; the exit status when it ends the program, -1 when it returns.
    static int Status(const std::function<void()>& procedure)
    {
        try {
            procedure();
        } catch (const EndProgram& end) {
            return end.status;
        }
        return -1;
    }

    // One value from a file of the run, after the pending writes reached it.
    QString In(const QString& sql) const
    {
        dao::Idle(dao::dbRefreshCache);
        return testsupport::QueryText(inPath, sql);
    }
    QString Out(const QString& sql) const
    {
        dao::Idle(dao::dbRefreshCache);
        return testsupport::QueryText(outPath, sql);
    }

    // The log's lines (CR LF ends each; the split leaves an empty text after the last).
    QStringList LogLines() const
    {
        QFile f(logPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(CRLF);
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    int Steps() const { return static_cast<int>(run.progress.Value); }

    QTemporaryDir dir;
    QString inPath, outPath, logPath;
    ScriptedOperator op;
    RunState run{op};
};

}  // namespace eqtest

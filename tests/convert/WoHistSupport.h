#pragma once
// A run for one conversion: an MP2 working copy and a new database from the template in a temporary
// directory, a scripted operator, the import log beside them and a progress bar sized for the test.
#include "run/EndProgram.h"
#include "run/RunState.h"
#include "run/ScriptedOperator.h"
#include "mp2sample/Mp2Schema.h"
#include "support/NewDatabase.h"
#include "support/SqliteFile.h"
#include "wizard/HostProduct.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Texts print as texts in failure messages (the same definitions as the equipment tests').
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << "{" << l.join(" | ").toStdString() << "}"; }

class ConversionRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        inPath = dir.filePath("temp7601.in");
        outPath = dir.filePath("Plant.vdb");
        testsupport::CreateMp2WorkingCopy(inPath);
        CreateTemplate(outPath);
    }
    void TearDown() override
    {
        if (run) {
            if (run->DBin)
                run->DBin->Close();
            if (run->DBout && run->DBout->isOpen())
                run->DBout->Close();
            run->log.Close();
        }
    }

    // Rows for the MP2 copy, before Open.
    void Mp2(const QString& table, const std::vector<testsupport::Mp2Row>& rows)
    {
        testsupport::InsertMp2Rows(inPath, table, rows);
    }
    // SQL on the new database, before Open.
    void Out(const QStringList& sql) { testsupport::RunSql(outPath, sql); }

    // Opens both databases and the log, as the driver leaves them for a conversion.
    void Open()
    {
        run = std::make_unique<RunState>(op);
        testsupport::HandNewDatabaseToTheRun(*run, outPath);
        run->DBin = dao::Database::OpenDatabase(inPath);
        run->DBout = dao::Database::OpenDatabase(outPath);
        run->gDBoutOpen = true;
        run->TargetPath = outPath;
        testsupport::OpenLogThroughTheRun(*run, dir.filePath("MP2ImportLog.txt"));
        run->progress.InitProgress(1000, op);
    }

    // The log's lines (CR LF ends each; a CR inside a line stays in it).
    QStringList LogLines()
    {
        QFile f(dir.filePath("MP2ImportLog.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n"));
        QStringList lines = text.split("\r\n");
        lines.removeLast();
        return lines;
    }
    // The log's lines from the first that equals `first` on.
    QStringList LogFrom(const QString& first)
    {
        const QStringList lines = LogLines();
        const qsizetype at = lines.indexOf(first);
        return at < 0 ? QStringList{"<missing> " + first} : lines.mid(at);
    }
    // Values from the new database, read past the db layer once the conversion has committed.
    QString OutText(const QString& sql)
    {
        dao::Idle(dao::dbRefreshCache);
        return testsupport::QueryText(outPath, sql);
    }
    // One field of every row a query returns, through the db layer, in text form ("<Null>" for Null).
    QStringList Column(const QString& sql, const QString& field)
    {
        QStringList out;
        auto rs = run->DBout->OpenRecordset(sql, dao::dbOpenSnapshot);
        for (; !rs->EOF_(); rs->MoveNext()) {
            const dao::Variant v = rs->Fields(field).Value();
            out << (v.isNull() ? QStringLiteral("<Null>") : v.toText());
        }
        return out;
    }
    int Steps() const { return static_cast<int>(op.progressValue()); }

    QTemporaryDir dir;
    QString inPath;
    QString outPath;
    ScriptedOperator op;
    std::unique_ptr<RunState> run;
};

inline dao::Variant Day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC); }

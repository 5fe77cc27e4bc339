#pragma once
// The account of every source row of one run. For each MP2 table the import reads: the rows it holds
// and what became of each one (converted into a record or part of one, merged into another, or
// skipped for a reason); for each table of the new database: the records created and, of them, the
// inactive placeholders invented to keep history. For every source table read = converted + merged +
// skipped + not reached, where the rows not reached are those a run that stopped early (failed,
// cancelled, interrupted) never came to. The conversions fill it as they go; the summary, the report
// and the log's last lines read it.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

struct SourceTableAccount {
    QString mp2;           // the MP2 table as the log names it: "EQUIP", "WOE", ...
    qint64 read = 0;       // rows in the source table
    qint64 converted = 0;  // rows that became a record or part of one
    qint64 merged = 0;     // rows folded into another (a repeated work-order line, readings of one day, ...)
    // Each reason in the words of its log line (without the record's own values), in the order the
    // reasons first occurred.
    std::vector<std::pair<QString, qint64>> skippedByReason;
    qint64 notReached = 0;  // rows a run that stopped early never came to
    qint64 expected = 0;    // the rows the table held before the conversions began (Expect)
    bool reached = false;   // a conversion has read the table

    qint64 skipped() const;
    bool addsUp() const { return read == converted + merged + skipped() + notReached; }
};

struct TargetTableAccount {
    QString table;         // the table of the new database: "Equipment", "WO", ...
    qint64 created = 0;    // records created, placeholders included
    qint64 invented = 0;   // of them, the inactive placeholders made to keep history
};

class RunAccount {
public:
    // Source tables and target tables appear in the order they are first named.
    // Before the conversions: a source table the run will read, with the rows it holds, so that a run
    // that stops before it comes to the table still lists it (every row not reached).
    void Expect(const QString& mp2, qint64 rows);
    void Read(const QString& mp2, qint64 rows);
    void Converted(const QString& mp2, qint64 rows = 1);
    void Merged(const QString& mp2, qint64 rows = 1);
    void Skipped(const QString& mp2, const QString& reason, qint64 rows = 1);
    void Created(const QString& table, qint64 records = 1);
    void Invented(const QString& table, qint64 records = 1);  // counted as created too

    const std::vector<SourceTableAccount>& Sources() const { return sources_; }
    const std::vector<TargetTableAccount>& Targets() const { return targets_; }
    const SourceTableAccount* Source(const QString& mp2) const;  // null when not named
    const TargetTableAccount* Target(const QString& table) const;
    qint64 TotalSkipped() const;
    qint64 TotalNotReached() const;
    // The run stopped early: every row read and not yet accounted for is counted as not reached, and
    // so is every row of a table expected and never reached.
    void StoppedEarly();
    void Clear();
    // The accounts of the named target tables as `earlier` had them (a table it did not name is no
    // longer named either): for work done ahead of the step it belongs to, when the run fails first.
    void RestoreTargets(const RunAccount& earlier, const QStringList& tables);

private:
    SourceTableAccount& source(const QString& mp2);
    TargetTableAccount& target(const QString& table);
    std::vector<SourceTableAccount> sources_;
    std::vector<TargetTableAccount> targets_;
};

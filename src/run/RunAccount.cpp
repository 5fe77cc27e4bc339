#include "run/RunAccount.h"

#include <algorithm>

qint64 SourceTableAccount::skipped() const
{
    qint64 sum = 0;
    for (const auto& [reason, rows] : skippedByReason)
        sum += rows;
    return sum;
}

SourceTableAccount& RunAccount::source(const QString& mp2)
{
    // Mostly named as first: the exact name is looked for before the name in any letter case.
    auto it = std::find_if(sources_.begin(), sources_.end(), [&](const SourceTableAccount& s) { return s.mp2 == mp2; });
    if (it == sources_.end())
        it = std::find_if(sources_.begin(), sources_.end(),
                          [&](const SourceTableAccount& s) { return s.mp2.compare(mp2, Qt::CaseInsensitive) == 0; });
    if (it != sources_.end())
        return *it;
    sources_.push_back(SourceTableAccount{mp2.toUpper(), 0, 0, 0, {}});
    return sources_.back();
}

TargetTableAccount& RunAccount::target(const QString& table)
{
    auto it = std::find_if(targets_.begin(), targets_.end(), [&](const TargetTableAccount& t) { return t.table == table; });
    if (it == targets_.end())
        it = std::find_if(targets_.begin(), targets_.end(),
                          [&](const TargetTableAccount& t) { return t.table.compare(table, Qt::CaseInsensitive) == 0; });
    if (it != targets_.end())
        return *it;
    targets_.push_back(TargetTableAccount{table, 0, 0});
    return targets_.back();
}

void RunAccount::Expect(const QString& mp2, qint64 rows) { source(mp2).expected = rows; }

void RunAccount::Read(const QString& mp2, qint64 rows)
{
    SourceTableAccount& s = source(mp2);
    s.read += rows;
    s.reached = true;
}
void RunAccount::Converted(const QString& mp2, qint64 rows) { source(mp2).converted += rows; }
void RunAccount::Merged(const QString& mp2, qint64 rows) { source(mp2).merged += rows; }

void RunAccount::Skipped(const QString& mp2, const QString& reason, qint64 rows)
{
    auto& reasons = source(mp2).skippedByReason;
    if (rows == 0)
        return;  // no row skipped: the reason is not listed
    const auto it = std::find_if(reasons.begin(), reasons.end(), [&](const auto& r) { return r.first == reason; });
    if (it != reasons.end())
        it->second += rows;
    else
        reasons.emplace_back(reason, rows);
}

void RunAccount::Created(const QString& table, qint64 records) { target(table).created += records; }

void RunAccount::Invented(const QString& table, qint64 records)
{
    TargetTableAccount& t = target(table);
    t.created += records;
    t.invented += records;
}

const SourceTableAccount* RunAccount::Source(const QString& mp2) const
{
    for (const SourceTableAccount& s : sources_)
        if (s.mp2.compare(mp2, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const TargetTableAccount* RunAccount::Target(const QString& table) const
{
    for (const TargetTableAccount& t : targets_)
        if (t.table.compare(table, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

qint64 RunAccount::TotalSkipped() const
{
    qint64 sum = 0;
    for (const SourceTableAccount& s : sources_)
        sum += s.skipped();
    return sum;
}

void RunAccount::Clear()
{
    sources_.clear();
    targets_.clear();
}

qint64 RunAccount::TotalNotReached() const
{
    qint64 total = 0;
    for (const SourceTableAccount& s : sources_)
        total += s.notReached;
    return total;
}

void RunAccount::StoppedEarly()
{
    for (SourceTableAccount& s : sources_) {
        if (!s.reached && s.converted + s.merged + s.skipped() == 0) {
            s.read = s.expected;
            s.notReached = s.expected;
            s.reached = true;
            continue;
        }
        const qint64 accounted = s.converted + s.merged + s.skipped() + s.notReached;
        if (s.read > accounted)
            s.notReached += s.read - accounted;
    }
}

void RunAccount::RestoreTargets(const RunAccount& earlier, const QStringList& tables)
{
    for (const QString& table : tables) {
        const auto named = [&](const TargetTableAccount& t) { return t.table.compare(table, Qt::CaseInsensitive) == 0; };
        const auto now = std::find_if(targets_.begin(), targets_.end(), named);
        if (now == targets_.end())
            continue;
        const auto before = std::find_if(earlier.targets_.begin(), earlier.targets_.end(), named);
        if (before == earlier.targets_.end())
            targets_.erase(now);
        else
            *now = *before;
    }
}

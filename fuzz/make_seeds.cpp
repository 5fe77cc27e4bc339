// crew-fuzz-seeds DIR: writes the fuzzer's seed sources, small Jet 4 files that between them hold
// every column type the reader decodes, memos inline and in long-value rows, deleted rows, a
// primary key, unique indexes, relationships and a password.
#include "jet/JetWriter.h"

#include <QDateTime>
#include <QDir>
#include <cstdio>

using dao::FieldType;
using dao::Variant;
using jetwriter::Column;
using jetwriter::JetFile;
using jetwriter::Table;

namespace {

Table everyType()
{
    Table t;
    t.name = "EQUIP";
    t.columns = {{"ID", FieldType::Long, 0, true, true},  {"EQNUM", FieldType::Text, 25, true},
                 {"FLAG", FieldType::Boolean},             {"B", FieldType::Byte},
                 {"I", FieldType::Integer},                {"COST", FieldType::Currency},
                 {"S", FieldType::Single},                 {"D", FieldType::Double},
                 {"WHEN", FieldType::Date},                {"NOTES", FieldType::Memo}};
    t.rows = {{Variant(), "PUMP-1", true, 7, -12, "12.3456", 1.5, -2.25, "2024-03-01 08:30:00", "short memo"},
              {Variant(), "MIXER 'A'", false, 255, 32767, "-922337203685477.5808", 0.0, 1e300, "1899-12-30",
               QString(3000, QChar('m'))},
              {Variant(), "Ölpumpe \"Nord\"", Variant(), Variant(), Variant(), Variant(), Variant(), Variant(),
               Variant(), Variant()}};
    t.primaryKey = {"ID"};
    t.uniqueIndexes = {{"EQNUM"}};
    return t;
}

Table withDeleted()
{
    Table t;
    t.name = "WO";
    t.columns = {{"WONUM", FieldType::Text, 10, true}, {"EQNUM", FieldType::Text, 25}, {"N", FieldType::Long}};
    for (int i = 0; i < 40; ++i)
        t.rows.push_back({QString("WO%1").arg(i), QString("PUMP-%1").arg(i % 3), i});
    t.deleted.assign(t.rows.size(), false);
    for (std::size_t i = 0; i < t.deleted.size(); i += 5)
        t.deleted[i] = true;
    return t;
}

Table longMemos()
{
    Table t;
    t.name = "TSKINSTR";
    t.columns = {{"TASKNUM", FieldType::Text, 10}, {"TEXT", FieldType::Memo}};
    t.rows = {{"T1", QString(9000, QChar('x'))}, {"T2", QString(200, QChar(0x00E9))}, {"T3", ""}};
    return t;
}

void write(const JetFile& f, const QString& path)
{
    jetwriter::writeJet4(f, path);
    std::printf("%s\n", path.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: crew-fuzz-seeds DIR\n");
        return 64;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    try {
        JetFile types;
        types.tables = {everyType()};
        write(types, dir + "/seed-types.mdb");

        JetFile related;
        related.tables = {everyType(), withDeleted()};
        related.relationships = {{"EQUIPWO", "EQUIP", "EQNUM", "WO", "EQNUM", 0}};
        write(related, dir + "/seed-relationships.mdb");

        JetFile memos;
        memos.tables = {longMemos()};
        memos.password = "s3cret";
        write(memos, dir + "/seed-memos-password.mdb");

        JetFile empty;
        Table none;
        none.name = "EMPTY";
        none.columns = {{"A", FieldType::Text, 1}};
        empty.tables = {none};
        write(empty, dir + "/seed-empty-table.mdb");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crew-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The realistic MP2 sample: it reads back through the import's copy with every table and column,
// grows linearly, is reproducible, keeps its rows related as a plant's are, and holds the awkward
// cases the conversions must survive.
#include "mp2sample/Mp2Sample.h"
#include "mp2sample/Mp2Schema.h"

#include "jet/CopySource.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>

namespace {

using testsupport::BuildMp2Sample;
using testsupport::Mp2Sample;
using testsupport::Mp2SampleOptions;

const jetwriter::Table& table(const Mp2Sample& s, const QString& name)
{
    for (const auto& t : s.file.tables)
        if (t.name == name)
            return t;
    throw std::runtime_error("no table " + name.toStdString());
}

// The values of one column, in row order.
std::vector<dao::Variant> column(const Mp2Sample& s, const QString& tableName, const QString& col)
{
    const auto& t = table(s, tableName);
    size_t c = 0;
    while (c < t.columns.size() && t.columns[c].name != col)
        ++c;
    if (c == t.columns.size())
        throw std::runtime_error("no column " + col.toStdString());
    std::vector<dao::Variant> out;
    for (const auto& row : t.rows)
        out.push_back(row[c]);
    return out;
}

QSet<QString> upperTexts(const std::vector<dao::Variant>& values)
{
    QSet<QString> out;
    for (const auto& v : values)
        if (!v.isNull())
            out.insert(v.toText().toUpper());
    return out;
}

template <class Pred>
int countIf(const std::vector<dao::Variant>& values, Pred pred)
{
    return int(std::count_if(values.begin(), values.end(), pred));
}

Mp2SampleOptions at(double scale, std::uint64_t seed = 1)
{
    Mp2SampleOptions o;
    o.scale = scale;
    o.seed = seed;
    return o;
}

const Mp2Sample& small()
{
    static const Mp2Sample s = BuildMp2Sample(at(0.1));
    return s;
}

TEST(Mp2Sample, CopiesThroughTheImportWithEveryTableColumnAndRow)
{
    const auto reader = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "crew-jet-reader";
    if (!std::filesystem::exists(reader))
        GTEST_SKIP() << "crew-jet-reader is not built";
    QTemporaryDir dir;
    Mp2SampleOptions o = at(0.05);
    o.password = "Pl'ant 7";
    const Mp2Sample sample = BuildMp2Sample(o);
    const QString mdb = dir.filePath("mp2.mdb"), copy = dir.filePath("temp7601.in");
    jetwriter::writeJet4(sample.file, mdb);
    dao::CopySource(mdb, copy);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(copy).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    auto scalar = [&](const QString& sql) {
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK) << sql.toStdString();
        std::vector<QString> out;
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
        sqlite3_finalize(st);
        return out;
    };
    for (const QString& name : testsupport::Mp2TableNames()) {
        QStringList expected, actual;
        for (const auto& c : testsupport::Mp2Columns(name))
            expected << c.name;
        for (const QString& c : scalar("SELECT name FROM pragma_table_info('" + name + "')"))
            actual << c;
        EXPECT_EQ(actual, expected) << name.toStdString();
        const auto count = scalar("SELECT count(*) FROM \"" + name + "\"");
        ASSERT_EQ(count.size(), 1u);
        EXPECT_EQ(count[0].toLongLong(), qint64(table(sample, name).rows.size())) << name.toStdString();
    }
    // Values survive the trip: the awkward numbers, Nulls and memos among them.
    EXPECT_EQ(scalar("SELECT count(*) FROM EQUIP WHERE EQNUM IS NULL")[0].toInt(),
              countIf(column(sample, "EQUIP", "EQNUM"), [](const dao::Variant& v) { return v.isNull(); }));
    EXPECT_EQ(scalar("SELECT count(*) FROM EQUIP WHERE length(EQNUM) > 30")[0].toInt(), int(sample.renames.size()));
    EXPECT_EQ(scalar("SELECT count(*) FROM WOC WHERE length(TEXTS) > 2000")[0].toInt(),
              countIf(column(sample, "WOC", "TEXTS"), [](const dao::Variant& v) { return v.toText().size() > 2000; }));
    sqlite3_close(db);
}

TEST(Mp2Sample, RowCountsGrowLinearly)
{
    const Mp2Sample one = BuildMp2Sample(at(1));
    EXPECT_EQ(table(one, "EQUIP").rows.size(), 500u);
    EXPECT_EQ(table(one, "WOE").rows.size(), 20000u);
    EXPECT_EQ(table(one, "FACILITY").rows.size(), 1u);

    const Mp2Sample half = BuildMp2Sample(at(0.5)), two = BuildMp2Sample(at(2));
    for (const QString& name : testsupport::Mp2TableNames()) {
        if (name == "FACILITY")
            continue;
        const double r = double(table(two, name).rows.size()), h = double(table(half, name).rows.size());
        ASSERT_GT(h, 0) << name.toStdString();
        EXPECT_NEAR(r / h, 4.0, 0.4) << name.toStdString() << ": " << h << " rows at 0.5, " << r << " at 2";
    }
    EXPECT_NEAR(double(testsupport::Mp2SampleRowCount(two)) / double(testsupport::Mp2SampleRowCount(one)), 2.0, 0.1);
}

TEST(Mp2Sample, SameOptionsGiveTheSameBytes)
{
    const QByteArray a = jetwriter::buildJet4(BuildMp2Sample(at(0.05, 7)).file);
    EXPECT_EQ(a, jetwriter::buildJet4(BuildMp2Sample(at(0.05, 7)).file));
    EXPECT_NE(a, jetwriter::buildJet4(BuildMp2Sample(at(0.05, 8)).file));
    Mp2SampleOptions later = at(0.05, 7);
    later.asOf = later.asOf.addDays(1);
    EXPECT_NE(a, jetwriter::buildJet4(BuildMp2Sample(later).file));

    EXPECT_THROW(BuildMp2Sample(at(0)), std::invalid_argument);
    EXPECT_THROW(BuildMp2Sample(at(-1)), std::invalid_argument);
}

TEST(Mp2Sample, EquipmentNumbersHoldTheAwkwardCasesAndTheRenamesFit)
{
    const Mp2Sample& s = small();
    const auto eq = column(s, "EQUIP", "EQNUM");
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return v.isNull(); }), 0);
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return v.isText() && v.toText().isEmpty(); }), 0);
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return v.toText().contains('\''); }), 0);
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return v.toText().size() > 15 && v.toText().size() <= 30; }), 0);
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return !v.toText().isEmpty() && v.toText() != v.toText().toUpper(); }), 0);

    // Unique without regard to case, as the target's key is.
    QSet<QString> seen;
    int repeated = 0;
    for (const auto& v : eq)
        if (!v.toText().isEmpty()) {
            repeated += seen.contains(v.toText().toUpper());
            seen.insert(v.toText().toUpper());
        }
    EXPECT_EQ(repeated, 0);

    // Every number over 30 characters has a rename, and each rename is free and short enough.
    const int longOnes = countIf(eq, [](const dao::Variant& v) { return v.toText().size() > 30; });
    EXPECT_GT(longOnes, 0);
    ASSERT_EQ(int(s.renames.size()), longOnes);
    QSet<QString> renamed;
    for (const auto& [oldNumber, newNumber] : s.renames) {
        EXPECT_GT(oldNumber.size(), 30);
        EXPECT_TRUE(seen.contains(oldNumber.toUpper()));
        EXPECT_LE(newNumber.size(), 30);
        EXPECT_FALSE(seen.contains(newNumber.toUpper())) << newNumber.toStdString();
        EXPECT_FALSE(renamed.contains(newNumber)) << newNumber.toStdString();
        renamed.insert(newNumber);
    }
    EXPECT_GT(countIf(column(s, "EQUIP", "MANUFACTURER"), [](const dao::Variant& v) { return v.toText().contains('\''); }), 0);
    const auto sub1 = column(s, "EQUIP", "SUBLOCATION1");
    EXPECT_GT(countIf(sub1, [](const dao::Variant& v) { return v.toText() == "-"; }), 0);
    EXPECT_GT(countIf(sub1, [](const dao::Variant& v) { return v.isText() && !v.toText().isEmpty() && v.toText().trimmed().isEmpty(); }), 0);
}

TEST(Mp2Sample, SchedulesAreOverdueMalformedOrDanglingAtTimes)
{
    const Mp2Sample& s = small();
    const auto due = column(s, "TASKEQ", "NEXTDUEDATE"), unit = column(s, "TASKEQ", "DATEUNIT"),
               count = column(s, "TASKEQ", "NUMOFDATE"), task = column(s, "TASKEQ", "TASKNUM"),
               eq = column(s, "TASKEQ", "EQNUM");
    const double asOf = double(QDate(1899, 12, 30).daysTo(Mp2SampleOptions().asOf));
    EXPECT_GT(countIf(due, [&](const dao::Variant& v) { return !v.isNull() && v.toDouble() < asOf - 366; }), 0);
    EXPECT_GT(countIf(due, [&](const dao::Variant& v) { return !v.isNull() && v.toDouble() > asOf; }), 0);
    EXPECT_GT(countIf(due, [](const dao::Variant& v) { return v.isNull(); }) +
                  countIf(unit, [](const dao::Variant& v) { return v.isNull(); }) +
                  countIf(count, [](const dao::Variant& v) { return v.isNull(); }), 0);
    EXPECT_GT(countIf(count, [](const dao::Variant& v) { return !v.isNull() && v.toLong() <= 0; }), 0);
    EXPECT_GT(countIf(unit, [](const dao::Variant& v) {
                  return !v.isNull() && !QStringList{"D", "W", "M", "Y"}.contains(v.toText().toUpper());
              }), 0);
    EXPECT_GT(countIf(unit, [](const dao::Variant& v) { return v.toText() == "m" || v.toText() == "w" || v.toText() == "d" || v.toText() == "y"; }), 0);

    const QSet<QString> tasks = upperTexts(column(s, "TASK", "TASKNUM")), equipment = upperTexts(column(s, "EQUIP", "EQNUM"));
    EXPECT_GT(countIf(task, [&](const dao::Variant& v) { return !tasks.contains(v.toText().toUpper()); }), 0);
    EXPECT_GT(countIf(task, [](const dao::Variant& v) { return v.toText() == "CORRECTIVE"; }), 0);
    EXPECT_GT(countIf(eq, [](const dao::Variant& v) { return v.toText() == "-"; }), 0);
    const int missingEq = countIf(eq, [&](const dao::Variant& v) { return v.toText() != "-" && !equipment.contains(v.toText().toUpper()); });
    EXPECT_GT(missingEq, 0);
    EXPECT_LT(missingEq, int(eq.size()) / 10) << "most schedules name real equipment";
    QSet<QString> pairs;
    int repeated = 0;
    for (size_t i = 0; i < task.size(); ++i) {
        const QString key = task[i].toText().toUpper() + '\x01' + eq[i].toText().toUpper();
        repeated += pairs.contains(key);
        pairs.insert(key);
    }
    EXPECT_GT(repeated, 0);
}

TEST(Mp2Sample, HistoryRefersToItsWorkOrdersAndSometimesToWhatIsGone)
{
    const Mp2Sample& s = small();
    const auto woNum = column(s, "WOE", "WONUM"), woEq = column(s, "WOE", "EQNUM"), woEmp = column(s, "WOE", "EMPCODE");
    const QSet<QString> orders = upperTexts(column(s, "WO", "WONUM")), equipment = upperTexts(column(s, "EQUIP", "EQNUM"));
    QSet<QString> employees;
    for (const auto& v : column(s, "EMP", "EMPCODE"))
        if (!v.isNull())
            employees.insert(v.toText());  // employee numbers are compared as stored

    const int lines = int(woNum.size());
    const int noOrder = countIf(woNum, [&](const dao::Variant& v) { return !orders.contains(v.toText().toUpper()); });
    const int noEquipment = countIf(woEq, [&](const dao::Variant& v) { return !equipment.contains(v.toText().toUpper()); });
    const int goneEmployee = countIf(woEmp, [&](const dao::Variant& v) {
        return !v.isNull() && !v.toText().trimmed().isEmpty() && !employees.contains(v.toText());
    });
    for (int n : {noOrder, noEquipment, goneEmployee}) {
        EXPECT_GT(n, 0);
        EXPECT_LT(n, lines / 20);
    }
    EXPECT_GT(countIf(woEmp, [](const dao::Variant& v) { return v.isNull(); }), 0);
    EXPECT_GT(countIf(woEmp, [](const dao::Variant& v) { return v.isText() && v.toText().trimmed().isEmpty(); }), 0);

    // Repeated lines of one work order and equipment share their closing date and location; most
    // have a closing row in WOC with the same work order, equipment, date and location.
    std::map<QString, int> perPair;
    for (int i = 0; i < lines; ++i)
        ++perPair[woNum[size_t(i)].toText() + '|' + woEq[size_t(i)].toText()];
    EXPECT_GT(std::count_if(perPair.begin(), perPair.end(), [](const auto& p) { return p.second > 1; }), long(perPair.size()) / 4);
    QSet<QString> lineKeys;
    const auto& woe = table(s, "WOE");
    auto key = [](const std::vector<dao::Variant>& row) {
        QStringList k;
        for (int c = 0; c < 6; ++c)
            k << (row[size_t(c)].isNull() ? QString("<null>") : row[size_t(c)].toText());
        return k.join('|');
    };
    for (const auto& row : woe.rows)
        lineKeys.insert(key(row));
    const auto& woc = table(s, "WOC");
    const int matched = int(std::count_if(woc.rows.begin(), woc.rows.end(), [&](const auto& row) { return lineKeys.contains(key(row)); }));
    EXPECT_GT(matched, int(woc.rows.size()) * 95 / 100);
    EXPECT_LT(matched, int(woc.rows.size()));

    const auto woTask = column(s, "WO", "TASKNUM");
    const QSet<QString> tasks = upperTexts(column(s, "TASK", "TASKNUM"));
    EXPECT_GT(countIf(woTask, [](const dao::Variant& v) { return v.isNull(); }), 0);
    EXPECT_GT(countIf(woTask, [&](const dao::Variant& v) { return !v.isNull() && v.toText() != "CORRECTIVE" && !tasks.contains(v.toText().toUpper()); }), 0);

    const auto items = upperTexts(column(s, "INVY", "ITEMNUM"));
    const auto part = column(s, "WOP", "ITEMNUM");
    EXPECT_GT(countIf(part, [&](const dao::Variant& v) { return !v.toText().trimmed().isEmpty() && !items.contains(v.toText().toUpper()); }), 0);
    EXPECT_GT(countIf(part, [](const dao::Variant& v) { return v.toText().trimmed().isEmpty(); }), 0);
    EXPECT_GT(countIf(column(s, "WOP", "DESCRIPTION"), [](const dao::Variant& v) { return v.toText() == "O'Ring kit"; }), 0);
}

TEST(Mp2Sample, ReferenceDataHoldsDuplicatesQuotesAndOrphans)
{
    const Mp2Sample& s = small();
    const auto id = column(s, "VENDOR", "VENDORID"), name = column(s, "VENDOR", "NAME");
    EXPECT_GT(countIf(id, [](const dao::Variant& v) { return v.isNull(); }) + countIf(name, [](const dao::Variant& v) { return v.isNull(); }), 0);
    QSet<QString> names;
    int duplicates = 0;
    for (const auto& v : name)
        if (!v.isNull()) {
            duplicates += names.contains(v.toText());
            names.insert(v.toText());
        }
    EXPECT_GT(duplicates, 0);
    EXPECT_GT(countIf(name, [](const dao::Variant& v) { return v.toText().contains('\''); }), 0);

    EXPECT_GT(countIf(column(s, "INVY", "ITEMNUM"), [](const dao::Variant& v) { return v.toText().contains('\''); }), 0);
    EXPECT_GT(countIf(column(s, "TASK", "TASKNUM"), [](const dao::Variant& v) { return v.toText().contains('\''); }), 0);
    EXPECT_EQ(countIf(column(s, "TASK", "TASKNUM"), [](const dao::Variant& v) { return v.toText() == "CORRECTIVE"; }), 1);
    EXPECT_GT(countIf(column(s, "EMP", "EMPCODE"), [](const dao::Variant& v) { return v.toText().endsWith(' '); }), 0);

    // Every vendor row of an item names an item that exists.
    const auto items = upperTexts(column(s, "INVY", "ITEMNUM"));
    EXPECT_EQ(countIf(column(s, "INVVEND", "ITEMNUM"), [&](const dao::Variant& v) { return !items.contains(v.toText().toUpper()); }), 0);
    EXPECT_GT(countIf(column(s, "INVVEND", "PRIMARYVENDOR"), [](const dao::Variant& v) { return v.toText() == "y"; }), 0);

    // Readings of retired equipment, and two readings of one meter on one day.
    const QSet<QString> equipment = upperTexts(column(s, "EQUIP", "EQNUM"));
    const auto meq = column(s, "METER", "EQNUM"), mdate = column(s, "METER", "EQDATE");
    EXPECT_GT(countIf(meq, [&](const dao::Variant& v) { return !equipment.contains(v.toText().toUpper()); }), 0);
    QSet<QString> days;
    int sameDay = 0;
    for (size_t i = 0; i < meq.size(); ++i) {
        if (mdate[i].isNull())
            continue;
        const QString k = meq[i].toText() + '|' + mdate[i].toText();
        sameDay += days.contains(k);
        days.insert(k);
    }
    EXPECT_GT(sameDay, 0);
}

}  // namespace

// The unattended program run as an operator runs it (crew-import --batch over a host product made by
// crew-host-setup): killed at any moment, fed text built to break statements, given a password that
// must never show, and a source that must come out of every run as it went in.
#include "WholeRunFixture.h"
#include "jet/CsvTable.h"
#include "jet/JetWriter.h"
#include "mp2sample/Mp2Schema.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>

using namespace reliability;
using dao::FieldType;
using dao::Variant;

namespace {

// Every text form the statements of the import could trip over. Row i of every table uses the same
// value in its key columns, so the rows of different tables still refer to each other.
QString Hostile(int i, int size)
{
    static const QStringList kinds = {
        "O'Brien \"Big\" [A] #1# 50% *?\\ & Co",
        "  leading and trailing blanks  ",
        "two\r\nlines\tand a tab",
        QString::fromUtf8("Grüße Ærø señor € ☃"),
        "'; DROP TABLE EQUIP; --",
        "[*] ? # % ' \" \\",
    };
    const QString& k = kinds[i % kinds.size()];
    if (i >= kinds.size()) {
        // Text at its field's full length, quotes at both ends.
        QString full = "'" + QString(size, QChar('x'));
        full.truncate(size - 1);
        return full + '"';
    }
    return k.left(size);
}

constexpr int kHostileRows = 7;
constexpr int kLongMemo = 300000;

bool IsKey(const QString& column)
{
    static const QStringList keys = {"EQNUM", "TASKNUM", "VENDORID", "EMPCODE", "ITEMNUM", "WONUM", "INSTRCODE",
                                     "MANUFACTID", "TYPE"};
    return keys.contains(column, Qt::CaseInsensitive);
}

// The value the source holds in one text or memo cell.
QString HostileCell(const testsupport::Mp2Column& c, int row)
{
    if (c.type == FieldType::Memo)
        return row == 0 ? QString(kLongMemo, QChar('m')) + "'\"[]#%*?\\&" : Hostile(row, 2000);
    // Equipment numbers over 30 characters would be asked about; keys stay at most 30. A work-order
    // number travels on the first line of its history notes, so numbers hold no line breaks.
    if (IsKey(c.name))
        return Hostile(row, std::min(c.size, 30)).replace("\r\n", "  ");
    return Hostile(row, c.size);
}

jetwriter::JetFile HostileSource()
{
    jetwriter::JetFile file;
    for (const QString& name : testsupport::Mp2TableNames()) {
        jetwriter::Table t;
        t.name = name;
        for (const auto& c : testsupport::Mp2Columns(name))
            t.columns.push_back({c.name, c.type, c.size > 0 ? c.size : 50});
        for (int row = 0; row < kHostileRows; ++row) {
            std::vector<Variant> values;
            for (const auto& c : testsupport::Mp2Columns(name)) {
                if (c.type == FieldType::Text || c.type == FieldType::Memo)
                    values.emplace_back(HostileCell(c, row));
                else if (c.type == FieldType::Date)
                    values.emplace_back(QDateTime(QDate(2026, 6, 1 + row), QTime(8, 0), Qt::UTC));
                else if (c.type == FieldType::Boolean)
                    values.emplace_back(row % 2 == 0);
                else
                    values.emplace_back(row + 1);
            }
            t.rows.push_back(values);
        }
        file.tables.push_back(t);
    }
    return file;
}

}  // namespace

TEST_F(WholeRun, KilledAtAnyMomentTheSourceIsUntouchedTheListUnregisteredAndTheNextRunWorks)
{
    const QString source = DemoSource();
    const Fingerprint before = FingerprintOf(source);
    QElapsedTimer clock;
    clock.start();
    const Outcome clean = Batch(QStringList{"--source", source, "--name", "Clean", "--yes"} + DemoRename());
    int runMs = static_cast<int>(clock.elapsed());
    ASSERT_EQ(clean.status, 0) << clean.out.toStdString() << clean.err.toStdString();
    ASSERT_EQ(Registered(), 1);

    QRandomGenerator random(7601);
    int killed = 0, completed = 1;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString name = QString("Plant%1").arg(attempt);
        const QString target = UserDir() + "/" + name + "/" + name + ".mdb";
        // Moments spread over a whole run: the start-up, the copy, the conversions, the registration.
        const int delay = static_cast<int>(random.bounded(runMs + 1));
        clock.restart();
        const Outcome r = Batch(QStringList{"--source", source, "--name", name, "--yes"} + DemoRename(), delay);
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        EXPECT_TRUE(FingerprintOf(source) == before);
        if (!r.killed) {
            // A run as fast as this one bounds the moments worth trying (the first run may have been
            // slowed by a busy machine).
            runMs = std::min(runMs, static_cast<int>(clock.elapsed()));
            ASSERT_EQ(r.status, 0) << r.out.toStdString();
            ++completed;
            EXPECT_EQ(Registered(), completed);
            continue;
        }
        ++killed;
        if (Registered() == completed + 1) {
            // Killed after its last step, the registration, while it said so or exited: the database
            // it registered is whole.
            ++completed;
            EXPECT_EQ(QueryRows(List(), "SELECT count(*) FROM DB WHERE FileName = '" + name + ".mdb'"), QStringList{"1"});
            EXPECT_FALSE(QueryRows(target, "SELECT count(*) FROM Equipment").value(0).startsWith('<'));
            continue;
        }
        EXPECT_EQ(Registered(), completed) << "a killed import registered its database";

        // The next run: a database the killed run left is refused as the form refuses any file already
        // there; once the operator deletes it, the import completes.
        Outcome next = Batch(QStringList{"--source", source, "--name", name, "--yes"} + DemoRename());
        if (QFileInfo::exists(target) && next.status != 0) {
            EXPECT_TRUE(next.out.contains("This FileName '" + name + ".mdb' \n| already exists in '"))
                << next.out.toStdString();
            ASSERT_TRUE(QFile::remove(target));
            next = Batch(QStringList{"--source", source, "--name", name, "--yes"} + DemoRename());
        }
        ASSERT_EQ(next.status, 0) << next.out.toStdString() << next.err.toStdString();
        ++completed;
        EXPECT_EQ(Registered(), completed);
        EXPECT_TRUE(FingerprintOf(source) == before);
    }
    EXPECT_GE(killed, 10);
    RecordProperty("kills", killed);
}

TEST_F(WholeRun, ThePasswordNeverShowsInOutputLogWorkingCopyTargetOrAFailureReport)
{
    const QString secret = "Sw0rd\u00e9-7601";
    const QString source = DemoSource(secret);
    const Fingerprint before = FingerprintOf(source);
    const Outcome r =
        Batch(QStringList{"--source", source, "--name", "Secret", "--password", secret, "--yes"} + DemoRename());
    ASSERT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(FingerprintOf(source) == before);
    EXPECT_FALSE(HoldsSecret(r.out.toUtf8() + r.err.toUtf8(), secret));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));  // gone with the run
    // The working copy as the run makes it, made by the tool that makes it the same way.
    const QString copy = dir.filePath("copy.in");
    ASSERT_EQ(Start("crew-mdb-copy", {source, copy, "--password", secret}).status, 0);
    for (const QString& file : {UserDir() + "/Secret/MP2ImportLog.txt", UserDir() + "/Secret/Secret.mdb", copy, List()}) {
        EXPECT_GT(ReadBytes(file).size(), 0) << file.toStdString();
        EXPECT_FALSE(HoldsSecret(ReadBytes(file), secret)) << file.toStdString();
    }

    // A damaged copy of the same file: the reader's failure report and the trap's message.
    QByteArray bytes = ReadBytes(source);
    for (int i = 0; i < 2048; ++i)
        bytes[2 * 4096 + 16 + i] = static_cast<char>(0xA5 ^ i);  // the catalog's rows
    const QString damaged = dir.filePath("mp2/Damaged.mdb");
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const Outcome bad = Batch({"--source", damaged, "--name", "Damaged", "--password", secret, "--yes"});
    EXPECT_EQ(bad.status, 1) << bad.out.toStdString();
    EXPECT_TRUE(bad.out.contains("| Error: In sub DoImport ")) << bad.out.toStdString();
    EXPECT_FALSE(HoldsSecret(bad.out.toUtf8() + bad.err.toUtf8(), secret)) << bad.err.toStdString();
    EXPECT_FALSE(HoldsSecret(ReadBytes(UserDir() + "/Damaged/MP2ImportLog.txt"), secret));
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Damaged/Damaged.mdb"));
}

TEST_F(WholeRun, AnIndexBeyondTheEndOfTheFileCostsNoRowAndIsLogged)
{
    // The demo plant, written as crew-mdb-make writes it, its table WO with a primary key (a column ID
    // the import does not otherwise read) that names a first page far beyond the end of the file, as
    // Access leaves a damaged file.
    jetwriter::JetFile file;
    const QDir demo(QString(CREW_SOURCE_DIR) + "/samples/mp2-demo");
    for (const QString& csv : demo.entryList({"*.csv"}, QDir::Files, QDir::Name))
        file.tables.push_back(csvtable::readTable(demo.filePath(csv)));
    qsizetype rows = 0;
    for (jetwriter::Table& t : file.tables) {
        if (t.name != "WO")
            continue;
        t.columns.insert(t.columns.begin(), {"ID", FieldType::Long});
        for (std::size_t row = 0; row < t.rows.size(); ++row)
            t.rows[row].insert(t.rows[row].begin(), static_cast<int>(row + 1));
        rows = static_cast<qsizetype>(t.rows.size());
        t.primaryKey = {"ID"};
        t.primaryKeyFirstPage = 0xFFFFFF;
    }
    ASSERT_GT(rows, 0);
    const QString source = dir.filePath("mp2/Damaged.mdb");
    jetwriter::writeJet4(file, source);
    const Fingerprint before = FingerprintOf(source);

    const Outcome r = Batch(QStringList{"--source", source, "--name", "Damaged", "--yes"} + DemoRename());
    ASSERT_EQ(r.status, 0) << r.out.right(4000).toStdString() << r.err.toStdString();
    EXPECT_EQ(Registered(), 1);
    EXPECT_TRUE(FingerprintOf(source) == before);

    const QString log = QString::fromUtf8(ReadBytes(UserDir() + "/Damaged/MP2ImportLog.txt"));
    const QString warning = "Warning: the index 'PrimaryKey' of table 'WO' in '" + source +
                            "' cannot be read: its first page (page 16777215) lies beyond the end of the file. "
                            "All " + QString::number(rows) + " rows of the table were copied, and the "
                            "index was built again from its definition. The file is damaged; \"Compact and "
                            "Repair\" in Access would mend it.";
    EXPECT_EQ(log.count(warning + "\r\n\r\n"), 1) << log.left(2000).toStdString();
    // The copy itself (every row, the index built again) is the copy's own test's: BadSources.IndexWhose...
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));
}

TEST_F(WholeRun, HostileTextArrivesIntactAndBreaksNoStatement)
{
    const QString source = dir.filePath("mp2/Hostile.mdb");
    const jetwriter::JetFile file = HostileSource();
    jetwriter::writeJet4(file, source);
    const Fingerprint before = FingerprintOf(source);

    const Outcome r = Batch({"--source", source, "--name", "Hostile", "--yes"});
    ASSERT_EQ(r.status, 0) << r.out.right(4000).toStdString() << r.err.toStdString();
    EXPECT_TRUE(FingerprintOf(source) == before);

    // The working copy holds every text and memo value exactly as the source does: it is gone with the
    // run, and made again here by the tool that makes it the same way.
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));
    const QString copy = dir.filePath("copy.in");
    ASSERT_EQ(Start("crew-mdb-copy", {source, copy}).status, 0);
    qint64 compared = 0;
    for (const jetwriter::Table& t : file.tables) {
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
            const auto type = t.columns[c].type;
            if (type != FieldType::Text && type != FieldType::Memo)
                continue;
            const QStringList got = QueryRows(copy, QString("SELECT \"%1\" FROM \"%2\" ORDER BY rowid")
                                                        .arg(t.columns[c].name, t.name));
            ASSERT_EQ(got.size(), static_cast<qsizetype>(t.rows.size())) << t.name.toStdString();
            for (std::size_t row = 0; row < t.rows.size(); ++row, ++compared)
                EXPECT_EQ(got[row], t.rows[row][c].toText())
                    << t.name.toStdString() << "." << t.columns[c].name.toStdString() << " row " << row;
        }
    }
    RecordProperty("values_compared", static_cast<int>(compared));

    // In the new database: equipment numbers and descriptions, vendors' names, cities, states and
    // countries, all as they stand, blanks included.
    const QString target = UserDir() + "/Hostile/Hostile.mdb";
    QStringList equipment, vendorPlaces, vendorNames;
    for (int row = 0; row < kHostileRows; ++row) {
        const auto cell = [&](const char* table, const char* column) {
            for (const auto& c : testsupport::Mp2Columns(table))
                if (c.name == column)
                    return HostileCell(c, row);
            return QString();
        };
        equipment << cell("EQUIP", "EQNUM") + "|" + cell("EQUIP", "DESCRIPTION");
        vendorPlaces << cell("VENDOR", "CITY") + "|" + cell("VENDOR", "STATE") + "|" + cell("VENDOR", "COUNTRY");
        vendorNames << cell("VENDOR", "NAME");
    }
    const auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    EXPECT_EQ(sorted(QueryRows(target, "SELECT \"Equipment#\", Description FROM Equipment")), sorted(equipment));
    EXPECT_EQ(sorted(QueryRows(target, "SELECT City, State, Country FROM Vendor")), sorted(vendorPlaces));
    EXPECT_EQ(sorted(QueryRows(target, "SELECT Name FROM Vendor")), sorted(vendorNames));

    // The 300,000-character memo reaches the equipment's notes whole, quotes and all.
    const auto safety = std::find_if(testsupport::Mp2Columns("EQUIP").begin(), testsupport::Mp2Columns("EQUIP").end(),
                                     [](const auto& c) { return c.name == "SAFETYNOTE"; });
    ASSERT_NE(safety, testsupport::Mp2Columns("EQUIP").end());
    const QString memo = HostileCell(*safety, 0);
    const QStringList notes = QueryRows(target, "SELECT Notes FROM Equipment");
    EXPECT_EQ(std::count_if(notes.begin(), notes.end(), [&](const QString& n) { return n.contains(memo); }), 1);
}

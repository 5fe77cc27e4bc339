// CSV tables and the crew-mdb-make tool.
#include "MdbTools.h"
#include "jet/CsvTable.h"

#include <QDir>
#include <QFileInfo>

using csvtable::CsvError;
using dao::FieldType;
using dao::Variant;

namespace {

QString writeText(const QString& dir, const QString& name, const QByteArray& text)
{
    QFile f(QDir(dir).filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
}

QString toolPath()
{
    return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).dir().filePath("crew-mdb-make");
}

#define REQUIRE_TOOL()                                                                  \
    do {                                                                                \
        if (!QFileInfo::exists(toolPath()))                                             \
            GTEST_SKIP() << "crew-mdb-make is not built beside the tests";              \
    } while (0)

}  // namespace

TEST(Csv, QuotedFieldsHoldCommasQuotesAndLineBreaks)
{
    const auto recs = csvtable::parseCsv("a,b,c\r\n"
                                         "1,\"x, y\",\"he said \"\"hi\"\"\"\r\n"
                                         ",\"\",\"two\nlines\"\n"
                                         "last,,\n"
                                         "\n\n",
                                         "t.csv");
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs[1].fields[1].text, "x, y");
    EXPECT_EQ(recs[1].fields[2].text, "he said \"hi\"");
    // unquoted empty and quoted empty differ
    EXPECT_TRUE(recs[2].fields[0].text.isEmpty());
    EXPECT_FALSE(recs[2].fields[0].quoted);
    EXPECT_TRUE(recs[2].fields[1].quoted);
    EXPECT_EQ(recs[2].fields[2].text, "two\nlines");
    EXPECT_EQ(recs[3].line, 5);  // the line break inside the quotes counts
    EXPECT_EQ(recs[3].fields.size(), 3u);
    // no line break at the end
    EXPECT_EQ(csvtable::parseCsv("a\n1", "t.csv").size(), 2u);
    // a byte-order mark is not part of the first name
    EXPECT_EQ(csvtable::parseCsv(QString(QChar(0xFEFF)) + "a:Long\n", "t.csv")[0].fields[0].text, "a:Long");
}

TEST(Csv, MalformedQuotingIsReportedWithItsLine)
{
    auto error = [](const QString& text) -> std::string {
        try {
            csvtable::parseCsv(text, "t.csv");
        } catch (const CsvError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(error("a,b\n1,\"open\n\n"), "t.csv:2: column 2: the quoted field is not closed");
    EXPECT_EQ(error("a,b\n1,\"x\"y\n"), "t.csv:2: column 2: text after the closing quote of a quoted field");
    EXPECT_EQ(error("a,b\n\n1,x\"y\n"), "t.csv:3: column 2: a quote inside an unquoted field");
}

TEST(Csv, HeaderNamesColumnsAndTypes)
{
    const jetwriter::Column text = csvtable::parseColumnHeader("Name:Text", "t.csv", 1);
    EXPECT_EQ(text.type, FieldType::Text);
    EXPECT_EQ(text.size, 50);
    EXPECT_EQ(csvtable::parseColumnHeader("Code:Text:12", "t.csv", 1).size, 12);
    EXPECT_EQ(csvtable::parseColumnHeader("Due:DateTime", "t.csv", 1).type, FieldType::Date);
    EXPECT_EQ(csvtable::parseColumnHeader("Ok:YesNo", "t.csv", 1).type, FieldType::Boolean);
    EXPECT_EQ(csvtable::parseColumnHeader("Equipment#:Long", "t.csv", 1).name, "Equipment#");
    EXPECT_THROW(csvtable::parseColumnHeader("Name", "t.csv", 1), CsvError);
    EXPECT_THROW(csvtable::parseColumnHeader("Name:Varchar", "t.csv", 1), CsvError);
    EXPECT_THROW(csvtable::parseColumnHeader("Name:Text:0", "t.csv", 1), CsvError);
    EXPECT_THROW(csvtable::parseColumnHeader("Name:Text:256", "t.csv", 1), CsvError);
    EXPECT_THROW(csvtable::parseColumnHeader(":Long", "t.csv", 1), CsvError);
}

TEST(Csv, FieldsBecomeTypedValues)
{
    QTemporaryDir dir;
    const QString path = writeText(dir.path(), "EQUIP.csv",
                                   "N:Long,T:Text:5,M:Memo,C:Currency,D:DateTime,Y:YesNo,S:Single\n"
                                   "1,abc,\"\",-1.5,2021-03-04,true,1e3\n"
                                   ",,,,,,\n"
                                   "2,\"\",x,7,1850-06-15 06:00:00,false,-0.25\n");
    std::vector<int> lines;
    const jetwriter::Table t = csvtable::readTable(path, &lines);
    EXPECT_EQ(t.name, "EQUIP");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(lines, std::vector<int>({2, 3, 4}));
    EXPECT_EQ(t.rows[0][0], Variant(1LL));
    EXPECT_EQ(t.rows[0][2], Variant(QString("")));
    EXPECT_EQ(t.rows[0][4], Variant(QDateTime(QDate(2021, 3, 4), QTime(0, 0), Qt::UTC)));
    EXPECT_EQ(t.rows[0][5], Variant(true));
    EXPECT_EQ(t.rows[0][6], Variant(1000.0));
    for (const Variant& v : t.rows[1])
        EXPECT_TRUE(v.isNull());
    EXPECT_EQ(t.rows[2][1], Variant(QString("")));
    EXPECT_EQ(t.rows[2][4], Variant(QDateTime(QDate(1850, 6, 15), QTime(6, 0), Qt::UTC)));

    auto error = [&](const QByteArray& text) -> std::string {
        const QString p = writeText(dir.path(), "Bad.csv", text);
        try {
            csvtable::readTable(p);
        } catch (const CsvError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(error("A:Long,B:Text:3\n1,abc\n2,abcd\n"), "Bad.csv:3: column 2 (B): 4 characters do not fit Text(3)");
    EXPECT_EQ(error("A:Byte\n256\n"), "Bad.csv:2: column 1 (A): \"256\" is not a whole number from 0 to 255");
    EXPECT_EQ(error("A:Integer\n1.0\n"), "Bad.csv:2: column 1 (A): \"1.0\" is not a whole number from -32768 to 32767");
    EXPECT_EQ(error("A:Double\n1,5\n"), "Bad.csv:2: 2 fields where the header has 1");
    EXPECT_EQ(error("A:Double\nnan\n"), "Bad.csv:2: column 1 (A): \"nan\" is not a number");
    EXPECT_EQ(error("A:Currency\n1.23456\n"),
              "Bad.csv:2: column 1 (A): \"1.23456\" is not a Currency amount (digits, at most 4 decimals)");
    EXPECT_EQ(error("A:DateTime\n2021-02-30\n"),
              "Bad.csv:2: column 1 (A): \"2021-02-30\" is not a date YYYY-MM-DD or YYYY-MM-DD HH:MM:SS");
    EXPECT_EQ(error("A:DateTime\n\"2021-02-01T10:00:00\"\n"),
              "Bad.csv:2: column 1 (A): \"2021-02-01T10:00:00\" is not a date YYYY-MM-DD or YYYY-MM-DD HH:MM:SS");
    EXPECT_EQ(error("A:YesNo\nyes\n"), "Bad.csv:2: column 1 (A): \"yes\" is not true or false");
    EXPECT_EQ(error("A:Long,a:Text\n"), "Bad.csv:1: column 2 (a): the column name is used twice");
    EXPECT_EQ(error(""), "Bad.csv:1: no header row naming the columns");
}

TEST(CrewMdbMake, WritesOneTablePerCsvFile)
{
    REQUIRE_TOOL();
    REQUIRE_MDBTOOLS();
    QTemporaryDir dir;
    const QString from = dir.filePath("csv");
    QDir().mkpath(from);
    writeText(from, "WO.csv",
              "WONUM:Text:10,EQNUM:Text:25,Cost:Currency,Closed:DateTime,Notes:Memo\n"
              "W1,P-100,12.5,2020-01-02 08:30:00,\"first line\nsecond, line\"\n"
              "W2,,,,\"\"\n");
    writeText(from, "EQUIP.csv", "EQNUM:Text:25,Active:YesNo\nP-100,true\n");
    writeText(from, "readme.txt", "not a table");
    const QString out = dir.filePath("out.mdb");
    const jettest::Run r = jettest::run(toolPath(), {"--from", from, "--out", out, "--password", "pw"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(jettest::run("mdb-tables", {"-1", out}).out, "EQUIP\nWO\n");
    const auto wo = jettest::exportRows(out, "WO");
    ASSERT_EQ(wo.size(), 2u);
    EXPECT_EQ(wo[0], QStringList({"W1", "P-100", "12.5000", "2020-01-02 08:30:00", "first line\nsecond, line"}));
    EXPECT_EQ(wo[1], QStringList({"W2", "<NULL>", "<NULL>", "<NULL>", "<NULL>"}));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(jettest::decodePassword(f.read(0x98)), "pw");
}

TEST(CrewMdbMake, BadInputExitsWithTwoAndNamesThePlace)
{
    REQUIRE_TOOL();
    QTemporaryDir dir;
    const QString out = dir.filePath("out.mdb");
    auto make = [&](const QByteArray& csv, QStringList extra = {}) {
        const QString from = dir.filePath(QString("in%1").arg(qHash(csv)));
        QDir().mkpath(from);
        writeText(from, "T.csv", csv);
        return jettest::run(toolPath(), QStringList({"--from", from, "--out", out}) + extra);
    };
    jettest::Run r = make("A:Long,B:Integer\n1,2\n3,40000\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "crew-mdb-make: T.csv:3: column 2 (B): \"40000\" is not a whole number from -32768 to 32767\n");
    EXPECT_FALSE(QFileInfo::exists(out));

    // A row too long for a page is found by the writer; the message still names the CSV line.
    QByteArray wide = "A:Text:255,B:Text:255,C:Text:255,D:Text:255,E:Text:255,F:Text:255,G:Text:255,H:Text:255,I:Text:255\n"
                      "x,x,x,x,x,x,x,x,x\n";
    const QByteArray omegas = QString(255, QChar(0x3A9)).toUtf8();
    for (int i = 0; i < 9; ++i)
        wide += omegas + (i < 8 ? "," : "\n");
    r = make(wide);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.startsWith("crew-mdb-make: T.csv:3: the row takes")) << r.err.toStdString();

    r = make("A:Long\n1\n", {"--password", QString(21, 'p')});
    EXPECT_EQ(r.code, 2);
    r = jettest::run(toolPath(), {"--from", dir.filePath("missing"), "--out", out});
    EXPECT_EQ(r.code, 2);
    r = jettest::run(toolPath(), {"--out", out});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("usage")) << r.err.toStdString();
}

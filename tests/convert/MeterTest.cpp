// Meter readings: one per equipment and date with the highest value, the skipped rows, and the
// count of the table afterwards.
#include "TaskFixture.h"
#include "convert/Conversions.h"

using namespace convtest;
using dao::Variant;

namespace {

class MeterTest : public ConversionTest {
protected:
    static testsupport::Mp2Row Reading(const QString& eq, const Variant& date, const Variant& value)
    {
        return {{"EQNUM", eq}, {"EQDATE", date}, {"CURMTR", value}};
    }
    std::vector<std::vector<Variant>> Readings()
    {
        return Rows("Select * from [Meter Readings] Order by Id", {"Equipment#", "Date", "Value"});
    }
    QStringList Header(int count)
    {
        return {"Records in MP2 METER table - " + QString::number(count),
                "Note: There is not a 1 to 1 correspondence with the ", "records in the VX Meter Readings table.", ""};
    }
};

TEST_F(MeterTest, EmptyTableLogsNothing)
{
    Open();
    CreateMeter(run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
}

TEST_F(MeterTest, OneReadingPerEquipmentAndDateKeepsTheHighest)
{
    const QDateTime d1 = Day(2026, 2, 3), d2 = Day(2026, 3, 2);  // the same digits either way round
    const QDateTime noon = QDateTime(QDate(2026, 2, 3), QTime(12, 0), Qt::UTC);
    Insert("METER", {
        Reading("P-1", d1, 1200.0), Reading("P-1", d1, 1150.0),  // lower second
        Reading("P-2", d1, 1150.0), Reading("P-2", d1, 1200.0),  // higher second
        Reading("P-1", d2, 5.5), Reading("P-1", d2, 5.5),        // equal
        Reading("O'NEIL", d1, 1.0), Reading("O'NEIL", d1, 2.0),  // an apostrophe in the number
        Reading("P-1", noon, 7.0), Reading("P-1", noon, 9.0),    // a reading with a time of day
    });
    Open();
    AddEquipment({"P-1", "P-2", "O'NEIL"});
    CreateMeter(run);

    const std::vector<std::vector<Variant>> expected = {
        {"P-1", d1, 1200.0}, {"P-2", d1, 1200.0}, {"P-1", d2, 5.5}, {"O'NEIL", d1, 2.0}, {"P-1", noon, 9.0}};
    EXPECT_EQ(Readings(), expected);
    EXPECT_EQ(LogLines(), Header(10) + QStringList({"Records in Vantrix/Mendly Meter Readings table - 5", ""}));
    EXPECT_EQ(Steps(), 10);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(MeterTest, SkippedRowsAreLoggedAndStillAdvanceTheBar)
{
    Insert("METER", {
        Reading("GONE", Day(2026, 1, 1), 1.0),
        Reading("P-1", Variant(), Variant()),
        Reading("P-1", Day(2026, 1, 1), Variant()),
        Reading("p-1", Day(2026, 1, 2), 3.0),  // equipment is found whatever the letter case
    });
    Open();
    AddEquipment({"P-1"});
    CreateMeter(run);

    const QString gone = "Record in MP2 METER table skipped Equipment# 'GONE' not found in Vantrix Equipment table.";
    EXPECT_EQ(op.messages(), QStringList({gone}));
    EXPECT_EQ(LogLines(), Header(4) + QStringList({
        gone, "",
        "Record in MP2 METER table skipped Equipment# 'P-1' is missing the date in the MP2 METER table.", "",
        "Record in MP2 METER table skipped Equipment# 'P-1' is missing the meter reading in the MP2 METER table.", "",
        "Records in Vantrix/Mendly Meter Readings table - 1", ""}));
    EXPECT_EQ(Readings(), std::vector<std::vector<Variant>>({{"p-1", Day(2026, 1, 2), 3.0}}));
    EXPECT_EQ(Steps(), 4);
}

TEST_F(MeterTest, CountIsOfTheWholeTableAfterTheRun)
{
    Insert("METER", {Reading("GONE", Day(2026, 1, 1), 1.0), Reading("P-1", Day(2026, 1, 1), 4.0)});
    Open();
    AddEquipment({"P-1"});
    {
        auto rs = run.DBout->OpenRecordset("Meter Readings", dao::dbOpenTable);
        rs->AddNew();
        rs->Fields("Equipment#") = "P-1";
        rs->Fields("Date") = Day(2026, 1, 1);
        rs->Fields("Value") = 3.0;
        rs->Update();
    }
    CreateMeter(run);
    EXPECT_EQ(Readings(), std::vector<std::vector<Variant>>({{"P-1", Day(2026, 1, 1), 4.0}}));
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2),
              QStringList({"Records in Vantrix/Mendly Meter Readings table - 1", ""}));
}

TEST_F(MeterTest, NoCountLineWhenNothingWasConverted)
{
    Insert("METER", {Reading("GONE", Day(2026, 1, 1), 1.0)});
    Open();
    CreateMeter(run);
    EXPECT_EQ(LogLines().mid(4), QStringList({op.messages()[0], ""}));
}

TEST_F(MeterTest, FailureShowsTheTrapRemovesTheNewDatabaseAndEndsTheRun)
{
    Insert("METER", {Reading("P-1", Day(2026, 1, 1), 1.0)});
    Open();
    AddEquipment({"P-1"});
    Sql(*run.DBout, "DROP TABLE \"Meter Readings\"");
    EXPECT_EQ(EndStatus([&] { CreateMeter(run); }), 1);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateMeter Error:3078" + CR)) << op.messages()[0].toStdString();
    EXPECT_EQ(LogLines(), Header(1));
    EXPECT_FALSE(QFile::exists(outPath));
}

}  // namespace

// Assigning values converts them as Jet does, checks sizes and ranges, and stores them in the
// file in the documented form; Null and the empty text stay different.
#include "DbFixture.h"

#include "db/JetDate.h"

using dao::Variant;

TEST_F(DbTest, AssignmentConvertsTextToNumbersOrRefuses)
{
    auto rs = db->OpenRecordset("EQUIP");
    rs->AddNew();
    rs->Fields("QTY") = "0";
    EXPECT_EQ(rs->Fields("QTY").Value(), Variant(0LL));
    rs->Fields("QTY") = " 12 ";
    EXPECT_EQ(rs->Fields("QTY").Value(), Variant(12LL));
    rs->Fields("BIG") = 2.5;  // halves go to the even neighbour
    EXPECT_EQ(rs->Fields("BIG").Value(), Variant(2LL));
    rs->Fields("BIG") = 3.5;
    EXPECT_EQ(rs->Fields("BIG").Value(), Variant(4LL));
    EXPECT_DAO_ERROR(3421, rs->Fields("QTY") = "abc");
    EXPECT_DAO_ERROR(3421, rs->Fields("QTY") = "");
    EXPECT_DAO_ERROR(3349, rs->Fields("QTY") = 40000);
    EXPECT_DAO_ERROR(3349, rs->Fields("LEVEL") = -1);
    EXPECT_DAO_ERROR(3421, rs->Fields("INSTALLED") = "not a date");
    rs->Fields("ACTIVE") = "0";
    EXPECT_EQ(rs->Fields("ACTIVE").Value(), Variant(false));
    rs->Fields("NOTES") = 12.5;  // numbers into text take their plain form
    EXPECT_EQ(rs->Fields("NOTES").Value(), Variant("12.5"));
}

TEST_F(DbTest, TextLongerThanTheFieldIsRefusedAndMemoIsNot)
{
    auto rs = db->OpenRecordset("EQUIP");
    rs->AddNew();
    rs->Fields("DESCRIPTION") = QString(10, QChar(0x00E9));  // 10 characters, 20 bytes in UTF-8
    EXPECT_DAO_ERROR(3163, rs->Fields("DESCRIPTION") = "12345678901");
    rs->Fields("NOTES") = QString(300000, 'x');
    rs->Fields("EQNUM") = "P1";
    rs->Update();
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("DESCRIPTION").Value().toText(), QString(10, QChar(0x00E9)));
    EXPECT_EQ(rs->Fields("NOTES").Value().toText().size(), 300000);
}

TEST_F(DbTest, NullAndEmptyTextStayDifferent)
{
    addEquip("A", Variant());
    addEquip("B", "");
    auto rs = db->OpenRecordset("Select * from EQUIP Order by EQNUM");
    EXPECT_TRUE(rs->Fields("DESCRIPTION").Value().isNull());
    rs->MoveNext();
    EXPECT_FALSE(rs->Fields("DESCRIPTION").Value().isNull());
    EXPECT_EQ(rs->Fields("DESCRIPTION").Value(), Variant(""));
    db->Close();
    EXPECT_EQ(testsupport::QueryText(path, "SELECT count(*) FROM EQUIP WHERE DESCRIPTION IS NULL"), "1");
    EXPECT_EQ(testsupport::QueryText(path, "SELECT count(*) FROM EQUIP WHERE DESCRIPTION = ''"), "1");
}

TEST_F(DbTest, ValuesSitInTheFileInTheirDocumentedForm)
{
    auto rs = db->OpenRecordset("EQUIP");
    rs->AddNew();
    rs->Fields("EQNUM") = "P1";
    rs->Fields("COST") = 1234.56789;                            // currency: four decimals
    rs->Fields("RATE") = 3.14;                                  // single: seven digits
    rs->Fields("INSTALLED") = QDateTime(QDate(1850, 6, 15), QTime(6, 0), Qt::UTC);
    rs->Fields("ACTIVE") = true;
    rs->Update();
    db->Close();
    EXPECT_EQ(testsupport::QueryText(path, "SELECT COST FROM EQUIP"), "1234.5679");
    EXPECT_EQ(testsupport::QueryText(path, "SELECT typeof(COST) FROM EQUIP"), "real");
    EXPECT_EQ(testsupport::QueryText(path, "SELECT RATE FROM EQUIP"), "3.14");
    EXPECT_EQ(testsupport::QueryText(path, "SELECT INSTALLED FROM EQUIP"), "1850-06-15 06:00:00");
    EXPECT_EQ(testsupport::QueryText(path, "SELECT ACTIVE FROM EQUIP"), "1");
}

TEST_F(DbTest, RequiredFieldLeftNullIsRefusedOnUpdate)
{
    auto rs = db->OpenRecordset("Employee");
    rs->AddNew();
    rs->Fields("EmployeeNum") = "E1";
    EXPECT_DAO_ERROR(3314, rs->Update());
    rs->Fields("Name") = " Smith";
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(DbTest, AddNewStartsFromTheColumnDefaults)
{
    auto rs = db->OpenRecordset("Employee");
    rs->AddNew();
    EXPECT_EQ(rs->Fields("Status").Value(), Variant(0LL));
    EXPECT_TRUE(rs->Fields("Id").Value().isNull());
    EXPECT_DAO_ERROR(3164, rs->Fields("Id") = 5);
}

TEST(JetDates, DaysBeforeTheEpochKeepThePositiveTimeOfDay)
{
    const QDateTime d(QDate(1850, 6, 15), QTime(6, 0), Qt::UTC);
    EXPECT_DOUBLE_EQ(dao::jetFromDate(d), -18095.25);
    EXPECT_EQ(dao::dateFromJet(-18095.25), d);
    EXPECT_EQ(dao::dateFromJet(0), QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(dao::dateFromJet(27293.0), QDateTime(QDate(1974, 9, 21), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(dao::dateFromJet(-0.5), QDateTime(QDate(1899, 12, 30), QTime(12, 0), Qt::UTC));
    // 23:59:59.9 rounds into the next day, not to 24:00:00
    EXPECT_EQ(dao::dateFromJet(1.0 - 0.05 / 86400), QDateTime(QDate(1899, 12, 31), QTime(0, 0), Qt::UTC));
}

TEST(VariantText, NumbersHaveNoGroupingAndBasicsNumericTestHolds)
{
    EXPECT_EQ(Variant(1200.0).toText(), "1200");
    EXPECT_EQ(Variant(0.05).toText(), "0.05");
    EXPECT_EQ(Variant(12.5).toText(), "12.5");
    EXPECT_EQ(Variant(0LL).toText(), "0");
    EXPECT_EQ(Variant().toText(), "");
    EXPECT_TRUE(dao::IsNumeric("30 "));
    EXPECT_TRUE(dao::IsNumeric("1e2"));
    EXPECT_FALSE(dao::IsNumeric(""));
    EXPECT_FALSE(dao::IsNumeric("abc"));
    EXPECT_EQ(Variant("2.5").toLong(), 2);
    EXPECT_THROW(Variant("x").toLong(), dao::DaoError);
}

// Labour history: labour records per employee line and kind of hours, the hours total, placeholder
// employees, the skip lines and the closing employee listing.
#include "WoHistSupport.h"

#include "convert/Conversions.h"

using testsupport::Mp2Row;

class WoLaborConversion : public ConversionRun {
protected:
    // Employees E1 (Id 1) and E2 (Id 2), and history records as the work-order history leaves them.
    void Target()
    {
        Out({"INSERT INTO Employee (EmployeeNum, Name) VALUES ('E1', 'One'), ('E2', 'Two')",
             "INSERT INTO WO (WoNum, \"Equipment#\", DateComplete, Notes, RecType, TotalLaborHours) VALUES "
             "(10, 'P-1', '2024-05-06 00:00:00', 'MP2 WONUM = (100)' || char(13) || 'MP2 DELAYDESC = x (y)', 3, NULL), "
             "(11, 'P-2', '2024-05-07 00:00:00', 'MP2 WONUM = (14H)' || char(13), 3, NULL), "
             "(12, 'P-1', '2024-05-08 00:00:00', 'MP2 WONUM = (A(1))' || char(13), 3, NULL), "
             "(13, 'P-1', '2024-05-09 00:00:00', 'MP2 WONUM = (300)' || char(13), 3, 5), "
             "(14, 'P-1', '2024-05-10 00:00:00', 'MP2 WONUM = (100)' || char(13), 1, NULL)"});
    }
};

TEST_F(WoLaborConversion, NoHistoryLeavesLogAndEmployeeListsAlone)
{
    Open();
    run->EmpIdList.Append(7);
    CreateWoLaborHist(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(run->EmpIdList.Count(), 1);
    EXPECT_EQ(Steps(), 0);
}

TEST_F(WoLaborConversion, HoursBecomeLabourRecordsAndTotalsWithPlaceholderEmployees)
{
    Target();
    Mp2("WOE", {
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"EMPCODE", "   "}, {"REGHRS", 3.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"EMPCODE", "E9"}, {"REGHRS", 0.0}, {"OTHRS", 1.5}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"EMPCODE", "E9"}, {"REGHRS", 1.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"REGHRS", 0.5}, {"OTHRS", -1.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-2"}, {"EMPCODE", "E1"}, {"REGHRS", 40.0}},  // another equipment
        Mp2Row{{"WONUM", "14H"}, {"EQNUM", "P-2"}, {"EMPCODE", "E1"}, {"REGHRS", 8.0}, {"OTHRS", 2.0}},
        Mp2Row{{"WONUM", "14H"}, {"EQNUM", "P-2"}, {"EMPCODE", "E2"}, {"REGHRS", 4.0}},
        Mp2Row{{"WONUM", "A(1)"}, {"EQNUM", "P-1"}, {"EMPCODE", "e1"}, {"REGHRS", 1.0}},
    });
    Open();
    CreateWoLaborHist(*run);

    const QString sql = "Select * From WoLabor Order By Id";
    EXPECT_EQ(Column(sql, "WoNum"), (QStringList{"10", "10", "11", "11", "11", "12"}));
    EXPECT_EQ(Column(sql, "EmpId"), (QStringList{"3", "3", "1", "1", "2", "1"}));
    EXPECT_EQ(Column(sql, "Hours"), (QStringList{"1.5", "1", "8", "2", "4", "1"}));
    EXPECT_EQ(Column(sql, "Notes"), (QStringList{"MP2 WONUM = (100)\r", "MP2 WONUM = (100)\r", "MP2 WONUM = (14H)\r",
                                                 "MP2 WONUM = (14H)\r", "MP2 WONUM = (14H)\r", "MP2 WONUM = (A(1))\r"}));
    EXPECT_EQ(Column(sql, "Date").mid(2, 1), QStringList{Day(2024, 5, 7).toText()});
    EXPECT_EQ(Column(sql, "Cost"), QStringList(6, "0"));
    EXPECT_EQ(Column(sql, "RecType"), QStringList(6, "3"));

    // Every hour counts in the total, with or without an employee, above 0 or not.
    EXPECT_EQ(Column("Select * From WO Order By WoNum", "TotalLaborHours"),
              (QStringList{"5", "14", "1", "5", "<Null>"}));
    EXPECT_EQ(Column("Select * From Employee Order By Id", "EmployeeNum"), (QStringList{"E1", "E2", "E9"}));
    EXPECT_EQ(Column("Select * From Employee Order By Id", "Status"), (QStringList{"0", "0", "1"}));

    EXPECT_EQ(LogLines(), (QStringList{
        "Start of sub CreateWoLaborHist", "",
        "Created an inactive employee in order to save history.  Employee # = 'E9'",
        "WO record skipped.  WONUM = 300. Couldn't find corresponding rec(s) in MP2 WOE table.", "",
        "", "Records in Vantrix/Mendly WoLaborHist table - 6", "",
        "All employees,including inactive ones created to save history.",
        "Records in Vantrix/Mendly Employee table - 3", "",
        "EmpID - 1    EmpNum - E1", "EmpID - 2    EmpNum - E2", "EmpID - 3    EmpNum - E9", ""}));
    EXPECT_EQ(run->EmpNumList.Count(), 3);
    EXPECT_EQ(run->EmpNumList[3].toText(), "E9");
    EXPECT_EQ(Steps(), 5);  // one per employee line that found its employee
}

TEST_F(WoLaborConversion, FailureEndsTheRunWithoutLogging)
{
    Target();
    Out({"DROP TABLE WoLabor"});
    Open();
    EXPECT_THROW(CreateWoLaborHist(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateWoLaborHist Error:3078\r"));
    EXPECT_EQ(LogLines(), (QStringList{"Start of sub CreateWoLaborHist", ""}));
    EXPECT_FALSE(QFile::exists(outPath));
}

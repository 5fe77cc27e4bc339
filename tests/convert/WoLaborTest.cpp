// Labour history, written with each history record by the history's pass: labour records per employee
// line and kind of hours, the hours total, placeholder employees, the skip lines in the labour step's
// place of the log, and the closing employee listing.
#include "WoHistSupport.h"

#include "convert/Conversions.h"

using testsupport::Mp2Row;

class WoLaborConversion : public ConversionRun {
protected:
    // Employees E1 (Id 1) and E2 (Id 2), equipment P-1 and P-2, and MP2 work orders of task PM-1.
    void Target()
    {
        Out({"INSERT INTO Employee (EmployeeNum, Name) VALUES ('E1', 'One'), ('E2', 'Two')",
             "INSERT INTO Equipment (\"Equipment#\") VALUES ('P-1'), ('P-2')",
             "INSERT INTO Task (Description, Status) VALUES ('PM-1', 0)"});
        std::vector<Mp2Row> workOrders;
        for (const QString& wonum : {"100", "14H", "A(1)", "3)00\rX"})
            workOrders.push_back(Mp2Row{{"WONUM", wonum}, {"TASKNUM", "PM-1"}});
        Mp2("WO", workOrders);
    }
    Mp2Row Line(const QString& wonum, const QString& eqnum, const dao::Variant& emp, const dao::Variant& regular,
                const dao::Variant& overtime = dao::Variant())
    {
        const int day = wonum == "100" ? 6 : wonum == "14H" ? 7 : 8;
        return Mp2Row{{"WONUM", wonum}, {"EQNUM", eqnum}, {"CLOSEDATE", Day(2024, 5, day)}, {"EMPCODE", emp},
                      {"REGHRS", regular}, {"OTHRS", overtime}};
    }
    void Convert()
    {
        Open();
        CreateWoHist(*run);
        CreateWoLaborHist(*run);
    }
};

TEST_F(WoLaborConversion, NoHistoryLeavesLogAndEmployeeListsAlone)
{
    Open();
    run->EmpIdList.Append(7);
    CreateWoHist(*run);
    CreateWoLaborHist(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(run->EmpIdList.Count(), 1);
    EXPECT_EQ(Steps(), 0);
}

TEST_F(WoLaborConversion, HoursBecomeLabourRecordsAndTotalsWithPlaceholderEmployees)
{
    Target();
    Mp2("WOE", {
        Line("100", "P-1", "   ", 3.0),
        Line("100", "P-1", "E9", 0.0, 1.5),
        Line("100", "P-1", "E9", 1.0),
        Line("100", "P-1", dao::Variant(), 0.5, -1.0),
        Line("100", "P-2", "E1", 40.0),  // the same work order on another equipment: a record of its own
        Line("14H", "P-2", "E1", 8.0, 2.0),
        Line("14H", "P-2", "E2", 4.0),
        Line("A(1)", "P-1", "e1", 1.0),
        // Its Notes begin "MP2 WONUM = (3)00", CR: the labour is looked for under the number 3, as the
        // step reads it back, and there is none.
        Line("3)00\rX", "P-1", "E1", 2.0),
    });
    Convert();

    const QString sql = "Select * From WoLabor Order By Id";
    EXPECT_EQ(Column(sql, "WoNum"), (QStringList{"1", "1", "2", "3", "3", "3", "5"}));
    EXPECT_EQ(Column(sql, "EmpId"), (QStringList{"3", "3", "1", "1", "1", "2", "1"}));
    EXPECT_EQ(Column(sql, "Hours"), (QStringList{"1.5", "1", "40", "8", "2", "4", "1"}));
    EXPECT_EQ(Column(sql, "Notes"), (QStringList{"MP2 WONUM = (100)\r", "MP2 WONUM = (100)\r", "MP2 WONUM = (100)\r",
                                                 "MP2 WONUM = (14H)\r", "MP2 WONUM = (14H)\r", "MP2 WONUM = (14H)\r",
                                                 "MP2 WONUM = (A(1))\r"}));
    EXPECT_EQ(Column(sql, "Date").mid(3, 1), QStringList{Day(2024, 5, 7).toText()});
    EXPECT_EQ(Column(sql, "Cost"), QStringList(7, "0"));
    EXPECT_EQ(Column(sql, "RecType"), QStringList(7, "3"));

    // Every hour counts in the total, with or without an employee, above 0 or not.
    EXPECT_EQ(Column("Select * From WO Order By WoNum", "TotalLaborHours"),
              (QStringList{"5", "40", "14", "<Null>", "1"}));
    EXPECT_EQ(Column("Select * From Employee Order By Id", "EmployeeNum"), (QStringList{"E1", "E2", "E9"}));
    EXPECT_EQ(Column("Select * From Employee Order By Id", "Status"), (QStringList{"0", "0", "1"}));

    // The history's lines come first, then the labour's, as if each step had run on its own.
    EXPECT_EQ(LogFrom("Records in Vantrix/Mendly WoHist table - 5"), (QStringList{
        "Records in Vantrix/Mendly WoHist table - 5", "",
        "Start of sub CreateWoLaborHist", "",
        "Created an inactive employee in order to save history.  Employee # = 'E9'",
        "WO record skipped.  WONUM = 3. Couldn't find corresponding rec(s) in MP2 WOE table.", "",
        "", "Records in Vantrix/Mendly WoLaborHist table - 7", "",
        "All employees,including inactive ones created to save history.",
        "Records in Vantrix/Mendly Employee table - 3", "",
        "EmpID - 1    EmpNum - E1", "EmpID - 2    EmpNum - E2", "EmpID - 3    EmpNum - E9", ""}));
    EXPECT_EQ(run->EmpNumList.Count(), 3);
    EXPECT_EQ(run->EmpNumList[3].toText(), "E9");
    EXPECT_EQ(Steps(), 5 + 6);  // a step per record, and one per employee line that found its employee
}

TEST_F(WoLaborConversion, FailureEndsTheRunInTheLabourStepAfterTheWholeHistory)
{
    Target();
    Mp2("WOE", {Line("100", "P-1", "E1", 1.0), Line("14H", "P-2", "E1", 2.0)});
    Out({"DROP TABLE WoLabor"});
    Open();
    CreateWoHist(*run);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(OutText("SELECT count(*) FROM WO"), "2");
    EXPECT_THROW(CreateWoLaborHist(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateWoLaborHist Error:3078\r"));
    EXPECT_EQ(LogFrom("Records in Vantrix/Mendly WoHist table - 2"),
              (QStringList{"Records in Vantrix/Mendly WoHist table - 2", "", "Start of sub CreateWoLaborHist", ""}));
    EXPECT_FALSE(QFile::exists(outPath));
}

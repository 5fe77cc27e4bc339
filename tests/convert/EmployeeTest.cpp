// Employees: every EMP row, the field rules, the truncation warnings, the log and the employee
// lists; the placeholder employee.
#include "TaskFixture.h"
#include "common/Lookups.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneEmployee.h"

using namespace convtest;
using dao::Variant;

namespace {

class EmployeeTest : public ConversionTest {};

const QString kPhoneWarning = "Warning: Phone in the Employee table has been truncated. " + CR +
                              "Check it when you run the program after the import is complete.";
const QString kAddress2Warning = "Warning: Address2 in the Employee table has been truncated. " + CR +
                                 "Check it when you run the program after the import is complete.";

TEST_F(EmployeeTest, EmptyTableLogsNothingAndLeavesTheListsEmpty)
{
    Open();
    CreateEmployee(run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(Count("Employee"), 0);
    EXPECT_EQ(run.EmpIdList.Count(), 0);
    EXPECT_EQ(run.EmpNumList.Count(), 0);
}

TEST_F(EmployeeTest, FieldsAreTrimmedOrKeptAsTheyAreAndNullsBecomeEmpty)
{
    Insert("EMP", {
        {{"EMPCODE", " E1 "}, {"LASTNAME", "  Smith "}, {"ADDR1", " 1 Main St "}, {"ADDR3", " Suite 4 "},
         {"CITY", " Leeds "}, {"STATE", "YK "}, {"ZIP", " 123"}, {"COUNTRY", " UK"}, {"PHONE", " 555-1234 "},
         {"HIREDATE", Day(2019, 3, 14)}, {"NOTES", " keeps\r\nits lines "}},
        {{"FIRSTNAME", " Ann "}, {"ADDR2", " Bldg 1 "}},
        {},
    });
    Open();
    CreateEmployee(run);

    const auto rows = Rows("Select * from Employee Order by Id",
                           {"EmployeeNum", "LastName", "FirstName", "Name", "Address", "Address2", "City", "State",
                            "Zip", "Country", "Phone", "HireDate", "Notes", "Status"});
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<Variant> first = {" E1 ", "Smith", "", " Smith", "1 Main St", " Suite 4", " Leeds ", "YK ",
                                        " 123", " UK", "555-1234", Day(2019, 3, 14), " keeps\r\nits lines ", 0};
    EXPECT_EQ(rows[0], first);
    // A Null EMPCODE is still converted, with an empty number; a Null hire date stays unset.
    const std::vector<Variant> second = {"", "", "Ann", "Ann ", "", "Bldg 1", "", "", "", "", "", Variant(), "", 0};
    EXPECT_EQ(rows[1], second);
    EXPECT_EQ(rows[2][3], Variant(" "));
    EXPECT_TRUE(rows[2][11].isNull());
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(Steps(), 1);  // one step for the whole table
}

TEST_F(EmployeeTest, Address2AndPhoneAreCutAtTheirSizesWithOneWarningEach)
{
    const QString fifty = QString(25, 'a') + " " + QString(24, 'b');  // ADDR2 + blank + ADDR3 = 50
    Insert("EMP", {
        {{"EMPCODE", "A50"}, {"ADDR2", QString(25, 'a')}, {"ADDR3", QString(24, 'b')}, {"PHONE", QString(25, '1')}},
        {{"EMPCODE", "A51"}, {"ADDR2", QString(25, 'a')}, {"ADDR3", QString(25, 'b')}, {"PHONE", " " + QString(26, '2')}},
    });
    Open();
    CreateEmployee(run);

    const auto rows = Rows("Select * from Employee Order by Id", {"Address2", "Phone"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], Variant(fifty));
    EXPECT_EQ(rows[0][1], Variant(QString(25, '1')));
    EXPECT_EQ(rows[1][0], Variant(fifty));
    EXPECT_EQ(rows[1][1], Variant(QString(25, '2')));
    EXPECT_EQ(op.messages(), QStringList({kAddress2Warning, kPhoneWarning}));
}

TEST_F(EmployeeTest, LogListsEveryEmployeeAndTheListsFollowTheTable)
{
    Insert("EMP", {{{"EMPCODE", "JS"}}, {{"EMPCODE", "js"}}, {{"EMPCODE", "JS"}}, {}});
    Open();
    CreateEmployee(run);

    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 EMP table - 4", "",
                                       "Records in Vantrix/Mendly Employee table - 4", "",
                                       "EmpID - 1    EmpNum - JS", "EmpID - 2    EmpNum - js",
                                       "EmpID - 3    EmpNum - JS", "EmpID - 4    EmpNum - ", ""}));
    ASSERT_EQ(run.EmpIdList.Count(), 4);
    ASSERT_EQ(run.EmpNumList.Count(), 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(run.EmpIdList[i].toLong(), i);
    EXPECT_EQ(run.EmpNumList[1], Variant("JS"));
    EXPECT_EQ(run.EmpNumList[2], Variant("js"));
    EXPECT_EQ(run.EmpNumList[4], Variant(""));
}

TEST_F(EmployeeTest, ListingRestartsTheListsAndCoversEmployeesAlreadyInTheTable)
{
    Insert("EMP", {{{"EMPCODE", "E2"}}});
    Open();
    ASSERT_TRUE(CreateOneEmployee(run, "E1", 1));
    run.EmpIdList.Append(Variant(99));
    run.EmpNumList.Append(Variant("stale"));
    CreateEmployee(run);

    ASSERT_EQ(run.EmpNumList.Count(), 2);
    EXPECT_EQ(run.EmpNumList[1], Variant("E1"));
    EXPECT_EQ(run.EmpNumList[2], Variant("E2"));
    EXPECT_EQ(LogLines().mid(0, 3), QStringList({"Records in MP2 EMP table - 1", "",
                                                 "Records in Vantrix/Mendly Employee table - 2"}));
}

TEST_F(EmployeeTest, FailureShowsTheTrapRemovesTheNewDatabaseAndEndsTheRun)
{
    Insert("EMP", {{{"EMPCODE", "E1"}}});
    Open();
    Sql(*run.DBout, "DROP TABLE Employee");
    EXPECT_EQ(EndStatus([&] { CreateEmployee(run); }), 1);

    const QStringList boxes = op.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("CreateEmployee Error:3078" + CR)) << boxes[0].toStdString();
    EXPECT_FALSE(QFile::exists(outPath));
    EXPECT_FALSE(run.gDBoutOpen);
    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 EMP table - 1", ""}));  // the trap writes nothing
}

TEST_F(EmployeeTest, PlaceholderIsInactiveWithTheFixedNamesAndFoundAtOnce)
{
    Open();
    ASSERT_TRUE(CreateOneEmployee(run, "E77", 1));
    // The caller looks the new Id up through another recordset straight away.
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "E77", "Employee", "EmployeeNum", "Id", true), 1);

    const auto rows = Rows("Select * from Employee", {"EmployeeNum", "FirstName", "LastName", "Name", "Address",
                                                      "Address2", "City", "Phone", "Notes", "HireDate", "Status"});
    ASSERT_EQ(rows.size(), 1u);
    const std::vector<Variant> expected = {
        "E77", "MP2 was missing EMP rec,crew rec created,", "to save MP2 WO Labor history",
        "MP2 was missing EMP rec,crew rec created, to save MP2 WO Labor history", "", "", "", "", "", Variant(), 1};
    EXPECT_EQ(rows[0], expected);

    ASSERT_TRUE(CreateOneEmployee(run, " E78", 2));  // used as passed; any status but 1 is active
    EXPECT_EQ(Rows("Select * from Employee where Id = 2", {"EmployeeNum", "Status"})[0],
              std::vector<Variant>({" E78", 0}));
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(EmployeeTest, PlaceholderRefusesABlankNumberAndReportsFailures)
{
    Open();
    EXPECT_FALSE(CreateOneEmployee(run, "", 1));
    const QString text = "Error: Sub CreateOneEmployee was sent a blank employee#.";
    EXPECT_EQ(op.messages(), QStringList({text}));
    EXPECT_EQ(LogLines(), QStringList({text, ""}));
    EXPECT_EQ(Count("Employee"), 0);

    // A failure is shown, nothing is logged, and the caller goes on.
    Sql(*run.DBout, "DROP TABLE Employee");
    EXPECT_FALSE(CreateOneEmployee(run, "E1", 1));
    ASSERT_EQ(op.messages().size(), 2);
    EXPECT_TRUE(op.messages()[1].startsWith("CreateOneEmployee Error:3078" + CR));
    EXPECT_EQ(LogLines().size(), 2);
    EXPECT_TRUE(QFile::exists(outPath));
}

}  // namespace

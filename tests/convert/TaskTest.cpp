// Tasks: which MP2 tasks become Task records, in which order, with which text and employee; the
// log and the progress; the placeholder task.
#include "TaskFixture.h"
#include "common/Lookups.h"
#include "convert/Conversions.h"
#include "convert/tasks/CreateOneTask.h"
#include "support/RtfText.h"

using namespace convtest;
using dao::Variant;

namespace {

class TaskTest : public ConversionTest {
protected:
    // The text a rich-text reader shows for the task's instructions.
    QString TaskText(const QString& description)
    {
        const auto rows = Rows("Select * from Task where Description = '" + DoubleApostrophes(description) + "'",
                               {"Instructions"});
        EXPECT_EQ(rows.size(), 1u) << description.toStdString();
        return rows.empty() ? QString() : testsupport::RtfToText(rows[0][0].toText());
    }

    void AddEmployee(const QString& number, int id)
    {
        run.EmpNumList.Append(Variant(number));
        run.EmpIdList.Append(Variant(id));
    }
};

TEST_F(TaskTest, EmptyTableLogsNothing)
{
    Open();
    CreateTask(run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(Count("Task"), 0);
}

TEST_F(TaskTest, TasksComeInNumberOrderWithoutThePseudoTask)
{
    Insert("TASK", {{{"TASKNUM", "PM-2"}}, {{"TASKNUM", "corrective"}}, {{"TASKNUM", "PM-1"}},
                    {{"TASKNUM", "CORRECTIVE "}}, {{"DESCRIPTION", "no number"}}});
    Open();
    CreateTask(run);

    const auto rows = Rows("Select * from Task Order by [Task#]", {"Description", "Ref", "TaskPriorityId",
                                                                   "EmployeeId", "Status"});
    ASSERT_EQ(rows.size(), 3u);
    // A Null number sorts first and is passed over; "CORRECTIVE " is not the pseudo-task.
    EXPECT_EQ(rows[0], std::vector<Variant>({"CORRECTIVE ", "", 1, 0, 0}));
    EXPECT_EQ(rows[1][0], Variant("PM-1"));
    EXPECT_EQ(rows[2][0], Variant("PM-2"));
    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 TASK table - 5", "",
                                       "Records in Vantrix/Mendly Task table - 3", ""}));
    EXPECT_EQ(Steps(), 4);  // the pseudo-task counts, the row without a number does not
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(TaskTest, TextGathersTheDescriptionAndTheInstructionLinesInSequence)
{
    Insert("TASK", {{{"TASKNUM", "GREASE"}, {"DESCRIPTION", "Grease bearings"}},
                    {{"TASKNUM", "LINES"}},
                    {{"TASKNUM", "BOTH"}, {"DESCRIPTION", " Check {oil} \\ level "}},
                    {{"TASKNUM", "O'BRIEN"}, {"DESCRIPTION", "Apostrophe"}},
                    {{"TASKNUM", "EMPTY"}}});
    Insert("TSKINSTR", {{{"TASKNUM", "LINES"}, {"INSTRCODE", "A"}, {"SEQUENCENUM", 2}},
                        {{"TASKNUM", "LINES"}, {"INSTRCODE", "NULL"}, {"SEQUENCENUM", 1}},
                        {{"TASKNUM", "LINES"}, {"INSTRCODE", "B"}, {"SEQUENCENUM", 3}},
                        {{"TASKNUM", "BOTH"}, {"INSTRCODE", "B"}, {"SEQUENCENUM", 1}},
                        {{"TASKNUM", "O'BRIEN"}, {"INSTRCODE", "A"}, {"SEQUENCENUM", 1}},
                        {{"TASKNUM", "EMPTY"}, {"INSTRCODE", "NULL"}, {"SEQUENCENUM", 1}}});
    Insert("INSTR", {{{"INSTRCODE", "A"}, {"INSTRTEXT", "A"}},
                     {{"INSTRCODE", "NULL"}},
                     {{"INSTRCODE", "B"}, {"INSTRTEXT", " Caf\u00e9 \u2264 40\u00b0C\r\nline two "}}});
    Open();
    CreateTask(run);

    EXPECT_EQ(TaskText("GREASE"), "Grease bearings\r\n\r\n");
    EXPECT_EQ(TaskText("LINES"), "Instructions: \r\nA\r\n\r\n Caf\u00e9 \u2264 40\u00b0C\r\nline two \r\n\r\n");
    EXPECT_EQ(TaskText("BOTH"),
              " Check {oil} \\ level \r\n\r\nInstructions: \r\n Caf\u00e9 \u2264 40\u00b0C\r\nline two \r\n\r\n");
    EXPECT_EQ(TaskText("O'BRIEN"), "Apostrophe\r\n\r\nInstructions: \r\nA\r\n\r\n");
    EXPECT_EQ(TaskText("EMPTY"), "");  // only a Null line: no "Instructions: " heading
}

TEST_F(TaskTest, AssignedEmployeeIsTheLastExactMatchOfTheLists)
{
    Insert("TASK", {{{"TASKNUM", "T1"}, {"ASSIGNEDTO", "JS"}},
                    {{"TASKNUM", "T2"}, {"ASSIGNEDTO", "js"}},
                    {{"TASKNUM", "T3"}, {"ASSIGNEDTO", "JS "}},
                    {{"TASKNUM", "T4"}, {"ASSIGNEDTO", "KB"}},
                    {{"TASKNUM", "T5"}, {"ASSIGNEDTO", ""}},
                    {{"TASKNUM", "T6"}}});
    Open();
    AddEmployee("JS", 4);
    AddEmployee("js", 9);
    AddEmployee("", 12);
    AddEmployee("JS", 7);
    CreateTask(run);

    const auto rows = Rows("Select * from Task Order by Description", {"Description", "EmployeeId"});
    ASSERT_EQ(rows.size(), 6u);
    const std::vector<std::vector<Variant>> expected = {
        {"T1", 7}, {"T2", 9}, {"T3", 0}, {"T4", 0}, {"T5", 12}, {"T6", 0}};
    EXPECT_EQ(rows, expected);
}

TEST_F(TaskTest, EmptyEmployeeListsMatchNothing)
{
    Insert("TASK", {{{"TASKNUM", "T1"}, {"ASSIGNEDTO", "JS"}}});
    Open();
    CreateTask(run);
    EXPECT_EQ(Rows("Select * from Task", {"EmployeeId"})[0][0], Variant(0));
}

TEST_F(TaskTest, FailureShowsTheTrapRemovesTheNewDatabaseAndEndsTheRun)
{
    Insert("TASK", {{{"TASKNUM", "T1"}}});
    Open();
    Sql(*run.DBin, "DROP TABLE INSTR");
    EXPECT_EQ(EndStatus([&] { CreateTask(run); }), 1);

    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateTask Error:3078" + CR)) << op.messages()[0].toStdString();
    EXPECT_FALSE(QFile::exists(outPath));
    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 TASK table - 1", ""}));
}

TEST_F(TaskTest, PlaceholderIsAnInactiveEmptyTaskFoundAtOnce)
{
    Open();
    ASSERT_TRUE(CreateOneTask(run, "PM-9", 1));
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-9", "Task", "Description", "Task#", true), 1);
    ASSERT_TRUE(CreateOneTask(run, "PM-10", 0));

    const auto rows = Rows("Select * from Task Order by [Task#]",
                           {"Description", "Ref", "Instructions", "TaskPriorityId", "EmployeeId", "Status"});
    const std::vector<std::vector<Variant>> expected = {{"PM-9", "", "", 1, 0, 1}, {"PM-10", "", "", 1, 0, 0}};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(TaskTest, PlaceholderRefusesABlankDescriptionAndReportsFailures)
{
    Open();
    EXPECT_FALSE(CreateOneTask(run, "", 1));
    const QString text = "Error: Sub CreateOneTask was sent a blank description.";
    EXPECT_EQ(op.messages(), QStringList({text}));
    EXPECT_EQ(LogLines(), QStringList({text, ""}));
    EXPECT_EQ(Count("Task"), 0);

    Sql(*run.DBout, "DROP TABLE Task");
    EXPECT_FALSE(CreateOneTask(run, "PM-1", 1));
    ASSERT_EQ(op.messages().size(), 2);
    EXPECT_TRUE(op.messages()[1].startsWith("CreateOneTask Error:3078" + CR));
    EXPECT_EQ(LogLines().size(), 2);
}

}  // namespace

// Schedules: the cutoff question, the skipped rows, the day frequencies, the rescheduling of
// overdue dates against a fixed today, duplicates and the fatal trap.
#include "TaskFixture.h"
#include "convert/Conversions.h"

#include <QRegularExpression>

using namespace convtest;
using dao::Variant;
using Kind = ScriptedOperator::Kind;

namespace {

const QString kPrompt = "MP2 TASKEQ records have a NEXTDUEDATE field. " + CR + "If the date is too far in the past " +
                        CR + "it will be rescheduled with todays " + CR + "date as the next due date. " + CR + CR +
                        "Enter the number of days that you " + CR + "want to go back without changing " + CR +
                        "the next due date (10-366). " + CR;
const QString kNumeric = "Enter a numeric response.";
const QString kRange = "Enter a value between 10 and 366 inclusive.";

class TaskEqTest : public ConversionTest {
protected:
    void SetUp() override
    {
        ConversionTest::SetUp();
        Clock::SetFixed(QDateTime(QDate(2027, 1, 5), QTime(14, 30), Qt::UTC));
    }

    // A schedule row due on `due`, every `count` `unit`.
    static testsupport::Mp2Row Schedule(const QString& task, const QString& eq, const Variant& due,
                                        const Variant& unit, const Variant& count)
    {
        return {{"TASKNUM", task}, {"EQNUM", eq}, {"NEXTDUEDATE", due}, {"DATEUNIT", unit}, {"NUMOFDATE", count}};
    }

    // The log between the cutoff line and the count line.
    QStringList RowLines()
    {
        QStringList lines = LogLines();
        const qsizetype cutoff = lines.indexOf(QRegularExpression("^The user selected .*"));
        EXPECT_GE(cutoff, 0);
        lines = lines.mid(cutoff + 2);
        if (!lines.isEmpty() && lines.size() >= 2 && lines[lines.size() - 2].startsWith("Records in Vantrix"))
            lines = lines.mid(0, lines.size() - 2);
        return lines;
    }

    std::vector<std::vector<Variant>> Schedules()
    {
        return Rows("Select * from TaskEq Order by Id", {"Task#", "Equipment#", "ScheduleBy", "DayFrequency",
                                                         "NextDueDate", "ScheduleType", "AssignedTo"});
    }
};

TEST_F(TaskEqTest, EmptyTableAsksNothingAndLogsNothing)
{
    Open();
    CreateTaskEq(run);
    EXPECT_TRUE(op.entries(Kind::InputBox).empty());
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
}

TEST_F(TaskEqTest, CutoffIsAskedUntilANumberFrom10To366AndLoggedAsTyped)
{
    Insert("TASKEQ", {Schedule("PM-1", "P-1", Day(2027, 1, 1), "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"P-1"});
    op.Input("9").Input("367").Input("abc").Input("").Cancel().Input("10");
    CreateTaskEq(run);

    const auto asked = op.entries(Kind::InputBox);
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[0].text, kPrompt);
    EXPECT_EQ(asked[0].title, "Cutoff Days?");
    EXPECT_EQ(asked[0].defaultText, "30");
    EXPECT_EQ(op.messages(), QStringList({kRange, kRange, kNumeric, kNumeric, kNumeric}));
    EXPECT_EQ(LogLines().mid(0, 4), QStringList({"Records in MP2 TASKEQ table - 1", "",
                                                 "The user selected the following # as the cutoff: '10'", ""}));
    EXPECT_TRUE(op.busy());
}

TEST_F(TaskEqTest, CutoffTakesTheNumberAtTheStartOfTheAnswer)
{
    // 1e2 is numeric and worth 100: a date 101 days old is rescheduled, one 100 days old is not.
    Insert("TASKEQ", {Schedule("PM-1", "P-1", Day(2026, 9, 26), "D", 1),
                      Schedule("PM-1", "P-2", Day(2026, 9, 27), "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"P-1", "P-2"});
    op.Input("1e2");
    CreateTaskEq(run);

    EXPECT_TRUE(op.messages().isEmpty());
    const QStringList lines = RowLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(" which is > 1e2 days in the past.")) << lines[0].toStdString();
    EXPECT_EQ(Schedules()[0][4], Variant(Day(2027, 1, 5)));
    EXPECT_EQ(Schedules()[1][4], Variant(Day(2026, 9, 27)));
}

TEST_F(TaskEqTest, TheHighestAnswerWithATrailingBlankIsAcceptedAsTyped)
{
    Insert("TASKEQ", {Schedule("PM-1", "P-1", Day(2027, 1, 1), "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"P-1"});
    op.Input("366 ");
    CreateTaskEq(run);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(LogLines()[2], "The user selected the following # as the cutoff: '366 '");
}

TEST_F(TaskEqTest, OverdueDatesBeyondTheCutoffMoveToToday)
{
    Insert("TASKEQ", {
        Schedule("PM-1", "OLD31", Day(2026, 12, 5), "D", 7),                                 // 31 days ago
        Schedule("PM-1", "OLD30", Day(2026, 12, 6), "D", 7),                                 // exactly 30
        Schedule("PM-1", "LATE30", QDateTime(QDate(2026, 12, 6), QTime(23, 59), Qt::UTC), "D", 7),  // same day
        Schedule("PM-1", "FUTURE", Day(2027, 3, 1), "D", 7),
        Schedule("PM-1", "OLDQ", Day(2025, 1, 5), "Q", 1),                                   // rescheduled, then not scheduled
    });
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"OLD31", "OLD30", "LATE30", "FUTURE", "OLDQ"});
    op.Input("30");
    CreateTaskEq(run);

    const auto rows = Schedules();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][4], Variant(Day(2027, 1, 5)));  // today, without the time of day
    EXPECT_EQ(rows[1][4], Variant(Day(2026, 12, 6)));
    EXPECT_EQ(rows[2][4], Variant(QDateTime(QDate(2026, 12, 6), QTime(23, 59), Qt::UTC)));
    EXPECT_EQ(rows[3][4], Variant(Day(2027, 3, 1)));
    EXPECT_TRUE(rows[4][4].isNull());
    EXPECT_TRUE(rows[4][3].isNull());
    EXPECT_EQ(RowLines(), QStringList({
        "MP2 TASKEQ record was rescheduled. EQNUM = OLD31 TASKNUM = PM-1. MP2 record has NEXTDUEDATE = " +
            Variant(Day(2026, 12, 5)).toText() + " which is > 30 days in the past.",
        "MP2 TASKEQ record was rescheduled. EQNUM = OLDQ TASKNUM = PM-1. MP2 record has NEXTDUEDATE = " +
            Variant(Day(2025, 1, 5)).toText() + " which is > 30 days in the past.",
        "MP2 TASKEQ record wasn't scheduled. EQNUM = OLDQ TASKNUM = PM-1. MP2 record has DATEUNIT = 'Q'",
    }));
}

TEST_F(TaskEqTest, UnitsBecomeDaysAndUnschedulableRowsAreStillWritten)
{
    const QDateTime due = Day(2027, 2, 1);
    Insert("TASKEQ", {
        Schedule("PM-1", "W2", due, "w", 2), Schedule("PM-1", "M3", due, "m", 3), Schedule("PM-1", "Y1", due, "Y", 1),
        Schedule("PM-1", "D10", due, "D", 10), Schedule("PM-1", "Q1", due, "Q", 1),
        Schedule("PM-1", "DBLANK", due, "D ", 1), Schedule("PM-1", "ZERO", due, "D", 0),
        Schedule("PM-1", "NEG", due, "W", -2), Schedule("PM-1", "NODATE", Variant(), "D", 1),
        Schedule("PM-1", "NOUNIT", due, Variant(), 1), Schedule("PM-1", "NOCOUNT", due, "D", Variant()),
    });
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"W2", "M3", "Y1", "D10", "Q1", "DBLANK", "ZERO", "NEG", "NODATE", "NOUNIT", "NOCOUNT"});
    op.Input("30");
    CreateTaskEq(run);

    const auto rows = Schedules();
    ASSERT_EQ(rows.size(), 11u);
    const std::vector<Variant> frequencies = {14, 90, 365, 10};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], Variant(1));
        EXPECT_EQ(rows[i][2], Variant("Days"));
        EXPECT_EQ(rows[i][5], Variant("Fixed"));
        EXPECT_EQ(rows[i][6], Variant(0));
        if (i < frequencies.size()) {
            EXPECT_EQ(rows[i][3], frequencies[i]) << i;
            EXPECT_EQ(rows[i][4], Variant(due)) << i;
        } else {
            EXPECT_TRUE(rows[i][3].isNull()) << i;
            EXPECT_TRUE(rows[i][4].isNull()) << i;
        }
    }
    const QString no = "MP2 TASKEQ record wasn't scheduled. EQNUM = ";
    EXPECT_EQ(RowLines(), QStringList({
        no + "Q1 TASKNUM = PM-1. MP2 record has DATEUNIT = 'Q'",
        no + "DBLANK TASKNUM = PM-1. MP2 record has DATEUNIT = 'D '",
        no + "ZERO TASKNUM = PM-1. MP2 record has NUMOFDATE = 0",
        no + "NEG TASKNUM = PM-1. MP2 record has NUMOFDATE = -2",
        no + "NODATE TASKNUM = PM-1. MP2 record is missing information.",
        no + "NOUNIT TASKNUM = PM-1. MP2 record is missing information.",
        no + "NOCOUNT TASKNUM = PM-1. MP2 record is missing information.",
    }));
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2),
              QStringList({"Records in Vantrix/Mendly TaskEq table - 11", ""}));
    EXPECT_EQ(Steps(), 11);
}

TEST_F(TaskEqTest, RowsWithoutTaskOrEquipmentAreSkippedWithoutAProgressStep)
{
    const QDateTime due = Day(2027, 2, 1);
    Insert("TASKEQ", {
        Schedule("CORRECTIVE", "P-1", due, "D", 1),  // the pseudo-task has no Task record
        Schedule("PM-1", "-", due, "D", 1),
        Schedule("PM-1", "GONE", due, "D", 1),
        Schedule("O'BRIEN", "P-1", due, "D", 1),
        Schedule("PM-1", "p-1", due, "D", 1),        // equipment is found whatever the letter case
    });
    Open();
    AddTasks({"PM-1", "O'BRIEN"});
    AddEquipment({"P-1"});
    op.Input("30");
    CreateTaskEq(run);

    EXPECT_EQ(RowLines(), QStringList({
        "MP2 TASKEQ record skipped. EQNUM = P-1 TASKNUM = CORRECTIVE. Couldn't find corresponding Task rec in VX.",
        "MP2 TASKEQ record skipped. EQNUM = - It is junk anyway.",
        "MP2 TASKEQ record skipped. EQNUM = GONE TASKNUM = PM-1. Couldn't find Equipment# in VX.",
    }));
    const auto rows = Schedules();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], Variant(2));
    EXPECT_EQ(rows[1][1], Variant("p-1"));  // as stored in MP2
    EXPECT_EQ(Steps(), 2);
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2), QStringList({"Records in Vantrix/Mendly TaskEq table - 2", ""}));
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(TaskEqTest, DuplicateScheduleIsLoggedCountedAndLeftOut)
{
    const QDateTime due = Day(2027, 2, 1);
    Insert("TASKEQ", {Schedule("PM-1", "P-1", due, "D", 1), Schedule("PM-1", "P-1", due, "W", 1),
                      Schedule("PM-1", "P-2", due, "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"P-1", "P-2"});
    op.Input("30");
    CreateTaskEq(run);

    const auto rows = Schedules();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3], Variant(1));  // the first one stays
    EXPECT_EQ(rows[1][1], Variant("P-2"));
    const QStringList lines = RowLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("CreateTaskEq Error(dup key skipped:3022" + CR)) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(CR + "(EqLink and Tasklink: P-1  1)")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2), QStringList({"Records in Vantrix/Mendly TaskEq table - 3", ""}));
    EXPECT_EQ(Steps(), 3);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(TaskEqTest, EquipmentAndDuplicatesAreFoundWhateverTheCaseOfEveryLetter)
{
    const QDateTime due = Day(2027, 2, 1);
    Insert("TASKEQ", {Schedule("PM-1", "PÜMPE-1", due, "D", 1), Schedule("PM-1", "pümpe-1", due, "W", 1),
                      Schedule("PM-1", "PUMPE-1", due, "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"pümpe-1"});
    op.Input("30");
    CreateTaskEq(run);

    const auto rows = Schedules();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], Variant("PÜMPE-1"));
    EXPECT_EQ(rows[0][3], Variant(1));
    const QStringList lines = RowLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("CreateTaskEq Error(dup key skipped:3022" + CR)) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(CR + "(EqLink and Tasklink: pümpe-1  1)")) << lines[0].toStdString();
    EXPECT_EQ(lines[2], "MP2 TASKEQ record skipped. EQNUM = PUMPE-1 TASKNUM = PM-1. Couldn't find Equipment# in VX.");
}

TEST_F(TaskEqTest, OtherFailuresNameTheScheduleInBoxAndLogAndEndTheRun)
{
    const QString longEq = QString(31, 'X');  // longer than the schedule's equipment field
    Insert("TASKEQ", {Schedule("PM-1", "P-1", Day(2027, 2, 1), "D", 1), Schedule("PM-1", longEq, Day(2027, 2, 1), "D", 1)});
    Open();
    AddTasks({"PM-1"});
    AddEquipment({"P-1"});
    Sql(*run.DBout, "INSERT INTO Equipment (\"Equipment#\") VALUES ('" + longEq + "')");
    op.Input("30");
    EXPECT_EQ(EndStatus([&] { CreateTaskEq(run); }), 1);

    ASSERT_EQ(op.messages().size(), 1);
    const QString box = op.messages()[0];
    EXPECT_TRUE(box.startsWith("CreateTaskEq Error:3163" + CR)) << box.toStdString();
    EXPECT_TRUE(box.endsWith(CR + "(EqLink and Tasklink: " + longEq + "  1)")) << box.toStdString();
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({box, ""}));
    EXPECT_FALSE(QFile::exists(outPath));
}

TEST_F(TaskEqTest, AnUnansweredCutoffEndsTheRunBeforeAnyScheduleIsAdded)
{
    Insert("TASKEQ", {Schedule("PM-1", "P-1", Day(2027, 2, 1), "D", 1)});
    Open();
    EXPECT_EQ(EndStatus([&] { CreateTaskEq(run); }), 1);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateTaskEq Error:9" + CR));
    EXPECT_TRUE(op.messages()[0].endsWith(CR + "(EqLink and Tasklink:   )"));
    EXPECT_FALSE(QFile::exists(outPath));
}

}  // namespace

#pragma once
// The equipment-number pre-parse screen, without its widgets: the substring table the operator edits
// (spSubStrings), the equipment numbers of EQUIP (spMP2EqNum), one method per button, and the update
// that shortens the numbers in the nine MP2 tables of the working copy. Messages and questions go
// through the run's Operator; Operator::ShowPreParse lets a front end drive the screen until it closes.
//
// Unattended use (no screen): "none" is Exit(); "default" is FillSubStrings(DefaultSubstrings())
// followed by UpdateDatabaseAndClose(); a list of mp2,vx pairs (ReadSubstringCsv) is FillSubStrings(pairs)
// followed by UpdateDatabaseAndClose(). A pair with an empty VX substring still asks its Yes/No question.
#include "run/RunState.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct SubstringPair {
    QString mp2;  // looked for inside the numbers (upper-cased when applied)
    QString vx;   // put in its place, exactly as typed; may be empty
};

// The 149 default rows, in load order.
const std::vector<SubstringPair>& DefaultSubstrings();

// The new form of one (upper-case) equipment number: for each pair in order, every occurrence of its
// MP2 text (exact match) replaced by its VX text, left to right, without overlaps, each pair working
// on the result of the one before. The MP2 texts must already be upper case.
QString SubstituteEqNum(const QString& number, const std::vector<SubstringPair>& pairs);

// The MP2 tables whose EQNUM is rewritten when a number changes, in the order they are rewritten.
inline constexpr const char* kEqNumTables[9] = {"EQUIP", "TASKEQ", "TSKMETER", "METER", "MTRHIST",
                                                "WOC",   "WOEQLIST", "WOE",   "WOP"};

// Rewrites EQNUM oldNumber as newNumber in the nine tables of `db`, one statement per table, each
// failing loudly (dbFailOnError). Every statement sees the ones before it (one connection); the caller
// refreshes the cache (which commits) once after its renames rather than after every statement: a
// commit per statement costs some 8 ms, hours for a site with a hundred thousand numbers.
void RenameEqNum(dao::Database& db, const QString& oldNumber, const QString& newNumber);

// Refuses a rename that would lose or merge equipment: an empty new number (the record would be taken
// for one without a number and deleted) raises 3315; while a record holds the old number, a new number
// that another EQUIP record already has (letter case ignored, as the database compares) raises 3022,
// as a unique key on EQNUM would.
void CheckRename(dao::Database& db, const QString& oldNumber, const QString& newNumber);

// Reads pairs from a text file, one "mp2,vx" pair a line, split at the first comma; the VX part may be
// empty (or the comma missing). Blank lines are ignored; nothing is trimmed. Raises 53, 70 or 75 when
// the file cannot be read (db/InputFile.h: a regular file of limited size), 5 naming the line when a
// line is not UTF-8 text or holds a control character.
std::vector<SubstringPair> ReadSubstringCsv(const QString& path);

class PreParse {
public:
    enum class State { Open, Updating, Closed };

    // One row of spMP2EqNum.
    struct EqNumRow {
        QString number;              // EQNUM in upper case; empty for a Null EQNUM
        std::optional<int> length;   // characters of EQNUM; none for a Null EQNUM
        bool yellow = false;         // longer than 15 characters
    };

    static constexpr int kYellowAbove = 15;
    static constexpr int kSpareSubStringRows = 50;
    static constexpr int kEqNumGrowth = 10;

    explicit PreParse(RunState& run);

    // Opening the screen: fills spMP2EqNum from EQUIP in EQNUM order. Database failures raise.
    void Open();

    State state() const { return state_; }
    bool IsClosed() const { return state_ == State::Closed; }

    // spMP2EqNum (rows from 1).
    int EqNumRowCount() const { return static_cast<int>(eqRows_.size()); }
    const EqNumRow& EqNum(int row) const { return eqRows_.at(static_cast<size_t>(row - 1)); }
    int LastEqNumRow() const;  // the last row that holds data, 0 when none

    // spSubStrings (rows and columns from 1; column 1 MP2, column 2 VX).
    int SubStringRowCount() const { return static_cast<int>(subRows_.size()); }
    QString SubString(int row, int col) const;
    void SetSubString(int row, int col, const QString& text);  // the grid grows to hold the row
    int LastSubStringRow() const;  // the last row that holds data, 0 when none
    void SetActiveCell(int row, int col);
    int ActiveRow() const { return activeRow_; }
    int ActiveCol() const { return activeCol_; }
    // Clears the table and fills it with `pairs` from row 1, in order (no question asked).
    void FillSubStrings(const std::vector<SubstringPair>& pairs);

    // The buttons.
    void LoadDefaults();            // "Load Default Substrings", after confirmation
    void MoveUp();                  // arrow up
    void MoveDown();                // arrow down
    void DeleteRow();               // "Delete Row", after confirmation
    void Exit();                    // "Exit": closes, changes and logs nothing
    bool UpdateDatabaseAndClose();  // "Update Database And Close Screen"; true when the screen closed

    // Headings and fixed texts for the view.
    static const QString kCaption;
    static const QString kSubStringHeadings[2];
    static const QString kEqNumHeadings[2];
    static const QString kIntroText;
    static const QString kOrderText;

private:
    void clearSubStrings(int rows);
    void update();  // steps after the blank-replacement check; raises on a database failure

    RunState& run_;
    State state_ = State::Open;
    std::vector<EqNumRow> eqRows_;
    std::vector<SubstringPair> subRows_;
    int activeRow_ = 1;
    int activeCol_ = 1;
};

// Shows the pre-parse screen as the equipment conversion's first step: fills it, shows it modally
// with the normal pointer, and returns with the hourglass once it has closed.
void RunPreParse(RunState& run);

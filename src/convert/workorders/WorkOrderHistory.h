#pragma once
// The work-order history is converted in one pass over the MP2 work-order lines (CreateWoHist): each
// history record is written once, with its labour hours and its parts cost, and its labour records
// are written with it. What the labour and parts steps of the driver still have to do is left here:
// the labour step's log lines (written in its own place of the log, after the history's) and the
// parts step's item records (which need the inventory, converted after the history).
//
// A record whose numbers hold nothing that letter case could make equal to another text (no letter
// beyond ASCII, no line break, no NUL) is "plain": its labour and parts are the lines read with it,
// in work-order order. Any other record's are selected as the steps always selected them, so that
// they are found exactly as before.
#include "run/RunState.h"
#include "db/DaoError.h"
#include "db/RawRow.h"
#include "db/Recordset.h"
#include "db/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One WOE line as the history reads it: each value made when first asked for (most lines are merged
// into the record of the line before them, and need only their numbers).
class WorkOrderLine {
public:
    enum Column { Wonum, Eqnum, CloseDate, Location, Sub1, Sub2, Sub3, RegularHours, OvertimeHours, EmpCode, Columns };
    WorkOrderLine() = default;
    // The line as read into `row`, whose column c is the field fields[c] (both outlive the line).
    WorkOrderLine(const dao::RawRow* row, const dao::FieldInfo* fields) : row_(row), fields_(fields) {}
    const dao::Variant& operator[](Column c) const
    {
        if (!made_[c]) {
            values_[c] = row_ ? row_->value(c, fields_[c]) : dao::Variant();
            made_[c] = true;
        }
        return values_[c];
    }
    void Set(Column c, const dao::Variant& v)
    {
        values_[c] = v;
        made_[c] = true;
    }

private:
    const dao::RawRow* row_ = nullptr;
    const dao::FieldInfo* fields_ = nullptr;
    mutable dao::Variant values_[Columns];
    mutable bool made_[Columns] = {};
};

// A history record as written: what its labour and parts are found by.
struct HistoryRecord {
    qint32 woNum = 0;       // the record's WoNum
    QString mp2WoNum;       // the MP2 work-order number, as its Notes begin with it
    QString equipment;      // its Equipment#
    dao::Variant dateComplete;
    bool plain = false;
};

// One WOP line of a plain record, and what its lines come to. The quantity and cost as SQL's Sum reads
// them.
struct StoredNumber {
    enum Kind { Null, Integer, Real, Other } kind = Null;
    qint64 integer = 0;
    double real = 0;
};
struct WopLine {
    dao::Variant wonum, eqnum, itemNum, description;
    StoredNumber quantity, unitCost;
};
struct PartsFound {
    qint32 lines = 0;
    double quantity = 0;   // Sum(QTYUSED), 0 when Null
    double cost = 0;       // Sum(TOTALUNITCOST), 0 when Null
    bool hasPart = false;  // a line names a part: the first one
    QString itemNum;
    dao::Variant description;
    QString wopWoNum, wopEqNum;  // the part's line's WONUM and EQNUM
};

// The parts of one history record, kept for the parts step: a plain record with WOP lines, or a record
// whose lines the parts step selects itself. Its texts are kept in WorkOrderHistory::texts.
struct PartsOfRecord {
    qint32 woNum = 0;
    bool plain = false;
    qint32 lines = 0;
    double quantity = 0;
    bool hasPart = false;
    // The part's line names its work order and equipment as WOP holds them (for the log).
    enum Text { MP2WoNum, Equipment, ItemNum, Description, WopWoNum, WopEqNum, TextCount };
    std::pair<size_t, size_t> text[TextCount] = {};  // [offset, size) in WorkOrderHistory::texts, UTF-8
};

struct WorkOrderHistory {
    long records = 0;  // history records written

    // The labour step: its log lines as the records were written, and its count.
    QStringList labourLog;
    long labourWritten = 0;
    std::optional<dao::DaoError> labourFailure;  // what ended the labour work (its step's trap)
    std::unique_ptr<dao::Recordset> labor;       // WoLabor, open while the records are written
    QHash<QString, qint32> employeeIds;          // EMPCODE (exact) -> Employee Id

    // The parts step: what it needs of each record, in order.
    std::vector<PartsOfRecord> parts;
    std::string texts;
    std::optional<dao::DaoError> partsFailure;  // what ends the parts step, at the record partsFailedAt
    size_t partsFailedAt = 0;
    bool partsFailAfterItem = false;  // once that record's item is made (its costs could not be set)

    void Keep(const HistoryRecord& record, const std::optional<PartsFound>& found);
    QString Text(const PartsOfRecord& parts, PartsOfRecord::Text which) const;
};

// The labour of one history record (CreateWoLaborHist.cpp). A plain record's WOE lines are those read
// with it; any other's are selected as the labour step selects them (nullopt: there are none, which
// `WriteLabour` then logs).
std::optional<std::vector<WorkOrderLine>> SelectLabourLines(RunState& run, const HistoryRecord& record);
double LabourHours(const std::vector<const WorkOrderLine*>& lines);
// Its WoLabor records, once the record is written (none for a record without lines); its log lines
// wait in `history` for the labour step.
void WriteLabour(RunState& run, WorkOrderHistory& history, const HistoryRecord& record,
                 const std::optional<std::vector<const WorkOrderLine*>>& lines);

// What a plain record's WOP lines come to (CreateWoItemsHist.cpp), with the sums SQL's Sum gives;
// nullopt when a value to sum is not a number, or the sum of integers overflows (the parts step then
// selects and sums them itself, as SQL does).
std::optional<PartsFound> PartsOf(const std::vector<WopLine>& lines);

// Work-order history: one closed WO record (RecType 3) per distinct pair of MP2 work-order number and
// equipment number in WOE, with the MP2 number, delay, closing details and task text in Notes.
//
// One pass over the WOE lines, a work order at a time, in the order "Order by WONUM,EQNUM" gives them.
// The MP2 work orders (WO), their closing details (WOC) and their parts (WOP) are read alongside, in
// the same order, so that each table is read once. Each record is written once, with the labour hours
// and the parts cost of its lines, and its labour records are written with it (CreateWoLaborHist.cpp);
// the labour's log lines and the item records wait for their own steps (WorkOrderHistory.h).
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/equipment/EqExists.h"
#include "convert/tasks/CreateOneTask.h"
#include "convert/workorders/HistoryNotes.h"
#include "convert/workorders/WorkOrderHistory.h"
#include "run/ConversionTrap.h"
#include "db/JetDate.h"
#include "db/KeyGroups.h"
#include "db/NoCase.h"
#include "db/TextCase.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString kCorrective = QStringLiteral("Corrective");

qint32 FindTask(RunState& run, const QString& taskNum)
{
    return GetGenericLongKey(run, "DBout", DoubleApostrophes(taskNum), "Task", "Description", "Task#", false);
}

// A text that a selection "column = '...'" compares as NOCASE does: no letter beyond ASCII that has
// another case, no NUL. The rows read in NOCASE order then answer the selection.
bool Comparable(const QString& text) { return !text.contains(QChar(0)) && !dao::NeedsFold(text); }

// The numbers of a record whose labour and parts are the lines read with it: comparable, not empty
// (a Null number reads as empty too), the work-order number whole in the first line of Notes, and no
// line feed (which the parts step's account of lines joins the two numbers with).
bool PlainNumbers(const QString& wonum, const QString& eqnum)
{
    return !wonum.isEmpty() && !eqnum.isEmpty() && Comparable(wonum) && Comparable(eqnum) &&
           !wonum.contains(QChar(13)) && !wonum.contains(QChar(10)) && !eqnum.contains(QChar(10));
}

QByteArray Utf8(const QString& text) { return text.toUtf8(); }

// Do the columns compare with a text as the rows read in order can answer?
bool TextColumns(const dao::KeyGroups& rows, std::initializer_list<int> columns)
{
    for (const int c : columns) {
        const dao::ColumnCollation& k = rows.Collation(c);
        if (!k.textAffinity || k.comparison == dao::ColumnCollation::Comparison::Unknown)
            return false;
    }
    return true;
}

// Is the table's key column one that KeyGroups reads in the order SQL sorts it (a NOCASE text)?
bool NoCaseKey(dao::Database& db, const QString& table, const QString& column)
{
    if (!db.HasTable(table))
        return false;
    const dao::ColumnCollation c = dao::DescribeColumn(db.handle(), db.Table(table).Name, column);
    return c.textAffinity && c.comparison == dao::ColumnCollation::Comparison::NoCase;
}

// ---- The WOE lines, one work order at a time -------------------------------------------------

const QStringList kLineColumns = {"WONUM",        "EQNUM",        "CLOSEDATE", "LOCATION", "SUBLOCATION1",
                                  "SUBLOCATION2", "SUBLOCATION3", "REGHRS",    "OTHRS",    "EMPCODE"};

// The lines of WOE in the order of "Select * From WOE Order by WONUM,EQNUM". Where WONUM and EQNUM are
// NOCASE texts (as in every working copy), the lines are read a work order at a time in WONUM's
// order and each work order's lines put in EQNUM's order, as SQL orders them; `ordered` is then true
// and every line of one work order (NOCASE) is in one batch. Otherwise the statement's own order is
// read, a line at a time.
class WorkOrderLines {
public:
    explicit WorkOrderLines(RunState& run) : run_(run)
    {
        ordered_ = NoCaseKey(*run.DBin, "WOE", "WONUM") && NoCaseKey(*run.DBin, "WOE", "EQNUM");
        if (ordered_) {
            rows_ = std::make_unique<dao::KeyGroups>(*run.DBin, "WOE", "WONUM", kLineColumns);
        } else {
            woe_ = run.DBin->OpenRecordset(QStringLiteral("Select * From WOE ") + "Order by WONUM,EQNUM",
                                           dao::dbOpenDynaset);
        }
    }
    bool ordered() const { return ordered_; }

    long Count()
    {
        if (!ordered_)
            return woe_->RecordCount();
        return static_cast<long>(run_.DBin->RowCount("WOE"));
    }

    // The next batch of lines; false after the last.
    bool Next()
    {
        lines_.clear();
        if (!ordered_) {
            if (started_)
                woe_->MoveNext();
            started_ = true;
            if (woe_->EOF_())
                return false;
            WorkOrderLine l;
            for (int c = 0; c < WorkOrderLine::Columns; ++c)
                l.Set(WorkOrderLine::Column(c), woe_->Fields(kLineColumns[c]).Value());
            lines_.push_back(std::move(l));
            return true;
        }
        if (!rows_->Next())
            return false;
        // EQNUM's order within the work order, as SQL sorts it: Null first, texts as NOCASE compares
        // them, bytes last; rows of equal numbers in the order they are stored.
        const std::span<const dao::RawRow> rows = rows_->Rows();
        if (fields_.empty())
            for (int c = 0; c < WorkOrderLine::Columns; ++c)
                fields_.push_back(rows_->Field(c));
        std::vector<size_t> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        const auto rank = [&](const dao::RawRow& r) {
            const int t = r.storedType(WorkOrderLine::Eqnum);
            return t == SQLITE_NULL ? 0 : t == SQLITE_INTEGER || t == SQLITE_FLOAT ? 1 : t == SQLITE_TEXT ? 2 : 3;
        };
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const dao::RawRow& x = rows[a];
            const dao::RawRow& y = rows[b];
            const int rx = rank(x), ry = rank(y);
            if (rx != ry)
                return rx < ry;
            if (rx != 2)
                return false;  // a text column holds no numbers; bytes stay in stored order
            size_t nx = 0, ny = 0;
            const char* tx = x.storedText(WorkOrderLine::Eqnum, &nx);
            const char* ty = y.storedText(WorkOrderLine::Eqnum, &ny);
            return dao::CompareNoCase(tx, nx, ty, ny) < 0;
        });
        lines_.reserve(rows.size());
        for (const size_t i : order)
            lines_.emplace_back(&rows[i], fields_.data());
        return true;
    }
    std::vector<WorkOrderLine>& Lines() { return lines_; }

private:
    RunState& run_;
    bool ordered_ = false;
    std::unique_ptr<dao::KeyGroups> rows_;
    std::unique_ptr<dao::Recordset> woe_;
    bool started_ = false;
    std::vector<WorkOrderLine> lines_;
    std::vector<dao::FieldInfo> fields_;  // of the rows' columns
};

// ---- The MP2 work order of a line ------------------------------------------------------------

struct Mp2WorkOrder {
    bool found = false;
    QString taskNum;
    QString delay;
    QString taskText;
};

// The MP2 work order of a WOE line. The lines come in work-order order and the MP2 tables do not
// change while the history is converted, so the work order read for one line serves the lines of the
// same number that follow it.
class Mp2WorkOrders {
public:
    Mp2WorkOrders(RunState& run, bool ordered) : run_(run)
    {
        if (ordered && NoCaseKey(*run.DBin, "WO", "WONUM"))
            rows_ = std::make_unique<dao::KeyGroups>(*run.DBin, "WO", "WONUM",
                                                     QStringList{"TASKNUM", "DELAYDESC", "TASKDESC"});
    }

    const Mp2WorkOrder& Of(const QString& wonum)
    {
        if (read_ && wonum == wonum_)
            return current_;
        current_ = Mp2WorkOrder();
        if (rows_ && Comparable(wonum)) {
            // The first row of the number, as the selection "Where WONUM = '...'" gives it.
            const std::span<const dao::RawRow> rows = rows_->Find(Utf8(wonum));
            if (!rows.empty())
                take(rows.front().value(0, rows_->Field(0)), rows.front().value(1, rows_->Field(1)),
                     rows.front().value(2, rows_->Field(2)));
        } else {
            auto wo = run_.DBin->OpenRecordset(
                QStringLiteral("Select * ") + "from WO " + "Where WONUM = '" + DoubleApostrophes(wonum) + "'",
                dao::dbOpenDynaset);
            if (!(wo->BOF() && wo->EOF_())) {
                take(wo->Fields("TASKNUM").Value(), wo->Fields("DELAYDESC").Value(), wo->Fields("TASKDESC").Value());
                wo->Close();
            }
        }
        wonum_ = wonum;
        read_ = true;
        return current_;
    }

private:
    void take(const dao::Variant& taskNum, const dao::Variant& delay, const dao::Variant& taskDesc)
    {
        current_.found = true;
        current_.taskNum = taskNum.isNull() ? kCorrective : taskNum.toText();
        current_.delay = delay.isNull() ? QString() : delay.toText();
        current_.taskText = taskDesc.isNull() ? QString() : taskDesc.toText();
        if (Trim(current_.taskText).isEmpty())
            current_.taskText.clear();
    }

    RunState& run_;
    std::unique_ptr<dao::KeyGroups> rows_;
    bool read_ = false;
    QString wonum_;
    Mp2WorkOrder current_;
};

// ---- Closing details -------------------------------------------------------------------------

QString Quoted(const dao::Variant& v) { return "'" + DoubleApostrophes(v.toText()) + "' "; }

// The closing details of the first WOC row of a work order, equipment, closing date and location.
class ClosingDetails {
public:
    ClosingDetails(RunState& run, bool ordered) : run_(run)
    {
        if (!ordered || !NoCaseKey(*run.DBin, "WOC", "WONUM"))
            return;
        rows_ = std::make_unique<dao::KeyGroups>(
            *run.DBin, "WOC", "WONUM",
            QStringList{"EQNUM", "CLOSEDATE", "LOCATION", "SUBLOCATION1", "SUBLOCATION2", "SUBLOCATION3", "TEXTS"});
        const dao::ColumnCollation& date = rows_->Collation(1);
        if (!TextColumns(*rows_, {0, 2, 3, 4, 5}) || date.comparison == dao::ColumnCollation::Comparison::Unknown)
            rows_.reset();
    }

    // The closing details of the line's work order and place; none when one of those numbers is Null.
    QString Of(const WorkOrderLine& line)
    {
        for (int c = WorkOrderLine::Wonum; c <= WorkOrderLine::Sub3; ++c)
            if (line[WorkOrderLine::Column(c)].isNull())
                return QString();
        const dao::Variant& wonum = line[WorkOrderLine::Wonum];
        const dao::Variant& eqnum = line[WorkOrderLine::Eqnum];
        const dao::Variant& closeDate = line[WorkOrderLine::CloseDate];
        const dao::Variant& location = line[WorkOrderLine::Location];
        const dao::Variant& sub1 = line[WorkOrderLine::Sub1];
        const dao::Variant& sub2 = line[WorkOrderLine::Sub2];
        const dao::Variant& sub3 = line[WorkOrderLine::Sub3];
        const QString iso = dao::isoFromDate(closeDate.toDate());
        const QString texts[] = {eqnum.toText(), location.toText(), sub1.toText(), sub2.toText(), sub3.toText()};
        const bool comparable = std::all_of(std::begin(texts), std::end(texts), Comparable) &&
                                Comparable(wonum.toText()) && iso.size() == 19;
        if (!rows_ || !comparable)
            return selected(wonum, eqnum, iso, location, sub1, sub2, sub3);
        const QByteArray wanted[] = {Utf8(texts[0]), Utf8(iso),      Utf8(texts[1]),
                                     Utf8(texts[2]), Utf8(texts[3]), Utf8(texts[4])};
        for (const dao::RawRow& row : rows_->Find(Utf8(wonum.toText()))) {
            bool match = true;
            for (int c = 0; c < 6 && match; ++c)
                match = rows_->TextEquals(row, c, wanted[c]);
            if (match)
                return details(row.value(2, rows_->Field(2)), row.value(3, rows_->Field(3)),
                               row.value(4, rows_->Field(4)), row.value(5, rows_->Field(5)),
                               row.value(6, rows_->Field(6)));
        }
        return {};
    }

private:
    QString selected(const dao::Variant& wonum, const dao::Variant& eqnum, const QString& iso,
                     const dao::Variant& location, const dao::Variant& sub1, const dao::Variant& sub2,
                     const dao::Variant& sub3)
    {
        const QString sql = QStringLiteral("Select * From WOC ") + "Where WONUM = " + Quoted(wonum) +
                            "And EQNUM = " + Quoted(eqnum) + "And CLOSEDATE = #" + iso + "# " +
                            "And LOCATION = " + Quoted(location) + "And SUBLOCATION1 = " + Quoted(sub1) +
                            "And SUBLOCATION2 = " + Quoted(sub2) + "And SUBLOCATION3 = " + Quoted(sub3);
        QString found;
        auto woc = run_.DBin->OpenRecordset(sql, dao::dbOpenDynaset);
        if (!(woc->BOF() && woc->EOF_())) {
            woc->MoveFirst();
            found = details(woc->Fields("LOCATION").Value(), woc->Fields("SUBLOCATION1").Value(),
                            woc->Fields("SUBLOCATION2").Value(), woc->Fields("SUBLOCATION3").Value(),
                            woc->Fields("TEXTS").Value());
        }
        woc->Close();
        return found;
    }

    static QString details(const dao::Variant& location, const dao::Variant& sub1, const dao::Variant& sub2,
                           const dao::Variant& sub3, const dao::Variant& texts)
    {
        QString out;
        const char* names[] = {"LOCATION", "SUBLOCATION1", "SUBLOCATION2", "SUBLOCATION3"};
        const dao::Variant* values[] = {&location, &sub1, &sub2, &sub3};
        for (int i = 0; i < 4; ++i)
            if (!values[i]->isNull() && !values[i]->toText().isEmpty())
                out += CRLF + QLatin1String(names[i]) + " = " + values[i]->toText();
        if (!texts.isNull())
            out += CRLF + texts.toText();
        return out;
    }

    RunState& run_;
    std::unique_ptr<dao::KeyGroups> rows_;
};

// ---- The parts of a record -------------------------------------------------------------------

StoredNumber NumberOf(const dao::RawRow& row, int column)
{
    StoredNumber n;
    switch (row.storedNumber(column, &n.integer, &n.real)) {
    case SQLITE_NULL: n.kind = StoredNumber::Null; break;
    case SQLITE_INTEGER: n.kind = StoredNumber::Integer; break;
    case SQLITE_FLOAT: n.kind = StoredNumber::Real; break;
    default: n.kind = StoredNumber::Other; break;
    }
    return n;
}

// The WOP lines of a plain record, read in work-order order, in the order its selection gives them;
// nullopt when WOP's numbers are not NOCASE texts (the parts step then selects them itself).
class RecordParts {
public:
    RecordParts(RunState& run, bool ordered)
    {
        if (!ordered || !NoCaseKey(*run.DBin, "WOP", "WONUM"))
            return;
        rows_ = std::make_unique<dao::KeyGroups>(
            *run.DBin, "WOP", "WONUM", QStringList{"WONUM", "EQNUM", "ITEMNUM", "DESCRIPTION", "QTYUSED", "TOTALUNITCOST"});
        if (!TextColumns(*rows_, {1}))
            rows_.reset();
    }

    std::optional<std::vector<WopLine>> Of(const QString& wonum, const QString& equipment)
    {
        if (!rows_)
            return std::nullopt;
        const QByteArray eq = Utf8(equipment);
        std::vector<WopLine> lines;
        for (const dao::RawRow& row : rows_->Find(Utf8(wonum))) {
            if (!rows_->TextEquals(row, 1, eq))
                continue;
            WopLine l;
            l.wonum = row.value(0, rows_->Field(0));
            l.eqnum = row.value(1, rows_->Field(1));
            l.itemNum = row.value(2, rows_->Field(2));
            l.description = row.value(3, rows_->Field(3));
            l.quantity = NumberOf(row, 4);
            l.unitCost = NumberOf(row, 5);
            lines.push_back(std::move(l));
        }
        return lines;
    }

private:
    std::unique_ptr<dao::KeyGroups> rows_;
};

// The labour and parts steps' accounts of the new database's tables, as they were before the pass:
// a pass that fails in the history leaves the account as the history alone would have left it.
class LabourAccount {
public:
    explicit LabourAccount(RunAccount& account) : account_(account), before_(account) {}
    void Restore() { account_.RestoreTargets(before_, {"WoLabor", "Employee"}); }

private:
    RunAccount& account_;
    RunAccount before_;
};

}  // namespace

void CreateWoHist(RunState& run)
{
    auto history = std::make_shared<WorkOrderHistory>();
    run.history = history;
    LabourAccount labourAccount(run.summary.account);
    try {
        WorkOrderLines woe(run);
        RunAccount& account = run.summary.account;  // every WOE line: a record, merged into one, or skipped
        const long lines = woe.Count();
        account.Read("WOE", lines);
        if (lines == 0)
            return;
        run.Log("Records in MP2 WOE table - " + QString::number(lines));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX WoHist table.");
        run.Log(QString());

        auto wo = run.DBout->OpenRecordset("WO", dao::dbOpenTable);
        wo->SetIndex("PrimaryKey");
        // A record's number is its row's: the labour and parts records name it.
        if (run.DBout->Table("WO").RowidKey.compare("WoNum", Qt::CaseInsensitive) != 0)
            throw dao::JetError::Engine("the WO table of the template does not number its records in WoNum");
        long written = 0;
        QString lastWonum;                // letter case folded, as are the numbers below
        QSet<QString> equipmentOfWonum;  // with a record of the last work order
        Mp2WorkOrders workOrders(run, woe.ordered());
        ClosingDetails closing(run, woe.ordered());
        RecordParts wop(run, woe.ordered());
        QHash<QString, qint32> taskIds;   // task number (exact) -> Task#
        QHash<QString, bool> equipment;   // EQNUM (exact) -> in the new database

        // The numbers of the last line that made a record or was merged into one: a line of the very
        // same numbers that follows is merged too (every look-up would answer as for that line).
        QString mergingWonum, mergingEqnum;
        bool merging = false;

        while (woe.Next()) {
            const std::vector<WorkOrderLine>& batch = woe.Lines();
            for (size_t at = 0; at < batch.size(); ++at) {
                const WorkOrderLine& line = batch[at];
                const QString wonumText = line[WorkOrderLine::Wonum].toText();
                const QString eqnumText = line[WorkOrderLine::Eqnum].toText();
                if (merging && wonumText == mergingWonum && eqnumText == mergingEqnum) {
                    account.Merged("WOE");
                    continue;
                }
                merging = false;

                const Mp2WorkOrder& mp2wo = workOrders.Of(wonumText);
                if (!mp2wo.found) {
                    run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText +
                            ". Couldn't find corresponding rec in MP2 WO table.");
                    account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find corresponding rec in MP2 WO table.");
                    continue;
                }
                const QString& taskNum = mp2wo.taskNum;

                // A task found once stays: tasks are only added here. A missing one is looked up (and
                // created) every time, as the first time.
                qint32 taskId = taskIds.value(taskNum, 0);
                if (taskId == 0)
                    taskId = FindTask(run, taskNum);
                if (taskId == 0) {
                    CreateOneTask(run, taskNum, 1);
                    taskId = FindTask(run, taskNum);
                    if (taskId != 0) {
                        run.Log(QStringLiteral("Created an inactive task in order to save history. ") +
                                " Description = '" + taskNum + "'");
                    } else {
                        run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText +
                                " TASKNUM = " + taskNum + ". Couldn't find corresponding Task rec in VX.");
                        account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find corresponding Task rec in VX.");
                        continue;
                    }
                }
                taskIds.insert(taskNum, taskId);

                // The equipment does not change while the history is converted.
                auto known = equipment.constFind(eqnumText);
                if (known == equipment.constEnd())
                    known = equipment.insert(eqnumText, EqExists(run, eqnumText));
                if (!known.value()) {
                    run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText + " EQNUM = " +
                            eqnumText + " TASKNUM = " + taskNum + ". Couldn't find Equipment# in VX.");
                    account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find Equipment# in VX.");
                    continue;
                }

                // Several WOE lines (employees, locations) of one work order and equipment make one
                // record. Letter case does not tell numbers apart: the labour and parts of the record
                // are found without regard to it, so P-1 and p-1 in one work order are one record, whose
                // lines are each counted once. The lines come ordered by work order, but equipment
                // numbers with letters beyond ASCII need not sort next to their other case.
                const QString wonumKey = dao::FoldCase(wonumText);
                if (wonumKey != lastWonum) {
                    lastWonum = wonumKey;
                    equipmentOfWonum.clear();
                }
                const qsizetype recorded = equipmentOfWonum.size();
                equipmentOfWonum.insert(dao::FoldCase(eqnumText));
                merging = true;
                mergingWonum = wonumText;
                mergingEqnum = eqnumText;
                if (equipmentOfWonum.size() == recorded) {
                    account.Merged("WOE");
                    continue;
                }

                wo->AddNew();
                wo->Fields("Task#") = taskId;  // the number the decimal text of it converts to
                wo->Fields("Equipment#") = line[WorkOrderLine::Eqnum];
                wo->Fields("AssignedTo") = 0;
                wo->Fields("DateComplete") = line[WorkOrderLine::CloseDate];
                wo->Fields("DueDate") = line[WorkOrderLine::CloseDate];
                wo->Fields("MiscCost") = 0;
                wo->Fields("TotalCost") = 0;
                wo->Fields("LaborCost") = 0;
                wo->Fields("InvyCost") = 0;

                QString notes = WoNumNotesLine(wonumText);
                if (!mp2wo.delay.isEmpty())
                    notes += "MP2 DELAYDESC = " + mp2wo.delay;
                notes += closing.Of(line);
                if (!mp2wo.taskText.isEmpty())
                    notes += CRLF + "TASKDESC = " + mp2wo.taskText;

                wo->Fields("Notes") = notes;
                wo->Fields("WoType") = taskNum == kCorrective ? kCorrective : QStringLiteral("Preventative");
                wo->Fields("RecType") = 3;

                // What the labour and parts steps find the record by, as they read it back.
                HistoryRecord record;
                record.mp2WoNum = wonumText;
                record.equipment = wo->Fields("Equipment#").Value().toText();
                record.dateComplete = wo->Fields("DateComplete").Value();
                record.plain = woe.ordered() && record.equipment == eqnumText && PlainNumbers(wonumText, eqnumText);

                // The labour step's share: the record's lines (for a plain record, the lines of the same
                // numbers that follow this one, as NOCASE compares them) and their hours, in the record.
                std::optional<std::vector<WorkOrderLine>> selectedLines;
                std::optional<std::vector<const WorkOrderLine*>> own;
                if (!history->labourFailure) {
                    try {
                        if (record.plain) {
                            own.emplace();
                            const QByteArray eq = Utf8(eqnumText);
                            for (size_t k = at; k < batch.size(); ++k) {
                                const QByteArray other = Utf8(batch[k][WorkOrderLine::Eqnum].toText());
                                if (dao::CompareNoCase(other.constData(), static_cast<size_t>(other.size()),
                                                       eq.constData(), static_cast<size_t>(eq.size())) != 0)
                                    break;
                                own->push_back(&batch[k]);
                            }
                        } else {
                            // The number as the step reads it back from the first line of Notes.
                            record.mp2WoNum = WoNumFromNotes(WoNumNotesLine(wonumText));
                            selectedLines = SelectLabourLines(run, record);
                            if (selectedLines) {
                                own.emplace();
                                for (const WorkOrderLine& l : *selectedLines)
                                    own->push_back(&l);
                            }
                        }
                        if (own)
                            wo->Fields("TotalLaborHours") = LabourHours(*own);
                    } catch (const dao::DaoError& e) {
                        history->labourFailure = e;
                    }
                }

                // The parts step's share: a plain record's WOP lines and their cost, in the record.
                std::optional<PartsFound> parts;
                bool costFailed = false;
                if (!history->partsFailure && record.plain) {
                    try {
                        if (const std::optional<std::vector<WopLine>> wopLines = wop.Of(wonumText, eqnumText))
                            parts = PartsOf(*wopLines);
                    } catch (const dao::DaoError& e) {
                        history->partsFailure = e;
                        history->partsFailedAt = history->parts.size();
                        parts.reset();
                    }
                    if (parts && parts->lines > 0) {
                        try {
                            const double newInvyCost = 0.0 + parts->cost;
                            wo->Fields("InvyCost") = newInvyCost;
                            wo->Fields("TotalCost") = newInvyCost + 0.0 + 0.0;
                        } catch (const dao::DaoError& e) {
                            // The step would have failed on setting them, once it had made the record's item.
                            history->partsFailure = e;
                            history->partsFailedAt = history->parts.size();
                            history->partsFailAfterItem = true;
                            costFailed = true;
                        }
                    }
                }

                wo->Update();
                account.Converted("WOE");
                account.Created("WO");
                ++written;
                run.UpProg();
                record.woNum = static_cast<qint32>(wo->LastModified());

                if (!history->labourFailure) {
                    try {
                        WriteLabour(run, *history, record, own);
                    } catch (const dao::DaoError& e) {
                        history->labourFailure = e;
                    }
                }
                if ((!history->partsFailure || costFailed) && (!parts || parts->lines > 0))
                    history->Keep(record, parts);
            }
        }
        history->records = written;

        run.Log("Records in Vantrix/Mendly WoHist table - " + QString::number(written));
        run.Log(QString());
        history->labor.reset();
        wo->Close();
        wo.reset();

        // Each history record also uses up one number of WO's numbering, as the product expects:
        // the numbers one empty record added and deleted per record written would take, never
        // given again. They are taken in one statement; only a WO table whose numbering has not
        // started yet takes them by adding and deleting, as it always could.
        if (!run.DBout->SkipAutoNumbers("WO", written)) {
            auto numbering = run.DBout->OpenRecordset("Select * From WO", dao::dbOpenDynaset);
            for (long i = 0; i < written; ++i) {
                numbering->AddNew();
                numbering->Update();
                numbering->SetBookmark(numbering->LastModified());
                numbering->Delete();
            }
            numbering->Close();
        }
        dao::Idle(dao::dbRefreshCache);
    } catch (const dao::DaoError& e) {
        labourAccount.Restore();
        ConversionTrap(run, "CreateWoHist Error:", e);
    }
}

#include "convert/equipment/PreParse.h"

#include "common/Lookups.h"
#include "db/InputFile.h"
#include "db/TextCase.h"
#include "run/RecordWarning.h"

#include <QStringDecoder>

namespace {

const QChar CR(13);

struct Group {
    std::vector<const char*> mp2;
    const char* vx;
};

// Plural and longer spellings come before the shorter ones they contain.
const std::vector<Group>& DefaultGroups()
{
    static const std::vector<Group> groups = {
        {{"ADMIN"}, "Adm"},
        {{"AERATION", "AERATIN", "AERATN", "AERTN", "ARTN"}, "Aertn"},
        {{"AIRPORT", "AIRPRT"}, "AirPt"},
        {{"ALARMS", "ALARM"}, "Alrm"},
        {{"ALTERNATOR"}, "Altnr"},
        {{"ANTENNA"}, "Antna"},
        {{"AUTOMATIC", "AUTOMATC", "AUTOMTC"}, "Automtc"},
        {{"BASINS", "BASIN"}, "Basn"},
        {{"BLDG"}, "Bldg"},
        {{"BOTTOM", "BOTTM"}, "Btm"},
        {{"BUCKETS", "BUCKET", "BUCKT"}, "Buckt"},
        {{"BUILDING"}, "Bldg"},
        {{"BUTTERFLY", "BUTTRFLY", "BUTRFLY"}, "Btrfly"},
        {{"CANAL"}, "Canal"},
        {{"CAUSTIC"}, "Caustic"},
        {{"CHANGE", "CHANGE", "CHANG"}, "Chg"},
        {{"CHECK"}, "Chk"},
        {{"CLARIFIER", "CLARIFER", "CLARIFR", "CLARFR", "CLRFR"}, "Clar"},
        {{"CLASS"}, "Cls"},
        {{"COMPACTOR", "COMPACTR", "COMPCTR"}, "Cmpacr"},
        {{"COMPOSITES", "COMPOSITE"}, "Comp"},
        {{"COMPUTER", "COMPUTR", "COMPTR"}, "Cmptr"},
        {{"COMPRESSOR", "COMPRESOR", "COMPRESSR", "COMPRESR", "COMPRSSR", "COMPRSR", "CMPRSSR", "CMPRSR"}, "Cmpsr"},
        {{"CONTROL", "CONTRL", "CNTRL", "CNTL", "CTRL"}, "Ctl"},
        {{"CYLINDER"}, "Cyl"},
        {{"DELAY"}, "Delay"},
        {{"DIGESTER", "DIGESTR", "DIGSTR"}, "Dgstr"},
        {{"DIVERSION", "DIVERSIN", "DIVERSN", "DIVRSN", "DVRSN"}, "Diver"},
        {{"DRIVE", "DRIV"}, "Drv"},
        {{"DRYER"}, "Dryr"},
        {{"DOWNSTAIRS", "DOWNSTAIR", "DWNSTAIRS", "DWNSTAIR"}, "Dwstr"},
        {{"EFFLUENT", "EFFLUNT", "EFFLNT", "EFLNT"}, "Eff"},
        {{"EVAPORATOR", "EVAPORATRS", "EVAPORATR", "EVAPORTRS", "EVAPORTR", "EVAPRTRS", "EVAPRTR", "EVPRTRS",
          "EVPRTR"},
         "Evap"},
        {{"FIELD"}, "Fld"},
        {{"FILTRATION", "FILTRATIN", "FILTRATN", "FILTRTN", "FILTER", "FILTR"}, "Fltr"},
        {{"FLOOR"}, "Flr"},
        {{"FLOW"}, "Flw"},
        {{"FREQUENCY", "FREQUNCY", "FREQNCY", "FRQNCY"}, "Frq"},
        {{"GATE"}, "Gt"},
        {{"GENERATORS", "GENERATOR", "GENERTOR", "GENERTR", "GENRTR", "GNRTR"}, "Gen"},
        {{"GOODYEARTIRES", "GOODYEARTIRE"}, "GdYrT"},
        {{"GOODYEAR"}, "GdYr"},
        {{"GROUNDS", "GROUND", "GRNDS", "GRND"}, "Grd"},
        {{"HEATER", "HEATR"}, "Htr"},
        {{"HYDRAULIC", "HYDRAULC", "HYDRALC", "HYDRLC"}, "Hyd"},
        {{"INFLUENT", "INFLUNT", "INFLNT"}, "Inf"},
        {{"INDUSTRIAL", "INDUSTRIL", "INDUSTRL", "INDSTRL"}, "Indust"},
        {{"MASTER"}, "Mastr"},
        {{"OFFICE"}, "Ofc"},
        {{"PANEL"}, "Pnl"},
        {{"PORTABLE"}, "Prtbl"},
        {{"ROOM"}, "Rm"},
        {{"SLUDGE", "SLUDG"}, "Sldg"},
        {{"SOFT"}, "Sft"},
        {{"STATION"}, "Stn"},
        {{"SYSTEMS", "SYSTEM"}, "Sys"},
        {{"TANK"}, "Tnk"},
        {{"UPSTAIRS", "UPSTAIR"}, "Upstr"},
        {{"VALVES", "VALVE", "VALV", "VLV"}, "Vlv"},
        {{"YEAR"}, "Yr"},
    };
    return groups;
}

}  // namespace

const std::vector<SubstringPair>& DefaultSubstrings()
{
    static const std::vector<SubstringPair> rows = [] {
        std::vector<SubstringPair> r;
        for (const Group& g : DefaultGroups())
            for (const char* mp2 : g.mp2)
                r.push_back({QString::fromLatin1(mp2), QString::fromLatin1(g.vx)});
        return r;
    }();
    return rows;
}

QString SubstituteEqNum(const QString& number, const std::vector<SubstringPair>& pairs)
{
    QString result = number;
    for (const SubstringPair& p : pairs)
        if (!p.mp2.isEmpty() && result.contains(p.mp2, Qt::CaseSensitive))
            result.replace(p.mp2, p.vx, Qt::CaseSensitive);
    return result;
}

void RenameEqNum(dao::Database& db, const QString& oldNumber, const QString& newNumber)
{
    const QString newText = DoubleApostrophes(newNumber);
    const QString oldText = DoubleApostrophes(oldNumber);
    for (const char* table : kEqNumTables)
        db.Execute("Update " + QString::fromLatin1(table) + " " + "Set EQNUM = '" + newText + "' " +
                       "Where EQNUM = '" + oldText + "' ",
                   dao::dbFailOnError);
}

namespace {

bool AnyEquip(dao::Database& db, const QString& where)
{
    auto rs = db.OpenRecordset("Select * from EQUIP Where " + where, dao::dbOpenSnapshot);
    const bool any = !(rs->BOF() && rs->EOF_());
    rs->Close();
    return any;
}

}  // namespace

void CheckRename(dao::Database& db, const QString& oldNumber, const QString& newNumber)
{
    if (newNumber.isEmpty())
        throw dao::DaoError(3315, "Field 'EQNUM' can't be a zero-length string: the substrings leave nothing of "
                                  "the equipment number '" + oldNumber + "'.");
    // Two records become one only while one of them still holds the old number: a rename made by an
    // earlier press of the button left the record under its new number, and renaming it again
    // changes nothing in EQUIP.
    const QString oldText = DoubleApostrophes(oldNumber);
    const bool taken = AnyEquip(db, "EQNUM = '" + oldText + "'") &&
                       AnyEquip(db, "EQNUM = '" + DoubleApostrophes(newNumber) + "' And EQNUM <> '" + oldText + "'");
    if (taken) {
        const dao::DaoError duplicate = dao::JetError::DuplicateKey();
        throw dao::DaoError(duplicate.Number, duplicate.Description + " The equipment number '" + oldNumber +
                                                  "' would become '" + newNumber + "', which another record has.");
    }
}

std::vector<SubstringPair> ReadSubstringCsv(const QString& path)
{
    std::vector<SubstringPair> pairs;
    const QList<QByteArray> lines = dao::ReadInputFile(path, "--substrings").split('\n');
    for (qsizetype number = 1; number <= lines.size(); ++number) {
        QByteArray bytes = lines[number - 1];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        // A substring goes into equipment numbers: bytes that are not text, and control characters
        // (NUL, tab, ...) that no one can type into the table, are refused rather than carried there.
        const auto refuse = [&](const QString& why) {
            return dao::DaoError(5, QString("Invalid procedure call or argument: '%1' line %2 %3; correct the line")
                                        .arg(path)
                                        .arg(number)
                                        .arg(why));
        };
        if (number == 1 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);  // the byte-order mark a spreadsheet puts before UTF-8 text
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString line = utf8.decode(bytes);
        if (utf8.hasError())
            throw refuse("is not UTF-8 text");
        for (const QChar c : line)
            if (c.category() == QChar::Other_Control)
                throw refuse(QString("holds a control character (code %1)").arg(c.unicode()));
        if (line.isEmpty())
            continue;
        const qsizetype comma = line.indexOf(',');
        if (comma < 0)
            pairs.push_back({line, QString()});
        else
            pairs.push_back({line.left(comma), line.mid(comma + 1)});
    }
    return pairs;
}

// ---- the screen ----

const QString PreParse::kCaption = "PreParseEqNum";
const QString PreParse::kSubStringHeadings[2] = {"MP2 Substring (Case-Insensitive)",
                                                 "VX Substring      (Case-Sensitive)"};
const QString PreParse::kEqNumHeadings[2] = {"MP2 EqNum (yellow if > 15)", "Length"};
const QString PreParse::kIntroText =
    "MP2's EqNum can be up to 30 characters long. Vantrix/Mendly's Equip# can be 30 characters long in versions "
    "2.52 or later. If the MP2 database has a lot of long names you can replace common substrings with something "
    "shorter. You might want to try to make names shorter because it will make the Vantrix/Mendly screen more "
    "readable. Click on the Exit button if you don't want to replace any substrings.";
const QString PreParse::kOrderText =
    "The substrings will be replaced top to bottom in the EqNum. Therefore plural names should come first (GRNDS "
    "before GRND). Longer names before shorter names (RAWWATER before RAWWAT).";

PreParse::PreParse(RunState& run) : run_(run)
{
    clearSubStrings(kSpareSubStringRows);
    eqRows_.resize(kEqNumGrowth);
}

void PreParse::Open()
{
    state_ = State::Open;
    eqRows_.assign(kEqNumGrowth, EqNumRow{});
    auto rs = run_.DBin->OpenRecordset("SELECT * FROM EQUIP Order by EQNUM", dao::dbOpenSnapshot);
    if (rs->BOF() && rs->EOF_()) {
        rs->Close();
        run_.op.MsgBox(QString("MP2 doesn't have any equipment records. ") + "Click on the Exit button.");
        return;
    }
    rs->MoveLast();
    const long count = rs->RecordCount();
    rs->MoveFirst();
    for (long i = 1; i <= count; ++i) {
        if (i > EqNumRowCount())
            eqRows_.resize(static_cast<size_t>(i + kEqNumGrowth));
        EqNumRow& row = eqRows_[static_cast<size_t>(i - 1)];
        const dao::Variant eqnum = rs->Fields("EQNUM").Value();
        row = EqNumRow{};
        if (!eqnum.isNull()) {
            const QString text = eqnum.toText();
            row.number = dao::UpperCase(text);
            row.length = static_cast<int>(text.size());
            row.yellow = text.size() > kYellowAbove;
        }
        rs->MoveNext();
    }
    rs->Close();
}

int PreParse::LastEqNumRow() const
{
    for (int row = EqNumRowCount(); row >= 1; --row) {
        const EqNumRow& r = EqNum(row);
        if (!r.number.isEmpty() || r.length)
            return row;
    }
    return 0;
}

QString PreParse::SubString(int row, int col) const
{
    if (row < 1 || row > SubStringRowCount())
        return QString();
    const SubstringPair& p = subRows_[static_cast<size_t>(row - 1)];
    return col == 1 ? p.mp2 : p.vx;
}

void PreParse::SetSubString(int row, int col, const QString& text)
{
    if (row < 1 || col < 1 || col > 2)
        return;
    if (row > SubStringRowCount() - kSpareSubStringRows)
        subRows_.resize(static_cast<size_t>(row + kSpareSubStringRows));
    SubstringPair& p = subRows_[static_cast<size_t>(row - 1)];
    (col == 1 ? p.mp2 : p.vx) = text;
}

int PreParse::LastSubStringRow() const
{
    for (int row = SubStringRowCount(); row >= 1; --row) {
        const SubstringPair& p = subRows_[static_cast<size_t>(row - 1)];
        if (!p.mp2.isEmpty() || !p.vx.isEmpty())
            return row;
    }
    return 0;
}

void PreParse::SetActiveCell(int row, int col)
{
    activeRow_ = std::clamp(row, 1, SubStringRowCount());
    activeCol_ = std::clamp(col, 1, 2);
}

void PreParse::clearSubStrings(int rows)
{
    subRows_.assign(static_cast<size_t>(std::max(rows, kSpareSubStringRows)), SubstringPair{});
}

void PreParse::FillSubStrings(const std::vector<SubstringPair>& pairs)
{
    clearSubStrings(SubStringRowCount());
    int row = 0;
    for (const SubstringPair& p : pairs) {
        ++row;
        SetSubString(row, 1, p.mp2);
        SetSubString(row, 2, p.vx);
    }
}

void PreParse::LoadDefaults()
{
    if (!run_.op.AskYesNo("This will clear the substring table and load " + QString(CR) + "it with some defaults. " +
                          CR + "Do you wish to continue?"))
        return;
    FillSubStrings(DefaultSubstrings());
}

void PreParse::MoveUp()
{
    const int row = activeRow_;
    if (SubString(row, 1).isEmpty()) {
        run_.op.MsgBox("Click on the row you want to move first.");
        return;
    }
    if (row == 1)
        return;
    std::swap(subRows_[static_cast<size_t>(row - 1)], subRows_[static_cast<size_t>(row - 2)]);
    SetActiveCell(row - 1, 1);
}

void PreParse::MoveDown()
{
    const int row = activeRow_;
    if (SubString(row, 1).isEmpty()) {
        run_.op.MsgBox("Click on the row you want to move first.");
        return;
    }
    if (row == SubStringRowCount())
        return;
    std::swap(subRows_[static_cast<size_t>(row - 1)], subRows_[static_cast<size_t>(row)]);
    SetActiveCell(row + 1, 1);
}

void PreParse::DeleteRow()
{
    const int row = activeRow_;
    const QString mp2 = SubString(row, 1);
    const QString vx = SubString(row, 2);
    if (mp2.isEmpty() && vx.isEmpty()) {
        run_.op.MsgBox("Click on the row you want to remove first.");
        return;
    }
    if (!run_.op.AskYesNo("Are you sure you want to remove MP2 substring '" + mp2 + "' and VX substring '" + vx +
                          "' ?"))
        return;
    subRows_.erase(subRows_.begin() + (row - 1));
    subRows_.push_back(SubstringPair{});  // the grid keeps its size
}

void PreParse::Exit() { state_ = State::Closed; }

bool PreParse::UpdateDatabaseAndClose()
{
    if (state_ == State::Closed)
        return true;
    const int lastRow = LastSubStringRow();
    for (int row = 1; row <= lastRow; ++row) {
        const SubstringPair& p = subRows_[static_cast<size_t>(row - 1)];
        if (!p.mp2.isEmpty() && p.vx.isEmpty()) {
            if (!run_.op.AskYesNo("Row '" + QString::number(row) + "' " + CR + "with a MP2 substring of '" + p.mp2 +
                                  "' " + CR + "has the VX substring set to blank." + CR + "Is this correct?"))
                return false;
        }
    }
    state_ = State::Updating;
    run_.op.SetBusy(true);
    try {
        update();
    } catch (const dao::DaoError& e) {
        // The renames made before the failure stay: they are committed before the screen reopens.
        std::optional<dao::DaoError> commitFailure;
        try {
            dao::Idle(dao::dbRefreshCache);
        } catch (const dao::DaoError& c) {
            commitFailure = c;
        }
        run_.op.SetBusy(false);
        run_.op.MsgBox(QString::number(e.Number) + " - " + e.Description);
        if (commitFailure)
            run_.op.MsgBox(QString::number(commitFailure->Number) + " - " + commitFailure->Description);
        state_ = State::Open;
        return false;
    }
    run_.op.MsgBox("Equipment PreParse Phase is Done. Click OK to continue.");
    state_ = State::Closed;
    return true;
}

void PreParse::update()
{
    // The substring pairs.
    std::vector<SubstringPair> pairs;
    const int lastSubRow = LastSubStringRow();
    for (int row = 1; row <= lastSubRow; ++row) {
        const SubstringPair& p = subRows_[static_cast<size_t>(row - 1)];
        if (p.mp2.isEmpty()) {
            run_.op.MsgBox("Row '" + QString::number(row) + "' skipped. MP2 has no substring set up.");
            continue;
        }
        pairs.push_back({dao::UpperCase(p.mp2), p.vx});
    }
    run_.Log("-----PreParseEqNum - Start--------");
    run_.Log(QString());
    for (size_t k = 0; k < pairs.size(); ++k) {
        const QString index = QString::number(k + 1);
        run_.Log("MP2SubStr(" + index + ")= " + pairs[k].mp2 + "  " + "VXSubStr(" + index + ")= " + pairs[k].vx);
        run_.Log(QString());
    }
    run_.Log(QString());

    // The numbers that change.
    QStringList MP2EqOld, MP2EqNew;
    const int lastEqRow = LastEqNumRow();
    for (int row = 1; row <= lastEqRow; ++row) {
        const QString& oldNumber = EqNum(row).number;
        if (oldNumber.isEmpty()) {
            RecordWarning(run_, "Row '" + QString::number(row) + "' skipped. MP2 has blank equipment.");
            continue;
        }
        const QString newNumber = SubstituteEqNum(oldNumber, pairs);
        if (newNumber != oldNumber) {
            MP2EqOld << oldNumber;
            MP2EqNew << newNumber;
        }
    }
    for (qsizetype k = 0; k < MP2EqOld.size(); ++k) {
        const QString index = QString::number(k + 1);
        run_.Log("MP2EqOld(" + index + ")= " + MP2EqOld[k] + "  " + "MP2EqNew(" + index + ")= " + MP2EqNew[k]);
        run_.Log(QString());
    }
    run_.Log("-----PreParseEqNum - End--------");
    run_.Log(QString());

    for (qsizetype k = 0; k < MP2EqOld.size(); ++k) {
        CheckRename(*run_.DBin, MP2EqOld[k], MP2EqNew[k]);
        RenameEqNum(*run_.DBin, MP2EqOld[k], MP2EqNew[k]);
    }
    dao::Idle(dao::dbRefreshCache);
}

void RunPreParse(RunState& run)
{
    PreParse screen(run);
    screen.Open();
    run.op.SetBusy(false);
    run.op.ShowPreParse(screen);
    run.op.SetBusy(true);
}

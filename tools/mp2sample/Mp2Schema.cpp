#include "mp2sample/Mp2Schema.h"

#include "db/FieldConversion.h"

#include <QFile>
#include <QHash>
#include <sqlite3.h>
#include <stdexcept>

namespace testsupport {

namespace {

using dao::FieldType;
constexpr FieldType T = FieldType::Text, M = FieldType::Memo, D = FieldType::Date, C = FieldType::Currency,
                    F = FieldType::Double, I = FieldType::Integer, L = FieldType::Long;

struct Def {
    QString name;
    std::vector<Mp2Column> columns;
};

std::vector<Mp2Column> texts(const QStringList& names, int size)
{
    std::vector<Mp2Column> out;
    for (const QString& n : names)
        out.push_back({n, T, size});
    return out;
}

std::vector<Mp2Column> operator+(std::vector<Mp2Column> a, const std::vector<Mp2Column>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Def>& defs()
{
    static const std::vector<Def> all = {
        {"FACILITY", texts({"Name", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "PHONENUM",
                            "PHONEEXT", "FAXNUM", "CONTACT"}, 50)},
        {"EQUIP", std::vector<Mp2Column>{{"EQNUM", T, 50}, {"DESCRIPTION", T, 60}, {"LOCATION", T, 30},
                                         {"ORIGINALCOST", C}, {"SUBLOCATION1", T, 30}, {"SUBLOCATION2", T, 30},
                                         {"SUBLOCATION3", T, 30}, {"VENDORID", T, 15}, {"SPARECODE", T, 15},
                                         {"GENLEDGER", T, 30}, {"COSTCENTER", T, 30}, {"ASSETNUM", T, 30},
                                         {"PURCHDATE", D}, {"STARTUPDATE", D}, {"WARRANTYDATE", D}, {"LIFE", F},
                                         {"REPLACEMENTCOST", C}, {"LABORCOST", C}, {"MATLCOST", C},
                                         {"SERVICECODE", T, 15}, {"PERSONRESPONSIBLE", T, 30}, {"EPATITLED", T, 1},
                                         {"SAFETYNOTE", M}, {"MANUFACTURER", T, 15}, {"SERIALNUM", T, 30},
                                         {"MODELNUM", T, 30}}},
        {"METER", std::vector<Mp2Column>{{"EQNUM", T, 50}, {"UOM", T, 15}, {"AVGMTRUNITSPERDAY", F},
                                         {"SignalTag", T, 30}, {"EQDATE", D}, {"CURMTR", F}}},
        {"MANUFACT", texts({"MANUFACTID", "NAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "REP",
                            "PHONE", "EXT", "TELEXFAX", "TERMS", "FREIGHTTERMS", "SHIPVIA", "FOB", "MANUFACTTYPE",
                            "SHIPPER", "FEDID", "CLASS", "CUSTOMERID"}, 50) +
                         std::vector<Mp2Column>{{"NOTES", M}}},
        {"EMP", texts({"EMPCODE", "LASTNAME", "FIRSTNAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP",
                       "COUNTRY", "PHONE"}, 50) +
                    std::vector<Mp2Column>{{"HIREDATE", D}, {"NOTES", M}}},
        {"TASK", std::vector<Mp2Column>{{"TASKNUM", T, 25}, {"DESCRIPTION", T, 100}, {"ASSIGNEDTO", T, 15}}},
        {"TSKINSTR", std::vector<Mp2Column>{{"TASKNUM", T, 25}, {"INSTRCODE", T, 15}, {"SEQUENCENUM", I}}},
        {"INSTR", std::vector<Mp2Column>{{"INSTRCODE", T, 15}, {"INSTRTEXT", M}}},
        {"TASKEQ", std::vector<Mp2Column>{{"TASKNUM", T, 25}, {"EQNUM", T, 50}, {"NEXTDUEDATE", D},
                                          {"DATEUNIT", T, 2}, {"NUMOFDATE", I}}},
        {"WO", std::vector<Mp2Column>{{"WONUM", T, 15}, {"TASKNUM", T, 25}, {"DELAYDESC", T, 60}, {"TASKDESC", M}}},
        {"WOE", std::vector<Mp2Column>{{"WONUM", T, 15}, {"EQNUM", T, 50}, {"CLOSEDATE", D}, {"LOCATION", T, 30},
                                       {"SUBLOCATION1", T, 30}, {"SUBLOCATION2", T, 30}, {"SUBLOCATION3", T, 30},
                                       {"REGHRS", F}, {"OTHRS", F}, {"EMPCODE", T, 15}}},
        {"WOC", std::vector<Mp2Column>{{"WONUM", T, 15}, {"EQNUM", T, 50}, {"CLOSEDATE", D}, {"LOCATION", T, 30},
                                       {"SUBLOCATION1", T, 30}, {"SUBLOCATION2", T, 30}, {"SUBLOCATION3", T, 30},
                                       {"TEXTS", M}}},
        {"WOP", std::vector<Mp2Column>{{"WONUM", T, 15}, {"EQNUM", T, 50}, {"ITEMNUM", T, 30},
                                       {"DESCRIPTION", T, 60}, {"QTYUSED", F}, {"TOTALUNITCOST", C}}},
        {"VENDOR", texts({"VENDORID", "NAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "REP",
                          "PHONE", "EXT", "TELEXFAX"}, 50) +
                       std::vector<Mp2Column>{{"TAXRATE1", F}, {"TAXRATE2", F}, {"TERMS", T, 30},
                                              {"FREIGHTTERMS", T, 30}, {"SHIPVIA", T, 30}, {"FOB", T, 30},
                                              {"MINORDERAMT", C}, {"VENDORTYPE", T, 15}, {"LASTRECVDATE", D},
                                              {"SHIPPER", T, 30}, {"FEDID", T, 30}, {"CLASS", T, 15},
                                              {"CUSTOMERID", T, 30}, {"PREFORDERMETHOD", T, 15},
                                              {"TOTALOPEN", C}, {"TOTALRECEIVED", C}, {"MP2CURRENCY", T, 10},
                                              {"NOTES", M}}},
        {"VENDCOMM", std::vector<Mp2Column>{{"VENDORID", T, 50}, {"COMMENTS", M}}},
        {"INVY", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"DESCRIPTION", T, 60}, {"UOM", T, 15}, {"TYPE", T, 15},
                                        {"ACCTCODE", T, 30}, {"OEMMFG", T, 30}, {"TAXABLE", T, 1}, {"VOLUME", F},
                                        {"DATEADDED", D}, {"CLASS", T, 15}, {"WEIGHT", F}, {"COSTCENTER", T, 30},
                                        {"MODEL", T, 30}, {"LASTEDITDATE", D}} +
                     texts({"UD1", "UD2", "UD3", "UD4", "UD5", "UD6", "UD7", "UD8", "UD9", "UD10", "UOW"}, 30) +
                     std::vector<Mp2Column>{{"SINGLESOURCE", T, 1}, {"NOTES", M}}},
        {"INVVEND", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"VENDORID", T, 50}, {"PRIMARYVENDOR", T, 1},
                                           {"MANUFACTID", T, 15}, {"VENDORITEMNUM", T, 30}, {"UNITCOST", C},
                                           {"LEADTIME", F}, {"CONTRACTNUM", T, 30}, {"CONTRACTPAGE", T, 15},
                                           {"CONTRACTPARTNUM", T, 30}, {"UOP", T, 15}, {"MINORDERQTY", F},
                                           {"CATALOGNUM", T, 30}}},
        {"INVCOST", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"UNITCOST", C}, {"AVAILABLEQTY", F}}},
        {"INVTYPE", std::vector<Mp2Column>{{"TYPE", T, 15}, {"DESCRIPTION", T, 60}}},
        // Rewritten with the equipment numbers, otherwise not read
        {"TSKMETER", std::vector<Mp2Column>{{"TASKNUM", T, 25}, {"EQNUM", T, 50}, {"METERINTERVAL", F}}},
        {"MTRHIST", std::vector<Mp2Column>{{"EQNUM", T, 50}, {"READINGDATE", D}, {"READING", F}}},
        {"WOEQLIST", std::vector<Mp2Column>{{"WONUM", T, 15}, {"EQNUM", T, 50}}},
        // Reported, not converted
        {"VENDMANU", std::vector<Mp2Column>{{"VENDORID", T, 50}, {"MANUFACTID", T, 15}}},
        {"VENDPO", std::vector<Mp2Column>{{"VENDORID", T, 50}, {"PONUM", T, 15}}},
        {"INVCOMM", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"COMMENTS", M}}},
        {"INVSITE", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"SITEID", T, 15}}},
        {"INVSUB", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"SUBITEMNUM", T, 30}}},
        {"INVYDRWG", std::vector<Mp2Column>{{"ITEMNUM", T, 30}, {"DRAWING", T, 60}}},
    };
    return all;
}

const QStringList kLookupIndexes[] = {
    {"EQNUM", "EQUIP", "TASKEQ", "TSKMETER", "METER", "MTRHIST", "WOC", "WOEQLIST", "WOE", "WOP"},
    {"WONUM", "WO", "WOE", "WOC", "WOP"},
    {"TASKNUM", "TASK", "TSKINSTR"},
    {"INSTRCODE", "INSTR"},
    {"ITEMNUM", "INVY", "INVVEND", "INVCOST"},
    {"TYPE", "INVTYPE"},
    {"VENDORID", "VENDOR", "VENDCOMM"},
    {"MANUFACTID", "MANUFACT"},
};

void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string why = err ? err : "?";
        sqlite3_free(err);
        throw std::runtime_error(sql.toStdString() + ": " + why);
    }
}

}  // namespace

const QStringList& Mp2TableNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const Def& d : defs())
            n << d.name;
        return n;
    }();
    return names;
}

const std::vector<Mp2Column>& Mp2Columns(const QString& table)
{
    static const std::vector<Mp2Column> none;
    for (const Def& d : defs())
        if (d.name.compare(table, Qt::CaseInsensitive) == 0)
            return d.columns;
    return none;
}

void CreateMp2WorkingCopy(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create " + path.toStdString());
    exec(db, "BEGIN");
    for (const Def& d : defs()) {
        QStringList cols;
        for (const Mp2Column& c : d.columns) {
            dao::FieldInfo f;
            f.Name = c.name;
            f.Type = c.type;
            f.Size = c.size;
            cols << dao::quoteIdentifier(c.name) + ' ' + dao::declaredColumn(f);
        }
        exec(db, "CREATE TABLE " + dao::quoteIdentifier(d.name) + " (" + cols.join(", ") + ")");
    }
    for (const QStringList& idx : kLookupIndexes)
        for (int i = 1; i < idx.size(); ++i)
            exec(db, QString("CREATE INDEX \"lookup_%1_%2\" ON \"%1\" (\"%2\")").arg(idx[i], idx[0]));
    exec(db, "COMMIT");
    sqlite3_close(db);
}

void InsertMp2Rows(const QString& path, const QString& table, const std::vector<Mp2Row>& rows)
{
    const auto& columns = Mp2Columns(table);
    if (columns.empty())
        throw std::runtime_error("unknown MP2 table " + table.toStdString());
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    exec(db, "BEGIN");
    for (const Mp2Row& row : rows) {
        QStringList names, marks;
        std::vector<dao::FieldInfo> infos;
        for (const auto& cell : row) {
            const QString& name = cell.first;
            const auto it = std::find_if(columns.begin(), columns.end(), [&](const Mp2Column& c) {
                return c.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == columns.end())
                throw std::runtime_error("no column " + name.toStdString() + " in " + table.toStdString());
            names << dao::quoteIdentifier(it->name);
            marks << "?";
            infos.push_back({it->name, it->type, it->size});
        }
        const QString sql = names.isEmpty() ? "INSERT INTO " + dao::quoteIdentifier(table) + " DEFAULT VALUES"
                                            : "INSERT INTO " + dao::quoteIdentifier(table) + " (" + names.join(", ") +
                                                  ") VALUES (" + marks.join(", ") + ")";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
        for (size_t i = 0; i < row.size(); ++i)
            dao::BindValue(st, static_cast<int>(i + 1), dao::ConvertForField(infos[i], row[i].second), infos[i]);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            const std::string why = sqlite3_errmsg(db);
            sqlite3_close(db);
            throw std::runtime_error(sql.toStdString() + ": " + why);
        }
    }
    exec(db, "COMMIT");
    sqlite3_close(db);
}

}  // namespace testsupport

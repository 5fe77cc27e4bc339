#include "import/SourceReads.h"

#include "convert/equipment/PreParse.h"
#include "import/Driver.h"

dao::CopyPlan SourceReads()
{
    dao::CopyPlan plan;
    // Read by the conversions.
    plan.Table("FACILITY", {"Name", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "PHONENUM",
                            "PHONEEXT", "FAXNUM", "CONTACT"});
    plan.Table("EQUIP", {"EQNUM", "DESCRIPTION", "LOCATION", "ORIGINALCOST", "SUBLOCATION1", "SUBLOCATION2",
                         "SUBLOCATION3", "VENDORID", "SPARECODE", "GENLEDGER", "COSTCENTER", "ASSETNUM", "PURCHDATE",
                         "STARTUPDATE", "WARRANTYDATE", "LIFE", "REPLACEMENTCOST", "LABORCOST", "MATLCOST",
                         "SERVICECODE", "PERSONRESPONSIBLE", "EPATITLED", "SAFETYNOTE", "MANUFACTURER", "SERIALNUM",
                         "MODELNUM"});
    plan.Table("METER", {"EQNUM", "UOM", "AVGMTRUNITSPERDAY", "SignalTag", "EQDATE", "CURMTR"});
    plan.Table("MANUFACT", {"MANUFACTID", "NAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "REP",
                            "PHONE", "EXT", "TELEXFAX", "TERMS", "FREIGHTTERMS", "SHIPVIA", "FOB", "MANUFACTTYPE",
                            "SHIPPER", "FEDID", "CLASS", "CUSTOMERID", "NOTES"});
    plan.Table("EMP", {"EMPCODE", "LASTNAME", "FIRSTNAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP",
                       "COUNTRY", "PHONE", "HIREDATE", "NOTES"});
    plan.Table("TASK", {"TASKNUM", "DESCRIPTION", "ASSIGNEDTO"});
    plan.Table("TSKINSTR", {"TASKNUM", "INSTRCODE", "SEQUENCENUM"});
    plan.Table("INSTR", {"INSTRCODE", "INSTRTEXT"});
    plan.Table("TASKEQ", {"TASKNUM", "EQNUM", "NEXTDUEDATE", "DATEUNIT", "NUMOFDATE"});
    plan.Table("WO", {"WONUM", "TASKNUM", "DELAYDESC", "TASKDESC"});
    plan.Table("WOE", {"WONUM", "EQNUM", "CLOSEDATE", "LOCATION", "SUBLOCATION1", "SUBLOCATION2", "SUBLOCATION3",
                       "REGHRS", "OTHRS", "EMPCODE"});
    plan.Table("WOC", {"WONUM", "EQNUM", "CLOSEDATE", "LOCATION", "SUBLOCATION1", "SUBLOCATION2", "SUBLOCATION3",
                       "TEXTS"});
    plan.Table("WOP", {"WONUM", "EQNUM", "ITEMNUM", "DESCRIPTION", "QTYUSED", "TOTALUNITCOST"});
    plan.Table("VENDOR", {"VENDORID", "NAME", "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "ZIP", "COUNTRY", "REP",
                          "PHONE", "EXT", "TELEXFAX", "TAXRATE1", "TAXRATE2", "TERMS", "FREIGHTTERMS", "SHIPVIA", "FOB",
                          "MINORDERAMT", "VENDORTYPE", "LASTRECVDATE", "SHIPPER", "FEDID", "CLASS", "CUSTOMERID",
                          "PREFORDERMETHOD", "TOTALOPEN", "TOTALRECEIVED", "MP2CURRENCY", "NOTES"});
    plan.Table("VENDCOMM", {"VENDORID", "COMMENTS"});
    plan.Table("INVY", {"ITEMNUM", "DESCRIPTION", "UOM", "TYPE", "ACCTCODE", "OEMMFG", "TAXABLE", "VOLUME",
                        "DATEADDED", "CLASS", "WEIGHT", "COSTCENTER", "MODEL", "LASTEDITDATE", "UD1", "UD2", "UD3",
                        "UD4", "UD5", "UD6", "UD7", "UD8", "UD9", "UD10", "UOW", "SINGLESOURCE", "NOTES"});
    plan.Table("INVVEND", {"ITEMNUM", "VENDORID", "PRIMARYVENDOR", "MANUFACTID", "VENDORITEMNUM", "UNITCOST",
                           "LEADTIME", "CONTRACTNUM", "CONTRACTPAGE", "CONTRACTPARTNUM", "UOP", "MINORDERQTY",
                           "CATALOGNUM"});
    plan.Table("INVCOST", {"ITEMNUM", "UNITCOST", "AVAILABLEQTY"});
    plan.Table("INVTYPE", {"TYPE", "DESCRIPTION"});
    // Rewritten with the equipment numbers, not read otherwise (the others of the nine are read).
    for (const char* table : kEqNumTables)
        plan.Table(table, {"EQNUM"});
    // Counted in the account, not converted.
    for (const char* table : kUnconvertedTables)
        plan.Table(table, {});
    return plan;
}

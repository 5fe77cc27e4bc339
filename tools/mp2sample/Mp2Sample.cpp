#include "mp2sample/Mp2Sample.h"

#include "mp2sample/Mp2Schema.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <tuple>

namespace testsupport {

namespace {

using dao::Variant;

// Random numbers that are the same on every platform and library: the engine is fully specified by
// the standard, and every distribution is our own arithmetic on its output.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : engine_(seed) {}
    double unit() { return double(engine_() >> 11) * 0x1.0p-53; }  // [0, 1)
    int below(int n) { return n <= 1 ? 0 : std::min(n - 1, int(unit() * n)); }
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return unit() < p; }
    double real(double lo, double hi) { return lo + unit() * (hi - lo); }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[size_t(below(int(v.size())))]; }
    QString pick(const QStringList& v) { return v[below(int(v.size()))]; }

private:
    std::mt19937_64 engine_;
};

// Whether an awkward case applies to a row: at `rate` on average, and surely once in every table
// that has rows, so that even a small sample holds every case. The cases of one table are handed
// distinct rows for their sure occurrence (see Cases); when that row goes to another case (the
// caller did not ask), the next row asked gets it.
class Odds {
public:
    Odds(Rng& rng, double rate, int forced) : rng_(rng), rate_(rate), forced_(forced) {}
    bool at(int row)
    {
        const bool hit = rng_.chance(rate_) || (!happened_ && forced_ >= 0 && row >= forced_);
        happened_ = happened_ || hit;
        return hit;
    }

private:
    Rng& rng_;
    double rate_;
    int forced_;
    bool happened_ = false;
};

// The awkward cases of one table: consecutive rows from a random start hold their sure occurrences.
class Cases {
public:
    Cases(Rng& rng, int rows) : rng_(rng), rows_(rows), next_(rng.below(std::max(1, rows))) {}
    Odds odds(double rate) { return Odds(rng_, rate, rows_ > 0 ? next_++ % rows_ : -1); }

private:
    Rng& rng_;
    int rows_;
    int next_;
};

// A table being filled: columns exactly as Mp2Columns declares them, values set on the last row.
class Builder {
public:
    explicit Builder(const char* name)
    {
        table_.name = QString::fromLatin1(name);
        const auto& cols = Mp2Columns(table_.name);
        if (cols.empty())
            throw std::logic_error(std::string("not an MP2 table: ") + name);
        for (const Mp2Column& c : cols) {
            jetwriter::Column col;
            col.name = c.name;
            col.type = c.type;
            if (c.type == dao::FieldType::Text)
                col.size = c.size;
            table_.columns.push_back(col);
        }
    }
    int col(const char* name) const
    {
        for (size_t i = 0; i < table_.columns.size(); ++i)
            if (table_.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        throw std::logic_error("no column " + std::string(name) + " in " + table_.name.toStdString());
    }
    int size(int c) const { return table_.columns[size_t(c)].size; }
    void reserve(size_t n) { table_.rows.reserve(n); }
    void add() { table_.rows.emplace_back(table_.columns.size()); }
    void set(int c, Variant v) { table_.rows.back()[size_t(c)] = std::move(v); }
    int rows() const { return int(table_.rows.size()); }
    jetwriter::Table take() { return std::move(table_); }

private:
    jetwriter::Table table_;
};

int scaled(double base, double scale, int minimum = 1)
{
    return std::max(minimum, int(std::llround(base * scale)));
}

double jetDay(const QDate& d) { return double(QDate(1899, 12, 30).daysTo(d)); }
double money(double v) { return std::round(v * 100.0) / 100.0; }
QString num(int n, int width) { return QString("%1").arg(n, width, 10, QLatin1Char('0')); }

QString sentences(Rng& rng, const QStringList& pool, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << rng.pick(pool);
    return out.join(' ');
}

// ---- word lists ---------------------------------------------------------------------------------

const QStringList kFirstNames = {"James", "Maria", "Robert", "Linda", "Michael", "Sarah", "David", "Karen",
                                 "Thomas", "Nancy", "Daniel", "Lisa", "Paul", "Angela", "Mark", "Brenda",
                                 "Steven", "Pamela", "Kevin", "Donna", "José", "Renée"};
const QStringList kLastNames = {"Smith", "Johnson", "Williams", "Brown", "Garcia", "Miller", "Davis", "Wilson",
                                "Anderson", "Taylor", "Moore", "Jackson", "Martin", "Lee", "Thompson", "White",
                                "O'Connor", "D'Angelo", "O'Brien", "Müller", "Peña", "Kowalski", "Nguyen"};
const QStringList kStreets = {"Main St", "Industrial Pkwy", "River Rd", "Commerce Dr", "Mill Rd", "Oak Ave",
                              "Harbor Blvd", "Station Rd", "Factory Ln", "Canal St"};
const QStringList kCities = {"Springfield", "Riverton", "Fairview", "Greenville", "Lakeside", "Milford",
                             "Clinton", "Ashland", "Georgetown", "Salem"};
const QStringList kStates = {"IL", "OH", "PA", "WI", "MI", "IN", "NY", "TX"};
const QStringList kAreas = {"WTP", "RAW", "BLR", "HVAC", "ADM", "LAB", "FLT", "SLG", "DIG", "PS1", "PS2",
                            "CHEM", "ELEC", "GEN", "CLR", "AER"};
const QStringList kAreaNames = {"Filter Building", "Raw Water Intake", "Boiler House", "Admin Building",
                                "Laboratory", "Sludge Building", "Digester Complex", "Pump Station 1",
                                "Pump Station 2", "Chemical Feed", "Electrical Room", "Aeration Basins"};
const QStringList kTypes = {"P", "PMP", "MTR", "VLV", "FAN", "AHU", "BLW", "CMP", "CLR", "FLT", "GEN", "HTR",
                            "TNK", "CNV", "XFMR", "MCC", "VFD"};
const QStringList kTypeNames = {"pump", "pump", "motor", "valve", "exhaust fan", "air handler", "blower",
                                "compressor", "clarifier drive", "filter", "generator", "heater", "tank",
                                "conveyor", "transformer", "motor control center", "variable frequency drive"};
// Words of long descriptive numbers; most of them shorten with the default substrings.
const QStringList kLongWords = {"NORTH", "SOUTH", "EAST", "WEST", "AERATION", "BASIN", "BLOWER",
                                "COMPRESSOR", "CONTROL", "PANEL", "CLARIFIER", "DIGESTER", "EFFLUENT",
                                "INFLUENT", "GENERATOR", "HYDRAULIC", "SLUDGE", "STATION", "BUILDING",
                                "FILTER", "VALVE", "SYSTEM", "PRIMARY", "SECONDARY", "RECIRCULATION"};
const QStringList kSubLocations = {"Level 1", "Level 2", "Room 104", "Bay 3", "Mezzanine", "Roof", "Basement",
                                   "A-12", "B-07", "Pit"};
const QStringList kUoms = {"Hours", "HRS", "hrs.", "Hour", "HR", "Miles", "Gallons", "Cycles", "Starts"};
const QStringList kMakers = {"GRUNDFOS", "BALDOR", "FLOWSERVE", "ITT GOULDS", "SIEMENS", "ABB", "TRANE",
                             "CARRIER", "INGERSOLL", "O'KEEFE", "WEG", "FLYGT", "ROOTS", "SULZER", "KSB",
                             "DAYTON", "McMASTER"};
const QStringList kVendorNames = {"Grainger", "Fastenal", "Motion Industries", "Applied Industrial",
                                  "O'Reilly Industrial Supply", "Bob's Motor Repair", "Acme Supply",
                                  "Midwest Pump & Valve", "Tri-State Electric", "Hach Company",
                                  "Consolidated Pipe", "Kaman Industrial", "Border States", "Wesco",
                                  "Graybar", "USA Bluebook", "Ferguson", "Shop's Welding", "Allied Electronics",
                                  "Lakeside Hydraulics"};
const QStringList kTaskKinds = {"Weekly inspection", "Monthly PM", "Quarterly PM", "Semi-annual service",
                                "Annual overhaul", "Lubrication route", "Vibration check", "Filter change",
                                "Belt inspection", "Calibration", "Infrared scan", "Oil sample"};
const QStringList kInstructions = {
    "Lock out and tag out the equipment before starting.",
    "Check the coupling for wear and alignment.",
    "Grease the bearings with two shots of EP2 grease; do not over-grease.",
    "Inspect the belts for cracks and tension; replace as a set.",
    "Record the motor amps on all three legs.",
    "Clean the strainer and check the gasket.",
    "Verify the operator's log sheet is filled in.",
    "Check the oil level in the sight glass and top up with ISO 68.",
    "Test the alarm contacts and the high-level float.",
    "Inspect the seal for leaks; the drip rate should not exceed 60 drops a minute.",
    "Run the unit for 15 minutes and listen for unusual noise.",
    "Return the equipment to service and remove the tags."};
const QStringList kDelays = {"Waiting for parts", "Contractor's schedule", "Equipment in service",
                             "Waiting on operations", "Weather", "Backordered seal kit"};
const QStringList kClosings = {"Replaced the mechanical seal. Tested OK.", "Adjusted the packing.",
                               "Found the breaker tripped; reset and monitored.",
                               "Replaced the bearings on both ends.", "Cleaned and inspected, no problems found.",
                               "Tightened the belts and replaced the guard.", "Operator's complaint not verified.",
                               "Rewired the starter; old contacts were pitted."};
const QStringList kPartKinds = {"BRG", "BLT", "FLT", "SEAL", "FUSE", "GSK", "LUB", "VLV", "MTR", "CPL", "HOSE"};
const QStringList kPartNames = {"Bearing, ball, 6204-2RS", "V-belt, A42", "Filter, air, 20x20x2",
                                "Mechanical seal, 1-3/8\"", "Fuse, 30A time delay", "Gasket, 4\" flange",
                                "Grease, EP2, tube", "Ball valve, 1\" bronze", "Motor, 5 HP TEFC",
                                "Coupling insert", "Hose, 3/4\" suction", "O'Ring kit", "Packing, 3/8\" braided"};
const QStringList kInvTypes = {"BEARING", "BELT", "ELEC", "FILTER", "LUBE", "PUMP", "SEAL", "VALVE",
                               "FASTENER", "HVAC", "PIPE", "SAFETY"};
const QStringList kNoteLines = {"Call before delivery.", "Ask for the maintenance desk.",
                                "Account on credit hold in 2019, cleared.", "Preferred for emergency work.",
                                "Ships from the Milwaukee warehouse.", "Price list updated every January."};

// ---- the plant ----------------------------------------------------------------------------------

struct Equipment {
    QString number;  // as stored; empty for an empty or Null EQNUM
    bool null = false;
    QString location, sub1;  // as work-order lines carry them (their other sub-locations are empty)
    bool metered = false;
};

class Generator {
public:
    explicit Generator(const Mp2SampleOptions& o) : o_(o), rng_(o.seed * 0x9E3779B97F4A7C15ULL + 0x5EED) {}

    Mp2Sample build()
    {
        Mp2Sample out;
        out.file.password = o_.password;
        facility();
        manufacturers();
        vendors();
        employees();
        equipment(out.renames);
        meters();
        tasks();
        schedules();
        workOrders();
        inventory();
        reported();
        // Tables in the order MP2 lists them, whatever order they were built in.
        for (const QString& name : Mp2TableNames()) {
            auto it = std::find_if(tables_.begin(), tables_.end(),
                                   [&](const jetwriter::Table& t) { return t.name == name; });
            if (it == tables_.end())
                throw std::logic_error("sample misses " + name.toStdString());
            out.file.tables.push_back(std::move(*it));
        }
        return out;
    }

private:
    int n(double base, int minimum = 1) const { return scaled(base, o_.scale, minimum); }
    QDate daysAgo(int d) const { return o_.asOf.addDays(-d); }

    // A value that is Null at the rate given, else the text.
    Variant orNull(double nullRate, const QString& v) { return rng_.chance(nullRate) ? Variant() : Variant(v); }

    QString phone()
    {
        return QString("(%1) %2-%3").arg(rng_.range(200, 989)).arg(num(rng_.range(100, 999), 3)).arg(num(rng_.below(10000), 4));
    }
    QString street() { return QString("%1 %2").arg(rng_.range(10, 9900)).arg(rng_.pick(kStreets)); }
    QString zip() { return num(rng_.range(10000, 99999), 5); }
    QString personName()
    {
        const QString first = rng_.pick(kFirstNames);  // one draw after the other, in this order
        return first + ' ' + rng_.pick(kLastNames);
    }
    QString memo(const QStringList& pool, double longRate)
    {
        // Mostly a sentence or two; now and then a long text that needs several long-value pages.
        return rng_.chance(longRate) ? sentences(rng_, pool, rng_.range(60, 160)) : sentences(rng_, pool, rng_.range(1, 3));
    }
    // A unique upper-case key: `make` proposes, the set refuses duplicates (without regard to case).
    template <class Make>
    QString unique(QSet<QString>& taken, Make make)
    {
        for (int attempt = 0;; ++attempt) {
            QString k = make(attempt);
            if (!taken.contains(k.toUpper())) {
                taken.insert(k.toUpper());
                return k;
            }
        }
    }

    void facility()
    {
        Builder b("FACILITY");
        b.add();
        b.set(b.col("Name"), "Riverside Water Reclamation Plant");
        b.set(b.col("ADDR1"), "4400 River Rd");
        b.set(b.col("ADDR2"), Variant());
        b.set(b.col("ADDR3"), "Gate 2");
        b.set(b.col("CITY"), "Riverton");
        b.set(b.col("STATE"), "IL");
        b.set(b.col("ZIP"), "62561");
        b.set(b.col("COUNTRY"), "USA");
        b.set(b.col("PHONENUM"), "(217) 555-0100");
        b.set(b.col("PHONEEXT"), "214");
        b.set(b.col("FAXNUM"), "(217) 555-0199");
        b.set(b.col("CONTACT"), "Dana O'Neill");
        tables_.push_back(b.take());
    }

    void manufacturers()
    {
        Builder b("MANUFACT");
        const int count = n(40);
        QSet<QString> taken;
        const char* texts[] = {"ADDR2", "ADDR3", "REP", "EXT", "TELEXFAX", "TERMS", "FREIGHTTERMS", "SHIPVIA",
                               "FOB", "MANUFACTTYPE", "SHIPPER", "FEDID", "CLASS", "CUSTOMERID"};
        for (int i = 0; i < count; ++i) {
            const QString base = rng_.pick(kMakers);
            const QString id = unique(taken, [&](int a) { return a == 0 ? base : base.left(11) + num(a, 2); });
            makers_.push_back(id);
            b.add();
            b.set(b.col("MANUFACTID"), id);
            b.set(b.col("NAME"), id.left(1) + id.mid(1).toLower() + " Corp.");
            b.set(b.col("ADDR1"), street());
            b.set(b.col("CITY"), rng_.pick(kCities));
            b.set(b.col("STATE"), rng_.pick(kStates));
            b.set(b.col("ZIP"), zip());
            b.set(b.col("COUNTRY"), rng_.chance(0.9) ? "USA" : "Canada");
            b.set(b.col("PHONE"), phone());
            for (const char* c : texts)
                if (rng_.chance(0.3))
                    b.set(b.col(c), rng_.chance(0.2) ? QString() : QString("%1 %2").arg(c).arg(rng_.range(1, 99)));
            if (rng_.chance(0.25))
                b.set(b.col("NOTES"), memo(kNoteLines, 0.02));
        }
        tables_.push_back(b.take());
    }

    void vendors()
    {
        Builder b("VENDOR");
        const int count = n(60);
        QSet<QString> taken;
        QStringList names;
        QHash<QString, int> sameName;  // vendors given each name so far, deliberate duplicates aside
        constexpr int kSameNameVendors = 6;
        Cases cases(rng_, count);
        Odds nullName = cases.odds(0.01),
             nullId = cases.odds(0.005),
             dupName = cases.odds(0.05),
             quoted = cases.odds(0.03),
             longAddr = cases.odds(0.03),
             longPhone = cases.odds(0.02),
             longFax = cases.odds(0.01);
        for (int i = 0; i < count; ++i) {
            const QString base = rng_.pick(kVendorNames);
            QString id = unique(taken, [&](int a) {
                QString stem = base.toUpper().remove(QRegularExpression("[^A-Z]")).left(8);
                return stem + num(a + 1, 2);
            });
            QString name = base;
            const bool duplicate = i > 0 && dupName.at(i);
            if (duplicate)
                name = names[rng_.below(int(names.size()))];  // the same name twice, under another id
            else if (quoted.at(i))
                name = rng_.pick(QStringList{"O'Reilly Industrial Supply", "Bob's Motor Repair", "Shop's Welding"});
            else if (rng_.chance(0.02))
                name = base.toUpper();  // differs from an earlier one only in case
            else if (rng_.chance(0.02))
                name = base + "  ";     // trailing blanks
            else if (rng_.chance(0.5))
                name = QString("%1 - %2").arg(base, rng_.pick(kCities));
            // A large plant buys from many companies, not from the same few under hundreds of ids: a
            // name already given to kSameNameVendors vendors becomes a branch of its own. The import
            // makes same names unique by suffixes that accumulate, which no real list of vendors
            // drives past the name's size. No draw is made here, so a small plant is unchanged.
            if (!duplicate && ++sameName[name] > kSameNameVendors)
                name = QString("%1 %2").arg(name).arg(sameName[name]);
            names << name;
            const bool idIsNull = nullId.at(i);
            if (!idIsNull)
                vendorIds_.push_back(id);
            b.add();
            b.set(b.col("VENDORID"), idIsNull ? Variant() : Variant(id));
            b.set(b.col("NAME"), nullName.at(i) ? Variant() : Variant(name));
            if (longAddr.at(i)) {
                b.set(b.col("ADDR1"), "Northgate Industrial Park, Building 7");
                b.set(b.col("ADDR2"), "Receiving Dock B, Door 14");
                b.set(b.col("ADDR3"), "Attn: Accounts Payable Dept.");
            } else {
                b.set(b.col("ADDR1"), rng_.chance(0.03) ? Variant() : Variant(street()));
                b.set(b.col("ADDR2"), rng_.chance(0.3) ? Variant(QString("Suite %1").arg(rng_.range(100, 900))) : Variant());
                b.set(b.col("ADDR3"), rng_.chance(0.1) ? Variant("PO Box " + QString::number(rng_.range(10, 9999))) : Variant());
            }
            b.set(b.col("CITY"), rng_.pick(kCities));
            b.set(b.col("STATE"), rng_.pick(kStates));
            QString vendorZip = zip();
            if (rng_.chance(0.3))
                vendorZip += "-" + num(rng_.below(10000), 4);
            b.set(b.col("ZIP"), vendorZip);
            b.set(b.col("COUNTRY"), orNull(0.2, "USA"));
            b.set(b.col("REP"), orNull(0.3, personName()));
            b.set(b.col("PHONE"), longPhone.at(i) ? Variant(phone() + " ask for parts counter") : orNull(0.05, phone()));
            b.set(b.col("EXT"), orNull(0.7, QString::number(rng_.range(10, 999))));
            b.set(b.col("TELEXFAX"), longFax.at(i) ? Variant(phone() + " (accounts only, 24h)") : orNull(0.3, phone()));
            b.set(b.col("TAXRATE1"), rng_.chance(0.5) ? Variant() : Variant(rng_.pick(std::vector<double>{0.0, 5.0, 6.25, 7.5})));
            b.set(b.col("TAXRATE2"), rng_.chance(0.8) ? Variant() : Variant(1.0));
            b.set(b.col("TERMS"), rng_.chance(0.1) ? Variant(QString()) : orNull(0.2, rng_.pick(QStringList{"Net 30", "Net 45", "2% 10 Net 30", "COD"})));
            b.set(b.col("FREIGHTTERMS"), orNull(0.6, rng_.pick(QStringList{"Prepaid", "Collect", "Prepay & Add"})));
            b.set(b.col("SHIPVIA"), orNull(0.4, rng_.pick(QStringList{"UPS Ground", "FedEx", "Best Way", "Will Call"})));
            b.set(b.col("FOB"), orNull(0.5, rng_.pick(QStringList{"Origin", "Destination"})));
            b.set(b.col("MINORDERAMT"), rng_.chance(0.6) ? Variant() : Variant(rng_.pick(std::vector<double>{0.0, 25.0, 50.0, 100.0})));
            b.set(b.col("VENDORTYPE"), orNull(0.5, rng_.pick(QStringList{"SUPPLIER", "SERVICE", "OEM"})));
            b.set(b.col("LASTRECVDATE"), rng_.chance(0.3) ? Variant() : Variant(jetDay(daysAgo(rng_.range(1, 1500)))));
            b.set(b.col("SHIPPER"), orNull(0.8, "Same"));
            b.set(b.col("FEDID"), orNull(0.6, QString("%1-%2").arg(rng_.range(10, 99)).arg(num(rng_.below(10000000), 7))));
            b.set(b.col("CLASS"), orNull(0.7, rng_.pick(QStringList{"A", "B", "C"})));
            b.set(b.col("CUSTOMERID"), orNull(0.5, "ACCT-" + num(rng_.below(100000), 5)));
            b.set(b.col("PREFORDERMETHOD"), orNull(0.5, rng_.pick(QStringList{"Phone", "Fax", "Email", "Web"})));
            b.set(b.col("TOTALOPEN"), rng_.chance(0.4) ? Variant() : Variant(money(rng_.real(0, 5000))));
            b.set(b.col("TOTALRECEIVED"), rng_.chance(0.4) ? Variant() : Variant(money(rng_.real(0, 90000))));
            b.set(b.col("MP2CURRENCY"), orNull(0.3, "USD"));
            if (rng_.chance(0.2))
                b.set(b.col("NOTES"), memo(kNoteLines, 0.03));
        }
        tables_.push_back(b.take());

        Builder c("VENDCOMM");
        const int comments = n(40);
        Cases commentCases(rng_, comments);
        Odds orphan = commentCases.odds(0.05);
        for (int i = 0; i < comments; ++i) {
            c.add();
            c.set(c.col("VENDORID"), orphan.at(i) || vendorIds_.empty() ? Variant("GONE" + num(i, 4)) : Variant(rng_.pick(vendorIds_)));
            c.set(c.col("COMMENTS"), rng_.chance(0.05) ? Variant() : Variant(memo(kNoteLines, 0.02)));
        }
        tables_.push_back(c.take());
    }

    void employees()
    {
        Builder b("EMP");
        const int count = n(40);
        QSet<QString> taken;
        Cases cases(rng_, count);
        Odds nullCode = cases.odds(0.01),
             trailing = cases.odds(0.02),
             nullFirst = cases.odds(0.03),
             longPhone = cases.odds(0.02),
             longAddr = cases.odds(0.01);
        for (int i = 0; i < count; ++i) {
            const QString first = rng_.pick(kFirstNames), last = rng_.pick(kLastNames);
            QString code = unique(taken, [&](int a) {
                QString stem = (first.left(1) + last).toUpper().remove(QRegularExpression("[^A-Z']")).left(12);
                return a == 0 ? stem : stem + QString::number(a + 1);
            });
            if (trailing.at(i))
                code += ' ';  // stored with its blank; history refers to it the same way
            const bool codeIsNull = nullCode.at(i);
            if (!codeIsNull)
                employees_.push_back(code);
            b.add();
            b.set(b.col("EMPCODE"), codeIsNull ? Variant() : Variant(code));
            b.set(b.col("LASTNAME"), rng_.chance(0.01) ? Variant() : Variant(last));
            b.set(b.col("FIRSTNAME"), nullFirst.at(i) ? Variant() : Variant(first));
            b.set(b.col("ADDR1"), orNull(0.1, street()));
            if (longAddr.at(i)) {
                b.set(b.col("ADDR2"), "Apartment 12B, Riverside Terrace");
                b.set(b.col("ADDR3"), "c/o Property Management Office");
            } else {
                b.set(b.col("ADDR2"), rng_.chance(0.2) ? Variant(QString("Apt %1").arg(rng_.range(1, 40))) : Variant());
                b.set(b.col("ADDR3"), rng_.chance(0.05) ? Variant("Rural Route 2") : Variant());
            }
            b.set(b.col("CITY"), orNull(0.05, rng_.pick(kCities)));
            b.set(b.col("STATE"), orNull(0.05, rng_.pick(kStates)));
            b.set(b.col("ZIP"), orNull(0.05, zip()));
            b.set(b.col("COUNTRY"), orNull(0.5, "USA"));
            b.set(b.col("PHONE"), longPhone.at(i) ? Variant(phone() + " evenings only, cell") : orNull(0.1, phone()));
            b.set(b.col("HIREDATE"), rng_.chance(0.05) ? Variant() : Variant(jetDay(daysAgo(rng_.range(30, 12000)))));
            if (rng_.chance(0.15))
                b.set(b.col("NOTES"), rng_.pick(QStringList{"Licensed electrician.", "Boiler operator, 2nd class.",
                                                            "Forklift certified.", "Night shift lead."}));
        }
        // Employee numbers that history still names but EMP no longer holds.
        for (int i = 0, gone = n(3, 2); i < gone; ++i)
            formerEmployees_ << unique(taken, [&](int a) { return QString("XEMP%1").arg(num(i * 10 + a, 3)); });
        tables_.push_back(b.take());
    }

    void equipment(std::vector<std::pair<QString, QString>>& renames)
    {
        Builder b("EQUIP");
        const int count = n(500);
        b.reserve(size_t(count));
        QSet<QString> taken;
        Cases cases(rng_, count);
        Odds longNum = cases.odds(0.02),
             wordy = cases.odds(0.10),
             quote = cases.odds(0.005),
             lower = cases.odds(0.01),
             nullNum = cases.odds(0.004),
             emptyNum = cases.odds(0.004),
             nullDesc = cases.odds(0.02),
             blankSub = cases.odds(0.02),
             dashSub = cases.odds(0.02),
             quotedMaker = cases.odds(0.01);
        for (int i = 0; i < count; ++i) {
            const int t = rng_.below(int(kTypes.size()));
            Equipment e;
            if (nullNum.at(i)) {
                e.null = true;
            } else if (emptyNum.at(i)) {
                // stays empty
            } else if (longNum.at(i)) {
                e.number = unique(taken, [&](int) {
                    QString s;
                    while (s.size() <= 30) {
                        const QString w = rng_.pick(kLongWords);
                        if (s.size() + 1 + w.size() > 46)
                            break;
                        s += (s.isEmpty() ? QString() : QString(' ')) + w;
                    }
                    return s + ' ' + QString::number(rng_.range(1, 9));
                });
            } else if (wordy.at(i)) {
                e.number = unique(taken, [&](int) {
                    return QString("%1 %2 %3").arg(rng_.pick(kLongWords), kTypeNames[t].toUpper().left(12)).arg(rng_.range(1, 20));
                });
            } else if (quote.at(i)) {
                e.number = unique(taken, [&](int a) {
                    return QString("%1-%2-%3").arg(rng_.pick(QStringList{"O'BRIEN HALL", "ST MARY'S", "DOC'S SHOP"}), kTypes[t]).arg(a + 1);
                });
            } else {
                e.number = unique(taken, [&](int a) {
                    return QString("%1-%2-%3").arg(rng_.pick(kAreas), kTypes[t]).arg(num(rng_.range(1, 150) + a, 3));
                });
                if (lower.at(i))
                    e.number = e.number.toLower();
            }
            if (e.number.size() > 30)
                renames.emplace_back(e.number, "EQ-RENAMED-" + num(int(renames.size()) + 1, 4));

            const QString area = rng_.pick(kAreaNames);
            e.location = area.left(30);
            b.add();
            b.set(b.col("EQNUM"), e.null ? Variant() : Variant(e.number));
            b.set(b.col("DESCRIPTION"), nullDesc.at(i) ? Variant() : Variant(QString("%1 %2").arg(area, kTypeNames[t]).left(60)));
            b.set(b.col("LOCATION"), rng_.chance(0.05) ? Variant() : Variant(e.location));
            b.set(b.col("ORIGINALCOST"), rng_.chance(0.1) ? Variant() : Variant(money(rng_.real(400, 250000))));
            Variant s1;
            if (blankSub.at(i))
                s1 = QString("   ");
            else if (dashSub.at(i))
                s1 = QString("-");
            else if (rng_.chance(0.5))
                s1 = rng_.pick(kSubLocations);
            b.set(b.col("SUBLOCATION1"), s1);
            if (!s1.isNull() && rng_.chance(0.2))
                b.set(b.col("SUBLOCATION2"), rng_.pick(kSubLocations));
            e.sub1 = s1.isNull() ? QString() : s1.toText();
            b.set(b.col("VENDORID"), rng_.chance(0.4) || vendorIds_.empty() ? Variant() : Variant(rng_.pick(vendorIds_)));
            b.set(b.col("SPARECODE"), orNull(0.8, "SP-" + num(rng_.below(1000), 3)));
            b.set(b.col("GENLEDGER"), orNull(0.5, QString("%1-%2").arg(rng_.range(5000, 5999)).arg(num(rng_.below(1000), 3))));
            b.set(b.col("COSTCENTER"), rng_.chance(0.05) ? Variant(QString()) : orNull(0.4, "CC-" + num(rng_.range(100, 450), 3)));
            b.set(b.col("ASSETNUM"), orNull(0.5, "FA-" + num(rng_.below(100000), 6)));
            const int age = rng_.range(100, 9000);
            b.set(b.col("PURCHDATE"), rng_.chance(0.3) ? Variant() : Variant(jetDay(daysAgo(age + 30))));
            b.set(b.col("STARTUPDATE"), rng_.chance(0.5) ? Variant() : Variant(jetDay(daysAgo(age))));
            b.set(b.col("WARRANTYDATE"), rng_.chance(0.6) ? Variant() : Variant(jetDay(daysAgo(age - 365))));
            b.set(b.col("LIFE"), rng_.chance(0.4) ? Variant() : Variant(double(rng_.range(5, 30))));
            b.set(b.col("REPLACEMENTCOST"), rng_.chance(0.6) ? Variant() : Variant(money(rng_.real(500, 300000))));
            b.set(b.col("LABORCOST"), rng_.chance(0.7) ? Variant() : Variant(money(rng_.real(0, 20000))));
            b.set(b.col("MATLCOST"), rng_.chance(0.7) ? Variant() : Variant(money(rng_.real(0, 20000))));
            b.set(b.col("SERVICECODE"), orNull(0.8, rng_.pick(QStringList{"CRIT", "ESS", "NONCRIT"})));
            b.set(b.col("PERSONRESPONSIBLE"), orNull(0.6, personName().left(30)));
            b.set(b.col("EPATITLED"), orNull(0.5, rng_.chance(0.1) ? "Y" : "N"));
            if (rng_.chance(0.1))
                b.set(b.col("SAFETYNOTE"), memo(kInstructions, 0.05));
            if (quotedMaker.at(i))
                b.set(b.col("MANUFACTURER"), "O'KEEFE");
            else if (rng_.chance(0.03))
                b.set(b.col("MANUFACTURER"), "NOSUCHMAKER");
            else if (rng_.chance(0.7) && !makers_.empty())
                b.set(b.col("MANUFACTURER"), rng_.pick(makers_));
            b.set(b.col("SERIALNUM"), rng_.chance(0.05) ? Variant(QString()) : orNull(0.4, "SN" + num(rng_.below(10000000), 7)));
            b.set(b.col("MODELNUM"), orNull(0.4, QString("%1-%2").arg(kTypes[t]).arg(rng_.range(10, 9999))));
            if (!e.null && !e.number.isEmpty()) {
                // The equipment that schedules, readings and history refer to.
                e.metered = rng_.chance(0.3);
                equip_.push_back(e);
            }
        }
        // Numbers of retired equipment that schedules, readings and history still name.
        for (int i = 0, gone = n(10, 2); i < gone; ++i)
            retired_ << unique(taken, [&](int a) { return QString("RET-%1-%2").arg(rng_.pick(kTypes)).arg(num(i * 7 + a, 3)); });
        tables_.push_back(b.take());
    }

    const Equipment& anyEquipment() { return equip_[size_t(rng_.below(int(equip_.size())))]; }

    void meters()
    {
        std::vector<const Equipment*> metered;
        for (const Equipment& e : equip_)
            if (e.metered)
                metered.push_back(&e);
        if (metered.empty() && !equip_.empty())
            metered.push_back(&equip_.front());

        Builder b("METER"), h("MTRHIST");
        const int count = n(1800);
        b.reserve(size_t(count));
        h.reserve(size_t(count));
        Cases cases(rng_, count);
        Odds orphan = cases.odds(0.005),
             nullDate = cases.odds(0.01),
             nullValue = cases.odds(0.01),
             sameDay = cases.odds(0.02);
        struct Settings {
            QString uom;
            Variant avg;
            Variant tag;
            double start;
        };
        std::vector<Settings> settings;
        for (size_t k = 0; k < metered.size(); ++k) {
            Settings s;
            s.uom = rng_.chance(0.1) ? QString() : rng_.pick(kUoms);
            const double r = rng_.unit();
            s.avg = r < 0.1 ? Variant() : r < 0.15 ? Variant(0.0) : r < 0.18 ? Variant(0.05) : Variant(std::round(rng_.real(1, 24) * 10) / 10);
            s.tag = rng_.chance(0.85) ? Variant() : Variant("PLC-" + num(int(k), 4));
            s.start = std::round(rng_.real(0, 20000));
            settings.push_back(s);
        }
        const int m = int(metered.size());
        for (int i = 0; i < count && m > 0; ++i) {
            const int k = i % m, round = i / m;
            const Settings& s = settings[size_t(k)];
            const double perDay = s.avg.isNull() || s.avg.toDouble() < 0.1 ? 8.0 : s.avg.toDouble();
            const int rounds = std::max(1, count / m);
            int ago = (rounds - round) * 14;
            double value = s.start + perDay * 14 * round;
            if (round > 0 && sameDay.at(i)) {
                ago += 14;  // a second reading on the day of the one before, higher or lower
                value -= perDay * 14 * (rng_.chance(0.5) ? 1.0 : 0.9);
            }
            const QString eq = orphan.at(i) && !retired_.isEmpty() ? rng_.pick(retired_) : metered[size_t(k)]->number;
            b.add();
            b.set(b.col("EQNUM"), eq);
            b.set(b.col("UOM"), s.uom.isEmpty() ? Variant() : Variant(s.uom));
            b.set(b.col("AVGMTRUNITSPERDAY"), s.avg);
            b.set(b.col("SignalTag"), s.tag);
            b.set(b.col("EQDATE"), nullDate.at(i) ? Variant() : Variant(jetDay(daysAgo(ago))));
            b.set(b.col("CURMTR"), nullValue.at(i) ? Variant() : Variant(std::round(value)));
            h.add();
            h.set(h.col("EQNUM"), eq);
            h.set(h.col("READINGDATE"), jetDay(daysAgo(ago)));
            h.set(h.col("READING"), std::round(value));
        }
        tables_.push_back(b.take());
        tables_.push_back(h.take());
        metered_ = metered;
    }

    void tasks()
    {
        Builder b("TASK");
        const int count = n(300);
        QSet<QString> taken;
        Cases cases(rng_, count);
        Odds nullNum = cases.odds(0.005),
             quote = cases.odds(0.01),
             nullDesc = cases.odds(0.03),
             unknownEmp = cases.odds(0.1);
        const int corrective = rng_.below(count);
        for (int i = 0; i < count; ++i) {
            QString number;
            bool isNull = false;
            if (i == corrective)
                number = "CORRECTIVE";  // MP2's pseudo-task of unplanned work
            else if (nullNum.at(i))
                isNull = true;
            else if (quote.at(i))
                number = unique(taken, [&](int a) { return QString("O'BRIEN HALL PM-%1").arg(a + 1); });
            else
                number = unique(taken, [&](int a) {
                    return QString("PM-%1-%2").arg(rng_.pick(kTypes)).arg(num(rng_.range(1, 400) + a, 4));
                });
            taken.insert(number.toUpper());
            if (!isNull && i != corrective)
                tasks_.push_back(number);
            const QString kind = rng_.pick(kTaskKinds);
            b.add();
            b.set(b.col("TASKNUM"), isNull ? Variant() : Variant(number));
            b.set(b.col("DESCRIPTION"), nullDesc.at(i) ? Variant() : Variant(QString("%1 - %2").arg(kind, rng_.pick(kTypeNames)).left(100)));
            if (unknownEmp.at(i))
                b.set(b.col("ASSIGNEDTO"), "TEMP" + QString::number(rng_.range(1, 9)));
            else if (rng_.chance(0.5) && !employees_.empty())
                b.set(b.col("ASSIGNEDTO"), rng_.pick(employees_));
        }
        for (int i = 0, gone = n(10, 2); i < gone; ++i)
            formerTasks_ << unique(taken, [&](int a) { return QString("PM-RETIRED-%1").arg(num(i * 3 + a, 4)); });
        tables_.push_back(b.take());

        Builder in("INSTR");
        const int instrCount = n(450);
        std::vector<QString> codes;
        for (int i = 0; i < instrCount; ++i) {
            codes.push_back("I" + num(i + 1, 5));
            in.add();
            in.set(in.col("INSTRCODE"), codes.back());
            in.set(in.col("INSTRTEXT"), rng_.chance(0.02) ? Variant() : Variant(memo(kInstructions, 0.01)));
        }
        tables_.push_back(in.take());

        // About three lines per task, numbered 10, 20, 30 but not always stored in that order.
        Builder ti("TSKINSTR");
        const int lines = n(900);
        const int tasksWithLines = std::max<int>(1, int(tasks_.size()));
        Cases lineCases(rng_, lines);
        Odds dangling = lineCases.odds(0.02);
        for (int i = 0; i < lines; ++i) {
            const size_t t = size_t((qint64(i) * tasksWithLines) / lines);
            const qint64 first = (qint64(t) * lines + tasksWithLines - 1) / tasksWithLines;
            int seq = int(i - first + 1) * 10;
            if (rng_.chance(0.2))
                seq = rng_.range(1, 9) * 10;
            ti.add();
            ti.set(ti.col("TASKNUM"), tasks_.empty() ? QString("CORRECTIVE") : tasks_[t]);
            ti.set(ti.col("INSTRCODE"), dangling.at(i) ? Variant("I99" + num(i % 1000, 3)) : Variant(codes[size_t(rng_.below(int(codes.size())))]));
            ti.set(ti.col("SEQUENCENUM"), seq);
        }
        tables_.push_back(ti.take());

        Builder tm("TSKMETER");
        for (int i = 0, rows = n(100); i < rows; ++i) {
            tm.add();
            tm.set(tm.col("TASKNUM"), tasks_.empty() ? QString("CORRECTIVE") : rng_.pick(tasks_));
            tm.set(tm.col("EQNUM"), metered_.empty() ? QString("-") : metered_[size_t(rng_.below(int(metered_.size())))]->number);
            tm.set(tm.col("METERINTERVAL"), double(rng_.pick(std::vector<int>{250, 500, 1000, 2000})));
        }
        tables_.push_back(tm.take());
    }

    void schedules()
    {
        Builder b("TASKEQ");
        const int count = n(800);
        Cases cases(rng_, count);
        Odds missingTask = cases.odds(0.02),
             corrective = cases.odds(0.01),
             junkEq = cases.odds(0.005),
             missingEq = cases.odds(0.02),
             otherCase = cases.odds(0.01),
             duplicate = cases.odds(0.005),
             nullField = cases.odds(0.02),
             zeroCount = cases.odds(0.01),
             badUnit = cases.odds(0.01),
             lowerUnit = cases.odds(0.05),
             overdue = cases.odds(0.15);
        std::vector<std::pair<QString, QString>> pairs;
        for (int i = 0; i < count; ++i) {
            QString task, eq;
            if (!pairs.empty() && duplicate.at(i)) {
                std::tie(task, eq) = pairs[size_t(rng_.below(int(pairs.size())))];
            } else {
                if (missingTask.at(i) || tasks_.empty())
                    task = rng_.pick(formerTasks_);
                else if (corrective.at(i))
                    task = "CORRECTIVE";
                else
                    task = rng_.pick(tasks_);
                if (junkEq.at(i))
                    eq = "-";
                else if (missingEq.at(i) || equip_.empty())
                    eq = rng_.pick(retired_);
                else
                    eq = anyEquipment().number;
                if (otherCase.at(i))
                    eq = eq.toLower();
                pairs.emplace_back(task, eq);
            }
            b.add();
            b.set(b.col("TASKNUM"), task);
            b.set(b.col("EQNUM"), eq);
            // Due dates: mostly near today, some long overdue (beyond any cutoff), some due soon.
            const int ago = overdue.at(i) ? rng_.range(400, 2500) : rng_.range(-180, 25);
            static const char* units[] = {"D", "W", "M", "Y"};
            static const int spans[] = {30, 8, 12, 3};
            const int u = rng_.chance(0.1) ? 0 : rng_.chance(0.3) ? 1 : rng_.chance(0.8) ? 2 : 3;
            QString unit = QString::fromLatin1(units[u]);
            if (lowerUnit.at(i))
                unit = unit.toLower();
            if (badUnit.at(i))
                unit = rng_.pick(QStringList{"Q", "H", " "});
            Variant due = jetDay(daysAgo(ago)), dateUnit = unit, howMany = rng_.range(1, spans[u]);
            if (nullField.at(i)) {
                switch (rng_.below(3)) {
                case 0: due = Variant(); break;
                case 1: dateUnit = Variant(); break;
                default: howMany = Variant(); break;
                }
            }
            if (zeroCount.at(i))
                howMany = rng_.chance(0.8) ? 0 : -1;
            b.set(b.col("NEXTDUEDATE"), due);
            b.set(b.col("DATEUNIT"), dateUnit);
            b.set(b.col("NUMOFDATE"), howMany);
        }
        tables_.push_back(b.take());
    }

    void workOrders()
    {
        Builder wo("WO"), woe("WOE"), woc("WOC"), wop("WOP"), list("WOEQLIST");
        const int lines = n(20000);
        woe.reserve(size_t(lines));
        const int expectedOrders = std::max(1, int(lines / 2.25));
        const int span = 5 * 365;
        Cases perOrder(rng_, expectedOrders);
        Cases perLine(rng_, lines);
        Odds noWo = perOrder.odds(0.005),
             missingTask = perOrder.odds(0.03),
             retiredEq = perOrder.odds(0.01),
             noSub3 = perOrder.odds(0.1),
             missingEmp = perLine.odds(0.02),
             nullEmp = perLine.odds(0.04),
             blankEmp = perLine.odds(0.01),
             missingItem = perOrder.odds(0.04),
             blankItem = perOrder.odds(0.05),
             quotedPart = perOrder.odds(0.02),
             blankTaskDesc = perOrder.odds(0.02);
        int written = 0;
        for (int w = 0; written < lines; ++w) {
            const QString wonum = QString::number(10000 + w);
            const QDate closed = daysAgo(std::max(0, span - int(qint64(w) * span / expectedOrders)));
            if (!noWo.at(w)) {
                const double r = rng_.unit();
                Variant taskNum;
                if (missingTask.at(w) && !formerTasks_.isEmpty())
                    taskNum = rng_.pick(formerTasks_);
                else if (r < 0.45 && !tasks_.empty())
                    taskNum = rng_.pick(tasks_);
                else if (r < 0.55)
                    taskNum = QString("CORRECTIVE");
                else
                    taskNum = Variant();  // corrective work has no task
                wo.add();
                wo.set(wo.col("WONUM"), wonum);
                wo.set(wo.col("TASKNUM"), taskNum);
                wo.set(wo.col("DELAYDESC"), rng_.chance(0.85) ? Variant() : Variant(rng_.pick(kDelays)));
                if (blankTaskDesc.at(w))
                    wo.set(wo.col("TASKDESC"), QString("   "));
                else if (rng_.chance(0.6))
                    wo.set(wo.col("TASKDESC"), memo(kInstructions, 0.01));
            }
            const int pieces = rng_.chance(0.8) ? 1 : rng_.range(2, 3);
            for (int p = 0; p < pieces && written < lines; ++p) {
                Equipment e;
                if ((p == 0 && retiredEq.at(w)) || equip_.empty())
                    e.number = rng_.pick(retired_);
                else
                    e = anyEquipment();
                QString loc = e.location, s1 = e.sub1, s2, s3;
                const bool nullSub3 = noSub3.at(w);
                // Lines of one work order and equipment share their closing date and location.
                const int people = rng_.chance(0.4) ? 1 : rng_.range(2, 3);
                for (int k = 0; k < people && written < lines; ++k, ++written) {
                    woe.add();
                    woe.set(woe.col("WONUM"), wonum);
                    woe.set(woe.col("EQNUM"), e.number);
                    woe.set(woe.col("CLOSEDATE"), jetDay(closed));
                    woe.set(woe.col("LOCATION"), loc);
                    woe.set(woe.col("SUBLOCATION1"), s1);
                    woe.set(woe.col("SUBLOCATION2"), s2);
                    woe.set(woe.col("SUBLOCATION3"), nullSub3 ? Variant() : Variant(s3));
                    const double reg = rng_.range(1, 32) * 0.25;
                    woe.set(woe.col("REGHRS"), rng_.chance(0.03) ? Variant() : rng_.chance(0.05) ? Variant(0.0) : Variant(reg));
                    woe.set(woe.col("OTHRS"), rng_.chance(0.5) ? Variant() : rng_.chance(0.6) ? Variant(0.0) : Variant(rng_.range(1, 16) * 0.25));
                    Variant emp;
                    if (missingEmp.at(written))
                        emp = rng_.pick(formerEmployees_);
                    else if (nullEmp.at(written))
                        emp = Variant();
                    else if (blankEmp.at(written))
                        emp = QString("  ");
                    else if (!employees_.empty())
                        emp = rng_.pick(employees_);
                    woe.set(woe.col("EMPCODE"), emp);
                }
                list.add();
                list.set(list.col("WONUM"), wonum);
                list.set(list.col("EQNUM"), e.number);
                if (rng_.chance(0.8)) {
                    woc.add();
                    woc.set(woc.col("WONUM"), wonum);
                    woc.set(woc.col("EQNUM"), e.number);
                    woc.set(woc.col("CLOSEDATE"), jetDay(rng_.chance(0.02) ? closed.addDays(1) : closed));
                    woc.set(woc.col("LOCATION"), loc);
                    woc.set(woc.col("SUBLOCATION1"), s1);
                    woc.set(woc.col("SUBLOCATION2"), s2);
                    woc.set(woc.col("SUBLOCATION3"), s3);
                    if (rng_.chance(0.7))
                        woc.set(woc.col("TEXTS"), memo(kClosings, 0.01));
                }
                if (rng_.chance(0.3)) {
                    for (int k = 0, parts = rng_.range(1, 3); k < parts; ++k) {
                        wop.add();
                        wop.set(wop.col("WONUM"), wonum);
                        wop.set(wop.col("EQNUM"), e.number);
                        Variant item, desc = rng_.pick(kPartNames);
                        if (k == 0 && blankItem.at(w))
                            item = rng_.chance(0.5) ? Variant() : Variant(QString("  "));
                        else if (k == 0 && missingItem.at(w))
                            item = rng_.pick(formerItems_);
                        else if (!items_.empty())
                            item = rng_.pick(items_);
                        if (k == 0 && quotedPart.at(w))
                            desc = QString("O'Ring kit");
                        wop.set(wop.col("ITEMNUM"), item);
                        wop.set(wop.col("DESCRIPTION"), rng_.chance(0.05) ? Variant() : desc);
                        wop.set(wop.col("QTYUSED"), rng_.chance(0.02) ? Variant() : Variant(double(rng_.range(1, 10))));
                        wop.set(wop.col("TOTALUNITCOST"), rng_.chance(0.02) ? Variant() : Variant(money(rng_.real(2, 900))));
                    }
                }
            }
        }
        tables_.push_back(wo.take());
        tables_.push_back(woe.take());
        tables_.push_back(woc.take());
        tables_.push_back(wop.take());
        tables_.push_back(list.take());
    }

    // Items are numbered before the history that uses them is built (see prepareItems).
    void prepareItems()
    {
        const int count = n(1500);
        QSet<QString> taken;
        Cases cases(rng_, count);
        Odds quote = cases.odds(0.005);
        for (int i = 0; i < count; ++i) {
            const QString kind = rng_.pick(kPartKinds);
            items_.push_back(quote.at(i) ? unique(taken, [&](int a) { return QString("O'RING-%1").arg(200 + a); })
                                         : unique(taken, [&](int a) {
                                               return rng_.chance(0.3) ? QString::number(100000 + rng_.below(900000) + a)
                                                                       : QString("%1-%2").arg(kind).arg(num(rng_.below(100000) + a, 5));
                                           }));
        }
        for (int i = 0, gone = n(15, 2); i < gone; ++i)
            formerItems_ << unique(taken, [&](int a) { return QString("DISC-%1").arg(num(i * 5 + a, 5)); });
        for (int i = 0, types = n(12, 3); i < types; ++i)
            invTypes_ << (i < kInvTypes.size() ? kInvTypes[i] : QString("TYPE%1").arg(i + 1));
    }

    void inventory()
    {
        Builder b("INVY"), v("INVVEND"), c("INVCOST"), t("INVTYPE");
        const int count = int(items_.size());
        Cases cases(rng_, count);
        Odds unknownType = cases.odds(0.03),
             emptyUd = cases.odds(0.05),
             lowerPrimary = cases.odds(0.05),
             goneVendor = cases.odds(0.05);
        for (int i = 0; i < count; ++i) {
            const int kind = rng_.below(int(kPartNames.size()));
            b.add();
            b.set(b.col("ITEMNUM"), items_[size_t(i)]);
            b.set(b.col("DESCRIPTION"), rng_.chance(0.01) ? Variant() : Variant(kPartNames[kind]));
            b.set(b.col("UOM"), rng_.chance(0.05) ? Variant() : Variant(rng_.pick(QStringList{"EA", "BOX", "FT", "GAL", " ea ", "PR"})));
            Variant type;
            const double r = rng_.unit();
            if (unknownType.at(i))
                type = QString("OBSOLETE");
            else if (r < 0.75)
                type = rng_.pick(invTypes_);
            else if (r < 0.82)
                type = QString();
            b.set(b.col("TYPE"), type);
            b.set(b.col("ACCTCODE"), orNull(0.4, QString("%1-%2").arg(rng_.range(1400, 1499)).arg(num(rng_.below(100), 2))));
            b.set(b.col("OEMMFG"), rng_.chance(0.6) || makers_.empty() ? Variant() : Variant(rng_.pick(makers_)));
            b.set(b.col("TAXABLE"), orNull(0.3, rng_.chance(0.7) ? "Y" : "N"));
            b.set(b.col("VOLUME"), rng_.chance(0.7) ? Variant() : rng_.chance(0.3) ? Variant(0.0) : Variant(rng_.real(0.1, 5)));
            b.set(b.col("DATEADDED"), rng_.chance(0.2) ? Variant() : Variant(jetDay(daysAgo(rng_.range(30, 7000)))));
            b.set(b.col("CLASS"), orNull(0.6, rng_.pick(QStringList{"A", "B", "C"})));
            b.set(b.col("WEIGHT"), rng_.chance(0.7) ? Variant() : Variant(std::round(rng_.real(0.1, 80) * 10) / 10));
            b.set(b.col("COSTCENTER"), orNull(0.7, "CC-" + num(rng_.range(100, 450), 3)));
            b.set(b.col("MODEL"), orNull(0.7, QString("M%1").arg(rng_.range(100, 99999))));
            b.set(b.col("LASTEDITDATE"), rng_.chance(0.4) ? Variant() : Variant(jetDay(daysAgo(rng_.range(1, 2000)))));
            b.set(b.col("UD1"), orNull(0.7, QString("Bin %1-%2").arg(QChar('A' + rng_.below(8))).arg(rng_.range(1, 40))));
            if (emptyUd.at(i))
                b.set(b.col("UD4"), QString());
            if (rng_.chance(0.05))
                b.set(b.col("UD7"), "Critical spare");
            b.set(b.col("UOW"), orNull(0.8, "EA"));
            b.set(b.col("SINGLESOURCE"), orNull(0.5, rng_.chance(0.1) ? "Y" : "N"));
            if (rng_.chance(0.1))
                b.set(b.col("NOTES"), memo(kNoteLines, 0.01));

            // Vendor rows: none, one or several; the primary one marked now and then in lower case.
            const double vr = rng_.unit();
            const int vendorsOfItem = vr < 0.15 ? 0 : vr < 0.6 ? 1 : vr < 0.9 ? 2 : 3;
            const int primary = rng_.below(std::max(1, vendorsOfItem) + 1);  // == count: none marked
            for (int k = 0; k < vendorsOfItem; ++k) {
                v.add();
                v.set(v.col("ITEMNUM"), items_[size_t(i)]);
                v.set(v.col("VENDORID"), goneVendor.at(i) || vendorIds_.empty() ? Variant("GONE" + num(i % 100, 4)) : Variant(rng_.pick(vendorIds_)));
                v.set(v.col("PRIMARYVENDOR"), k == primary ? Variant(lowerPrimary.at(i) ? "y" : "Y") : orNull(0.5, "N"));
                v.set(v.col("MANUFACTID"), rng_.chance(0.6) || makers_.empty() ? Variant() : Variant(rng_.pick(makers_)));
                v.set(v.col("VENDORITEMNUM"), orNull(0.4, QString("%1%2").arg(rng_.pick(kPartKinds)).arg(rng_.range(1000, 99999))));
                v.set(v.col("UNITCOST"), rng_.chance(0.05) ? Variant() : rng_.chance(0.03) ? Variant(0.0) : Variant(money(rng_.real(0.5, 800))));
                v.set(v.col("LEADTIME"), rng_.chance(0.5) ? Variant() : Variant(double(rng_.range(1, 30))));
                v.set(v.col("CONTRACTNUM"), orNull(0.9, "C-" + num(rng_.below(1000), 3)));
                v.set(v.col("UOP"), orNull(0.5, rng_.pick(QStringList{"EA", "BOX", "CASE"})));
                v.set(v.col("MINORDERQTY"), rng_.chance(0.4) ? Variant() : Variant(double(rng_.range(1, 50))));
                v.set(v.col("CATALOGNUM"), orNull(0.6, QString::number(rng_.range(100000, 999999))));
            }
            // Cost and stock: almost always one row, now and then two.
            const int costRows = rng_.chance(0.05) ? 0 : rng_.chance(0.02) ? 2 : 1;
            for (int k = 0; k < costRows; ++k) {
                c.add();
                c.set(c.col("ITEMNUM"), items_[size_t(i)]);
                c.set(c.col("UNITCOST"), rng_.chance(0.03) ? Variant() : Variant(money(rng_.real(0.5, 800))));
                c.set(c.col("AVAILABLEQTY"), rng_.chance(0.03) ? Variant() : Variant(double(rng_.range(0, 120))));
            }
        }
        for (int i = 0; i < invTypes_.size(); ++i) {
            t.add();
            t.set(t.col("TYPE"), invTypes_[i]);
            t.set(t.col("DESCRIPTION"), i == 1 ? Variant(QString()) : Variant(invTypes_[i].left(1) + invTypes_[i].mid(1).toLower() + " stock"));
        }
        tables_.push_back(b.take());
        tables_.push_back(v.take());
        tables_.push_back(c.take());
        tables_.push_back(t.take());
    }

    void reported()
    {
        Builder vm("VENDMANU"), po("VENDPO"), ic("INVCOMM"), is("INVSITE"), sub("INVSUB"), dw("INVYDRWG");
        const QString fallbackVendor = "NONE";
        auto vendor = [&] { return vendorIds_.empty() ? fallbackVendor : rng_.pick(vendorIds_); };
        for (int i = 0, rows = n(50); i < rows; ++i) {
            vm.add();
            vm.set(vm.col("VENDORID"), vendor());
            vm.set(vm.col("MANUFACTID"), makers_.empty() ? Variant() : Variant(rng_.pick(makers_)));
        }
        for (int i = 0, rows = n(200); i < rows; ++i) {
            po.add();
            po.set(po.col("VENDORID"), vendor());
            po.set(po.col("PONUM"), "PO-" + num(i + 1, 6));
        }
        for (int i = 0, rows = n(150); i < rows; ++i) {
            ic.add();
            ic.set(ic.col("ITEMNUM"), rng_.pick(items_));
            ic.set(ic.col("COMMENTS"), memo(kNoteLines, 0.02));
        }
        for (int i = 0, rows = n(1500); i < rows; ++i) {
            is.add();
            is.set(is.col("ITEMNUM"), items_[size_t(i) % items_.size()]);
            is.set(is.col("SITEID"), rng_.chance(0.9) ? "MAIN" : "NORTH");
        }
        for (int i = 0, rows = n(60); i < rows; ++i) {
            sub.add();
            sub.set(sub.col("ITEMNUM"), rng_.pick(items_));
            sub.set(sub.col("SUBITEMNUM"), rng_.pick(items_));
        }
        for (int i = 0, rows = n(100); i < rows; ++i) {
            dw.add();
            dw.set(dw.col("ITEMNUM"), rng_.pick(items_));
            dw.set(dw.col("DRAWING"), QString("DWG-%1 rev %2").arg(rng_.range(1000, 9999)).arg(QChar('A' + rng_.below(5))));
        }
        for (Builder* b : {&vm, &po, &ic, &is, &sub, &dw})
            tables_.push_back(b->take());
    }

public:
    void prepare() { prepareItems(); }

private:
    Mp2SampleOptions o_;
    Rng rng_;
    std::vector<jetwriter::Table> tables_;
    std::vector<QString> makers_, vendorIds_, employees_, tasks_, items_;
    QStringList formerEmployees_, formerTasks_, formerItems_, retired_, invTypes_;
    std::vector<Equipment> equip_;
    std::vector<const Equipment*> metered_;
};

}  // namespace

Mp2Sample BuildMp2Sample(const Mp2SampleOptions& options)
{
    if (!(options.scale > 0) || options.scale > 1000)
        throw std::invalid_argument("the scale must be above 0 and at most 1000");
    if (!options.asOf.isValid())
        throw std::invalid_argument("the sample's end date is not a valid date");
    Generator g(options);
    g.prepare();
    return g.build();
}

std::vector<std::pair<QString, QString>> WriteMp2Sample(const Mp2SampleOptions& options, const QString& path)
{
    Mp2Sample sample = BuildMp2Sample(options);
    jetwriter::writeJet4(sample.file, path);
    return std::move(sample.renames);
}

std::int64_t Mp2SampleRowCount(const Mp2Sample& sample)
{
    std::int64_t rows = 0;
    for (const jetwriter::Table& t : sample.file.tables)
        rows += std::int64_t(t.rows.size());
    return rows;
}

}  // namespace testsupport

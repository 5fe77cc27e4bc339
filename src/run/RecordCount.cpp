#include "run/RecordCount.h"

#include "run/ConversionTrap.h"
#include "run/EndProgram.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace {
const char* const kCountedTables[] = {"FACILITY", "EQUIP", "EMP", "TASK", "WOE",
                                      "WOE", "TASK", "TASKEQ", "METER", "VENDOR"};
}

qint32 BudgetFromRows(qint64 rows)
{
    const double weighed = static_cast<double>(rows) * 1.5;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(weighed);
    std::fesetround(previous);
    if (rounded > std::numeric_limits<qint32>::max() || rounded < std::numeric_limits<qint32>::min())
        throw dao::DaoError(6, "Overflow");
    return static_cast<qint32>(rounded);
}

qint32 CountTotalRecords(RunState& run)
{
    try {
        if (!run.DBin || !run.DBin->isOpen())
            throw dao::DaoError(91, "Object variable or With block variable not set");
        qint64 sum = 0;
        for (const char* table : kCountedTables)
            sum += run.DBin->RowCount(table);
        return BudgetFromRows(sum);
    } catch (const dao::DaoError& e) {
        // The new database has already been copied from the template: like every other trap of the
        // import, this one leaves no half-built database behind.
        ConversionTrap(run, "CountTotalRecords Error:", e);
    }
}

#pragma once
// The progress budget: the rows of the MP2 tables the conversions walk, weighed by 1.5.
#include "run/RunState.h"

#include <QtGlobal>

// Sums the rows of FACILITY, EQUIP, EMP, TASK, WOE, WOE, TASK, TASKEQ, METER and VENDOR in DBin (WOE
// and TASK twice) and returns 1.5 times the sum, halves rounded to even. Any failure is shown as
// "CountTotalRecords Error:" & number & CR & description, the new database is removed, and the
// program ends.
qint32 CountTotalRecords(RunState& run);

// The weighing alone: 1.5 times the row count, halves to the even neighbour. Raises 6 (Overflow)
// past the 32-bit range.
qint32 BudgetFromRows(qint64 rows);

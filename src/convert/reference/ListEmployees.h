#pragma once
#include "run/RunState.h"

#include <QStringList>

// Lists the new database's Employee table: the lines of `heading`, the count line and an empty line,
// then EmpIdList and EmpNumList refilled from the table (records with a Null Id left out) and one
// "EmpID - ... EmpNum - ..." line per entry, then an empty line. An empty table writes nothing and
// leaves the lists as they are.
void ListEmployees(RunState& run, const QStringList& heading = {});

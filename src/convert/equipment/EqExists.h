#pragma once
#include "run/RunState.h"

// Does the new database's Equipment table hold a record whose Equipment# is Eq (letter case
// ignored)? Only reads; a database failure reaches the calling conversion's trap.
bool EqExists(RunState& run, const QString& Eq);

#pragma once
// The box of a trap that lets the run go on (a lookup that failed, one record that could not be
// made): shown as always, and counted in the run's summary, so that a check that showed one does not
// pass as if the import would go through.
#include "run/RunState.h"

#include <QString>

void ShowErrorBox(RunState& run, const QString& text);

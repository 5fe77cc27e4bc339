#pragma once
// The box of a trap that lets the run go on (a lookup that failed, one record that could not be
// made): shown as always, and kept in the run's summary, so that the ending of the run (its summary,
// the end of its log, its report) says the run went on past it. A check counts them the same way.
#include "run/RunState.h"

#include <QString>

void ShowErrorBox(RunState& run, const QString& text);

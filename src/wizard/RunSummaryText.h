#pragma once
// The words in which a run's summary is told to the operator: how long it took, the result in one line,
// the error that ended it, and what to do next. No widgets: the wizard's summary window shows them,
// and any other front end may.
#include "run/RunSummary.h"

#include <QString>

// "0:07", "12:34", "1:02:03": minutes and seconds, hours in front from the first hour on.
QString ElapsedText(double seconds);

// The result in one line: "Imported. 3,412 MP2 rows read, 3,300 converted, 98 merged, 14 skipped.",
// "Failed: error 3022 in CreateEq.", ...
QString ResultLine(const RunSummary& summary);

// The error that ended the run as its box told it: "Error 3022 in CreateEq" (empty without an error).
QString ErrorHeading(const RunSummary& summary);

// What the operator does next, in a sentence or two; empty when nothing is left to do.
QString WhatToDoNext(const RunSummary& summary);

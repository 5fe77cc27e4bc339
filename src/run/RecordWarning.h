#pragma once
// A warning about one record that only informs the operator (a value cut to its field, a record
// skipped for a reason the log gives): an OK box, as always; or, when the run writes record warnings
// to the log only, a line of the log and an entry of the summary's warnings, so that a site with
// dozens of them is not a click per record. Questions are never routed here.
#include "run/RunState.h"

#include <QString>

// Whether the caller writes the text to the log itself (then it is not written twice).
enum class WarningLogged { ByCaller, Here };

void RecordWarning(RunState& run, const QString& text, WarningLogged logged = WarningLogged::Here);

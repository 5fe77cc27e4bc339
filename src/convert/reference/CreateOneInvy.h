#pragma once
#include "run/RunState.h"

// Adds one placeholder item for a part number that work-order item history refers to but INVY did
// not hold. InStatus 1 makes it inactive. False when InItemNum is empty or the record could not be
// added (shown in a box; the caller goes on). The record is visible to lookups at once.
bool CreateOneInvy(RunState& run, const QString& InItemNum, const QString& InDesc, qint16 InStatus);

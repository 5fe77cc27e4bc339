#pragma once
#include "run/RunState.h"

// The COMMENTS of the first VENDCOMM row of an MP2 vendor; empty when InVendorId is blank, when the
// vendor has no comment row or when that row's COMMENTS is Null. A database failure reaches the
// caller.
QString GetVendorComment(RunState& run, QString InVendorId);

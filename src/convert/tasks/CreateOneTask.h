#pragma once
#include "run/RunState.h"

// Adds one placeholder task whose Description is the MP2 task number that work-order history
// refers to. InStatus 1 makes it inactive. False when InDescription is empty or the record could
// not be added (shown in a box; the caller goes on). The record is visible to lookups at once.
bool CreateOneTask(RunState& run, const QString& InDescription, qint16 InStatus);

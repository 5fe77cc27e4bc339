#pragma once
#include "run/RunState.h"

// Adds one placeholder employee for a number that labour history refers to but EMP did not hold.
// InStatus 1 makes it inactive. False when InEmpNum is empty or the record could not be added
// (the reason is shown in a box; the caller goes on). The record is visible to lookups at once.
bool CreateOneEmployee(RunState& run, const QString& InEmpNum, qint16 InStatus);

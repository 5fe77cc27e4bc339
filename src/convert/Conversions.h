#pragma once
// The eleven conversions, in the order the driver runs them. Each works on the run state, catches
// its own failures (ConversionTrap in run/ConversionTrap.h) and advances the progress bar as it goes.
#include "run/RunState.h"

void CreateFacility(RunState& run);     // Facility
void CreateEq(RunState& run);           // Equipment (opens the equipment-number pre-parse screen first)
void CreateEmployee(RunState& run);     // Employee; leaves EmpIdList and EmpNumList
void CreateTask(RunState& run);         // Task
void CreateTaskEq(RunState& run);       // TaskEq (asks the overdue cutoff)
void CreateWoHist(RunState& run);       // WO history
void CreateWoLaborHist(RunState& run);  // WoLabor
void CreateMeter(RunState& run);        // Meter Readings
void CreateVendor(RunState& run);       // Vendor; leaves NewVendNameList and OldVendIdList
void CreateInvy(RunState& run);         // Invy
void CreateWoItemsHist(RunState& run);  // WoItems

#pragma once
// crew-import --batch --report FILE.json: how the run ended, for scripts that migrate many sites.
//
// {"result": "imported" | "checked" | "would fail" | "refused" | "failed" | "cancelled" | "interrupted",
//  "error": null | {"number": N, "description": "...", "where": "CreateEq"},
//  "source": "...", "database": "...", "log": "...", "registered": true,
//  "database_left": false (made, not registered, and still on disk because its removal failed),
//  "error_boxes": N (boxes of traps that let the run go on), "error_box_texts": ["...", ...] (what each
//  said, on one line), "seconds": 1.234,
//  "tables": [{"mp2": "EQUIP", "read": N, "converted": N, "merged": N, "skipped": N,
//              "not_reached": N (rows a run that stopped early never came to),
//              "skipped_by_reason": {"reason": N, ...}}, ...],
//  "created": {"Equipment": N, ...}, "invented": {"Task": N, ...}, "warnings": ["...", ...]}
#include "run/RunSummary.h"

#include <QByteArray>
#include <QString>

QByteArray ReportJson(const RunSummary& summary);

// Raises 75 naming `path` when a report could not be written there: its folder is missing or cannot be
// written, or `path` is a folder. Checked before the run starts.
void CheckReportPlace(const QString& path);

// The exit status of a run whose report could not be written: the run's result is the one its summary
// gives, the report is missing (an earlier report at that name is left as it was).
constexpr int kReportMissingStatus = 4;

#pragma once
// crew-import --batch --report FILE.json: how the run ended, for scripts that migrate many sites.
//
// {"result": "imported" | "checked" | "refused" | "failed" | "cancelled" | "interrupted",
//  "error": null | {"number": N, "description": "...", "where": "CreateEq"},
//  "source": "...", "database": "...", "log": "...", "registered": true, "seconds": 1.234,
//  "tables": [{"mp2": "EQUIP", "read": N, "converted": N, "merged": N, "skipped": N,
//              "skipped_by_reason": {"reason": N, ...}}, ...],
//  "created": {"Equipment": N, ...}, "invented": {"Task": N, ...}, "warnings": ["...", ...]}
#include "run/RunSummary.h"

#include <QByteArray>
#include <QString>

QByteArray ReportJson(const RunSummary& summary);

// Raises 75 naming `path` when a report could not be written there: its folder is missing or cannot be
// written, or `path` is a folder. Checked before the run starts.
void CheckReportPlace(const QString& path);

// Writes the report to `path`, whole or not at all (written beside it, then renamed into place).
// Raises 75 naming `path`.
void WriteReport(const QString& path, const RunSummary& summary);

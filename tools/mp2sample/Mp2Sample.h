#pragma once
// A realistic MP2 database of any size: every MP2 table the import reads, rewrites or reports, with
// plausible values, rows that refer to each other as a plant's rows do, and the awkward cases real
// sites hold mixed in at realistic rates (long and missing equipment numbers, apostrophes, duplicate
// vendor names, overdue and malformed schedules, repeated work-order lines, history that names
// employees, tasks and parts that are gone, readings of retired equipment).
//
// Scale 1 is a small plant: about 500 pieces of equipment and 20 000 work-order lines. Every table's
// row count grows linearly with the scale; fractions (0.1) make small samples. The output depends
// only on the options: the same options give the same bytes.
#include "jet/JetWriter.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

struct Mp2SampleOptions {
    double scale = 1.0;
    std::uint64_t seed = 1;
    QString password;                    // the database password; empty for none
    QDate asOf = QDate(2026, 12, 1);     // the day the sample's history ends and schedules are measured from
};

struct Mp2Sample {
    jetwriter::JetFile file;
    // Every equipment number longer than 30 characters (as stored in EQUIP) with a free number that
    // can replace it: the answers the unattended import needs when no substrings are applied.
    std::vector<std::pair<QString, QString>> renames;
};

// Builds the sample in memory. Throws std::invalid_argument for a scale that is not positive or
// larger than 1000.
Mp2Sample BuildMp2Sample(const Mp2SampleOptions& options);

// Builds the sample and writes it as a Jet 4 file (jetwriter::writeJet4); returns its renames.
std::vector<std::pair<QString, QString>> WriteMp2Sample(const Mp2SampleOptions& options, const QString& path);

// The number of rows of every table of a built sample, summed.
std::int64_t Mp2SampleRowCount(const Mp2Sample& sample);

}  // namespace testsupport

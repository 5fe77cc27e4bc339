#pragma once
// The state one import run shares between the wizard, the driver and the conversions. The names are
// those of the original forms and globals: g-prefixed globals, the main form's text boxes, and the
// import form's fields. One RunState lives for the whole program run.
#include "run/ImportLog.h"
#include "run/Operator.h"
#include "run/Progress.h"
#include "run/RunFiles.h"
#include "run/RunSummary.h"
#include "db/Database.h"
#include "db/SafeFiles.h"
#include "db/Variant.h"

#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <QTime>
#include <memory>
#include <vector>

// A list used from index 1, as the original's growable arrays were: entry 0 is never used.
struct OneBasedList {
    std::vector<dao::Variant> items{dao::Variant()};
    int Count() const { return static_cast<int>(items.size()) - 1; }
    void Clear() { items.assign(1, dao::Variant()); }
    void Append(const dao::Variant& v) { items.push_back(v); }
    const dao::Variant& operator[](int i) const { return items.at(static_cast<size_t>(i)); }
};

struct RunState {
    explicit RunState(Operator& op) : op(op) {}
    Operator& op;

    // Globals
    QString gProgram = "VANTRIX";  // "MENDLY" or "VANTRIX"
    QString gVXUDir;               // without trailing separator
    QString gVXDBListDir;          // without trailing separator
    std::shared_ptr<dao::Database> gVXDBListDb;
    std::shared_ptr<dao::Database> DBin;
    std::shared_ptr<dao::Database> DBout;
    bool gDBoutOpen = false;
    QString gDBName;
    ImportLog log;                 // gLogFile, gLogPath, gLogOpen
    QDate gStartDate;
    QTime gStartTime;

    // Main form text boxes the driver reads
    QString txtSourceDB;
    QString txtTargetDir;
    QString txtFileName;
    QString txtDBName;

    // Import form fields
    QString SourcePath;
    QString TargetDir;
    QString TargetFileName;
    QString TargetPath;
    QString TempPath;
    qint32 TotalRecords = 0;
    Progress progress;

    // One import at a time in the folder of the working copy and in the folder of the log, held
    // until the program ends.
    dao::FolderLocks folderLocks;
    // The plan of the attempt's files: every file the run creates, replaces or removes goes through it.
    RunFiles files;

    // How the run is made and how it ended.
    bool checkOnly = false;          // the whole import into a private place: nothing registered or kept
    bool warningsToLogOnly = false;  // record warnings that only inform go to the log, not to boxes
    RunSummary summary;              // filled on every way out; summary.account as the run goes
    QElapsedTimer requested;         // since the import was requested (the Import button)

    // Lists the conversions leave for each other
    OneBasedList EmpIdList;
    OneBasedList EmpNumList;
    OneBasedList NewVendNameList;
    OneBasedList OldVendIdList;
    // What the work-order history's pass leaves for the labour and parts steps (its own type, in the
    // conversions' layer).
    std::shared_ptr<struct WorkOrderHistory> history;

    // Shorthands
    void Log(const QString& line) { log.Print(line); }
    void UpProg() { progress.UpProg(op); }
};

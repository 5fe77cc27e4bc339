#pragma once
// A conversion's fixture hands its new database to the run's plan of its files, as if the run had made
// it: a trap then removes it as it removes a run's, and only then. Its log is made by the plan too.
#include "run/RunState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

inline void HandNewDatabaseToTheRun(RunState& run, const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QString privateDir = run.files.MakePrivateDir(folder);
    const QString made = QDir(privateDir).filePath("new");
    if (!QFile::rename(path, made))
        throw dao::DaoError(75, "the fixture's new database could not be moved: " + path);
    RunPlaces places;
    places.workingCopy = folder + "/temp7601.in";
    places.newDatabase = path;
    places.log = folder + "/MP2ImportLog.txt";
    run.files.Fix(places);
    run.files.PlaceNewDatabase(made, path);
    run.files.RemovePrivateDir(privateDir);
}

inline void OpenLogThroughTheRun(RunState& run, const QString& path)
{
    run.log.OpenPending(path);
    run.log.Commit(run.files.CreateLog(path));
}

}  // namespace testsupport

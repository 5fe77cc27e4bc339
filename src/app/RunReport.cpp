#include "app/RunReport.h"

#include "db/DaoError.h"
#include "run/SummaryText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <unistd.h>

QByteArray ReportJson(const RunSummary& summary)
{
    QJsonObject report;
    report["result"] = QString::fromLatin1(RunResultName(summary.result));
    if (summary.error)
        report["error"] = QJsonObject{{"number", summary.error->number},
                                      {"description", summary.error->description},
                                      {"where", summary.error->where}};
    else
        report["error"] = QJsonValue(QJsonValue::Null);
    report["source"] = summary.source;
    report["database"] = summary.database;
    report["log"] = summary.log;
    report["registered"] = summary.registered;
    report["database_left"] = summary.databaseFate == DatabaseFate::Left;
    report["error_boxes"] = static_cast<int>(summary.errorBoxes.size());
    QStringList boxes;
    for (const QString& box : summary.errorBoxes)
        boxes << OneLine(box);
    report["error_box_texts"] = QJsonArray::fromStringList(boxes);
    report["seconds"] = std::round(summary.seconds * 1000) / 1000;

    QJsonArray tables;
    for (const SourceTableAccount& s : summary.account.Sources()) {
        QJsonObject reasons;
        for (const auto& [reason, rows] : s.skippedByReason)
            reasons[reason] = rows;
        tables.append(QJsonObject{{"mp2", s.mp2},
                                  {"read", s.read},
                                  {"converted", s.converted},
                                  {"merged", s.merged},
                                  {"skipped", s.skipped()},
                                  {"not_reached", s.notReached},
                                  {"skipped_by_reason", reasons}});
    }
    report["tables"] = tables;
    QJsonObject created, invented;
    for (const TargetTableAccount& t : summary.account.Targets()) {
        created[t.table] = t.created;
        invented[t.table] = t.invented;
    }
    report["created"] = created;
    report["invented"] = invented;
    report["warnings"] = QJsonArray::fromStringList(summary.warnings);
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

void CheckReportPlace(const QString& path)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    QString problem;
    if (file.isDir())
        problem = "it is a folder";
    else if (!QFileInfo(folder).isDir())
        problem = "its folder '" + folder + "' does not exist";
    else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        problem = "its folder '" + folder + "' cannot be written";
    if (!problem.isEmpty())
        throw dao::DaoError(75, QString("Path/File access error: the report '%1' cannot be written (%2)").arg(path, problem));
}

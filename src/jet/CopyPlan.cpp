#include "jet/CopyPlan.h"

namespace dao {

void CopyPlan::Table(const QString& table, const QStringList& columns)
{
    QStringList& planned = tables_[table.toUpper()];
    for (const QString& c : columns)
        if (!planned.contains(c.toUpper()))
            planned << c.toUpper();
}

bool CopyPlan::names(const QString& table, const QString& column) const
{
    if (whole())
        return true;
    const auto it = tables_.constFind(table.toUpper());
    return it != tables_.constEnd() && it->contains(column.toUpper());
}

QString CopyPlan::toArgument() const
{
    QStringList lines;
    for (auto it = tables_.constBegin(); it != tables_.constEnd(); ++it)
        lines << (QStringList{it.key()} + it.value()).join('\t');
    return lines.join('\n');
}

CopyPlan CopyPlan::fromArgument(const QString& argument)
{
    CopyPlan plan;
    for (const QString& line : argument.split('\n', Qt::SkipEmptyParts)) {
        QStringList names = line.split('\t');
        const QString table = names.takeFirst();
        plan.Table(table, names);
    }
    return plan;
}

}  // namespace dao

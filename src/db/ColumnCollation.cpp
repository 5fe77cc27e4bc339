#include "db/ColumnCollation.h"

#include "db/FieldType.h"

#include <QStringList>
#include <sqlite3.h>

namespace dao {

namespace {

// The affinity SQLite gives a column of this declared type is TEXT.
bool hasTextAffinity(const QString& declared)
{
    const QString t = declared.toUpper();
    return !t.contains("INT") && (t.contains("CHAR") || t.contains("CLOB") || t.contains("TEXT"));
}

}  // namespace

ColumnCollation DescribeColumn(sqlite3* db, const QString& table, const QString& column)
{
    ColumnCollation c;
    const QByteArray tableUtf8 = table.toUtf8(), columnUtf8 = column.toUtf8();
    const char* declared = nullptr;
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(db, "main", tableUtf8.constData(), columnUtf8.constData(), &declared, &collation,
                                      nullptr, nullptr, nullptr) != SQLITE_OK)
        return c;
    c.textAffinity = hasTextAffinity(QString::fromUtf8(declared ? declared : ""));
    const QString coll = QString::fromUtf8(collation ? collation : "BINARY");
    c.comparison = coll.compare("NOCASE", Qt::CaseInsensitive) == 0   ? ColumnCollation::Comparison::NoCase
                   : coll.compare("BINARY", Qt::CaseInsensitive) == 0 ? ColumnCollation::Comparison::Binary
                                                                       : ColumnCollation::Comparison::Unknown;
    // An index (not a partial one) whose first column is this one, in NOCASE order.
    sqlite3_stmt* list = nullptr;
    const QByteArray listSql = ("PRAGMA index_list(" + quoteIdentifier(table) + ")").toUtf8();
    sqlite3_prepare_v2(db, listSql.constData(), -1, &list, nullptr);
    QStringList indexes;
    while (list && sqlite3_step(list) == SQLITE_ROW)
        if (sqlite3_column_int(list, 4) == 0)
            indexes << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(list, 1)));
    sqlite3_finalize(list);
    for (const QString& index : indexes) {
        sqlite3_stmt* info = nullptr;
        const QByteArray infoSql = ("PRAGMA index_xinfo(" + quoteIdentifier(index) + ")").toUtf8();
        sqlite3_prepare_v2(db, infoSql.constData(), -1, &info, nullptr);
        if (info && sqlite3_step(info) == SQLITE_ROW && sqlite3_column_int(info, 0) == 0) {
            const auto* indexed = reinterpret_cast<const char*>(sqlite3_column_text(info, 2));
            const auto* coll = reinterpret_cast<const char*>(sqlite3_column_text(info, 4));
            c.leadsIndex = c.leadsIndex || (indexed && coll && sqlite3_column_int(info, 3) == 0 &&
                                             column.compare(QString::fromUtf8(indexed), Qt::CaseInsensitive) == 0 &&
                                             QString::fromUtf8(coll).compare("NOCASE", Qt::CaseInsensitive) == 0);
        }
        sqlite3_finalize(info);
    }
    return c;
}

}  // namespace dao

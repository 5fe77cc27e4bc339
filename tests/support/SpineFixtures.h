#pragma once
// Small SQLite files for the spine's tests: an MP2 source in the working-copy format (the tables the
// import counts and reports, a given number of rows each, relationships, an optional password), and
// the host product's blank database and database list.
#include "db/PasswordVerifier.h"
#include "support/SqliteFile.h"
#include "wizard/HostProduct.h"

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <sqlite3.h>
#include <stdexcept>

namespace spine {

// The statements run as testsupport::RunSql runs them, then the password's verifier stored.
inline void RunSql(const QString& path, const QStringList& statements, const QString& password = {})
{
    testsupport::RunSql(path, statements);
    if (password.isEmpty())
        return;
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    dao::StorePasswordVerifier(db, password);
    sqlite3_close(db);
}

using testsupport::QueryText;  // the first column of the first row as text ("" for Null or no row)

inline const QStringList& Mp2Tables()
{
    static const QStringList tables = {"FACILITY", "EQUIP",   "EMP",     "TASK",    "WOE",    "TASKEQ",  "METER",
                                       "VENDOR",   "VENDMANU", "VENDPO", "INVCOMM", "INVSITE", "INVSUB", "INVYDRWG"};
    return tables;
}

struct Mp2Source {
    QMap<QString, int> rows;        // rows per table; tables not named are empty
    QStringList omit;               // tables left out of the file
    QStringList relationships;      // names of relationships, one row each in MSysRelationships
    QString password;               // empty: no password
};

inline void WriteMp2Source(const QString& path, const Mp2Source& source)
{
    QStringList sql;
    for (const QString& table : Mp2Tables()) {
        if (source.omit.contains(table))
            continue;
        sql << QString("CREATE TABLE \"%1\" (\"CODE\" VARCHAR(25) COLLATE NOCASE, \"QTY\" INT)").arg(table);
        for (int i = 1; i <= source.rows.value(table, 0); ++i)
            sql << QString("INSERT INTO \"%1\" VALUES ('%1-%2', %2)").arg(table).arg(i);
    }
    sql << "CREATE TABLE MSysRelationships (ccolumn INT, grbit INT, icolumn INT, szColumn VARCHAR(64), "
           "szObject VARCHAR(64), szReferencedColumn VARCHAR(64), szReferencedObject VARCHAR(64), "
           "szRelationship VARCHAR(64))";
    for (const QString& name : source.relationships)
        sql << QString("INSERT INTO MSysRelationships VALUES (1, 0, 0, 'CODE', 'EQUIP', 'CODE', 'TASK', '%1')")
                   .arg(name);
    RunSql(path, sql, source.password);
}

// The product's blank database and its database list, as the host setup writes them.
inline void WriteBlankProduct(const QString& path) { CreateTemplate(path); }
inline void WriteDatabaseList(const QString& path) { CreateDatabaseList(path); }

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

}  // namespace spine

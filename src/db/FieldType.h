#pragma once
// The Jet field types and how each one sits in our SQLite files.
//
// Every SQLite file the layer writes declares its columns so that the Jet type and size stay
// recoverable from the file itself, and so that the column affinity keeps values as they are meant:
//
//   Jet type           declared SQLite type                       stored as
//   Text(n)            VARCHAR(n) COLLATE NOCASE                  TEXT
//   Memo               LONGTEXT COLLATE NOCASE                    TEXT
//   Byte               TINYINT                                    INTEGER
//   Integer            SMALLINT                                   INTEGER
//   Long               INT                                        INTEGER
//   AutoNumber         INTEGER PRIMARY KEY AUTOINCREMENT          INTEGER (never reused)
//                      or COUNTER (a copied autonumber column)    INTEGER
//   Single             FLOAT                                      REAL (7 significant digits)
//   Double             DOUBLE                                     REAL
//   Currency           CURRENCY REAL                              REAL rounded to 4 decimals
//   Decimal(p,s)       DECIMAL(p,s)                               INTEGER or REAL
//   Date/Time          DATETIME                                   TEXT 'YYYY-MM-DD HH:MM:SS'
//   Yes/No             BOOLEAN NOT NULL DEFAULT 0                 INTEGER 1 or 0
//   Binary, OLE        BLOB                                       BLOB
//
// A required field is declared NOT NULL. Tables whose name starts with "MSys" are the layer's own
// (relationships, password check) and are never listed as user tables.
#include <QString>

namespace dao {

enum class FieldType { Boolean, Byte, Integer, Long, Currency, Single, Double, Decimal, Date, Text, Memo, Binary };

struct FieldInfo {
    QString Name;
    FieldType Type = FieldType::Text;
    int Size = 0;             // characters for Text; 0 otherwise
    bool Required = false;
    bool AutoNumber = false;  // assigned by the database on insert
    int Precision = 0;        // Decimal only
    int Scale = 0;            // Decimal only
    QString DefaultSql;       // the column's DEFAULT expression as declared, or empty
};

// The column definition for CREATE TABLE, without the quoted name; an autonumber that is
// the table's only key is written as INTEGER PRIMARY KEY AUTOINCREMENT when rowidKey is true.
QString declaredColumn(const FieldInfo& field, bool rowidKey = false);

// Reads back a declared type (as PRAGMA table_info reports it). Unknown types read as Memo.
FieldInfo parseDeclaredType(const QString& name, const QString& declaredType, bool notNull, bool rowidKey);

bool isTextType(FieldType t);
bool isNumericType(FieldType t);
const char* typeName(FieldType t);

// Quotes an identifier for SQLite ("Equipment#" -> "\"Equipment#\"").
QString quoteIdentifier(const QString& name);

}  // namespace dao

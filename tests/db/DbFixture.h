#pragma once
// A small database in our SQLite conventions, shaped like the tables the conversions touch.
#include "db/Database.h"
#include "support/SqliteFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class DbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("test.vdb");
        testsupport::RunSql(path, {
            "CREATE TABLE EQUIP (EQNUM VARCHAR(25) COLLATE NOCASE, DESCRIPTION VARCHAR(10) COLLATE NOCASE, "
            "COST CURRENCY REAL, QTY SMALLINT, BIG INT, RATE FLOAT, AVG DOUBLE, INSTALLED DATETIME, "
            "ACTIVE BOOLEAN NOT NULL DEFAULT 0, NOTES LONGTEXT COLLATE NOCASE, LEVEL TINYINT)",
            "CREATE UNIQUE INDEX EQNUM_UNIQUE ON EQUIP (EQNUM)",
            "CREATE TABLE Employee (Id INTEGER PRIMARY KEY AUTOINCREMENT, EmployeeNum VARCHAR(15) COLLATE NOCASE, "
            "Name VARCHAR(50) COLLATE NOCASE NOT NULL, Status SMALLINT DEFAULT 0)",
            "CREATE TABLE \"Meter Readings\" (Id INTEGER PRIMARY KEY AUTOINCREMENT, "
            "\"Equipment#\" VARCHAR(30) COLLATE NOCASE, Date DATETIME, Reading DOUBLE)",
        });
        db = dao::Database::OpenDatabase(path);
    }
    void TearDown() override
    {
        if (db)
            db->Close();
    }

    // Adds an EQUIP row with the given number and description.
    void addEquip(const dao::Variant& eqnum, const dao::Variant& description = dao::Variant())
    {
        auto rs = db->OpenRecordset("EQUIP", dao::dbOpenTable);
        rs->AddNew();
        rs->Fields("EQNUM") = eqnum;
        rs->Fields("DESCRIPTION") = description;
        rs->Update();
    }

    QTemporaryDir dir;
    QString path;
    std::shared_ptr<dao::Database> db;
};

// Expects `body` to raise a DaoError with `number`.
#define EXPECT_DAO_ERROR(number, body)                                          \
    do {                                                                        \
        try {                                                                   \
            body;                                                               \
            ADD_FAILURE() << "expected error " << (number) << ", none raised";  \
        } catch (const dao::DaoError& e) {                                      \
            EXPECT_EQ(e.Number, (number)) << e.Description.toStdString();       \
        }                                                                       \
    } while (0)

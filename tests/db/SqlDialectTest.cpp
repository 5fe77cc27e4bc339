// Jet SQL as the conversions write it: translated, compared without regard to case, with Jet's
// Null semantics, and failing loudly on what the translator does not know.
#include "DbFixture.h"

#include "db/SqlTranslator.h"
#include "support/SqliteFile.h"

#include <sqlite3.h>

using dao::Variant;

TEST_F(DbTest, DeleteAgainstTheEmptyTextLeavesNulls)
{
    addEquip("");
    addEquip(Variant());
    addEquip("P1");
    db->Execute("Delete * from EQUIP where EQNUM = ''", dao::dbFailOnError);
    EXPECT_EQ(db->RecordsAffected(), 1);
    db->Execute("Delete * from EQUIP where EQNUM <> 'P1'", dao::dbFailOnError);
    EXPECT_EQ(db->RecordsAffected(), 0);  // Null never equals nor differs
    EXPECT_EQ(db->OpenRecordset("EQUIP")->RecordCount(), 2);
    db->Execute("Delete * from EQUIP where EQNUM Is Null", dao::dbFailOnError);
    EXPECT_EQ(db->OpenRecordset("EQUIP")->RecordCount(), 1);
}

TEST_F(DbTest, BracketedNamesQuotesAndDateLiterals)
{
    auto rs = db->OpenRecordset("Meter Readings");
    rs->AddNew();
    rs->Fields("Equipment#") = "P'1";
    rs->Fields("Date") = QDateTime(QDate(2021, 3, 4), QTime(0, 0), Qt::UTC);
    rs->Fields("Reading") = 1200;
    rs->Update();
    for (const QString& literal : {QString("#3/4/2021#"), QString("#2021-03-04#"), QString("#03/04/2021 00:00:00#")}) {
        auto found = db->OpenRecordset("Select * From [Meter Readings] Where [Equipment#] = 'P''1' And Date = " +
                                       literal);
        EXPECT_EQ(found->RecordCount(), 1) << literal.toStdString();
    }
    auto none = db->OpenRecordset("Select * From [Meter Readings] Where [Equipment#] = 'P''1' And Date = #3/5/2021#");
    EXPECT_TRUE(none->EOF_());
}

TEST_F(DbTest, AggregateWithAlias)
{
    testsupport::RunSql(path, {"CREATE TABLE WOP (WONUM VARCHAR(10) COLLATE NOCASE, EQNUM VARCHAR(25) COLLATE NOCASE, "
                               "QTYUSED DOUBLE, ITEMCOST CURRENCY REAL)",
                               "INSERT INTO WOP VALUES ('W1','P1',2,3.5), ('W1','p1',3,1.25), ('W2','P1',7,1)"});
    db->invalidateSchema();
    auto rs = db->OpenRecordset("SELECT Sum(QTYUSED) AS SumQtyUsed FROM WOP WHERE WONUM = 'W1' AND EQNUM = 'P1'",
                                dao::dbOpenSnapshot);
    EXPECT_DOUBLE_EQ(rs->Fields("SumQtyUsed").Value().toDouble(), 5.0);
    auto none = db->OpenRecordset("SELECT Sum(QTYUSED) AS SumQtyUsed FROM WOP WHERE WONUM = 'W9'");
    EXPECT_TRUE(none->Fields("SumQtyUsed").Value().isNull());
}

TEST_F(DbTest, JoinAsATableListOrderedBySequence)
{
    testsupport::RunSql(path, {
        "CREATE TABLE TSKINSTR (TASKNUM VARCHAR(15) COLLATE NOCASE, SEQUENCENUM SMALLINT, INSTRCODE VARCHAR(10) COLLATE NOCASE)",
        "CREATE TABLE INSTR (INSTRCODE VARCHAR(10) COLLATE NOCASE, INSTRTEXT LONGTEXT COLLATE NOCASE)",
        "INSERT INTO TSKINSTR VALUES ('T''1', 3, 'C'), ('T''1', 1, 'A'), ('T''1', 2, 'B'), ('T2', 1, 'A')",
        "INSERT INTO INSTR VALUES ('A', 'first'), ('B', NULL), ('c', 'third')",
    });
    db->invalidateSchema();
    auto rs = db->OpenRecordset("Select INSTRTEXT from TSKINSTR,INSTR Where TSKINSTR.TASKNUM = 'T''1' And "
                                "TSKINSTR.INSTRCODE = INSTR.INSTRCODE Order by SEQUENCENUM");
    QStringList seen;
    for (; !rs->EOF_(); rs->MoveNext())
        seen << (rs->Fields("INSTRTEXT").Value().isNull() ? "<Null>" : rs->Fields("INSTRTEXT").Value().toText());
    EXPECT_EQ(seen, QStringList({"first", "<Null>", "third"}));
}

TEST_F(DbTest, TextComparisonAndOrderIgnoreCase)
{
    for (const char* n : {"b2", "A1", "B1", "a2"})
        addEquip(n);
    auto rs = db->OpenRecordset("Select * from EQUIP Where EQNUM = 'B2'");
    EXPECT_EQ(rs->RecordCount(), 1);
    rs = db->OpenRecordset("Select * from EQUIP Order by EQNUM DESC");
    QStringList seen;
    for (; !rs->EOF_(); rs->MoveNext())
        seen << rs->Fields("EQNUM").Value().toText();
    EXPECT_EQ(seen, QStringList({"b2", "B1", "a2", "A1"}));
}

TEST_F(DbTest, EveryLetterComparesWithoutItsCaseWhileAsciiTextsKeepTheIndex)
{
    for (const char* n : {"pümpe-1", "PUMPE-2", "Straße-3", "ΣΊΓΜΑ"})
        addEquip(QString::fromUtf8(n));
    addEquip(Variant());
    auto count = [&](const char* where) {
        return db->OpenRecordset("Select * from EQUIP Where " + QString::fromUtf8(where))->RecordCount();
    };
    EXPECT_EQ(count("EQNUM = 'pumpe-2'"), 1);
    EXPECT_EQ(count("EQNUM = 'PÜMPE-1'"), 1);  // the shape of an ASCII text is not the one used
    EXPECT_EQ(count("EQNUM = 'PUMPE-2'"), 1);  // and back
    EXPECT_EQ(count("EQNUM = 'PUMPE-1'"), 0);  // Ü is not U
    EXPECT_EQ(count("EQNUM = 'STRAẞE-3'"), 1);
    EXPECT_EQ(count("EQNUM = 'σίγμα'"), 1);   // nothing ASCII to narrow the rows down by
    EXPECT_EQ(count("EQNUM <> 'PÜMPE-1'"), 3);  // Null is neither equal nor unequal
    EXPECT_EQ(count("Not EQNUM = 'PÜMPE-1'"), 3);
    EXPECT_EQ(count("EQNUM = 'PÜMPE-1' Or EQNUM = 'Straße-3' And DESCRIPTION Is Null"), 2);
    db->Execute("Update EQUIP Set EQNUM = 'Pümpe-1' Where EQNUM = 'PÜMPE-1'", dao::dbFailOnError);
    EXPECT_EQ(db->RecordsAffected(), 1);

    // An index still finds both kinds of text.
    auto plan = [&](const char* where) {
        const QByteArray sql =
            ("EXPLAIN QUERY PLAN " + dao::TranslateJetSql("Select * from EQUIP Where " + QString::fromUtf8(where)).sql)
                .toUtf8();
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db->handle(), sql.constData(), -1, &st, nullptr), SQLITE_OK) << sql.constData();
        QString detail;
        while (st && sqlite3_step(st) == SQLITE_ROW)
            detail += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        return detail.toStdString();
    };
    const std::string ascii = plan("EQNUM = 'PUMPE-2'"), beyond = plan("EQNUM = 'PÜMPE-1'");
    EXPECT_NE(ascii.find("USING INDEX EQNUM_UNIQUE (EQNUM=?)"), std::string::npos) << ascii;
    EXPECT_NE(beyond.find("USING INDEX EQNUM_UNIQUE (EQNUM>? AND EQNUM<?)"), std::string::npos) << beyond;

    // The file names nothing of ours: a plain SQLite connection writes to it, with its own NOCASE.
    dao::Idle(dao::dbRefreshCache);
    EXPECT_EQ(testsupport::QueryText(path, "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%JETCASE%'"), "0");
    testsupport::RunSql(path, {"INSERT INTO EQUIP (EQNUM) VALUES ('PÜMPE-1')", "PRAGMA integrity_check"});
    EXPECT_EQ(count("EQNUM = 'pümpe-1'"), 2);
}

TEST_F(DbTest, ExecuteWithoutFailOnErrorSkipsRowsItCannotChange)
{
    addEquip("A");
    addEquip("B");
    addEquip("CA");
    // Rewriting every number to 'A' collides with the unique index.
    db->Execute("Update EQUIP Set EQNUM = 'A' Where EQNUM <> 'A'");
    EXPECT_EQ(db->OpenRecordset("Select * from EQUIP Where EQNUM = 'A'")->RecordCount(), 1);
    EXPECT_DAO_ERROR(3022, db->Execute("Update EQUIP Set EQNUM = 'A' Where EQNUM = 'B'", dao::dbFailOnError));
    // a failing statement changes nothing at all
    EXPECT_DAO_ERROR(3022, db->Execute("Update EQUIP Set EQNUM = 'X'", dao::dbFailOnError));
    EXPECT_EQ(db->OpenRecordset("Select * from EQUIP Where EQNUM = 'X'")->RecordCount(), 0);
}

TEST_F(DbTest, UnknownConstructsAndNamesRaise)
{
    EXPECT_DAO_ERROR(3085, db->OpenRecordset("Select * from EQUIP where UCase(EQNUM) = 'A'"));
    EXPECT_DAO_ERROR(3078, db->OpenRecordset("Select * from NOSUCH"));
    EXPECT_DAO_ERROR(3078, db->OpenRecordset("NOSUCH", dao::dbOpenTable));
    EXPECT_DAO_ERROR(3061, db->OpenRecordset("Select * from EQUIP where NOSUCHCOL = 1"));
    EXPECT_DAO_ERROR(3075, db->Execute("Update EQUIP Set EQNUM = 'unclosed"));
    EXPECT_DAO_ERROR(3075, db->Execute("Drop Table EQUIP"));
    EXPECT_DAO_ERROR(3065, db->Execute("Select * from EQUIP"));
}

TEST(SqlTranslator, JetFormsBecomeSqliteFormsWithLiteralsAsParameters)
{
    using dao::TranslateJetSql;
    auto t = TranslateJetSql("Delete * from EQUIP where EQNUM = ''");
    EXPECT_EQ(t.sql, "DELETE FROM \"EQUIP\" WHERE \"EQNUM\" = ?1");
    EXPECT_EQ(t.params, std::vector<Variant>({Variant("")}));
    t = TranslateJetSql("Update WOE Set EQNUM = \"A\" & 'B' where X = True And N = -2.5 And D = #12/31/1999 1:30 PM#");
    EXPECT_EQ(t.sql, "UPDATE \"WOE\" SET \"EQNUM\" = ?1 || ?2 WHERE \"X\" = 1 AND \"N\" = - ?3 AND \"D\" = ?4");
    EXPECT_EQ(t.params, std::vector<Variant>({Variant("A"), Variant("B"), Variant(2.5), Variant("1999-12-31 13:30:00")}));
    t = TranslateJetSql("Select * from T where N Like 'A*_?'");
    EXPECT_EQ(t.sql, "SELECT * FROM \"T\" WHERE \"N\" LIKE ?1 ESCAPE '\\'");
    EXPECT_EQ(t.params, std::vector<Variant>({Variant("A%\\__")}));
    // Two rows of the same shape share one statement text.
    EXPECT_EQ(TranslateJetSql("Select * from INVVEND Where ITEMNUM = 'A''1'").sql,
              TranslateJetSql("Select * from INVVEND Where ITEMNUM = 'B2'").sql);
    t = TranslateJetSql("Select * from WOE Where WONUM = 'W1' Order by WONUM, EQNUM");
    EXPECT_TRUE(t.singleTableStar);
    EXPECT_EQ(t.table, "WOE");
    EXPECT_EQ(t.where, "\"WONUM\" = ?1");
    EXPECT_EQ(t.whereParams, std::vector<Variant>({Variant("W1")}));
    EXPECT_EQ(t.orderBy, "\"WONUM\", \"EQNUM\"");
    EXPECT_EQ(TranslateJetSql("Select A, B from T Order by 2").sql, "SELECT \"A\", \"B\" FROM \"T\" ORDER BY 2");
    EXPECT_FALSE(TranslateJetSql("Select * from A, B where A.X = B.X").singleTableStar);
    EXPECT_EQ(TranslateJetSql("Insert Into EQUIP (EQNUM, QTY) Values ('A', 2)").sql,
              "INSERT INTO \"EQUIP\" (\"EQNUM\", \"QTY\") VALUES (?1, ?2)");
    EXPECT_THROW(TranslateJetSql("Select * from T where D = #31/31/2020#"), dao::DaoError);
}

TEST_F(DbTest, QueriesStayCorrectPastTheStatementCache)
{
    for (int i = 0; i < 3 * dao::Database::kStatementCacheSize; ++i) {
        addEquip(QString("P%1").arg(i));
        auto rs = db->OpenRecordset(QString("Select * from EQUIP where EQNUM = 'P%1' And QTY Is Null").arg(i));
        ASSERT_EQ(rs->RecordCount(), 1);
        // the cache is emptied and refilled along the way
        auto sum = db->OpenRecordset(QString("SELECT Count(*) AS N FROM EQUIP WHERE EQNUM <> 'P%1'").arg(i));
        ASSERT_EQ(sum->Fields("N").Value(), Variant(static_cast<long long>(i)));
    }
}

// The conversions send the same statements once per row with other values in them. Statements of
// one shape share a translation, small selections are read whole when opened, and only the fields
// asked for are turned into values: none of this may change what a statement finds or a field reads.
#include "DbFixture.h"

#include "db/JetDate.h"
#include "db/SqlTranslator.h"
#include "support/SqliteFile.h"

using dao::TranslateJetSql;
using dao::Variant;

TEST(SqlTranslator, StatementsOfOneShapeGetTheirOwnValues)
{
    // Each pair: the first statement makes the shape's translation, the second only reuses it.
    const auto first = TranslateJetSql("Select * from WOE Where WONUM = 'W1' And EQNUM = 'P''1'");
    const auto second = TranslateJetSql("Select * from WOE Where WONUM = 'W''2' And EQNUM = \"[x]#\"");
    EXPECT_EQ(first.sql, second.sql);
    EXPECT_EQ(second.params, std::vector<Variant>({Variant("W'2"), Variant("[x]#")}));
    EXPECT_EQ(second.whereParams, second.params);
    EXPECT_EQ(second.rowsSql, "SELECT rowid, * FROM \"WOE\" WHERE \"WONUM\" = ?1 AND \"EQNUM\" = ?2 ORDER BY rowid");

    // Like patterns, dates in both of Jet's forms, and a number that is part of the shape.
    TranslateJetSql("Select * from T where N Like 'A*' And D = #2001-02-03 04:05:06# And K = 7");
    const auto like = TranslateJetSql("Select * from T where N Like 'B?%' And D = #12/31/1999 1:30 PM# And K = 7");
    EXPECT_EQ(like.params, std::vector<Variant>({Variant("B_\\%"), Variant("1999-12-31 13:30:00"), Variant(qint64(7))}));
    const auto other = TranslateJetSql("Select * from T where N Like 'A*' And D = #2001-02-03# And K = 8");
    EXPECT_EQ(other.params.back(), Variant(qint64(8)));

    // A bad date in a known shape is still refused, and the shape still serves good ones.
    EXPECT_THROW(TranslateJetSql("Select * from T where N Like 'A*' And D = #31/31/2020# And K = 7"), dao::DaoError);
    EXPECT_EQ(TranslateJetSql("Select * from T where N Like 'C' And D = #1/2/2003# And K = 7").params[1],
              Variant("2003-01-02 00:00:00"));

    // A literal in an order list is written into the text, so such a shape is never shared.
    const auto o1 = TranslateJetSql("Select * from T Order by 'a'");
    const auto o2 = TranslateJetSql("Select * from T Order by 'b'");
    EXPECT_NE(o1.orderBy, o2.orderBy);

    // Delete drops its column list: the parameters still follow the literals.
    TranslateJetSql("Delete * from EQUIP where EQNUM = 'A' And DESCRIPTION = 'B'");
    EXPECT_EQ(TranslateJetSql("Delete * from EQUIP where EQNUM = 'C' And DESCRIPTION = 'D'").params,
              std::vector<Variant>({Variant("C"), Variant("D")}));

    // An unclosed literal is an error every time, not a shape.
    EXPECT_THROW(TranslateJetSql("Select * from T where N = 'open"), dao::DaoError);
    EXPECT_THROW(TranslateJetSql("Select * from T where N = 'open"), dao::DaoError);
}

TEST_F(DbTest, SmallSelectionsReadWholeStillSeeLaterWrites)
{
    for (int i = 0; i < 100; ++i)
        addEquip(QString("P%1").arg(i, 3, 10, QChar('0')), QString("d%1").arg(i));
    // More rows than are read with the selection: the later ones are read one by one.
    auto rs = db->OpenRecordset("Select * from EQUIP where EQNUM Like 'P*'");
    auto other = db->OpenRecordset("Select * from EQUIP where EQNUM = 'P050'");
    other->Edit();
    other->Fields("DESCRIPTION") = "changed";
    other->Update();
    int seen = 0;
    for (; !rs->EOF_(); rs->MoveNext(), ++seen) {
        const QString eqnum = rs->Fields("EQNUM").Value().toText();
        const QString expected = eqnum == "P050" ? QString("changed") : "d" + QString::number(eqnum.mid(1).toInt());
        EXPECT_EQ(rs->Fields("description").Value().toText(), expected) << eqnum.toStdString();
    }
    EXPECT_EQ(seen, 100);

    // A row deleted after the selection was read is deleted for it too.
    auto two = db->OpenRecordset("Select * from EQUIP where EQNUM = 'P001' Or EQNUM = 'P002'");
    db->Execute("Delete * from EQUIP where EQNUM = 'P001'");
    EXPECT_DAO_ERROR(3167, two->Fields("EQNUM").Value());
    two->MoveNext();
    EXPECT_EQ(two->Fields("EQNUM").Value(), Variant("P002"));
}

TEST_F(DbTest, StoredValuesOfAnotherKindReadAsBefore)
{
    // Values another program (or an older import) stored in a form of their own.
    testsupport::RunSql(path, {"INSERT INTO EQUIP (EQNUM, DESCRIPTION, INSTALLED, ACTIVE, QTY, AVG) VALUES "
                               "(12, 3.5, 36526.5, 'yes', '7x', '2.5x')",
                               "INSERT INTO EQUIP (EQNUM, INSTALLED, ACTIVE, NOTES) VALUES "
                               "('Ünïcode', 'not a date', 2.7, 'tab\there\r\nline ü €')"});
    db->Close();
    db = dao::Database::OpenDatabase(path);
    auto rs = db->OpenRecordset("Select * from EQUIP where EQNUM = '12' Or EQNUM = 'Ünïcode' Order by INSTALLED");
    ASSERT_EQ(rs->RecordCount(), 2);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("12"));
    EXPECT_EQ(rs->Fields("DESCRIPTION").Value(), Variant("3.5"));
    EXPECT_EQ(rs->Fields("INSTALLED").Value(), Variant(dao::dateFromJet(36526.5)));
    EXPECT_EQ(rs->Fields("ACTIVE").Value(), Variant(false));  // SQLite's integer of 'yes' is 0
    EXPECT_EQ(rs->Fields("QTY").Value(), Variant("7x"));
    EXPECT_EQ(rs->Fields("AVG").Value(), Variant("2.5x"));
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("Ünïcode"));
    EXPECT_EQ(rs->Fields("INSTALLED").Value(), Variant("not a date"));
    EXPECT_EQ(rs->Fields("ACTIVE").Value(), Variant(true));
    EXPECT_EQ(rs->Fields("NOTES").Value(), Variant("tab\there\r\nline ü €"));
    EXPECT_EQ(rs->Fields("Notes").Name(), "NOTES");
    EXPECT_DAO_ERROR(3265, rs->Fields("NOTE"));
    EXPECT_DAO_ERROR(3265, rs->Fields("NOTESX"));
}

TEST(JetDates, IsoFormMatchesQtsFormattingOverTheYears)
{
    for (double day = -657434; day < 2958465; day += 997.37) {
        const QDateTime d = dao::dateFromJet(day);
        EXPECT_EQ(dao::isoFromDate(d), d.date().toString("yyyy-MM-dd") + ' ' + d.time().toString("HH:mm:ss")) << day;
        EXPECT_EQ(dao::dateFromIso(dao::isoFromDate(d)), d) << day;
    }
    // The reader's direct form, over Jet's whole range with times that round up to the next day.
    for (double day : {-657434.0, -657433.99999, -1.5, -0.5, -0.0000001, 0.0, 0.99999999, 1.0, 59.5, 60.0, 61.0,
                       36585.999994, 2958465.99999}) {
        char iso[dao::kIsoDateLength];
        dao::isoFromJet(day, iso);
        EXPECT_EQ(QString::fromLatin1(iso, dao::kIsoDateLength), dao::isoFromDate(dao::dateFromJet(day))) << day;
    }
    for (double day = -657434; day < 2958466; day += 123.4567) {
        char iso[dao::kIsoDateLength];
        dao::isoFromJet(day, iso);
        ASSERT_EQ(QString::fromLatin1(iso, dao::kIsoDateLength), dao::isoFromDate(dao::dateFromJet(day))) << day;
    }
    EXPECT_EQ(dao::isoFromDate(QDateTime()), " ");
}

TEST_F(DbTest, SkippedAutonumbersAreTheNumbersAddAndDeleteWouldTake)
{
    // One table numbered by adding and deleting, the other by skipping: the next numbers agree.
    testsupport::RunSql(path, {"CREATE TABLE Twin (Id INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(15) COLLATE NOCASE)"});
    db->Close();
    db = dao::Database::OpenDatabase(path);
    EXPECT_FALSE(db->SkipAutoNumbers("Twin", 3));  // nothing numbered yet
    for (const char* table : {"Twin", "Employee"}) {
        auto rs = db->OpenRecordset(table, dao::dbOpenTable);
        for (int i = 0; i < 4; ++i) {
            rs->AddNew();
            rs->Fields("Name") = "n";
            rs->Update();
        }
    }
    db->Execute("Delete * from Employee where Id = 4");
    db->Execute("Delete * from Twin where Id = 4");
    auto added = db->OpenRecordset("Select * from Employee", dao::dbOpenDynaset);
    for (int i = 0; i < 5; ++i) {
        added->AddNew();
        added->Fields("Name") = "x";
        added->Update();
        added->SetBookmark(added->LastModified());
        added->Delete();
    }
    EXPECT_TRUE(db->SkipAutoNumbers("Twin", 5));
    for (const char* table : {"Twin", "Employee"}) {
        auto rs = db->OpenRecordset(table, dao::dbOpenTable);
        rs->AddNew();
        rs->Fields("Name") = "next";
        rs->Update();
        EXPECT_EQ(rs->LastModified(), 10) << table;
    }
    EXPECT_DAO_ERROR(3251, db->SkipAutoNumbers("EQUIP", 1));  // no autonumber
}

TEST_F(DbTest, RecordsThatWaitAreNumberedAndSeenAsIfWrittenAtOnce)
{
    // On a file of the run's own, records added one after the other wait to be written together; their
    // numbers, what a reading finds and what a rollback drops are as if each had been written at once.
    db->SetPrivateToThisRun();
    auto employees = db->OpenRecordset("Employee", dao::dbOpenTable);
    const auto add = [&](const QString& name) {
        employees->AddNew();
        employees->Fields("Name") = name;
        employees->Update();
        return employees->LastModified();
    };
    for (int i = 1; i <= 300; ++i)  // more than wait at once
        ASSERT_EQ(add(QString("e%1").arg(i)), i);
    db->Execute("Delete * from Employee where Id > 298");  // the numbers given stay given
    EXPECT_EQ(add("after"), 301);
    EXPECT_EQ(db->OpenRecordset("Select * from Employee Where Name = 'after'")->RecordCount(), 1);
    dao::Idle();
    EXPECT_EQ(testsupport::QueryText(path, "SELECT group_concat(Id) FROM Employee WHERE Id > 296"), "297,298,301");

    // A table whose unique index may refuse a record writes it at once: the duplicate is refused there.
    addEquip("PUMP-1");
    auto equip = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    equip->AddNew();
    equip->Fields("EQNUM") = "pump-1";
    EXPECT_DAO_ERROR(3022, equip->Update());

    EXPECT_EQ(add("dropped"), 302);
    db->Rollback();
    EXPECT_EQ(db->OpenRecordset("Select * from Employee Where Name = 'dropped'")->RecordCount(), 0);
}

TEST_F(DbTest, RecordsThatWaitStoreEveryValueAsRecordsWrittenAtOnce)
{
    // The same values added to a file of the run's own (where records wait) and to another (where each
    // is written at once): Null and the empty text, a text at its size, numbers at their limits, dates
    // before 1900, currency to round; and the same refusals when they are assigned.
    testsupport::RunSql(path, {"CREATE TABLE Kinds (Id INTEGER PRIMARY KEY AUTOINCREMENT, T VARCHAR(5) COLLATE NOCASE, "
                               "M LONGTEXT COLLATE NOCASE, S SMALLINT, L INT, F FLOAT, D DOUBLE, C CURRENCY REAL, "
                               "W DATETIME, B BOOLEAN NOT NULL DEFAULT 0)"});
    const QString other = dir.filePath("other.vdb");
    QFile::copy(path, other);
    db->Close();
    const auto fill = [](dao::Database& target) {
        auto rs = target.OpenRecordset("Kinds", dao::dbOpenTable);
        const std::vector<std::vector<Variant>> records = {
            {Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(false)},
            {"", "", 0, 0, 0.0, 0.0, 0.0, QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC), true},
            {"abcde", QString(70000, QChar(0x4E2D)), 32767, 2147483647LL, 3.4e38, 1e308, 922337203685477.0,
             QDateTime(QDate(100, 1, 1), QTime(0, 0), Qt::UTC), true},
            {"ÄöÜ'\"", "line\r\nnext", -32768, -2147483648LL, -1.2345678, -0.5, 1.23456789,
             QDateTime(QDate(1753, 1, 1), QTime(23, 59, 59), Qt::UTC), false},
        };
        const char* names[] = {"T", "M", "S", "L", "F", "D", "C", "W", "B"};
        for (const auto& record : records) {
            rs->AddNew();
            for (size_t i = 0; i < record.size(); ++i)
                rs->Fields(names[i]) = record[i];
            rs->Update();
        }
        rs->AddNew();
        EXPECT_DAO_ERROR(3163, rs->Fields("T") = "abcdef");
        EXPECT_DAO_ERROR(3349, rs->Fields("S") = 32768);
        EXPECT_DAO_ERROR(3349, rs->Fields("L") = 2147483648LL);
        rs->CancelUpdate();
        dao::Idle();
    };
    auto own = dao::Database::OpenDatabase(path);
    own->SetPrivateToThisRun();
    fill(*own);
    own->Close();
    auto shared = dao::Database::OpenDatabase(other);
    fill(*shared);
    shared->Close();
    const QString sql = "SELECT count(*) || ';' || group_concat(quote(Id) || quote(T) || quote(M) || quote(S) || "
                        "quote(L) || quote(F) || quote(D) || quote(C) || quote(W) || quote(B), ';') "
                        "FROM (SELECT * FROM Kinds ORDER BY Id)";
    EXPECT_EQ(testsupport::QueryText(path, sql), testsupport::QueryText(other, sql));
    EXPECT_TRUE(testsupport::QueryText(path, sql).startsWith("4;"));
}

TEST_F(DbTest, ATableOpenedToAddListsItsRowsWhenFirstAsked)
{
    addEquip("P1");
    auto rs = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    rs->AddNew();
    rs->Fields("EQNUM") = "P2";
    rs->Update();
    addEquip("P3");  // through another recordset, before this one listed anything
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("P1"));  // still at the first row
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("P3"));
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("P2"));

    auto fresh = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    fresh->Edit();  // the first row is current without any move
    fresh->Fields("DESCRIPTION") = "first";
    fresh->Update();
    EXPECT_EQ(db->OpenRecordset("Select * from EQUIP where DESCRIPTION = 'first'")->Fields("EQNUM").Value(), Variant("P1"));
}

TEST_F(DbTest, RowsReadAheadFollowEditsOfTheirOwnAndOtherRecordsets)
{
    for (int i = 0; i < 150; ++i)
        addEquip(QString("P%1").arg(i, 3, 10, QChar('0')), "d");
    auto rs = db->OpenRecordset("Select * from EQUIP Order by EQNUM");  // read row by row, no condition
    auto other = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    int seen = 0;
    for (; !rs->EOF_(); rs->MoveNext(), ++seen) {
        const QString eqnum = rs->Fields("EQNUM").Value().toText();
        // Rows edited ahead by another recordset, after this one read them ahead, show the edit.
        EXPECT_EQ(rs->Fields("DESCRIPTION").Value().toText(), seen % 10 == 5 ? "other" : "d") << eqnum.toStdString();
        rs->Edit();
        rs->Fields("DESCRIPTION") = "own";
        rs->Update();
        EXPECT_EQ(rs->Fields("DESCRIPTION").Value().toText(), "own");
        if (seen % 10 == 4 && seen + 1 < 150) {
            other->SetBookmark(rs->Bookmark() + 1);
            other->Edit();
            other->Fields("DESCRIPTION") = "other";
            other->Update();
        }
        if (seen == 70)  // the later rows move up one position; the next move reaches P071
            rs->Delete();
        if (seen == 71)
            EXPECT_EQ(eqnum, "P071");
    }
    EXPECT_EQ(seen, 150);
    auto check = db->OpenRecordset("Select * from EQUIP where DESCRIPTION <> 'own'");
    EXPECT_TRUE(check->EOF_());
}

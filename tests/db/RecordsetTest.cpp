// Navigation and editing through table, dynaset and snapshot recordsets.
#include "DbFixture.h"

using dao::Variant;

TEST_F(DbTest, EmptyRecordsetIsAtBothEnds)
{
    auto rs = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    EXPECT_TRUE(rs->BOF());
    EXPECT_TRUE(rs->EOF_());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_DAO_ERROR(3021, rs->MoveLast());
    EXPECT_DAO_ERROR(3021, rs->Fields("EQNUM").Value());
}

TEST_F(DbTest, TableRecordsetReturnsStoredOrderAndExactCount)
{
    for (const char* n : {"Z9", "A1", "M5"})
        addEquip(n);
    auto rs = db->OpenRecordset("equip");  // names match without regard to case
    EXPECT_EQ(rs->RecordCount(), 3);
    QStringList seen;
    for (; !rs->EOF_(); rs->MoveNext())
        seen << rs->Fields("eqnum").Value().toText();
    EXPECT_EQ(seen, QStringList({"Z9", "A1", "M5"}));
    EXPECT_DAO_ERROR(3021, rs->MoveNext());
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("M5"));
    rs->MovePrevious();
    rs->MovePrevious();
    rs->MovePrevious();
    EXPECT_TRUE(rs->BOF());
    EXPECT_DAO_ERROR(3265, rs->Fields("NOSUCH"));
}

TEST_F(DbTest, IndexSelectsTheOrderOfATableRecordset)
{
    for (const char* n : {"Z9", "a1", "M5"})
        addEquip(n);
    auto rs = db->OpenRecordset("EQUIP", dao::dbOpenTable);
    rs->SetIndex("EQNUM_UNIQUE");
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("a1"));
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("Z9"));
    EXPECT_DAO_ERROR(3015, rs->SetIndex("NoSuchIndex"));
}

TEST_F(DbTest, AddedRowBecomesCurrentThroughLastModified)
{
    auto rs = db->OpenRecordset("Employee", dao::dbOpenDynaset);
    for (const char* n : {"E1", "E2"}) {
        rs->AddNew();
        rs->Fields("EmployeeNum") = n;
        rs->Fields("Name") = QString("Name of ") + n;
        rs->Update();
    }
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(rs->Fields("EmployeeNum").Value(), Variant("E2"));
    EXPECT_EQ(rs->Fields("Id").Value(), Variant(2LL));
}

TEST_F(DbTest, EditChangesOnlyTheCurrentRow)
{
    addEquip("P1", "one");
    addEquip("P2", "two");
    auto rs = db->OpenRecordset("Select * from EQUIP where EQNUM = 'p2'");
    ASSERT_EQ(rs->RecordCount(), 1);
    rs->Edit();
    rs->Fields("DESCRIPTION") = "changed";
    EXPECT_EQ(rs->Fields("DESCRIPTION").Value(), Variant("changed"));  // the edit buffer reads back
    rs->Update();
    auto all = db->OpenRecordset("EQUIP");
    EXPECT_EQ(all->Fields("DESCRIPTION").Value(), Variant("one"));
    all->MoveNext();
    EXPECT_EQ(all->Fields("DESCRIPTION").Value(), Variant("changed"));
    EXPECT_DAO_ERROR(3020, all->Fields("DESCRIPTION") = "no edit");
}

TEST_F(DbTest, DeleteLeavesTheCursorBeforeTheNextRow)
{
    for (const char* n : {"A", "B", "C"})
        addEquip(n);
    auto rs = db->OpenRecordset("EQUIP");
    rs->MoveNext();
    rs->Delete();
    EXPECT_DAO_ERROR(3167, rs->Fields("EQNUM").Value());
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("C"));
    rs->Delete();
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(DbTest, AutonumbersAreNeverReused)
{
    auto rs = db->OpenRecordset("Employee");
    for (int i = 0; i < 3; ++i) {
        rs->AddNew();
        rs->Fields("Name") = "n";
        rs->Update();
    }
    rs->MoveLast();
    rs->Delete();
    db->Execute("Delete * from Employee", dao::dbFailOnError);
    rs = db->OpenRecordset("Employee");
    rs->AddNew();
    rs->Fields("Name") = "n";
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(rs->Fields("Id").Value(), Variant(4LL));
}

TEST_F(DbTest, UniqueIndexRefusesADuplicateOnUpdateIgnoringCase)
{
    addEquip("PUMP-1");
    addEquip(QString::fromUtf8("PÜMPE-1"));
    addEquip(Variant());
    addEquip(Variant());  // Nulls are never duplicates
    auto rs = db->OpenRecordset("EQUIP");
    rs->AddNew();
    rs->Fields("EQNUM") = "pump-1";
    EXPECT_DAO_ERROR(3022, rs->Update());
    // The index folds ASCII letters only; the layer folds the others.
    rs->AddNew();
    rs->Fields("EQNUM") = QString::fromUtf8("pümpe-1");
    EXPECT_DAO_ERROR(3022, rs->Update());
    rs->CancelUpdate();
    rs->MoveFirst();
    rs->Edit();
    rs->Fields("EQNUM") = QString::fromUtf8("PÜMPE-1");
    EXPECT_DAO_ERROR(3022, rs->Update());
    rs->MoveNext();
    rs->Edit();
    rs->Fields("EQNUM") = QString::fromUtf8("Pümpe-1");  // the row itself in another case
    rs->Update();
    EXPECT_EQ(db->OpenRecordset("Select * from EQUIP Where EQNUM = 'pümpe-1'")->RecordCount(), 1);
}

TEST_F(DbTest, SnapshotsAndAggregatesAreReadOnly)
{
    addEquip("A");
    auto snap = db->OpenRecordset("EQUIP", dao::dbOpenSnapshot);
    EXPECT_DAO_ERROR(3027, snap->AddNew());
    auto sum = db->OpenRecordset("SELECT Count(*) AS N FROM EQUIP");
    EXPECT_DAO_ERROR(3027, sum->Edit());
    EXPECT_EQ(sum->Fields("N").Value(), Variant(1LL));
}

TEST_F(DbTest, MovingAbandonsAPendingAddNew)
{
    addEquip("A");
    auto rs = db->OpenRecordset("EQUIP");
    rs->AddNew();
    rs->Fields("EQNUM") = "never stored";
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("EQNUM").Value(), Variant("A"));
    EXPECT_EQ(rs->RecordCount(), 1);
}

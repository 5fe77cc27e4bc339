-- BlnkVtrx.vdb: the product's blank database. A new database is a byte copy of this file.
--
-- Column declarations follow the layer's convention (src/db/FieldType.h):
--   VARCHAR(n) COLLATE NOCASE  Text(n)        LONGTEXT COLLATE NOCASE  Memo
--   SMALLINT                   Integer        INT                      Long
--   INTEGER PRIMARY KEY AUTOINCREMENT          AutoNumber (never reused)
--   CURRENCY REAL              Currency       DOUBLE                   Double
--   DATETIME                   Date/Time      BOOLEAN NOT NULL DEFAULT 0  Yes/No
--
-- Sizes. Jet text columns hold at most 255 characters, so a Text(255) field takes any MP2 text
-- column whole; every field that receives an MP2 text without cutting it is 255 wide. The narrow
-- fields are those the import cuts to size itself: Address2 (and the vendor's Address) 50, Phone
-- and Fax 25, Equipment# 30. Composed texts that may outgrow 255 are memos.
--
-- Indexes. The layer shows a table's autonumber key as its index "PrimaryKey". WO carries that
-- index in the file as well, under that name; index names are database-wide in SQLite, so no other
-- table can. TaskEq's index "Task#" is the product's unique key of a schedule. Lookup indexes that
-- no recordset selects by name are called lookup_<table>_<field>.

CREATE TABLE "Facility" (
    "Id"        INTEGER PRIMARY KEY AUTOINCREMENT,
    "Name"      VARCHAR(255) COLLATE NOCASE,
    "Address"   VARCHAR(255) COLLATE NOCASE,
    "Address2"  VARCHAR(50) COLLATE NOCASE,
    "City"      VARCHAR(255) COLLATE NOCASE,
    "State"     VARCHAR(255) COLLATE NOCASE,
    "Zip"       VARCHAR(255) COLLATE NOCASE,
    "Country"   VARCHAR(255) COLLATE NOCASE,
    "Phone"     VARCHAR(25) COLLATE NOCASE,
    "Fax"       VARCHAR(25) COLLATE NOCASE,
    "Contact"   VARCHAR(255) COLLATE NOCASE
);

CREATE TABLE "Equipment" (
    "Id"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "Equipment#"    VARCHAR(30) COLLATE NOCASE NOT NULL,
    "Description"   VARCHAR(255) COLLATE NOCASE,
    "Location"      VARCHAR(255) COLLATE NOCASE,
    "OrigCost"      CURRENCY REAL,
    "Metered"       BOOLEAN NOT NULL DEFAULT 0,
    "Units"         VARCHAR(255) COLLATE NOCASE,
    "AvgPerDay"     DOUBLE,
    "SignalTag"     VARCHAR(255) COLLATE NOCASE,
    "Stat"          VARCHAR(50) COLLATE NOCASE,
    "ScaleFactor"   DOUBLE,
    "Notes"         LONGTEXT COLLATE NOCASE,
    "Status"        SMALLINT DEFAULT 0,
    "EquipmentUD1"  VARCHAR(255) COLLATE NOCASE,
    "EquipmentUD2"  VARCHAR(255) COLLATE NOCASE,
    "EquipmentUD3"  VARCHAR(255) COLLATE NOCASE
);
-- Not unique: the import keeps numbers that differ only in letter case apart, as MP2 did.
CREATE INDEX "lookup_Equipment_Equipment#" ON "Equipment" ("Equipment#");

CREATE TABLE "Employee" (
    "Id"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "EmployeeNum"   VARCHAR(255) COLLATE NOCASE,
    "LastName"      VARCHAR(255) COLLATE NOCASE,
    "FirstName"     VARCHAR(255) COLLATE NOCASE,
    "Name"          VARCHAR(255) COLLATE NOCASE,
    "Address"       VARCHAR(255) COLLATE NOCASE,
    "Address2"      VARCHAR(50) COLLATE NOCASE,
    "City"          VARCHAR(255) COLLATE NOCASE,
    "State"         VARCHAR(255) COLLATE NOCASE,
    "Zip"           VARCHAR(255) COLLATE NOCASE,
    "Country"       VARCHAR(255) COLLATE NOCASE,
    "Phone"         VARCHAR(25) COLLATE NOCASE,
    "HireDate"      DATETIME,
    "Notes"         LONGTEXT COLLATE NOCASE,
    "Status"        SMALLINT DEFAULT 0
);
CREATE INDEX "lookup_Employee_EmployeeNum" ON "Employee" ("EmployeeNum");

CREATE TABLE "Task" (
    "Task#"           INTEGER PRIMARY KEY AUTOINCREMENT,
    "Description"     VARCHAR(255) COLLATE NOCASE NOT NULL,
    "Ref"             VARCHAR(255) COLLATE NOCASE,
    "Instructions"    LONGTEXT COLLATE NOCASE,
    "TaskPriorityId"  SMALLINT,
    "EmployeeId"      INT,
    "Status"          SMALLINT DEFAULT 0
);
CREATE INDEX "lookup_Task_Description" ON "Task" ("Description");

-- One schedule per task and piece of equipment: the unique index "Task#" rejects a second one.
CREATE TABLE "TaskEq" (
    "Id"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "Task#"         INT NOT NULL,
    "Equipment#"    VARCHAR(30) COLLATE NOCASE NOT NULL,
    "ScheduleBy"    VARCHAR(10) COLLATE NOCASE,
    "DayFrequency"  INT,
    "NextDueDate"   DATETIME,
    "ScheduleType"  VARCHAR(10) COLLATE NOCASE,
    "AssignedTo"    SMALLINT
);
CREATE UNIQUE INDEX "Task#" ON "TaskEq" ("Task#", "Equipment#");

CREATE TABLE "Meter Readings" (
    "Id"          INTEGER PRIMARY KEY AUTOINCREMENT,
    "Equipment#"  VARCHAR(30) COLLATE NOCASE NOT NULL,
    "Date"        DATETIME NOT NULL,
    "Value"       DOUBLE NOT NULL
);
CREATE INDEX "lookup_Meter Readings_Equipment#" ON "Meter Readings" ("Equipment#", "Date");

-- Work orders. No field but the key is required: the import numbers its history by adding and
-- deleting empty records.
CREATE TABLE "WO" (
    "WoNum"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "Task#"            INT,
    "Equipment#"       VARCHAR(30) COLLATE NOCASE,
    "AssignedTo"       SMALLINT,
    "DateComplete"     DATETIME,
    "DueDate"          DATETIME,
    "MiscCost"         CURRENCY REAL,
    "TotalCost"        CURRENCY REAL,
    "LaborCost"        CURRENCY REAL,
    "InvyCost"         CURRENCY REAL,
    "TotalLaborHours"  DOUBLE,
    "Notes"            LONGTEXT COLLATE NOCASE,
    "WoType"           VARCHAR(20) COLLATE NOCASE,
    "RecType"          SMALLINT
);
CREATE UNIQUE INDEX "PrimaryKey" ON "WO" ("WoNum");
CREATE INDEX "lookup_WO_RecType" ON "WO" ("RecType");

CREATE TABLE "WoLabor" (
    "Id"       INTEGER PRIMARY KEY AUTOINCREMENT,
    "WoNum"    INT NOT NULL,
    "EmpId"    INT,
    "Date"     DATETIME,
    "Hours"    DOUBLE,
    "Cost"     CURRENCY REAL,
    "Notes"    LONGTEXT COLLATE NOCASE,
    "RecType"  SMALLINT
);
CREATE INDEX "lookup_WoLabor_WoNum" ON "WoLabor" ("WoNum");

-- Description holds the part's MP2 description followed by the MP2 work-order number.
CREATE TABLE "WoItems" (
    "Id"           INTEGER PRIMARY KEY AUTOINCREMENT,
    "WoNum"        INT NOT NULL,
    "ItemId"       INT,
    "Qty"          DOUBLE,
    "UOM"          VARCHAR(255) COLLATE NOCASE,
    "Description"  LONGTEXT COLLATE NOCASE,
    "RecType"      SMALLINT
);
CREATE INDEX "lookup_WoItems_WoNum" ON "WoItems" ("WoNum");

-- Name grows by a number suffix when MP2 holds the same vendor name twice.
CREATE TABLE "Vendor" (
    "Id"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "Name"          VARCHAR(255) COLLATE NOCASE NOT NULL,
    "Address"       VARCHAR(50) COLLATE NOCASE,
    "Address2"      VARCHAR(50) COLLATE NOCASE,
    "City"          VARCHAR(255) COLLATE NOCASE,
    "State"         VARCHAR(255) COLLATE NOCASE,
    "Zip"           VARCHAR(255) COLLATE NOCASE,
    "Country"       VARCHAR(255) COLLATE NOCASE,
    "ContactName1"  VARCHAR(255) COLLATE NOCASE,
    "Phone"         VARCHAR(25) COLLATE NOCASE,
    "Ext"           VARCHAR(255) COLLATE NOCASE,
    "Fax"           VARCHAR(25) COLLATE NOCASE,
    "TaxRate1"      DOUBLE,
    "TaxRate2"      DOUBLE,
    "Notes"         LONGTEXT COLLATE NOCASE,
    "Status"        SMALLINT DEFAULT 0
);
CREATE INDEX "lookup_Vendor_Name" ON "Vendor" ("Name");

CREATE TABLE "Invy" (
    "Id"            INTEGER PRIMARY KEY AUTOINCREMENT,
    "Item#"         VARCHAR(255) COLLATE NOCASE NOT NULL,
    "Description"   VARCHAR(255) COLLATE NOCASE,
    "UOM"           VARCHAR(255) COLLATE NOCASE,
    "Location"      VARCHAR(255) COLLATE NOCASE,
    "ReorderPoint"  SMALLINT,
    "QtyOnOrder"    SMALLINT,
    "ReorderQty"    DOUBLE,
    "VendorId"      INT,
    "Cost"          DOUBLE,
    "QOH"           DOUBLE,
    "Notes"         LONGTEXT COLLATE NOCASE,
    "Status"        SMALLINT DEFAULT 0
);
CREATE INDEX "lookup_Invy_Item#" ON "Invy" ("Item#");

-- ERP account database, embedded form.
--
-- One script creates an empty account database: the base data, the users and their rights,
-- the sales orders, sales invoices and stock bills with their entries, stock on hand and locks,
-- the change log, the list templates, the numbering tables, the bill service's save options and
-- the account settings, with the triggers that keep row versions and the change log, and the
-- rows every account starts with.
--
-- Conventions:
-- * Declared types follow the account databases on the server (INT, SMALLINT, DECIMAL(28,10),
--   FLOAT, NVARCHAR(n), VARCHAR(n), DATETIME, TIMESTAMP) so that readers can tell the kind of a
--   column from its declaration. UUIDs are text of the form 8-4-4-4-12 in VARCHAR(40).
-- * Every text column compares with ERPTEXT: case-insensitive and blind to trailing blanks, as
--   the server compares text. The connection registers ERPTEXT, NEWID(), GETDATE() and
--   ROWVERSION_BLOB() before this script runs and before any statement touches these tables.
-- * Row versions: a TIMESTAMP column is an 8-byte big-endian BLOB that only the triggers below
--   write, from one database-wide counter that only grows. Every INSERT and every UPDATE of a
--   row gives it a new, larger version; BLOB comparison is then numeric order, so
--   "FOperDate > X'...'" and MAX(FOperDate) work as on the server. Inserting or updating such
--   a column explicitly is refused, as on the server; to start versions at a chosen value,
--   raise t_RowVersionCounter.FLast.
-- * The ERP keeps no foreign keys; IDs refer to other tables by convention only.
-- * The script holds no statement that needs a particular connection setting; it runs in one
--   transaction opened by its caller.

-- ---------------------------------------------------------------------------------------------
-- Row-version counter
-- ---------------------------------------------------------------------------------------------

-- The one row that hands out row versions. FLast is the last version given to any row of any
-- table (0: none yet); the next row change gets FLast + 1. FBusy is non-zero only while a
-- trigger is stamping a row, so that the stamp itself does not count as a further change.
CREATE TABLE t_RowVersionCounter (
  FID INT NOT NULL PRIMARY KEY CHECK (FID = 1),
  FLast INTEGER NOT NULL CHECK (FLast >= 0),
  FBusy INTEGER NOT NULL DEFAULT 0
);

-- A version once given is never given again: the counter cannot go back or disappear.
CREATE TRIGGER trg_RowVersionCounter_NoGoingBack BEFORE UPDATE OF FLast ON t_RowVersionCounter
WHEN NEW.FLast < OLD.FLast
BEGIN
  SELECT RAISE(ABORT, 'The row version counter cannot go back.');
END;

CREATE TRIGGER trg_RowVersionCounter_NoDelete BEFORE DELETE ON t_RowVersionCounter
BEGIN
  SELECT RAISE(ABORT, 'The row version counter cannot be deleted.');
END;

-- Row versions handed out to a writer that has not committed them yet. The account's own writers
-- are serialised and commit a version before a reader can see any higher one, so the table stays
-- empty; a tool that hands versions out ahead of its commit records them here, and readers that
-- page by row version (through ODBC, as on SQL Server with MIN_ACTIVE_ROWVERSION()) stop below
-- the lowest.
CREATE TABLE t_RowVersionHeld (
  FVersion INTEGER NOT NULL PRIMARY KEY
);

-- ---------------------------------------------------------------------------------------------
-- Base data
-- ---------------------------------------------------------------------------------------------

-- The item tree: every member of every item class (1 customer, 2 department, 3 employee,
-- 4 material, 5 warehouse, 8 supplier, 10 branch, ...). FNumber is the code users know; UUID is
-- the key the CRM knows.
CREATE TABLE t_Item (
  FItemID INT NOT NULL PRIMARY KEY,
  FItemClassID INT NOT NULL,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);
CREATE INDEX ix_t_Item_Class_Number ON t_Item (FItemClassID, FNumber);
CREATE INDEX ix_t_Item_UUID ON t_Item (UUID);

-- Material master: stock limits, model and base unit of the materials of t_Item (class 4),
-- under the same FItemID.
CREATE TABLE t_ICItem (
  FItemID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  FModel NVARCHAR(255) COLLATE ERPTEXT,
  FUnitID INT,
  FLowLimit DECIMAL(28,10),
  FHighLimit DECIMAL(28,10),
  FSecInv DECIMAL(28,10)
);
CREATE INDEX ix_t_ICItem_Number ON t_ICItem (FNumber);

-- Customer terms: the carrying days added to an order date for the advised delivery date,
-- under the customer's FItemID of t_Item (class 1).
CREATE TABLE t_Organization (
  FItemID INT NOT NULL PRIMARY KEY,
  FCarryingAOS INT
);

-- Currencies.
CREATE TABLE t_Currency (
  FCurrencyID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);
CREATE INDEX ix_t_Currency_Number ON t_Currency (FNumber);

-- Units of measure.
CREATE TABLE t_MeasureUnit (
  FMeasureUnitID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);
CREATE INDEX ix_t_MeasureUnit_Name ON t_MeasureUnit (FName);

-- Auxiliary data entries (sale styles, settlement styles, purchase styles and the like).
-- FTypeID is the kind of entry (101 sale styles); FID is the entry's code.
CREATE TABLE t_SubMessage (
  FInterID INT NOT NULL PRIMARY KEY,
  FTypeID INT,
  FID NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);
CREATE INDEX ix_t_SubMessage_ID ON t_SubMessage (FID);
CREATE INDEX ix_t_SubMessage_Type_Name ON t_SubMessage (FTypeID, FName);

-- Settlement methods, as the file-based order interface names them.
CREATE TABLE t_Settle (
  FItemID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT
);

-- Sales contracts.
CREATE TABLE t_RpContract (
  FContractID INT NOT NULL PRIMARY KEY,
  FContractNo NVARCHAR(255) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);
CREATE INDEX ix_t_RpContract_No ON t_RpContract (FContractNo);

-- Stock places inside the warehouses. The place's UUID is kept in FUUID; UUID is the same
-- value under the name that the base-data lookups use for every kind.
CREATE TABLE t_StockPlace (
  FSPID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80) COLLATE ERPTEXT,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  FUUID VARCHAR(40) COLLATE ERPTEXT,
  UUID VARCHAR(40) COLLATE ERPTEXT GENERATED ALWAYS AS (FUUID) VIRTUAL
);
CREATE INDEX ix_t_StockPlace_Number ON t_StockPlace (FNumber);
CREATE INDEX ix_t_StockPlace_UUID ON t_StockPlace (FUUID);

-- ---------------------------------------------------------------------------------------------
-- Users, groups and rights
-- ---------------------------------------------------------------------------------------------

-- ERP users. FForbidden 0: active; anything else: locked out.
CREATE TABLE t_User (
  FUserID INT NOT NULL PRIMARY KEY,
  FName NVARCHAR(255) COLLATE ERPTEXT,
  FForbidden SMALLINT,
  UUID VARCHAR(40) COLLATE ERPTEXT
);

-- Group membership of users; group 1 is the administrators.
CREATE TABLE t_Group (
  FUserID INT NOT NULL,
  FGroupID INT NOT NULL,
  PRIMARY KEY (FUserID, FGroupID)
);

-- Access rights of users by object type (16: the web-service interface). A user may hold
-- several rows of one type; FAccessMask 0 grants nothing.
CREATE TABLE t_AccessControl (
  FUserID INT NOT NULL,
  FObjectType INT NOT NULL,
  FAccessMask INT
);
CREATE INDEX ix_t_AccessControl_User_Type ON t_AccessControl (FUserID, FObjectType);

-- ---------------------------------------------------------------------------------------------
-- Sales orders (transaction type 81)
-- ---------------------------------------------------------------------------------------------

-- Sales order heads. FOperDate is the row version. FImport 1 and FSystemType 2 mark orders
-- that came from the CRM (the ERP's own carry FImport 0 and FSystemType 1); FStatus 0 is
-- unchecked. FContractID is the order's contract where the order keeps it on the head.
CREATE TABLE SEOrder (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255) COLLATE ERPTEXT,
  FDate DATETIME,
  FUUID VARCHAR(40) COLLATE ERPTEXT DEFAULT (NEWID()),
  FCustID INT,
  FCurrencyID INT,
  FExchangeRate FLOAT,
  FDiscountType INT,
  FDeptID INT,
  FEmpID INT,
  FMangerID INT,
  FBillerID INT,
  FFetchAdd NVARCHAR(255) COLLATE ERPTEXT,
  FSaleStyle INT,
  FSettleID INT,
  FContractID INT,
  FStatus SMALLINT DEFAULT 0,
  FImport SMALLINT DEFAULT 0,
  FSystemType SMALLINT DEFAULT 1,
  FOperDate TIMESTAMP NOT NULL DEFAULT X'0000000000000000'
);
CREATE UNIQUE INDEX ix_SEOrder_OperDate ON SEOrder (FOperDate);
CREATE INDEX ix_SEOrder_UUID ON SEOrder (FUUID);
CREATE INDEX ix_SEOrder_BillNo ON SEOrder (FBillNo);

-- Sales order entries, numbered 1, 2, ... within their order. FTaxRate is the discount rate and
-- FCESS the tax rate, both in percent; FTaxAmount is the discount amount and FTaxAmt the tax.
CREATE TABLE SEOrderEntry (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT,
  FUnitID INT,
  FAuxQty DECIMAL(28,10),
  FAuxPrice DECIMAL(28,10),
  FAuxTaxPrice DECIMAL(28,10),
  FAuxPriceDiscount DECIMAL(28,10),
  FUniDiscount DECIMAL(28,10),
  FTaxRate DECIMAL(28,10),
  FTaxAmount DECIMAL(28,10),
  FDiscount DECIMAL(28,10),
  FCESS DECIMAL(28,10),
  FTaxAmt DECIMAL(28,10),
  FAmount DECIMAL(28,10),
  FFinalAmount DECIMAL(28,10),
  FAllAmount DECIMAL(28,10),
  FAllStdAmount DECIMAL(28,10),
  FNote NVARCHAR(255) COLLATE ERPTEXT,
  FDate DATETIME,
  FAdviceConsignDate DATETIME,
  FContractInterID INT,
  FContractBillNO NVARCHAR(255) COLLATE ERPTEXT,
  PRIMARY KEY (FInterID, FEntryID)
);

-- ---------------------------------------------------------------------------------------------
-- Sales invoices (transaction types 80 special, 86 ordinary)
-- ---------------------------------------------------------------------------------------------

-- Sales invoice heads of both kinds. FROB 1 is an ordinary (blue) invoice, -1 a red one.
CREATE TABLE ICSale (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255) COLLATE ERPTEXT,
  FDate DATETIME,
  FUUID VARCHAR(40) COLLATE ERPTEXT DEFAULT (NEWID()),
  FROB INT,
  FSaleStyle INT,
  FCustID INT,
  FCurrencyID INT,
  FExchangeRate FLOAT,
  FDeptID INT,
  FEmpID INT,
  FBillerID INT,
  FNote NVARCHAR(255) COLLATE ERPTEXT,
  FStatus SMALLINT DEFAULT 0,
  FImport SMALLINT DEFAULT 0,
  FSystemType SMALLINT DEFAULT 1,
  FOperDate TIMESTAMP NOT NULL DEFAULT X'0000000000000000'
);
CREATE UNIQUE INDEX ix_ICSale_OperDate ON ICSale (FOperDate);
CREATE INDEX ix_ICSale_UUID ON ICSale (FUUID);
CREATE INDEX ix_ICSale_BillNo ON ICSale (FBillNo);

-- Sales invoice entries.
CREATE TABLE ICSaleEntry (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT,
  FUnitID INT,
  FAuxQty DECIMAL(28,10),
  FAuxPrice DECIMAL(28,10),
  FAuxTaxPrice DECIMAL(28,10),
  FTaxRate DECIMAL(28,10),
  FDiscountRate DECIMAL(28,10),
  FAmount DECIMAL(28,10),
  FTaxAmount DECIMAL(28,10),
  PRIMARY KEY (FInterID, FEntryID)
);

-- ---------------------------------------------------------------------------------------------
-- Stock bills (transaction types 1 purchase receipt, 21 sales delivery, and the ERP's others)
-- ---------------------------------------------------------------------------------------------

-- Stock bill heads. FFManagerID is the receiver or shipper, FSManagerID the keeper, FSupplyID
-- the supplier (receipts) or customer (deliveries).
CREATE TABLE ICStockBill (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255) COLLATE ERPTEXT,
  FDate DATETIME,
  FUUID VARCHAR(40) COLLATE ERPTEXT DEFAULT (NEWID()),
  FROB INT,
  FNote NVARCHAR(255) COLLATE ERPTEXT,
  FBillerID INT,
  FFManagerID INT,
  FPosterID INT,
  FRelateBrID INT,
  FSaleStyle INT,
  FPOStyle INT,
  FSManagerID INT,
  FSupplyID INT,
  FCurrencyID INT,
  FDeptID INT,
  FEmpID INT,
  FStatus SMALLINT DEFAULT 0,
  FImport SMALLINT DEFAULT 0,
  FSystemType SMALLINT DEFAULT 1,
  FOperDate TIMESTAMP NOT NULL DEFAULT X'0000000000000000'
);
CREATE UNIQUE INDEX ix_ICStockBill_OperDate ON ICStockBill (FOperDate);
CREATE INDEX ix_ICStockBill_UUID ON ICStockBill (FUUID);
CREATE INDEX ix_ICStockBill_BillNo ON ICStockBill (FBillNo);

-- Stock bill entries. FDCStockID is the warehouse (t_Item class 5), FDCSPID the stock place;
-- FOrderBillNO is the number of the sales order a delivery entry fills.
CREATE TABLE ICStockBillEntry (
  FBrNo VARCHAR(10) COLLATE ERPTEXT DEFAULT '0',
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT,
  FUnitID INT,
  FAuxQty DECIMAL(28,10),
  FAuxQtyMust DECIMAL(28,10),
  FAuxQtyActual DECIMAL(28,10),
  FAuxCommitQty DECIMAL(28,10),
  FQty DECIMAL(28,10),
  FQtyMust DECIMAL(28,10),
  FCommitQty DECIMAL(28,10),
  FPrice DECIMAL(28,10),
  FAuxPrice DECIMAL(28,10),
  FAuxPlanPrice DECIMAL(28,10),
  FAmount DECIMAL(28,10),
  FPlanAmount DECIMAL(28,10),
  FConsignPrice DECIMAL(28,10),
  FConsignAmount DECIMAL(28,10),
  FBatchNo NVARCHAR(200) COLLATE ERPTEXT,
  FDCStockID INT,
  FDCSPID INT,
  FKFDate DATETIME,
  FKFPeriod INT,
  FMapName NVARCHAR(255) COLLATE ERPTEXT,
  FMapNumber NVARCHAR(255) COLLATE ERPTEXT,
  FNote NVARCHAR(255) COLLATE ERPTEXT,
  FOrderBillNO NVARCHAR(255) COLLATE ERPTEXT,
  PRIMARY KEY (FInterID, FEntryID)
);
CREATE INDEX ix_ICStockBillEntry_OrderBillNo ON ICStockBillEntry (FOrderBillNO);

-- ---------------------------------------------------------------------------------------------
-- Stock on hand and locks
-- ---------------------------------------------------------------------------------------------

-- Stock on hand per material, batch, warehouse and stock place. FBatchNo is NULL or empty for
-- stock kept without batches.
CREATE TABLE ICInventory (
  FItemID INT NOT NULL,
  FBatchNo NVARCHAR(200) COLLATE ERPTEXT,
  FStockID INT,
  FStockPlaceID INT,
  FQty DECIMAL(28,10)
);
CREATE INDEX ix_ICInventory_Item ON ICInventory (FItemID, FBatchNo);

-- Quantities of materials locked for orders, one row per lock; a negative row releases stock.
CREATE TABLE t_LockStock (
  FItemID INT NOT NULL,
  FQty DECIMAL(28,10)
);
CREATE INDEX ix_t_LockStock_Item ON t_LockStock (FItemID);

-- ---------------------------------------------------------------------------------------------
-- Change log
-- ---------------------------------------------------------------------------------------------

-- One row per logged change of a document: FType its transaction type, FChangedUUID its UUID,
-- FIfDelete 1 for a deletion. Each deletion is logged twice, with FSystemFlag 1 and 2, one row
-- for each of the two readers of the log. FTimeStamp is the row version.
CREATE TABLE COM_DataChange (
  FSystemFlag INT,
  FType INT,
  FIfDelete SMALLINT,
  FChangedUUID VARCHAR(40) COLLATE ERPTEXT,
  FTimeStamp TIMESTAMP NOT NULL DEFAULT X'0000000000000000'
);
CREATE UNIQUE INDEX ix_COM_DataChange_TimeStamp ON COM_DataChange (FTimeStamp);
CREATE INDEX ix_COM_DataChange_Page
  ON COM_DataChange (FSystemFlag, FType, FIfDelete, FTimeStamp);

-- ---------------------------------------------------------------------------------------------
-- List templates
-- ---------------------------------------------------------------------------------------------

-- The document list of each bill kind (FBillTemplateID the transaction type) that deletions go
-- through: the list's ID, its template and its bill class.
CREATE TABLE ICListTemplate (
  FID INT NOT NULL PRIMARY KEY,
  FBillTemplateID INT,
  FTemplateID INT,
  FBillCls INT
);
CREATE INDEX ix_ICListTemplate_BillTemplate ON ICListTemplate (FBillTemplateID);

-- ---------------------------------------------------------------------------------------------
-- Numbering
-- ---------------------------------------------------------------------------------------------

-- Bill-number rules, one per transaction type. The next automatic number is FPrefix followed by
-- FCurNo + 1, padded with zeros to FNumLength digits. Asking for it takes nothing: FCurNo is the
-- highest automatic number saved so far, raised inside the transaction that saves a bill whose
-- number is FPrefix followed by a higher one.
CREATE TABLE t_BillNoRule (
  FTranType INT NOT NULL PRIMARY KEY,
  FName NVARCHAR(80) COLLATE ERPTEXT NOT NULL DEFAULT '',
  FPrefix NVARCHAR(30) COLLATE ERPTEXT NOT NULL DEFAULT '',
  FCurNo INT NOT NULL DEFAULT 0 CHECK (FCurNo >= 0),
  FNumLength SMALLINT NOT NULL DEFAULT 6 CHECK (FNumLength BETWEEN 1 AND 18)
);

-- The highest internal ID given so far per bill table (SEOrder, ICSale, ICStockBill); a new
-- bill gets FMaxInterID + 1, taken inside the transaction that saves it.
CREATE TABLE t_BillInterIDMax (
  FTableName VARCHAR(50) COLLATE ERPTEXT NOT NULL PRIMARY KEY,
  FMaxInterID INT NOT NULL DEFAULT 0 CHECK (FMaxInterID >= 0)
);

-- ---------------------------------------------------------------------------------------------
-- Bill service
-- ---------------------------------------------------------------------------------------------

-- Save options the bill service presets for a transaction type: each row becomes an entry of
-- the SaveInfo dictionary of the type's empty save package, named FName, with FValue read as
-- FValueType says (Boolean: True/False or a number, 0 being False; Integer: 16-bit; Long:
-- 32-bit; String: as it stands).
CREATE TABLE t_BillSaveOption (
  FTranType INT NOT NULL,
  FName VARCHAR(80) COLLATE ERPTEXT NOT NULL,
  FValue NVARCHAR(255) COLLATE ERPTEXT NOT NULL DEFAULT '',
  FValueType VARCHAR(20) COLLATE ERPTEXT NOT NULL DEFAULT 'String'
    CHECK (FValueType IN ('Boolean', 'Integer', 'Long', 'String')),
  PRIMARY KEY (FTranType, FName)
);

-- The bills being saved over right now: the bill service puts the head's table and internal ID
-- here, inside its saving transaction, while it deletes the old head and entries to write the
-- new ones, so that the change log does not record the deletion of a bill that goes on
-- existing. No row outlives that transaction.
CREATE TABLE t_BillResave (
  FTableName VARCHAR(50) COLLATE ERPTEXT NOT NULL,
  FInterID INT NOT NULL,
  PRIMARY KEY (FTableName, FInterID)
);

-- ---------------------------------------------------------------------------------------------
-- Account settings
-- ---------------------------------------------------------------------------------------------

-- Settings of the account, one value per key. AllowNegativeStock: '1' lets outgoing stock bills
-- take stock on hand below zero, '0' makes the bill service refuse them.
CREATE TABLE t_SystemProfile (
  FKey VARCHAR(80) COLLATE ERPTEXT NOT NULL PRIMARY KEY,
  FValue NVARCHAR(255) COLLATE ERPTEXT
);

-- ---------------------------------------------------------------------------------------------
-- Row-version triggers
--
-- For each table with a row version, four triggers:
-- * an explicit value on INSERT is refused (the default, all zero bytes, is the only one
--   accepted), as is any UPDATE that names the version column, unless a stamp is running;
-- * after each inserted row and after each updated row (unless the update is a stamp), the
--   counter moves on by one and the row takes the new value. FBusy keeps the stamp's own UPDATE
--   from counting as a second change, whether or not recursive triggers are on.
-- ---------------------------------------------------------------------------------------------

CREATE TRIGGER trg_SEOrder_RowVersion_NoExplicitInsert BEFORE INSERT ON SEOrder
WHEN NEW.FOperDate IS NOT X'0000000000000000'
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert an explicit value into a timestamp column.');
END;

CREATE TRIGGER trg_SEOrder_RowVersion_NoExplicitUpdate BEFORE UPDATE OF FOperDate ON SEOrder
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;

CREATE TRIGGER trg_SEOrder_RowVersion_Insert AFTER INSERT ON SEOrder
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE SEOrder
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_SEOrder_RowVersion_Update AFTER UPDATE ON SEOrder
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE SEOrder
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_ICSale_RowVersion_NoExplicitInsert BEFORE INSERT ON ICSale
WHEN NEW.FOperDate IS NOT X'0000000000000000'
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert an explicit value into a timestamp column.');
END;

CREATE TRIGGER trg_ICSale_RowVersion_NoExplicitUpdate BEFORE UPDATE OF FOperDate ON ICSale
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;

CREATE TRIGGER trg_ICSale_RowVersion_Insert AFTER INSERT ON ICSale
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE ICSale
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_ICSale_RowVersion_Update AFTER UPDATE ON ICSale
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE ICSale
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_ICStockBill_RowVersion_NoExplicitInsert BEFORE INSERT ON ICStockBill
WHEN NEW.FOperDate IS NOT X'0000000000000000'
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert an explicit value into a timestamp column.');
END;

CREATE TRIGGER trg_ICStockBill_RowVersion_NoExplicitUpdate
BEFORE UPDATE OF FOperDate ON ICStockBill
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;

CREATE TRIGGER trg_ICStockBill_RowVersion_Insert AFTER INSERT ON ICStockBill
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE ICStockBill
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_ICStockBill_RowVersion_Update AFTER UPDATE ON ICStockBill
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE ICStockBill
     SET FOperDate = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_COM_DataChange_RowVersion_NoExplicitInsert BEFORE INSERT ON COM_DataChange
WHEN NEW.FTimeStamp IS NOT X'0000000000000000'
BEGIN
  SELECT RAISE(ABORT, 'Cannot insert an explicit value into a timestamp column.');
END;

CREATE TRIGGER trg_COM_DataChange_RowVersion_NoExplicitUpdate
BEFORE UPDATE OF FTimeStamp ON COM_DataChange
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  SELECT RAISE(ABORT, 'Cannot update a timestamp column.');
END;

CREATE TRIGGER trg_COM_DataChange_RowVersion_Insert AFTER INSERT ON COM_DataChange
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE COM_DataChange
     SET FTimeStamp = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

CREATE TRIGGER trg_COM_DataChange_RowVersion_Update AFTER UPDATE ON COM_DataChange
WHEN (SELECT FBusy FROM t_RowVersionCounter WHERE FID = 1) = 0
BEGIN
  UPDATE t_RowVersionCounter SET FLast = FLast + 1, FBusy = FBusy + 1 WHERE FID = 1;
  UPDATE COM_DataChange
     SET FTimeStamp = (SELECT ROWVERSION_BLOB(FLast) FROM t_RowVersionCounter WHERE FID = 1)
   WHERE rowid = NEW.rowid;
  UPDATE t_RowVersionCounter SET FBusy = FBusy - 1 WHERE FID = 1;
END;

-- ---------------------------------------------------------------------------------------------
-- Change-log triggers
--
-- Deleting a bill head logs the deletion of its UUID under the head's transaction type, once for
-- each reader of the log (FSystemFlag 1, then 2); each row takes its own row version. Entries
-- are not logged: the head stands for the document. A sales order head without a type is a
-- sales order all the same. A head deleted while the bill service saves over it (its table and
-- ID in t_BillResave) is not logged: the document goes on under the same ID.
-- ---------------------------------------------------------------------------------------------

CREATE TRIGGER trg_SEOrder_ChangeLog_Delete AFTER DELETE ON SEOrder
WHEN NOT EXISTS (SELECT 1 FROM t_BillResave
                 WHERE FTableName = 'SEOrder' AND FInterID = OLD.FInterID)
BEGIN
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  VALUES (1, IFNULL(OLD.FTranType, 81), 1, OLD.FUUID),
         (2, IFNULL(OLD.FTranType, 81), 1, OLD.FUUID);
END;

CREATE TRIGGER trg_ICSale_ChangeLog_Delete AFTER DELETE ON ICSale
WHEN NOT EXISTS (SELECT 1 FROM t_BillResave
                 WHERE FTableName = 'ICSale' AND FInterID = OLD.FInterID)
BEGIN
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  VALUES (1, OLD.FTranType, 1, OLD.FUUID),
         (2, OLD.FTranType, 1, OLD.FUUID);
END;

CREATE TRIGGER trg_ICStockBill_ChangeLog_Delete AFTER DELETE ON ICStockBill
WHEN NOT EXISTS (SELECT 1 FROM t_BillResave
                 WHERE FTableName = 'ICStockBill' AND FInterID = OLD.FInterID)
BEGIN
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  VALUES (1, OLD.FTranType, 1, OLD.FUUID),
         (2, OLD.FTranType, 1, OLD.FUUID);
END;

-- ---------------------------------------------------------------------------------------------
-- Dates
--
-- A DATETIME column takes only what the server would convert (IS_ERP_DATETIME): a bad date
-- fails its own statement, as on the server, instead of being stored as text that no reader
-- can use.
-- ---------------------------------------------------------------------------------------------

CREATE TRIGGER trg_SEOrder_Dates_Insert BEFORE INSERT ON SEOrder
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_SEOrder_Dates_Update BEFORE UPDATE OF FDate ON SEOrder
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_SEOrderEntry_Dates_Insert BEFORE INSERT ON SEOrderEntry
WHEN NOT (IS_ERP_DATETIME(NEW.FDate) AND IS_ERP_DATETIME(NEW.FAdviceConsignDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_SEOrderEntry_Dates_Update BEFORE UPDATE OF FDate, FAdviceConsignDate ON SEOrderEntry
WHEN NOT (IS_ERP_DATETIME(NEW.FDate) AND IS_ERP_DATETIME(NEW.FAdviceConsignDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICSale_Dates_Insert BEFORE INSERT ON ICSale
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICSale_Dates_Update BEFORE UPDATE OF FDate ON ICSale
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICStockBill_Dates_Insert BEFORE INSERT ON ICStockBill
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICStockBill_Dates_Update BEFORE UPDATE OF FDate ON ICStockBill
WHEN NOT (IS_ERP_DATETIME(NEW.FDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICStockBillEntry_Dates_Insert BEFORE INSERT ON ICStockBillEntry
WHEN NOT (IS_ERP_DATETIME(NEW.FKFDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

CREATE TRIGGER trg_ICStockBillEntry_Dates_Update BEFORE UPDATE OF FKFDate ON ICStockBillEntry
WHEN NOT (IS_ERP_DATETIME(NEW.FKFDate))
BEGIN
  SELECT RAISE(ABORT, 'Conversion failed when converting date and/or time from character string.');
END;

-- ---------------------------------------------------------------------------------------------
-- Rows every account starts with
-- ---------------------------------------------------------------------------------------------

INSERT INTO t_RowVersionCounter (FID, FLast, FBusy) VALUES (1, 0, 0);

INSERT INTO t_BillNoRule (FTranType, FName, FPrefix, FCurNo, FNumLength) VALUES
  (81, '销售订单', 'SO', 0, 6),
  (80, '销售发票(专用)', 'SIV', 0, 6),
  (86, '销售发票(普通)', 'SIO', 0, 6),
  (1, '采购入库单', 'PR', 0, 6),
  (21, '销售出库单', 'SD', 0, 6);

INSERT INTO t_SystemProfile (FKey, FValue) VALUES ('AllowNegativeStock', '1');

INSERT INTO t_BillInterIDMax (FTableName, FMaxInterID) VALUES
  ('SEOrder', 0),
  ('ICSale', 0),
  ('ICStockBill', 0);

-- The ERP account database on SQL Server: the tables, columns and indexes of the embedded
-- account (erpdb/schema.sql), in T-SQL, so that an integrator can make a test account on a
-- server of their own:
--
--   sqlcmd -S dbhost -d acct -i erpdb/schema_sqlserver.sql
--
-- Run it in an empty database. Batches are separated by GO lines, as sqlcmd reads them.
--
-- Differences from the embedded schema, each because the server does the job itself:
-- * Row versions: FOperDate and FTimeStamp are rowversion columns; the server stamps every
--   insert and update from its own database-wide counter, so the embedded account's counter
--   table, its held-versions table and its stamping triggers have no counterpart here. Readers
--   that page by row version stop below MIN_ACTIVE_ROWVERSION().
-- * Text compares under the database's collation: choose a case-insensitive one (the server's
--   "=" already ignores trailing blanks). UUID text columns take NEWID() as upper-case text.
-- * DATETIME columns refuse what they cannot convert; the embedded account's date triggers
--   copy that behaviour.
-- * A bill number is unique per transaction type in each head table (FInterID <> 0, the
--   templates aside): a last guard behind the bill service's own check inside its transaction.

-- ---------------------------------------------------------------------------------------------
-- Base data
-- ---------------------------------------------------------------------------------------------

CREATE TABLE t_Item (
  FItemID INT NOT NULL PRIMARY KEY,
  FItemClassID INT NOT NULL,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255),
  UUID VARCHAR(40)
);
CREATE INDEX ix_t_Item_Class_Number ON t_Item (FItemClassID, FNumber);
CREATE INDEX ix_t_Item_UUID ON t_Item (UUID);

CREATE TABLE t_ICItem (
  FItemID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255),
  FModel NVARCHAR(255),
  FUnitID INT,
  FLowLimit DECIMAL(28,10),
  FHighLimit DECIMAL(28,10),
  FSecInv DECIMAL(28,10)
);
CREATE INDEX ix_t_ICItem_Number ON t_ICItem (FNumber);

CREATE TABLE t_Organization (
  FItemID INT NOT NULL PRIMARY KEY,
  FCarryingAOS INT
);

CREATE TABLE t_Currency (
  FCurrencyID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255),
  UUID VARCHAR(40)
);
CREATE INDEX ix_t_Currency_Number ON t_Currency (FNumber);

CREATE TABLE t_MeasureUnit (
  FMeasureUnitID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255),
  UUID VARCHAR(40)
);
CREATE INDEX ix_t_MeasureUnit_Name ON t_MeasureUnit (FName);

CREATE TABLE t_SubMessage (
  FInterID INT NOT NULL PRIMARY KEY,
  FTypeID INT,
  FID NVARCHAR(80),
  FName NVARCHAR(255),
  UUID VARCHAR(40)
);
CREATE INDEX ix_t_SubMessage_ID ON t_SubMessage (FID);
CREATE INDEX ix_t_SubMessage_Type_Name ON t_SubMessage (FTypeID, FName);

CREATE TABLE t_Settle (
  FItemID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255)
);

CREATE TABLE t_RpContract (
  FContractID INT NOT NULL PRIMARY KEY,
  FContractNo NVARCHAR(255),
  UUID VARCHAR(40)
);
CREATE INDEX ix_t_RpContract_No ON t_RpContract (FContractNo);

CREATE TABLE t_StockPlace (
  FSPID INT NOT NULL PRIMARY KEY,
  FNumber NVARCHAR(80),
  FName NVARCHAR(255),
  FUUID VARCHAR(40),
  UUID AS (FUUID)
);
CREATE INDEX ix_t_StockPlace_Number ON t_StockPlace (FNumber);
CREATE INDEX ix_t_StockPlace_UUID ON t_StockPlace (FUUID);

-- ---------------------------------------------------------------------------------------------
-- Users, groups and rights
-- ---------------------------------------------------------------------------------------------

CREATE TABLE t_User (
  FUserID INT NOT NULL PRIMARY KEY,
  FName NVARCHAR(255),
  FForbidden SMALLINT,
  UUID VARCHAR(40)
);

CREATE TABLE t_Group (
  FUserID INT NOT NULL,
  FGroupID INT NOT NULL,
  PRIMARY KEY (FUserID, FGroupID)
);

CREATE TABLE t_AccessControl (
  FUserID INT NOT NULL,
  FObjectType INT NOT NULL,
  FAccessMask INT
);
CREATE INDEX ix_t_AccessControl_User_Type ON t_AccessControl (FUserID, FObjectType);

-- ---------------------------------------------------------------------------------------------
-- Sales orders (transaction type 81)
-- ---------------------------------------------------------------------------------------------

CREATE TABLE SEOrder (
  FBrNo VARCHAR(10) DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255),
  FDate DATETIME,
  FUUID VARCHAR(40) DEFAULT (CONVERT(VARCHAR(40), NEWID())),
  FCustID INT,
  FCurrencyID INT,
  FExchangeRate FLOAT,
  FDiscountType INT,
  FDeptID INT,
  FEmpID INT,
  FMangerID INT,
  FBillerID INT,
  FFetchAdd NVARCHAR(255),
  FSaleStyle INT,
  FSettleID INT,
  FContractID INT,
  FStatus SMALLINT DEFAULT 0,
  FImport SMALLINT DEFAULT 0,
  FSystemType SMALLINT DEFAULT 1,
  FOperDate ROWVERSION NOT NULL
);
CREATE UNIQUE INDEX ix_SEOrder_OperDate ON SEOrder (FOperDate);
CREATE INDEX ix_SEOrder_UUID ON SEOrder (FUUID);
CREATE INDEX ix_SEOrder_BillNo ON SEOrder (FBillNo);
CREATE UNIQUE INDEX ux_SEOrder_TranType_BillNo ON SEOrder (FTranType, FBillNo) WHERE FInterID <> 0;

CREATE TABLE SEOrderEntry (
  FBrNo VARCHAR(10) DEFAULT '0',
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
  FNote NVARCHAR(255),
  FDate DATETIME,
  FAdviceConsignDate DATETIME,
  FContractInterID INT,
  FContractBillNO NVARCHAR(255),
  PRIMARY KEY (FInterID, FEntryID)
);

-- ---------------------------------------------------------------------------------------------
-- Sales invoices (transaction types 80 special, 86 ordinary)
-- ---------------------------------------------------------------------------------------------

CREATE TABLE ICSale (
  FBrNo VARCHAR(10) DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255),
  FDate DATETIME,
  FUUID VARCHAR(40) DEFAULT (CONVERT(VARCHAR(40), NEWID())),
  FROB INT,
  FSaleStyle INT,
  FCustID INT,
  FCurrencyID INT,
  FExchangeRate FLOAT,
  FDeptID INT,
  FEmpID INT,
  FBillerID INT,
  FNote NVARCHAR(255),
  FStatus SMALLINT DEFAULT 0,
  FImport SMALLINT DEFAULT 0,
  FSystemType SMALLINT DEFAULT 1,
  FOperDate ROWVERSION NOT NULL
);
CREATE UNIQUE INDEX ix_ICSale_OperDate ON ICSale (FOperDate);
CREATE INDEX ix_ICSale_UUID ON ICSale (FUUID);
CREATE INDEX ix_ICSale_BillNo ON ICSale (FBillNo);
CREATE UNIQUE INDEX ux_ICSale_TranType_BillNo ON ICSale (FTranType, FBillNo) WHERE FInterID <> 0;

CREATE TABLE ICSaleEntry (
  FBrNo VARCHAR(10) DEFAULT '0',
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

CREATE TABLE ICStockBill (
  FBrNo VARCHAR(10) DEFAULT '0',
  FInterID INT NOT NULL PRIMARY KEY,
  FTranType INT,
  FBillNo NVARCHAR(255),
  FDate DATETIME,
  FUUID VARCHAR(40) DEFAULT (CONVERT(VARCHAR(40), NEWID())),
  FROB INT,
  FNote NVARCHAR(255),
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
  FOperDate ROWVERSION NOT NULL
);
CREATE UNIQUE INDEX ix_ICStockBill_OperDate ON ICStockBill (FOperDate);
CREATE INDEX ix_ICStockBill_UUID ON ICStockBill (FUUID);
CREATE INDEX ix_ICStockBill_BillNo ON ICStockBill (FBillNo);
CREATE UNIQUE INDEX ux_ICStockBill_TranType_BillNo ON ICStockBill (FTranType, FBillNo) WHERE FInterID <> 0;

CREATE TABLE ICStockBillEntry (
  FBrNo VARCHAR(10) DEFAULT '0',
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
  FBatchNo NVARCHAR(200),
  FDCStockID INT,
  FDCSPID INT,
  FKFDate DATETIME,
  FKFPeriod INT,
  FMapName NVARCHAR(255),
  FMapNumber NVARCHAR(255),
  FNote NVARCHAR(255),
  FOrderBillNO NVARCHAR(255),
  PRIMARY KEY (FInterID, FEntryID)
);
CREATE INDEX ix_ICStockBillEntry_OrderBillNo ON ICStockBillEntry (FOrderBillNO);

-- ---------------------------------------------------------------------------------------------
-- Stock on hand and locks
-- ---------------------------------------------------------------------------------------------

CREATE TABLE ICInventory (
  FItemID INT NOT NULL,
  FBatchNo NVARCHAR(200),
  FStockID INT,
  FStockPlaceID INT,
  FQty DECIMAL(28,10)
);
CREATE INDEX ix_ICInventory_Item ON ICInventory (FItemID, FBatchNo);

CREATE TABLE t_LockStock (
  FItemID INT NOT NULL,
  FQty DECIMAL(28,10)
);
CREATE INDEX ix_t_LockStock_Item ON t_LockStock (FItemID);

-- ---------------------------------------------------------------------------------------------
-- Change log
-- ---------------------------------------------------------------------------------------------

CREATE TABLE COM_DataChange (
  FSystemFlag INT,
  FType INT,
  FIfDelete SMALLINT,
  FChangedUUID VARCHAR(40),
  FTimeStamp ROWVERSION NOT NULL
);
CREATE UNIQUE INDEX ix_COM_DataChange_TimeStamp ON COM_DataChange (FTimeStamp);
CREATE INDEX ix_COM_DataChange_Page
  ON COM_DataChange (FSystemFlag, FType, FIfDelete, FTimeStamp);

-- ---------------------------------------------------------------------------------------------
-- List templates
-- ---------------------------------------------------------------------------------------------

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

CREATE TABLE t_BillNoRule (
  FTranType INT NOT NULL PRIMARY KEY,
  FName NVARCHAR(80) NOT NULL DEFAULT '',
  FPrefix NVARCHAR(30) NOT NULL DEFAULT '',
  FCurNo INT NOT NULL DEFAULT 0 CHECK (FCurNo >= 0),
  FNumLength SMALLINT NOT NULL DEFAULT 6 CHECK (FNumLength BETWEEN 1 AND 18)
);

CREATE TABLE t_BillInterIDMax (
  FTableName VARCHAR(50) NOT NULL PRIMARY KEY,
  FMaxInterID INT NOT NULL DEFAULT 0 CHECK (FMaxInterID >= 0)
);

-- ---------------------------------------------------------------------------------------------
-- Bill service
-- ---------------------------------------------------------------------------------------------

CREATE TABLE t_BillSaveOption (
  FTranType INT NOT NULL,
  FName VARCHAR(80) NOT NULL,
  FValue NVARCHAR(255) NOT NULL DEFAULT '',
  FValueType VARCHAR(20) NOT NULL DEFAULT 'String'
    CHECK (FValueType IN ('Boolean', 'Integer', 'Long', 'String')),
  PRIMARY KEY (FTranType, FName)
);

CREATE TABLE t_BillResave (
  FTableName VARCHAR(50) NOT NULL,
  FInterID INT NOT NULL,
  PRIMARY KEY (FTableName, FInterID)
);

-- ---------------------------------------------------------------------------------------------
-- Account settings
-- ---------------------------------------------------------------------------------------------

CREATE TABLE t_SystemProfile (
  FKey VARCHAR(80) NOT NULL PRIMARY KEY,
  FValue NVARCHAR(255)
);
GO

-- ---------------------------------------------------------------------------------------------
-- Change-log triggers
--
-- Deleting a bill head logs the deletion of its UUID under the head's transaction type, once for
-- each reader of the log (FSystemFlag 1, then 2); each row takes its own row version. A sales
-- order head without a type is a sales order all the same. A head deleted while the bill service
-- saves over it (its table and ID in t_BillResave) is not logged.
-- ---------------------------------------------------------------------------------------------

CREATE TRIGGER trg_SEOrder_ChangeLog_Delete ON SEOrder AFTER DELETE AS
BEGIN
  SET NOCOUNT ON;
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  SELECT f.FSystemFlag, ISNULL(d.FTranType, 81), 1, d.FUUID
    FROM deleted d CROSS JOIN (VALUES (1), (2)) AS f (FSystemFlag)
   WHERE NOT EXISTS (SELECT 1 FROM t_BillResave r
                      WHERE r.FTableName = 'SEOrder' AND r.FInterID = d.FInterID)
   ORDER BY d.FInterID, f.FSystemFlag;
END;
GO

CREATE TRIGGER trg_ICSale_ChangeLog_Delete ON ICSale AFTER DELETE AS
BEGIN
  SET NOCOUNT ON;
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  SELECT f.FSystemFlag, d.FTranType, 1, d.FUUID
    FROM deleted d CROSS JOIN (VALUES (1), (2)) AS f (FSystemFlag)
   WHERE NOT EXISTS (SELECT 1 FROM t_BillResave r
                      WHERE r.FTableName = 'ICSale' AND r.FInterID = d.FInterID)
   ORDER BY d.FInterID, f.FSystemFlag;
END;
GO

CREATE TRIGGER trg_ICStockBill_ChangeLog_Delete ON ICStockBill AFTER DELETE AS
BEGIN
  SET NOCOUNT ON;
  INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID)
  SELECT f.FSystemFlag, d.FTranType, 1, d.FUUID
    FROM deleted d CROSS JOIN (VALUES (1), (2)) AS f (FSystemFlag)
   WHERE NOT EXISTS (SELECT 1 FROM t_BillResave r
                      WHERE r.FTableName = 'ICStockBill' AND r.FInterID = d.FInterID)
   ORDER BY d.FInterID, f.FSystemFlag;
END;
GO

-- ---------------------------------------------------------------------------------------------
-- Rows every account starts with
-- ---------------------------------------------------------------------------------------------

INSERT INTO t_BillNoRule (FTranType, FName, FPrefix, FCurNo, FNumLength) VALUES
  (81, N'销售订单', N'SO', 0, 6),
  (80, N'销售发票(专用)', N'SIV', 0, 6),
  (86, N'销售发票(普通)', N'SIO', 0, 6),
  (1, N'采购入库单', N'PR', 0, 6),
  (21, N'销售出库单', N'SD', 0, 6);

INSERT INTO t_SystemProfile (FKey, FValue) VALUES ('AllowNegativeStock', N'1');

INSERT INTO t_BillInterIDMax (FTableName, FMaxInterID) VALUES
  ('SEOrder', 0),
  ('ICSale', 0),
  ('ICStockBill', 0);
GO

#include "erpdb/account_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "erpdb/sql_functions.h"

namespace {

using corvane::erpdb::CompareErpText;
using corvane::erpdb::CreateAccountSchema;
using corvane::erpdb::RegisterErpSqlFunctions;

// An in-memory account database with the functions registered and, unless asked otherwise,
// the schema created.
class TestDb {
 public:
  explicit TestDb(bool with_schema = true) {
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK) throw std::runtime_error("open failed");
    RegisterErpSqlFunctions(db_);
    if (with_schema) CreateAccountSchema(db_);
  }
  TestDb(const TestDb&) = delete;
  TestDb& operator=(const TestDb&) = delete;
  ~TestDb() { sqlite3_close(db_); }

  sqlite3* get() const { return db_; }

  // Runs `sql` and returns sqlite's error message, or "" on success.
  std::string Try(const std::string& sql) const {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    std::string text = rc == SQLITE_OK ? "" : (message != nullptr ? message : "error");
    sqlite3_free(message);
    return text;
  }

  void Exec(const std::string& sql) const { ASSERT_EQ(Try(sql), "") << sql; }

  // First column of every row, as text ("NULL" for a null).
  std::vector<std::string> Column(const std::string& sql) const {
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::string> values;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
      return values;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      values.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "NULL");
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
    sqlite3_finalize(stmt);
    return values;
  }

  // The single value of a one-row, one-column query.
  std::string Value(const std::string& sql) const {
    const std::vector<std::string> values = Column(sql);
    if (values.size() != 1) {
      ADD_FAILURE() << values.size() << " rows from " << sql;
      return "";
    }
    return values[0];
  }

 private:
  sqlite3* db_ = nullptr;
};

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const std::regex kGuidPattern(
    "^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");

TEST(AccountDb, CreatesEveryTableWithItsStartingRows) {
  TestDb db;
  const char* const tables[] = {
      "t_RowVersionCounter", "t_Item",           "t_ICItem",         "t_Organization",
      "t_Currency",          "t_MeasureUnit",    "t_SubMessage",     "t_Settle",
      "t_RpContract",        "t_StockPlace",     "t_User",           "t_Group",
      "t_AccessControl",     "SEOrder",          "SEOrderEntry",     "ICSale",
      "ICSaleEntry",         "ICStockBill",      "ICStockBillEntry", "ICInventory",
      "t_LockStock",         "COM_DataChange",   "ICListTemplate",   "t_BillNoRule",
      "t_BillInterIDMax",    "t_BillSaveOption", "t_BillResave",     "t_SystemProfile"};
  for (const char* table : tables) {
    EXPECT_EQ(db.Value(std::string("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                                   "name='") +
                       table + "'"),
              "1")
        << table;
  }
  EXPECT_EQ(db.Value("SELECT FLast || '/' || FBusy FROM t_RowVersionCounter"), "0/0");
  EXPECT_EQ(
      db.Column("SELECT FTranType || ' ' || FPrefix || ' ' || FCurNo || ' ' || FNumLength "
                "FROM t_BillNoRule ORDER BY FTranType"),
      (std::vector<std::string>{"1 PR 0 6", "21 SD 0 6", "80 SIV 0 6", "81 SO 0 6", "86 SIO 0 6"}));
  EXPECT_EQ(db.Column("SELECT FTableName || ' ' || FMaxInterID FROM t_BillInterIDMax "
                      "ORDER BY FTableName"),
            (std::vector<std::string>{"ICSale 0", "ICStockBill 0", "SEOrder 0"}));
  EXPECT_EQ(db.Column("SELECT FKey || '=' || FValue FROM t_SystemProfile"),
            (std::vector<std::string>{"AllowNegativeStock=1"}));
  EXPECT_EQ(db.Value("SELECT COUNT(*) FROM t_BillSaveOption"), "0");
  EXPECT_EQ(db.Value("SELECT COUNT(*) FROM t_BillResave"), "0");
}

TEST(AccountDb, EveryTextColumnComparesAsErpText) {
  TestDb db;
  int text_columns = 0;
  for (const std::string& table :
       db.Column("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name")) {
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), ("PRAGMA table_xinfo(" + table + ")").c_str(), -1, &stmt,
                                 nullptr),
              SQLITE_OK);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const std::string column = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
      const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
      if (type.find("CHAR") == std::string::npos && type.find("TEXT") == std::string::npos) {
        continue;
      }
      const char* collation = nullptr;
      ASSERT_EQ(sqlite3_table_column_metadata(db.get(), nullptr, table.c_str(), column.c_str(),
                                              nullptr, &collation, nullptr, nullptr, nullptr),
                SQLITE_OK);
      EXPECT_STREQ(collation, "ERPTEXT") << table << "." << column;
      ++text_columns;
    }
    sqlite3_finalize(stmt);
  }
  EXPECT_GT(text_columns, 50);
}

// The statements the component sends, in the form they reach SQLite, must find every table and
// column they name and run, triggers and defaults included.
TEST(AccountDb, ComponentStatementsFindTheirTablesAndColumns) {
  TestDb db;
  const char* const statements[] = {
      // Base-data keys.
      "SELECT FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=1",
      "SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=1",
      "SELECT FNumber,FName,UUID FROM t_MeasureUnit WHERE FMeasureUnitID=1",
      "SELECT FContractID AS FNumber,FContractNO AS FName,UUID FROM t_RpContract WHERE "
      "FContractID=1",
      "SELECT FID AS FNumber,FName,UUID FROM t_SubMessage WHERE FInterID=1",
      "SELECT FUserID AS FNumber,FName,UUID FROM t_User WHERE FUserID=1",
      "SELECT FNumber,FName,FUUID FROM t_StockPlace WHERE FSPID=1",
      "SELECT FCurrencyID as FItemID FROM t_Currency  WHERE 1=1  AND FNumber='x'",
      "SELECT FItemID FROM t_Item  WHERE FItemClassID=4 AND UUID='x'",
      " select FMeasureUnitID as FItemID from t_measureunit  WHERE 1=1  AND FName='x'",
      "SELECT  FContractID AS FItemID FROM t_RpContract  WHERE 1=1  AND FContractNo='x'",
      "SELECT FInterID AS FItemID FROM t_SubMessage  WHERE 1=1  AND FID='x'",
      "SELECT FUserID AS FItemID FROM t_User  WHERE 1=1  AND UUID='x'",
      "Select FSPID AS FItemID from t_StockPlace WHERE 1=1  AND UUID='x'",
      "SELECT FBillNo,FInterID,FUUID FROM ICStockBill WHERE FTranType=21 AND FBillNo='x'",
      "SELECT FBillNo,FInterID,FUUID FROM SEOrder WHERE FBillNo='x'",
      // Users and rights.
      "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=16394",
      "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= t_User.FUserID AND "
      "t_User.FUserID= 16394 AND t_Group.FGroupID= 1",
      "SELECT FAccessMask FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=1",
      // Deletion bridge.
      "SELECT FBillNo FROM SEOrder WHERE FInterID=1",
      "SELECT FBillNo FROM ICSale WHERE FInterID=1",
      "SELECT FID,FTemplateID,FBillCls FROM ICListTemplate WHERE FBillTemplateID=81",
      // Sales orders.
      "SELECT MAX(FOperDate) as FMT FROM SeOrder",
      "SELECT *  From SEOrder  WHERE  FInterID <> 0  AND (FOperDate>X'0000000000000000') "
      "ORDER BY FOperDate LIMIT 100",
      "SELECT FInterID,FOperDate,FUUID,FBillNo,FDate,FFetchAdd,FExchangeRate,FSettleID,"
      "FSaleStyle,FDiscountType,FCustID,FCurrencyID,FDeptID,FEmpID,FMangerID,FBillerID,"
      "FStatus,FImport,FSystemType,FContractID FROM SEOrder",
      "SELECT FEntryID,FItemID,FUnitID,FAuxQty,FAuxPrice,FAmount,FTaxRate,FDiscount,"
      "FFinalAmount,FCESS,FNote,FContractInterID FROM SEorderEntry WHERE FInterID=1",
      "Select FInterID From SEorder Where FUUID='x'",
      "Select FInterID from SEorder  Where FBillNo='x'",
      "Select FCarryingAOS From t_Organization Where FItemID=1",
      " Insert into SEOrderEntry(FInterID,\r\nFEntryID,\r\nFBrNo,\r\nFItemID,\r\nFUnitID,\r\n"
      "FAuxQty,\r\nFAuxPrice,\r\nFTaxRate,\r\nFTaxAmount,\r\nFCESS,\r\nFAmount,\r\nFNote,\r\n"
      "FDate,\r\nFAuxTaxPrice,\r\nFTaxAmt,\r\nFAllAmount,\r\nFAllStdAmount,\r\nFUniDiscount,\r\n"
      "FAuxPriceDiscount,\r\nFContractBillNO,\r\nFContractInterID,\r\nFAdviceConsignDate)\r\n"
      " Values(1,\r\n1,'0',2,3,5,10,10,5.85,17,45,'n','2024-01-05',11.7,7.65,52.65,52.65,1.17,"
      "10.53,'',0,'2024-01-08')",
      " Insert into SEOrder(FInterID,\r\nFBrNo,\r\nFTranType,\r\nFDate,\r\nFBillNo,\r\nFUUID,"
      "\r\nFCustID,\r\nFCurrencyID,\r\nFExchangeRate,\r\nFDiscountType,\r\nFDeptID,\r\nFEmpID,"
      "\r\nFMangerID,\r\nFBillerID,\r\nFImport,\r\nFSystemType,\r\nFFetchAdd,\r\nFSaleStyle,"
      "\r\nFSettleID)\r\n Values(1,'0',81,'2024-01-05','SO1',NEWID(),1,1,1,0,2,3,3,16394,1,2,"
      "'',101,0)",
      // Sales invoices.
      "SELECT MAX(FOperDate) as FMT FROM ICSale WHERE FInterID <> 0 ",
      "SELECT * FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86) AND "
      "(FOperDate>X'0000000000000000') ORDER BY FOperDate LIMIT 100",
      "SELECT FUUID,FBillNo,FTranType,FDate,FROB,FExchangeRate,FNote,FSaleStyle,FCustID,"
      "FCurrencyID,FDeptID,FEmpID,FBillerID FROM ICSale",
      "SELECT FEntryID,FItemID,FAuxQty,FUnitID,FAuxPrice,FAuxTaxPrice,FTaxRate,FDiscountRate,"
      "FAmount,FTaxAmount FROM ICSaleEntry where FInterID=1",
      "Select * From ICSale Where FUUID='x'",
      "Select FInterID from ICSale Where FBillNo='x'",
      "INSERT INTO ICSale (FBrNo,FStatus,FInterID,FImport,FSystemType,FTranType,FBillNo,FUUID,"
      "FDate,FROB,FSaleStyle,FCustID,FCurrencyID,FDeptID,FEmpID,FBillerID,FExchangeRate,FNote)"
      " VALUES ( '0',0,1,1,2,'80','SI1',NEWID(),'2024-01-05',1,101,1,1,2,3,16394,1,'')",
      "INSERT INTO ICSaleEntry (FBrNo,FInterID,FEntryID,FItemID,FAuxQty,FUnitID,FAuxPrice,"
      "FAuxTaxPrice,FTaxRate,FDiscountRate,FAmount,FTaxAmount)VALUES ('0',1,1,2,3,4,5,6,7,8,9,"
      "10)",
      // Stock bills.
      "SELECT MAX(FOperDate) as FMT FROM ICStockBill WHERE FInterID <> 0 ",
      "SELECT * FROM ICStockBill WHERE FInterID <> 0  AND (FOperDate>X'0000000000000000' And  "
      "FTranType=1 ) ORDER BY FOperDate LIMIT 100",
      "SELECT FUUID,FBillNo,FDate,FROB,FStatus,FTranType,FNote,FBillerID,FFManagerID,FPosterID,"
      "FRelateBrID,FSaleStyle,FPOStyle,FSManagerID,FSupplyID,FCurrencyID,FDeptID,FEmpID "
      "FROM ICStockBill",
      "SELECT FEntryID,FAmount,FAuxPlanPrice,FAuxPrice,FAuxQty,FAuxQtyMust,FConsignAmount,"
      "FConsignPrice,FBatchNo,FDCStockID,FDCSPID,FItemID,FUnitID,FKFDate,FKFPeriod,FNote,"
      "FPlanAmount,FQty,FQtyMust,FAuxCommitQty,FPrice,FAuxQtyActual,FCommitQty,FMapName,"
      "FMapNumber,FOrderBillNO FROM ICStockBillEntry where FInterID=1",
      "Select * From ICStockBill Where FUUID='x'",
      "Select FInterID from ICStockBill Where FBillNo='x'",
      " Insert into ICStockBill (FBrNo,FStatus,FInterID,FBillNo,FUUID,Fdate,FROB,FTranType,"
      "FNote,FBillerID,FFManagerID,FPosterID,FRelateBrID,FSaleStyle,FPOStyle,FSManagerID,"
      "FSupplyID,FCurrencyID,FDeptID,FEmpID) VALUES ( '0',0,1,'SD1',NEWID(),'2024-01-05',1,21,"
      "'',16394,3,0,0,101,0,3,1,1,2,3)",
      "Insert Into ICStockBillEntry (FBrNo,FInterID,FEntryID,FItemID,Famount,FAuxPlanPrice,"
      "Fauxprice,Fauxqty,FAuxQtyMust,FBatchNo,FDCStockID,FDCSPID,\r\nFKFDate,FKFPeriod,"
      "FMapName,FMapNumber,Fnote,FPlanAmount,FQty,FQtyMust,FUnitID,FConsignAmount,"
      "FConsignPrice) Values ('0',1,1,2,10,1,1,10,10,'B1',5,0,Null,0,'','','',10,10,10,4,0,0)",
      // Deletion keys.
      "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=81 and "
      "FIfDelete=1  ",
      "SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT  * FROM COM_DataChange  WHERE FSystemFlag=1  "
      "AND FType=81 and FIfDelete=1  and (FTimeStamp>X'0000000000000000') ORDER BY FTimeStamp "
      "LIMIT 100) u",
      "SELECT FChangedUUID FROM COM_DataChange",
      "SELECT FInterID FROM SEorder WHERE FImport=1 AND FSystemType=2  and FUUID='x'",
      "select FInterID  from ICSale WHERE FImport=1 AND FSystemType=2  and FUUID='x'",
      "select FInterID  from ICStockBill WHERE FImport=1 AND FSystemType=2  and FUUID='x'",
      // Delivery trace.
      "SELECT v1.FInterID,v1.FTranType,v1.FROB,v1.FBillNo,v1.FDate,u1.FInterID,u1.FItemID,"
      "t1.FNumber,t1.FName AS FItemName,t1.FModel,u1.FUnitID,t2.FName AS FMeasureName,u1.FAuxQty"
      " \r\nFROM ICStockBillEntry u1 INNER JOIN ICStockBill v1 ON u1.FInterID=v1.FInterID \r\n"
      "  INNER JOIN t_ICItem t1 ON u1.FItemID=t1.FItemID \r\n"
      "  INNER JOIN t_MeasureUnit t2 ON u1.FUnitID=t2.FMeasureUnitID \r\n"
      "WHERE v1.FTranType IN (21,24,28,29) AND u1.FOrderBillNO='SO1'\r\nORDER BY v1.FInterID",
      "SELECT FUUID FROM ICStockBill WHERE FBillNo='x'",
      // Stock query.
      "SELECT FItemID,FNumber,FName FROM t_ICItem WHERE FNumber='x'",
      "SELECT t1.FItemID,t1.FNumber,t1.FName,IFNULL(t1.FModel,'') AS FModel,t1.FLowLimit,"
      "t1.FHighLimit,t1.FSecInv,\r\nCASE WHEN IFNULL(t2.FBatchNo,'')='' THEN 'NO BatchNo' ELSE "
      "t2.FBatchNo END AS FBatchNo,SUM(t2.FQty) AS FCurrentQty,IFNULL(SUM(CASE WHEN t3.FQty<0 "
      "THEN 0 ELSE t3.FQty END),0) AS FLockedQty\r\nFROM t_ICItem t1 INNER JOIN ICInventory t2 "
      "ON t1.FItemID=t2.FItemID \r\n    LEFT JOIN t_LockStock t3 ON t3.FItemID=t1.FItemID\r\n"
      "WHERE t1.FNumber='x'\r\nGROUP BY t1.FItemID,t1.FNumber,t1.FName,t1.FModel,t1.FLowLimit,"
      "t1.FHighLimit,t1.FSecInv,t2.FBatchNo\r\nORDER BY t1.FItemID ",
      "SELECT UUID FROM t_Item WHERE FItemID=1",
      // File-based order interface.
      "\r\n Select * from SEOrder \r\n Where FBillNo='x'\r\n",
      "\r\n Select v1.* from SEOrder u1 inner join SEOrderEntry v1 on u1.FInterID=v1.FInterID "
      "\r\n Where u1.FBillNo='x'\r\n",
      " Select UUID,FItemID,FNumber,FName From t_Item \r\n Where FItemClassID=1 And \r\n"
      "       FItemID=1\r\n",
      " Select FUnitID From t_ICItem \r\n Where 1=1 And \r\n       FItemID=1\r\n",
      " Select FCurrencyID,FNumber,FName From t_Currency \r\n Where 1=1 And \r\n"
      "       FName='x'\r\n",
      " Select FInterID,FID,FName From t_SubMessage \r\n Where FTypeID=101 And \r\n"
      "       FName='x'\r\n",
      " Select FItemID,FNumber,FName From t_Settle \r\n Where 1=1 And \r\n       FName='x'\r\n",
      " Select FContractID,FContractNo From t_RPContract \r\n Where 1=1 And \r\n"
      "       FContractNo='x'\r\n",
      "\r\n Select * from SEOrder \r\n Where FBillNo='x' and \r\n       FSystemType=1\r\n"
      " Union all\r\n Select * from SEOrder \r\n Where FBillNo='x' and \r\n"
      "       FSystemType=2 and \r\n       FStatus>0 \r\n",
      "\r\n Delete from SEOrder \r\n Where FBillNo='x' And\r\n       FSystemType=2 And \r\n"
      "       FStatus=0 \r\n",
  };
  for (const char* sql : statements) {
    SCOPED_TRACE(sql);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), sql, -1, &stmt, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db.get());
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db.get());
    sqlite3_finalize(stmt);
  }
}

TEST(AccountDb, InsertStampsTheRowOnceFromTheSharedCounter) {
  TestDb db;
  db.Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (1, 81, 'SO1')");
  EXPECT_EQ(db.Value("SELECT FLast FROM t_RowVersionCounter"), "1");
  EXPECT_EQ(db.Value("SELECT typeof(FOperDate) || ' ' || length(FOperDate) || ' ' || "
                     "hex(FOperDate) FROM SEOrder"),
            "blob 8 0000000000000001");
  db.Exec("INSERT INTO ICSale (FInterID, FTranType) VALUES (1, 80)");
  db.Exec("INSERT INTO ICStockBill (FInterID, FTranType) VALUES (1, 21)");
  db.Exec("INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete) VALUES (1, 81, 0)");
  EXPECT_EQ(db.Value("SELECT hex(FOperDate) FROM ICSale"), "0000000000000002");
  EXPECT_EQ(db.Value("SELECT hex(FOperDate) FROM ICStockBill"), "0000000000000003");
  EXPECT_EQ(db.Value("SELECT hex(FTimeStamp) FROM COM_DataChange"), "0000000000000004");
  EXPECT_EQ(db.Value("SELECT FLast || '/' || FBusy FROM t_RowVersionCounter"), "4/0");
}

TEST(AccountDb, RowVersionsGrowAcrossTablesInsertsAndUpdates) {
  for (const bool recursive_triggers : {false, true}) {
    SCOPED_TRACE(recursive_triggers ? "recursive triggers on" : "recursive triggers off");
    TestDb db;
    db.Exec(std::string("PRAGMA recursive_triggers=") + (recursive_triggers ? "ON" : "OFF"));
    db.Exec("CREATE TEMP TABLE seen (FSeq INTEGER PRIMARY KEY, FVersion BLOB)");
    const std::string steps[][2] = {
        {"INSERT INTO SEOrder (FInterID) VALUES (1)",
         "SELECT FOperDate FROM SEOrder WHERE FInterID=1"},
        {"INSERT INTO ICSale (FInterID) VALUES (1)", "SELECT FOperDate FROM ICSale"},
        {"UPDATE SEOrder SET FStatus=1 WHERE FInterID=1",
         "SELECT FOperDate FROM SEOrder WHERE FInterID=1"},
        {"INSERT INTO ICStockBill (FInterID) VALUES (1)", "SELECT FOperDate FROM ICStockBill"},
        {"UPDATE ICSale SET FNote='changed'", "SELECT FOperDate FROM ICSale"},
        {"INSERT INTO COM_DataChange (FType) VALUES (81)", "SELECT FTimeStamp FROM COM_DataChange"},
        {"UPDATE COM_DataChange SET FIfDelete=0", "SELECT FTimeStamp FROM COM_DataChange"},
        {"UPDATE ICStockBill SET FStatus=FStatus", "SELECT FOperDate FROM ICStockBill"},
        {"INSERT INTO SEOrder (FInterID) VALUES (2)",
         "SELECT FOperDate FROM SEOrder WHERE FInterID=2"},
        {"UPDATE SEOrder SET FStatus=2 WHERE 0", "SELECT FOperDate FROM SEOrder WHERE FInterID=2"},
    };
    for (const auto& [change, version] : steps) {
      db.Exec(change);
      db.Exec("INSERT INTO seen (FVersion) " + version);
    }
    // Leave the last step out: an UPDATE that matches no row must not move anything.
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM seen a JOIN seen b ON b.FSeq = a.FSeq + 1 "
                       "WHERE NOT (a.FVersion < b.FVersion) AND b.FSeq < 10"),
              "0");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM seen WHERE NOT (FVersion > X'0000000000000000')"),
              "0");
    EXPECT_EQ(db.Value("SELECT FLast FROM t_RowVersionCounter"), "9");
    EXPECT_EQ(db.Value("SELECT hex(FVersion) FROM seen WHERE FSeq = 10"), "0000000000000009");
  }
}

TEST(AccountDb, UpdatingManyRowsGivesEachItsOwnLargerVersion) {
  for (const bool recursive_triggers : {false, true}) {
    SCOPED_TRACE(recursive_triggers ? "recursive triggers on" : "recursive triggers off");
    TestDb db;
    db.Exec(std::string("PRAGMA recursive_triggers=") + (recursive_triggers ? "ON" : "OFF"));
    db.Exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5) "
        "INSERT INTO ICStockBill (FInterID, FTranType) SELECT i, 21 FROM n");
    EXPECT_EQ(db.Value("SELECT COUNT(DISTINCT FOperDate) FROM ICStockBill"), "5");
    db.Exec("CREATE TEMP TABLE before AS SELECT MAX(FOperDate) AS FMax FROM ICStockBill");
    db.Exec("UPDATE ICStockBill SET FStatus = 1");
    EXPECT_EQ(db.Value("SELECT COUNT(DISTINCT FOperDate) FROM ICStockBill"), "5");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM ICStockBill, before WHERE FOperDate <= FMax"), "0");
    EXPECT_EQ(db.Value("SELECT FLast FROM t_RowVersionCounter"), "10");
    EXPECT_EQ(db.Value("SELECT hex(MAX(FOperDate)) FROM ICStockBill"), "000000000000000A");
  }
}

TEST(AccountDb, MaxAndPagingByRowVersionWork) {
  TestDb db;
  EXPECT_EQ(db.Value("SELECT MAX(FOperDate) FROM SEOrder"), "NULL");
  // Start where a server database might stand, so that versions need more than one byte.
  db.Exec("UPDATE t_RowVersionCounter SET FLast = 0x107D0");
  for (int id = 1; id <= 3; ++id) {
    db.Exec("INSERT INTO SEOrder (FInterID, FBillNo) VALUES (" + std::to_string(id) + ", 'SO" +
            std::to_string(id) + "')");
  }
  db.Exec("UPDATE SEOrder SET FFetchAdd = 'dock 4' WHERE FInterID = 1");
  EXPECT_EQ(db.Value("SELECT hex(MAX(FOperDate)) FROM SEOrder"), "00000000000107D4");
  EXPECT_EQ(db.Column("SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 AND "
                      "(FOperDate > X'00000000000107D1') ORDER BY FOperDate"),
            (std::vector<std::string>{"SO2", "SO3", "SO1"}));
  EXPECT_EQ(db.Column("SELECT FBillNo FROM SEOrder WHERE FOperDate > X'0000000000000000' "
                      "ORDER BY FOperDate LIMIT 1"),
            (std::vector<std::string>{"SO2"}));
  EXPECT_EQ(db.Value("SELECT COUNT(*) FROM SEOrder WHERE FOperDate > X'FFFFFFFFFFFFFFFF'"), "0");
}

TEST(AccountDb, RowVersionsCannotBeForgedOrReused) {
  TestDb db;
  db.Exec("INSERT INTO SEOrder (FInterID) VALUES (1)");
  const struct {
    const char* sql;
    const char* message;
  } refusals[] = {
      {"INSERT INTO SEOrder (FInterID, FOperDate) VALUES (2, X'0000000000000001')",
       "Cannot insert an explicit value into a timestamp column."},
      {"INSERT INTO ICSale (FInterID, FOperDate) VALUES (2, NULL)",
       "Cannot insert an explicit value into a timestamp column."},
      {"INSERT INTO COM_DataChange (FType, FTimeStamp) VALUES (81, X'00000000000000FF')",
       "Cannot insert an explicit value into a timestamp column."},
      {"UPDATE SEOrder SET FOperDate = X'0000000000000009'", "Cannot update a timestamp column."},
      {"UPDATE SEOrder SET FOperDate = FOperDate", "Cannot update a timestamp column."},
      {"UPDATE t_RowVersionCounter SET FLast = FLast - 1",
       "The row version counter cannot go back."},
      {"DELETE FROM t_RowVersionCounter", "The row version counter cannot be deleted."},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.sql);
    EXPECT_EQ(db.Try(refusal.sql), refusal.message);
  }
  EXPECT_NE(db.Try("INSERT INTO t_RowVersionCounter (FID, FLast) VALUES (2, 100)"), "");
  EXPECT_EQ(db.Value("SELECT hex(FOperDate) FROM SEOrder"), "0000000000000001");
  EXPECT_EQ(db.Value("SELECT FLast || '/' || FBusy FROM t_RowVersionCounter"), "1/0");
  // A refused statement leaves nothing behind, and the next change carries on from the counter.
  db.Exec("INSERT INTO SEOrder (FInterID) VALUES (2)");
  EXPECT_EQ(db.Value("SELECT hex(FOperDate) FROM SEOrder WHERE FInterID = 2"), "0000000000000002");
}

TEST(AccountDb, DeletingABillHeadLogsItTwiceInTheChangeLog) {
  const struct {
    const char* table;
    int tran_type;
  } heads[] = {
      {"SEOrder", 81}, {"ICSale", 80}, {"ICSale", 86}, {"ICStockBill", 1}, {"ICStockBill", 21}};
  TestDb db;
  int id = 0;
  for (const auto& head : heads) {
    const std::string table = head.table;
    const std::string type = std::to_string(head.tran_type);
    const std::string uuid = "0000000" + std::to_string(++id) + "-AAAA-4AAA-8AAA-AAAAAAAAAAAA";
    SCOPED_TRACE(table + " " + type);
    db.Exec("INSERT INTO " + table + " (FInterID, FTranType, FUUID, FImport, FSystemType) " +
            "VALUES (" + std::to_string(id) + ", " + type + ", '" + uuid + "', 1, 2)");
    const std::string head_version =
        db.Value("SELECT hex(FOperDate) FROM " + table + " WHERE FInterID=" + std::to_string(id));
    db.Exec("DELETE FROM " + table + " WHERE FUUID = '" + uuid + "'");

    EXPECT_EQ(db.Column("SELECT FSystemFlag || ' ' || FType || ' ' || FIfDelete || ' ' || "
                        "FChangedUUID FROM COM_DataChange WHERE FChangedUUID = '" +
                        uuid + "' ORDER BY FTimeStamp"),
              (std::vector<std::string>{"1 " + type + " 1 " + uuid, "2 " + type + " 1 " + uuid}));
    EXPECT_EQ(db.Value("SELECT COUNT(DISTINCT FTimeStamp) FROM COM_DataChange WHERE "
                       "FChangedUUID = '" +
                       uuid + "' AND FTimeStamp > X'" + head_version + "'"),
              "2");
    // What the deletion-key export reads: the kind's newest flag-2 row, and the flag-1 page.
    EXPECT_EQ(db.Value("SELECT hex(MAX(FTimeStamp)) FROM COM_DataChange WHERE FSystemFlag=2 "
                       "AND FType=" +
                       type + " and FIfDelete=1"),
              db.Value("SELECT hex(FTimeStamp) FROM COM_DataChange WHERE FSystemFlag=2 AND "
                       "FChangedUUID='" +
                       uuid + "'"));
    EXPECT_EQ(db.Column("SELECT FChangedUUID FROM COM_DataChange WHERE FSystemFlag=1 AND "
                        "FType=" +
                        type + " and FIfDelete=1 and (FTimeStamp>X'" + head_version +
                        "') ORDER BY FTimeStamp"),
              (std::vector<std::string>{uuid}));
  }
  EXPECT_EQ(db.Value("SELECT COUNT(*) FROM COM_DataChange"), "10");
}

TEST(AccountDb, ChangeLogHoldsDeletionsOfHeadsOnly) {
  TestDb db;
  db.Exec("INSERT INTO SEOrder (FInterID, FBillNo) VALUES (1, 'SO1'), (2, 'SO2')");
  db.Exec("INSERT INTO SEOrderEntry (FInterID, FEntryID) VALUES (1, 1), (1, 2)");
  db.Exec("INSERT INTO ICSale (FInterID, FTranType) VALUES (1, 86), (2, 80)");
  db.Exec("UPDATE SEOrder SET FStatus = 1");
  db.Exec("DELETE FROM SEOrderEntry");
  EXPECT_EQ(db.Value("SELECT COUNT(*) FROM COM_DataChange"), "0");

  // An order head without a type is still a sales order; a head keeps the UUID it was given
  // by default.
  db.Exec("DELETE FROM SEOrder WHERE FInterID = 1");
  EXPECT_EQ(db.Column("SELECT FType FROM COM_DataChange ORDER BY FTimeStamp"),
            (std::vector<std::string>{"81", "81"}));
  const std::string uuid = db.Value("SELECT FChangedUUID FROM COM_DataChange LIMIT 1");
  EXPECT_TRUE(std::regex_match(uuid, kGuidPattern)) << uuid;
  EXPECT_NE(uuid, db.Value("SELECT FUUID FROM SEOrder WHERE FInterID = 2"));

  // One statement deleting several heads logs each of them.
  db.Exec("DELETE FROM ICSale");
  EXPECT_EQ(db.Column("SELECT FType || '/' || FSystemFlag FROM COM_DataChange WHERE FType <> 81 "
                      "ORDER BY FType, FSystemFlag"),
            (std::vector<std::string>{"80/1", "80/2", "86/1", "86/2"}));
}

TEST(AccountDb, SavingOverABillLogsNoDeletionWhileDeletingItDoes) {
  const struct {
    const char* table;
    const char* entries;
    int tran_type;
  } heads[] = {{"SEOrder", "SEOrderEntry", 81},
               {"ICSale", "ICSaleEntry", 86},
               {"ICStockBill", "ICStockBillEntry", 21}};
  TestDb db;
  for (const auto& head : heads) {
    const std::string table = head.table;
    const std::string type = std::to_string(head.tran_type);
    SCOPED_TRACE(table);
    db.Exec("INSERT INTO " + table + " (FInterID, FTranType, FUUID) VALUES (5, " + type +
            ", 'U-5'), (6, " + type + ", 'U-6')");
    db.Exec(std::string("INSERT INTO ") + head.entries + " (FInterID, FEntryID) VALUES (5, 1)");
    const std::string old_version =
        db.Value("SELECT hex(FOperDate) FROM " + table + " WHERE FInterID = 5");

    // Saving over bill 5: marker, old rows out, new rows in, marker out, in one transaction.
    // The marker is matched like every key (any case, trailing blanks).
    db.Exec("BEGIN; INSERT INTO t_BillResave (FTableName, FInterID) VALUES ('" + UpperCase(table) +
            " ', 5); DELETE FROM " + head.entries + " WHERE FInterID = 5; DELETE FROM " + table +
            " WHERE FInterID = 5; INSERT INTO " + table + " (FInterID, FTranType, FUUID) VALUES " +
            "(5, " + type + ", 'U-5'); DELETE FROM t_BillResave; COMMIT");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM COM_DataChange"), "0");
    EXPECT_GT(db.Value("SELECT hex(FOperDate) FROM " + table + " WHERE FInterID = 5"), old_version);

    // The marker of bill 5 does not hide the deletion of bill 6, and without the marker
    // deleting bill 5 is logged.
    db.Exec("BEGIN; INSERT INTO t_BillResave (FTableName, FInterID) VALUES ('" + table +
            "', 5); DELETE FROM " + table +
            " WHERE FInterID = 6; DELETE FROM t_BillResave; COMMIT");
    db.Exec("DELETE FROM " + table + " WHERE FInterID = 5");
    EXPECT_EQ(db.Column("SELECT FChangedUUID || '/' || FSystemFlag FROM COM_DataChange "
                        "ORDER BY FTimeStamp"),
              (std::vector<std::string>{"U-6/1", "U-6/2", "U-5/1", "U-5/2"}));
    db.Exec("DELETE FROM COM_DataChange");
  }
}

TEST(AccountDb, DateTimeColumnsTakeOnlyWhatTheServerConverts) {
  const struct {
    const char* value;
    bool stored;
  } cases[] = {
      {"'2024-02-29'", true},          {"'9999-12-31'", true},
      {"'1753-01-01'", true},          {"'2024/05/02'", true},
      {"'20240502'", true},            {"'2024-05-02 13:45'", true},
      {"'2024-05-02T13:45:07.123'", true},
      {"'13:45:07'", true},            {"''", true},
      {"NULL", true},                  {"45000", true},
      {"'2023-02-30'", false},         {"'1752-12-31'", false},
      {"'2024-13-01'", false},         {"'2024-05-02 24:00'", false},
      {"'tomorrow'", false},           {"'2024-05-02x'", false},
      {"'2024-5-2'", false},           {"X'00'", false},
  };
  TestDb db;
  const struct {
    const char* table;
    const char* column;
  } columns[] = {{"SEOrder", "FDate"},       {"SEOrderEntry", "FAdviceConsignDate"},
                 {"ICSale", "FDate"},        {"ICStockBill", "FDate"},
                 {"ICStockBillEntry", "FKFDate"}};
  int id = 0;
  for (const auto& column : columns) {
    const bool entry = std::string(column.table).find("Entry") != std::string::npos;
    // INSERT of row `key` with the date column set to `value`, or left out.
    auto insert = [&](const std::string& key, const char* value) {
      return std::string("INSERT INTO ") + column.table + " (FInterID" +
             (entry ? ", FEntryID" : "") + (value ? std::string(", ") + column.column : "") +
             ") VALUES (" + key + (entry ? ", 1" : "") + (value ? std::string(", ") + value : "") +
             ")";
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(column.table) + "." + column.column + " = " + c.value);
      const std::string key = std::to_string(++id);
      const std::string error = db.Try(insert(key, c.value));
      EXPECT_EQ(error.empty(), c.stored) << error;
      if (c.stored) continue;
      EXPECT_NE(error.find("Conversion failed when converting date"), std::string::npos);
      // An update is refused alike.
      db.Exec(insert(key, nullptr));
      EXPECT_NE(db.Try(std::string("UPDATE ") + column.table + " SET " + column.column + " = " +
                       c.value + " WHERE FInterID = " + key),
                "");
    }
  }
}

TEST(AccountDb, ErpTextComparesLikeTheServer) {
  TestDb db(false);
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"abc", "ABC", 0},    {"ABC   ", "abc", 0},
      {"", "   ", 0},       {"abc", "abd", -1},
      {"ab", "abc", -1},    {"abc", "ab ", 1},
      {" abc", "abc", -1},  {"abc\t", "abc", 1},
      {"a_b", "A_B", 0},    {"_", "a", -1},
      {"Z", "_", 1},        {"\xC3\xA9", "\xC3\x89", 1},
      {"\xC3\xA9", "f", 1}, {"SO000001", "so000001 ", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.a + "' vs '" + c.b + "'");
    const int sign = CompareErpText(c.a, c.b);
    EXPECT_EQ((sign > 0) - (sign < 0), c.sign);
    const int reverse = CompareErpText(c.b, c.a);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
    const std::string a = std::string("'") + c.a + "'";
    const std::string b = std::string("'") + c.b + "'";
    EXPECT_EQ(db.Value("SELECT " + a + " = " + b + " COLLATE ERPTEXT"), c.sign == 0 ? "1" : "0");
    EXPECT_EQ(db.Value("SELECT " + a + " < " + b + " COLLATE ERPTEXT"), c.sign < 0 ? "1" : "0");
  }
}

TEST(AccountDb, TextColumnsMatchAndSortWithoutCaseOrTrailingBlanks) {
  TestDb db;
  db.Exec(
      "INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName) VALUES "
      "(1, 4, 'ABC ', 'first'), (2, 4, 'abd', 'second'), (3, 4, 'Abb', 'third'), "
      "(4, 1, 'abc', 'customer')");
  EXPECT_EQ(db.Value("SELECT FItemID FROM t_Item WHERE FItemClassID=4 AND FNumber='abc'"), "1");
  EXPECT_EQ(db.Value("SELECT FItemID FROM t_Item WHERE FItemClassID=4 AND FNumber='aBc   '"), "1");
  EXPECT_EQ(db.Column("SELECT FName FROM t_Item WHERE FItemClassID=4 ORDER BY FNumber"),
            (std::vector<std::string>{"third", "first", "second"}));
  EXPECT_EQ(db.Value("SELECT COUNT(DISTINCT FNumber) FROM t_Item"), "3");

  // Keys compare the same way: the bill table of the numbering row is found in any case, and a
  // second row for the same table is refused.
  EXPECT_EQ(db.Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='seorder'"), "0");
  EXPECT_NE(db.Try("INSERT INTO t_BillInterIDMax (FTableName) VALUES ('SEORDER ')"), "");

  // GUIDs compare without regard to case, as the server's do.
  db.Exec(
      "INSERT INTO SEOrder (FInterID, FUUID) VALUES (1, '6f9619ff-8b86-d011-b42d-00c04fc964ff')");
  EXPECT_EQ(
      db.Value("SELECT FInterID FROM SEorder WHERE FUUID='6F9619FF-8B86-D011-B42D-00C04FC964FF'"),
      "1");

  // A stock place answers to its UUID under both names.
  db.Exec(
      "INSERT INTO t_StockPlace (FSPID, FNumber, FName, FUUID) VALUES (7, 'P1', 'Shelf', 'u-7')");
  EXPECT_EQ(db.Value("Select FSPID AS FItemID from t_StockPlace WHERE 1=1  AND UUID='U-7'"), "7");
}

TEST(AccountDb, NewIdGivesFreshUpperCaseGuids) {
  TestDb db(false);
  std::set<std::string> seen;
  for (const std::string& guid :
       db.Column("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                 "SELECT newid() FROM n")) {
    EXPECT_TRUE(std::regex_match(guid, kGuidPattern)) << guid;
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 1000u);
  EXPECT_EQ(db.Value("SELECT NEWID() = NEWID()"), "0");
}

// The same clock GetDate reads: std::time() runs on a coarser clock that can still show the
// second before for a few milliseconds after it has turned.
std::string LocalNowText() {
  const std::time_t now = std::chrono::system_clock::to_time_t(
      std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

TEST(AccountDb, GetDateGivesTheLocalTimeWithMilliseconds) {
  TestDb db(false);
  const std::string before = LocalNowText();
  const std::string value = db.Value("SELECT GetDate() AS x");
  const std::string after = LocalNowText();
  EXPECT_TRUE(std::regex_match(value, std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$)")))
      << value;
  EXPECT_LE(before, value.substr(0, 19));
  EXPECT_GE(after, value.substr(0, 19));
}

TEST(AccountDb, RowVersionBlobIsBigEndianEightBytes) {
  TestDb db(false);
  EXPECT_EQ(db.Value("SELECT hex(ROWVERSION_BLOB(0x0102030405060708))"), "0102030405060708");
  EXPECT_EQ(db.Value("SELECT hex(rowversion_blob(1))"), "0000000000000001");
  EXPECT_EQ(db.Value("SELECT hex(ROWVERSION_BLOB(-1))"), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(db.Value("SELECT ROWVERSION_BLOB(NULL) IS NULL"), "1");
  EXPECT_EQ(db.Value("SELECT ROWVERSION_BLOB(255) < ROWVERSION_BLOB(256)"), "1");
  EXPECT_EQ(db.Value("SELECT ROWVERSION_BLOB(256) = X'0000000000000100'"), "1");
}

TEST(AccountDb, FailedCreationLeavesTheDatabaseAsItWas) {
  {
    SCOPED_TRACE("functions not registered");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    try {
      CreateAccountSchema(raw);
      ADD_FAILURE() << "created a schema without its collation";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("ERPTEXT"), std::string::npos) << e.what();
    }
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT COUNT(*) FROM sqlite_master", -1, &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
  }
  {
    SCOPED_TRACE("schema already there");
    TestDb db;
    db.Exec("INSERT INTO SEOrder (FInterID) VALUES (1)");
    const std::string objects = db.Value("SELECT COUNT(*) FROM sqlite_master");
    EXPECT_THROW(CreateAccountSchema(db.get()), std::runtime_error);
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM sqlite_master"), objects);
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM t_RowVersionCounter"), "1");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM t_BillNoRule"), "5");
    EXPECT_EQ(db.Value("SELECT FLast FROM t_RowVersionCounter"), "1");
    // The connection is usable afterwards: no savepoint is left open.
    EXPECT_EQ(sqlite3_get_autocommit(db.get()), 1);
  }
  EXPECT_THROW(RegisterErpSqlFunctions(nullptr), std::runtime_error);
  EXPECT_THROW(CreateAccountSchema(nullptr), std::runtime_error);
}

}  // namespace

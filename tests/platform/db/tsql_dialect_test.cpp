#include "platform/db/tsql_dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

using corvane::db::TranslateTsql;
using Statements = std::vector<std::string>;

struct Case {
  const char* name;
  std::string tsql;
  std::string sqlite;
};

void ExpectSingle(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TranslateTsql(c.tsql), Statements{c.sqlite}) << c.tsql;
  }
}

TEST(TsqlDialect, MovesTopToLimitAtTheEndOfItsSelect) {
  ExpectSingle({
      {"after ORDER BY", "SELECT TOP 100 *  From SEOrder  WHERE  FInterID <> 0 ORDER BY FOperDate",
       "SELECT *  From SEOrder  WHERE  FInterID <> 0 ORDER BY FOperDate LIMIT 100"},
      {"parenthesised count", "SELECT TOP (5) a FROM t", "SELECT a FROM t LIMIT 5"},
      {"parenthesised expression", "SELECT TOP (2*3) a FROM t", "SELECT a FROM t LIMIT (2*3)"},
      {"distinct", "SELECT DISTINCT TOP 3 a FROM t", "SELECT DISTINCT a FROM t LIMIT 3"},
      {"derived table",
       "SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 100 * FROM COM_DataChange  WHERE "
       "FSystemFlag=1 ORDER BY FTimeStamp) u",
       "SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT * FROM COM_DataChange  WHERE FSystemFlag=1 "
       "ORDER BY FTimeStamp LIMIT 100) u"},
      {"nested subquery and outer select",
       "SELECT TOP 1 a FROM t WHERE b IN (SELECT TOP 2 b FROM u ORDER BY b) ORDER BY a",
       "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY b LIMIT 2) ORDER BY a LIMIT 1"},
      {"union arms keep their own limit and the shared ORDER BY",
       "SELECT TOP 2 a FROM t UNION ALL SELECT TOP 1 b FROM u ORDER BY a",
       "SELECT * FROM (SELECT a FROM t LIMIT 2) UNION ALL SELECT * FROM (SELECT b FROM u LIMIT 1) "
       "ORDER BY a"},
      {"insert from select", "INSERT INTO b (a) SELECT TOP 3 a FROM t",
       "INSERT INTO b (a) SELECT a FROM t LIMIT 3"},
      {"limit goes before a trailing comment", "SELECT TOP 1 a FROM t -- first",
       "SELECT a FROM t LIMIT 1 -- first"},
  });
}

TEST(TsqlDialect, RewritesLiteralsNamesAndFunctions) {
  ExpectSingle({
      {"zero row version", "SELECT a FROM t WHERE v>0x0000000000000000",
       "SELECT a FROM t WHERE v>X'0000000000000000'"},
      {"short binary padded to 8 bytes", "SELECT a FROM t WHERE v>0x107D1",
       "SELECT a FROM t WHERE v>X'00000000000107D1'"},
      {"long binary keeps its digits, even count",
       "SELECT 0x123456789ABCDEF01, 0x123456789ABCDEF012",
       "SELECT X'0123456789ABCDEF01', X'123456789ABCDEF012'"},
      {"ISNULL", "SELECT ISNULL(a,''), isnull (b, 0) FROM t",
       "SELECT IFNULL(a,''), IFNULL (b, 0) FROM t"},
      {"registered functions stay", "INSERT INTO t (a, b) VALUES (NEWID(), GetDate())",
       "INSERT INTO t (a, b) VALUES (NEWID(), GetDate())"},
      {"alias = expression", "SELECT x=GetDate()", "SELECT GetDate() AS x"},
      {"several alias items", "SELECT a, n = COUNT(*), [b c]=1, 'q' = 2 FROM t WHERE a=1",
       "SELECT a, COUNT(*) AS n, 1 AS \"b c\", 2 AS 'q' FROM t WHERE a=1"},
      {"alias inside a subquery", "SELECT a FROM (SELECT v = b + 1 FROM t) s WHERE v = 2",
       "SELECT a FROM (SELECT b + 1 AS v FROM t) s WHERE v = 2"},
      {"comparisons outside the select list stay",
       "UPDATE t SET a = 1 WHERE b = (SELECT MAX(c) FROM u WHERE d = 2)",
       "UPDATE t SET a = 1 WHERE b = (SELECT MAX(c) FROM u WHERE d = 2)"},
      {"digits glued to keywords", "SELECT a FROM t WHERE b= 16394AND c= 1OR d=2",
       "SELECT a FROM t WHERE b= 16394 AND c= 1 OR d=2"},
      {"bracketed names", "SELECT [a b], [x]]y], [q\"r] FROM [t]",
       "SELECT \"a b\", \"x]y\", \"q\"\"r\" FROM \"t\""},
      {"national strings", "SELECT N'text', n'it''s' FROM t", "SELECT 'text', 'it''s' FROM t"},
      {"not-less and not-greater", "SELECT a FROM t WHERE b !< 1 AND c !> 2",
       "SELECT a FROM t WHERE b >= 1 AND c <= 2"},
      {"table hints", "SELECT a FROM t WITH (NOLOCK) JOIN u (NOLOCK, READPAST) ON t.k=u.k",
       "SELECT a FROM t  JOIN u  ON t.k=u.k"},
      {"LEN and CHARINDEX", "SELECT LEN(a), CHARINDEX('x', ISNULL(b,'')) FROM t",
       "SELECT LENGTH(RTRIM(a)), INSTR(UPPER(IFNULL(b,'')), UPPER('x')) FROM t"},
      {"CONVERT and CAST",
       "SELECT CONVERT(varchar(20), a), CONVERT(datetime, b), CAST(c AS nvarchar(max)), "
       "CAST(d AS int), CAST(e AS date)",
       "SELECT CAST(a AS TEXT), (b), CAST(c AS TEXT), CAST(d AS INTEGER), date(e)"},
      {"CONVERT and CAST with sizes",
       "SELECT CONVERT(decimal(28, 10), a), CAST(b AS varchar(MAX)), CONVERT(nvarchar ( 40 ), c)",
       "SELECT CAST(a AS NUMERIC), CAST(b AS TEXT), CAST(c AS TEXT)"},
      {"a date in a canonical style is the stored text",
       "SELECT CONVERT(DATETIME, '2024-05-14 10:00:00', 120), CONVERT(datetime, d, 23)",
       "SELECT ('2024-05-14 10:00:00'), (d)"},
  });
}

TEST(TsqlDialect, TurnsPlusWithAStringOperandIntoConcatenation) {
  ExpectSingle({
      {"literal on both ends", "SELECT 'A' + FName + 'B' FROM t",
       "SELECT 'A' || FName || 'B' FROM t"},
      {"literal in the middle", "SELECT FName + ' ' + LTRIM(FNumber) FROM t",
       "SELECT FName || ' ' || LTRIM(FNumber) FROM t"},
      {"numbers stay added", "SELECT a + 1, b + c FROM t WHERE d + 2 = 'x'",
       "SELECT a + 1, b + c FROM t WHERE d + 2 = 'x'"},
      {"comma and parentheses end a run", "SELECT a + b, ('x' + c) + d FROM t",
       "SELECT a + b, ('x' || c) + d FROM t"},
      {"CASE branches", "SELECT 'n:' + CASE WHEN a=1 THEN b ELSE c END + 'x' FROM t",
       "SELECT 'n:' || CASE WHEN a=1 THEN b ELSE c END || 'x' FROM t"},
  });
}

TEST(TsqlDialect, LeavesLiteralsQuotedNamesAndCommentsAlone) {
  const char* const kUnchanged[] = {
      "SELECT 'SELECT TOP 5', '0x10', 'a[b]', 'x+y', 'it''s 16394AND', 'ISNULL(' FROM t",
      "SELECT \"TOP 5\", \"0x10\" FROM t",
      "SELECT a -- TOP 1 0x1 [x] ISNULL( x=1\r\nFROM t",
      "SELECT /* SELECT TOP 1 x=1 /* nested 0x1 */ N'a' + 'b' */ a FROM t",
  };
  for (const char* sql : kUnchanged) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(TranslateTsql(sql), Statements{sql});
  }
}

TEST(TsqlDialect, TranslatesTheDocumentedStatements) {
  ExpectSingle({
      {"page of orders",
       "SELECT TOP 2 FBillNo FROM SEOrder WHERE FInterID <> 0 AND (FOperDate>0x0000000000000000) "
       "ORDER BY FOperDate",
       "SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 AND (FOperDate>X'0000000000000000') "
       "ORDER BY FOperDate LIMIT 2"},
      {"group one check",
       "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= t_User.FUserID AND "
       "t_User.FUserID= 16394AND t_Group.FGroupID= 1",
       "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= t_User.FUserID AND "
       "t_User.FUserID= 16394 AND t_Group.FGroupID= 1"},
  });
}

TEST(TsqlDialect, SplitsStatementsAtTopLevelStarts) {
  struct SplitCase {
    const char* name;
    std::string tsql;
    Statements sqlite;
  };
  const SplitCase cases[] = {
      {"delete then insert",
       "DELETE FROM A WHERE x=1 INSERT INTO B (a,b) VALUES (1,2)",
       {"DELETE FROM A WHERE x=1", "INSERT INTO B (a,b) VALUES (1,2)"}},
      {"update then insert",
       "UPDATE A SET x=1 WHERE y=2\r\nINSERT INTO B (a) VALUES (3)",
       {"UPDATE A SET x=1 WHERE y=2", "INSERT INTO B (a) VALUES (3)"}},
      {"insert from select stays one",
       "INSERT INTO B (a)\r\nSELECT a FROM C",
       {"INSERT INTO B (a)\r\nSELECT a FROM C"}},
      {"insert values then select",
       "INSERT INTO B VALUES (1) SELECT 2",
       {"INSERT INTO B VALUES (1)", "SELECT 2"}},
      {"union all stays one",
       "\r\n Select * from A \r\n Where k='x' \r\n Union all\r\n Select * from A \r\n Where k='y' "
       "\r\n",
       {"Select * from A \r\n Where k='x' \r\n Union all\r\n Select * from A \r\n Where k='y'"}},
      {"subquery stays",
       "DELETE FROM E WHERE k IN (SELECT k FROM H WHERE n='x')",
       {"DELETE FROM E WHERE k IN (SELECT k FROM H WHERE n='x')"}},
      {"common table expression",
       "WITH c AS (SELECT 1 AS a) INSERT INTO B SELECT a FROM c",
       {"WITH c AS (SELECT 1 AS a) INSERT INTO B SELECT a FROM c"}},
      {"semicolons", "SELECT 1; ;SELECT 2;", {"SELECT 1", "SELECT 2"}},
      {"comment stays with its statement",
       "DELETE FROM A -- gone\r\nSELECT 1",
       {"DELETE FROM A -- gone", "SELECT 1"}},
      {"each statement rewritten on its own",
       "SELECT TOP 1 a FROM t SELECT y=1",
       {"SELECT a FROM t LIMIT 1", "SELECT 1 AS y"}},
      {"procedural text is not split",
       "IF EXISTS (SELECT 1 FROM A) DELETE FROM A",
       {"IF EXISTS (SELECT 1 FROM A) DELETE FROM A"}},
      {"nothing to run", " ; -- only a comment\r\n", {}},
      {"empty", "", {}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TranslateTsql(c.tsql), c.sqlite);
  }
}

TEST(TsqlDialect, PassesWhatItDoesNotUnderstandThrough) {
  const char* const kUnchanged[] = {
      "SELECT DATEADD(day, 1, FDate) FROM t",
      "EXEC GetICMaxNum 'SEOrder'",
      "SELECT TOP 10 PERCENT a FROM t",
      "SELECT TOP 5 WITH TIES a FROM t ORDER BY a",
      "SELECT CHARINDEX('a', b, 2), CONVERT(varchar(10), d, 120), CAST(e AS geography)",
      "SELECT CONVERT(varchar('x'), 5)",
      "SELECT CAST(5 AS varchar('x'))",
      "SELECT CONVERT(varchar(1.5), a), CONVERT(int garbage, b), CONVERT(varchar(10) + 1, c)",
      "SELECT CONVERT(decimal(28, 10, 2), a), CAST(b AS varchar(max, 2)), CONVERT(varchar(), c)",
      "SELECT CONVERT(, a, 120), CONVERT(datetime, , 120), CONVERT(, a), CAST( AS int), LEN()",
      "SELECT 'unterminated",
      "SELECT [unterminated",
      "SELECT 0x FROM t",
      "garbage ((( ))",
      "INSERT INTO t (a) VALUES (@BillInterID)",
  };
  for (const char* sql : kUnchanged) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(TranslateTsql(sql), Statements{sql});
  }
}

// Calls nested in the arguments of calls: each level is read once. Calls that stay as written
// at every level (a type the dialect does not know) used to be read again at each level, twice
// the work per level, so forty levels did not finish. Beyond 32 levels the calls go through
// as written and SQLite judges them.
TEST(TsqlDialect, NestedCallsAreReadOnceAndVeryDeepOnesGoThroughAsWritten) {
  auto nest = [](const std::string& open, const std::string& close, int levels) {
    std::string text = "a";
    for (int i = 0; i < levels; ++i) text = open + text + close;
    return "SELECT " + text;
  };
  const std::string kept = nest("CONVERT(geography, ", ")", 40);
  EXPECT_EQ(TranslateTsql(kept), Statements{kept});

  const std::vector<std::string> deep = TranslateTsql(nest("CAST(", " AS int)", 200));
  ASSERT_EQ(deep.size(), 1u);
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = deep[0].find(what); at != std::string::npos; at = deep[0].find(what, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(count(" AS INTEGER)"), 32u);
  EXPECT_EQ(count(" AS int)"), 168u);
  EXPECT_EQ(deep[0].rfind("SELECT CAST(CAST(", 0), 0u);
}

// ---------------------------------------------------------------------------------------------
// The translated statements on a real SQLite database.

class SqliteDb {
 public:
  SqliteDb() {
    EXPECT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    auto getdate = [](sqlite3_context* ctx, int, sqlite3_value**) {
      sqlite3_result_text(ctx, "2024-05-06 07:08:09.123", -1, SQLITE_STATIC);
    };
    auto newid = [](sqlite3_context* ctx, int, sqlite3_value**) {
      sqlite3_result_text(ctx, "6F9619FF-8B86-D011-B42D-00C04FC964FF", -1, SQLITE_STATIC);
    };
    sqlite3_create_function(db_, "GETDATE", 0, SQLITE_UTF8, nullptr, getdate, nullptr, nullptr);
    sqlite3_create_function(db_, "NEWID", 0, SQLITE_UTF8, nullptr, newid, nullptr, nullptr);
  }
  ~SqliteDb() { sqlite3_close(db_); }

  // Runs plain SQLite SQL (fixture set-up).
  void Raw(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      ADD_FAILURE() << err << "\n" << sql;
      sqlite3_free(err);
    }
  }

  // Translates T-SQL, runs every statement and returns the rows of the last one, each column
  // as text (blobs in hex, NULL as "NULL").
  std::vector<std::vector<std::string>> Run(const std::string& tsql) {
    std::vector<std::vector<std::string>> rows;
    const Statements statements = TranslateTsql(tsql);
    EXPECT_FALSE(statements.empty()) << tsql;
    for (const std::string& sql : statements) {
      rows.clear();
      sqlite3_stmt* stmt = nullptr;
      if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db_) << "\nT-SQL:  " << tsql << "\nSQLite: " << sql;
        return rows;
      }
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) row.push_back(Text(stmt, i));
      }
      if (rc != SQLITE_DONE) ADD_FAILURE() << sqlite3_errmsg(db_) << "\nSQLite: " << sql;
      sqlite3_finalize(stmt);
    }
    return rows;
  }

  sqlite3* handle() { return db_; }

 private:
  static std::string Text(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_NULL:
        return "NULL";
      case SQLITE_BLOB: {
        const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
        std::string hex = "0x";
        for (int k = 0; k < sqlite3_column_bytes(stmt, i); ++k) {
          hex += "0123456789ABCDEF"[p[k] >> 4];
          hex += "0123456789ABCDEF"[p[k] & 15];
        }
        return hex;
      }
      default:
        return reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    }
  }

  sqlite3* db_ = nullptr;
};

// Just the tables and columns the statements below touch; untyped columns except where the
// comparison depends on it.
constexpr const char* kSchema = R"(
CREATE TABLE SEOrder (FInterID INTEGER, FBrNo, FTranType INTEGER, FDate, FBillNo, FUUID,
  FCustID, FCurrencyID, FExchangeRate, FDiscountType, FDeptID, FEmpID, FMangerID, FBillerID,
  FImport, FSystemType, FFetchAdd, FSaleStyle, FSettleID, FStatus DEFAULT 0, FOperDate BLOB);
CREATE TABLE SEOrderEntry (FInterID, FEntryID, FBrNo, FItemID, FUnitID, FAuxQty, FAuxPrice,
  FTaxRate, FTaxAmount, FCESS, FAmount, FNote, FDate, FAuxTaxPrice, FTaxAmt, FAllAmount,
  FAllStdAmount, FUniDiscount, FAuxPriceDiscount, FContractBillNO, FContractInterID,
  FAdviceConsignDate, FFinalAmount);
CREATE TABLE ICSale (FBrNo, FStatus, FInterID, FImport, FSystemType, FTranType INTEGER, FBillNo,
  FUUID, FDate, FROB, FSaleStyle, FCustID, FCurrencyID, FDeptID, FEmpID, FBillerID, FExchangeRate,
  FNote, FOperDate BLOB);
CREATE TABLE ICSaleEntry (FBrNo, FInterID, FEntryID, FItemID, FAuxQty, FUnitID, FAuxPrice,
  FAuxTaxPrice, FTaxRate, FDiscountRate, FAmount, FTaxAmount);
CREATE TABLE ICStockBill (FBrNo, FStatus, FInterID, FBillNo, FUUID, Fdate, FROB,
  FTranType INTEGER, FNote, FBillerID, FFManagerID, FPosterID, FRelateBrID, FSaleStyle, FPOStyle,
  FSManagerID, FSupplyID, FCurrencyID, FDeptID, FEmpID, FImport, FSystemType, FOperDate BLOB);
CREATE TABLE ICStockBillEntry (FBrNo, FInterID, FEntryID, FItemID, Famount, FAuxPlanPrice,
  Fauxprice, Fauxqty, FAuxQtyMust, FBatchNo, FDCStockID, FDCSPID, FKFDate, FKFPeriod, FMapName,
  FMapNumber, Fnote, FPlanAmount, FQty, FQtyMust, FUnitID, FConsignAmount, FConsignPrice,
  FOrderBillNO);
CREATE TABLE COM_DataChange (FType, FIfDelete, FChangedUUID, FSystemFlag, FTimeStamp BLOB);
CREATE TABLE t_User (FUserID, FName, FForbidden, UUID);
CREATE TABLE t_Group (FUserID, FGroupID);
CREATE TABLE t_AccessControl (FUserID, FObjectType, FAccessMask);
CREATE TABLE t_Currency (FCurrencyID, FNumber, FName, UUID);
CREATE TABLE t_Item (FItemID, FItemClassID, FNumber, FName, UUID);
CREATE TABLE t_MeasureUnit (FMeasureUnitID, FNumber, FName, UUID);
CREATE TABLE t_RpContract (FContractID, FContractNO, UUID);
CREATE TABLE t_SubMessage (FInterID, FID, FName, FTypeID, UUID);
CREATE TABLE t_StockPlace (FSPID, FNumber, FName, FUUID);
CREATE TABLE t_Organization (FItemID, FCarryingAOS);
CREATE TABLE t_Settle (FItemID, FNumber, FName);
CREATE TABLE ICListTemplate (FID, FTemplateID, FBillCls, FBillTemplateID);
CREATE TABLE t_ICItem (FItemID, FNumber, FName, FModel, FLowLimit, FHighLimit, FSecInv, FUnitID);
CREATE TABLE ICInventory (FItemID, FBatchNo, FQty);
CREATE TABLE t_LockStock (FItemID, FQty);
)";

class TsqlOnSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Raw(kSchema);
    db_.Raw(R"(
INSERT INTO SEOrder (FInterID, FBillNo, FOperDate, FSystemType, FStatus) VALUES
  (1, 'SO1', X'0000000000000003', 2, 0), (2, 'SO2', X'0000000000000001', 1, 0),
  (3, 'SO3', X'0000000000000002', 2, 0), (0, 'SO0', X'0000000000000000', 1, 0);
INSERT INTO t_User VALUES (16394, 'admin', 0, 'U1'), (7, 'clerk', 0, 'U7');
INSERT INTO t_Group VALUES (16394, 1), (7, 2);
INSERT INTO COM_DataChange VALUES (81, 1, 'A', 1, X'0000000000000001'),
  (81, 1, 'B', 1, X'0000000000000002'), (81, 1, 'C', 1, X'0000000000000003'),
  (81, 1, 'A', 2, X'0000000000000004');
INSERT INTO t_ICItem VALUES (1, 'M-1', 'Bolt', NULL, 0, 10, 1, 1);
INSERT INTO ICInventory VALUES (1, NULL, 5), (1, 'B7', 3);
INSERT INTO t_LockStock VALUES (1, 2), (1, -4);
)");
  }

  SqliteDb db_;
};

// Every statement text the component sends, instantiated with sample values.
TEST_F(TsqlOnSqlite, EveryStatementOfTheComponentRuns) {
  const std::string crlf = "\r\n";
  const std::string page_cond =
      " WHERE FSystemFlag=1  AND FType=81 and FIfDelete=1  and (FTimeStamp>0x0000000000000001)";
  const std::string dts_lookup = " Select UUID,FItemID,FNumber,FName From t_Item " + crlf +
                                 " Where FItemClassID=1 And " + crlf + "       UUID='C1'" + crlf;
  const std::string tsql[] = {
      "SELECT x=GetDate()",
      "SELECT FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=1",
      "SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=1",
      "SELECT FNumber,FName,UUID FROM t_MeasureUnit WHERE FMeasureUnitID=1",
      "SELECT FContractID AS FNumber,FContractNO AS FName,UUID FROM t_RpContract WHERE "
      "FContractID=1",
      "SELECT FID AS FNumber,FName,UUID FROM t_SubMessage WHERE FInterID=1",
      "SELECT FUserID AS FNumber,FName,UUID FROM t_User WHERE FUserID=1",
      "SELECT FNumber,FName,FUUID FROM t_StockPlace WHERE FSPID=1",
      "SELECT FCurrencyID as FItemID FROM t_Currency  WHERE 1=1  AND UUID='x'",
      "SELECT FItemID FROM t_Item  WHERE FItemClassID=4 AND FNumber='M-1'",
      " select FMeasureUnitID as FItemID from t_measureunit  WHERE 1=1  AND FName='pcs'",
      "SELECT  FContractID AS FItemID FROM t_RpContract  WHERE 1=1  AND FContractNo='C-1'",
      "SELECT FInterID AS FItemID FROM t_SubMessage  WHERE 1=1  AND FID='101'",
      "SELECT FUserID AS FItemID FROM t_User  WHERE 1=1  AND FUserID='16394'",
      "Select FSPID AS FItemID from t_StockPlace WHERE 1=1  AND FNumber='S1'",
      "SELECT FBillNo,FInterID,FUUID FROM ICStockBill WHERE FTranType=21 AND FBillNo='XS1'",
      "SELECT FBillNo,FInterID,FUUID FROM SEOrder WHERE FBillNo='SO1'",
      "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=16394",
      "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= t_User.FUserID AND "
      "t_User.FUserID= 16394AND t_Group.FGroupID= 1",
      "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=16394",
      "SELECT FBillNo FROM SEOrder WHERE FInterID=1",
      "SELECT FBillNo FROM ICSale WHERE FInterID=1",
      "SELECT FID,FTemplateID,FBillCls FROM ICListTemplate WHERE FBillTemplateID=81",
      "SELECT MAX(FOperDate) as FMT FROM SeOrder",
      "SELECT TOP 100 *  From SEOrder  WHERE  FInterID <> 0  AND (FOperDate>0x0000000000000000) "
      "ORDER BY FOperDate",
      "SELECT *  From SEOrder  WHERE  FInterID <> 0  AND ((FOperDate>0x00000000000107D1) AND "
      "(FCustID=5)) ORDER BY FOperDate",
      "SELECT * FROM SEorderEntry WHERE FInterID=1",
      "Select FCarryingAOS From t_Organization Where FItemID=1",
      "Select FInterID From SEorder Where FUUID='U'",
      "Select FInterID from SEorder  Where FBillNo='SO1'",
      " select * from ICSaleEntry where FInterID=1",
      "SELECT MAX(FOperDate) as FMT FROM ICSale WHERE FInterID <> 0 ",
      "SELECT TOP 100 * FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86) AND "
      "(FOperDate>0xFFFFFFFFFFFFFFFF) ORDER BY FOperDate",
      "Select * From ICSale Where FUUID='U'",
      "Select FInterID from ICSale Where FBillNo='XS1'",
      " select * from ICStockBillEntry where FInterID=1",
      "SELECT MAX(FOperDate) as FMT FROM ICStockBill WHERE FInterID <> 0 ",
      "SELECT TOP 100 * FROM ICStockBill WHERE FInterID <> 0  AND (FOperDate>0x0000000000000000 "
      "And  FTranType=1 ) ORDER BY FOperDate",
      "SELECT * FROM ICStockBill WHERE FInterID <> 0  AND (FOperDate>0x0000000000000000 And  "
      "1=1 ) ORDER BY FOperDate",
      "Select * From ICStockBill Where FUUID='U'",
      "Select FInterID from ICStockBill Where FBillNo='XS1'",
      "SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=81 and "
      "FIfDelete=1  ",
      "SELECT TOP 2 * FROM COM_DataChange " + page_cond + " ORDER BY FTimeStamp",
      "SELECT  * FROM COM_DataChange " + page_cond,
      "SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 2 * FROM COM_DataChange " + page_cond +
          " ORDER BY FTimeStamp) u",
      "SELECT FInterID FROM SEorder WHERE FImport=1 AND FSystemType=2  and FUUID='U'",
      "select FInterID  from ICSale WHERE FImport=1 AND FSystemType=2  and FUUID='U'",
      "select FInterID  from ICStockBill WHERE FImport=1 AND FSystemType=2  and FUUID='U'",
      "SELECT v1.FInterID,v1.FTranType,v1.FROB,v1.FBillNo,v1.FDate,u1.FInterID,u1.FItemID,"
      "t1.FNumber,t1.FName AS FItemName,t1.FModel,u1.FUnitID,t2.FName AS FMeasureName,u1.FAuxQty " +
          crlf + "FROM ICStockBillEntry u1 INNER JOIN ICStockBill v1 ON u1.FInterID=v1.FInterID " +
          crlf + "                         INNER JOIN t_ICItem t1 ON u1.FItemID=t1.FItemID " +
          crlf +
          "                         INNER JOIN t_MeasureUnit t2 ON u1.FUnitID=t2.FMeasureUnitID " +
          crlf + "WHERE v1.FTranType IN (21,24,28,29) AND u1.FOrderBillNO='SO1'" + crlf +
          "ORDER BY v1.FInterID",
      "SELECT FUUID FROM ICStockBill WHERE FBillNo='XS1'",
      "SELECT FItemID,FNumber,FName FROM t_ICItem WHERE FNumber='M-1'",
      "SELECT UUID FROM t_Item WHERE FItemID=1",
      crlf + " Select * from SEOrder " + crlf + " Where FBillNo='SO1'" + crlf,
      crlf + " Select v1.* from SEOrder u1 inner join SEOrderEntry v1 on u1.FInterID=v1.FInterID " +
          crlf + " Where u1.FBillNo='SO1'" + crlf,
      dts_lookup,
      " Select FUnitID From t_ICItem " + crlf + " Where 1=1 And " + crlf + "       FItemID=1" +
          crlf,
      " Select FCurrencyID,FNumber,FName From t_Currency " + crlf + " Where 1=1 And " + crlf +
          "       FName='RMB'" + crlf,
      " Select FInterID,FID,FName From t_SubMessage " + crlf + " Where FTypeID=101 And " + crlf +
          "       FName='Retail'" + crlf,
      " Select FItemID,FNumber,FName From t_Settle " + crlf + " Where 1=1 And " + crlf +
          "       FName='Cash'" + crlf,
      " Select FContractID,FContractNo From t_RPContract " + crlf + " Where 1=1 And " + crlf +
          "       FContractNo='C-1'" + crlf,
      crlf + " Select * from SEOrder " + crlf + " Where FBillNo='SO1' and " + crlf +
          "       FSystemType=1" + crlf + " Union all" + crlf + " Select * from SEOrder " + crlf +
          " Where FBillNo='SO1' and " + crlf + "       FSystemType=2 and " + crlf +
          "       FStatus>0 " + crlf,
  };
  for (const std::string& sql : tsql) {
    SCOPED_TRACE(sql);
    db_.Run(sql);
  }
}

// The import statements after the bill service has put in the internal ID and the number.
TEST_F(TsqlOnSqlite, ImportStatementsWrite) {
  const std::string crlf = "\r\n";
  db_.Run(" Insert into SEOrderEntry(FInterID," + crlf + "FEntryID," + crlf + "FBrNo," + crlf +
          "FNote," + crlf + "FDate," + crlf + "FAdviceConsignDate)" + crlf + " Values(1001," +
          crlf + "1," + crlf + "'0'," + crlf + "'来源：TavoCRM'," + crlf + "'2024-05-06'," + crlf +
          "'2024-05-09')");
  db_.Run(" Insert into SEOrder(FInterID," + crlf + "FBrNo," + crlf + "FTranType," + crlf +
          "FBillNo," + crlf + "FUUID," + crlf + "FImport," + crlf + "FSystemType)" + crlf +
          " Values(1001," + crlf + "'0'," + crlf + "81," + crlf + "'SO9'," + crlf + "NEWID()," +
          crlf + "1," + crlf + "2)");
  db_.Run(
      "INSERT INTO ICSale (FBrNo,FStatus,FInterID,FImport,FSystemType,FTranType,FBillNo,FUUID,"
      "FDate,FROB,FSaleStyle,FCustID,FCurrencyID,FDeptID,FEmpID,FBillerID,FExchangeRate,FNote) "
      "VALUES ( '0',0,2001,1,2,'86','XS9',NEWID(),'2024-05-06',1,101,5,1,2,3,16394,1,'')");
  db_.Run(
      "INSERT INTO ICSaleEntry (FBrNo,FInterID,FEntryID,FItemID,FAuxQty,FUnitID,FAuxPrice,"
      "FAuxTaxPrice,FTaxRate,FDiscountRate,FAmount,FTaxAmount)VALUES ('0',2001,1,7,-3,1,10,11.7,"
      "17,0,-30,-5.1)");
  db_.Run(
      " Insert into ICStockBill (FBrNo,FStatus,FInterID,FBillNo,FUUID,Fdate,FROB,FTranType,FNote,"
      "FBillerID,FFManagerID,FPosterID,FRelateBrID,FSaleStyle,FPOStyle,FSManagerID,FSupplyID,"
      "FCurrencyID,FDeptID,FEmpID) VALUES ( '0',0,3001,'WIN9','B-UUID','2024-05-06',1,1,'',16394,"
      "3,0,0,0,5,3,9,0,0,0)");
  db_.Run(
      "Insert Into ICStockBillEntry (FBrNo,FInterID,FEntryID,FItemID,Famount,FAuxPlanPrice,"
      "Fauxprice,Fauxqty,FAuxQtyMust,FBatchNo,FDCStockID,FDCSPID," +
      crlf +
      "FKFDate,FKFPeriod,FMapName,FMapNumber,Fnote,FPlanAmount,FQty,FQtyMust,FUnitID,"
      "FConsignAmount,FConsignPrice) Values ('0',3001,1,7,50,0,10,5,5,'',8,0,Null,0,'','','',0,5,"
      "5,1,0,0)");
  EXPECT_EQ(
      db_.Run("SELECT FUUID, FTranType FROM ICSale WHERE FInterID=2001"),
      (std::vector<std::vector<std::string>>{{"6F9619FF-8B86-D011-B42D-00C04FC964FF", "86"}}));
  EXPECT_EQ(db_.Run("SELECT FNote FROM SEOrderEntry WHERE FInterID=1001"),
            (std::vector<std::vector<std::string>>{{"来源：TavoCRM"}}));
}

TEST_F(TsqlOnSqlite, TopPageHoldsTheOldestChangedRows) {
  EXPECT_EQ(db_.Run("SELECT TOP 2 FBillNo FROM SEOrder WHERE FInterID <> 0 AND "
                    "(FOperDate>0x0000000000000000) ORDER BY FOperDate"),
            (std::vector<std::vector<std::string>>{{"SO2"}, {"SO3"}}));
  EXPECT_EQ(db_.Run("SELECT FBillNo FROM SEOrder WHERE FOperDate>0x2 ORDER BY FOperDate"),
            (std::vector<std::vector<std::string>>{{"SO1"}}));
  EXPECT_EQ(db_.Run("SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 1 * FROM COM_DataChange "
                    "WHERE FSystemFlag=1 AND FType=81 and (FTimeStamp>0x0000000000000001) "
                    "ORDER BY FTimeStamp) u"),
            (std::vector<std::vector<std::string>>{{"0x0000000000000002"}}));
}

TEST_F(TsqlOnSqlite, GluedUserIdFindsTheGroupMember) {
  EXPECT_EQ(db_.Run("SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= "
                    "t_User.FUserID AND t_User.FUserID= 16394AND t_Group.FGroupID= 1"),
            (std::vector<std::vector<std::string>>{{"16394"}}));
  EXPECT_TRUE(db_.Run("SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= "
                      "t_User.FUserID AND t_User.FUserID= 7AND t_Group.FGroupID= 1")
                  .empty());
}

TEST_F(TsqlOnSqlite, ServerDateComesBackUnderItsAlias) {
  sqlite3_stmt* stmt = nullptr;
  const Statements sql = TranslateTsql("SELECT x=GetDate()");
  ASSERT_EQ(sql.size(), 1u);
  ASSERT_EQ(sqlite3_prepare_v2(db_.handle(), sql[0].c_str(), -1, &stmt, nullptr), SQLITE_OK);
  EXPECT_STREQ(sqlite3_column_name(stmt, 0), "x");
  sqlite3_finalize(stmt);
}

TEST_F(TsqlOnSqlite, StockStatementsSumWithIfNull) {
  const std::string crlf = "\r\n";
  const std::string head =
      "SELECT t1.FItemID,t1.FNumber,t1.FName,ISNULL(t1.FModel,'') AS FModel,t1.FLowLimit,"
      "t1.FHighLimit,t1.FSecInv," +
      crlf;
  const std::string locks =
      "    LEFT JOIN (SELECT FItemID, SUM(CASE WHEN FQty<0 THEN 0 ELSE FQty END) AS FQty FROM "
      "t_LockStock GROUP BY FItemID) t3 ON t3.FItemID=t1.FItemID" +
      crlf;
  EXPECT_EQ(
      db_.Run(head +
              "CASE WHEN ISNULL(t2.FBatchNo,'')='' THEN 'NO BatchNo' ELSE t2.FBatchNo END AS "
              "FBatchNo,SUM(t2.FQty) AS FCurrentQty,ISNULL(SUM(CASE WHEN t3.FQty<0 THEN 0 ELSE "
              "t3.FQty END),0) AS FLockedQty" +
              crlf + "FROM t_ICItem t1 INNER JOIN ICInventory t2 ON t1.FItemID=t2.FItemID " + crlf +
              locks + "WHERE t1.FNumber='M-1'" + crlf +
              "GROUP BY t1.FItemID,t1.FNumber,t1.FName,t1.FModel,t1.FLowLimit,t1.FHighLimit,"
              "t1.FSecInv,t2.FBatchNo" +
              crlf + "ORDER BY t1.FItemID "),
      (std::vector<std::vector<std::string>>{
          {"1", "M-1", "Bolt", "", "0", "10", "1", "NO BatchNo", "5", "2"},
          {"1", "M-1", "Bolt", "", "0", "10", "1", "B7", "3", "2"}}));
  const auto total =
      db_.Run(head + "       ISNULL(SUM(t2.FQty),0) AS FCurrentQty," + crlf +
              "       ISNULL(SUM(CASE WHEN t3.FQty<0 THEN 0 ELSE t3.FQty END),0) AS FLockedQty " +
              crlf + "FROM t_ICItem t1 INNER JOIN ICInventory t2 ON t1.FItemID=t2.FItemID " + crlf +
              locks + "WHERE t1.FNumber='M-1'" + crlf +
              "GROUP BY t1.FItemID,t1.FNumber,t1.FName,t1.FModel,t1.FLowLimit,t1.FHighLimit,"
              "t1.FSecInv" +
              crlf + "ORDER BY t1.FItemID");
  ASSERT_EQ(total.size(), 1u);
  EXPECT_EQ(total[0][3], "");
  EXPECT_EQ(total[0][7], "8");
}

TEST_F(TsqlOnSqlite, OrderReplacementBatchRunsInOrder) {
  const std::string crlf = "\r\n";
  db_.Raw("INSERT INTO SEOrderEntry (FInterID, FEntryID) VALUES (3, 1)");
  const std::string batch =
      crlf + " Delete from SEOrderEntry Where FInterID IN (Select FInterID from SEOrder " + crlf +
      " Where FBillNo='SO3' And" + crlf + "       FSystemType=2 And " + crlf +
      "       FStatus=0 )" + crlf + crlf + " Delete from SEOrder " + crlf +
      " Where FBillNo='SO3' And" + crlf + "       FSystemType=2 And " + crlf + "       FStatus=0 " +
      crlf + " Insert into SEOrderEntry(FInterID," + crlf + "FEntryID)" + crlf + " Values(9," +
      crlf + "        1)" + crlf + " Insert into SEOrder(FInterID," + crlf + "FBillNo)" + crlf +
      " Values(9," + crlf + "        'SO3')" + crlf;
  EXPECT_EQ(TranslateTsql(batch).size(), 4u);
  db_.Run(batch);
  EXPECT_EQ(db_.Run("SELECT FInterID FROM SEOrder WHERE FBillNo='SO3'"),
            (std::vector<std::vector<std::string>>{{"9"}}));
  EXPECT_EQ(db_.Run("SELECT FInterID, FEntryID FROM SEOrderEntry"),
            (std::vector<std::vector<std::string>>{{"9", "1"}}));
}

// An unreplaced placeholder stays a T-SQL variable; SQLite sees a bind parameter, which the
// backend refuses instead of reading it as NULL.
TEST_F(TsqlOnSqlite, UnreplacedPlaceholderStaysAVariable) {
  const Statements sql =
      TranslateTsql("INSERT INTO ICSaleEntry (FBrNo,FInterID,FEntryID)VALUES ('0',@BillInterID,1)");
  ASSERT_EQ(sql.size(), 1u);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_.handle(), sql[0].c_str(), -1, &stmt, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_bind_parameter_count(stmt), 1);
  EXPECT_STREQ(sqlite3_bind_parameter_name(stmt, 1), "@BillInterID");
  sqlite3_finalize(stmt);
}

}  // namespace

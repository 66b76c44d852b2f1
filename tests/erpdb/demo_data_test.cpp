#include "erpdb/demo_data.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "erpdb/account_db.h"
#include "erpdb/sql_functions.h"
#include "support/temp_dir.h"

namespace {

using corvane::erpdb::CreateAccountSchema;
using corvane::erpdb::CreateDemoAccount;
using corvane::erpdb::DemoOptions;
using corvane::erpdb::DemoSummary;
using corvane::erpdb::FillDemoData;
using corvane::erpdb::RegisterErpSqlFunctions;
using corvane::testing::TempDir;

// A connection with the ERP functions registered: in memory with a fresh schema, or on a file.
class TestDb {
 public:
  TestDb() : TestDb(":memory:", true) {}
  explicit TestDb(const std::string& path, bool create_schema = false) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("open failed");
    RegisterErpSqlFunctions(db_);
    if (create_schema) CreateAccountSchema(db_);
  }
  TestDb(const TestDb&) = delete;
  TestDb& operator=(const TestDb&) = delete;
  ~TestDb() { sqlite3_close(db_); }

  sqlite3* get() const { return db_; }

  // Every row of `sql`, each as its columns' texts joined by "|" ("NULL" for a null, blobs in
  // hexadecimal, floating-point values with all their digits).
  std::vector<std::string> Rows(const std::string& sql) const {
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
      return rows;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        if (i > 0) row += "|";
        switch (sqlite3_column_type(stmt, i)) {
          case SQLITE_NULL:
            row += "NULL";
            break;
          case SQLITE_FLOAT: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(stmt, i));
            row += text;
            break;
          }
          case SQLITE_BLOB: {
            const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
            char hex[3];
            row += "x";
            for (int b = 0; b < sqlite3_column_bytes(stmt, i); ++b) {
              std::snprintf(hex, sizeof hex, "%02X", bytes[b]);
              row += hex;
            }
            break;
          }
          default:
            row += reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        }
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
    sqlite3_finalize(stmt);
    return rows;
  }

  std::string Value(const std::string& sql) const {
    const std::vector<std::string> rows = Rows(sql);
    if (rows.size() != 1) {
      ADD_FAILURE() << rows.size() << " rows from " << sql;
      return "";
    }
    return rows[0];
  }

  long long Count(const std::string& sql) const { return std::stoll(Value(sql)); }

  // Every table, row by row in insertion order, as one text.
  std::string Dump() const {
    std::string dump;
    for (const std::string& table :
         Rows("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name")) {
      dump += "== " + table + "\n";
      for (const std::string& row : Rows("SELECT * FROM " + table + " ORDER BY rowid")) {
        dump += row + "\n";
      }
    }
    return dump;
  }

 private:
  sqlite3* db_ = nullptr;
};

DemoOptions Small(uint64_t seed = 1) {
  DemoOptions options;
  options.orders = 60;
  options.invoices = 30;
  options.stock_bills = 30;
  options.seed = seed;
  return options;
}

const char* const kBaseTables[] = {
    "t_Item",       "t_ICItem",        "t_Organization", "t_Currency",   "t_MeasureUnit",
    "t_SubMessage", "t_Settle",        "t_RpContract",   "t_StockPlace", "t_User",
    "t_Group",      "t_AccessControl", "ICInventory",    "t_LockStock",  "ICListTemplate"};
const char* const kDocumentTables[] = {"SEOrder",       "SEOrderEntry", "ICSale",
                                       "ICSaleEntry",   "ICStockBill",  "ICStockBillEntry",
                                       "COM_DataChange"};

TEST(DemoData, SameSeedGivesSameTablesAndAnotherSeedDiffers) {
  TestDb first, second, other;
  FillDemoData(first.get(), Small(7));
  FillDemoData(second.get(), Small(7));
  FillDemoData(other.get(), Small(8));
  const std::string dump = first.Dump();
  EXPECT_GT(dump.size(), 10000u);
  EXPECT_EQ(dump, second.Dump());
  EXPECT_NE(dump, other.Dump());
  EXPECT_NE(first.Rows("SELECT FUUID FROM SEOrder ORDER BY FInterID"),
            other.Rows("SELECT FUUID FROM SEOrder ORDER BY FInterID"));
}

TEST(DemoData, BaseDataDoesNotDependOnTheDocuments) {
  TestDb full, base_only;
  FillDemoData(full.get(), Small(3));
  DemoOptions options = Small(3);
  options.base_only = true;
  FillDemoData(base_only.get(), options);
  for (const char* table : kBaseTables) {
    SCOPED_TRACE(table);
    EXPECT_EQ(full.Rows(std::string("SELECT * FROM ") + table + " ORDER BY rowid"),
              base_only.Rows(std::string("SELECT * FROM ") + table + " ORDER BY rowid"));
  }
}

TEST(DemoData, BaseOnlyMakesBaseDataAndNoDocuments) {
  TestDb db;
  DemoOptions options;
  options.base_only = true;
  const DemoSummary summary = FillDemoData(db.get(), options);
  for (const char* table : kBaseTables) {
    EXPECT_GT(db.Count(std::string("SELECT COUNT(*) FROM ") + table), 0) << table;
  }
  for (const char* table : kDocumentTables) {
    EXPECT_EQ(db.Count(std::string("SELECT COUNT(*) FROM ") + table), 0) << table;
  }
  EXPECT_EQ(summary.orders, 0);
  EXPECT_EQ(summary.deleted_heads, 0);
  EXPECT_EQ(db.Count("SELECT SUM(FCurNo) FROM t_BillNoRule"), 0);
  EXPECT_EQ(db.Count("SELECT SUM(FMaxInterID) FROM t_BillInterIDMax"), 0);
}

TEST(DemoData, SummaryCountsTheRowsOfEveryTable) {
  TestDb db;
  const DemoSummary summary = FillDemoData(db.get(), Small());
  const auto rows = summary.RowsPerTable();
  EXPECT_EQ(rows.size(), std::size(kBaseTables) + std::size(kDocumentTables));
  for (const auto& [table, count] : rows) {
    const bool heads = table == "SEOrder" || table == "ICSale" || table == "ICStockBill";
    EXPECT_EQ(db.Count("SELECT COUNT(*) FROM " + table + (heads ? " WHERE FInterID <> 0" : "")),
              count)
        << table;
  }
  EXPECT_EQ(summary.orders, 60);  // the FInterID 0 head is no order
  EXPECT_EQ(summary.template_heads, 1);
  const std::string text = corvane::erpdb::DescribeSummary(summary);
  EXPECT_NE(text.find("SEOrder                   60\n"), std::string::npos) << text;
  EXPECT_NE(text.find("template heads             1"), std::string::npos) << text;
  EXPECT_NE(text.find("deleted heads              7"), std::string::npos) << text;
  EXPECT_EQ(summary.change_log, 2 * summary.deleted_heads);
  EXPECT_GE(summary.deleted_heads, 6);
}

// Every reference column: where it holds an ID (not Null or 0, or for texts not empty), the ID
// must name a row of its target; a required reference must always be set.
struct Reference {
  const char* table;
  const char* column;
  const char* targets;  // SELECT of the IDs the column may hold
  bool required;
  const char* rows = "1=1";  // which rows of the table the reference applies to
  bool text = false;
};

const Reference kReferences[] = {
    {"SEOrder", "FCustID", "SELECT FItemID FROM t_Item WHERE FItemClassID=1", true},
    {"SEOrder", "FCustID", "SELECT FItemID FROM t_Organization", true},
    {"SEOrder", "FCurrencyID", "SELECT FCurrencyID FROM t_Currency", true},
    {"SEOrder", "FDeptID", "SELECT FItemID FROM t_Item WHERE FItemClassID=2", true},
    {"SEOrder", "FEmpID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"SEOrder", "FMangerID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"SEOrder", "FBillerID", "SELECT FUserID FROM t_User", true},
    {"SEOrder", "FSaleStyle", "SELECT FInterID FROM t_SubMessage WHERE FTypeID=101", true},
    {"SEOrder", "FSettleID", "SELECT FInterID FROM t_SubMessage", true},
    {"SEOrder", "FSettleID", "SELECT FItemID FROM t_Settle", true},
    {"SEOrder", "FContractID", "SELECT FContractID FROM t_RpContract", false},
    {"SEOrderEntry", "FInterID", "SELECT FInterID FROM SEOrder WHERE FInterID<>0", true},
    {"SEOrderEntry", "FItemID", "SELECT FItemID FROM t_Item WHERE FItemClassID=4", true},
    {"SEOrderEntry", "FItemID", "SELECT FItemID FROM t_ICItem", true},
    {"SEOrderEntry", "FUnitID", "SELECT FMeasureUnitID FROM t_MeasureUnit", true},
    {"SEOrderEntry", "FContractInterID", "SELECT FContractID FROM t_RpContract", false},
    {"SEOrderEntry", "FContractBillNO", "SELECT FContractNo FROM t_RpContract", false, "1=1", true},
    {"ICSale", "FCustID", "SELECT FItemID FROM t_Item WHERE FItemClassID=1", true},
    {"ICSale", "FCurrencyID", "SELECT FCurrencyID FROM t_Currency", true},
    {"ICSale", "FDeptID", "SELECT FItemID FROM t_Item WHERE FItemClassID=2", true},
    {"ICSale", "FEmpID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"ICSale", "FBillerID", "SELECT FUserID FROM t_User", true},
    {"ICSale", "FSaleStyle", "SELECT FInterID FROM t_SubMessage WHERE FTypeID=101", true},
    {"ICSaleEntry", "FInterID", "SELECT FInterID FROM ICSale", true},
    {"ICSaleEntry", "FItemID", "SELECT FItemID FROM t_Item WHERE FItemClassID=4", true},
    {"ICSaleEntry", "FUnitID", "SELECT FMeasureUnitID FROM t_MeasureUnit", true},
    {"ICStockBill", "FBillerID", "SELECT FUserID FROM t_User", true},
    {"ICStockBill", "FFManagerID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"ICStockBill", "FPosterID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"ICStockBill", "FSManagerID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"ICStockBill", "FEmpID", "SELECT FItemID FROM t_Item WHERE FItemClassID=3", true},
    {"ICStockBill", "FRelateBrID", "SELECT FItemID FROM t_Item WHERE FItemClassID=10", true},
    {"ICStockBill", "FDeptID", "SELECT FItemID FROM t_Item WHERE FItemClassID=2", true},
    {"ICStockBill", "FCurrencyID", "SELECT FCurrencyID FROM t_Currency", true},
    {"ICStockBill", "FSupplyID", "SELECT FItemID FROM t_Item WHERE FItemClassID=8", true,
     "FTranType=1"},
    {"ICStockBill", "FPOStyle", "SELECT FInterID FROM t_SubMessage WHERE FTypeID<>101", true,
     "FTranType=1"},
    {"ICStockBill", "FSupplyID", "SELECT FItemID FROM t_Item WHERE FItemClassID=1", true,
     "FTranType=21"},
    {"ICStockBill", "FSaleStyle", "SELECT FInterID FROM t_SubMessage WHERE FTypeID=101", true,
     "FTranType=21"},
    {"ICStockBillEntry", "FInterID", "SELECT FInterID FROM ICStockBill", true},
    {"ICStockBillEntry", "FItemID", "SELECT FItemID FROM t_ICItem", true},
    {"ICStockBillEntry", "FUnitID", "SELECT FMeasureUnitID FROM t_MeasureUnit", true},
    {"ICStockBillEntry", "FDCStockID", "SELECT FItemID FROM t_Item WHERE FItemClassID=5", true},
    {"ICStockBillEntry", "FDCSPID", "SELECT FSPID FROM t_StockPlace", true},
    {"ICStockBillEntry", "FOrderBillNO", "SELECT FBillNo FROM SEOrder WHERE FInterID<>0", false,
     "1=1", true},
    {"ICInventory", "FItemID", "SELECT FItemID FROM t_ICItem", true},
    {"ICInventory", "FStockID", "SELECT FItemID FROM t_Item WHERE FItemClassID=5", true},
    {"ICInventory", "FStockPlaceID", "SELECT FSPID FROM t_StockPlace", true},
    {"t_LockStock", "FItemID", "SELECT FItemID FROM t_ICItem", true},
    {"t_ICItem", "FItemID", "SELECT FItemID FROM t_Item WHERE FItemClassID=4", true},
    {"t_ICItem", "FUnitID", "SELECT FMeasureUnitID FROM t_MeasureUnit", true},
    {"t_Organization", "FItemID", "SELECT FItemID FROM t_Item WHERE FItemClassID=1", true},
    {"t_Group", "FUserID", "SELECT FUserID FROM t_User", true},
    {"t_AccessControl", "FUserID", "SELECT FUserID FROM t_User", true},
};

// Checks every reference; with `all_used`, also that each reference column is used somewhere.
void ExpectReferencesResolve(const TestDb& db, bool all_used) {
  for (const Reference& ref : kReferences) {
    SCOPED_TRACE(std::string(ref.table) + "." + ref.column + " -> " + ref.targets);
    const std::string column = ref.column;
    const std::string set =
        ref.text ? "IFNULL(" + column + ",'') <> ''" : "IFNULL(" + column + ",0) <> 0";
    const std::string from = std::string(" FROM ") + ref.table + " WHERE (" + ref.rows + ")";
    if (all_used) {
      EXPECT_GT(db.Count("SELECT COUNT(*)" + from + " AND " + set), 0);
    }
    EXPECT_EQ(db.Count("SELECT COUNT(*)" + from + " AND " + set + " AND " + column + " NOT IN (" +
                       ref.targets + ")"),
              0);
    if (ref.required) {
      EXPECT_EQ(db.Count("SELECT COUNT(*)" + from + " AND NOT " + set), 0);
    }
  }
}

TEST(DemoData, EveryReferenceResolves) {
  for (uint64_t seed : {1, 2, 12345}) {
    SCOPED_TRACE(seed);
    TestDb db;
    FillDemoData(db.get(), Small(seed));
    ExpectReferencesResolve(db, true);
  }
}

// Small and lopsided sizes: no orders to deliver, orders without entries, one of each.
TEST(DemoData, OddSizesStillGiveResolvableDocuments) {
  const struct {
    int orders, invoices, stock_bills, entries_per_order;
    long long order_entries;
  } kSizes[] = {{0, 0, 5, 5, 0}, {10, 2, 6, 0, 0}, {1, 1, 1, 1, 1}, {0, 0, 0, 5, 0}};
  for (const auto& size : kSizes) {
    SCOPED_TRACE(std::to_string(size.orders) + " orders, " + std::to_string(size.invoices) +
                 " invoices, " + std::to_string(size.stock_bills) + " stock bills, " +
                 std::to_string(size.entries_per_order) + " entries per order");
    DemoOptions options;
    options.orders = size.orders;
    options.invoices = size.invoices;
    options.stock_bills = size.stock_bills;
    options.entries_per_order = size.entries_per_order;
    TestDb db;
    const DemoSummary summary = FillDemoData(db.get(), options);
    ExpectReferencesResolve(db, false);
    EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrder WHERE FInterID<>0"), size.orders);
    EXPECT_EQ(summary.order_entries, size.order_entries);
    EXPECT_EQ(summary.invoices, size.invoices);
    EXPECT_EQ(summary.stock_bills, size.stock_bills);
    EXPECT_EQ(db.Count("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=81"),
              size.orders == 0 ? 0 : size.orders + std::max(2, size.orders / 20));
  }
}

TEST(DemoData, DocumentsAreConsistent) {
  const struct {
    const char* what;
    const char* bad_rows;
  } kChecks[] = {
      {"entries numbered 1..n",
       "SELECT FInterID FROM (SELECT FInterID, MIN(FEntryID) lo, MAX(FEntryID) hi, COUNT(*) n "
       "FROM SEOrderEntry GROUP BY FInterID UNION ALL SELECT FInterID, MIN(FEntryID), "
       "MAX(FEntryID), COUNT(*) FROM ICSaleEntry GROUP BY FInterID UNION ALL SELECT FInterID, "
       "MIN(FEntryID), MAX(FEntryID), COUNT(*) FROM ICStockBillEntry GROUP BY FInterID) "
       "WHERE lo <> 1 OR hi <> n"},
      {"order entry unit is the material's",
       "SELECT 1 FROM SEOrderEntry e JOIN t_ICItem i ON i.FItemID=e.FItemID "
       "WHERE e.FUnitID <> i.FUnitID"},
      {"order amount after discount",
       "SELECT 1 FROM SEOrderEntry WHERE ABS(FAmount - FAuxQty*FAuxPrice*(100-FTaxRate)/100.0) > "
       "0.0051 OR FFinalAmount <> FAmount OR ABS(FDiscount - (FAuxQty*FAuxPrice - FAmount)) > "
       "0.0051"},
      {"order tax and totals",
       "SELECT 1 FROM SEOrderEntry e JOIN SEOrder h ON h.FInterID=e.FInterID "
       "WHERE ABS(e.FTaxAmt - e.FAmount*e.FCESS/100.0) > 0.0051 "
       "OR ABS(e.FAllAmount - (e.FAmount + e.FTaxAmt)) > 0.000001 "
       "OR ABS(e.FAllStdAmount - e.FAllAmount*h.FExchangeRate) > 0.0051 "
       "OR ABS(e.FAuxTaxPrice - e.FAuxPrice*(100+e.FCESS)/100.0) > 0.000001 "
       "OR ABS(e.FUniDiscount - e.FAuxTaxPrice*e.FTaxRate/100.0) > 0.000001 "
       "OR ABS(e.FTaxAmount - e.FUniDiscount*e.FAuxQty) > 0.0051 "
       "OR e.FAmount <= 0"},
      {"order entry dates",
       "SELECT 1 FROM SEOrderEntry e JOIN SEOrder h ON h.FInterID=e.FInterID "
       "JOIN t_Organization o ON o.FItemID=h.FCustID WHERE e.FDate <> h.FDate OR "
       "date(e.FAdviceConsignDate) <> date(h.FDate, '+' || IFNULL(o.FCarryingAOS,0) || ' days')"},
      {"order entry contract is the head's",
       "SELECT 1 FROM SEOrderEntry e JOIN SEOrder h ON h.FInterID=e.FInterID "
       "WHERE e.FContractInterID <> h.FContractID"},
      {"invoice amounts",
       "SELECT 1 FROM ICSaleEntry WHERE ABS(FAmount - FAuxQty*FAuxPrice*(100-FDiscountRate)/100.0) "
       "> 0.0051 OR ABS(FTaxAmount - FAmount*FTaxRate/100.0) > 0.0051"},
      {"invoice quantities follow red and blue",
       "SELECT 1 FROM ICSaleEntry e JOIN ICSale h ON h.FInterID=e.FInterID "
       "WHERE h.FROB NOT IN (1,-1) OR e.FAuxQty*h.FROB <= 0"},
      {"stock bill quantities follow red and blue",
       "SELECT 1 FROM ICStockBillEntry e JOIN ICStockBill h ON h.FInterID=e.FInterID "
       "WHERE h.FROB NOT IN (1,-1) OR e.FAuxQty*h.FROB <= 0 OR e.FQty <> e.FAuxQty "
       "OR ABS(e.FAmount - e.FAuxQty*e.FPrice) > 0.0051"},
      {"one warehouse per stock bill, places of that warehouse",
       "SELECT 1 FROM ICStockBillEntry e JOIN t_StockPlace p ON p.FSPID=e.FDCSPID JOIN t_Item w "
       "ON w.FItemID=e.FDCStockID WHERE p.FNumber NOT LIKE w.FNumber || '.%' UNION ALL "
       "SELECT 1 FROM ICStockBillEntry GROUP BY FInterID HAVING COUNT(DISTINCT FDCStockID) > 1"},
      {"deliveries fill orders of their customer",
       "SELECT 1 FROM ICStockBillEntry e JOIN ICStockBill h ON h.FInterID=e.FInterID "
       "JOIN SEOrder o ON o.FBillNo=e.FOrderBillNO AND o.FInterID<>0 WHERE h.FTranType<>21 OR "
       "o.FCustID<>h.FSupplyID "
       "OR NOT EXISTS (SELECT 1 FROM SEOrderEntry oe WHERE oe.FInterID=o.FInterID "
       "AND oe.FItemID=e.FItemID)"},
      {"dates in 2024 to 2026",
       "SELECT d FROM (SELECT FDate d FROM SEOrder UNION ALL SELECT FDate FROM SEOrderEntry "
       "UNION ALL SELECT FAdviceConsignDate FROM SEOrderEntry UNION ALL SELECT FDate FROM ICSale "
       "UNION ALL SELECT FDate FROM ICStockBill UNION ALL SELECT FKFDate FROM ICStockBillEntry "
       "WHERE FKFDate IS NOT NULL) WHERE d < '2024-01-01' OR d > '2026-12-31 23:59:59.999' OR "
       "date(d) IS NULL"},
      {"bill numbers follow the rules",
       "SELECT 1 FROM (SELECT 81 t, FBillNo n FROM SEOrder WHERE FInterID<>0 UNION ALL "
       "SELECT FTranType, FBillNo FROM ICSale UNION ALL SELECT FTranType, FBillNo FROM "
       "ICStockBill) "
       "b JOIN t_BillNoRule r ON r.FTranType=b.t "
       "WHERE b.n NOT GLOB r.FPrefix || '[0-9][0-9][0-9][0-9][0-9][0-9]'"},
      {"bill numbers unique",
       "SELECT n FROM (SELECT FBillNo n FROM SEOrder UNION ALL SELECT FBillNo FROM ICSale "
       "UNION ALL SELECT FBillNo FROM ICStockBill) GROUP BY n HAVING COUNT(*) > 1"},
  };
  for (uint64_t seed : {1, 2, 12345}) {
    TestDb db;
    FillDemoData(db.get(), Small(seed));
    for (const auto& check : kChecks) {
      SCOPED_TRACE(std::string(check.what) + ", seed " + std::to_string(seed));
      EXPECT_EQ(db.Rows(check.bad_rows), std::vector<std::string>{});
    }
  }
}

TEST(DemoData, UuidsAreGuidsAndUnique) {
  TestDb db;
  FillDemoData(db.get(), Small());
  const std::string all =
      "SELECT UUID u FROM t_Item UNION ALL SELECT UUID FROM t_Currency UNION ALL SELECT UUID FROM "
      "t_MeasureUnit UNION ALL SELECT UUID FROM t_SubMessage UNION ALL SELECT UUID FROM "
      "t_RpContract UNION ALL SELECT FUUID FROM t_StockPlace UNION ALL SELECT UUID FROM t_User "
      "UNION ALL SELECT FUUID FROM SEOrder UNION ALL SELECT FUUID FROM ICSale UNION ALL SELECT "
      "FUUID FROM ICStockBill UNION ALL SELECT FChangedUUID FROM COM_DataChange "
      "WHERE FSystemFlag=1";
  const std::vector<std::string> uuids = db.Rows("SELECT u FROM (" + all + ") WHERE u IS NOT NULL");
  const std::regex guid("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
  for (const std::string& uuid : uuids) EXPECT_TRUE(std::regex_match(uuid, guid)) << uuid;
  EXPECT_EQ(std::set<std::string>(uuids.begin(), uuids.end()).size(), uuids.size());
  EXPECT_EQ(db.Rows("SELECT FNumber FROM t_Item WHERE UUID IS NULL"),
            std::vector<std::string>{"M0039"});
}

// The users and the front door's questions: is the user active, in group 1, and does the first
// web-service row carry a non-zero mask.
TEST(DemoData, UsersMeetTheFrontDoorAsIntended) {
  TestDb db;
  FillDemoData(db.get(), Small());
  const struct {
    int id;
    const char* name;
    bool active;
    bool group_one;
    bool web_right;
  } kUsers[] = {{16394, "administrator", true, true, true},
                {16395, "forbidden", false, true, true},
                {16396, "webservice", true, false, true},
                {16397, "nobody", true, false, false}};
  for (const auto& user : kUsers) {
    const std::string id = std::to_string(user.id);
    SCOPED_TRACE(user.name);
    EXPECT_EQ(db.Value("SELECT FName || '|' || (FForbidden = 0) FROM t_User WHERE FUserID=" + id),
              std::string(user.name) + "|" + (user.active ? "1" : "0"));
    EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_Group, t_User WHERE t_Group.FUserID= "
                       "t_User.FUserID AND t_User.FUserID= " +
                       id + " AND t_Group.FGroupID= 1"),
              user.group_one ? 1 : 0);
    const std::vector<std::string> rights =
        db.Rows("SELECT FAccessMask FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=" + id);
    ASSERT_FALSE(rights.empty());
    EXPECT_EQ(rights[0] != "0" && rights[0] != "NULL", user.web_right);
  }
  EXPECT_EQ(db.Value("SELECT FAccessMask FROM t_AccessControl WHERE FObjectType=16 AND "
                     "FUserID=16396"),
            "1");
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_Group WHERE FUserID IN (16396, 16397)"), 0);
}

TEST(DemoData, HoldsTheAwkwardRowsOfARealAccount) {
  TestDb db;
  FillDemoData(db.get(), Small());
  // The template head: exactly one, no entries, the newest row version of its table.
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrder WHERE FInterID=0"), 1);
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID=0"), 0);
  EXPECT_EQ(db.Value("SELECT FInterID FROM SEOrder WHERE FOperDate=(SELECT MAX(FOperDate) FROM "
                     "SeOrder)"),
            "0");
  // Orders without entries besides it, "SO000003" among them.
  EXPECT_EQ(db.Rows("SELECT FBillNo FROM SEOrder o WHERE FInterID<>0 AND NOT EXISTS "
                    "(SELECT 1 FROM SEOrderEntry e WHERE e.FInterID=o.FInterID) LIMIT 1"),
            std::vector<std::string>{"SO000003"});
  // Red and blue invoices of both kinds, each with entries; an invoice without entries.
  EXPECT_EQ(db.Rows("SELECT DISTINCT h.FTranType || '/' || h.FROB FROM ICSale h JOIN ICSaleEntry e "
                    "ON e.FInterID=h.FInterID ORDER BY 1"),
            (std::vector<std::string>{"80/-1", "80/1", "86/-1", "86/1"}));
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM ICSale h WHERE NOT EXISTS (SELECT 1 FROM ICSaleEntry "
                     "e WHERE e.FInterID=h.FInterID)"),
            0);
  EXPECT_EQ(db.Rows("SELECT DISTINCT FTranType FROM ICStockBill ORDER BY 1"),
            (std::vector<std::string>{"1", "21"}));
  // Batch numbers: set, Null and empty, in stock and in stock bill entries.
  for (const char* table : {"ICInventory", "ICStockBillEntry"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(db.Value(std::string("SELECT SUM(FBatchNo IS NULL) > 0 AND SUM(FBatchNo = '') > 0 "
                                   "AND SUM(FBatchNo > '') > 0 FROM ") +
                       table),
              "1");
  }
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_LockStock WHERE FQty < 0"), 2);
  EXPECT_EQ(db.Value("SELECT FItemClassID || '|' || FName FROM t_Item WHERE FNumber='O''Neil'"),
            "1|O'Neil Trading Co.");
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM SEOrder o JOIN t_Item c ON c.FItemID=o.FCustID WHERE "
                     "c.FNumber='O''Neil'"),
            0);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM t_Organization WHERE FCarryingAOS IS NULL"), 0);
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_Currency WHERE FCurrencyID=1 AND FNumber='RMB'"), 1);
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_SubMessage WHERE FInterID=101 AND FTypeID=101"), 1);
  // Orders from the CRM, checked and unchecked, beside the ERP's own.
  EXPECT_EQ(db.Rows("SELECT DISTINCT FImport || '/' || FSystemType || '/' || FStatus FROM SEOrder "
                    "WHERE FInterID<>0 ORDER BY 1"),
            (std::vector<std::string>{"0/1/0", "0/1/1", "1/2/0", "1/2/1"}));
}

TEST(DemoData, DeletionsAreLoggedByTheDatabase) {
  TestDb db;
  const DemoSummary summary = FillDemoData(db.get(), Small());
  // Each kind has deletions, logged once for each reader, and the deleted heads are gone.
  EXPECT_EQ(db.Rows("SELECT FType || ':' || SUM(FSystemFlag=1) || '/' || SUM(FSystemFlag=2) FROM "
                    "COM_DataChange WHERE FIfDelete=1 GROUP BY FType ORDER BY FType"),
            (std::vector<std::string>{"1:1/1", "21:1/1", "80:1/1", "81:3/3", "86:1/1"}));
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM COM_DataChange"), 2 * summary.deleted_heads);
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM COM_DataChange c WHERE FChangedUUID IN (SELECT FUUID "
                     "FROM SEOrder UNION ALL SELECT FUUID FROM ICSale UNION ALL SELECT FUUID FROM "
                     "ICStockBill)"),
            0);
  // No entries are left without their head.
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM ICStockBillEntry WHERE FInterID NOT IN (SELECT "
                     "FInterID FROM ICStockBill)"),
            0);
  // The log's rows are newer than every bill.
  EXPECT_EQ(db.Value("SELECT MIN(FTimeStamp) > (SELECT MAX(FOperDate) FROM SEOrder) FROM "
                     "COM_DataChange"),
            "1");
}

TEST(DemoData, NumberingEndsAtTheHighestNumberAndIdUsed) {
  TestDb db;
  FillDemoData(db.get(), Small());
  // Bills still there plus deleted ones, per type: numbers were given without gaps.
  for (int type : {81, 80, 86, 1, 21}) {
    SCOPED_TRACE(type);
    const std::string t = std::to_string(type);
    const std::string table = type == 81 ? "SEOrder" : (type >= 80 ? "ICSale" : "ICStockBill");
    const long long kept = db.Count("SELECT COUNT(*) FROM " + table + " WHERE FInterID<>0" +
                                    (type == 81 ? std::string() : " AND FTranType=" + t));
    const long long deleted =
        db.Count("SELECT COUNT(*) FROM COM_DataChange WHERE FSystemFlag=1 AND FType=" + t);
    EXPECT_EQ(db.Count("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=" + t), kept + deleted);
    EXPECT_EQ(db.Value("SELECT MAX(CAST(ltrim(FBillNo, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') AS INT)) "
                       "FROM " +
                       table + " WHERE FInterID<>0" +
                       (type == 81 ? std::string() : " AND FTranType=" + t)),
              std::to_string(kept));  // the deleted heads took the highest numbers
  }
  for (const char* table : {"SEOrder", "ICSale", "ICStockBill"}) {
    SCOPED_TRACE(table);
    const long long kept =
        db.Count(std::string("SELECT COUNT(*) FROM ") + table + " WHERE FInterID<>0");
    const long long highest_kept = db.Count(std::string("SELECT MAX(FInterID) FROM ") + table);
    EXPECT_EQ(kept, highest_kept);
    EXPECT_GT(db.Count(std::string("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='") +
                       table + "'"),
              highest_kept);
  }
  EXPECT_EQ(db.Count("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='SEOrder'"), 63);
}

// The statements the component sends (in the form they reach SQLite) find real rows.
TEST(DemoData, TheComponentsStatementsFindRows) {
  TestDb db;
  FillDemoData(db.get(), Small());
  // Exports, first page of each.
  EXPECT_EQ(db.Rows("SELECT *  From SEOrder  WHERE  FInterID <> 0  AND "
                    "(FOperDate>X'0000000000000000') ORDER BY FOperDate LIMIT 100")
                .size(),
            60u);
  EXPECT_GT(db.Rows("SELECT * FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86) AND "
                    "(FOperDate>X'0000000000000000') ORDER BY FOperDate LIMIT 100")
                .size(),
            20u);
  EXPECT_GT(
      db.Rows("SELECT * FROM ICStockBill WHERE FInterID <> 0  AND "
              "(FOperDate>X'0000000000000000' And  FTranType=1 ) ORDER BY FOperDate LIMIT 100")
          .size(),
      5u);
  // Deletion keys of each kind.
  for (int kind : {81, 80, 86, 1, 21}) {
    SCOPED_TRACE(kind);
    EXPECT_FALSE(db.Rows("SELECT * FROM COM_DataChange  WHERE FSystemFlag=1  AND FType=" +
                         std::to_string(kind) +
                         " and FIfDelete=1  and (FTimeStamp>X'0000000000000000') "
                         "ORDER BY FTimeStamp LIMIT 100")
                     .empty());
  }
  // Deletion bridge: the list templates of the bill kinds it deletes.
  for (int kind : {81, 80, 86}) {
    EXPECT_EQ(db.Value("SELECT FID<>0 AND FTemplateID<>0 AND FBillCls<>0 FROM ICListTemplate "
                       "WHERE FBillTemplateID=" +
                       std::to_string(kind)),
              "1")
        << kind;
  }
  // Delivery trace of "SO000001": two bills, only the entries that name the order.
  const std::string trace =
      "SELECT v1.FInterID,v1.FTranType,v1.FROB,v1.FBillNo,v1.FDate,u1.FInterID,u1.FItemID,"
      "t1.FNumber,t1.FName AS FItemName,t1.FModel,u1.FUnitID,t2.FName AS FMeasureName,u1.FAuxQty "
      "FROM ICStockBillEntry u1 INNER JOIN ICStockBill v1 ON u1.FInterID=v1.FInterID "
      "INNER JOIN t_ICItem t1 ON u1.FItemID=t1.FItemID "
      "INNER JOIN t_MeasureUnit t2 ON u1.FUnitID=t2.FMeasureUnitID "
      "WHERE v1.FTranType IN (21,24,28,29) AND u1.FOrderBillNO='SO000001' ORDER BY v1.FInterID";
  const std::vector<std::string> rows = db.Rows(trace);
  std::set<std::string> bills;
  for (const std::string& row : rows) bills.insert(row.substr(0, row.find('|')));
  EXPECT_EQ(bills.count("2"), 1u);
  EXPECT_EQ(bills.count("4"), 1u);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM ICStockBillEntry WHERE FInterID=2 AND "
                     "IFNULL(FOrderBillNO,'')<>'SO000001'"),
            0);
  // Stock of "M0001" by batch: stock without batch is grouped under Null and under ''.
  const std::vector<std::string> stock = db.Rows(
      "SELECT CASE WHEN IFNULL(t2.FBatchNo,'')='' THEN 'NO BatchNo' ELSE t2.FBatchNo END AS "
      "FBatchNo,SUM(t2.FQty) AS FCurrentQty FROM t_ICItem t1 INNER JOIN ICInventory t2 ON "
      "t1.FItemID=t2.FItemID WHERE t1.FNumber='M0001' GROUP BY t1.FItemID,t2.FBatchNo "
      "ORDER BY t1.FItemID");
  ASSERT_EQ(stock.size(), 4u);
  EXPECT_EQ(std::count_if(stock.begin(), stock.end(),
                          [](const std::string& row) { return row.rfind("NO BatchNo|", 0) == 0; }),
            2);
  EXPECT_EQ(db.Value("SELECT SUM(CASE WHEN t3.FQty<0 THEN 0 ELSE t3.FQty END) FROM t_LockStock t3 "
                     "JOIN t_ICItem t1 ON t1.FItemID=t3.FItemID WHERE t1.FNumber='M0001'"),
            "15");
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM t_ICItem t1 INNER JOIN ICInventory t2 ON "
                     "t1.FItemID=t2.FItemID WHERE t1.FNumber='M0040'"),
            0);
  // The file-based interface's lookups of an order's references find exactly one row each.
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrder o WHERE FInterID<>0 AND ("
                     "(SELECT COUNT(*) FROM t_Currency WHERE FCurrencyID=o.FCurrencyID) <> 1 OR "
                     "(SELECT COUNT(*) FROM t_SubMessage WHERE FTypeID=101 AND "
                     "FInterID=o.FSaleStyle) <> 1 OR "
                     "(SELECT COUNT(*) FROM t_Settle WHERE FItemID=o.FSettleID) <> 1 OR "
                     "(SELECT COUNT(*) FROM t_Organization WHERE FItemID=o.FCustID) <> 1)"),
            0);
}

TEST(FillDemoData, RefusesAFilledDatabaseAndBadCountsLeavingItAsItWas) {
  TestDb db;
  FillDemoData(db.get(), Small());
  const std::string before = db.Dump();
  EXPECT_THROW(FillDemoData(db.get(), Small(2)), std::runtime_error);
  EXPECT_EQ(db.Dump(), before);

  DemoOptions negative = Small();
  negative.invoices = -1;
  TestDb empty;
  EXPECT_THROW(FillDemoData(empty.get(), negative), std::invalid_argument);
  // Too many orders for six-digit numbers: found after the base data was written, so that
  // has to be undone.
  DemoOptions too_many = Small();
  too_many.orders = 999999;
  EXPECT_THROW(FillDemoData(empty.get(), too_many), std::invalid_argument);
  EXPECT_EQ(empty.Count("SELECT COUNT(*) FROM t_Item"), 0);
  EXPECT_EQ(empty.Count("SELECT FLast FROM t_RowVersionCounter"), 0);
}


TEST(CreateDemoAccount, WritesTheFileAndRefusesToReplaceOne) {
  TempDir dir;
  const std::string path = dir.File("acct.db");
  const DemoSummary summary = CreateDemoAccount(path, Small());
  EXPECT_EQ(dir.FileNames(), std::set<std::string>{"acct.db"});
  std::string dump;
  {
    TestDb db(path);
    EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrder WHERE FInterID <> 0"), summary.orders);
    EXPECT_EQ(db.Value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(db.Value("PRAGMA journal_mode"), "wal");  // from the moment the file exists
    dump = db.Dump();
  }
  TestDb in_memory;
  FillDemoData(in_memory.get(), Small());
  EXPECT_EQ(in_memory.Dump(), dump);

  EXPECT_THROW(CreateDemoAccount(path, Small(9)), std::runtime_error);
  EXPECT_EQ(TestDb(path).Dump(), dump);
  EXPECT_THROW(CreateDemoAccount(dir.path().string(), Small()), std::runtime_error);
  EXPECT_EQ(dir.FileNames(), std::set<std::string>{"acct.db"});
}

TEST(CreateDemoAccount, FailureLeavesNothingBehind) {
  TempDir dir;
  EXPECT_THROW(CreateDemoAccount(dir.File("missing/acct.db"), Small()), std::runtime_error);
  DemoOptions too_many = Small();
  too_many.orders = 999999;
  EXPECT_THROW(CreateDemoAccount(dir.File("acct.db"), too_many), std::invalid_argument);
  DemoOptions negative = Small();
  negative.stock_bills = -5;
  EXPECT_THROW(CreateDemoAccount(dir.File("acct.db"), negative), std::invalid_argument);
  EXPECT_TRUE(dir.FileNames().empty());
}

TEST(CreateDemoAccount, MakesTwoThousandOrders) {
  TempDir dir;
  DemoOptions options;
  options.orders = 2000;
  options.invoices = 1000;
  options.stock_bills = 1000;
  const auto start = std::chrono::steady_clock::now();
  const DemoSummary summary = CreateDemoAccount(dir.File("big.db"), options);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::cout << "[ timing   ] 2000 orders, " << summary.order_entries << " entries, "
            << summary.invoices << " invoices, " << summary.stock_bills
            << " stock bills: " << elapsed.count() << " ms\n";
  TestDb db(dir.File("big.db"));
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM SEOrder WHERE FInterID<>0"), 2000);
  EXPECT_EQ(db.Value("SELECT FCurNo >= 2000 FROM t_BillNoRule WHERE FTranType=81"), "1");
  // About five entries per order on average.
  EXPECT_GT(summary.order_entries, 2000 * 4);
  EXPECT_LT(summary.order_entries, 2000 * 6);
}

}  // namespace

// Sales order import throughput: orders per second through
// clsSaleOrder.Import for 1,000 orders of 5 entries into an account holding
// base data only (the XML made by exporting a generated account).
//
// Lower bound, measured in the same run: the same head and entry rows copied
// from the source account into another empty account with prepared
// statements, one transaction per order. The ratio is the price of the
// component's way: XML validation, a key lookup per reference, the checks,
// and the bill service's numbering and save of every order.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "erpdb/demo_data.h"
#include "erpdb/sql_functions.h"
#include "exchange/cls_sale_order.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "bench/bench_support.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Props(const std::string& path) {
  return "ConnectString={Provider=SQLite;Data Source=" + path + "};UserID=16394;";
}

int CopyOrders(const std::string& from, const std::string& to) {
  sqlite3* db = nullptr;
  sqlite3_open(to.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  sqlite3_exec(db, ("ATTACH DATABASE '" + from + "' AS source").c_str(), nullptr, nullptr, nullptr);
  sqlite3_stmt *ids = nullptr, *head = nullptr, *entries = nullptr;
  sqlite3_prepare_v2(db, "SELECT FInterID FROM source.SEOrder WHERE FInterID <> 0", -1, &ids, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO SEOrder (FInterID, FBrNo, FTranType, FDate, FBillNo, FUUID, FCustID, "
                     "FCurrencyID, FExchangeRate, FDiscountType, FDeptID, FEmpID, FMangerID, FBillerID, "
                     "FImport, FSystemType, FFetchAdd, FSaleStyle, FSettleID) SELECT FInterID, FBrNo, "
                     "FTranType, FDate, FBillNo, FUUID, FCustID, FCurrencyID, FExchangeRate, FDiscountType, "
                     "FDeptID, FEmpID, FMangerID, FBillerID, 1, 2, FFetchAdd, FSaleStyle, FSettleID FROM "
                     "source.SEOrder WHERE FInterID = ?",
                     -1, &head, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO SEOrderEntry SELECT * FROM source.SEOrderEntry WHERE FInterID = ?",
                     -1, &entries, nullptr);
  int orders = 0;
  while (sqlite3_step(ids) == SQLITE_ROW) {
    const sqlite3_int64 id = sqlite3_column_int64(ids, 0);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (sqlite3_stmt* s : {head, entries}) {
      sqlite3_bind_int64(s, 1, id);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    ++orders;
  }
  for (sqlite3_stmt* s : {ids, head, entries}) sqlite3_finalize(s);
  sqlite3_close(db);
  return orders;
}

}  // namespace

int main() {
  testing::TempDir dir;
  bench::UseBuildInstallation(dir);

  erpdb::DemoOptions options;
  options.orders = 1000;
  options.invoices = 0;
  options.stock_bills = 0;
  options.fixed_entries = true;
  const std::string source = dir.File("source.db"), target = dir.File("target.db"),
                    bound = dir.File("bound.db");
  erpdb::CreateDemoAccount(source, options);
  options.base_only = true;
  erpdb::CreateDemoAccount(target, options);
  erpdb::CreateDemoAccount(bound, options);

  std::string props = Props(source), xml, ts, max, error;
  clsSaleOrder exporter;
  if (!exporter.Export(props, xml, 0, ts, max, error)) {
    std::fprintf(stderr, "export failed: %s\n", error.c_str());
    return 1;
  }
  clsSaleOrder importer;
  int imported = 0;
  importer.SetProgressHandler([&](int32_t, int32_t, bool ok, const std::string&) { imported += ok; });
  std::string target_props = Props(target);
  auto start = std::chrono::steady_clock::now();
  if (!importer.Import(target_props, xml, error)) {
    std::fprintf(stderr, "import failed: %s\n", error.c_str());
    return 1;
  }
  const double import_seconds = Seconds(start);
  db::HandlePool::CloseIdle();
  start = std::chrono::steady_clock::now();
  const int copied = CopyOrders(source, bound);
  const double copy_seconds = Seconds(start);

  std::printf("%d orders x 5 entries: clsSaleOrder.Import %8.0f orders/s (%d in %.2f s)\n", 1000,
              imported / import_seconds, imported, import_seconds);
  std::printf("%21s lower bound: prepared copy %8.0f orders/s (%d in %.3f s)\n", "",
              copied / copy_seconds, copied, copy_seconds);
  std::printf("%21s ratio lower bound / import: %.1f\n", "",
              (copied / copy_seconds) / (imported / import_seconds));
  return 0;
}

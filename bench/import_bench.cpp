// Sales order import: clsSaleOrder.Import of 1,000 orders (or the counts
// given) of 5 entries into an account holding base data only, the XML made
// by exporting a generated account in one page.
//
// Bound, measured in the same run: the floor of the same writes. The same
// head and entry rows are copied from the source account into another
// account holding base data only, with prepared statements, one transaction
// per order that also advances the table's highest internal ID and the
// order numbering rule, as a save must. Both accounts are WAL files with the
// synchronous setting the component's connections have (none is set, so the
// library's default: FULL on Debian, each commit waits for the disk). Beside
// them, the disk's own rate of durable commits: one row inserted per
// transaction on a WAL file with synchronous=FULL. The ratio is the price of
// the component's way: XML validation, a key lookup per reference, the
// checks, the bill service's numbering and the save of every order through
// SQL text.
//
//   import_bench [COUNT...]         component, bound and disk, wall and CPU
//   import_bench --component COUNT  the component's part alone (ImportAll)
//   import_bench --memory COUNT     one file holding every order, the memory
//                                   its import takes (accounts and file made
//                                   first in a child process)
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_support.h"
#include "erpdb/demo_data.h"
#include "erpdb/sql_functions.h"
#include "exchange/cls_sale_order.h"
#include "platform/db/sqlite_handle.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

// The component: every order of `xml` imported; the number saved, -1 when
// the call fails.
__attribute__((noinline)) int ImportAll(const std::string& props_in, const std::string& xml) {
  clsSaleOrder importer;
  int imported = 0;
  importer.SetProgressHandler(
      [&](int32_t, int32_t, bool ok, const std::string&) { imported += ok; });
  std::string props = props_in, error;
  if (!importer.Import(props, xml, error)) {
    std::fprintf(stderr, "import failed: %s\n", error.c_str());
    return -1;
  }
  return imported;
}

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql, error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
  }
}

// The synchronous setting of a connection that sets none, as the
// component's: 0 OFF, 1 NORMAL, 2 FULL, 3 EXTRA.
int DefaultSynchronous(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA synchronous", -1, &s, nullptr);
  const int mode = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return mode;
}

const char* kCopyHead =
    "INSERT INTO SEOrder (FInterID, FBrNo, FTranType, FDate, FBillNo, FUUID, FCustID, FCurrencyID, "
    "FExchangeRate, FDiscountType, FDeptID, FEmpID, FMangerID, FBillerID, FImport, FSystemType, "
    "FFetchAdd, FSaleStyle, FSettleID) SELECT FInterID, FBrNo, FTranType, FDate, FBillNo, FUUID, "
    "FCustID, FCurrencyID, FExchangeRate, FDiscountType, FDeptID, FEmpID, FMangerID, FBillerID, 1, "
    "2, "
    "FFetchAdd, FSaleStyle, FSettleID FROM source.SEOrder WHERE FInterID = ?1";
const char* kCopyEntries =
    "INSERT INTO SEOrderEntry SELECT * FROM source.SEOrderEntry WHERE FInterID = ?1";
const char* kAdvanceInterId =
    "UPDATE t_BillInterIDMax SET FMaxInterID = max(FMaxInterID, ?1) WHERE FTableName = 'SEOrder'";
const char* kAdvanceNumber =
    "UPDATE t_BillNoRule SET FCurNo = max(FCurNo, (SELECT CAST(substr(FBillNo, 3) AS INT) "
    "FROM source.SEOrder WHERE FInterID = ?1)) WHERE FTranType = 81";

// The bound: every order with entries of `from` copied into `to`, one
// transaction per order; the number copied.
__attribute__((noinline)) int BoundCopyOrderPerTransaction(const std::string& from,
                                                           const std::string& to) {
  sqlite3* db = nullptr;
  sqlite3_open(to.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  Exec(db, "PRAGMA journal_mode=WAL");
  Exec(db, ("ATTACH DATABASE '" + from + "' AS source").c_str());
  // The import refuses orders without entries; the copy leaves them out.
  sqlite3_stmt* ids = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT FInterID FROM source.SEOrder o WHERE FInterID <> 0 AND EXISTS "
                     "(SELECT 1 FROM source.SEOrderEntry e WHERE e.FInterID = o.FInterID)",
                     -1, &ids, nullptr);
  sqlite3_stmt* steps[4] = {};
  const char* sql[4] = {kCopyHead, kCopyEntries, kAdvanceInterId, kAdvanceNumber};
  for (int k = 0; k < 4; ++k)
    if (sqlite3_prepare_v2(db, sql[k], -1, &steps[k], nullptr) != SQLITE_OK)
      std::fprintf(stderr, "bound: %s\n", sqlite3_errmsg(db));
  int orders = 0;
  while (sqlite3_step(ids) == SQLITE_ROW) {
    const sqlite3_int64 id = sqlite3_column_int64(ids, 0);
    Exec(db, "BEGIN IMMEDIATE");
    bool ok = true;
    for (sqlite3_stmt* s : steps) {
      sqlite3_bind_int64(s, 1, id);
      ok = sqlite3_step(s) == SQLITE_DONE && ok;
      sqlite3_reset(s);
    }
    Exec(db, ok ? "COMMIT" : "ROLLBACK");
    orders += ok;
  }
  sqlite3_finalize(ids);
  for (sqlite3_stmt* s : steps) sqlite3_finalize(s);
  sqlite3_close(db);
  return orders;
}

// The disk's rate: `count` transactions of one small row each on a WAL file
// with synchronous=FULL.
__attribute__((noinline)) int DurableCommitLoop(const std::string& path, int count) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE t (n INTEGER)");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1)", -1, &insert, nullptr);
  int committed = 0;
  for (int i = 0; i < count; ++i) {
    Exec(db, "BEGIN");
    sqlite3_bind_int(insert, 1, i);
    sqlite3_step(insert);
    sqlite3_reset(insert);
    committed += sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
  return committed;
}

// The source account with `orders` orders, its export in one page written to
// `xml_path`, and an account with base data only for each of `targets`.
bool MakeAccounts(const std::string& source, int orders, const std::string& xml_path,
                  std::initializer_list<std::string> targets) {
  erpdb::DemoOptions options;
  options.orders = orders;
  options.invoices = 0;
  options.stock_bills = 0;
  options.entries_per_order = 5;
  options.fixed_entries = true;
  erpdb::CreateDemoAccount(source, options);
  options.base_only = true;
  for (const std::string& target : targets) erpdb::CreateDemoAccount(target, options);

  std::string props = bench::AccountProps(source), xml, timestamp, max, error;
  clsSaleOrder exporter;
  const bool ok = exporter.Export(props, xml, 0, timestamp, max, error);
  db::HandlePool::CloseIdle();
  if (!ok) {
    std::fprintf(stderr, "export failed: %s\n", error.c_str());
    return false;
  }
  std::ofstream(xml_path, std::ios::binary) << xml;
  return true;
}

// The file's bytes, read into one string of its size (no second copy that
// could raise the peak before the measured part).
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string text(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  return text;
}

int OrdersWithEntries(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT COUNT(DISTINCT FInterID) FROM SEOrderEntry", -1, &s, nullptr);
  const int n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return n;
}

bool Run(int orders, bool component_only) {
  testing::TempDir dir;
  const std::string source = dir.File("source.db"), target = dir.File("target.db"),
                    bound_target = dir.File("bound.db"), xml_path = dir.File("orders.xml");
  if (!MakeAccounts(source, orders, xml_path, {target, bound_target})) return false;
  const std::string xml = ReadFile(xml_path);
  const int expected = OrdersWithEntries(source);

  int imported = 0;
  const bench::Timing component_time =
      bench::Measure([&] { imported = ImportAll(bench::AccountProps(target), xml); });
  db::HandlePool::CloseIdle();
  std::printf("import, %d orders x 5 entries (%d with entries), one transaction per order\n",
              orders, expected);
  bench::PrintTiming("component", "clsSaleOrder.Import", imported, "orders", component_time);
  if (component_only) return imported == expected;

  const int synchronous = DefaultSynchronous(bound_target);
  int copied = 0, commits = 0;
  const bench::Timing bound_time =
      bench::Measure([&] { copied = BoundCopyOrderPerTransaction(source, bound_target); });
  const bench::Timing disk_time =
      bench::Measure([&] { commits = DurableCommitLoop(dir.File("commits.db"), orders); });
  bench::PrintTiming("bound", "prepared copy, one transaction per order", copied, "orders",
                     bound_time);
  bench::PrintRatio(component_time, imported, bound_time, copied);
  bench::PrintTiming("disk", "BEGIN; INSERT one row; COMMIT (sync FULL)", commits, "commits",
                     disk_time);
  std::printf("  synchronous of the component's and the bound's connections: %d (2 = FULL)\n",
              synchronous);
  return imported == expected && copied == expected && commits == orders;
}

// One file holding every order imported in this process, after the accounts
// and the file were made in a child process.
bool RunMemory(int orders) {
  testing::TempDir dir;
  const std::string source = dir.File("source.db"), target = dir.File("target.db"),
                    xml_path = dir.File("orders.xml");
  if (!bench::RunInChildProcess([&] { return MakeAccounts(source, orders, xml_path, {target}); })) {
    std::fprintf(stderr, "the accounts could not be made\n");
    return false;
  }
  const std::string xml = ReadFile(xml_path);
  const std::string props = bench::AccountProps(target);
  const long before = bench::ResidentKiB();
  const int imported = ImportAll(props, xml);
  const long peak = bench::PeakResidentKiB();
  if (imported < 0) return false;
  std::printf("import memory, %d orders x 5 entries in one file (clsSaleOrder.Import, %d saved)\n",
              orders, imported);
  bench::PrintMemory(xml.size(), before, peak);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  return bench::OrderBenchmarkMain(argc, argv, {1000}, &Run, &RunMemory);
}

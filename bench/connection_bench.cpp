// How much one key lookup costs the way the key mapping makes it: a
// connection component created by ProgID for the lookup, pointed at the
// account, one small SELECT, the fields read, the component released.
//
// Lower bound: the same row read with one prepared statement on an open
// SQLite handle. Also shown: the same lookup when every connection opens the
// database file anew (no pooling), which is what pooling saves.
//
//   connection_bench [COUNT]              50,000 lookups (or COUNT), wall and CPU
//   connection_bench --component COUNT    the component's part alone
//                                         (KeyLookupsThroughComponent)
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "erpdb/account_db.h"
#include "erpdb/sql_functions.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

constexpr int kItems = 2000;

void MakeAccount(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  erpdb::CreateAccountSchema(db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr);
  for (int i = 1; i <= kItems; ++i) {
    const std::string sql =
        "INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, UUID) VALUES (" +
        std::to_string(i) + ", 1, 'C" + std::to_string(i) + "', 'Customer " + std::to_string(i) +
        "', NEWID())";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// `n` lookups through the component; `pooled` false closes the idle
// database handles after each, so that every connection opens the file.
size_t Lookups(int n, bool pooled) {
  size_t sink = 0;
  for (int i = 0; i < n; ++i) {
    ConnectionPtr connection;
    OpenErpConnection(connection);
    RecordSetPtr rs = connection->GetAnyRecordSet(
        "SELECT FNumber, FName, UUID FROM t_Item WHERE FItemClassID=1 AND FItemID=" +
        std::to_string(i % kItems + 1));
    if (!rs->Eof()) sink += CStr(rs->Fields("FNumber")).size() + CStr(rs->Fields("UUID")).size();
    connection.reset();
    if (!pooled) db::HandlePool::CloseIdle();
  }
  return sink;
}

// The component's part: pooled lookups, as the key mapping makes them.
__attribute__((noinline)) size_t KeyLookupsThroughComponent(int n) { return Lookups(n, true); }

__attribute__((noinline)) size_t KeyLookupsOpeningTheFile(int n) { return Lookups(n, false); }

// The bound: the same row read with one prepared statement on an open handle.
__attribute__((noinline)) size_t BoundPreparedLookups(sqlite3* db, int n) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT FNumber, FName, UUID FROM t_Item WHERE FItemClassID=1 AND FItemID=?",
                     -1, &stmt, nullptr);
  size_t sink = 0;
  for (int i = 0; i < n; ++i) {
    sqlite3_bind_int(stmt, 1, i % kItems + 1);
    if (sqlite3_step(stmt) == SQLITE_ROW)
      sink += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))).size() +
              std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2))).size();
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  return sink;
}

}  // namespace

int main(int argc, char** argv) {
  bench::Arguments args;
  if (!bench::ParseArguments(argc, argv, {50000}, args) || args.memory) return 2;
  const int n = args.counts.front();
  platform::RegisterPlatformComponents();
  testing::TempDir dir;
  const std::string path = dir.File("bench.db");
  MakeAccount(path);
  ParsePropsString("ConnectString={Provider=SQLite;Data Source=" + path + "};UserID=16394");

  Lookups(1000, true);  // the handle opened and the statement prepared once
  size_t sink = 0;
  const bench::Timing pooled = bench::Measure([&] { sink += KeyLookupsThroughComponent(n); });
  std::printf("key lookup, %d lookups of one row by its ID among %d\n", n, kItems);
  bench::PrintTiming("component", "connection component, pooled handles", n, "lookups", pooled);
  if (args.component_only) return sink > 0 ? 0 : 1;

  const int n_unpooled = std::max(1, n / 25);
  const bench::Timing unpooled =
      bench::Measure([&] { sink += KeyLookupsOpeningTheFile(n_unpooled); });
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  const bench::Timing bound = bench::Measure([&] { sink += BoundPreparedLookups(db, n); });
  sqlite3_close(db);
  bench::PrintTiming("bound", "one prepared statement on an open handle", n, "lookups", bound);
  bench::PrintRatio(pooled, n, bound, n);
  bench::PrintTiming("unpooled", "connection component, file opened each time", n_unpooled,
                     "lookups", unpooled);
  std::printf("  per lookup: component %.2f us, bound %.2f us, unpooled %.2f us\n",
              pooled.wall_s / n * 1e6, bound.wall_s / n * 1e6, unpooled.wall_s / n_unpooled * 1e6);
  return sink > 0 ? 0 : 1;
}

// How much one key lookup costs the way the key mapping makes it: a
// connection component created by ProgID for the lookup, pointed at the
// account, one small SELECT, the fields read, the component released.
//
// Lower bound: the same row read with one prepared statement on an open
// SQLite handle. Also shown: the same lookup when every connection opens the
// database file anew (no pooling), which is what pooling saves.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>

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

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void MakeAccount(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  erpdb::CreateAccountSchema(db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr);
  for (int i = 1; i <= kItems; ++i) {
    const std::string sql = "INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, UUID) VALUES (" +
                            std::to_string(i) + ", 1, 'C" + std::to_string(i) + "', 'Customer " +
                            std::to_string(i) + "', NEWID())";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

double ComponentLookups(int n, bool pooled) {
  size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
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
  if (sink == 0) std::printf("no rows read\n");
  return Seconds(start) / n;
}

double LowerBound(const std::string& path, int n) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  erpdb::RegisterErpSqlFunctions(db);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "SELECT FNumber, FName, UUID FROM t_Item WHERE FItemClassID=1 AND FItemID=?",
                     -1, &stmt, nullptr);
  size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    sqlite3_bind_int(stmt, 1, i % kItems + 1);
    if (sqlite3_step(stmt) == SQLITE_ROW)
      sink += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))).size() +
              std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2))).size();
    sqlite3_reset(stmt);
  }
  const double per = Seconds(start) / n;
  if (sink == 0) std::printf("no rows read\n");
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return per;
}

}  // namespace

int main() {
  platform::RegisterPlatformComponents();
  testing::TempDir dir;
  const std::string path = dir.File("bench.db");
  MakeAccount(path);
  ParsePropsString("ConnectString={Provider=SQLite;Data Source=" + path + "};UserID=16394");

  const int n = 50000;
  ComponentLookups(1000, true);  // warm up
  const double pooled = ComponentLookups(n, true);
  const double unpooled = ComponentLookups(2000, false);
  const double bound = LowerBound(path, n);
  std::printf("key lookup through the connection component (pooled):  %8.2f us\n", pooled * 1e6);
  std::printf("key lookup opening the database every time:           %8.2f us\n", unpooled * 1e6);
  std::printf("lower bound (one prepared statement, open handle):     %8.2f us\n", bound * 1e6);
  std::printf("ratio pooled / lower bound: %.1f; unpooled / pooled: %.1f\n", pooled / bound,
              unpooled / pooled);
  return 0;
}

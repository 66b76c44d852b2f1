#include "platform/db/sqlite_handle.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "erpdb/sql_functions.h"
#include "platform/db/static_record_set.h"
#include "platform/db/tsql_dialect.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

constexpr const char* kSource = "ZuMConnection.Connection";
constexpr size_t kCacheLimit = 256;   // statements and translations kept per handle
constexpr size_t kIdlePerFile = 4;    // idle handles kept per database file

[[noreturn]] void Fail(int32_t number, const std::string& what) {
  throw RuntimeError(number, kSource, what);
}

// How a column's values are typed, from its declared type.
enum class Kind { ByStorage, Integer, Boolean, Real, Text, DateTime, Blob };

Kind KindOfDeclaredType(const char* declared) {
  if (!declared) return Kind::ByStorage;
  const std::string t = UCase(declared);
  auto has = [&](const char* s) { return t.find(s) != std::string::npos; };
  if (has("TIMESTAMP") || has("ROWVERSION") || has("BINARY") || has("BLOB") || has("IMAGE"))
    return Kind::Blob;
  if (has("DATE") || has("TIME")) return Kind::DateTime;
  if (t == "BIT") return Kind::Boolean;
  if (has("INT")) return Kind::Integer;
  if (has("CHAR") || has("TEXT") || has("CLOB") || has("UNIQUEIDENTIFIER")) return Kind::Text;
  if (has("REAL") || has("FLOA") || has("DOUB") || has("DEC") || has("NUMERIC") || has("MONEY"))
    return Kind::Real;
  return Kind::ByStorage;
}

Variant IntegerValue(sqlite3_int64 n) {
  if (n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int32_t>(n));
  return Variant(static_cast<double>(n));
}

Variant StoredValue(sqlite3_stmt* stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_NULL: return Variant::Null();
    case SQLITE_INTEGER: return IntegerValue(sqlite3_column_int64(stmt, col));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB: {
      const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, col));
      return Variant(Bytes(p, p + sqlite3_column_bytes(stmt, col)));
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      return Variant(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
    }
  }
}

// The value of a column typed by its declared type. A stored value that does
// not fit its column's type (text in an INT column) is returned as stored.
Variant ColumnValue(sqlite3_stmt* stmt, int col, Kind kind) {
  const int storage = sqlite3_column_type(stmt, col);
  if (storage == SQLITE_NULL) return Variant::Null();
  switch (kind) {
    case Kind::Integer:
      if (storage == SQLITE_INTEGER) return IntegerValue(sqlite3_column_int64(stmt, col));
      if (storage == SQLITE_FLOAT) return Variant(sqlite3_column_double(stmt, col));
      break;
    case Kind::Boolean:
      if (storage == SQLITE_INTEGER) return Variant(sqlite3_column_int64(stmt, col) != 0);
      break;
    case Kind::Real:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
        return Variant(sqlite3_column_double(stmt, col));
      break;
    case Kind::Text:
      if (storage != SQLITE_BLOB) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        return Variant(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
      }
      break;
    case Kind::DateTime:
      if (storage == SQLITE_TEXT) {
        const std::string text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                               static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
        // The server stores '' in a date column as its day 0, 1900-01-01.
        if (Trim(text).empty()) return Variant(MakeDate(1900, 1, 1));
        try {
          return Variant(CDate(Variant(text)));
        } catch (const RuntimeError&) {
          break;
        }
      }
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)  // days since 1900-01-01
        return Variant(Date{sqlite3_column_double(stmt, col) + 2});
      break;
    case Kind::Blob:
    case Kind::ByStorage:
      break;
  }
  return StoredValue(stmt, col);
}

struct FileId {
  dev_t device;
  ino_t inode;
};

FileId IdentifyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int error = errno;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path + "\": " +
                               (error == ENOENT ? std::string("the file does not exist")
                                                : std::string(std::strerror(error))));
  }
  if (!S_ISREG(st.st_mode))
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path + "\": not a file");
  return {st.st_dev, st.st_ino};
}

// The first word of an SQLite statement text after blanks and comments, in
// upper case; "" when there is none.
std::string FirstWord(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size()) {
    if (std::isspace(static_cast<unsigned char>(sql[i]))) {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      i = sql.find('\n', i);
      if (i == std::string_view::npos) return {};
    } else if (sql.substr(i, 2) == "/*") {
      i = sql.find("*/", i + 2);
      if (i == std::string_view::npos) return {};
      i += 2;
    } else {
      break;
    }
  }
  size_t end = i;
  while (end < sql.size() && std::isalpha(static_cast<unsigned char>(sql[end]))) ++end;
  return UCase(std::string(sql.substr(i, end - i)));
}

// Whether an SQLite statement text starts with SELECT, WITH or VALUES: the
// statements that can only query.
bool IsQueryText(std::string_view sql) {
  const std::string word = FirstWord(sql);
  return word == "SELECT" || word == "WITH" || word == "VALUES";
}

// Whether a statement without columns is one that changes rows (a WITH
// without columns ends in one of them).
bool ChangesRows(std::string_view sql) {
  const std::string word = FirstWord(sql);
  return word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "REPLACE" ||
         word == "WITH";
}

}  // namespace

SqliteHandle::SqliteHandle(const ConnectionSettings& settings) : path_(settings.data_source) {
  const FileId id = IdentifyFile(path_);
  device_ = id.device;
  inode_ = id.inode;
  const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + msg);
  }
  // The busy timeout comes before any statement, the journal mode included.
  set_busy_timeout(settings.busy_timeout_ms);
  try {
    erpdb::RegisterErpSqlFunctions(db_);
  } catch (const std::exception& e) {
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + e.what());
  }
  std::string message;
  if (!UseWal(settings.busy_timeout_ms, message)) {
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + message);
  }
}

int SqliteHandle::JournalMode(const char* pragma, std::string& mode, std::string& message) {
  mode.clear();
  char* error = nullptr;
  const int rc = sqlite3_exec(
      db_, pragma,
      [](void* out, int columns, char** values, char**) {
        if (columns > 0 && values[0]) *static_cast<std::string*>(out) = values[0];
        return 0;
      },
      &mode, &error);
  message = error ? error : (rc == SQLITE_OK ? "" : sqlite3_errmsg(db_));
  sqlite3_free(error);
  return rc;
}

bool SqliteHandle::UseWal(int busy_timeout_ms, std::string& message) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(busy_timeout_ms, 0));
  // Reading the journal mode reads the file header: a file that is not a
  // database fails here rather than at the first statement. This read waits
  // for a writer through the busy handler like any other.
  std::string mode;
  if (JournalMode("PRAGMA journal_mode", mode, message) != SQLITE_OK) return false;
  if (mode == "wal") return true;
  // The switch needs the file to itself, and SQLite does not call the busy
  // handler for it (the connection holds its read lock by then, and waiting
  // could deadlock), so a busy switch is tried again until the timeout ends.
  for (;;) {
    const int rc = JournalMode("PRAGMA journal_mode=WAL", mode, message);
    if (rc == SQLITE_OK) return true;
    const int primary = rc & 0xFF;
    const Clock::time_point now = Clock::now();
    if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || now >= deadline) return false;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(std::chrono::milliseconds(10), deadline - now));
  }
}

SqliteHandle::~SqliteHandle() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void SqliteHandle::set_busy_timeout(int ms) { sqlite3_busy_timeout(db_, ms); }

bool SqliteHandle::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void SqliteHandle::RollBackOpenTransaction() {
  if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

const std::vector<std::string>& SqliteHandle::Translate(std::string_view tsql) {
  auto it = translations_.find(std::string(tsql));
  if (it != translations_.end()) return it->second;
  if (translations_.size() >= kCacheLimit) translations_.clear();
  return translations_.emplace(std::string(tsql), TranslateTsql(tsql)).first->second;
}

sqlite3_stmt* SqliteHandle::Prepare(const std::string& sql, std::string_view tsql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
  if (rc != SQLITE_OK) {
    const std::string msg = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed, msg + " in statement: " + std::string(tsql));
  }
  if (!stmt) return nullptr;  // only blanks or comments
  if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed,
         "more than one statement in one text could not be separated in statement: " +
             std::string(tsql));
  }
  if (sqlite3_bind_parameter_count(stmt) > 0) {
    const char* raw_name = sqlite3_bind_parameter_name(stmt, 1);
    const std::string name = raw_name ? raw_name : "?";  // owned by the statement
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed, "Must declare the scalar variable \"" + name +
                                    "\" in statement: " + std::string(tsql));
  }
  if (statements_.size() >= kCacheLimit) {
    for (auto& [s, st] : statements_) sqlite3_finalize(st);
    statements_.clear();
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

SqliteHandle::Stepped SqliteHandle::Step(sqlite3_stmt* stmt, std::string_view tsql) {
  const int columns = sqlite3_column_count(stmt);
  Stepped stepped;
  stepped.has_columns = columns > 0;
  std::vector<Kind> kinds(static_cast<size_t>(columns));
  stepped.names.resize(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    kinds[c] = KindOfDeclaredType(sqlite3_column_decltype(stmt, c));
    const char* n = sqlite3_column_name(stmt, c);
    stepped.names[c] = n ? n : "";
  }
  int rc;
  try {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      Row row(static_cast<size_t>(columns));
      for (int c = 0; c < columns; ++c) row[c] = ColumnValue(stmt, c, kinds[c]);
      stepped.rows.push_back(std::move(row));
    }
  } catch (...) {
    sqlite3_reset(stmt);  // a cached statement must not stay half-stepped
    throw;
  }
  if (rc != SQLITE_DONE) {
    const std::string msg = sqlite3_errmsg(db_);
    sqlite3_reset(stmt);
    Fail(err::kStatementFailed, msg + " in statement: " + std::string(tsql));
  }
  sqlite3_reset(stmt);
  return stepped;
}

RecordSetPtr SqliteHandle::Run(std::string_view tsql) {
  std::vector<std::string> names;
  std::vector<Row> rows;
  // Copy: a nested Translate could rehash the cache while we iterate.
  const std::vector<std::string> statements = Translate(tsql);
  for (const std::string& sql : statements) {
    sqlite3_stmt* stmt = Prepare(sql, tsql);
    if (!stmt) continue;
    Stepped stepped = Step(stmt, tsql);
    if (stepped.has_columns) {
      names = std::move(stepped.names);
      rows = std::move(stepped.rows);
    }
  }
  return std::make_shared<StaticRecordSet>(std::move(names), std::move(rows));
}

int32_t SqliteHandle::RunEach(std::string_view tsql,
                              const std::function<void(const StatementOutcome&)>& each) {
  const std::vector<std::string> statements = Translate(tsql);
  int32_t ran = 0;
  for (const std::string& sql : statements) {
    sqlite3_stmt* stmt = Prepare(sql, tsql);
    if (!stmt) continue;  // only blanks or comments
    Stepped stepped = Step(stmt, tsql);
    ++ran;
    StatementOutcome outcome;
    if (stepped.has_columns) {
      outcome.rows =
          std::make_shared<StaticRecordSet>(std::move(stepped.names), std::move(stepped.rows));
    } else if (ChangesRows(sql)) {
      outcome.rows_changed = sqlite3_changes64(db_);
    }
    each(outcome);
  }
  return ran;
}

RecordSetPtr SqliteHandle::RunReadOnly(std::string_view tsql) {
  const std::vector<std::string> statements = Translate(tsql);
  if (statements.size() != 1) {
    Fail(err::kStatementFailed,
         "A read-only query must be exactly one statement; refused a text of " +
             std::to_string(statements.size()) + " statements: " + std::string(tsql));
  }
  sqlite3_stmt* stmt = Prepare(statements.front(), tsql);
  // A query has columns and starts as one; sqlite3_stmt_readonly alone lets
  // through statements that change the connection (BEGIN, ATTACH, PRAGMA).
  if (!stmt || !IsQueryText(statements.front()) || sqlite3_column_count(stmt) == 0 ||
      !sqlite3_stmt_readonly(stmt)) {
    Fail(err::kStatementFailed,
         "A read-only query may only read; refused the statement: " + std::string(tsql));
  }
  Stepped stepped = Step(stmt, tsql);
  return std::make_shared<StaticRecordSet>(std::move(stepped.names), std::move(stepped.rows));
}

namespace {

struct IdleHandles {
  std::map<std::string, std::vector<std::unique_ptr<SqliteHandle>>> by_path;
};

IdleHandles& ThisThreadIdle() {
  thread_local IdleHandles idle;
  return idle;
}

}  // namespace

std::unique_ptr<SqliteHandle> HandlePool::Acquire(const ConnectionSettings& settings) {
  auto& list = ThisThreadIdle().by_path[settings.data_source];
  if (!list.empty()) {
    FileId id{};
    try {
      id = IdentifyFile(settings.data_source);
    } catch (...) {
      list.clear();  // the file is gone: its idle handles are of no use
      throw;
    }
    while (!list.empty()) {
      std::unique_ptr<SqliteHandle> h = std::move(list.back());
      list.pop_back();
      if (h->SameFileAs(id.device, id.inode)) {
        h->set_busy_timeout(settings.busy_timeout_ms);
        return h;
      }
      // The file was replaced since this handle opened it: drop the handle.
    }
  }
  return std::make_unique<SqliteHandle>(settings);
}

void HandlePool::Release(std::unique_ptr<SqliteHandle> handle) {
  if (!handle) return;
  handle->RollBackOpenTransaction();
  // A handle whose transaction could not be rolled back would keep the
  // write lock and show uncommitted rows to its next user: close it.
  if (handle->InTransaction()) return;
  auto& list = ThisThreadIdle().by_path[handle->path()];
  if (list.size() < kIdlePerFile) list.push_back(std::move(handle));
}

void HandlePool::CloseIdle() { ThisThreadIdle().by_path.clear(); }

size_t HandlePool::IdleCount() {
  size_t n = 0;
  for (const auto& [path, list] : ThisThreadIdle().by_path) n += list.size();
  return n;
}

}  // namespace corvane::db

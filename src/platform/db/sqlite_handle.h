// SqliteHandle: one open SQLite connection to an account database, with the
// ERP's SQL functions and collation registered, the T-SQL dialect translated,
// and translations and prepared statements cached by their text.
//
// HandlePool keeps open handles per database file for the thread that opened
// them, so that the many short-lived connections of key lookups cost a cache
// hit instead of an open: the ERP's connection component pools its sessions
// the same way. A pooled handle is handed out again only while the file is
// still the same file (device and inode), so a database file that was replaced
// is opened anew.
//
// Both belong to one thread: the pool is thread-local, and a handle is used
// by one connection object at a time.
#pragma once

#include <sys/types.h>

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame/outside/connection.h"
#include "platform/db/conn_string.h"
#include "platform/db/record_filter.h"  // Row

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::db {

class SqliteHandle {
 public:
  // Opens an existing account database (never creates one) and makes sure it
  // is in WAL mode, switching a file that is not. The busy timeout applies to
  // the whole open, the switch included: another writer's lock is waited for
  // up to the timeout. Raises a RuntimeError naming the file when it does not
  // exist, cannot be opened, is not a database or stays locked.
  explicit SqliteHandle(const ConnectionSettings& settings);
  ~SqliteHandle();
  SqliteHandle(const SqliteHandle&) = delete;
  SqliteHandle& operator=(const SqliteHandle&) = delete;

  // Runs one T-SQL text and returns the rows of its last statement that has
  // columns (an empty record set when none has). A failing statement raises a
  // RuntimeError with the database's message and the statement.
  RecordSetPtr Run(std::string_view tsql);
  // Runs a T-SQL text that must be exactly one query that only reads (SELECT,
  // WITH or VALUES, and sqlite3_stmt_readonly), and returns its rows. Any
  // other text raises a RuntimeError with the statement before anything runs.
  RecordSetPtr RunReadOnly(std::string_view tsql);
  // Runs each statement of a T-SQL text in order and hands `each` its
  // outcome (IConnection::RunBatch); answers the number of statements run.
  int32_t RunEach(std::string_view tsql, const std::function<void(const StatementOutcome&)>& each);

  // Ends a transaction a caller left open, so the handle can be pooled.
  void RollBackOpenTransaction();
  // Whether a transaction is open on the handle.
  bool InTransaction() const;

  const std::string& path() const { return path_; }
  bool SameFileAs(dev_t device, ino_t inode) const { return device_ == device && inode_ == inode; }
  void set_busy_timeout(int ms);

 private:
  // Runs a journal_mode pragma; `mode` gets the mode it answers.
  int JournalMode(const char* pragma, std::string& mode, std::string& message);
  // Puts the file in WAL mode unless it is; false, with SQLite's message, when
  // it cannot within `busy_timeout_ms`.
  bool UseWal(int busy_timeout_ms, std::string& message);
  sqlite3_stmt* Prepare(const std::string& sql, std::string_view tsql);
  // What a statement gave when it was stepped to its end.
  struct Stepped {
    bool has_columns = false;
    std::vector<std::string> names;
    std::vector<Row> rows;
  };
  // Steps a prepared statement to its end and resets it.
  Stepped Step(sqlite3_stmt* stmt, std::string_view tsql);
  const std::vector<std::string>& Translate(std::string_view tsql);

  sqlite3* db_ = nullptr;
  std::string path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::unordered_map<std::string, std::vector<std::string>> translations_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// The idle handles of this thread.
class HandlePool {
 public:
  // A handle on the settings' database: an idle one of the same file, or a
  // newly opened one.
  static std::unique_ptr<SqliteHandle> Acquire(const ConnectionSettings& settings);
  // Gives a handle back; it is kept open for the next Acquire of its file
  // (up to a few per file) or closed.
  static void Release(std::unique_ptr<SqliteHandle> handle);
  // Closes every idle handle of this thread.
  static void CloseIdle();
  // The number of idle handles of this thread (for tests and benchmarks).
  static size_t IdleCount();
};

}  // namespace corvane::db

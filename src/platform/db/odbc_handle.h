// OdbcHandle: one ODBC connection to an account database through the driver
// manager (unixODBC), for SQL Server accounts and for any data source an ODBC
// driver serves.
//
// - T-SQL goes to SQL Server as written. Where the data source is SQLite (the
//   driver says so), statements get the embedded backend's dialect
//   translation, one statement at a time, and the connection is made with the
//   account's SQLite extension (the driver's LoadExt option), so that an
//   account reads and writes the same through either backend.
// - Every row is fetched when a statement runs; columns are typed by their
//   declared type as on the SQLite backend (rowversion and binary as Bytes,
//   datetime as Date, decimal and money as Double, text as UTF-8, NULL as
//   Null).
// - Errors carry the SQLSTATE and the driver's message, name the statement,
//   and never the password. A connection the driver reports lost (SQLSTATE
//   08...) marks the handle broken: its pool discards it instead of handing it
//   out again.
//
// OdbcPool keeps idle handles per connection string for the thread that
// opened them, as the SQLite backend's pool does.
//
// Both belong to one thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/outside/connection.h"
#include "platform/db/conn_string.h"

namespace corvane::db {

class OdbcHandle {
 public:
  // Connects; raises a RuntimeError (kCannotOpen) with the driver manager's
  // or driver's SQLSTATE and message when it cannot.
  explicit OdbcHandle(const OdbcSettings& settings);
  ~OdbcHandle();
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;

  // The contracts of IConnection's GetAnyRecordSet, QueryReadOnly and RunBatch.
  RecordSetPtr Run(std::string_view tsql);
  RecordSetPtr RunReadOnly(std::string_view tsql);
  int32_t RunEach(std::string_view tsql, const std::function<void(const StatementOutcome&)>& each);

  // IConnection::ActiveRowVersionFloor: SQL Server's MIN_ACTIVE_ROWVERSION();
  // on SQLite, the version after the last one handed out, or the lowest one
  // a writer holds uncommitted (t_RowVersionHeld) when that is lower.
  Variant ActiveRowVersionFloor();

  // Whether the data source is SQLite (statements are translated).
  bool sqlite() const { return sqlite_; }
  // Whether the driver reported the connection lost.
  bool broken() const { return broken_; }
  // Ends a transaction a caller left open, so the handle can be pooled.
  void RollBackOpenTransaction();

 private:
  struct Handles;
  // Runs one statement as the data source takes it; `rows` gets the rows of
  // its last result with columns, `changed` its row count.
  void RunOne(const std::string& sql, std::string_view tsql, StatementOutcome& outcome);
  [[noreturn]] void Fail(int32_t number, short handle_type, void* handle, std::string_view what);

  std::unique_ptr<Handles> h_;
  std::string password_;
  bool sqlite_ = false;
  bool broken_ = false;
  bool in_transaction_ = false;
};

class OdbcPool {
 public:
  // A connected handle for the settings: an idle one of this thread, or a new one.
  static std::unique_ptr<OdbcHandle> Acquire(const OdbcSettings& settings);
  // Gives a handle back: a broken one is closed, an open transaction rolled back.
  static void Release(const OdbcSettings& settings, std::unique_ptr<OdbcHandle> handle);
  // Closes every idle handle of this thread.
  static void CloseIdle();
};

// The transaction statement a text is, when it is one alone: BEGIN
// [IMMEDIATE | DEFERRED | EXCLUSIVE] TRAN[SACTION], COMMIT or ROLLBACK
// [TRAN[SACTION] | WORK], ";" allowed. A server takes those through the ODBC
// calls; a text that holds anything more goes to it as it is.
enum class TransactionStatement { None, Begin, Commit, Rollback };
TransactionStatement TransactionStatementOf(std::string_view sql);

// An ODBC driver the driver manager knows (odbcinst.ini).
struct OdbcDriver {
  std::string name;
  std::string library;  // its Driver= file
};
std::vector<OdbcDriver> InstalledOdbcDrivers();
// Whether the driver's library can be loaded; `why` says why not.
bool OdbcDriverLoads(const OdbcDriver& driver, std::string& why);

}  // namespace corvane::db

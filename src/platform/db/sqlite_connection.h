// SqliteConnection: the "ZuMConnection.Connection" component on the embedded
// account database. It opens the database named by its connection string on
// the first statement (taking a pooled handle of this thread when one is
// idle), and gives the handle back to the pool on CloseConn, on a new
// ConnString and when the last reference is released, so a released
// connection never keeps the database busy.
//
// Used by one thread, the one that created it.
#pragma once

#include <memory>
#include <string>

#include "frame/outside/connection.h"
#include "platform/db/sqlite_handle.h"

namespace corvane::db {

class SqliteConnection : public IConnection {
 public:
  SqliteConnection() = default;
  ~SqliteConnection() override;

  void SetConnString(std::string_view conn_string) override;
  std::string ConnString() const override { return conn_string_; }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override;
  RecordSetPtr Execute(std::string_view sql) override;
  RecordSetPtr QueryReadOnly(std::string_view sql) override;
  int32_t RunBatch(std::string_view sql,
                   const std::function<void(const StatementOutcome&)>& each) override;
  void CloseConn() override;

  // Whether a database connection is open now.
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  SqliteHandle& Handle();

  std::string conn_string_;
  std::unique_ptr<SqliteHandle> handle_;
};

}  // namespace corvane::db

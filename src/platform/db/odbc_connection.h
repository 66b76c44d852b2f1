// OdbcConnection: the "ZuMConnection.Connection" component on an account
// database reached through ODBC (see odbc_handle.h). It connects on the first
// statement, taking an idle handle of this thread for the same connection
// string when there is one, and gives the handle back on CloseConn, on a new
// ConnString and when it is released. A handle whose connection was lost is
// dropped, so the next statement connects afresh.
//
// Used by one thread, the one that created it.
#pragma once

#include <memory>
#include <string>

#include "frame/outside/connection.h"
#include "platform/db/conn_string.h"
#include "platform/db/odbc_handle.h"

namespace corvane::db {

class OdbcConnection : public IConnection {
 public:
  OdbcConnection() = default;
  ~OdbcConnection() override;

  void SetConnString(std::string_view conn_string) override;
  std::string ConnString() const override { return conn_string_; }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override;
  RecordSetPtr Execute(std::string_view sql) override;
  RecordSetPtr QueryReadOnly(std::string_view sql) override;
  int32_t RunBatch(std::string_view sql,
                   const std::function<void(const StatementOutcome&)>& each) override;
  Variant ActiveRowVersionFloor() override;
  void CloseConn() override;

  // Whether the data source is SQLite (connects first when needed).
  bool IsSqlite();

 private:
  OdbcHandle& Handle();
  // Runs `f` on the handle; a lost connection gives its handle up, so the
  // next statement connects anew.
  template <typename F>
  auto OnHandle(F&& f);

  std::string conn_string_;
  OdbcSettings settings_;
  std::unique_ptr<OdbcHandle> handle_;
};

}  // namespace corvane::db

// ConnectionComponent: what "ZuMConnection.Connection" creates. The provider
// of the connection string picks the backend (conn_string.h): the embedded
// SQLite account, or ODBC for SQL Server and other data sources. The backend
// object is made on the first statement after each ConnString, and every
// call goes to it.
//
// Used by one thread, the one that created it.
#pragma once

#include <memory>
#include <string>

#include "frame/outside/connection.h"

namespace corvane::db {

class ConnectionComponent : public IConnection {
 public:
  void SetConnString(std::string_view conn_string) override;
  std::string ConnString() const override { return conn_string_; }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override;
  RecordSetPtr Execute(std::string_view sql) override;
  RecordSetPtr QueryReadOnly(std::string_view sql) override;
  int32_t RunBatch(std::string_view sql,
                   const std::function<void(const StatementOutcome&)>& each) override;
  Variant ActiveRowVersionFloor() override;
  void CloseConn() override;

 private:
  IConnection& Backend();

  std::string conn_string_;
  std::unique_ptr<IConnection> backend_;
};

}  // namespace corvane::db

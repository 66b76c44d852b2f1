#include "platform/db/account_connection_component.h"

#include "platform/db/conn_string.h"
#include "platform/db/odbc_connection.h"
#include "platform/db/sqlite_connection.h"

namespace corvane::db {
namespace {

// The backend of a connection string, read once for as long as this
// thread's connections keep using the same text (every key lookup makes a
// connection).
Backend BackendOfText(const std::string& conn_string) {
  thread_local std::string text;
  thread_local Backend backend = Backend::Sqlite;
  thread_local bool known = false;
  if (!known || text != conn_string) {
    backend = BackendOf(conn_string);
    text = conn_string;
    known = true;
  }
  return backend;
}

}  // namespace

void ConnectionComponent::SetConnString(std::string_view conn_string) {
  if (backend_) backend_->CloseConn();
  backend_.reset();
  conn_string_ = std::string(conn_string);
}

IConnection& ConnectionComponent::Backend() {
  if (!backend_) {
    if (BackendOfText(conn_string_) == Backend::Odbc)
      backend_ = std::make_unique<OdbcConnection>();
    else
      backend_ = std::make_unique<SqliteConnection>();
    backend_->SetConnString(conn_string_);
  }
  return *backend_;
}

RecordSetPtr ConnectionComponent::GetAnyRecordSet(std::string_view sql) {
  return Backend().GetAnyRecordSet(sql);
}

RecordSetPtr ConnectionComponent::Execute(std::string_view sql) { return Backend().Execute(sql); }

RecordSetPtr ConnectionComponent::QueryReadOnly(std::string_view sql) {
  return Backend().QueryReadOnly(sql);
}

int32_t ConnectionComponent::RunBatch(std::string_view sql,
                                      const std::function<void(const StatementOutcome&)>& each) {
  return Backend().RunBatch(sql, each);
}

Variant ConnectionComponent::ActiveRowVersionFloor() { return Backend().ActiveRowVersionFloor(); }

void ConnectionComponent::CloseConn() {
  if (backend_) backend_->CloseConn();
}

}  // namespace corvane::db

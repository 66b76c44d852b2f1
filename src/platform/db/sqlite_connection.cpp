#include "platform/db/sqlite_connection.h"

namespace corvane::db {

SqliteConnection::~SqliteConnection() {
  try {
    CloseConn();
  } catch (...) {
    // Releasing must not throw; the handle is closed with its owner.
  }
}

void SqliteConnection::SetConnString(std::string_view conn_string) {
  CloseConn();
  conn_string_ = std::string(conn_string);
}

SqliteHandle& SqliteConnection::Handle() {
  if (!handle_) handle_ = HandlePool::Acquire(ParseConnString(conn_string_));
  return *handle_;
}

RecordSetPtr SqliteConnection::GetAnyRecordSet(std::string_view sql) { return Handle().Run(sql); }

RecordSetPtr SqliteConnection::Execute(std::string_view sql) { return GetAnyRecordSet(sql); }

RecordSetPtr SqliteConnection::QueryReadOnly(std::string_view sql) {
  return Handle().RunReadOnly(sql);
}

int32_t SqliteConnection::RunBatch(std::string_view sql,
                                   const std::function<void(const StatementOutcome&)>& each) {
  return Handle().RunEach(sql, each);
}

void SqliteConnection::CloseConn() {
  if (handle_) HandlePool::Release(std::move(handle_));
}

}  // namespace corvane::db

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

RecordSetPtr SqliteConnection::GetAnyRecordSet(std::string_view sql) {
  if (!handle_) handle_ = HandlePool::Acquire(ParseConnString(conn_string_));
  return handle_->Run(sql);
}

RecordSetPtr SqliteConnection::Execute(std::string_view sql) { return GetAnyRecordSet(sql); }

RecordSetPtr SqliteConnection::QueryReadOnly(std::string_view sql) {
  if (!handle_) handle_ = HandlePool::Acquire(ParseConnString(conn_string_));
  return handle_->RunReadOnly(sql);
}

void SqliteConnection::CloseConn() {
  if (handle_) HandlePool::Release(std::move(handle_));
}

}  // namespace corvane::db

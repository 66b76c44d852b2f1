#include "platform/db/sqlite_connection.h"

namespace corvane::db {
namespace {

// The settings of a connection string, parsed once for as long as this
// thread's connections keep using the same text.
const ConnectionSettings& SettingsOf(const std::string& conn_string) {
  thread_local std::string text;
  thread_local ConnectionSettings settings;
  thread_local bool parsed = false;
  if (!parsed || text != conn_string) {
    settings = ParseConnString(conn_string);
    text = conn_string;
    parsed = true;
  }
  return settings;
}

}  // namespace

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
  if (!handle_) handle_ = HandlePool::Acquire(SettingsOf(conn_string_));
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

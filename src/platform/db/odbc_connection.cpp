#include "platform/db/odbc_connection.h"

namespace corvane::db {

OdbcConnection::~OdbcConnection() {
  try {
    CloseConn();
  } catch (...) {
    // Releasing must not throw; the handle is closed with its owner.
  }
}

void OdbcConnection::SetConnString(std::string_view conn_string) {
  CloseConn();
  conn_string_ = std::string(conn_string);
  settings_ = OdbcSettings{};
}

OdbcHandle& OdbcConnection::Handle() {
  if (!handle_) {
    if (settings_.connect.empty()) settings_ = ParseOdbcSettings(conn_string_);
    handle_ = OdbcPool::Acquire(settings_);
  }
  return *handle_;
}

template <typename F>
auto OdbcConnection::OnHandle(F&& f) {
  OdbcHandle& handle = Handle();
  try {
    return f(handle);
  } catch (...) {
    if (handle.broken()) handle_.reset();
    throw;
  }
}

RecordSetPtr OdbcConnection::GetAnyRecordSet(std::string_view sql) {
  return OnHandle([&](OdbcHandle& h) { return h.Run(sql); });
}

RecordSetPtr OdbcConnection::Execute(std::string_view sql) { return GetAnyRecordSet(sql); }

RecordSetPtr OdbcConnection::QueryReadOnly(std::string_view sql) {
  return OnHandle([&](OdbcHandle& h) { return h.RunReadOnly(sql); });
}

int32_t OdbcConnection::RunBatch(std::string_view sql,
                                 const std::function<void(const StatementOutcome&)>& each) {
  return OnHandle([&](OdbcHandle& h) { return h.RunEach(sql, each); });
}

Variant OdbcConnection::ActiveRowVersionFloor() {
  return OnHandle([&](OdbcHandle& h) { return h.ActiveRowVersionFloor(); });
}

bool OdbcConnection::IsSqlite() { return Handle().sqlite(); }

void OdbcConnection::CloseConn() {
  if (handle_) OdbcPool::Release(settings_, std::move(handle_));
}

}  // namespace corvane::db

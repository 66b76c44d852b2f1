#include "platform/erp/account_connection.h"

#include <algorithm>
#include <exception>

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
#include "frame/sql_text.h"
#include "values/run_time_error.h"

namespace corvane::erp {

ConnectionPtr ConnectAccount(std::string_view props, std::string_view source) {
  const std::shared_ptr<ValueDictionary> pairs = ParsePropsPairs(props);
  if (!pairs->Exists("ConnectString")) {
    throw RuntimeError(err::kInvalidCall, std::string(source),
                       "The property string holds no ConnectString");
  }
  const std::string conn_string = CStr(pairs->Value("ConnectString"));
  ConnectionPtr connection = CreateObjectAs<IConnection>(kConnectionProgId);
  connection->SetConnString(conn_string);
  return connection;
}

CloseOnExit::~CloseOnExit() {
  try {
    connection_.CloseConn();
  } catch (...) {
    // Nothing is lost: the handle is given back or dropped.
  }
}

Variant QueryScalar(IConnection& connection, std::string_view sql, const Variant& fallback) {
  const RecordSetPtr rows = connection.Execute(sql);
  if (rows->Eof()) return fallback;
  return rows->Fields(0);
}

namespace {

void RollBack(IConnection& connection) {
  try {
    connection.Execute("ROLLBACK");
  } catch (...) {
    // The database has already ended the transaction; closing ends it anyway.
  }
}

// FMaxInterID of the table in t_BillInterIDMax; Empty without a row.
Variant RecordedInterId(IConnection& connection, std::string_view table) {
  return QueryScalar(
      connection, "SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName=" + SqlLiteral(table),
      Variant());
}

void RecordInterId(IConnection& connection, std::string_view table, int32_t id,
                   const Variant& recorded) {
  const std::string name = SqlLiteral(table);
  const std::string id_text = std::to_string(id);
  if (recorded.IsEmpty()) {
    connection.Execute("INSERT INTO t_BillInterIDMax (FTableName, FMaxInterID) VALUES (" + name +
                       "," + id_text + ")");
  } else {
    connection.Execute("UPDATE t_BillInterIDMax SET FMaxInterID=" + id_text +
                       " WHERE FTableName=" + name);
  }
}

}  // namespace

bool RunInWriteTransaction(IConnection& connection, const std::function<bool()>& work) {
  connection.Execute("BEGIN IMMEDIATE TRANSACTION");
  bool committed = false;
  try {
    if (work()) {
      connection.Execute("COMMIT");
      committed = true;
    }
  } catch (...) {
    RollBack(connection);
    throw;
  }
  if (!committed) RollBack(connection);
  return committed;
}

int32_t NextInterId(IConnection& connection, std::string_view table) {
  const Variant recorded = RecordedInterId(connection, table);
  const Variant highest = QueryScalar(
      connection, "SELECT ISNULL(MAX(FInterID),0) FROM " + std::string(table), Variant());
  const double last = std::max(recorded.IsEmpty() ? 0.0 : CDbl(recorded), CDbl(highest));
  const int32_t id = CLng(Variant(last + 1));
  RecordInterId(connection, table, id, recorded);
  return id;
}

void RecordInterIdUsed(IConnection& connection, std::string_view table, int32_t id) {
  const Variant recorded = RecordedInterId(connection, table);
  if (recorded.IsEmpty() || CDbl(recorded) < id) RecordInterId(connection, table, id, recorded);
}

}  // namespace corvane::erp

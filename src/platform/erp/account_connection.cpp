#include "platform/erp/account_connection.h"

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
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

Variant QueryScalar(IConnection& connection, std::string_view sql, const Variant& fallback) {
  const RecordSetPtr rows = connection.Execute(sql);
  if (rows->Eof()) return fallback;
  return rows->Fields(0);
}

}  // namespace corvane::erp

#include "platform/erp/list_server.h"

#include "platform/erp/account_connection.h"
#include "values/run_time_error.h"

namespace corvane::erp {
namespace {

constexpr const char* kSource = "TavoListServer.clsListServer";

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsPlainTableName(std::string_view name) {
  if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;
  for (char c : name) {
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return true;
}

int32_t ListServer::GetMaxInterID(const std::string& props, const std::string& table_name) {
  if (!IsPlainTableName(table_name)) {
    throw RuntimeError(err::kInvalidCall, kSource,
                       "\"" + table_name + "\" is not a table name: only letters, digits and _");
  }
  const ConnectionPtr connection = ConnectAccount(props, kSource);
  const CloseOnExit close(*connection);
  int32_t id = 0;
  RunInWriteTransaction(*connection, [&] {
    id = NextInterId(*connection, table_name);
    return true;
  });
  return id;
}

}  // namespace corvane::erp

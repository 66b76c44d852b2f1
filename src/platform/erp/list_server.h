// ListServer: "TavoListServer.clsListServer" on the embedded account
// database. GetMaxInterID reads ConnectString from the property string and,
// in one transaction that takes the account's write lock at its start
// ("BEGIN IMMEDIATE TRANSACTION" ... "COMMIT", through the connection
// component), takes one past both t_BillInterIDMax.FMaxInterID of the table
// and the highest FInterID the table holds, and records it in
// t_BillInterIDMax (inserting the table's row when it has none), as the bill
// save does. Another process or thread asking at the same time waits for the
// lock, so no ID is handed out twice.
//
// The table name goes into SQL, so it must be a plain name: a letter or "_"
// followed by letters, digits and "_"; anything else raises 5 before the
// account is opened. Everything else that fails raises too, with nothing
// recorded: no ConnectString (5) or a duplicate key (457) in the property
// string, an account that cannot be opened, a table the account lacks, a
// busy account past its busy timeout, an ID past the 32-bit range (6).
//
// Used by the thread that created it; it keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/outside/list_server.h"

namespace corvane::erp {

// Whether `name` is a plain table name GetMaxInterID accepts.
bool IsPlainTableName(std::string_view name);

class ListServer : public IListServer {
 public:
  int32_t GetMaxInterID(const std::string& props, const std::string& table_name) override;
};

}  // namespace corvane::erp

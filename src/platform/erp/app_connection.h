// AppConnection: "TavoMAppConnection.AppConnection" on the embedded account
// database, through the connection component created by ProgID. Every call
// points a connection of its own at the OLE DB connection string it is given
// and closes it before returning, whatever happens.
//
// Execute tries the text first as one read-only query (the connection
// component's QueryReadOnly, which refuses anything else before it runs); a
// text it accepts answers its record set. Any other text is a batch: its
// statements run in order in one transaction that takes the account's write
// lock at its start ("BEGIN IMMEDIATE TRANSACTION" ... "COMMIT"), answering
// True when all of them ran and were committed and False after a rollback
// when one failed or the COMMIT did. A query that fails is tried as a batch
// too and so answers False; no statement that writes ever runs twice. A
// batch must not end the transaction itself (COMMIT, ROLLBACK).
//
// ExecuteUnless opens the same transaction, runs the guard as a read-only
// query and, only when it answers no row, the batch: True when committed;
// False, with everything rolled back, when the guard found a row or any
// statement failed (a guard that is not a query fails).
//
// Both raise when the account cannot be opened (the connection component's
// error, kCannotOpen) or the connection component cannot be created; a
// busy account is waited for up to its busy timeout and then answers False.
//
// Used by the thread that created it; it keeps no state between calls.
#pragma once

#include <string_view>

#include "frame/outside/app_connection.h"

namespace corvane::erp {

class AppConnection : public IAppConnection {
 public:
  Variant Execute(std::string_view conn_string, std::string_view sql) override;
  bool ExecuteUnless(std::string_view conn_string, std::string_view guard,
                     std::string_view batch) override;
};

}  // namespace corvane::erp

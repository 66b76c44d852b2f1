// The connection the ERP's own services open on the account database of a
// call: the connection component created by ProgID, pointed at the
// ConnectString of the call's property string. The services run all their SQL
// through it, as the component does.
//
// The connection belongs to the caller and to the thread that opened it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "frame/outside/connection.h"

namespace corvane::erp {

// A connection component pointed at the ConnectString of `props` (nothing is
// opened yet). A property string without ConnectString raises 5 and one with a
// duplicate key 457; a connection component that cannot be created raises its
// creation error. The error's source is `source`, the service asking.
ConnectionPtr ConnectAccount(std::string_view props, std::string_view source);

// Closes a connection when the scope ends, however it ends; a failure to
// close is ignored (closing only gives the database handle back).
class CloseOnExit {
 public:
  explicit CloseOnExit(IConnection& connection) : connection_(connection) {}
  ~CloseOnExit();
  CloseOnExit(const CloseOnExit&) = delete;
  CloseOnExit& operator=(const CloseOnExit&) = delete;

 private:
  IConnection& connection_;
};

// The first field of the first row of `sql`, or `fallback` without a row.
Variant QueryScalar(IConnection& connection, std::string_view sql, const Variant& fallback);

// Runs `work` in one transaction on `connection` that holds the account's
// write lock from its first statement on ("BEGIN IMMEDIATE TRANSACTION"; a
// second writer waits up to the busy timeout). The transaction is committed
// when `work` answers true, and rolled back when it answers false, raises, or
// the COMMIT fails; the exception then passes on. A BEGIN that fails raises
// with nothing to roll back. Answers what `work` answered.
bool RunInWriteTransaction(IConnection& connection, const std::function<bool()>& work);

// Inside a write transaction: the next internal ID of `table`, one past both
// t_BillInterIDMax.FMaxInterID of the table and the highest FInterID it
// holds, recorded in t_BillInterIDMax (the row is inserted when missing).
// `table` goes into SQL as it is: the caller passes a table name it knows.
int32_t NextInterId(IConnection& connection, std::string_view table);

// Inside a write transaction: raises t_BillInterIDMax.FMaxInterID of `table`
// to `id` when it is lower or missing, so the ID is never handed out again.
void RecordInterIdUsed(IConnection& connection, std::string_view table, int32_t id);

}  // namespace corvane::erp

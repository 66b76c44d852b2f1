// "TavoMAppConnection.AppConnection": the ERP's application connection,
// through which the file-based sales order interface runs its SQL. Every call
// names the account by its OLE DB connection string and opens, uses and gives
// back a connection of its own.
//
// Created for one call of its user; belongs to the thread that created it.
#pragma once

#include <string_view>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kAppConnectionProgId = "TavoMAppConnection.AppConnection";

class IAppConnection : public virtual Object {
 public:
  // A query (a text whose one statement answers rows) gives its record set as
  // an Object Variant (an IRecordSet, static and readable after the call). A
  // batch of statements runs in one transaction and gives True when all of
  // them ran and were committed, or False after a rollback (the account is
  // as it was). A connection that cannot be opened raises.
  // A query that fails answers False, as a failed batch does.
  virtual Variant Execute(std::string_view conn_string, std::string_view sql) = 0;

  // Runs `guard` (a query) and then, only when it answers no row, `batch`,
  // all in one transaction that holds the account's write lock from the
  // guard's read on. True when the batch ran and was committed; False, with
  // nothing changed, when the guard found a row or a statement failed. A
  // decision made on an earlier read (an order is new) is checked again by
  // the guard where no other writer can change it.
  // A connection that cannot be opened raises, as for Execute.
  virtual bool ExecuteUnless(std::string_view conn_string, std::string_view guard,
                             std::string_view batch) = 0;
};

}  // namespace corvane

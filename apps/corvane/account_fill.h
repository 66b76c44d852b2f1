// `corvane erp init --props`: the demo account on a database reached through
// the connection component, SQL Server through ODBC above all.
//
// The demo data is made as for an embedded account (erpdb/demo_data.h), in a
// temporary file, and copied row by row into the account: base data first,
// then the bill heads and the change log in the order of their row versions,
// so that the account's own row versions come in the same order, then the
// entries. Row-version columns are left to the account to stamp. A database
// without the account's tables gets them first from the account schema for
// SQL Server; one that already holds base data or documents is refused. The
// copy is one transaction: on any failure nothing is left of it.
//
// Used by the CLI's thread.
#pragma once

#include <ostream>
#include <string>

#include "erpdb/demo_data.h"

namespace corvane::cli {

// Fills the account of the property string; raises (RuntimeError or
// std::runtime_error) what failed. Returns what the demo data holds.
erpdb::DemoSummary FillAccountThroughConnection(const std::string& props_string,
                                                const erpdb::DemoOptions& options);

}  // namespace corvane::cli

// corvane stock ITEMNUMBER (--props "..." | --db PATH [--user ID]) [--no-batch] [--table]
// corvane trace ORDERNO   (--props "..." | --db PATH [--user ID]) [--table]
//
// Asks Corvane.CStockQuery for the stock of one item (with batch detail
// unless --no-batch) or Corvane.COrderTrace for the stock bills delivered
// against one sales order, and prints the XML answer as the CRM gets it, or
// with --table the same answer as aligned tables read back from that XML.
// Exit status 0 on an answer, 1 with the class's message when it answers
// False (no such item, no delivery), 2 for a wrong command line or a
// failure (the account cannot be opened).
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

#include "apps/corvane/account_options.h"

namespace corvane::cli {

struct QueryOptions {
  AccountOptions account;
  std::string number;  // the item or order number
  bool no_batch = false;
  bool table = false;
};

CLI::App* AddStockCommand(CLI::App& app, QueryOptions& options);
CLI::App* AddTraceCommand(CLI::App& app, QueryOptions& options);

int RunStock(const QueryOptions& options, std::ostream& out, std::ostream& err);
int RunTrace(const QueryOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

// corvane stock ITEMNUMBER (--props "..." | --db PATH [--user ID]) [--no-batch] [--table|--json]
// corvane trace ORDERNO   (--props "..." | --db PATH [--user ID]) [--table|--json]
//
// Asks Corvane.CStockQuery for the stock of one item (with batch detail
// unless --no-batch) or Corvane.COrderTrace for the stock bills delivered
// against one sales order, and prints the XML answer as the CRM gets it, or
// with --table the same answer as aligned tables read back from that XML.
//
// With --json (json_lines.h) each record of the answer is one line: an item
// {"number", "uuid", "result": "found", "message", "name", its figures under
// the answer's element names ("FLockedQty", ...) and "batches"}; a stock
// bill {"number", "uuid", "result": "found", "message", "date", "rob",
// "order", "entries": [{"item", "unit", "qty"}]}, references as {"number",
// "name", "uuid"}; figures as the answer writes them, as text. A False answer
// is one line {"number": the number asked, "result": "not found" (no such
// item, no delivery) or "refused", "message"}. The summary counts "found",
// "not found" and "refused".
//
// Exit status 0 on an answer, 1 with the class's message when it answers
// False, 2 for a wrong command line or a set-up failure (the account cannot
// be opened: it is opened before the class is asked).
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
  bool json = false;
};

CLI::App* AddStockCommand(CLI::App& app, QueryOptions& options);
CLI::App* AddTraceCommand(CLI::App& app, QueryOptions& options);

int RunStock(const QueryOptions& options, std::ostream& out, std::ostream& err);
int RunTrace(const QueryOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

// corvane dts export      ORDERNO[,ORDERNO...] (--props | --db) [--file F] [--log L] [--json]
// corvane dts export-keys ORDERNO[,ORDERNO...] [--file F] [--log L] [--json]
// corvane dts import      (--props | --db) [--replace] [--file F] [--log L] [--json]
// corvane dts import-keys (--props | --db) [--file F] [--log L] [--json]
// corvane dts log FILE [--json]
//
// Runs the methods of Corvane.DTS, the file-based sales order interface, as a
// host would: the XML goes to or comes from --file, or standard output or
// input without it; the reports go to the log --log (TavoSaleOrder_log.xml
// in the current folder by default). Each order or number gets its result,
// printed one a line, or with --json (json_lines.h) one JSON object a line
// {"number", "uuid": "", "result", "message", "index"} and a summary last:
//  - export: "exported", or "not found" when no single order with entries
//    carries the number (the interface leaves it out); the XML goes to
//    --file, which --json needs, or standard output. export-keys: every
//    number is "exported" (the account is not read).
//  - import: each order of the document is imported by a call of its own,
//    so each gets the log entries of its call as its message: "saved",
//    "skipped" (an unchecked order imported earlier has the number and
//    --replace is not given) or "refused".
//  - import-keys: the document goes to the interface in one call (its
//    deletions are one transaction); "deleted" when an unchecked imported
//    order carried the number, "not found" when none did, "refused" with the
//    log entries when the call answered False.
// A document that cannot be read is reported as {"result": "file refused"}
// with the log's entry. Exit status 0 when every order or number went
// through, 1 when one was refused or not found, 2 for a wrong command line or
// a set-up failure (an account that cannot be opened, a file that cannot be
// read, a log file that is not the interface's log), checked before any
// call. "dts log" prints a log readably, decoded from GB2312, one entry a
// block, or one JSON object {"index", "time", "direct", "message"} a line.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

#include "apps/corvane/account_options.h"

namespace corvane::cli {

struct DtsOptions {
  AccountOptions account;
  std::string numbers;
  std::string file;
  std::string log = "TavoSaleOrder_log.xml";
  bool replace = false;
  std::string log_to_print;
  bool json = false;
};

// Adds "dts" with its subcommands; answers the "dts" command.
CLI::App* AddDtsCommand(CLI::App& app, DtsOptions& options);

int RunDts(CLI::App& dts, const DtsOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace corvane::cli

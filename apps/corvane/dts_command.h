// corvane dts export      ORDERNO[,ORDERNO...] (--props | --db) [--file F] [--log L]
// corvane dts export-keys ORDERNO[,ORDERNO...] [--file F] [--log L]
// corvane dts import      (--props | --db) [--replace] [--file F] [--log L]
// corvane dts import-keys (--props | --db) [--file F] [--log L]
// corvane dts log FILE
//
// Runs one method of Corvane.DTS, the file-based sales order interface, as a
// host would: the XML goes to or comes from --file, or standard output or
// input without it; the reports go to the log --log (TavoSaleOrder_log.xml
// in the current folder by default). Exit status 0 when the method answers
// True, 1 when it answers False (the log says why; its newest entries are
// printed), 2 for a wrong command line or a failure outside the method (the
// log or the object cannot be read or made). "dts log" prints a log readably,
// decoded from GB2312, one entry a block.
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
};

// Adds "dts" with its subcommands; answers the "dts" command.
CLI::App* AddDtsCommand(CLI::App& app, DtsOptions& options);

int RunDts(CLI::App& dts, const DtsOptions& options, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace corvane::cli

// corvane import saleorder (--props "..." | --db PATH [--user ID])
//                          [--check-by-uuid] [--add-new-only] [--stop-on-error] FILE...
//
// Imports the sales orders of each XML file through Corvane.clsSaleOrder as a
// host would, and prints one line per order: "saved", "skipped" (already in
// the account, with --add-new-only) or "refused" with the order's message;
// then a summary per file and in all. By default a refused order does not
// stop the file (ImportErrorIgnore); --stop-on-error stops at the first one,
// as the component does without that option.
//
// Exit status 0 when every order was saved or skipped, 1 when an order or a
// file was refused, 2 for a wrong command line.
#pragma once

#include <CLI/CLI.hpp>

#include "apps/corvane/account_options.h"
#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

struct ImportOptions {
  std::string kind = "saleorder";
  AccountOptions account;
  bool check_by_uuid = false;
  bool add_new_only = false;
  bool stop_on_error = false;
  std::vector<std::string> files;
};

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& options);

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

// corvane import saleorder|saleinvoice|stockbill (--props "..." | --db PATH [--user ID])
//                  [--stock-bill-type 4|5] [--check-by-uuid] [--add-new-only]
//                  [--stop-on-error] FILE...
//
// Imports the documents of each XML file through the kind's public class
// (stock bills need --stock-bill-type: the kind they are saved as) as a host
// would, and prints one line per document: "saved", "skipped" (already in the
// account, with --add-new-only) or "refused" with the document's message;
// then a summary per file and in all. By default a refused document does not
// stop the file (ImportErrorIgnore); --stop-on-error stops at the first one,
// as the component does without that option.
//
// corvane import deletions --kind N|NAME (--props | --db) FILE... sends each
// deletion key of the files (documents of the root "Delete") on its own
// through clsDataKey.ImportXMLDataKey and prints one line per key: "deleted",
// "not found" (no document of the kind imported from the CRM carries the
// UUID) or "refused" with the message. A file that is no deletion-key
// document is named and nothing of it is deleted.
//
// With --json (json_lines.h) each document is one JSON object a line,
// {"file", "index", "number", "uuid", "result" (saved, skipped, refused, not
// imported after --stop-on-error stopped the file; deleted, not found),
// "message"}, a file refused whole is {"file", "result": "file refused",
// "message"}, and the last line is {"summary": {the count of each result,
// "files", "files with refusals" or "files not read"}}.
//
// Exit status 0 when every document was saved or skipped (every key
// deleted), 1 when a document, key or file was refused or not found, 2 for
// a wrong command line or a set-up failure (a file or an account that
// cannot be read).
#pragma once

#include <CLI/CLI.hpp>

#include "apps/corvane/account_options.h"
#include <optional>
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
  std::optional<int32_t> stock_bill_type;
  std::string deletion_kind;  // --kind of "deletions": a name or 1 to 5
  bool json = false;          // one JSON object a line instead of text
};

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& options);

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

// corvane export saleorder|saleinvoice|stockbill (--props "..." | --db PATH [--user ID])
//                  [--stock-bill-type 4|5] [--per-count N] [--state FILE] [--out DIR]
//                  [--filter SQL]
// corvane export deletions --kind N|NAME (--props | --db) [--per-count N] [--state FILE]
//                  [--out DIR]
//
// "deletions" pages through the change log's deletion keys of one document
// kind (clsDataKey.ExportXMLDataKey) the same way, one file of keys per page.
// Exports every document of the kind changed since the saved cursor, page by
// page, through its public class (Corvane.clsSaleOrder, clsSaleInvoice or
// clsStockBill; stock bills of one kind with --stock-bill-type, of every kind
// without) as a host would: one XML file per page in the output folder (named
// after the kind and the page's last row timestamp, written to a
// temporary file and renamed), then the cursor saved in the state file
// (replaced atomically), so that an interrupted or later run continues where
// the last one stopped and nothing is lost: a page whose file was written but
// whose cursor was not is exported again (under the same name unless its
// orders changed meanwhile). Files and cursor are synced to disk. A page that
// comes back empty ends the run and leaves the cursor as it was. A page that
// does not move the cursor forward (its last row version not after the
// cursor) ends the run with an error before its file is written, since the
// export would otherwise read it again for ever; the cursor stays.
//
// The run ends with the count of documents and pages, the cursor, and the
// newest row version of the kind's documents (of the stock bill kind given;
// the template head with internal ID 0, which no export reads, left out),
// so the cursor shows whether anything is left to export.
//
// With --json (json_lines.h) each exported document is one JSON object a
// line, {"file", "number", "uuid", "result": "exported", "message"}, and the
// last line is {"summary": {"exported", "pages", "cursor", "newest row
// version"}}.
//
// On a terminal the progress is shown on one line; otherwise one plain line
// per page. Ctrl-C stops the run between orders or pages: the page being
// built is dropped and the cursor stays at the last page written (exit
// status 130; a second Ctrl-C ends the process at once). Exit status 0 when
// every page was exported, 1 when a page did not move the cursor, 2 for a
// wrong command line or a call that failed (an account that cannot be
// opened, a Filter refused, a state file without a valid cursor, a folder
// that cannot be written; its error text is printed).
#pragma once

#include <CLI/CLI.hpp>

#include "apps/corvane/account_options.h"
#include <optional>
#include <ostream>
#include <string>

namespace corvane::cli {

struct ExportOptions {
  std::string kind = "saleorder";
  AccountOptions account;
  int32_t per_count = 100;  // 0 or more
  std::string state_file;
  std::string out_dir = ".";
  std::string filter;
  std::optional<int32_t> stock_bill_type;
  std::string deletion_kind;  // --kind of "deletions": a name or 1 to 5
  bool json = false;          // one JSON object a line instead of text
};

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& options);

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

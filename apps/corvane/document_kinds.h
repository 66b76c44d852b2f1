// The kinds of documents the export and import commands exchange, with the
// public class that does the work and where the documents live.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

struct DocumentKind {
  const char* name;        // on the command line: saleorder, saleinvoice, stockbill
  const char* prog_id;     // the public class
  const char* root;        // the XML root name (and schema file name)
  const char* head_table;  // where the documents' heads are
  const char* plural;      // in messages: "sales orders"
};

inline constexpr DocumentKind kDocumentKinds[] = {
    {"saleorder", "Corvane.clsSaleOrder", "TavoIndSaleOrder", "SEOrder", "sales orders"},
    {"saleinvoice", "Corvane.clsSaleInvoice", "TavoIndSaleInvoice", "ICSale", "sales invoices"},
    {"stockbill", "Corvane.clsStockBill", "TavoIndStockBill", "ICStockBill", "stock bills"},
};

inline std::vector<std::string> DocumentKindNames() {
  std::vector<std::string> names;
  for (const DocumentKind& k : kDocumentKinds) names.emplace_back(k.name);
  return names;
}

inline const DocumentKind& DocumentKindNamed(std::string_view name) {
  for (const DocumentKind& k : kDocumentKinds)
    if (name == k.name) return k;
  return kDocumentKinds[0];
}

// --stock-bill-type: 4 purchase receipts, 5 (any other) sales deliveries.
inline constexpr const char* kStockBillTypeHelp =
    "Stock bills only: 4 purchase receipts, 5 sales deliveries";

}  // namespace corvane::cli

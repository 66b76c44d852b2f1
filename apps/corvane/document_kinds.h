// The kinds of documents the export and import commands exchange, with the
// public class that does the work and where the documents live.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// The head with internal ID 0 of each table is the ERP's template, not a
// document: `documents` leaves it out.
struct DocumentKind {
  const char* name;        // on the command line: saleorder, saleinvoice, stockbill
  const char* prog_id;     // the public class
  const char* root;        // the XML root name (and schema file name)
  const char* head_table;  // where the documents' heads are
  const char* documents;   // the condition of the heads that are documents of the kind
  const char* one;         // in messages: "sales order"
  const char* plural;      // in messages: "sales orders"
};

inline constexpr DocumentKind kDocumentKinds[] = {
    {"saleorder", "Corvane.clsSaleOrder", "TavoIndSaleOrder", "SEOrder", "FInterID <> 0",
     "sales order", "sales orders"},
    {"saleinvoice", "Corvane.clsSaleInvoice", "TavoIndSaleInvoice", "ICSale",
     "FInterID <> 0 AND FTranType IN (80,86)", "sales invoice", "sales invoices"},
    {"stockbill", "Corvane.clsStockBill", "TavoIndStockBill", "ICStockBill", "FInterID <> 0",
     "stock bill", "stock bills"},
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

// The document kinds of deletion keys (clsDataKey's iBillType), for --kind.
struct DeletionKind {
  const char* name;
  int32_t bill_type;
  const char* one;   // "sales order"
  const char* what;  // "sales orders"
};

inline constexpr DeletionKind kDeletionKinds[] = {
    {"saleorder", 1, "sales order", "sales orders"},
    {"specialinvoice", 2, "special (VAT) sales invoice", "special (VAT) sales invoices"},
    {"ordinaryinvoice", 3, "ordinary sales invoice", "ordinary sales invoices"},
    {"receipt", 4, "purchase receipt", "purchase receipts"},
    {"delivery", 5, "sales delivery", "sales deliveries"},
};

// The kind --kind names, by name or number; nullopt for any other text.
inline std::optional<DeletionKind> DeletionKindNamed(std::string_view text) {
  for (const DeletionKind& k : kDeletionKinds)
    if (text == k.name || text == std::to_string(k.bill_type)) return k;
  return std::nullopt;
}

inline std::string DeletionKindsHelp() {
  std::string help = "Deletions only, the kind of the deleted documents:";
  for (const DeletionKind& k : kDeletionKinds)
    help += std::string(" ") + std::to_string(k.bill_type) + " or " + k.name + " (" + k.what + ")" +
            (k.bill_type == 5 ? "" : ",");
  return help;
}

// --stock-bill-type: 4 purchase receipts, 5 (any other) sales deliveries.
inline constexpr const char* kStockBillTypeHelp =
    "Stock bills only: 4 purchase receipts, 5 sales deliveries";

}  // namespace corvane::cli

// Sales order export: clsSaleOrder.Export with pages of 100, on generated
// accounts of 1,000 and 10,000 orders (or the counts given) with 5 entries
// each, every reference resolvable.
//
// Bound, measured in the same run on the same file: the floor of the same
// job. It reads the same rows page by page, 100 orders a page in the order of
// the component (by FOperDate, the row version, each page after the last row
// version of the one before), with one statement per page that joins the
// orders, their entries and every referenced row; builds each page's
// document with libxml2, validates it against the same schema and serialises
// it. The ratio is the price of the component's way: one key lookup per
// reference, the entries read order by order, the records held as values.
//
//   export_bench [COUNT...]         component and bound, wall and CPU time
//   export_bench --component COUNT  the component's part alone (ExportAll)
//   export_bench --memory COUNT     one page holding every order, the
//                                   memory it takes (account made first in a
//                                   child process)
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "erpdb/demo_data.h"
#include "erpdb/sql_functions.h"
#include "exchange/cls_sale_order.h"
#include "platform/db/sqlite_handle.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

constexpr int kPageSize = 100;
const std::string kSchema = std::string(CORVANE_BENCH_LIBRARY_DIR) + "/SCHEMA/TavoIndSaleOrder.xsd";

struct Exported {
  int orders = 0;
  size_t bytes = 0;
};

// The component: pages through every order from the start; orders -1 when a
// page fails.
__attribute__((noinline)) Exported ExportAll(const std::string& props_in, int per_count) {
  clsSaleOrder order;
  Exported done;
  std::string timestamp;
  for (;;) {
    std::string props = props_in, xml, max, error;
    if (!order.Export(props, xml, per_count, timestamp, max, error)) {
      std::fprintf(stderr, "export failed: %s\n", error.c_str());
      return {-1, 0};
    }
    int count = 0;
    for (size_t at = 0; (at = xml.find("<SaleOrder>", at)) != std::string::npos; ++at) ++count;
    if (count == 0) break;
    done.orders += count;
    done.bytes += xml.size();
  }
  return done;
}

// One page: the page's orders (keyset: after row version ?1, at most ?2),
// each joined with its entries and every row a head or an entry refers to.
const char* kPage =
    R"(SELECT o.FOperDate, o.FUUID, o.FBillNo, o.FDate, o.FFetchAdd, o.FExchangeRate,
  s1.FID, s1.FName, s1.UUID, s2.FID, s2.FName, s2.UUID, o.FDiscountType,
  c.FNumber, c.FName, c.UUID, cu.FNumber, cu.FName, cu.UUID, d.FNumber, d.FName, d.UUID,
  em.FNumber, em.FName, em.UUID, m.FNumber, m.FName, m.UUID, u.FUserID, u.FName, u.UUID,
  e.FEntryID, i.FNumber, i.FName, i.UUID, mu.FNumber, mu.FName, mu.UUID, e.FAuxQty, e.FAuxPrice,
  e.FAmount, e.FTaxRate, e.FDiscount, e.FFinalAmount, e.FCESS, e.FNote,
  ct.FContractID, ct.FContractNo, ct.UUID, o.FInterID
FROM (SELECT * FROM SEOrder WHERE FInterID <> 0 AND FOperDate > ?1 ORDER BY FOperDate LIMIT ?2) o
LEFT JOIN SEOrderEntry e ON e.FInterID = o.FInterID
LEFT JOIN t_SubMessage s1 ON s1.FInterID = o.FSettleID
LEFT JOIN t_SubMessage s2 ON s2.FInterID = o.FSaleStyle
LEFT JOIN t_Item c ON c.FItemID = o.FCustID
LEFT JOIN t_Currency cu ON cu.FCurrencyID = o.FCurrencyID
LEFT JOIN t_Item d ON d.FItemID = o.FDeptID
LEFT JOIN t_Item em ON em.FItemID = o.FEmpID
LEFT JOIN t_Item m ON m.FItemID = o.FMangerID
LEFT JOIN t_User u ON u.FUserID = o.FBillerID
LEFT JOIN t_Item i ON i.FItemID = e.FItemID
LEFT JOIN t_MeasureUnit mu ON mu.FMeasureUnitID = e.FUnitID
LEFT JOIN t_RpContract ct ON ct.FContractID = e.FContractInterID
ORDER BY o.FOperDate, e.FEntryID)";

enum Column { kOperDate = 0, kEntryId = 31, kInterId = 49 };

// A leaf with the column's text as the component writes it (whole numbers
// without a decimal point), or `fallback` for Null; no leaf for a Null
// without fallback.
void Leaf(xmlNodePtr parent, xmlNsPtr ns, const char* name, sqlite3_stmt* s, int col,
          const char* fallback = nullptr) {
  char number[32];
  const char* text = fallback;
  switch (sqlite3_column_type(s, col)) {
    case SQLITE_NULL:
      break;
    case SQLITE_FLOAT:
      std::snprintf(number, sizeof number, "%.15g", sqlite3_column_double(s, col));
      text = number;
      break;
    default:
      text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
  }
  if (text) xmlNewTextChild(parent, ns, BAD_CAST name, BAD_CAST text);
}

// A reference: Number, Name and UUID of the row found; nothing when none is.
void Key(xmlNodePtr parent, xmlNsPtr ns, const char* name, sqlite3_stmt* s, int col) {
  if (sqlite3_column_type(s, col) == SQLITE_NULL && sqlite3_column_type(s, col + 2) == SQLITE_NULL)
    return;
  xmlNodePtr k = xmlNewChild(parent, ns, BAD_CAST name, nullptr);
  Leaf(k, ns, "Number", s, col);
  Leaf(k, ns, "Name", s, col + 1);
  Leaf(k, ns, "UUID", s, col + 2);
}

void Order(xmlNodePtr order, xmlNsPtr ns, sqlite3_stmt* s) {
  Leaf(order, ns, "UUID", s, 1);
  Leaf(order, ns, "BillNo", s, 2);
  // FDate is "yyyy-mm-dd hh:mm:ss.mmm"; the document carries the day.
  if (const unsigned char* date = sqlite3_column_text(s, 3)) {
    const std::string day = std::string(reinterpret_cast<const char*>(date)).substr(0, 10);
    xmlNewTextChild(order, ns, BAD_CAST "Date", BAD_CAST day.c_str());
  }
  Leaf(order, ns, "FetchAdd", s, 4, "");
  Leaf(order, ns, "ExchangeRate", s, 5, "1");
  Key(order, ns, "SettleStyle", s, 6);
  Key(order, ns, "SaleStyle", s, 9);
  Leaf(order, ns, "DiscountType", s, 12, "0");
  Key(order, ns, "Customer", s, 13);
  Key(order, ns, "Currency", s, 16);
  Key(order, ns, "Department", s, 19);
  Key(order, ns, "Employee", s, 22);
  Key(order, ns, "Manger", s, 25);
  Key(order, ns, "BillerID", s, 28);
}

void Entry(xmlNodePtr entry, xmlNsPtr ns, sqlite3_stmt* s) {
  Leaf(entry, ns, "EntryID", s, 31);
  Key(entry, ns, "Item", s, 32);
  Key(entry, ns, "Unit", s, 35);
  const char* names[] = {"Qty", "Price", "Amount", "TaxRate", "Discount", "FinalAmount", "CESS"};
  for (int k = 0; k < 7; ++k) Leaf(entry, ns, names[k], s, 38 + k, "0");
  Leaf(entry, ns, "Note", s, 45, "");
  Key(entry, ns, "Contract", s, 46);
}

// The bound: every order page by page, each page's document validated and
// serialised; orders -1 when a statement or the validation fails.
__attribute__((noinline)) Exported BoundKeysetPagesValidated(const std::string& path,
                                                             int per_count) {
  Exported done;
  xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(kSchema.c_str());
  xmlSchemaPtr schema = xmlSchemaParse(parser);
  xmlSchemaFreeParserCtxt(parser);
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  erpdb::RegisterErpSqlFunctions(db);
  sqlite3_stmt* s = nullptr;
  if (!schema || sqlite3_prepare_v2(db, kPage, -1, &s, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "bound: %s\n", schema ? sqlite3_errmsg(db) : "schema refused");
    done.orders = -1;
  }
  std::string cursor(8, '\0');  // the row version before every other
  while (done.orders >= 0) {
    sqlite3_bind_blob(s, 1, cursor.data(), static_cast<int>(cursor.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 2, per_count > 0 ? per_count : -1);
    xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
    xmlNodePtr root = xmlNewNode(nullptr, BAD_CAST "TavoIndSaleOrder");
    xmlNsPtr ns = xmlNewNs(root, BAD_CAST "urn:corvane:documents:1", nullptr);
    xmlSetNs(root, ns);
    xmlDocSetRootElement(doc, root);
    xmlNodePtr order = nullptr;
    sqlite3_int64 current = -1;
    int in_page = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      if (sqlite3_column_int64(s, kInterId) != current) {
        current = sqlite3_column_int64(s, kInterId);
        cursor.assign(static_cast<const char*>(sqlite3_column_blob(s, kOperDate)),
                      static_cast<size_t>(sqlite3_column_bytes(s, kOperDate)));
        order = xmlNewChild(root, ns, BAD_CAST "SaleOrder", nullptr);
        Order(order, ns, s);
        ++in_page;
      }
      if (sqlite3_column_type(s, kEntryId) != SQLITE_NULL)
        Entry(xmlNewChild(order, ns, BAD_CAST "OrderEntry", nullptr), ns, s);
    }
    sqlite3_reset(s);
    if (in_page > 0) {
      xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
      const int invalid = xmlSchemaValidateDoc(validator, doc);
      xmlSchemaFreeValidCtxt(validator);
      xmlChar* buffer = nullptr;
      int size = 0;
      xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
      xmlFree(buffer);
      done.bytes += static_cast<size_t>(size);
      done.orders = invalid ? -1 : done.orders + in_page;
    }
    xmlFreeDoc(doc);
    if (in_page == 0) break;
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  xmlSchemaFree(schema);
  return done;
}

void MakeAccount(const std::string& path, int orders) {
  erpdb::DemoOptions options;
  options.orders = orders;
  options.invoices = 0;
  options.stock_bills = 0;
  options.entries_per_order = 5;
  options.fixed_entries = true;
  erpdb::CreateDemoAccount(path, options);
}

bool Run(int orders, bool component_only) {
  testing::TempDir dir;
  const std::string path = dir.File("bench.db");
  MakeAccount(path, orders);
  const std::string props = bench::AccountProps(path);

  Exported exported, bound;
  const bench::Timing component_time =
      bench::Measure([&] { exported = ExportAll(props, kPageSize); });
  db::HandlePool::CloseIdle();
  std::printf("export, %d orders x 5 entries, pages of %d\n", orders, kPageSize);
  bench::PrintTiming("component", "clsSaleOrder.Export", exported.orders, "orders", component_time);
  if (component_only) return exported.orders == orders;
  const bench::Timing bound_time =
      bench::Measure([&] { bound = BoundKeysetPagesValidated(path, kPageSize); });
  bench::PrintTiming("bound", "one join a page + libxml2 + schema validation", bound.orders,
                     "orders", bound_time);
  bench::PrintRatio(component_time, exported.orders, bound_time, bound.orders);
  std::printf("  XML written: component %zu bytes, bound %zu bytes\n", exported.bytes, bound.bytes);
  // The bound is a floor only while it writes the component's documents.
  if (exported.bytes != bound.bytes)
    std::printf("  note: the bound's documents differ from the component's: compare their pages\n");
  return exported.orders == orders && bound.orders == orders;
}

// One page holding every order, in this process after the account was made
// in a child process.
bool RunMemory(int orders) {
  testing::TempDir dir;
  const std::string path = dir.File("bench.db");
  if (!bench::RunInChildProcess([&] {
        MakeAccount(path, orders);
        return true;
      })) {
    std::fprintf(stderr, "the account could not be made\n");
    return false;
  }
  std::string props = bench::AccountProps(path), xml, timestamp, max, error;
  clsSaleOrder order;
  const long before = bench::ResidentKiB();
  const bool ok = order.Export(props, xml, 0, timestamp, max, error);
  const long peak = bench::PeakResidentKiB();
  if (!ok) {
    std::fprintf(stderr, "export failed: %s\n", error.c_str());
    return false;
  }
  std::printf(
      "export memory, %d orders x 5 entries in one page (clsSaleOrder.Export, page size 0)\n",
      orders);
  bench::PrintMemory(xml.size(), before, peak);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  return bench::OrderBenchmarkMain(argc, argv, {1000, 10000}, &Run, &RunMemory);
}

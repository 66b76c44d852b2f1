// Sales order export throughput: orders per second through
// clsSaleOrder.Export with pages of 100, on generated accounts of 1,000 and
// 10,000 orders with 5 entries each, every reference resolvable.
//
// Lower bound, measured in the same run on the same file: one SQL join that
// fetches the same rows (orders, entries and every referenced row) plus
// writing the same XML with libxml2, 100 orders per document, without
// validation. The ratio is the price of the component's way: one key lookup
// per reference on a connection of its own, and a validated document.
#include <libxml/tree.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "erpdb/demo_data.h"
#include "erpdb/sql_functions.h"
#include "exchange/cls_sale_order.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "bench/bench_support.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Pages through every order; returns the number exported.
int ExportAll(const std::string& props_in) {
  clsSaleOrder order;
  int exported = 0;
  std::string timestamp;
  for (;;) {
    std::string props = props_in, xml, max, error;
    if (!order.Export(props, xml, 100, timestamp, max, error)) {
      std::fprintf(stderr, "export failed: %s\n", error.c_str());
      return -1;
    }
    size_t count = 0;
    for (size_t at = 0; (at = xml.find("<SaleOrder>", at)) != std::string::npos; ++at) ++count;
    if (count == 0) break;
    exported += static_cast<int>(count);
  }
  return exported;
}

const char* kJoin = R"(SELECT o.FInterID, o.FUUID, o.FBillNo, o.FDate, o.FFetchAdd, o.FExchangeRate,
  s1.FID, s1.FName, s1.UUID, s2.FID, s2.FName, s2.UUID, o.FDiscountType,
  c.FNumber, c.FName, c.UUID, cu.FNumber, cu.FName, cu.UUID, d.FNumber, d.FName, d.UUID,
  em.FNumber, em.FName, em.UUID, m.FNumber, m.FName, m.UUID, u.FUserID, u.FName, u.UUID,
  e.FEntryID, i.FNumber, i.FName, i.UUID, mu.FNumber, mu.FName, mu.UUID, e.FAuxQty, e.FAuxPrice,
  e.FAmount, e.FTaxRate, e.FDiscount, e.FFinalAmount, e.FCESS, e.FNote,
  ct.FContractID, ct.FContractNo, ct.UUID
FROM SEOrder o
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
WHERE o.FInterID <> 0 ORDER BY o.FOperDate, e.FEntryID)";

const char* Text(sqlite3_stmt* s, int col) {
  const unsigned char* t = sqlite3_column_text(s, col);
  return t ? reinterpret_cast<const char*>(t) : nullptr;
}

void Leaf(xmlNodePtr parent, xmlNsPtr ns, const char* name, sqlite3_stmt* s, int col) {
  if (const char* t = Text(s, col)) xmlNewTextChild(parent, ns, BAD_CAST name, BAD_CAST t);
}

void Key(xmlNodePtr parent, xmlNsPtr ns, const char* name, sqlite3_stmt* s, int col) {
  if (sqlite3_column_type(s, col) == SQLITE_NULL && sqlite3_column_type(s, col + 1) == SQLITE_NULL)
    return;
  xmlNodePtr k = xmlNewChild(parent, ns, BAD_CAST name, nullptr);
  Leaf(k, ns, "Number", s, col);
  Leaf(k, ns, "Name", s, col + 1);
  Leaf(k, ns, "UUID", s, col + 2);
}

size_t Flush(xmlDocPtr& doc, xmlNodePtr& root, xmlNsPtr& ns) {
  size_t bytes = 0;
  if (doc) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
    bytes = static_cast<size_t>(size);
    xmlFree(buffer);
    xmlFreeDoc(doc);
  }
  doc = xmlNewDoc(BAD_CAST "1.0");
  root = xmlNewNode(nullptr, BAD_CAST "TavoIndSaleOrder");
  ns = xmlNewNs(root, BAD_CAST "urn:corvane:documents:1", nullptr);
  xmlSetNs(root, ns);
  xmlDocSetRootElement(doc, root);
  return bytes;
}

// The lower bound: returns the number of orders written.
int JoinAndWrite(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  erpdb::RegisterErpSqlFunctions(db);
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, kJoin, -1, &s, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "join: %s\n", sqlite3_errmsg(db));
    return -1;
  }
  xmlDocPtr doc = nullptr;
  xmlNodePtr root = nullptr, order = nullptr;
  xmlNsPtr ns = nullptr;
  Flush(doc, root, ns);
  int orders = 0, in_doc = 0;
  sqlite3_int64 current = -1;
  while (sqlite3_step(s) == SQLITE_ROW) {
    const sqlite3_int64 id = sqlite3_column_int64(s, 0);
    if (id != current) {
      if (in_doc == 100) {
        Flush(doc, root, ns);
        in_doc = 0;
      }
      current = id;
      ++orders;
      ++in_doc;
      order = xmlNewChild(root, ns, BAD_CAST "SaleOrder", nullptr);
      Leaf(order, ns, "UUID", s, 1);
      Leaf(order, ns, "BillNo", s, 2);
      Leaf(order, ns, "Date", s, 3);
      Leaf(order, ns, "FetchAdd", s, 4);
      Leaf(order, ns, "ExchangeRate", s, 5);
      Key(order, ns, "SettleStyle", s, 6);
      Key(order, ns, "SaleStyle", s, 9);
      Leaf(order, ns, "DiscountType", s, 12);
      Key(order, ns, "Customer", s, 13);
      Key(order, ns, "Currency", s, 16);
      Key(order, ns, "Department", s, 19);
      Key(order, ns, "Employee", s, 22);
      Key(order, ns, "Manger", s, 25);
      Key(order, ns, "BillerID", s, 28);
    }
    if (sqlite3_column_type(s, 31) == SQLITE_NULL) continue;
    xmlNodePtr entry = xmlNewChild(order, ns, BAD_CAST "OrderEntry", nullptr);
    Leaf(entry, ns, "EntryID", s, 31);
    Key(entry, ns, "Item", s, 32);
    Key(entry, ns, "Unit", s, 35);
    const char* names[] = {"Qty", "Price", "Amount", "TaxRate", "Discount", "FinalAmount", "CESS", "Note"};
    for (int k = 0; k < 8; ++k) Leaf(entry, ns, names[k], s, 38 + k);
    Key(entry, ns, "Contract", s, 46);
  }
  Flush(doc, root, ns);
  xmlFreeDoc(doc);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return orders;
}

void Run(int orders) {
  testing::TempDir dir;
  const std::string path = dir.File("bench.db");
  erpdb::DemoOptions options;
  options.orders = orders;
  options.invoices = 0;
  options.stock_bills = 0;
  options.entries_per_order = 5;
  options.fixed_entries = true;
  erpdb::CreateDemoAccount(path, options);
  const std::string props = "ConnectString={Provider=SQLite;Data Source=" + path + "};UserID=16394;";

  auto start = std::chrono::steady_clock::now();
  const int exported = ExportAll(props);
  const double export_seconds = Seconds(start);
  start = std::chrono::steady_clock::now();
  const int bound_orders = JoinAndWrite(path);
  const double bound_seconds = Seconds(start);
  db::HandlePool::CloseIdle();

  std::printf("%6d orders x 5 entries: clsSaleOrder.Export (pages of 100) %8.0f orders/s (%d in %.2f s)\n",
              orders, exported / export_seconds, exported, export_seconds);
  std::printf("%6s                        lower bound: one join + libxml2 %8.0f orders/s (%d in %.3f s)\n",
              "", bound_orders / bound_seconds, bound_orders, bound_seconds);
  std::printf("%6s                        ratio lower bound / export: %.1f\n", "",
              (bound_orders / bound_seconds) / (exported / export_seconds));
}

}  // namespace

int main() {
  testing::TempDir settings;
  bench::UseBuildInstallation(settings);
  Run(1000);
  Run(10000);
  return 0;
}

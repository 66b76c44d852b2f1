// Deterministic demo data for the embedded ERP account database.
//
// The generator fills an account database with base data and documents that look like a small
// trading company's books: enough to give every export, import, query and deletion of the
// component real rows to find, and the awkward rows that the ERP really holds (a template order
// with internal ID 0, orders without entries, red bills, stock without batch numbers, negative
// lock rows, a customer number with a single quote, logged deletions).
//
// Contract:
// * Deterministic: the same options (seed included) give the same rows in the same insertion
//   order, so two databases made from them have identical table contents, row versions
//   included. Everything is drawn from a splitmix64 generator seeded from `seed`: UUIDs
//   (upper-case GUID text), quantities, prices, dates (2024-01-01 to 2026-12-31). Neither the
//   clock nor NEWID() is used. Base data comes first, so it is the same for a seed whatever the
//   document counts and `base_only` say.
// * Base data (always made, fixed size): users 16394 "administrator" (active, group 1,
//   web-service right with a non-zero mask), 16395 "forbidden" (FForbidden 1, group 1, the
//   same right), 16396 "webservice" (no group, one web-service row with mask 1), 16397
//   "nobody" (no group, a web-service row with mask 0 and a right of another object type) and
//   three clerks in group 2 without rights; the item tree, each class in its own block of
//   FItemID (customers of class 1 from 1001 incl. number "O'Neil" and "C025", which has no
//   t_Organization row and which no document uses; class 2 departments from 2001, class 3
//   employees from 3001, class 4 materials "M0001".. from 4001 with their t_ICItem rows,
//   class 5 warehouses from 5001, class 8 suppliers from 8001, class 10 branches from 10001);
//   units, currencies (1 RMB, 2 USD, 3 EUR, 4 HKD), auxiliary data (sale styles of type 101
//   with FInterID 101 to 105, settlement styles 111 to 115 of type kDemoSettleStyleType,
//   purchase styles 121 to 123 of type kDemoPurchaseStyleType), t_Settle rows under the same IDs
//   and names as the settlement styles (orders' FSettleID resolves in both tables), contracts,
//   stock places (three per warehouse), customer carrying days (some Null), stock on hand
//   ICInventory (batch numbers, some Null, some ''; the last material has none), locks t_LockStock
//   (a negative row included), list templates for the transaction types 81, 80, 86, 1 and 21.
//   Material "M0001" holds stock under a batch, under a Null and under an empty batch number
//   and has lock rows 10, 5 and -3; material "M0039" has a Null UUID; "M0040" has no stock.
// * Documents (unless `base_only`):
//   - sales orders: `orders` heads SEOrder with FInterID 1..orders and bill numbers from the
//     order rule ("SO000001" ...); the entries per order are drawn evenly from
//     1..2*entries_per_order-1, so `entries_per_order` is the average (0 makes no entries);
//     about one order in 25 has no entries (always "SO000003" when there are three orders or
//     more; "SO000001" and "SO000002", the latter for "O'Neil", always have entries). Most
//     orders are the ERP's own (FImport 0, FSystemType 1), some came from the CRM (1, 2):
//     "SO000005" unchecked (FStatus 0), "SO000006" checked (1), others at random. Amounts follow
//     the ERP's rules: FAmount = qty*price*(1-FTaxRate/100), FTaxAmount the discount on the
//     tax-inclusive price, FTaxAmt = FAmount*FCESS/100, FAllAmount = FAmount+FTaxAmt, FAllStdAmount
//     = FAllAmount*exchange rate, FFinalAmount = FAmount, FDiscount = qty*price-FAmount, each
//     rounded to 2 decimals half away from zero. Plus one template head with FInterID 0 and an
//     empty bill number, without entries, inserted after the others so that it holds the newest row
//     version of SEOrder (exports skip it; the table's maximum timestamp is its).
//   - sales invoices ICSale of both types (80 "SIV...", 86 "SIO..."): the first four are
//     80 blue, 86 blue, 80 red, 86 red; red invoices (FROB -1) have entry quantities <= 0,
//     blue ones >= 0; the fifth has no entries.
//   - stock bills ICStockBill: purchase receipts (FTranType 1, "PR...", supplier in FSupplyID)
//     and sales deliveries (21, "SD...", customer in FSupplyID), about half each, the first a
//     receipt and the second a delivery; delivery entries name in FOrderBillNO an order of the
//     bill's customer and one of that order's materials; the second and the fourth bill both
//     deliver "SO000001" (when it has entries), and the second also carries an entry without an
//     order (FOrderBillNO ''). Entry batch numbers are mostly set, some Null, some ''.
//   - deletions: a few further heads of each table (orders, invoices of both types, receipts
//     and deliveries; about one for every 20 documents, at least 2 where documents of the
//     table are made) are inserted and deleted again, so the schema's triggers log them in
//     COM_DataChange; their numbers and IDs count as used.
// * Numbering: t_BillNoRule.FCurNo of each type and t_BillInterIDMax.FMaxInterID of each bill
//   table end at the highest number and internal ID used, deleted heads included.
// * Every ID a head or an entry holds refers to an existing row of the table it names (0 is
//   used only where a reference is optional: a head's contract, a receipt's sale style, a
//   delivery's purchase style).
//
// FillDemoData(db, options) works on `db` (not owned), on which RegisterErpSqlFunctions has
// run and CreateAccountSchema has created the schema with only its starting rows; it throws
// std::runtime_error when the database already holds base data or documents and
// std::invalid_argument for negative counts or counts whose bill numbers would not fit the
// numbering rules. Everything is written inside one savepoint: on any failure the database is
// left as it was and std::runtime_error carries sqlite's message.
//
// CreateDemoAccount(path, options) refuses with std::runtime_error when anything exists at
// `path`. It writes a new database into a temporary file in the same folder (registering the
// functions, creating the schema, filling it, switching it to WAL mode, so that the account is
// in WAL mode from the moment it exists), closes it and moves it to `path` without ever
// replacing a file that appeared meanwhile; on failure the temporary file is removed and
// nothing is left at `path`.
//
// Threads: both may run on any thread; FillDemoData uses `db` only on the calling thread and
// neither keeps state between calls.
#ifndef CORVANE_ERPDB_DEMO_DATA_H_
#define CORVANE_ERPDB_DEMO_DATA_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace corvane::erpdb {

// Auxiliary-data types of t_SubMessage besides the sale styles (101).
inline constexpr int kDemoSettleStyleType = 102;
inline constexpr int kDemoPurchaseStyleType = 103;

struct DemoOptions {
  int orders = 200;       // sales orders with FInterID 1..orders (the FInterID 0 head aside)
  int invoices = 100;     // sales invoices, types 80 and 86
  int stock_bills = 100;  // purchase receipts and sales deliveries together
  uint64_t seed = 1;
  bool base_only = false;     // base data only: no orders, invoices, stock bills or deletions
  int entries_per_order = 5;  // average number of entries of an order (see above)
  bool fixed_entries = false; // every order gets exactly entries_per_order entries (benchmarks)
};

// Rows made, per table. Documents count the heads left in their tables that are documents:
// `orders`, `invoices` and `stock_bills` leave out the template heads with FInterID 0, which
// `template_heads` counts; deleted heads are counted apart and are not in the tables any more.
struct DemoSummary {
  int64_t items = 0;               // t_Item
  int64_t ic_items = 0;            // t_ICItem
  int64_t organizations = 0;       // t_Organization
  int64_t currencies = 0;          // t_Currency
  int64_t measure_units = 0;       // t_MeasureUnit
  int64_t sub_messages = 0;        // t_SubMessage
  int64_t settles = 0;             // t_Settle
  int64_t contracts = 0;           // t_RpContract
  int64_t stock_places = 0;        // t_StockPlace
  int64_t users = 0;               // t_User
  int64_t group_members = 0;       // t_Group
  int64_t access_rights = 0;       // t_AccessControl
  int64_t inventory = 0;           // ICInventory
  int64_t locks = 0;               // t_LockStock
  int64_t list_templates = 0;      // ICListTemplate
  int64_t orders = 0;              // SEOrder
  int64_t order_entries = 0;       // SEOrderEntry
  int64_t invoices = 0;            // ICSale
  int64_t invoice_entries = 0;     // ICSaleEntry
  int64_t stock_bills = 0;         // ICStockBill
  int64_t stock_bill_entries = 0;  // ICStockBillEntry
  int64_t change_log = 0;          // COM_DataChange
  int64_t template_heads = 0;      // heads with FInterID 0 in SEOrder, ICSale, ICStockBill
  int64_t deleted_heads = 0;       // heads made and deleted again (each logged twice)

  // (table name, rows) for every table counted above, in the order of the fields (the bill
  // head tables with their documents).
  std::vector<std::pair<std::string, int64_t>> RowsPerTable() const;
};

// The summary as text for people: one line per table ("t_Item  111", "SEOrder  200" for 200
// orders), then the template heads when there are any, then the deleted heads.
std::string DescribeSummary(const DemoSummary& summary);

// Creates a new demo account database file at `path`.
DemoSummary CreateDemoAccount(const std::string& path, const DemoOptions& options);

// Fills the freshly created account schema of `db` with demo data.
DemoSummary FillDemoData(sqlite3* db, const DemoOptions& options);

}  // namespace corvane::erpdb

#endif  // CORVANE_ERPDB_DEMO_DATA_H_

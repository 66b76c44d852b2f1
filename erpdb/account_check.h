// Consistency checks of an ERP account database, for "corvane erp check".
//
// An account's rows depend on each other by convention only (the ERP keeps no foreign keys),
// so a file repaired by hand or copied half-way can look fine to SQLite and still break the
// component: an entry whose head is gone, a row version given twice (exports then skip or
// repeat a document), a numbering table behind the rows already saved (the next bill then
// takes an ID or a number in use).
//
// Contract:
// * CheckAccount(db) runs, on `db` (not owned; RegisterErpSqlFunctions must have run on it),
//   these checks in this order, each named by its AccountCheck::name:
//   - "integrity": PRAGMA integrity_check answers ok;
//   - "entry heads": every row of SEOrderEntry, ICSaleEntry and ICStockBillEntry has the head
//     of its FInterID in SEOrder, ICSale and ICStockBill;
//   - "row versions": no row version is held twice across SEOrder, ICSale, ICStockBill
//     (FOperDate) and COM_DataChange (FTimeStamp);
//   - "internal IDs": t_BillInterIDMax holds, for each of SEOrder, ICSale and ICStockBill that
//     has rows, a FMaxInterID at or above the table's highest FInterID;
//   - "bill numbers": each rule of t_BillNoRule has FCurNo at or above the highest automatic
//     number in use by its transaction type (a bill number that is the rule's FPrefix followed
//     by exactly FNumLength digits; a sales order head without a type counts as type 81).
//   Each check's `problems` lists what it found, at most kMaxExamples rows named one per entry,
//   followed by "... and N more" when there were more; empty means the check passed. It only
//   reads. A database without the account's tables throws std::runtime_error with sqlite's
//   message.
// * CheckAccountFile(path) opens the file read-only (it must exist), registers the account's
//   functions and runs CheckAccount; std::runtime_error when the file cannot be opened.
// * Threads: no state of its own; one call per connection at a time.
#ifndef CORVANE_ERPDB_ACCOUNT_CHECK_H_
#define CORVANE_ERPDB_ACCOUNT_CHECK_H_

#include <cstddef>
#include <string>
#include <vector>

struct sqlite3;

namespace corvane::erpdb {

struct AccountCheck {
  std::string name;
  std::vector<std::string> problems;  // empty: passed
};

inline constexpr std::size_t kMaxExamples = 3;

std::vector<AccountCheck> CheckAccount(sqlite3* db);
std::vector<AccountCheck> CheckAccountFile(const std::string& path);

}  // namespace corvane::erpdb

#endif  // CORVANE_ERPDB_ACCOUNT_CHECK_H_

#include "erpdb/account_check.h"

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "erpdb/sql_functions.h"

namespace corvane::erpdb {
namespace {

using Row = std::vector<std::string>;

// All rows of a query, each column as text ("NULL" for a NULL); the statement takes no values.
std::vector<Row> Rows(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("cannot check the account: ") + sqlite3_errmsg(db));
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
  std::vector<Row> rows;
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    Row row;
    for (int i = 0; i < sqlite3_column_count(raw); ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
      row.emplace_back(text != nullptr ? text : "NULL");
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    throw std::runtime_error(std::string("cannot check the account: ") + sqlite3_errmsg(db));
  }
  return rows;
}

// Adds a problem, keeping kMaxExamples of them and counting the rest in a last line.
class Problems {
 public:
  explicit Problems(AccountCheck& check) : check_(check) {}
  ~Problems() {
    if (hidden_ > 0) check_.problems.push_back("... and " + std::to_string(hidden_) + " more");
  }
  void Add(std::string problem) {
    if (check_.problems.size() < kMaxExamples) {
      check_.problems.push_back(std::move(problem));
    } else {
      ++hidden_;
    }
  }

 private:
  AccountCheck& check_;
  std::size_t hidden_ = 0;
};

struct BillTable {
  const char* head;
  const char* entry;
  const char* tran_type;  // the head's transaction type as an expression
};

constexpr BillTable kBillTables[] = {
    {"SEOrder", "SEOrderEntry", "IFNULL(FTranType, 81)"},
    {"ICSale", "ICSaleEntry", "FTranType"},
    {"ICStockBill", "ICStockBillEntry", "FTranType"},
};

AccountCheck Integrity(sqlite3* db) {
  AccountCheck check{"integrity", {}};
  Problems problems(check);
  for (const Row& row : Rows(db, "PRAGMA integrity_check")) {
    if (row[0] != "ok") problems.Add(row[0]);
  }
  return check;
}

AccountCheck EntryHeads(sqlite3* db) {
  AccountCheck check{"entry heads", {}};
  Problems problems(check);
  for (const BillTable& table : kBillTables) {
    const std::string sql = std::string("SELECT FInterID, FEntryID FROM ") + table.entry +
                            " AS e WHERE NOT EXISTS (SELECT 1 FROM " + table.head +
                            " AS h WHERE h.FInterID = e.FInterID) ORDER BY FInterID, FEntryID";
    for (const Row& row : Rows(db, sql)) {
      problems.Add(std::string(table.entry) + " FInterID " + row[0] + " FEntryID " + row[1] +
                   " has no head in " + table.head);
    }
  }
  return check;
}

AccountCheck RowVersions(sqlite3* db) {
  AccountCheck check{"row versions", {}};
  Problems problems(check);
  const std::vector<Row> rows =
      Rows(db,
           "SELECT hex(v), group_concat(r, ', ') FROM ("
           " SELECT FOperDate AS v, 'SEOrder ' || FInterID AS r FROM SEOrder"
           " UNION ALL SELECT FOperDate, 'ICSale ' || FInterID FROM ICSale"
           " UNION ALL SELECT FOperDate, 'ICStockBill ' || FInterID FROM ICStockBill"
           " UNION ALL SELECT FTimeStamp, 'COM_DataChange rowid ' || rowid FROM COM_DataChange)"
           " GROUP BY v HAVING COUNT(*) > 1 ORDER BY v");
  for (const Row& row : rows) problems.Add("0x" + row[0] + " held by " + row[1]);
  return check;
}

AccountCheck InternalIds(sqlite3* db) {
  AccountCheck check{"internal IDs", {}};
  Problems problems(check);
  for (const BillTable& table : kBillTables) {
    const std::string sql =
        std::string(
            "SELECT MAX(FInterID), (SELECT FMaxInterID FROM t_BillInterIDMax WHERE "
            "FTableName = '") +
        table.head + "') FROM " + table.head + " HAVING COUNT(*) > 0";
    for (const Row& row : Rows(db, sql)) {
      if (row[1] == "NULL") {
        problems.Add(std::string("t_BillInterIDMax has no row for ") + table.head +
                     " (highest FInterID " + row[0] + ")");
      } else if (std::stoll(row[1]) < std::stoll(row[0])) {
        problems.Add(std::string("t_BillInterIDMax ") + table.head + " FMaxInterID " + row[1] +
                     " is below the highest FInterID " + row[0]);
      }
    }
  }
  return check;
}

// The number of an automatic bill number of the rule, or -1 when `bill_no` is not one.
std::int64_t AutomaticNumber(std::string_view bill_no, std::string_view prefix,
                             std::size_t length) {
  if (bill_no.size() != prefix.size() + length || bill_no.substr(0, prefix.size()) != prefix ||
      length > 18) {
    return -1;
  }
  std::int64_t n = 0;
  for (const char c : bill_no.substr(prefix.size())) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

AccountCheck BillNumbers(sqlite3* db) {
  AccountCheck check{"bill numbers", {}};
  Problems problems(check);
  std::string numbers = "SELECT tran_type, FBillNo FROM (";
  for (const BillTable& table : kBillTables) {
    if (&table != &kBillTables[0]) numbers += " UNION ALL ";
    numbers += std::string("SELECT ") + table.tran_type + " AS tran_type, FBillNo FROM " +
               table.head + " WHERE FBillNo IS NOT NULL";
  }
  numbers += ")";
  const std::vector<Row> bills = Rows(db, numbers);
  for (const Row& rule : Rows(db,
                              "SELECT FTranType, FPrefix, FCurNo, FNumLength FROM t_BillNoRule "
                              "ORDER BY FTranType")) {
    const std::size_t length = static_cast<std::size_t>(std::stoll(rule[3]));
    std::int64_t highest = -1;
    std::string highest_no;
    for (const Row& bill : bills) {
      if (bill[0] != rule[0]) continue;
      const std::int64_t n = AutomaticNumber(bill[1], rule[1], length);
      if (n > highest) highest = n, highest_no = bill[1];
    }
    if (highest > std::stoll(rule[2])) {
      problems.Add("t_BillNoRule " + rule[0] + " FCurNo " + rule[2] + " is below " + highest_no +
                   " in use");
    }
  }
  return check;
}

}  // namespace

std::vector<AccountCheck> CheckAccount(sqlite3* db) {
  if (db == nullptr) throw std::runtime_error("cannot check the account: no database connection");
  return {Integrity(db), EntryHeads(db), RowVersions(db), InternalIds(db), BillNumbers(db)};
}

std::vector<AccountCheck> CheckAccountFile(const std::string& path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
  if (rc != SQLITE_OK) {
    throw std::runtime_error("cannot open " + path + ": " +
                             (raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  }
  RegisterErpSqlFunctions(raw);
  return CheckAccount(raw);
}

}  // namespace corvane::erpdb

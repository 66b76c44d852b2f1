#include "apps/corvane/account_fill.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "erpdb/account_db.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "frame/outside/connection.h"
#include "frame/outside/object_factory.h"
#include "frame/sql_text.h"
#include "values/run_time_error.h"

namespace corvane::cli {
namespace {

// Tables without row versions, in the order their rows are copied; the three
// that hold starting rows are emptied first.
constexpr const char* kBaseTables[] = {
    "t_Item",         "t_ICItem",       "t_Organization",   "t_Currency",     "t_MeasureUnit",
    "t_SubMessage",   "t_Settle",       "t_RpContract",     "t_StockPlace",   "t_User",
    "t_Group",        "t_AccessControl", "ICInventory",     "t_LockStock",    "ICListTemplate",
    "t_BillSaveOption", "t_SystemProfile", "t_BillNoRule",  "t_BillInterIDMax"};
constexpr const char* kStartingRowTables[] = {"t_SystemProfile", "t_BillNoRule", "t_BillInterIDMax"};
// Tables whose rows carry a row version, and its column.
constexpr std::pair<const char*, const char*> kVersionedTables[] = {
    {"SEOrder", "FOperDate"}, {"ICSale", "FOperDate"}, {"ICStockBill", "FOperDate"},
    {"COM_DataChange", "FTimeStamp"}};
constexpr const char* kEntryTables[] = {"SEOrderEntry", "ICSaleEntry", "ICStockBillEntry"};

// A value as a T-SQL literal.
std::string Literal(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: return "NULL";
    case VarType::Boolean: return v.AsBool() ? "1" : "0";
    case VarType::Date: {
      const DateParts d = SplitDate(v.AsDate());
      char text[40];
      // Style 121 reads the same whatever the login's date format.
      std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d.%03d'", d.year, d.month,
                    d.day, d.hour, d.minute, d.second, d.millisecond);
      return std::string("CONVERT(DATETIME, ") + text + ", 121)";
    }
    case VarType::String: return "N" + SqlLiteral(v.AsString());
    default: return CStr(v);  // numbers: invariant text, no grouping
  }
}

// The INSERT of the current row of `rows` into `table`, without the columns
// the account sets itself.
std::string InsertOf(const std::string& table, const IRecordSet& rows) {
  std::string columns, values;
  for (int32_t i = 0; i < rows.FieldCount(); ++i) {
    const std::string name = rows.FieldName(i);
    if (name == "FOperDate" || name == "FTimeStamp") continue;  // row versions
    if (table == "t_StockPlace" && name == "UUID") continue;   // computed from FUUID
    columns += (columns.empty() ? "" : ",") + name;
    values += (values.empty() ? "" : ",") + Literal(rows.Fields(i));
  }
  return "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ")";
}

bool HasAccountTables(IConnection& account) {
  try {
    account.GetAnyRecordSet("SELECT COUNT(*) FROM t_BillNoRule");
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

// A temporary embedded account that is removed with this object.
class TemporaryAccount {
 public:
  TemporaryAccount() {
    const auto base = std::filesystem::temp_directory_path() / "corvane-demo-XXXXXX";
    std::string pattern = base.string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder can be made");
    folder_ = pattern;
  }
  ~TemporaryAccount() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string Path() const { return (folder_ / "demo.db").string(); }

 private:
  std::filesystem::path folder_;
};

}  // namespace

erpdb::DemoSummary FillAccountThroughConnection(const std::string& props_string,
                                                const erpdb::DemoOptions& options) {
  ParsePropsString(props_string);
  ConnectionPtr account;
  OpenErpConnection(account);
  if (!HasAccountTables(*account)) {
    for (const std::string& batch : erpdb::SqlServerSchemaBatches()) account->Execute(batch);
  }
  const double held = CDbl(account->GetAnyRecordSet(
      "SELECT (SELECT COUNT(*) FROM t_Item) + (SELECT COUNT(*) FROM t_User) + "
      "(SELECT COUNT(*) FROM SEOrder) + (SELECT COUNT(*) FROM ICSale) + "
      "(SELECT COUNT(*) FROM ICStockBill) + (SELECT COUNT(*) FROM COM_DataChange)")
                                    ->Fields(0));
  if (held > 0)
    throw std::runtime_error("the account already holds base data or documents; give it an empty "
                             "database (the account schema alone, or nothing)");

  TemporaryAccount demo;
  const erpdb::DemoSummary summary = erpdb::CreateDemoAccount(demo.Path(), options);
  auto source = CreateObjectAs<IConnection>(kConnectionProgId);
  source->SetConnString("Provider=SQLite;Data Source=" + demo.Path());

  account->Execute("BEGIN TRANSACTION");
  try {
    for (const char* table : kStartingRowTables) account->Execute(std::string("DELETE FROM ") + table);
    auto copy = [&](const std::string& table, const std::string& order) {
      RecordSetPtr rows = source->GetAnyRecordSet("SELECT * FROM " + table + order);
      for (; !rows->Eof(); rows->MoveNext()) account->Execute(InsertOf(table, *rows));
    };
    for (const char* table : kBaseTables) copy(table, "");
    // The heads and the change log in the order of their row versions.
    std::vector<std::pair<Bytes, std::string>> versioned;  // version, INSERT
    for (const auto& [table, column] : kVersionedTables) {
      RecordSetPtr rows = source->GetAnyRecordSet(std::string("SELECT * FROM ") + table);
      for (; !rows->Eof(); rows->MoveNext())
        versioned.emplace_back(rows->Fields(column).AsBytes(), InsertOf(table, *rows));
    }
    std::sort(versioned.begin(), versioned.end());
    for (const auto& [version, insert] : versioned) account->Execute(insert);
    for (const char* table : kEntryTables) copy(table, " ORDER BY FInterID, FEntryID");
    account->Execute("COMMIT");
  } catch (...) {
    try {
      account->Execute("ROLLBACK");
    } catch (...) {
      // Closing the connection ends the transaction anyway.
    }
    account->CloseConn();
    throw;
  }
  account->CloseConn();
  source->CloseConn();
  return summary;
}

}  // namespace corvane::cli

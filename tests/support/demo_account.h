// Test helper: a demo account database file in a temporary folder, made by
// the demo generator, with the platform components registered; what its
// tables hold, read through the connection component as text; and a fixture
// that gives each test an account of its own.
//
// RowsOf and the helpers built on it parse the account's property string on
// the calling thread (as a public method does) and run `sql` on a fresh
// connection; a Null column reads "NULL". A statement that writes runs the
// same way and answers no rows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erpdb/demo_data.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "support/account_file.h"
#include "support/temp_dir.h"
#include "values/variant.h"

namespace corvane::testing {

class DemoAccount {
 public:
  explicit DemoAccount(erpdb::DemoOptions options = Small()) : path_(dir_.File("demo.db")) {
    platform::RegisterPlatformComponents();
    erpdb::CreateDemoAccount(path_, options);
  }
  ~DemoAccount() { db::HandlePool::CloseIdle(); }

  static erpdb::DemoOptions Small() {
    erpdb::DemoOptions o;
    o.orders = 25;
    o.invoices = 6;
    o.stock_bills = 6;
    o.seed = 7;
    return o;
  }
  // The base data of Small() without documents: the target of imports.
  static erpdb::DemoOptions BaseOnly() {
    erpdb::DemoOptions o = Small();
    o.base_only = true;
    return o;
  }

  const std::string& path() const { return path_; }
  std::string ConnString() const { return "Provider=SQLite;Data Source=" + path_; }
  std::string PropsString(int user = 16394) const {
    return "ConnectString={" + ConnString() + "};UserID=" + std::to_string(user) + ";";
  }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string path_;
};

// The rows of `sql` on an account, each column as text ("NULL" for Null).
inline std::vector<std::vector<std::string>> RowsOf(const DemoAccount& account,
                                                    const std::string& sql) {
  ParsePropsString(account.PropsString());
  ConnectionPtr c;
  OpenErpConnection(c);
  std::vector<std::vector<std::string>> out;
  for (RecordSetPtr rs = c->GetAnyRecordSet(sql); !rs->Eof(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int32_t i = 0; i < rs->FieldCount(); ++i)
      row.push_back(rs->Fields(i).IsNull() ? "NULL" : CStr(rs->Fields(i)));
    out.push_back(row);
  }
  return out;
}

// The first column of every row.
inline std::vector<std::string> ColumnOf(const DemoAccount& account, const std::string& sql) {
  std::vector<std::string> out;
  for (const auto& row : RowsOf(account, sql)) out.push_back(row.front());
  return out;
}

// The first column of the first row, "(none)" when there is no row.
inline std::string OneOf(const DemoAccount& account, const std::string& sql) {
  const auto rows = RowsOf(account, sql);
  return rows.empty() ? "(none)" : rows.front().front();
}

// A fixture with a demo account of its own, made with `options`, and the
// helpers above on it.
class DemoAccountTest : public ::testing::Test {
 protected:
  explicit DemoAccountTest(erpdb::DemoOptions options = DemoAccount::Small()) : account_(options) {}

  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    return RowsOf(account_, sql);
  }
  std::vector<std::string> Column(const std::string& sql) { return ColumnOf(account_, sql); }
  std::string One(const std::string& sql) { return OneOf(account_, sql); }
  // Runs a statement that answers nothing the test needs.
  void Sql(const std::string& sql) { RowsOf(account_, sql); }

  DemoAccount account_;
};

}  // namespace corvane::testing

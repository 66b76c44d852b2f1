// Test helper: a demo account database file in a temporary folder, made by
// the demo generator, with the platform components registered.
#pragma once

#include <string>

#include "erpdb/demo_data.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "support/account_file.h"
#include "support/temp_dir.h"

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

}  // namespace corvane::testing

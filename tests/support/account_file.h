// Test helper: an empty account database file (the ERP schema, no data) in a
// temporary folder, and a connection component pointed at it.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "erpdb/account_db.h"
#include "erpdb/sql_functions.h"
#include "support/temp_dir.h"

namespace corvane::testing {

class AccountFile {
 public:
  AccountFile() : path_(dir_.File("acct.db")) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path_.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
    erpdb::RegisterErpSqlFunctions(db);
    erpdb::CreateAccountSchema(db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  const std::string& path() const { return path_; }
  std::string ConnString() const { return "Provider=SQLite;Data Source=" + path_; }
  std::string PropsString(int user = 16394) const {
    return "ConnectString={" + ConnString() + "};UserID=" + std::to_string(user) + ";";
  }
  const TempDir& dir() const { return dir_; }

  // Runs SQLite statements on the file directly (test data set-up).
  void Exec(const std::string& sql) const { ExecOn(path_, sql); }

  // The same on any account file.
  static void ExecOn(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    erpdb::RegisterErpSqlFunctions(db);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string error = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("test set-up failed: " + error + " in " + sql);
  }

 private:
  TempDir dir_;
  std::string path_;
};

}  // namespace corvane::testing

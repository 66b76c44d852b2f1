// Where a command finds its account: a whole property string (--props), or
// the short form of an embedded account database and a user (--db, --user).
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

namespace corvane::cli {

struct AccountOptions {
  std::string props;
  std::string db;
  int32_t user = 16394;

  void AddTo(CLI::App* cmd) {
    cmd->add_option("--props", props, "Property string: ConnectString={...};UserID=n;");
    cmd->add_option("--db", db, "Embedded account database file (short for --props)");
    cmd->add_option("--user", user, "ERP user ID with --db")->capture_default_str();
  }

  bool Given() const { return !props.empty() || !db.empty(); }

  // The property string the command works with.
  std::string PropsString() const {
    if (!props.empty()) return props;
    return "ConnectString={Provider=SQLite;Data Source=" + db + "};UserID=" + std::to_string(user) +
           ";";
  }
};

}  // namespace corvane::cli

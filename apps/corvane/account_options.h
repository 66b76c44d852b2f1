// Where a command finds its account: a whole property string (--props), or
// the short form of an embedded account database and a user (--db, --user).
// Open() makes this thread's call context the account's and opens it, so a
// command learns that its account cannot be opened (a set-up failure, exit
// status 2) before it asks a class that would answer False for it as for a
// refused document.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "frame/call_context.h"
#include "frame/gateway.h"

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

  // A connection to the account, opened; raises what the property string or
  // the connection raises.
  ConnectionPtr Open() const {
    ParsePropsString(PropsString());
    ConnectionPtr connection;
    OpenErpConnection(connection);
    connection->GetAnyRecordSet("SELECT 1 AS opened");
    return connection;
  }
};

}  // namespace corvane::cli

// The OLE DB connection string of an account database, as the ERP passes it:
//   Provider=SQLite;Data Source=/srv/acct.db;Busy Timeout=5000
// Keys match without regard to case; a value may be put in double or single
// quotes to hold ";". The provider picks the backend; only "SQLite" (the
// embedded account database) is built in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::db {

struct ConnectionSettings {
  std::string provider;      // as written
  std::string data_source;   // the database file of the SQLite provider
  int busy_timeout_ms = 5000;  // how long to wait for another writer's lock
};

// Reads the settings; a string without a provider means SQLite. A provider
// other than SQLite, a missing Data Source or a Busy Timeout that is not a
// number raises a RuntimeError that says so.
ConnectionSettings ParseConnString(std::string_view conn_string);

}  // namespace corvane::db

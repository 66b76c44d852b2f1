// The OLE DB connection string of an account database, as the ERP passes it:
//   Provider=SQLite;Data Source=/srv/acct.db;Busy Timeout=5000
//   Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=acct;User ID=sa;Password=x
//   Provider=MSDASQL;DSN=acct
// Keys match without regard to case; a value may be put in double or single
// quotes to hold ";". The provider picks the backend: SQLite (the embedded
// account database, also when no provider is given), or ODBC for the SQL
// Server providers (SQLOLEDB, SQLNCLI*, MSOLEDBSQL*) and MSDASQL.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

enum class Backend { Sqlite, Odbc };

// The backend the provider of a connection string picks. A provider that is
// none of the above raises a RuntimeError naming it.
Backend BackendOf(std::string_view conn_string);

// What the ODBC backend connects with.
struct OdbcSettings {
  // The ODBC connection string given to the driver manager: for a SQL Server
  // provider, DRIVER={the driver} with SERVER, DATABASE, UID and PWD (or
  // Trusted_Connection) from Data Source, Initial Catalog, User ID and
  // Password (or Integrated Security); for MSDASQL, the pairs as given, Data
  // Source naming the DSN.
  std::string connect;
  std::string driver;    // the driver named, or "" for a DSN
  std::string password;  // kept out of every message (see Redacted)
};

// The driver a SQL Server provider uses when the connection string names
// none: $CORVANE_ODBC_DRIVER, else FreeTDS's "FreeTDS".
std::string DefaultOdbcDriver();

// Reads the ODBC settings of a connection string whose provider picks ODBC;
// a SQL Server provider without a Data Source, or MSDASQL without a DSN or a
// driver, raises a RuntimeError that says so (without the password).
OdbcSettings ParseOdbcSettings(std::string_view conn_string);

// `text` with `password` replaced by "***": everywhere, or for a password of
// fewer than 4 characters, where a connection string would hold it (after
// "=", "{" or a quote).
std::string Redacted(std::string text, std::string_view password);

}  // namespace corvane::db

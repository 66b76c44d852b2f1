// The loadable SQLite extension that lets any SQLite host (the sqlite3 console, a script) open
// an account database: it registers ERPTEXT and the account's SQL functions with the very code
// the component uses (erpdb/sql_functions.cpp, compiled into this module with
// CORVANE_SQLITE_EXTENSION so that its sqlite3_* calls go through the host's API table).
//
// Loaded as "corvane_sqlite" (.load build/lib/corvane_sqlite), SQLite finds the entry point
// sqlite3_corvanesqlite_init by the file name. Registration only adds the collation and the
// functions to the connection: it reads and writes no table, so a database that is not an
// account stays as it was.
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <exception>

#include "erpdb/sql_functions.h"

extern "C" __attribute__((visibility("default"))) int sqlite3_corvanesqlite_init(
    sqlite3* db, char** error_message, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  try {
    corvane::erpdb::RegisterErpSqlFunctions(db);
    return SQLITE_OK;
  } catch (const std::exception& e) {
    if (error_message != nullptr) *error_message = sqlite3_mprintf("%s", e.what());
  } catch (...) {
    if (error_message != nullptr) *error_message = sqlite3_mprintf("%s", "registration failed");
  }
  return SQLITE_ERROR;  // no exception may unwind into the loading SQLite
}

// The embedded ERP account database: creating its schema.
//
// The schema (erpdb/schema.sql, built into the binary) holds the ERP's base data, users and
// rights, sales orders, sales invoices, stock bills, stock on hand and locks, the change log,
// list templates and numbering tables, the bill service's save options and the account
// settings, the triggers that stamp row versions and log deletions, and the rows every account
// starts with: the row-version counter at 0, one bill-number rule for each of the transaction
// types 81, 80, 86, 1 and 21, the highest internal ID 0 for SEOrder, ICSale and ICStockBill,
// and the setting that allows negative stock.
//
// Contract:
// * SchemaSql() returns the whole script; the text is static and lives as long as the program.
// * CreateAccountSchema(db) runs that script on `db` (not owned) inside a savepoint: either the
//   whole schema with its starting rows is there afterwards, or, when anything fails (the
//   database already holds one of the tables, ERPTEXT is not registered, the disk is full), the
//   database is left as it was and std::runtime_error carries sqlite's message.
//   RegisterErpSqlFunctions (erpdb/sql_functions.h) must have run on `db` first, and must run
//   on every later connection to the database before it touches the tables.
// * Threads: call it on the thread that uses the connection; it keeps no state of its own.
#ifndef CORVANE_ERPDB_ACCOUNT_DB_H_
#define CORVANE_ERPDB_ACCOUNT_DB_H_

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace corvane::erpdb {

// The account schema script, as it stands in erpdb/schema.sql.
std::string_view SchemaSql();

// The account schema for SQL Server (erpdb/schema_sqlserver.sql) as the T-SQL batches that its
// lines holding only GO separate, in order, blank ones left out.
std::vector<std::string> SqlServerSchemaBatches();

// Creates the account schema with its starting rows in the empty database `db`.
void CreateAccountSchema(sqlite3* db);

}  // namespace corvane::erpdb

#endif  // CORVANE_ERPDB_ACCOUNT_DB_H_

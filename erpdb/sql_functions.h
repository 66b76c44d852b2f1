// SQL functions and the text collation that the embedded ERP account database relies on.
//
// The account schema (erpdb/schema.sql) declares every text column COLLATE ERPTEXT and its
// triggers call ROWVERSION_BLOB(); the component's statements call NEWID() and GETDATE(). A
// connection to an account database must therefore have these registered before it creates the
// schema or runs any statement on its tables: sqlite3 refuses to create a table whose collation
// it does not know, and a trigger that calls an unknown function fails its statement.
//
// Contract:
// * RegisterErpSqlFunctions registers, on the given connection only:
//   - collation ERPTEXT: ASCII letters compare without regard to case, trailing blanks (spaces)
//     are ignored, all other bytes (UTF-8 included) compare as unsigned bytes; like the server's
//     default text comparison;
//   - NEWID(): a new random GUID as upper-case text "XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX",
//     different on every call (not deterministic);
//   - GETDATE(): the local time as text "yyyy-mm-dd hh:mm:ss.mmm", read anew on every call;
//   - ROWVERSION_BLOB(n): the 8-byte big-endian BLOB of the integer n (two's complement), so
//     that BLOB order is numeric order for n >= 0; NULL gives NULL.
//   - IS_ERP_DATETIME(x): 1 when the server would store x in a DATETIME column, else 0: NULL,
//     a number, the empty text, or text "yyyy-mm-dd", "yyyy/mm/dd" or "yyyymmdd" naming a real
//     day from 1753-01-01 to 9999-12-31, alone or followed by " " or "T" and a time
//     "hh:mm[:ss[.fffffff]]", or such a time alone (blanks around are ignored). The schema's
//     triggers refuse any other value in every DATETIME column, as the server refuses it.
//   Function names are case-insensitive in SQL (GetDate() works). All are flagged innocuous, so
//   the schema's triggers and defaults may use them whatever the connection's trust setting.
//   Registering again replaces the earlier registration.
// * Failure: a null connection, or sqlite refusing a registration, throws std::runtime_error
//   carrying sqlite's message; registrations made before the failure stay.
// * Threads: call it on the thread that uses the connection, before the connection is shared.
//   The functions themselves keep no state and may run on any thread.
#ifndef CORVANE_ERPDB_SQL_FUNCTIONS_H_
#define CORVANE_ERPDB_SQL_FUNCTIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_value;

namespace corvane::erpdb {

// Registers ERPTEXT, NEWID(), GETDATE(), ROWVERSION_BLOB() and IS_ERP_DATETIME() on `db`
// (not owned).
void RegisterErpSqlFunctions(sqlite3* db);

// IS_ERP_DATETIME for text, and for any SQLite value.
bool IsErpDateTimeText(std::string_view text);
bool IsErpDateTime(sqlite3_value* value);

// The ERPTEXT order for callers outside SQL (for example a filter over rows already fetched):
// negative, zero or positive as `a` sorts before, equal to or after `b`.
int CompareErpText(std::string_view a, std::string_view b);

// The text NEWID() returns: a fresh random GUID, upper case, 8-4-4-4-12.
std::string NewGuidText();

// The GUID text of 16 random bytes, after setting their version-4 and variant bits.
std::string GuidText(unsigned char (&bytes)[16]);

// The bytes ROWVERSION_BLOB(n) returns, as an 8-character string (big-endian).
std::string RowVersionBytes(std::int64_t n);

}  // namespace corvane::erpdb

#endif  // CORVANE_ERPDB_SQL_FUNCTIONS_H_

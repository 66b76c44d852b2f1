// T-SQL to SQLite dialect layer of the embedded database backend.
//
// The component writes its SQL as SQL Server would read it: plain text built by concatenation,
// sometimes several statements in one text without ";". The SQLite backend passes every text
// through TranslateTsql before it prepares anything. The SQL Server backend never calls it.
//
// Contract:
// - The result holds the SQLite statements, in order, that the text stands for: normally one,
//   several when the text holds several statements (split at ";" and at top-level statement
//   starts), none when the text holds only blanks, comments and ";".
// - Nothing inside a string literal ('...' and N'...'), a quoted identifier ("..." and [...])
//   or a comment (-- and nested /* */) is rewritten; [name] becomes "name" and N'text' becomes
//   'text' with their content kept.
// - What the rewriter does not recognise passes through unchanged, so that SQLite's own error
//   names what it refused. It throws nothing but std::bad_alloc.
// - Rewrites: SELECT TOP n -> LIMIT n at the end of that SELECT (arms of UNION/EXCEPT/INTERSECT
//   are wrapped as "SELECT * FROM (... LIMIT n)"); 0x.. binary literals -> X'..' padded on the
//   left to 16 hex digits (8-byte row versions), longer ones to an even count; ISNULL -> IFNULL;
//   LEN(x) -> LENGTH(RTRIM(x)); CHARINDEX(a,b) -> INSTR(UPPER(b),UPPER(a)); CONVERT(type,x) and
//   CAST(x AS type) to SQLite types (date-time types keep the value, which the database stores
//   as text) when type is a known name with an optional (n), (n,m) or (max), n and m digits;
//   any other type argument leaves the whole call as it is;
//   SELECT alias=expr -> SELECT expr AS alias; digits glued to a word get a blank; table hints
//   WITH (NOLOCK) and (NOLOCK) are dropped; !< and !> become >= and <=; a "+" chain in which
//   a string literal is an operand of "+" becomes a "||" chain.
// - NEWID() and GetDate() stay function calls; the backend registers them.
// - T-SQL variables (@BillInterID) stay as they are. SQLite reads them as bind parameters, so
//   the backend must refuse a prepared statement that has any (sqlite3_bind_parameter_count),
//   as SQL Server refuses an undeclared variable.
// - Procedural texts (starting with IF, BEGIN, DECLARE, WHILE or CREATE TRIGGER) are not split.
//
// Threads: a pure function of its argument; any thread may call it at any time.

#ifndef CORVANE_PLATFORM_DB_TSQL_DIALECT_H_
#define CORVANE_PLATFORM_DB_TSQL_DIALECT_H_

#include <string>
#include <string_view>
#include <vector>

namespace corvane::db {

// Returns the SQLite statements that the T-SQL text stands for, in the order they must run.
std::vector<std::string> TranslateTsql(std::string_view tsql);

}  // namespace corvane::db

#endif  // CORVANE_PLATFORM_DB_TSQL_DIALECT_H_

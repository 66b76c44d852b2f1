// "ZuMConnection.Connection": the ERP's connection component. It takes the
// OLE DB connection string of an account database and answers SQL text with
// record sets. All SQL the component writes goes through it, as plain text.
//
// Record sets are static client-side cursors: every row is fetched when the
// statement runs, so a record set stays readable after its connection is
// closed or released, and its RecordCount is exact wherever the cursor stands.
//
// A connection and its record sets belong to the thread that created them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kConnectionProgId = "ZuMConnection.Connection";

// Error numbers of the data access layer that callers may meet.
namespace err {
inline constexpr int32_t kNoCurrentRecord = 3021;     // BOF or EOF is True
inline constexpr int32_t kBadArguments = 3001;        // e.g. a Filter that cannot be read
inline constexpr int32_t kItemNotFound = 3265;        // no field of that name or ordinal
inline constexpr int32_t kObjectClosed = 3704;        // the record set is closed
inline constexpr int32_t kStatementFailed = -2147217900;  // the database refused a statement
inline constexpr int32_t kCannotOpen = -2147467259;       // the database cannot be opened
}  // namespace err

class IRecordSet : public virtual Object {
 public:
  // The cursor stands after the last row (Eof) or before the first (Bof); both
  // are true for a record set without rows.
  virtual bool Eof() const = 0;
  virtual bool Bof() const = 0;

  virtual int32_t FieldCount() const = 0;
  virtual std::string FieldName(int32_t index) const = 0;
  // The value of a field of the current row, by name (without regard to case;
  // the first of two equal names) or by position from 0. No such field raises
  // 3265; no current row raises 3021.
  virtual const Variant& Fields(std::string_view name) const = 0;
  virtual const Variant& Fields(int32_t index) const = 0;

  // MoveNext at Eof raises 3021. MoveFirst and MoveLast on a record set
  // without rows leave it at Bof and Eof.
  virtual void MoveNext() = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveLast() = 0;
  // The number of rows the current filter lets through.
  virtual int32_t RecordCount() const = 0;

  // Selects among the fetched rows by criteria ("FName='x' AND FQty>2", "=",
  // "<>", "<", ">", "<=", ">=", LIKE with * or %, AND, OR, parentheses; text in
  // single quotes with doubled quotes inside; dates in #...#). "" clears the
  // filter. The cursor goes to the first row selected. Criteria that cannot be
  // read raise 3001 and leave the filter as it was.
  virtual void SetFilter(std::string_view criteria) = 0;
  virtual std::string Filter() const = 0;

  // Setting ActiveConnection to Nothing: the record set keeps its rows.
  virtual void DetachConnection() = 0;
  // Closes the record set; any later use raises 3704.
  virtual void Close() = 0;
};

using RecordSetPtr = std::shared_ptr<IRecordSet>;

// What one statement of a batch gave: its rows when it has columns; else,
// for an INSERT, UPDATE or DELETE, the number of rows it changed itself (rows
// that triggers changed are not counted), and -1 for any other statement.
struct StatementOutcome {
  RecordSetPtr rows;  // null when the statement has no columns
  int64_t rows_changed = -1;
};

class IConnection : public virtual Object {
 public:
  // Points the connection at the database the OLE DB connection string names;
  // an open database connection is closed first. Nothing is opened here.
  virtual void SetConnString(std::string_view conn_string) = 0;
  virtual std::string ConnString() const = 0;

  // Runs one SQL text (T-SQL) and returns its rows; opens the database when it
  // is not open. A statement without rows answers an empty record set. A
  // failing statement raises a RuntimeError whose description holds the
  // database's message and the statement. A text of several statements runs
  // them in order, each on its own as a server runs a batch (the rows are
  // those of the last statement that has columns); a caller that needs them
  // all or none runs them inside a transaction of its own.
  virtual RecordSetPtr GetAnyRecordSet(std::string_view sql) = 0;
  // The same contract as GetAnyRecordSet.
  virtual RecordSetPtr Execute(std::string_view sql) = 0;
  // Runs exactly one statement that only reads and returns its rows: for SQL
  // that carries text of the caller's (a Filter). A text that holds more than
  // one statement, or a statement that would write or is not a query, is
  // refused with a RuntimeError (kStatementFailed) before anything runs;
  // otherwise the contract of GetAnyRecordSet.
  virtual RecordSetPtr QueryReadOnly(std::string_view sql) = 0;

  // Runs a text of several statements in order, each on its own as
  // GetAnyRecordSet does, and hands `each` the outcome of every statement as
  // soon as it has run, so a caller sees every result set and every count of
  // changed rows, and what ran before a statement that fails (which raises as
  // in GetAnyRecordSet; the statements before it stay done). Answers the
  // number of statements run: 0 for a text of only blanks, comments and ";".
  virtual int32_t RunBatch(std::string_view sql,
                           const std::function<void(const StatementOutcome&)>& each) = 0;

  // The lowest row version that a transaction still open on the database may
  // yet commit (SQL Server's MIN_ACTIVE_ROWVERSION()), as Bytes: a page read
  // now that went past it could miss rows that commit later under lower
  // versions. Empty where every row version a reader can see was handed out
  // in commit order (the embedded account, whose writers are serialised).
  virtual Variant ActiveRowVersionFloor() { return Variant(); }

  // Closes the database connection; the object stays usable and opens again
  // on the next statement.
  virtual void CloseConn() = 0;
};

using ConnectionPtr = std::shared_ptr<IConnection>;

}  // namespace corvane

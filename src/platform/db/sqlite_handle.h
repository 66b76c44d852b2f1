// SqliteHandle: one open SQLite connection to an account database, with the
// ERP's SQL functions and collation registered and the T-SQL dialect
// translated. A text's literal values are bound as parameters (see
// statement_shape.h), and the translation and compiled statements of each
// shape are kept, with the names and declared kinds of their columns, so a
// statement that differs from an earlier one only in its values is neither
// translated nor compiled again. A shape that does not compile runs as
// written, so its error is the text's own.
//
// Answers of queries are kept by their text while what they read stays
// unchanged: a query that only reads, outside a transaction, and calls only
// functions whose answer depends on their arguments alone (no GETDATE,
// NEWID, random, date('now')) is answered from its kept rows as long as
// - no other connection committed since the rows were read: the database's
//   data version is read again for every such query (it sees other
//   connections' commits, other processes included), and a change drops
//   every kept answer;
// - no statement of this handle wrote a table the query reads. While a
//   statement compiles, the authorizer notes the tables it reads and the
//   tables it and its triggers write; a write drops the answers that read one
//   of its tables. A statement whose effect is more than table writes (DDL,
//   PRAGMA, ATTACH, a text of several statements) drops every kept answer,
//   and so does any change of this handle's change count that no noted write
//   accounts for, or SQLite compiling a statement again by itself (the schema
//   changed, so its tables may have).
// So a change shows in the very next query.
//
// HandlePool keeps open handles per database file for the thread that opened
// them, so that the many short-lived connections of key lookups cost a cache
// hit instead of an open: the ERP's connection component pools its sessions
// the same way. A pooled handle is handed out again only while the file is
// still the same file (device and inode), so a database file that was replaced
// is opened anew.
//
// Both belong to one thread: the pool is thread-local, and a handle is used
// by one connection object at a time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame/outside/connection.h"
#include "platform/db/column_kind.h"
#include "platform/db/conn_string.h"
#include "platform/db/record_filter.h"  // Row
#include "platform/db/static_record_set.h"  // RecordTable
#include "platform/db/statement_shape.h"

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::db {


class SqliteHandle {
 public:
  // Opens an existing account database (never creates one) and makes sure it
  // is in WAL mode, switching a file that is not. The busy timeout applies to
  // the whole open, the switch included: another writer's lock is waited for
  // up to the timeout. Raises a RuntimeError naming the file when it does not
  // exist, cannot be opened, is not a database or stays locked.
  explicit SqliteHandle(const ConnectionSettings& settings);
  ~SqliteHandle();
  SqliteHandle(const SqliteHandle&) = delete;
  SqliteHandle& operator=(const SqliteHandle&) = delete;

  // Runs one T-SQL text and returns the rows of its last statement that has
  // columns (an empty record set when none has). A failing statement raises a
  // RuntimeError with the database's message and the statement.
  RecordSetPtr Run(std::string_view tsql);
  // Runs a T-SQL text that must be exactly one query that only reads (SELECT,
  // WITH or VALUES, and sqlite3_stmt_readonly), and returns its rows. Any
  // other text raises a RuntimeError with the statement before anything runs.
  RecordSetPtr RunReadOnly(std::string_view tsql);
  // Runs each statement of a T-SQL text in order and hands `each` its
  // outcome (IConnection::RunBatch); answers the number of statements run.
  int32_t RunEach(std::string_view tsql, const std::function<void(const StatementOutcome&)>& each);

  // Ends a transaction a caller left open, so the handle can be pooled.
  void RollBackOpenTransaction();
  // Whether a transaction is open on the handle.
  bool InTransaction() const;

  const std::string& path() const { return path_; }
  bool SameFileAs(dev_t device, ino_t inode) const { return device_ == device && inode_ == inode; }
  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }
  void set_busy_timeout(int ms);
  // Whether literal values are bound as parameters (the default). Off, every
  // text runs as written: the two must answer alike.
  void set_bind_values(bool on) { bind_values_ = on; }
  // Whether answers are kept (the default). Off, every query runs.
  void set_keep_answers(bool on) {
    keep_answers_ = on;
    DropKeptAnswers();
  }
  // The number of queries answered from kept rows (for tests and benchmarks).
  size_t kept_answers_used() const { return kept_answers_used_; }

 private:
  // Runs a journal_mode pragma; `mode` gets the mode it answers.
  int JournalMode(const char* pragma, std::string& mode, std::string& message);
  // Puts the file in WAL mode unless it is; false, with SQLite's message, when
  // it cannot within `busy_timeout_ms`.
  bool UseWal(int busy_timeout_ms, std::string& message);

  // One SQLite statement of a text, compiled on first use.
  struct Compiled {
    std::string sql;               // as translated
    sqlite3_stmt* stmt = nullptr;  // null until compiled
    std::vector<std::string> names;  // of its columns
    std::vector<ColumnKind> kinds;
    std::vector<size_t> value_of_parameter;  // parameter i + 1 takes values[...[i]]
    bool query = false;       // a query that only reads (SELECT, WITH or VALUES)
    bool repeatable = false;  // calls no function whose answer can change by itself
    // The tables it reads, and those it and its triggers write (table ids).
    std::shared_ptr<const std::vector<uint32_t>> reads;
    std::vector<uint32_t> writes;
    bool only_table_writes = false;  // changes nothing but the rows of `writes`
  };
  // What a statement reads and does, noted by the authorizer while it compiles.
  struct Access {
    bool repeatable = true;
    bool only_table_writes = true;
    std::vector<uint32_t> reads, writes;
  };
  // The statements of one text or shape, in order. A text of one statement
  // is compiled at once; the statements of a longer text are compiled each
  // just before it runs, so that one may use what an earlier one created,
  // and one that fails to compile fails after those before it ran.
  struct CompiledText {
    std::vector<Compiled> statements;
    bool as_written = false;  // the shape is of no use: run the text itself
  };

  // The statements of `text` (a shape with `values` parameters, or a text as
  // written with none), translated on first use. `tsql` is the text as
  // given, for the messages. With `one_query`, a text that translates to more
  // than one statement is refused before anything is compiled. Null for a
  // shape of more than one statement: such a text runs as written.
  CompiledText* Compile(const std::string& text, size_t values, std::string_view tsql,
                        bool one_query);
  // Compiles one statement; raises the database's error, naming `tsql`.
  void Prepare(Compiled& c, size_t values, std::string_view tsql);
  // The statements for `tsql`, shaped into shape_ when it can be; `values` is
  // the values to bind (none when the text runs as written).
  CompiledText& CompileText(std::string_view tsql, bool one_query,
                            const std::vector<ShapeValue>*& values);
  void ForgetCompiled();
  // Compiles the statement if it is not, binds the values, steps it to its
  // end and resets it; its column names and rows replace `names` and `rows`
  // when it has columns.
  void Collect(Compiled& c, const std::vector<ShapeValue>& values, std::string_view tsql,
               std::vector<std::string>& names, std::vector<Row>& rows);
  // The authorizer of the handle: while a statement compiles (`compiling_`
  // set), notes what it reads and does into it; at any other time SQLite is
  // compiling a statement again by itself, which `schema_moved_` notes.
  static int Authorize(void* handle, int action, const char* first, const char* second,
                       const char* database, const char* trigger);
  uint32_t TableId(const char* table);
  // The data version as only other connections' commits move it (PRAGMA
  // data_version), read afresh; also learns how the file's own version
  // (SQLITE_FCNTL_DATA_VERSION, which this handle's commits move too) stands
  // to it.
  uint32_t ReadOthersVersion();
  // Drops every kept answer when another connection committed since they were
  // read (`others` differs) or this handle's change count moved without a
  // noted write; then makes `others` theirs.
  void CheckKeptAnswers(uint32_t others);
  void DropKeptAnswers();
  static size_t ValuesOf(const RecordTable& table);
  // Marks the tables of a write as written now, so answers that read them go.
  void NoteWrites(const std::vector<uint32_t>& tables);
  // After SQLite compiled a statement again by itself: drops every kept answer
  // and every compiled statement, so what each reads and writes is noted anew.
  void ForgetAfterSchemaMoved();
  RecordSetPtr RunText(std::string_view tsql, bool read_only);

  sqlite3* db_ = nullptr;
  std::string path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::unordered_map<std::string, CompiledText> compiled_;
  StatementShape shape_;  // of the text being run
  bool bind_values_ = true;
  bool keep_answers_ = true;
  sqlite3_stmt* data_version_ = nullptr;  // PRAGMA data_version
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  struct KeptAnswer {
    std::shared_ptr<const RecordTable> rows;
    std::shared_ptr<const std::vector<uint32_t>> reads;  // the tables it read
    uint64_t kept_at = 0;                                 // write_tick_ when read
  };
  std::unordered_map<std::string, KeptAnswer, TextHash, std::equal_to<>> answers_;
  uint32_t answers_version_ = 0;   // others' data version when the kept answers were read
  int64_t accounted_changes_ = 0;  // this handle's change count as of its last noted write
  uint32_t version_offset_ = 0;    // file's own data version minus others' version
  bool offset_known_ = false;      // false after a statement that may have committed
  size_t kept_values_ = 0;  // in all kept answers
  size_t kept_answers_used_ = 0;
  std::unordered_map<std::string, uint32_t> table_ids_;  // by lower-case name
  std::vector<uint64_t> table_written_at_;               // write_tick_ of each table's last write
  uint64_t write_tick_ = 0;
  Access* compiling_ = nullptr;  // set while a statement compiles
  bool schema_moved_ = false;
};

// The idle handles of this thread.
class HandlePool {
 public:
  // A handle on the settings' database: an idle one of the same file, or a
  // newly opened one.
  static std::unique_ptr<SqliteHandle> Acquire(const ConnectionSettings& settings);
  // Gives a handle back; it is kept open for the next Acquire of its file
  // (up to a few per file) or closed.
  static void Release(std::unique_ptr<SqliteHandle> handle);
  // Closes every idle handle of this thread.
  static void CloseIdle();
  // The number of idle handles of this thread (for tests and benchmarks).
  static size_t IdleCount();
};

}  // namespace corvane::db

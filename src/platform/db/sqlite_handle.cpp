#include "platform/db/sqlite_handle.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "erpdb/sql_functions.h"
#include "frame/call_context.h"
#include "platform/db/static_record_set.h"
#include "platform/db/statement_shape.h"
#include "platform/db/tsql_dialect.h"
#include "platform/db/tsql_lexer.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

constexpr const char* kSource = "ZuMConnection.Connection";
constexpr size_t kCacheLimit = 256;   // statements and translations kept per handle
constexpr size_t kIdlePerFile = 4;    // idle handles kept per database file
constexpr size_t kAnswerLimit = 4096;    // kept answers per handle
constexpr size_t kAnswerRows = 16;       // the most rows of an answer that is kept
constexpr size_t kAnswerValues = 16384;  // the most values kept per handle, all answers

// Functions whose answer depends on their arguments alone. A query calling
// any other (GETDATE, NEWID, random, date('now'), changes()) is never kept.
bool IsRepeatableFunction(std::string_view name) {
  static constexpr std::string_view kRepeatable[] = {
      "abs",     "avg",     "char",    "coalesce", "count",   "format",       "glob",
      "group_concat", "hex", "ifnull", "iif",      "instr",   "length",       "like",
      "likelihood", "likely", "lower", "ltrim",    "max",     "min",          "nullif",
      "printf",  "quote",   "replace", "round",    "rtrim",   "substr",       "substring",
      "sum",     "total",   "trim",    "typeof",   "unicode", "unlikely",     "upper",
      "zeroblob", "rowversion_blob", "is_erp_datetime"};
  for (std::string_view f : kRepeatable)
    if (EqualsIgnoreCase(f, name)) return true;
  return false;
}

[[noreturn]] void Fail(int32_t number, const std::string& what) {
  throw RuntimeError(number, kSource, what);
}

using Kind = ColumnKind;

Variant IntegerValue(sqlite3_int64 n) {
  if (n >= INT32_MIN && n <= INT32_MAX) return Variant(static_cast<int32_t>(n));
  return Variant(static_cast<double>(n));
}

Variant StoredValue(sqlite3_stmt* stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_NULL: return Variant::Null();
    case SQLITE_INTEGER: return IntegerValue(sqlite3_column_int64(stmt, col));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB: {
      const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, col));
      return Variant(Bytes(p, p + sqlite3_column_bytes(stmt, col)));
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      return Variant(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
    }
  }
}

// The value of a column typed by its declared type. A stored value that does
// not fit its column's type (text in an INT column) is returned as stored.
Variant ColumnValue(sqlite3_stmt* stmt, int col, Kind kind) {
  const int storage = sqlite3_column_type(stmt, col);
  if (storage == SQLITE_NULL) return Variant::Null();
  switch (kind) {
    case Kind::Integer:
      if (storage == SQLITE_INTEGER) return IntegerValue(sqlite3_column_int64(stmt, col));
      if (storage == SQLITE_FLOAT) return Variant(sqlite3_column_double(stmt, col));
      break;
    case Kind::Boolean:
      if (storage == SQLITE_INTEGER) return Variant(sqlite3_column_int64(stmt, col) != 0);
      break;
    case Kind::Real:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
        return Variant(sqlite3_column_double(stmt, col));
      break;
    case Kind::Text:
      if (storage != SQLITE_BLOB) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        return Variant(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
      }
      break;
    case Kind::DateTime:
      if (storage == SQLITE_TEXT) {
        const std::string text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                               static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
        // The server stores '' in a date column as its day 0, 1900-01-01.
        if (Trim(text).empty()) return Variant(MakeDate(1900, 1, 1));
        try {
          return Variant(CDate(Variant(text)));
        } catch (const RuntimeError&) {
          break;
        }
      }
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)  // days since 1900-01-01
        return Variant(Date{sqlite3_column_double(stmt, col) + 2});
      break;
    case Kind::Blob:
    case Kind::ByStorage:
      break;
  }
  return StoredValue(stmt, col);
}

struct FileId {
  dev_t device;
  ino_t inode;
};

FileId IdentifyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int error = errno;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path + "\": " +
                               (error == ENOENT ? std::string("the file does not exist")
                                                : std::string(std::strerror(error))));
  }
  if (!S_ISREG(st.st_mode))
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path + "\": not a file");
  return {st.st_dev, st.st_ino};
}

// Whether an SQLite statement text starts with SELECT, WITH or VALUES: the
// statements that can only query.
bool IsQueryText(std::string_view sql) {
  const std::string word = FirstWordOf(sql);
  return word == "SELECT" || word == "WITH" || word == "VALUES";
}

// Whether a statement without columns is one that changes rows (a WITH
// without columns ends in one of them).
bool ChangesRows(std::string_view sql) {
  const std::string word = FirstWordOf(sql);
  return word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "REPLACE" ||
         word == "WITH";
}

}  // namespace

SqliteHandle::SqliteHandle(const ConnectionSettings& settings) : path_(settings.data_source) {
  const FileId id = IdentifyFile(path_);
  device_ = id.device;
  inode_ = id.inode;
  const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + msg);
  }
  // The busy timeout comes before any statement, the journal mode included.
  set_busy_timeout(settings.busy_timeout_ms);
  sqlite3_set_authorizer(db_, Authorize, this);
  try {
    erpdb::RegisterErpSqlFunctions(db_);
  } catch (const std::exception& e) {
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + e.what());
  }
  std::string message;
  if (!UseWal(settings.busy_timeout_ms, message)) {
    sqlite3_close(db_);
    db_ = nullptr;
    Fail(err::kCannotOpen, "Cannot open the account database \"" + path_ + "\": " + message);
  }
}

int SqliteHandle::JournalMode(const char* pragma, std::string& mode, std::string& message) {
  mode.clear();
  char* error = nullptr;
  const int rc = sqlite3_exec(
      db_, pragma,
      [](void* out, int columns, char** values, char**) {
        if (columns > 0 && values[0]) *static_cast<std::string*>(out) = values[0];
        return 0;
      },
      &mode, &error);
  message = error ? error : (rc == SQLITE_OK ? "" : sqlite3_errmsg(db_));
  sqlite3_free(error);
  return rc;
}

bool SqliteHandle::UseWal(int busy_timeout_ms, std::string& message) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(busy_timeout_ms, 0));
  // Reading the journal mode reads the file header: a file that is not a
  // database fails here rather than at the first statement. This read waits
  // for a writer through the busy handler like any other.
  std::string mode;
  if (JournalMode("PRAGMA journal_mode", mode, message) != SQLITE_OK) return false;
  if (mode == "wal") return true;
  // The switch needs the file to itself, and SQLite does not call the busy
  // handler for it (the connection holds its read lock by then, and waiting
  // could deadlock), so a busy switch is tried again until the timeout ends.
  for (;;) {
    const int rc = JournalMode("PRAGMA journal_mode=WAL", mode, message);
    if (rc == SQLITE_OK) return true;
    const int primary = rc & 0xFF;
    const Clock::time_point now = Clock::now();
    if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || now >= deadline) return false;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(std::chrono::milliseconds(10), deadline - now));
  }
}

SqliteHandle::~SqliteHandle() {
  ForgetCompiled();
  sqlite3_finalize(data_version_);
  sqlite3_close(db_);
}

void SqliteHandle::set_busy_timeout(int ms) { sqlite3_busy_timeout(db_, ms); }

bool SqliteHandle::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void SqliteHandle::RollBackOpenTransaction() {
  if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  offset_known_ = false;
}

void SqliteHandle::ForgetCompiled() {
  for (auto& [text, compiled] : compiled_)
    for (const Compiled& c : compiled.statements) sqlite3_finalize(c.stmt);
  compiled_.clear();
}

void SqliteHandle::Prepare(Compiled& c, size_t values, std::string_view tsql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  Access access;
  compiling_ = &access;
  const int rc = sqlite3_prepare_v3(db_, c.sql.c_str(), static_cast<int>(c.sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
  compiling_ = nullptr;
  if (rc != SQLITE_OK) {
    const std::string msg = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed, msg + " in statement: " + std::string(tsql));
  }
  if (!stmt) return;  // only blanks or comments
  if (tail && std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed,
         "more than one statement in one text could not be separated in statement: " +
             std::string(tsql));
  }
  // Parameters are the shape's values; any other is a variable nobody set.
  const int parameters = sqlite3_bind_parameter_count(stmt);
  std::vector<size_t> value_of_parameter(static_cast<size_t>(parameters));
  for (int p = 1; p <= parameters; ++p) {
    const char* raw_name = sqlite3_bind_parameter_name(stmt, p);
    size_t k = 0;
    if (raw_name && raw_name[0] == '?') k = std::strtoul(raw_name + 1, nullptr, 10);
    if (k >= 1 && k <= values) {
      value_of_parameter[static_cast<size_t>(p - 1)] = k - 1;
      continue;
    }
    const std::string name = raw_name ? raw_name : "?";  // owned by the statement
    sqlite3_finalize(stmt);
    Fail(err::kStatementFailed, "Must declare the scalar variable \"" + name +
                                    "\" in statement: " + std::string(tsql));
  }
  c.stmt = stmt;
  c.value_of_parameter = std::move(value_of_parameter);
  const int columns = sqlite3_column_count(stmt);
  c.names.resize(static_cast<size_t>(columns));
  c.kinds.resize(static_cast<size_t>(columns));
  for (int col = 0; col < columns; ++col) {
    const char* name = sqlite3_column_name(stmt, col);
    c.names[col] = name ? name : "";
    const char* declared = sqlite3_column_decltype(stmt, col);
    c.kinds[col] = KindOfDeclaredType(declared ? declared : "");
  }
  c.query = columns > 0 && IsQueryText(c.sql) && sqlite3_stmt_readonly(stmt);
  c.repeatable = access.repeatable;
  auto unique = [](std::vector<uint32_t>& ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  };
  unique(access.reads);
  unique(access.writes);
  c.reads = std::make_shared<const std::vector<uint32_t>>(std::move(access.reads));
  c.writes = std::move(access.writes);
  c.only_table_writes = access.only_table_writes;
}

SqliteHandle::CompiledText* SqliteHandle::Compile(const std::string& text, size_t values,
                                                  std::string_view tsql, bool one_query) {
  auto it = compiled_.find(text);
  if (it != compiled_.end()) return &it->second;
  std::vector<std::string> statements = TranslateTsql(text);
  if (one_query && statements.size() != 1) {
    Fail(err::kStatementFailed,
         "A read-only query must be exactly one statement; refused a text of " +
             std::to_string(statements.size()) + " statements: " + std::string(tsql));
  }
  if (statements.size() > 1 && values > 0) return nullptr;
  CompiledText entry;
  for (std::string& sql : statements) {
    Compiled c;
    c.sql = std::move(sql);
    entry.statements.push_back(std::move(c));
  }
  if (entry.statements.size() == 1) {
    Prepare(entry.statements.front(), values, tsql);
    if (!entry.statements.front().stmt) entry.statements.clear();  // only blanks or comments
  }
  if (compiled_.size() >= kCacheLimit) ForgetCompiled();
  return &compiled_.emplace(text, std::move(entry)).first->second;
}

SqliteHandle::CompiledText& SqliteHandle::CompileText(std::string_view tsql, bool one_query,
                                                      const std::vector<ShapeValue>*& values) {
  static const std::vector<ShapeValue> kNone;
  values = &kNone;
  // A text that is not shaped is left in shape_.text by ShapeStatement.
  const bool shaped = bind_values_ && ShapeStatement(tsql, shape_);
  if (shaped) {
    auto it = compiled_.find(shape_.text);
    if (it == compiled_.end()) {
      CompiledText* c = nullptr;
      try {
        c = Compile(shape_.text, shape_.values.size(), tsql, one_query);
      } catch (const RuntimeError&) {
        // Where the text fails, it fails with its own error.
      }
      if (c) {
        values = &shape_.values;
        return *c;
      }
      // Run the text as written from now on.
      if (compiled_.size() >= kCacheLimit) ForgetCompiled();
      compiled_[shape_.text].as_written = true;
    } else if (!it->second.as_written) {
      values = &shape_.values;
      return it->second;
    }
  }
  if (shaped || !bind_values_) shape_.text.assign(tsql);
  return *Compile(shape_.text, 0, tsql, one_query);
}

void SqliteHandle::Collect(Compiled& c, const std::vector<ShapeValue>& values,
                           std::string_view tsql, std::vector<std::string>& names,
                           std::vector<Row>& rows) {
  if (!c.stmt) Prepare(c, values.size(), tsql);
  sqlite3_stmt* stmt = c.stmt;
  if (!stmt) return;  // only blanks or comments
  for (size_t p = 0; p < c.value_of_parameter.size(); ++p) {
    const ShapeValue& v = values[c.value_of_parameter[p]];
    const int index = static_cast<int>(p + 1);
    switch (v.type) {
      case ShapeValue::Type::Integer: sqlite3_bind_int64(stmt, index, v.integer); break;
      case ShapeValue::Type::Real: sqlite3_bind_double(stmt, index, v.real); break;
      case ShapeValue::Type::Text:
        // The value outlives the statement's run: every run binds again.
        sqlite3_bind_text(stmt, index, v.text.data(), static_cast<int>(v.text.size()),
                          SQLITE_STATIC);
        break;
    }
  }
  const size_t columns = c.names.size();
  std::vector<Row> these_rows;
  int rc;
  try {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      Row row(columns);
      for (size_t col = 0; col < columns; ++col)
        row[col] = ColumnValue(stmt, static_cast<int>(col), c.kinds[col]);
      these_rows.push_back(std::move(row));
    }
  } catch (...) {
    sqlite3_reset(stmt);  // a cached statement must not stay half-stepped
    throw;
  }
  if (rc != SQLITE_DONE) {
    const std::string msg = sqlite3_errmsg(db_);
    sqlite3_reset(stmt);
    Fail(err::kStatementFailed, msg + " in statement: " + std::string(tsql));
  }
  sqlite3_reset(stmt);
  if (columns > 0) {
    names = c.names;
    rows = std::move(these_rows);
  }
}

int SqliteHandle::Authorize(void* handle, int action, const char* first, const char* second,
                            const char*, const char*) {
  auto* self = static_cast<SqliteHandle*>(handle);
  Access* access = self->compiling_;
  if (!access) {
    // Not one of ours: SQLite compiling a statement again after the schema
    // changed (ROLLBACK and the data version pragma aside).
    if (action != SQLITE_TRANSACTION && action != SQLITE_PRAGMA) self->schema_moved_ = true;
    return SQLITE_OK;
  }
  switch (action) {
    case SQLITE_FUNCTION:  // `second` is the function's name
      if (!second || !IsRepeatableFunction(second)) access->repeatable = false;
      break;
    case SQLITE_READ:
      // SQLite writes its own tables (sqlite_sequence) without asking.
      if (!first || std::strncmp(first, "sqlite_", 7) == 0) access->repeatable = false;
      if (first) access->reads.push_back(self->TableId(first));
      break;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      if (first)
        access->writes.push_back(self->TableId(first));
      else
        access->only_table_writes = false;
      break;
    case SQLITE_SELECT:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
    case SQLITE_RECURSIVE:
      break;
    default:  // DDL, PRAGMA, ATTACH, ANALYZE, ...
      access->only_table_writes = false;
  }
  return SQLITE_OK;
}

uint32_t SqliteHandle::TableId(const char* table) {
  std::string name(table);
  for (char& ch : name)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  const auto [it, added] =
      table_ids_.emplace(std::move(name), static_cast<uint32_t>(table_ids_.size()));
  if (added) table_written_at_.push_back(0);
  return it->second;
}

uint32_t SqliteHandle::ReadOthersVersion() {
  if (!data_version_ && sqlite3_prepare_v3(db_, "PRAGMA data_version", -1,
                                           SQLITE_PREPARE_PERSISTENT, &data_version_,
                                           nullptr) != SQLITE_OK) {
    Fail(err::kStatementFailed, std::string(sqlite3_errmsg(db_)) + " in PRAGMA data_version");
  }
  const int rc = sqlite3_step(data_version_);
  const auto others = static_cast<uint32_t>(sqlite3_column_int64(data_version_, 0));
  sqlite3_reset(data_version_);
  if (rc != SQLITE_ROW)
    Fail(err::kStatementFailed, std::string(sqlite3_errmsg(db_)) + " in PRAGMA data_version");
  // Both as of the read the pragma just made; they differ by this handle's
  // own commits, which move the file's version only.
  unsigned int file = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &file);
  version_offset_ = static_cast<uint32_t>(file) - others;
  offset_known_ = true;
  return others;
}

void SqliteHandle::CheckKeptAnswers(uint32_t others) {
  const int64_t changes = sqlite3_total_changes64(db_);
  if (others == answers_version_ && changes == accounted_changes_) return;
  DropKeptAnswers();
  answers_version_ = others;
  accounted_changes_ = changes;
}

void SqliteHandle::DropKeptAnswers() {
  answers_.clear();
  kept_values_ = 0;
}

size_t SqliteHandle::ValuesOf(const RecordTable& table) {
  return table.rows.size() * std::max<size_t>(table.names.size(), 1);
}

void SqliteHandle::NoteWrites(const std::vector<uint32_t>& tables) {
  ++write_tick_;
  for (uint32_t t : tables) table_written_at_[t] = write_tick_;
}

void SqliteHandle::ForgetAfterSchemaMoved() {
  schema_moved_ = false;
  DropKeptAnswers();
  ForgetCompiled();
}

RecordSetPtr SqliteHandle::RunText(std::string_view tsql, bool read_only) {
  if (schema_moved_) ForgetAfterSchemaMoved();
  // Inside a transaction the handle's own uncommitted rows count: nothing
  // is answered from, or kept for, later.
  const bool may_keep = keep_answers_ && sqlite3_get_autocommit(db_);
  if (may_keep && !answers_.empty()) {
    auto kept = answers_.find(tsql);
    if (kept != answers_.end()) {
      CheckKeptAnswers(ReadOthersVersion());
      kept = answers_.find(tsql);
      if (kept != answers_.end()) {
        const KeptAnswer& answer = kept->second;
        const bool current =
            std::all_of(answer.reads->begin(), answer.reads->end(),
                        [&](uint32_t t) { return table_written_at_[t] <= answer.kept_at; });
        if (current) {
          ++kept_answers_used_;
          return std::make_shared<StaticRecordSet>(answer.rows);
        }
        kept_values_ -= ValuesOf(*answer.rows);
        answers_.erase(kept);
      }
    }
  }
  const std::vector<ShapeValue>* values = nullptr;
  CompiledText& compiled = CompileText(tsql, read_only, values);
  // A query has columns and starts as one; sqlite3_stmt_readonly alone lets
  // through statements that change the connection (BEGIN, ATTACH, PRAGMA).
  const bool one_query = compiled.statements.size() == 1 && compiled.statements.front().query;
  if (read_only && !one_query) {
    Fail(err::kStatementFailed,
         "A read-only query may only read; refused the statement: " + std::string(tsql));
  }
  const bool keep = may_keep && one_query && compiled.statements.front().repeatable;
  if (!one_query) {
    offset_known_ = false;  // it may commit, which moves the file's own version
    if (compiled.statements.size() == 1 && compiled.statements.front().only_table_writes)
      NoteWrites(compiled.statements.front().writes);
    else
      DropKeptAnswers();
  } else if (keep && !offset_known_) {
    // The version the rows are kept under is learnt before they are read: a
    // commit elsewhere in between only makes them look older than they are.
    CheckKeptAnswers(ReadOthersVersion());
  }
  auto table = std::make_shared<RecordTable>();
  for (Compiled& c : compiled.statements) Collect(c, *values, tsql, table->names, table->rows);
  if (!one_query) accounted_changes_ = sqlite3_total_changes64(db_);
  if (keep && table->rows.size() <= kAnswerRows && !schema_moved_) {
    // The query read in a transaction of its own that has ended: the file's
    // version is still the one of what it read.
    unsigned int file = 0;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &file);
    CheckKeptAnswers(static_cast<uint32_t>(file) - version_offset_);
    // Answers asked once (an export's entries of each order) would else pile
    // up: past the bounds, every kept answer goes and keeping starts again.
    const size_t values = ValuesOf(*table);
    if (answers_.size() >= kAnswerLimit || kept_values_ + values > kAnswerValues) DropKeptAnswers();
    kept_values_ += values;
    answers_.insert_or_assign(std::string(tsql),
                              KeptAnswer{table, compiled.statements.front().reads, write_tick_});
  }
  if (schema_moved_) ForgetAfterSchemaMoved();
  return std::make_shared<StaticRecordSet>(std::move(table));
}

RecordSetPtr SqliteHandle::Run(std::string_view tsql) { return RunText(tsql, false); }

int32_t SqliteHandle::RunEach(std::string_view tsql,
                              const std::function<void(const StatementOutcome&)>& each) {
  DropKeptAnswers();  // any of them may write
  offset_known_ = false;
  const std::vector<ShapeValue>* values = nullptr;
  CompiledText& compiled = CompileText(tsql, false, values);
  int32_t ran = 0;
  for (Compiled& c : compiled.statements) {
    auto table = std::make_shared<RecordTable>();
    Collect(c, *values, tsql, table->names, table->rows);
    if (!c.stmt) continue;  // only blanks or comments
    ++ran;
    StatementOutcome outcome;
    if (!c.names.empty()) {
      outcome.rows = std::make_shared<StaticRecordSet>(std::move(table));
    } else if (ChangesRows(sqlite3_sql(c.stmt))) {
      outcome.rows_changed = sqlite3_changes64(db_);
    }
    each(outcome);
  }
  accounted_changes_ = sqlite3_total_changes64(db_);
  if (schema_moved_) ForgetAfterSchemaMoved();
  return ran;
}

RecordSetPtr SqliteHandle::RunReadOnly(std::string_view tsql) { return RunText(tsql, true); }

namespace {

// The idle handles of one database file, and the file's identity as last
// read, in the public call it was read in.
struct IdleFile {
  std::vector<std::unique_ptr<SqliteHandle>> handles;
  bool identified = false;
  uint64_t identified_in_call = 0;
  FileId id{};
};

struct IdleHandles {
  std::unordered_map<std::string, IdleFile> by_path;
};

IdleHandles& ThisThreadIdle() {
  thread_local IdleHandles idle;
  return idle;
}

}  // namespace

std::unique_ptr<SqliteHandle> HandlePool::Acquire(const ConnectionSettings& settings) {
  IdleFile& file = ThisThreadIdle().by_path[settings.data_source];
  const uint64_t call = CallNumber();
  if (!file.handles.empty()) {
    // The file is identified once per public call: a file replaced during
    // a call is seen by the next one.
    if (!file.identified || file.identified_in_call != call) {
      try {
        file.id = IdentifyFile(settings.data_source);
      } catch (...) {
        file = IdleFile{};  // the file is gone: its idle handles are of no use
        throw;
      }
      file.identified = true;
      file.identified_in_call = call;
    }
    while (!file.handles.empty()) {
      std::unique_ptr<SqliteHandle> h = std::move(file.handles.back());
      file.handles.pop_back();
      if (h->SameFileAs(file.id.device, file.id.inode)) {
        h->set_busy_timeout(settings.busy_timeout_ms);
        return h;
      }
      // The file was replaced since this handle opened it: drop the handle.
    }
  }
  auto h = std::make_unique<SqliteHandle>(settings);
  file.id = {h->device(), h->inode()};  // read as the handle opened the file
  file.identified = true;
  file.identified_in_call = call;
  return h;
}

void HandlePool::Release(std::unique_ptr<SqliteHandle> handle) {
  if (!handle) return;
  handle->RollBackOpenTransaction();
  // A handle whose transaction could not be rolled back would keep the
  // write lock and show uncommitted rows to its next user: close it.
  if (handle->InTransaction()) return;
  auto& list = ThisThreadIdle().by_path[handle->path()].handles;
  if (list.size() < kIdlePerFile) list.push_back(std::move(handle));
}

void HandlePool::CloseIdle() { ThisThreadIdle().by_path.clear(); }

size_t HandlePool::IdleCount() {
  size_t n = 0;
  for (const auto& [path, file] : ThisThreadIdle().by_path) n += file.handles.size();
  return n;
}

}  // namespace corvane::db

#include "platform/db/odbc_handle.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <list>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/db/column_kind.h"
#include "platform/db/static_record_set.h"
#include "platform/db/tsql_dialect.h"
#include "platform/db/tsql_lexer.h"
#include "platform/win/module_folder.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

constexpr const char* kSource = "ZuMConnection.Connection";
constexpr size_t kIdlePerString = 4;  // idle handles kept per connection string

// The driver manager's environment: one for the process, made on first use.
SQLHENV Environment() {
  static SQLHENV env = [] {
    SQLHENV e = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e))) return SQLHENV{};
    SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return e;
  }();
  if (!env)
    throw RuntimeError(err::kCannotOpen, kSource, "The ODBC driver manager cannot be started");
  return env;
}

// The SQLSTATEs and messages of a handle's diagnostics, "[08001] ...; [...] ...".
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle, std::string* first_state = nullptr) {
  std::string text, last;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (first_state && first_state->empty()) *first_state = reinterpret_cast<char*>(state);
    const std::string record = "[" + std::string(reinterpret_cast<char*>(state)) + "] " +
                               reinterpret_cast<char*>(message);
    if (record == last) continue;  // drivers repeat a record at times
    if (!text.empty()) text += "; ";
    text += record;
    last = record;
  }
  return text.empty() ? "the driver gave no reason" : text;
}

// UTF-16 as the driver manager hands it (SQLWCHAR) to UTF-8.
std::string Utf8Of(const SQLWCHAR* p, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = p[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// How a column's values are read: by its declared type name, as the SQLite
// backend types them, and where the name says nothing, by its SQL type.
enum class Kind { Integer, Boolean, Real, Text, DateTime, Bytes };

Kind KindOf(const std::string& type_name, SQLSMALLINT sql_type) {
  switch (KindOfDeclaredType(type_name)) {
    case ColumnKind::Blob: return Kind::Bytes;
    case ColumnKind::DateTime: return Kind::DateTime;
    case ColumnKind::Boolean: return Kind::Boolean;
    case ColumnKind::Integer: return Kind::Integer;
    case ColumnKind::Text: return Kind::Text;
    case ColumnKind::Real: return Kind::Real;
    case ColumnKind::ByStorage: break;
  }
  switch (sql_type) {
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return Kind::Bytes;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE: return Kind::DateTime;
    case SQL_BIT: return Kind::Boolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return Kind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return Kind::Real;
    default: return Kind::Text;
  }
}

// Whether one statement is a query that only reads: it starts with SELECT or
// WITH, and no word that writes or declares follows (INTO, INSERT, EXEC, ...).
bool OnlyReads(std::string_view sql) {
  std::vector<Lexeme> lexemes;
  LexTsql(sql, lexemes);
  int depth = 0;
  bool first = true, ended = false;
  for (const Lexeme& l : lexemes) {
    if (!IsSignificant(l.kind)) continue;
    const std::string word =
        l.kind == TsqlKind::kWord ? UCase(sql.substr(l.begin, l.end - l.begin)) : std::string();
    if (ended) return false;  // anything after a ";" is another statement
    if (first) {
      if (word != "SELECT" && word != "WITH") return false;
      first = false;
      continue;
    }
    if (l.kind == TsqlKind::kOpen) ++depth;
    if (l.kind == TsqlKind::kClose) --depth;
    if (l.kind == TsqlKind::kSemicolon && depth == 0) ended = true;
    static constexpr const char* kWrites[] = {"INTO",   "INSERT", "UPDATE", "DELETE", "MERGE",
                                              "EXEC",   "EXECUTE", "CREATE", "DROP",  "ALTER",
                                              "TRUNCATE", "GRANT", "DECLARE", "SET"};
    for (const char* w : kWrites)
      if (word == w) return false;
    if (l.kind == TsqlKind::kBroken) return false;
  }
  return !first;
}

// Where the account's SQLite extension is: $CORVANE_SQLITE_EXTENSION, else
// beside the component's library (or in lib/ beside the program's folder).
std::string SqliteExtensionPath() {
  if (const char* path = std::getenv("CORVANE_SQLITE_EXTENSION"); path && *path) return path;
  const std::string folder = platform::ComponentModuleFolder();
  std::error_code ec;
  for (const std::string& candidate :
       {folder + "corvane_sqlite.so", folder + "../lib/corvane_sqlite.so"})
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  return folder + "corvane_sqlite.so";
}


}  // namespace

TransactionStatement TransactionStatementOf(std::string_view sql) {
  std::vector<Lexeme> lexemes;
  LexTsql(sql, lexemes);
  std::vector<std::string> words;
  for (const Lexeme& l : lexemes) {
    if (!IsSignificant(l.kind)) continue;
    if (l.kind == TsqlKind::kSemicolon) continue;
    if (l.kind != TsqlKind::kWord) return TransactionStatement::None;
    words.push_back(UCase(sql.substr(l.begin, l.end - l.begin)));
  }
  auto is_tran = [](const std::string& w) { return w == "TRAN" || w == "TRANSACTION"; };
  if (words.empty()) return TransactionStatement::None;
  if (words[0] == "BEGIN") {
    size_t i = 1;
    if (i < words.size() && (words[i] == "IMMEDIATE" || words[i] == "DEFERRED" || words[i] == "EXCLUSIVE"))
      ++i;
    return i + 1 == words.size() && is_tran(words[i]) ? TransactionStatement::Begin : TransactionStatement::None;
  }
  if (words[0] == "COMMIT" || words[0] == "ROLLBACK") {
    if (words.size() > 2 || (words.size() == 2 && !is_tran(words[1]) && words[1] != "WORK"))
      return TransactionStatement::None;
    return words[0] == "COMMIT" ? TransactionStatement::Commit : TransactionStatement::Rollback;
  }
  return TransactionStatement::None;
}

struct OdbcHandle::Handles {
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;
  ~Handles() {
    if (connected) SQLDisconnect(dbc);
    if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }
};

OdbcHandle::OdbcHandle(const OdbcSettings& settings)
    : h_(std::make_unique<Handles>()), password_(settings.password) {
  auto connect = [&](const std::string& text) {
    h_ = std::make_unique<Handles>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &h_->dbc)))
      throw RuntimeError(err::kCannotOpen, kSource, "No ODBC connection handle can be made");
    SQLSetConnectAttr(h_->dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
    SQLCHAR out[2048];
    SQLSMALLINT out_length = 0;
    const SQLRETURN rc =
        SQLDriverConnect(h_->dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                         SQL_NTS, out, sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      const std::string why = Diagnostics(SQL_HANDLE_DBC, h_->dbc);
      throw RuntimeError(err::kCannotOpen, kSource,
                         Redacted("Cannot connect to the account database through ODBC (" +
                                      (settings.driver.empty() ? std::string("a DSN")
                                                               : "driver " + settings.driver) +
                                      "): " + why,
                                  password_));
    }
    h_->connected = true;
  };
  connect(settings.connect);
  SQLCHAR name[128] = {};
  SQLSMALLINT length = 0;
  SQLGetInfo(h_->dbc, SQL_DBMS_NAME, name, sizeof name, &length);
  sqlite_ = EqualsIgnoreCase(reinterpret_cast<char*>(name), "SQLite");
  if (sqlite_ && UCase(settings.connect).find("LOADEXT=") == std::string::npos) {
    // The account's collation and functions come with the connection.
    connect(settings.connect + "LoadExt=" + SqliteExtensionPath() + ";");
  }
}

OdbcHandle::~OdbcHandle() = default;

void OdbcHandle::Fail(int32_t number, short handle_type, void* handle, std::string_view what) {
  std::string state;
  const std::string why = Diagnostics(handle_type, handle, &state);
  if (state.rfind("08", 0) == 0) broken_ = true;  // the connection is gone
  throw RuntimeError(number, kSource, Redacted(why + " in statement: " + std::string(what), password_));
}

void OdbcHandle::RunOne(const std::string& sql, std::string_view tsql, StatementOutcome& outcome) {
  // A server takes the transaction statements through the ODBC calls, so
  // that the driver knows the state.
  if (!sqlite_) {
    const TransactionStatement word = TransactionStatementOf(sql);
    if (word == TransactionStatement::Begin) {
      // Serializable: the checks a save makes inside its transaction hold
      // until it commits, as with the embedded account's single writer.
      SQLSetConnectAttr(h_->dbc, SQL_ATTR_TXN_ISOLATION,
                        reinterpret_cast<SQLPOINTER>(SQL_TXN_SERIALIZABLE), 0);
      if (!SQL_SUCCEEDED(SQLSetConnectAttr(h_->dbc, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
        Fail(err::kStatementFailed, SQL_HANDLE_DBC, h_->dbc, tsql);
      in_transaction_ = true;
      return;
    }
    if (word == TransactionStatement::Commit || word == TransactionStatement::Rollback) {
      if (!in_transaction_)
        throw RuntimeError(err::kStatementFailed, kSource,
                           "No transaction is open in statement: " + std::string(tsql));
      const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, h_->dbc,
                                      word == TransactionStatement::Commit ? SQL_COMMIT : SQL_ROLLBACK);
      in_transaction_ = false;
      SQLSetConnectAttr(h_->dbc, SQL_ATTR_AUTOCOMMIT,
                        reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
      if (!SQL_SUCCEEDED(rc)) Fail(err::kStatementFailed, SQL_HANDLE_DBC, h_->dbc, tsql);
      return;
    }
  }
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h_->dbc, &stmt)))
    Fail(err::kStatementFailed, SQL_HANDLE_DBC, h_->dbc, tsql);
  struct Free {
    SQLHSTMT s;
    ~Free() { SQLFreeHandle(SQL_HANDLE_STMT, s); }
  } free_stmt{stmt};
  auto* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str()));
  if (sqlite_) {
    // The SQLite driver would bind a variable nobody set as NULL.
    if (!SQL_SUCCEEDED(SQLPrepare(stmt, text, SQL_NTS)))
      Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
    SQLSMALLINT parameters = 0;
    SQLNumParams(stmt, &parameters);
    if (parameters > 0) {
      std::vector<Lexeme> lexemes;
      LexTsql(sql, lexemes);
      std::string name = "?";
      for (const Lexeme& l : lexemes)
        if (l.kind == TsqlKind::kWord && sql[l.begin] == '@') {
          name = sql.substr(l.begin, l.end - l.begin);
          break;
        }
      throw RuntimeError(err::kStatementFailed, kSource,
                         "Must declare the scalar variable \"" + name +
                             "\" in statement: " + std::string(tsql));
    }
    const SQLRETURN rc = SQLExecute(stmt);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
  } else {
    const SQLRETURN rc = SQLExecDirect(stmt, text, SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
  }
  // Every result of the statement (a server batch may give several); the
  // rows are those of the last that has columns.
  for (;;) {
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    if (columns > 0) {
      auto table = std::make_shared<RecordTable>();
      std::vector<Kind> kinds;
      for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
        SQLCHAR name[256] = {};
        SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeCol(stmt, c, name, sizeof name, &name_length, &type, &size, &digits, &nullable);
        SQLCHAR type_name[128] = {};
        SQLSMALLINT type_name_length = 0;
        SQLColAttribute(stmt, c, SQL_DESC_TYPE_NAME, type_name, sizeof type_name, &type_name_length,
                        nullptr);
        table->names.emplace_back(reinterpret_cast<char*>(name));
        kinds.push_back(KindOf(reinterpret_cast<char*>(type_name), type));
      }
      SQLRETURN rc;
      while (SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
        Row row(static_cast<size_t>(columns));
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
          const Kind kind = kinds[c - 1];
          Variant& value = row[c - 1];
          SQLLEN indicator = 0;
          switch (kind) {
            case Kind::Integer:
            case Kind::Boolean: {
              SQLBIGINT n = 0;
              if (!SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_SBIGINT, &n, sizeof n, &indicator)))
                Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
              if (indicator == SQL_NULL_DATA) value = Variant::Null();
              else if (kind == Kind::Boolean) value = Variant(n != 0);
              else if (n >= INT32_MIN && n <= INT32_MAX) value = Variant(static_cast<int32_t>(n));
              else value = Variant(static_cast<double>(n));
              break;
            }
            case Kind::Real: {
              double d = 0;
              if (!SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_DOUBLE, &d, sizeof d, &indicator)))
                Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
              value = indicator == SQL_NULL_DATA ? Variant::Null() : Variant(d);
              break;
            }
            case Kind::Bytes: {
              Bytes bytes;
              unsigned char chunk[4096];
              for (;;) {
                const SQLRETURN got = SQLGetData(stmt, c, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
                if (got == SQL_NO_DATA) break;
                if (!SQL_SUCCEEDED(got)) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
                if (indicator == SQL_NULL_DATA) break;
                const size_t n = indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof chunk)
                                     ? sizeof chunk
                                     : static_cast<size_t>(indicator);
                bytes.insert(bytes.end(), chunk, chunk + n);
                if (got == SQL_SUCCESS) break;
              }
              value = indicator == SQL_NULL_DATA ? Variant::Null() : Variant(std::move(bytes));
              break;
            }
            case Kind::DateTime:
              if (!sqlite_) {
                SQL_TIMESTAMP_STRUCT ts{};
                if (!SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator)))
                  Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
                value = indicator == SQL_NULL_DATA
                            ? Variant::Null()
                            : Variant(MakeDate(ts.year, ts.month, ts.day, ts.hour, ts.minute,
                                               ts.second + ts.fraction / 1e9));
                break;
              }
              [[fallthrough]];  // SQLite keeps dates as text: read as the embedded backend does
            case Kind::Text: {
              std::string text;
              SQLWCHAR chunk[2048];
              for (;;) {
                const SQLRETURN got = SQLGetData(stmt, c, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
                if (got == SQL_NO_DATA) break;
                if (!SQL_SUCCEEDED(got)) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
                if (indicator == SQL_NULL_DATA) break;
                const size_t room = sizeof chunk / sizeof chunk[0] - 1;  // one for the terminator
                const size_t n = indicator == SQL_NO_TOTAL ||
                                         indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > static_cast<SQLLEN>(room)
                                     ? room
                                     : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
                text += Utf8Of(chunk, n);
                if (got == SQL_SUCCESS) break;
              }
              if (indicator == SQL_NULL_DATA) {
                value = Variant::Null();
              } else if (kind == Kind::DateTime) {
                // The server stores '' in a date column as its day 0, 1900-01-01.
                if (Trim(text).empty()) {
                  value = Variant(MakeDate(1900, 1, 1));
                } else {
                  try {
                    value = Variant(CDate(Variant(text)));
                  } catch (const RuntimeError&) {
                    value = Variant(std::move(text));
                  }
                }
              } else {
                value = Variant(std::move(text));
              }
              break;
            }
          }
        }
        table->rows.push_back(std::move(row));
      }
      if (rc != SQL_NO_DATA) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
      outcome.rows = std::make_shared<StaticRecordSet>(std::move(table));
      outcome.rows_changed = -1;
    } else {
      SQLLEN count = -1;
      SQLRowCount(stmt, &count);
      const std::string word = FirstWordOf(sql);
      if (word == "INSERT" || word == "UPDATE" || word == "DELETE" || word == "MERGE")
        outcome.rows_changed = count;
    }
    const SQLRETURN more = SQLMoreResults(stmt);
    if (more == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(more)) Fail(err::kStatementFailed, SQL_HANDLE_STMT, stmt, tsql);
  }
}

RecordSetPtr OdbcHandle::Run(std::string_view tsql) {
  RecordSetPtr rows;
  RunEach(tsql, [&](const StatementOutcome& outcome) {
    if (outcome.rows) rows = outcome.rows;
  });
  return rows ? rows : std::make_shared<StaticRecordSet>(std::make_shared<RecordTable>());
}

RecordSetPtr OdbcHandle::RunReadOnly(std::string_view tsql) {
  // The statements as the dialect layer splits a T-SQL text, for a server
  // too: the refusal comes before anything runs.
  const std::vector<std::string> statements = TranslateTsql(tsql);
  if (statements.size() != 1)
    throw RuntimeError(err::kStatementFailed, kSource,
                       "A read-only query must be exactly one statement; refused a text of " +
                           std::to_string(statements.size()) + " statements: " + std::string(tsql));
  if (!OnlyReads(sqlite_ ? std::string_view(statements.front()) : tsql))
    throw RuntimeError(err::kStatementFailed, kSource,
                       "A read-only query may only read; refused the statement: " + std::string(tsql));
  return Run(tsql);
}

int32_t OdbcHandle::RunEach(std::string_view tsql,
                            const std::function<void(const StatementOutcome&)>& each) {
  std::vector<std::string> statements;
  if (sqlite_) {
    statements = TranslateTsql(tsql);
  } else {
    std::vector<Lexeme> lexemes;
    LexTsql(tsql, lexemes);
    if (std::any_of(lexemes.begin(), lexemes.end(),
                    [](const Lexeme& l) { return IsSignificant(l.kind); }))
      statements.emplace_back(tsql);  // the server runs a batch as it is
  }
  int32_t ran = 0;
  for (const std::string& sql : statements) {
    StatementOutcome outcome;
    RunOne(sql, tsql, outcome);
    ++ran;
    each(outcome);
  }
  return ran;
}

Variant OdbcHandle::ActiveRowVersionFloor() {
  if (!sqlite_) return Run("SELECT MIN_ACTIVE_ROWVERSION()")->Fields(0);
  const bool holds =
      CLng(Run("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='t_RowVersionHeld'")
               ->Fields(0)) > 0;
  return Run(std::string("SELECT ROWVERSION_BLOB(MIN(v)) FROM (SELECT FLast + 1 AS v FROM "
                         "t_RowVersionCounter WHERE FID = 1") +
             (holds ? " UNION ALL SELECT FVersion FROM t_RowVersionHeld" : "") + ")")
      ->Fields(0);
}

void OdbcHandle::RollBackOpenTransaction() {
  if (sqlite_) {
    try {
      SQLHSTMT stmt = SQL_NULL_HSTMT;
      if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h_->dbc, &stmt))) {
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("ROLLBACK")), SQL_NTS);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
      }
    } catch (...) {
    }
    return;
  }
  if (in_transaction_) {
    SQLEndTran(SQL_HANDLE_DBC, h_->dbc, SQL_ROLLBACK);
    SQLSetConnectAttr(h_->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    in_transaction_ = false;
  }
}

namespace {

struct IdleHandles {
  std::string connect;
  std::vector<std::unique_ptr<OdbcHandle>> handles;
};

std::list<IdleHandles>& Idle() {
  thread_local std::list<IdleHandles> idle;
  return idle;
}

}  // namespace

std::unique_ptr<OdbcHandle> OdbcPool::Acquire(const OdbcSettings& settings) {
  for (IdleHandles& entry : Idle()) {
    if (entry.connect != settings.connect || entry.handles.empty()) continue;
    std::unique_ptr<OdbcHandle> handle = std::move(entry.handles.back());
    entry.handles.pop_back();
    return handle;
  }
  return std::make_unique<OdbcHandle>(settings);
}

void OdbcPool::Release(const OdbcSettings& settings, std::unique_ptr<OdbcHandle> handle) {
  if (!handle || handle->broken()) return;  // closed here: a lost connection is not reused
  handle->RollBackOpenTransaction();
  if (handle->broken()) return;
  for (IdleHandles& entry : Idle()) {
    if (entry.connect != settings.connect) continue;
    if (entry.handles.size() < kIdlePerString) entry.handles.push_back(std::move(handle));
    return;
  }
  Idle().push_back({settings.connect, {}});
  Idle().back().handles.push_back(std::move(handle));
}

void OdbcPool::CloseIdle() { Idle().clear(); }

std::vector<OdbcDriver> InstalledOdbcDrivers() {
  std::vector<OdbcDriver> drivers;
  SQLHENV env = Environment();
  SQLCHAR description[256];
  SQLCHAR attributes[2048];
  SQLSMALLINT description_length = 0, attributes_length = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDrivers(env, direction, description, sizeof description,
                                  &description_length, attributes, sizeof attributes,
                                  &attributes_length))) {
    OdbcDriver driver{reinterpret_cast<char*>(description), {}};
    // "Key=value\0Key=value\0\0"
    for (const char* a = reinterpret_cast<char*>(attributes);
         *a && a < reinterpret_cast<char*>(attributes) + sizeof attributes; a += std::strlen(a) + 1) {
      const std::string_view pair(a);
      if (pair.size() > 7 && EqualsIgnoreCase(pair.substr(0, 7), "Driver="))
        driver.library = std::string(pair.substr(7));
    }
    drivers.push_back(std::move(driver));
    direction = SQL_FETCH_NEXT;
  }
  return drivers;
}

bool OdbcDriverLoads(const OdbcDriver& driver, std::string& why) {
  if (driver.library.empty()) {
    why = "odbcinst.ini names no Driver file for it";
    return false;
  }
  void* library = dlopen(driver.library.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!library && driver.library.find('/') == std::string::npos) {
    // A bare file name: the driver manager looks in the odbc folder beside
    // its own library.
    Dl_info manager{};
    if (dladdr(reinterpret_cast<void*>(&SQLDrivers), &manager) && manager.dli_fname) {
      const std::filesystem::path folder = std::filesystem::path(manager.dli_fname).parent_path();
      library = dlopen((folder / "odbc" / driver.library).c_str(), RTLD_LAZY | RTLD_LOCAL);
    }
  }
  if (!library) {
    const char* error = dlerror();
    why = error ? error : "it cannot be loaded";
    return false;
  }
  dlclose(library);
  return true;
}

}  // namespace corvane::db

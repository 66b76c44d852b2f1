#include "platform/db/account_connection_component.h"
#include "platform/db/odbc_connection.h"
#include "platform/db/odbc_handle.h"
#include "platform/db/sqlite_connection.h"
#include "platform/db/sqlite_handle.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "erpdb/account_db.h"
#include "frame/call_context.h"
#include "support/account_file.h"
#include "support/error_number.h"

namespace corvane::db {
namespace {

using corvane::testing::AccountFile;
using corvane::testing::ErrorNumberOf;

RuntimeError ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return RuntimeError(0);
}

// The journal mode of a database file, read on a connection of its own.
std::string JournalModeOf(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string mode;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return mode;
}

// The contract of the connection component, on the embedded backend, on the
// ODBC backend over the same account (SQLite's ODBC driver, which the test
// command installs) and, with CORVANE_TEST_SQLSERVER holding the connection
// string of a database of the tester's, on that database (SQL Server: the
// account schema is made there when it has none, and its tables are emptied
// before each test). Without the driver or the variable those cases skip,
// saying so.
class SqliteConnectionTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string backend = GetParam();
    if (backend == "odbc" || backend == "server") {
      const std::vector<OdbcDriver> drivers = InstalledOdbcDrivers();
      if (backend == "odbc" &&
          std::none_of(drivers.begin(), drivers.end(),
                       [](const OdbcDriver& d) { return d.name == "SQLite3"; }))
        GTEST_SKIP() << "the SQLite3 ODBC driver (libsqliteodbc) is not installed";
      const char* server = std::getenv("CORVANE_TEST_SQLSERVER");
      if (backend == "server" && (!server || !*server))
        GTEST_SKIP() << "CORVANE_TEST_SQLSERVER holds no connection string of a SQL Server database";
      conn_string_ = backend == "odbc" ? "Provider=MSDASQL;Driver=SQLite3;Database=" + account_.path()
                                       : std::string(server);
      OdbcConnection probe;
      probe.SetConnString(conn_string_);
      sqlite_ = probe.IsSqlite();
      probe.CloseConn();
    } else {
      conn_string_ = account_.ConnString();
    }
    connection_.SetConnString(conn_string_);
    if (backend == "server") EmptyAccount();
  }
  void TearDown() override {
    connection_.CloseConn();
    HandlePool::CloseIdle();
    OdbcPool::CloseIdle();
  }
  // A database of the tester's: the account's tables, made when missing, and
  // every row of them gone.
  void EmptyAccount() {
    try {
      Sql("SELECT COUNT(*) FROM t_BillNoRule");
    } catch (const RuntimeError&) {
      for (const std::string& batch : erpdb::SqlServerSchemaBatches()) Sql(batch);
    }
    for (const char* table :
         {"SEOrderEntry", "ICSaleEntry", "ICStockBillEntry", "SEOrder", "ICSale", "ICStockBill",
          "COM_DataChange", "t_Item", "t_User", "t_Group", "t_LockStock"})
      Sql(std::string("DELETE FROM ") + table);
    Sql("DROP TABLE IF EXISTS later");
  }
  RecordSetPtr Sql(std::string_view sql) { return connection_.GetAnyRecordSet(sql); }
  Variant Scalar(std::string_view sql) { return Sql(sql)->Fields(0); }
  // Whether the database is SQLite (its messages are SQLite's), not a server.
  bool Sqlite() const { return sqlite_; }

  AccountFile account_;
  std::string conn_string_;
  bool sqlite_ = true;
  ConnectionComponent connection_;
};

INSTANTIATE_TEST_SUITE_P(Backends, SqliteConnectionTest,
                         ::testing::Values("sqlite", "odbc", "server"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_P(SqliteConnectionTest, ValuesAreTypedByTheirDeclaredColumnType) {
  Sql("INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FDate, FExchangeRate, FFetchAdd) "
      "VALUES (7, 81, 'SO1', '2024-03-05', 6.5, NULL)");
  Sql("INSERT INTO SEOrderEntry (FInterID, FEntryID, FAuxQty, FAuxPrice, FAdviceConsignDate) "
      "VALUES (7, 1, 3, 2.25, '')");
  RecordSetPtr head = Sql("SELECT * FROM SEOrder");
  EXPECT_EQ(head->Fields("FInterID"), Variant(int32_t(7)));
  EXPECT_EQ(head->Fields("FBillNo"), Variant("SO1"));
  EXPECT_EQ(head->Fields("FDate"), Variant(MakeDate(2024, 3, 5)));
  EXPECT_EQ(head->Fields("FExchangeRate"), Variant(6.5));
  EXPECT_TRUE(head->Fields("FFetchAdd").IsNull());
  const Variant version = head->Fields("FOperDate");
  ASSERT_EQ(version.type(), VarType::Bytes);
  EXPECT_EQ(version.AsBytes().size(), 8u);
  RecordSetPtr entry = Sql("SELECT FAuxQty, FAuxPrice, FAdviceConsignDate FROM SEOrderEntry");
  EXPECT_EQ(entry->Fields("FAuxQty"), Variant(3.0));  // DECIMAL reads as Double
  EXPECT_EQ(entry->Fields("FAuxPrice"), Variant(2.25));
  // A date column holding '' reads as the server's day 0.
  EXPECT_EQ(entry->Fields("FAdviceConsignDate"), Variant(MakeDate(1900, 1, 1)));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM SEOrderEntry"), Variant(int32_t(1)));
  EXPECT_EQ(Scalar("SELECT 'a' + 'b'"), Variant("ab"));  // T-SQL string concatenation
}

TEST_P(SqliteConnectionTest, TheIntegratorsStatementsRunThroughTheDialect) {
  for (int i = 1; i <= 3; ++i)
    Sql("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (" + std::to_string(i) +
        ", 81, 'SO" + std::to_string(i) + "')");
  Sql("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (0, 81, 'TEMPLATE')");
  RecordSetPtr page = Sql(
      "SELECT TOP 2 FBillNo FROM SEOrder WHERE FInterID <> 0 AND "
      "(FOperDate>0x0000000000000000) ORDER BY FOperDate");
  EXPECT_EQ(page->RecordCount(), 2);
  EXPECT_EQ(page->Fields("FBillNo"), Variant("SO1"));

  Sql("INSERT INTO t_User (FUserID, FName) VALUES (16394, 'administrator')");
  Sql("INSERT INTO t_Group (FUserID, FGroupID) VALUES (16394, 1)");
  RecordSetPtr member = Sql(
      "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID= t_User.FUserID AND "
      "t_User.FUserID= 16394AND t_Group.FGroupID= 1");
  EXPECT_EQ(member->RecordCount(), 1);

  EXPECT_EQ(Scalar("SELECT ISNULL(NULL, 5)"), Variant(int32_t(5)));
  const std::string guid = CStr(Scalar("SELECT NEWID()"));
  EXPECT_EQ(guid.size(), 36u);
  EXPECT_EQ(guid, UCase(guid));
  EXPECT_NO_THROW(CDate(Scalar("SELECT x=GetDate()")));
}

TEST_P(SqliteConnectionTest, RowVersionsOnlyGrowAcrossTablesInsertsAndUpdates) {
  Sql("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (1, 81, 'A')");
  const Variant v1 = Scalar("SELECT FOperDate FROM SEOrder WHERE FInterID=1");
  Sql("INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (1, 86, 'B')");
  const Variant v2 = Scalar("SELECT FOperDate FROM ICSale WHERE FInterID=1");
  Sql("UPDATE SEOrder SET FBillNo='A2' WHERE FInterID=1");
  const Variant v3 = Scalar("SELECT FOperDate FROM SEOrder WHERE FInterID=1");
  EXPECT_LT(v1.AsBytes(), v2.AsBytes());
  EXPECT_LT(v2.AsBytes(), v3.AsBytes());
  EXPECT_EQ(Scalar("SELECT MAX(FOperDate) FROM SEOrder"), v3);
  // The text form of a version compares in SQL as the version itself.
  std::string hex = "0x";
  for (uint8_t b : v2.AsBytes()) {
    static const char* d = "0123456789ABCDEF";
    hex += d[b >> 4];
    hex += d[b & 15];
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM SEOrder WHERE FOperDate>" + hex), Variant(int32_t(1)));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ICSale WHERE FOperDate>" + hex), Variant(int32_t(0)));
}

TEST_P(SqliteConnectionTest, DeletingABillHeadWritesTheChangeLog) {
  Sql("INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID) VALUES (4, 81, 'X', 'U-4')");
  Sql("DELETE FROM SEOrder WHERE FInterID=4");
  RecordSetPtr log = Sql(
      "SELECT FType, FIfDelete, FChangedUUID, FSystemFlag, FTimeStamp FROM COM_DataChange "
      "ORDER BY FSystemFlag");
  ASSERT_EQ(log->RecordCount(), 2);
  EXPECT_EQ(log->Fields("FType"), Variant(int32_t(81)));
  EXPECT_EQ(log->Fields("FChangedUUID"), Variant("U-4"));
  EXPECT_EQ(log->Fields("FSystemFlag"), Variant(int32_t(1)));
  EXPECT_EQ(log->Fields("FTimeStamp").type(), VarType::Bytes);
  log->MoveNext();
  EXPECT_EQ(log->Fields("FSystemFlag"), Variant(int32_t(2)));
}

TEST_P(SqliteConnectionTest, TextComparesWithoutCaseOrTrailingBlanks) {
  Sql("INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName) VALUES (1, 1, 'ABC', 'x')");
  EXPECT_EQ(Sql("SELECT FItemID FROM t_Item WHERE FNumber='abc  '")->RecordCount(), 1);
  EXPECT_EQ(Sql("SELECT FItemID FROM t_Item WHERE FNumber='ab'")->RecordCount(), 0);
}

TEST_P(SqliteConnectionTest, SeveralStatementsInOneTextRunInOrder) {
  Sql("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 5) "
      "UPDATE t_LockStock SET FQty = FQty * 2 WHERE FItemID = 1 "
      "INSERT INTO t_LockStock (FItemID, FQty) VALUES (2, 1)");
  RecordSetPtr rs = Sql("SELECT FQty FROM t_LockStock ORDER BY FItemID");
  EXPECT_EQ(rs->Fields(0), Variant(10.0));
  EXPECT_EQ(rs->RecordCount(), 2);
  // Each statement compiles just before it runs: it may use what the one
  // before it made, and one that cannot compile fails after those before it.
  EXPECT_EQ(Sql("CREATE TABLE later (a INT); INSERT INTO later VALUES (7); SELECT a FROM later")
                ->Fields(0),
            Variant(int32_t(7)));
  EXPECT_THROW(Sql("INSERT INTO later VALUES (8); SELEC 1"), RuntimeError);
  // A server compiles a batch whole: a syntax error anywhere runs none of it.
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM later")->Fields(0), Variant(int32_t(Sqlite() ? 2 : 1)));
}

TEST_P(SqliteConnectionTest, FailingStatementsSayWhatFailed) {
  const RuntimeError syntax = ErrorOf([&] { Sql("SELECT FROM WHERE"); });
  EXPECT_EQ(syntax.number(), err::kStatementFailed);
  EXPECT_NE(syntax.description().find(Sqlite() ? "syntax error" : "Incorrect syntax"),
            std::string::npos)
      << syntax.description();
  EXPECT_NE(syntax.description().find("SELECT FROM WHERE"), std::string::npos);

  const RuntimeError table = ErrorOf([&] { Sql("SELECT * FROM NoSuchTable"); });
  EXPECT_NE(table.description().find(Sqlite() ? "no such table: NoSuchTable"
                                               : "Invalid object name 'NoSuchTable'"),
            std::string::npos)
      << table.description();

  // A placeholder the bill service did not replace is an error, never a NULL.
  const RuntimeError placeholder =
      ErrorOf([&] { Sql("INSERT INTO SEOrder (FInterID) VALUES (@BillInterID)"); });
  EXPECT_NE(placeholder.description().find("@BillInterID"), std::string::npos);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM SEOrder"), Variant(int32_t(0)));

  // The connection stays usable after a failure.
  EXPECT_EQ(Scalar("SELECT 1"), Variant(int32_t(1)));
}

TEST_P(SqliteConnectionTest, QueryReadOnlyRunsOneQueryAndRefusesEverythingElseBeforeItRuns) {
  Sql("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 5) "
      "INSERT INTO t_LockStock (FItemID, FQty) VALUES (2, 7)");
  struct Case {
    const char* sql;
    const char* says;
  };
  const Case refused[] = {
      {"UPDATE t_LockStock SET FQty = 0", "may only read"},
      {"DELETE FROM t_LockStock", "may only read"},
      {"DROP TABLE t_LockStock", "may only read"},
      {"INSERT INTO t_LockStock (FItemID, FQty) VALUES (3, 1)", "may only read"},
      {"WITH k AS (SELECT 1 AS a) DELETE FROM t_LockStock", "may only read"},
      {"BEGIN TRANSACTION", "may only read"},
      {"PRAGMA journal_mode=MEMORY", "may only read"},
      {"SELECT 1; DELETE FROM t_LockStock", "2 statements"},
      {"SELECT FQty FROM t_LockStock DELETE FROM t_LockStock", "2 statements"},
      {"SELECT 1 SELECT 2", "2 statements"},
      {"-- nothing but a comment", "0 statements"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.sql);
    const RuntimeError e = ErrorOf([&] { connection_.QueryReadOnly(c.sql); });
    EXPECT_EQ(e.number(), err::kStatementFailed);
    EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
    EXPECT_NE(e.description().find(c.sql), std::string::npos) << e.description();
  }
  EXPECT_EQ(CDbl(Scalar("SELECT SUM(FQty) FROM t_LockStock")), 12.0);
  if (std::string(GetParam()) != "server") {  // the test's own account, made in WAL mode
    EXPECT_EQ(Scalar("PRAGMA journal_mode"), Variant("wal"));
  }
  EXPECT_NO_THROW(Sql("BEGIN TRANSACTION"));  // none was left open
  Sql("COMMIT");

  RecordSetPtr top = connection_.QueryReadOnly(
      "SELECT TOP 1 FItemID FROM t_LockStock WHERE FQty>0 ORDER BY FQty DESC");
  EXPECT_EQ(top->RecordCount(), 1);
  EXPECT_EQ(top->Fields(0), Variant(int32_t(2)));
  EXPECT_EQ(CDbl(connection_
                     .QueryReadOnly("/* totals */ WITH k AS (SELECT FQty FROM t_LockStock) "
                                    "SELECT SUM(FQty) FROM k")
                     ->Fields(0)),
            12.0);
  // A failing query says what failed, as any statement does.
  const RuntimeError e = ErrorOf([&] { connection_.QueryReadOnly("SELECT * FROM NoSuchTable"); });
  EXPECT_NE(e.description().find(Sqlite() ? "no such table" : "Invalid object name"),
            std::string::npos)
      << e.description();
}

TEST_P(SqliteConnectionTest, RecordSetOutlivesItsConnection) {
  Sql("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 5)");
  RecordSetPtr rs;
  {
    ConnectionComponent own;
    own.SetConnString(conn_string_);
    rs = own.GetAnyRecordSet("SELECT FItemID FROM t_LockStock");
  }
  rs->DetachConnection();
  EXPECT_EQ(rs->Fields("FItemID"), Variant(int32_t(1)));
}

TEST(SqliteConnection, CloseConnGivesTheHandleBackAndTheNextStatementReopens) {
  AccountFile account;
  SqliteConnection connection;
  connection.SetConnString(account.ConnString());
  connection.GetAnyRecordSet("SELECT 1");
  EXPECT_TRUE(connection.IsOpen());
  connection.CloseConn();
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_EQ(HandlePool::IdleCount(), 1u);
  EXPECT_EQ(connection.GetAnyRecordSet("SELECT 2")->Fields(0), Variant(int32_t(2)));
  EXPECT_EQ(HandlePool::IdleCount(), 0u);  // the idle handle was taken again
  connection.CloseConn();
  HandlePool::CloseIdle();
}

TEST_P(SqliteConnectionTest, AnOpenTransactionIsRolledBackWhenTheConnectionCloses) {
  Sql("BEGIN TRANSACTION");
  Sql("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 5)");
  connection_.CloseConn();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t_LockStock"), Variant(int32_t(0)));
}

TEST(SqliteConnection, RepointingRunsAgainstTheOtherDatabase) {
  AccountFile a, b;
  SqliteConnection c;
  c.SetConnString(a.ConnString());
  c.GetAnyRecordSet("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 1)");
  c.SetConnString(b.ConnString());
  EXPECT_EQ(c.GetAnyRecordSet("SELECT COUNT(*) FROM t_LockStock")->Fields(0), Variant(int32_t(0)));
  c.SetConnString(a.ConnString());
  EXPECT_EQ(c.GetAnyRecordSet("SELECT COUNT(*) FROM t_LockStock")->Fields(0), Variant(int32_t(1)));
  c.CloseConn();
  HandlePool::CloseIdle();
}

TEST(SqliteConnection, AReplacedFileIsOpenedAnew) {
  AccountFile a;
  {
    SqliteConnection c;
    c.SetConnString(a.ConnString());
    c.GetAnyRecordSet("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 1)");
  }
  ASSERT_EQ(HandlePool::IdleCount(), 1u);
  AccountFile other;
  std::filesystem::remove(a.path() + "-wal");
  std::filesystem::remove(a.path() + "-shm");
  std::filesystem::copy_file(other.path(), a.path() + ".new");
  std::filesystem::rename(a.path() + ".new", a.path());
  ParsePropsString("");  // the next public call identifies the file again
  SqliteConnection c;
  c.SetConnString(a.ConnString());
  EXPECT_EQ(c.GetAnyRecordSet("SELECT COUNT(*) FROM t_LockStock")->Fields(0), Variant(int32_t(0)));
  c.CloseConn();
  HandlePool::CloseIdle();
}

TEST(SqliteConnection, BadConnectionsAreErrorsThatSayWhy) {
  corvane::testing::TempDir dir;
  const std::string missing = dir.File("missing.db");
  const std::string not_db = dir.File("notes.txt");
  std::ofstream(not_db) << "this is not an account database, it is a text file of some length\n";
  struct Case {
    std::string conn;
    const char* says;
  };
  const Case cases[] = {
      {"Provider=SQLite", "no Data Source"},
      {"Provider=SQLite;Data Source=", "no Data Source"},
      {"Provider=SQLOLEDB.1;Data Source=srv", "not supported"},
      {"Provider=SQLite;Data Source=" + missing, "does not exist"},
      {"Provider=SQLite;Data Source=" + dir.path().string(), "not a file"},
      {"Provider=SQLite;Data Source=" + not_db, "not a database"},
      {"Provider=SQLite;Data Source=x;Busy Timeout=soon", "Busy Timeout"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.conn);
    SqliteConnection connection;
    connection.SetConnString(c.conn);  // nothing is opened here
    const RuntimeError e = ErrorOf([&] { connection.GetAnyRecordSet("SELECT 1"); });
    EXPECT_EQ(e.number(), err::kCannotOpen);
    EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));  // never created by accident
}

// A query asked again is answered from the rows kept for it only while the
// account is unchanged: a commit by another connection, a write on the same
// handle, anything, and the next query reads the table again. An answer that
// can change by itself (GETDATE) and queries inside a transaction are never
// answered from kept rows.
TEST(SqliteHandle, KeptAnswersLastOnlyWhileTheAccountIsUnchanged) {
  AccountFile a;
  ConnectionSettings settings;
  settings.data_source = a.path();
  SqliteHandle h(settings);
  h.Run("CREATE TABLE k (id INTEGER PRIMARY KEY, name TEXT)");
  h.Run("INSERT INTO k VALUES (1, 'first')");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(a.path().c_str(), &other), SQLITE_OK);
  auto other_runs = [&](const char* sql) {
    ASSERT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  };
  auto name = [&] { return CStr(h.Run("SELECT name FROM k WHERE id = 1")->Fields(0)); };

  EXPECT_EQ(name(), "first");
  EXPECT_EQ(name(), "first");
  EXPECT_EQ(h.kept_answers_used(), 1u);

  other_runs("UPDATE k SET name = 'second' WHERE id = 1");
  EXPECT_EQ(name(), "second");
  h.Run("UPDATE k SET name = 'third' WHERE id = 1");
  EXPECT_EQ(name(), "third");
  other_runs("BEGIN IMMEDIATE; UPDATE k SET name = 'fourth' WHERE id = 1");
  EXPECT_EQ(name(), "third");  // not committed yet: the kept answer holds
  EXPECT_EQ(h.kept_answers_used(), 2u);
  other_runs("COMMIT");
  EXPECT_EQ(name(), "fourth");
  EXPECT_EQ(name(), "fourth");
  EXPECT_EQ(h.kept_answers_used(), 3u);

  h.Run("SELECT GETDATE() AS now");
  h.Run("SELECT GETDATE() AS now");
  h.Run("BEGIN");
  name();
  name();
  h.Run("ROLLBACK");
  EXPECT_EQ(h.kept_answers_used(), 3u);
  sqlite3_close(other);
}

// A write of this handle drops only the kept answers that read a table it
// writes, the tables its triggers write included; DDL drops them all, and so
// does a statement that SQLite compiles again because another connection
// gave a table a trigger since.
TEST(SqliteHandle, OwnWritesDropOnlyTheAnswersThatReadWhatTheyWrite) {
  AccountFile a;
  ConnectionSettings settings;
  settings.data_source = a.path();
  SqliteHandle h(settings);
  h.Run("CREATE TABLE k (id INTEGER PRIMARY KEY, name TEXT)");
  h.Run("CREATE TABLE other (id INTEGER PRIMARY KEY, n INTEGER)");
  h.Run("CREATE TABLE via (id INTEGER PRIMARY KEY, name TEXT)");
  h.Run("CREATE TRIGGER via_to_k AFTER INSERT ON via BEGIN "
        "UPDATE k SET name = NEW.name WHERE id = 1; END");
  h.Run("INSERT INTO k VALUES (1, 'first')");
  h.Run("INSERT INTO other VALUES (1, 0)");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(a.path().c_str(), &other), SQLITE_OK);
  auto name = [&] { return CStr(h.Run("SELECT name FROM k WHERE id = 1")->Fields(0)); };

  struct Step {
    const char* what;
    std::function<void()> change;
    const char* name;
    bool kept;  // the next lookup is answered from the kept rows
  };
  const Step steps[] = {
      {"a write to another table", [&] { h.Run("UPDATE other SET n = 1 WHERE id = 1"); }, "first",
       true},
      {"another table in a transaction",
       [&] {
         h.Run("BEGIN");
         h.Run("INSERT INTO other VALUES (2, 2)");
         h.Run("COMMIT");
       },
       "first", true},
      {"a trigger writes the table", [&] { h.Run("INSERT INTO via VALUES (1, 'second')"); },
       "second", false},
      {"a write of the table that changes no row", [&] { h.Run("DELETE FROM k WHERE id = 9"); },
       "second", false},
      {"DDL", [&] { h.Run("CREATE TABLE more (x INTEGER)"); }, "second", false},
      {"another connection gives the other table a trigger",
       [&] {
         ASSERT_EQ(sqlite3_exec(other,
                                "CREATE TRIGGER other_to_k AFTER INSERT ON other BEGIN "
                                "UPDATE k SET name = 'third' WHERE id = 1; END",
                                nullptr, nullptr, nullptr),
                   SQLITE_OK);
         name();  // kept anew under the new schema
         h.Run("INSERT INTO other VALUES (3, 3)");  // compiled before the trigger
       },
       "third", false},
  };
  EXPECT_EQ(name(), "first");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    name();  // kept
    step.change();
    const size_t used = h.kept_answers_used();
    EXPECT_EQ(name(), step.name);
    EXPECT_EQ(h.kept_answers_used() - used, step.kept ? 1u : 0u);
  }
  sqlite3_close(other);
}

TEST(SqliteConnection, ADatabaseLockedByAnotherWriterFailsAfterTheBusyTimeout) {
  AccountFile a;
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(a.path().c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  SqliteConnection c;
  c.SetConnString(a.ConnString() + ";Busy Timeout=50");
  EXPECT_NO_THROW(c.GetAnyRecordSet("SELECT COUNT(*) FROM t_LockStock"));  // readers go on
  const RuntimeError e =
      ErrorOf([&] { c.GetAnyRecordSet("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 1)"); });
  EXPECT_EQ(e.number(), err::kStatementFailed);
  EXPECT_NE(e.description().find("locked"), std::string::npos) << e.description();
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  EXPECT_NO_THROW(c.GetAnyRecordSet("INSERT INTO t_LockStock (FItemID, FQty) VALUES (1, 1)"));
  c.CloseConn();
  HandlePool::CloseIdle();
}

// An account still in rollback-journal mode is switched to WAL on its first
// open. The switch needs the file to itself and SQLite answers "locked" at
// once while another connection writes: the open must wait for the writer up
// to the busy timeout, as every other statement does.
TEST(SqliteConnection, TheFirstOpenWaitsForAWriterUpToTheBusyTimeout) {
  struct Case {
    const char* why;
    int busy_timeout_ms;
    int writer_holds_ms;
    bool opens;
  };
  const Case cases[] = {
      {"the writer lets go within the timeout", 5000, 200, true},
      {"the writer holds on past the timeout", 50, 400, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    AccountFile a;
    a.Exec("PRAGMA journal_mode=DELETE");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(a.path().c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.writer_holds_ms));
      sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    });
    SqliteConnection connection;
    connection.SetConnString(a.ConnString() + ";Busy Timeout=" + std::to_string(c.busy_timeout_ms));
    if (c.opens) {
      EXPECT_NO_THROW(connection.GetAnyRecordSet("SELECT COUNT(*) FROM t_LockStock"));
    } else {
      const RuntimeError e = ErrorOf([&] { connection.GetAnyRecordSet("SELECT 1"); });
      EXPECT_EQ(e.number(), err::kCannotOpen);
      EXPECT_NE(e.description().find(a.path() + "\": database is locked"), std::string::npos)
          << e.description();
    }
    release.join();
    sqlite3_close(writer);
    connection.CloseConn();
    HandlePool::CloseIdle();
    // Opened, the file is in WAL mode; not opened, it is as it was.
    EXPECT_EQ(JournalModeOf(a.path()), c.opens ? "wal" : "delete");
  }
}

}  // namespace
}  // namespace corvane::db

#include <gtest/gtest.h>

#include <string>

#include "frame/outside/connection.h"
#include "platform/db/account_connection_component.h"
#include "platform/db/conn_string.h"
#include "platform/db/odbc_handle.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

// What the providers' connection strings become for the driver manager.
TEST(OdbcSettings, TheProvidersKeysBecomeTheDriversKeywords) {
  struct Case {
    const char* conn_string;
    const char* connect;
  };
  const Case cases[] = {
      {"Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=acct;User ID=sa;Password=pw;"
       "Driver=ODBC Driver 18 for SQL Server",
       "DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;DATABASE=acct;UID=sa;PWD=pw;"},
      {"Provider=SQLNCLI11;Data Source=srv,1433;Initial Catalog=acct;Integrated Security=SSPI;"
       "User ID=ignored;Driver=FreeTDS",
       "DRIVER={FreeTDS};SERVER=srv;PORT=1433;DATABASE=acct;Trusted_Connection=Yes;"
       "ClientCharset=UTF-8;"},
      // A value that would end the pair goes in braces, a brace doubled.
      {"Provider=MSOLEDBSQL;Data Source=srv;User ID=sa;Password='p;w}d';Driver=X",
       "DRIVER={X};SERVER=srv;UID=sa;PWD={p;w}}d};"},
      {"Provider=MSDASQL;DSN=acct;User ID=sa;Password=pw",
       "DSN=acct;UID=sa;PWD=pw;"},
      {"Provider=MSDASQL;Driver=SQLite3;Database=/srv/acct.db",
       "DRIVER={SQLite3};DATABASE=/srv/acct.db;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.conn_string);
    EXPECT_EQ(BackendOf(c.conn_string), Backend::Odbc);
    EXPECT_EQ(ParseOdbcSettings(c.conn_string).connect, c.connect);
  }
  EXPECT_EQ(BackendOf("Data Source=/srv/acct.db"), Backend::Sqlite);
  EXPECT_EQ(BackendOf("Provider=sqlite;Data Source=/srv/acct.db"), Backend::Sqlite);
  EXPECT_THROW(BackendOf("Provider=Jet.OLEDB.4.0;Data Source=x.mdb"), RuntimeError);
  EXPECT_THROW(ParseOdbcSettings("Provider=SQLOLEDB;Initial Catalog=acct"), RuntimeError);
  EXPECT_THROW(ParseOdbcSettings("Provider=MSDASQL;UID=sa"), RuntimeError);
}

TEST(OdbcSettings, APasswordIsTakenOutOfATextWithoutGarblingIt) {
  EXPECT_EQ(Redacted("login failed for sa with S3cret;pw, PWD=S3cret;pw", "S3cret;pw"),
            "login failed for sa with ***, PWD=***");
  EXPECT_EQ(Redacted("Server does not exist; PWD=x;UID=sa", "x"),
            "Server does not exist; PWD=***;UID=sa");
  EXPECT_EQ(Redacted("nothing to hide", ""), "nothing to hide");
}

// On a server, a transaction statement alone goes through the ODBC calls; a
// batch that merely starts with one goes to the server whole.
TEST(OdbcHandle, OnlyATransactionStatementAloneIsTakenAsOne) {
  using T = TransactionStatement;
  struct Case {
    const char* sql;
    T is;
  };
  const Case cases[] = {
      {"BEGIN TRANSACTION", T::Begin},
      {" begin immediate tran ;", T::Begin},
      {"COMMIT", T::Commit},
      {"commit transaction;", T::Commit},
      {"ROLLBACK WORK", T::Rollback},
      {"BEGIN TRANSACTION INSERT INTO t VALUES (1) COMMIT", T::None},
      {"BEGIN TRANSACTION; INSERT INTO t VALUES (1)", T::None},
      {"BEGIN SELECT 1 END", T::None},
      {"COMMIT; COMMIT", T::None},
      {"ROLLBACK TRANSACTION save1", T::None},
      {"-- BEGIN TRANSACTION", T::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(TransactionStatementOf(c.sql), c.is);
  }
}

// A connection that cannot be made fails the statement with what failed,
// and never with the password; the next statement tries again.
TEST(OdbcConnection, AConnectionThatCannotBeMadeSaysWhyWithoutThePassword) {
  const std::string password = "S3cret;pw";
  struct Case {
    std::string conn_string;
    const char* says;
  };
  const Case cases[] = {
      {"Provider=SQLOLEDB.1;Data Source=srv;User ID=sa;Password='" + password +
           "';Driver=No Such Driver",
       "No Such Driver"},
      // FreeTDS refuses at once: nothing listens on port 1 of this machine.
      {"Provider=SQLOLEDB.1;Data Source=127.0.0.1,1;Initial Catalog=acct;User ID=sa;Password='" +
           password + "';Driver=FreeTDS",
       "FreeTDS"},
      {"Provider=MSDASQL;DSN=no_such_dsn;UID=sa;PWD='" + password + "'", "a DSN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    ConnectionComponent connection;
    connection.SetConnString(c.conn_string);
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        connection.GetAnyRecordSet("SELECT 1");
        ADD_FAILURE() << "connected";
      } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::kCannotOpen);
        EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
        EXPECT_NE(e.description().find("["), std::string::npos) << e.description();  // SQLSTATE
        EXPECT_EQ(e.description().find("S3cret"), std::string::npos) << e.description();
      }
    }
  }
  OdbcPool::CloseIdle();
}

}  // namespace
}  // namespace corvane::db

#include "frame/gateway.h"

#include <gtest/gtest.h>

#include <cmath>

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
#include "support/error_number.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

// A record set of one row and one column.
class OneValue : public IRecordSet {
 public:
  explicit OneValue(Variant v, bool empty = false) : v_(std::move(v)), empty_(empty) {}
  bool Eof() const override { return empty_; }
  bool Bof() const override { return empty_; }
  int32_t FieldCount() const override { return 1; }
  std::string FieldName(int32_t) const override { return "x"; }
  const Variant& Fields(std::string_view) const override { return v_; }
  const Variant& Fields(int32_t) const override { return v_; }
  void MoveNext() override {}
  void MoveFirst() override {}
  void MoveLast() override {}
  int32_t RecordCount() const override { return empty_ ? 0 : 1; }
  void SetFilter(std::string_view) override {}
  std::string Filter() const override { return {}; }
  void DetachConnection() override {}
  void Close() override {}

 private:
  Variant v_;
  bool empty_;
};

// A connection that records what it was given and answers one value, or fails.
class FakeConnection : public IConnection {
 public:
  void SetConnString(std::string_view s) override { conn_ = std::string(s); }
  std::string ConnString() const override { return conn_; }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override {
    statements.push_back(std::string(sql));
    if (fail) throw RuntimeError(err::kStatementFailed, "fake", "server unreachable");
    return std::make_shared<OneValue>(answer, empty);
  }
  RecordSetPtr Execute(std::string_view sql) override { return GetAnyRecordSet(sql); }
  RecordSetPtr QueryReadOnly(std::string_view sql) override { return GetAnyRecordSet(sql); }
  int32_t RunBatch(std::string_view sql,
                   const std::function<void(const StatementOutcome&)>& each) override {
    each({GetAnyRecordSet(sql), -1});
    return 1;
  }
  void CloseConn() override { ++closed; }

  static inline std::vector<std::string> statements;
  static inline bool fail = false;
  static inline bool empty = false;
  static inline Variant answer;
  int closed = 0;

 private:
  std::string conn_;
};

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeConnection::statements.clear();
    FakeConnection::fail = false;
    FakeConnection::empty = false;
    FakeConnection::answer = Variant("2031-07-08 09:10:11.250");
    ParsePropsString("ConnectString={Provider=SQLite;Data Source=/x.db};UserID=1");
  }
  ScopedProgIdOverride fake_{kConnectionProgId, [] { return std::make_shared<FakeConnection>(); }};
};

TEST_F(GatewayTest, OpenCreatesOnceAndRepointsOnEveryCall) {
  ConnectionPtr connection;
  OpenErpConnection(connection);
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->ConnString(), "Provider=SQLite;Data Source=/x.db");
  const ConnectionPtr first = connection;
  ParsePropsString("ConnectString=Provider=SQLite;UserID=1");
  OpenErpConnection(connection);
  EXPECT_EQ(connection, first);  // the same object, pointed elsewhere
  EXPECT_EQ(connection->ConnString(), "Provider=SQLite");
  EXPECT_TRUE(FakeConnection::statements.empty());  // no statement runs here
}

TEST_F(GatewayTest, OpenFailsWithoutConnectStringOrComponent) {
  ParsePropsString("UserID=1");
  ConnectionPtr connection;
  EXPECT_EQ(ErrorNumberOf([&] { OpenErpConnection(connection); }), err::kInvalidCall);
  ParsePropsString("ConnectString=x");
  ScopedProgIdOverride absent(kConnectionProgId, nullptr);
  ConnectionPtr other;
  EXPECT_EQ(ErrorNumberOf([&] { OpenErpConnection(other); }), err::kCannotCreateObject);
}

TEST_F(GatewayTest, ServerDateComesFromTheServer) {
  const Date d = GetServerDate();
  EXPECT_EQ(FakeConnection::statements, std::vector<std::string>{"SELECT x=GetDate()"});
  const DateParts p = SplitDate(d);
  EXPECT_EQ(p.year, 2031);
  EXPECT_EQ(p.second, 11);
  EXPECT_EQ(p.millisecond, 250);
}

TEST_F(GatewayTest, ServerDateFallsBackToTheLocalClock) {
  auto near_now = [](Date d) { return std::abs(d.serial - Now().serial) < 1.0 / 24; };
  FakeConnection::fail = true;
  EXPECT_TRUE(near_now(GetServerDate()));
  FakeConnection::fail = false;
  FakeConnection::empty = true;
  EXPECT_TRUE(near_now(GetServerDate()));
  FakeConnection::empty = false;
  FakeConnection::answer = Variant("not a date");
  EXPECT_TRUE(near_now(GetServerDate()));
  ParsePropsString("UserID=1");  // no ConnectString
  EXPECT_TRUE(near_now(GetServerDate()));
  ScopedProgIdOverride absent(kConnectionProgId, nullptr);
  EXPECT_TRUE(near_now(GetServerDate()));
}

}  // namespace
}  // namespace corvane

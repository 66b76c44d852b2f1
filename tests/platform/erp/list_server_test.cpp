#include "platform/erp/list_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "frame/outside/connection.h"
#include "frame/outside/list_server.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "support/account_file.h"
#include "support/error_number.h"
#include "support/faulty_connection.h"

namespace corvane::erp {
namespace {

using corvane::testing::AccountFile;
using corvane::testing::ErrorNumberOf;
using corvane::testing::ScopedFaultyConnections;

class ListServerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RegisterPlatformComponents(); }
  void TearDown() override { db::HandlePool::CloseIdle(); }

  int32_t Next(const std::string& table) {
    return CreateObjectAs<IListServer>(kListServerProgId)
        ->GetMaxInterID(account_.PropsString(), table);
  }
  // FMaxInterID recorded for the table as text, "<none>" without a row.
  std::string Recorded(const std::string& table) {
    auto db = CreateObjectAs<IConnection>(kConnectionProgId);
    db->SetConnString(account_.ConnString());
    auto rows =
        db->Execute("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='" + table + "'");
    const std::string value = rows->Eof() ? "<none>" : CStr(rows->Fields(0));
    db->CloseConn();
    return value;
  }

  AccountFile account_;
};

TEST_F(ListServerTest, TheNextIdIsPastBothTheIdTableAndTheTable) {
  account_.Exec(
      "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (10, 'SO10');"
      "UPDATE t_BillInterIDMax SET FMaxInterID=41 WHERE FTableName='ICSale';"
      "INSERT INTO ICSale (FInterID, FBillNo) VALUES (5, 'S5');"
      "UPDATE t_BillInterIDMax SET FMaxInterID=3 WHERE FTableName='ICStockBill';"
      "INSERT INTO ICStockBill (FInterID, FBillNo) VALUES (50, 'B50');"
      "INSERT INTO SEOrderEntry (FInterID, FEntryID) VALUES (7, 1);");
  struct Case {
    const char* table;
    int32_t id;
  };
  const Case cases[] = {
      {"SEOrder", 11},                           // the table is ahead of the ID table
      {"SEOrder", 12},                           // and from now on the ID table
      {"ICSale", 42},                            // the ID table is ahead
      {"ICStockBill", 51}, {"SEOrderEntry", 8},  // no row in the ID table yet: one is made
      {"SEOrderEntry", 9}, {"seorder", 13},      // names compare as the account compares text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    EXPECT_EQ(Next(c.table), c.id);
    EXPECT_EQ(Recorded(c.table), std::to_string(c.id));
  }
}

TEST_F(ListServerTest, RefusesWhatIsNoPlainTableNameBeforeAnySql) {
  for (const char* name : {"", "SEOrder;DELETE FROM SEOrder", "SEOrder--", "SE Order", "1SEOrder",
                           "[SEOrder]", "SEOrder'", "dbo.SEOrder", "SEOrder\n"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsPlainTableName(name));
    ScopedFaultyConnections statements;
    EXPECT_EQ(ErrorNumberOf([&] {
                CreateObjectAs<IListServer>(kListServerProgId)
                    ->GetMaxInterID(account_.PropsString(), name);
              }),
              err::kInvalidCall);
    EXPECT_EQ(statements.plan.count, 0);
  }
  for (const char* name : {"SEOrder", "_t", "t_BillInterIDMax2", "x"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(IsPlainTableName(name));
  }
}

TEST_F(ListServerTest, FailuresRaiseAndRecordNothing) {
  auto server = CreateObjectAs<IListServer>(kListServerProgId);
  EXPECT_EQ(ErrorNumberOf([&] { server->GetMaxInterID("UserID=16394;", "SEOrder"); }),
            err::kInvalidCall);
  EXPECT_EQ(ErrorNumberOf([&] { server->GetMaxInterID(account_.PropsString(), "NoSuchTable"); }),
            err::kStatementFailed);
  EXPECT_EQ(Recorded("NoSuchTable"), "<none>");
  account_.Exec("UPDATE t_BillInterIDMax SET FMaxInterID=2147483647 WHERE FTableName='SEOrder'");
  EXPECT_EQ(ErrorNumberOf([&] { server->GetMaxInterID(account_.PropsString(), "SEOrder"); }),
            err::kOverflow);
  EXPECT_EQ(Recorded("SEOrder"), "2147483647");
}

TEST_F(ListServerTest, TwoCallersAtOnceNeverGetTheSameId) {
  constexpr int kEach = 200;
  std::vector<int32_t> ids[2];
  std::string failures[2];
  auto take = [&](int who) {
    try {
      for (int i = 0; i < kEach; ++i) ids[who].push_back(Next("SEOrder"));
    } catch (const RuntimeError& e) {
      failures[who] = e.description();
    }
    db::HandlePool::CloseIdle();  // this thread's own handles
  };
  std::thread first(take, 0), second(take, 1);
  first.join();
  second.join();
  EXPECT_EQ(failures[0], "");
  EXPECT_EQ(failures[1], "");
  std::set<int32_t> all(ids[0].begin(), ids[0].end());
  all.insert(ids[1].begin(), ids[1].end());
  EXPECT_EQ(all.size(), 2u * kEach);
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), 2 * kEach);
  // Each caller's IDs grow.
  for (const auto& mine : ids) EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
  EXPECT_EQ(Recorded("SEOrder"), std::to_string(2 * kEach));
}

}  // namespace
}  // namespace corvane::erp

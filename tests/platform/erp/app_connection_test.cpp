#include "platform/erp/app_connection.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/outside/app_connection.h"
#include "frame/outside/connection.h"
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

class AppConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    account_.Exec(
        "INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FSystemType, FStatus) VALUES"
        " (1, 81, 'SO1', 1, 0), (2, 81, 'SO2', 2, 0), (3, 81, 'SO3', 2, 1);");
    app_ = CreateObjectAs<IAppConnection>(kAppConnectionProgId);
  }
  void TearDown() override { db::HandlePool::CloseIdle(); }

  int32_t Count(const std::string& sql) {
    const auto rows = app_->Execute(account_.ConnString(), sql).ObjectAs<IRecordSet>();
    return CLng(rows->Fields(0));
  }
  int32_t Orders() { return Count("SELECT COUNT(*) FROM SEOrder"); }
  // The internal IDs of the orders, in order, joined by commas.
  std::string OrderIds() {
    const auto rows = app_->Execute(account_.ConnString(),
                                    "SELECT GROUP_CONCAT(FInterID) FROM "
                                    "(SELECT FInterID FROM SEOrder ORDER BY FInterID)")
                          .ObjectAs<IRecordSet>();
    return CStr(rows->Fields(0));
  }

  AccountFile account_;
  std::shared_ptr<IAppConnection> app_;
};

TEST_F(AppConnectionTest, AQueryAnswersItsRows) {
  struct Case {
    const char* sql;
    int32_t rows;
  };
  const Case cases[] = {
      {"SELECT FBillNo FROM SEOrder ORDER BY FInterID", 3},
      {"select * from SEOrder where FBillNo='none'", 0},
      {"WITH o AS (SELECT * FROM SEOrder WHERE FStatus=0) SELECT * FROM o", 2},
      // The duplicate check of the file-based import: T-SQL, a leading line
      // break, two arms.
      {"\r\n Select * from SEOrder \r\n Where FBillNo='SO1' and \r\n       FSystemType=1\r\n"
       " Union all\r\n Select * from SEOrder \r\n Where FBillNo='SO1' and \r\n"
       "       FSystemType=2 and \r\n       FStatus>0 \r\n",
       1},
      {"SELECT TOP 1 FBillNo FROM SEOrder ORDER BY FInterID DESC", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    const Variant answer = app_->Execute(account_.ConnString(), c.sql);
    const auto rows = answer.ObjectAs<IRecordSet>();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->RecordCount(), c.rows);
  }
}

TEST_F(AppConnectionTest, ABatchRunsWholeOrNotAtAll) {
  struct Case {
    const char* why;
    const char* sql;
    bool ran;
    const char* orders_after;
  };
  const Case cases[] = {
      {"every statement runs",
       "DELETE FROM SEOrder WHERE FInterID=1\r\n"
       "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (10, 'SO10')\r\n"
       "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (11, 'SO11')\r\n",
       true, "2,3,10,11"},
      {"the last statement fails",
       "DELETE FROM SEOrder WHERE FInterID=2\r\n"
       "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (12, 'SO12')\r\n"
       "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (12, 'again')\r\n",
       false, "2,3,10,11"},
      {"the first statement fails",
       "INSERT INTO NoSuchTable VALUES (1)\r\n"
       "DELETE FROM SEOrder\r\n",
       false, "2,3,10,11"},
      {"a query that fails", "SELECT NoSuchColumn FROM SEOrder", false, "2,3,10,11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Variant answer = app_->Execute(account_.ConnString(), c.sql);
    ASSERT_EQ(answer.type(), VarType::Boolean);
    EXPECT_EQ(CBool(answer), c.ran);
    EXPECT_EQ(OrderIds(), c.orders_after);
  }
}

TEST_F(AppConnectionTest, AFailingCommitRollsBack) {
  ScopedFaultyConnections faults;
  faults.plan.fail_matching = "COMMIT";
  EXPECT_FALSE(CBool(app_->Execute(account_.ConnString(), "DELETE FROM SEOrder")));
  EXPECT_FALSE(
      app_->ExecuteUnless(account_.ConnString(), "SELECT 1 WHERE 0=1", "DELETE FROM SEOrder"));
  faults.plan.fail_matching.clear();
  EXPECT_EQ(Orders(), 3);
  // Each call ran BEGIN ... COMMIT and then its rollback.
  int rollbacks = 0;
  for (const std::string& sql : faults.plan.seen) rollbacks += sql == "ROLLBACK";
  EXPECT_EQ(rollbacks, 2);
}

TEST_F(AppConnectionTest, ExecuteUnlessRunsTheBatchOnlyWhenTheGuardFindsNothing) {
  const std::string insert =
      "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (20, 'SO20')\r\n"
      "INSERT INTO SEOrder (FInterID, FBillNo) VALUES (21, 'SO21')\r\n";
  struct Case {
    const char* why;
    const char* guard;
    std::string batch;
    bool ran;
    int32_t orders_after;
  };
  const Case cases[] = {
      {"the guard finds a row", "SELECT * FROM SEOrder WHERE FBillNo='so1 '", insert, false, 3},
      {"the guard is no query", "DELETE FROM SEOrder", insert, false, 3},
      {"the guard fails", "SELECT * FROM NoSuchTable", insert, false, 3},
      {"the batch fails", "SELECT * FROM SEOrder WHERE FBillNo='SO20'",
       insert + "INSERT INTO SEOrder (FInterID) VALUES (1)", false, 3},
      {"the guard finds nothing", "SELECT * FROM SEOrder WHERE FBillNo='SO20'", insert, true, 5},
      {"the same guard again", "SELECT * FROM SEOrder WHERE FBillNo='SO20'", "DELETE FROM SEOrder",
       false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(app_->ExecuteUnless(account_.ConnString(), c.guard, c.batch), c.ran);
    EXPECT_EQ(Orders(), c.orders_after);
  }
}

TEST_F(AppConnectionTest, AnAccountThatCannotBeOpenedRaises) {
  const std::string missing = "Provider=SQLite;Data Source=" + account_.dir().File("none.db");
  EXPECT_EQ(ErrorNumberOf([&] { app_->Execute(missing, "SELECT 1"); }), err::kCannotOpen);
  EXPECT_EQ(ErrorNumberOf([&] { app_->Execute(missing, "DELETE FROM SEOrder"); }),
            err::kCannotOpen);
  EXPECT_EQ(ErrorNumberOf([&] { app_->ExecuteUnless(missing, "SELECT 1", "SELECT 1"); }),
            err::kCannotOpen);
}

}  // namespace
}  // namespace corvane::erp

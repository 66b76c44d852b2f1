#include "frame/front_door.h"

#include <gtest/gtest.h>

#include "frame/call_context.h"
#include "frame/module_state.h"
#include "frame/outside/object_factory.h"
#include "platform/platform_components.h"
#include "platform/db/sqlite_handle.h"
#include "platform/win/login_props.h"
#include "support/account_file.h"

namespace corvane {
namespace {

using testing::AccountFile;

constexpr const char* kRefusal = "当前连接用户没有授权通过 WebServices 进行数据处理!";

class FrontDoorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    platform::SetLoginPropsString(std::nullopt);
    ThisThreadState().message_language.clear();
    account_.Exec(
        "INSERT INTO t_User (FUserID, FName, FForbidden) VALUES"
        " (16394, 'administrator', 0), (2, 'forbidden', 1), (3, 'webservice', 0),"
        " (4, 'nobody', 0), (5, 'first-row-only', 0), (6, 'null-forbidden', NULL);"
        "INSERT INTO t_Group (FUserID, FGroupID) VALUES (16394, 1), (2, 1), (6, 1), (4, 2);"
        "INSERT INTO t_AccessControl (FUserID, FObjectType, FAccessMask) VALUES"
        " (3, 16, 1), (4, 16, 0), (4, 15, 1), (5, 16, 0), (5, 16, 1), (2, 16, 1);");
  }
  void TearDown() override {
    platform::SetLoginPropsString(std::nullopt);
    ThisThreadState().message_language.clear();
    db::HandlePool::CloseIdle();
  }
  bool Enter(const std::string& props, std::string& error) {
    return BeginServiceCall(props, error);
  }

  AccountFile account_;
};

TEST_F(FrontDoorTest, WhoIsLetIn) {
  struct Case {
    int user;
    bool let_in;
    const char* why;
  };
  const Case cases[] = {
      {16394, true, "active, group 1, no access row"},
      {3, true, "active, web-service right of mask 1"},
      {4, false, "mask 0 and not in group 1"},
      {2, false, "forbidden although in group 1 and holding the right"},
      {5, false, "only the first access row counts"},
      {6, false, "FForbidden Null is not active"},
      {999, false, "unknown user"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string error = "untouched";
    EXPECT_EQ(Enter(account_.PropsString(c.user), error), c.let_in);
    EXPECT_EQ(error, c.let_in ? "untouched" : kRefusal);
  }
}

TEST_F(FrontDoorTest, ActiveUserIdAndName) {
  ParsePropsString(account_.PropsString(16394));
  EXPECT_EQ(GetActiveUserID(), 16394);
  EXPECT_EQ(GetActiveUserName(), "administrator");
  EXPECT_TRUE(IsGroupOneMember());
  ParsePropsString(account_.PropsString(2));
  EXPECT_EQ(GetActiveUserID(), -1);
  EXPECT_EQ(GetActiveUserName(), "");
  EXPECT_FALSE(IsGroupOneMember());
}

TEST_F(FrontDoorTest, BadPropertyStringsAreRefusedNotCrashed) {
  std::string error;
  // No or a non-numeric user: no group, no right, the rights message.
  EXPECT_FALSE(Enter("ConnectString={" + account_.ConnString() + "}", error));
  EXPECT_EQ(error, kRefusal);
  EXPECT_FALSE(Enter("ConnectString={" + account_.ConnString() + "};UserID=abc", error));
  EXPECT_EQ(error, kRefusal);
  // No connection string: the rights check cannot ask, and says why.
  EXPECT_FALSE(Enter("UserID=16394", error));
  EXPECT_EQ(error.rfind("错误号:5\r\n错误源:Corvane\r\n错误描述:", 0), 0u) << error;
  // A duplicate key.
  EXPECT_FALSE(Enter(account_.PropsString() + "userid=1", error));
  EXPECT_NE(error.find("错误号:457"), std::string::npos) << error;
  // An account that does not exist.
  EXPECT_FALSE(Enter("ConnectString={Provider=SQLite;Data Source=/nonexistent.db};UserID=1", error));
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST_F(FrontDoorTest, RefusalSpeaksTheLoginLanguage) {
  platform::SetLoginPropsString("LANGUAGE=ENG;");
  std::string error;
  EXPECT_FALSE(Enter(account_.PropsString(4), error));
  EXPECT_EQ(error, "The connected user is not authorised to process data through WebServices!");
  EXPECT_FALSE(Enter("UserID=1", error));
  EXPECT_EQ(error.rfind("Error number:5\r\nError source:Corvane\r\nError description:", 0), 0u)
      << error;
}

TEST_F(FrontDoorTest, RightsAreAskedAnewOnEveryCall) {
  std::string error;
  EXPECT_FALSE(Enter(account_.PropsString(4), error));
  account_.Exec("UPDATE t_AccessControl SET FAccessMask=4 WHERE FUserID=4 AND FObjectType=16");
  EXPECT_TRUE(Enter(account_.PropsString(4), error));
}

}  // namespace
}  // namespace corvane

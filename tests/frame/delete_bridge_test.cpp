#include "frame/delete_bridge.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "frame/call_context.h"
#include "frame/module_state.h"
#include "frame/outside/connection.h"
#include "frame/outside/list_update.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_handle.h"
#include "platform/erp/list_update_service.h"
#include "platform/platform_components.h"
#include "support/account_file.h"
#include "support/fake_components.h"

namespace corvane {
namespace {

using testing::AccountFile;

constexpr const char* kMissing = "单据不存在！";
constexpr const char* kBadTemplate = "单据模板出错！";

// What the list update service was handed.
struct DeleteCall {
  std::string bill_no;
  Variant props;
  int32_t list_id, inter_id, tran_type, bill_cls, template_id, zero;
  std::string login, error_text, message;
};

// A list update service that keeps every call and answers what the test set.
class FakeListUpdate : public IListUpdate {
 public:
  bool DeleteBill(std::string& bill_no, Variant& props, int32_t& list_id, std::string& login,
                  int32_t& inter_id, int32_t& tran_type, int32_t& bill_cls, int32_t& template_id,
                  std::string& error_text, int32_t& zero, std::string& message) override {
    calls.push_back({bill_no, props, list_id, inter_id, tran_type, bill_cls, template_id, zero,
                     login, error_text, message});
    return answer(error_text, message);
  }
  static inline std::vector<DeleteCall> calls;
  static inline std::function<bool(std::string& error_text, std::string& message)> answer;
};

class DeleteBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    fake_.emplace(kListUpdateProgId, [] { return std::make_shared<FakeListUpdate>(); });
    no_loader_.emplace(kResourceLoaderProgId, nullptr);
    ThisThreadState().message_language.clear();
    ThisThreadState().resource_loader.reset();
    FakeListUpdate::calls.clear();
    FakeListUpdate::answer = [](std::string&, std::string&) { return true; };
    // Orders and invoices share internal IDs on purpose: the kind picks the table.
    account_.Exec(
        "INSERT INTO t_User (FUserID, FName, FForbidden) VALUES (16394, 'administrator', 0),"
        " (7, 'locked', 1);"
        "INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (5, 81, '  SO5  '),"
        " (6, 81, NULL), (7, 81, '   ');"
        "INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (5, 80, 'SIV5'), (6, 86, 'SIO6');"
        "INSERT INTO ICListTemplate (FID, FBillTemplateID, FTemplateID, FBillCls) VALUES"
        " (1, 81, 181, 10), (2, 80, 180, 11), (3, 86, 186, 12), (4, 1, 1, 20), (5, 21, 21, 21);");
    ParsePropsString(account_.PropsString());
  }
  void TearDown() override {
    ThisThreadState().message_language.clear();
    ThisThreadState().resource_loader.reset();
    db::HandlePool::CloseIdle();
  }
  bool Delete(int32_t kind, int32_t id, std::string& error) {
    return DeleteBillThroughService(account_.PropsString(), kind, id, error);
  }

  int32_t Count(const std::string& sql) {
    auto db = CreateObjectAs<IConnection>(kConnectionProgId);
    db->SetConnString(account_.ConnString());
    return CLng(db->Execute(sql)->Fields(0));
  }

  AccountFile account_;
  // Set after the platform components are registered, which they replace.
  std::optional<ScopedProgIdOverride> fake_, no_loader_;
};

TEST_F(DeleteBridgeTest, EachKindIsLookedUpInItsTableAndList) {
  struct Case {
    int32_t kind, id;
    const char* bill_no;
    int32_t list_id, template_id, bill_cls;
  };
  const Case cases[] = {{81, 5, "SO5", 1, 181, 10},
                        {80, 5, "SIV5", 2, 180, 11},
                        {86, 5, "SIV5", 3, 186, 12},
                        {86, 6, "SIO6", 3, 186, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    FakeListUpdate::calls.clear();
    std::string error;
    EXPECT_TRUE(Delete(c.kind, c.id, error));
    EXPECT_EQ(error, "");
    ASSERT_EQ(FakeListUpdate::calls.size(), 1u);
    const DeleteCall& call = FakeListUpdate::calls[0];
    EXPECT_EQ(call.bill_no, c.bill_no);
    EXPECT_EQ(call.inter_id, c.id);
    EXPECT_EQ(call.tran_type, c.kind);
    EXPECT_EQ(call.list_id, c.list_id);
    EXPECT_EQ(call.template_id, c.template_id);
    EXPECT_EQ(call.bill_cls, c.bill_cls);
  }
}

TEST_F(DeleteBridgeTest, TheServiceGetsTheCallersArguments) {
  FakeListUpdate::answer = [](std::string& error_text, std::string&) {
    error_text += "+seen";
    return true;
  };
  std::string error = "before";
  EXPECT_TRUE(Delete(81, 5, error));
  EXPECT_EQ(error, "before+seen");  // argument 9 is the caller's own text
  ASSERT_EQ(FakeListUpdate::calls.size(), 1u);
  const DeleteCall& call = FakeListUpdate::calls[0];
  EXPECT_EQ(call.bill_no, "SO5");  // trimmed
  EXPECT_EQ(call.props, Variant(account_.PropsString()));
  EXPECT_EQ(call.login, account_.ConnString() + "|16394|administrator");
  EXPECT_EQ(call.error_text, "before");
  EXPECT_EQ(call.zero, 0);
  EXPECT_EQ(call.message, "");
}

TEST_F(DeleteBridgeTest, AnInactiveUserLogsInAsMinusOneWithoutAName) {
  ParsePropsString(account_.PropsString(7));
  std::string error;
  EXPECT_TRUE(DeleteBillThroughService(account_.PropsString(7), 81, 5, error));
  ASSERT_EQ(FakeListUpdate::calls.size(), 1u);
  EXPECT_EQ(FakeListUpdate::calls[0].login, account_.ConnString() + "|-1|");
}

TEST_F(DeleteBridgeTest, MissingDocumentsNeverReachTheService) {
  struct Case {
    int32_t kind, id;
    const char* why;
  };
  const Case cases[] = {
      {1, 5, "stock bill receipt"}, {21, 5, "stock bill delivery"}, {0, 5, "no kind"},
      {81, 99, "no such order"},    {80, 99, "no such invoice"},    {81, 6, "null number"},
      {81, 7, "blank number"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string error = "earlier text";
    EXPECT_FALSE(Delete(c.kind, c.id, error));
    EXPECT_EQ(error, kMissing);
  }
  EXPECT_TRUE(FakeListUpdate::calls.empty());
}

TEST_F(DeleteBridgeTest, AnIncompleteListTemplateStopsTheDeletion) {
  const char* cases[] = {
      "UPDATE ICListTemplate SET FBillCls=0 WHERE FBillTemplateID=81",
      "UPDATE ICListTemplate SET FTemplateID=NULL WHERE FBillTemplateID=81",
      "UPDATE ICListTemplate SET FID=0 WHERE FBillTemplateID=81",
      "DELETE FROM ICListTemplate WHERE FBillTemplateID=81",
  };
  for (const char* change : cases) {
    SCOPED_TRACE(change);
    account_.Exec(
        "DELETE FROM ICListTemplate WHERE FBillTemplateID=81;"
        "INSERT INTO ICListTemplate VALUES (1, 81, 181, 10);");
    account_.Exec(change);
    std::string error = "earlier text";
    EXPECT_FALSE(Delete(81, 5, error));
    EXPECT_EQ(error, kBadTemplate);
  }
  EXPECT_TRUE(FakeListUpdate::calls.empty());
}

TEST_F(DeleteBridgeTest, ARefusalGivesTheServicesTexts) {
  struct Case {
    const char* written;  // into argument 9
    const char* message;  // into argument 15
    const char* expected;
  };
  const Case cases[] = {{"refused", "", "refused"},
                        {"", "", ""},
                        {"refused. ", "checked", "refused. checked"},
                        {"", "checked", "checked"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    FakeListUpdate::answer = [&c](std::string& error_text, std::string& message) {
      error_text = c.written;
      message = c.message;
      return false;
    };
    std::string error = "replaced by the service";
    EXPECT_FALSE(Delete(80, 5, error));
    EXPECT_EQ(error, c.expected);
  }
}

TEST_F(DeleteBridgeTest, RunTimeErrorsAreAddedInBrackets) {
  FakeListUpdate::answer = [](std::string&, std::string&) -> bool {
    throw RuntimeError(5, "TavoListServer", "list locked");
  };
  std::string error;
  EXPECT_FALSE(Delete(81, 5, error));
  EXPECT_EQ(error, "[list locked]");

  error = "  ";
  EXPECT_FALSE(Delete(81, 5, error));
  EXPECT_EQ(error, "[list locked]");  // a blank text is replaced

  FakeListUpdate::answer = [](std::string& error_text, std::string&) -> bool {
    error_text = "half done";
    throw RuntimeError(5, "TavoListServer", "list locked");
  };
  error.clear();
  EXPECT_FALSE(Delete(81, 5, error));
  EXPECT_EQ(error, "half done[list locked]");

  {
    ScopedProgIdOverride absent(kListUpdateProgId, nullptr);
    error.clear();
    EXPECT_FALSE(Delete(81, 5, error));
    EXPECT_EQ(error, "[ActiveX component can't create object: TavoListServer.clsListUpdate]");
  }

  // A property string without ConnectString fails before any lookup.
  ParsePropsString("UserID=16394;");
  error = "earlier";
  FakeListUpdate::calls.clear();
  EXPECT_FALSE(DeleteBillThroughService("UserID=16394;", 81, 5, error));
  EXPECT_EQ(error.rfind("earlier[", 0), 0u) << error;
  EXPECT_TRUE(FakeListUpdate::calls.empty());
}

TEST_F(DeleteBridgeTest, MessagesAreLookedUp) {
  ThisThreadState().message_language = "ENG";
  ThisThreadState().resource_loader = std::make_shared<testing::TableLoader>(
      std::map<std::string, std::string>{{kMissing, "gone"}, {kBadTemplate, "bad list"}});
  std::string error;
  EXPECT_FALSE(Delete(21, 5, error));
  EXPECT_EQ(error, "gone");
  account_.Exec("UPDATE ICListTemplate SET FBillCls=0 WHERE FBillTemplateID=80");
  EXPECT_FALSE(Delete(80, 5, error));
  EXPECT_EQ(error, "bad list");
}

TEST_F(DeleteBridgeTest, TheAccountsOwnServiceDeletesTheDocument) {
  ScopedProgIdOverride real(kListUpdateProgId,
                            [] { return std::make_shared<erp::ListUpdateService>(); });
  account_.Exec("INSERT INTO SEOrderEntry (FInterID, FEntryID) VALUES (5, 1), (5, 2);");
  std::string error;
  EXPECT_TRUE(Delete(81, 5, error)) << error;
  EXPECT_EQ(error, "");
  EXPECT_TRUE(FakeListUpdate::calls.empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID=5"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FType=81 AND FIfDelete=1"), 2);

  // Deleted once, the document is missing the second time.
  EXPECT_FALSE(Delete(81, 5, error));
  EXPECT_EQ(error, kMissing);

  // A checked invoice is refused with the service's own message.
  account_.Exec("UPDATE ICSale SET FStatus=1 WHERE FInterID=6");
  error.clear();
  EXPECT_FALSE(Delete(86, 6, error));
  EXPECT_NE(error.find("checked"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvane

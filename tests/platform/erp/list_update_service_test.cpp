#include "platform/erp/list_update_service.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/outside/connection.h"
#include "frame/outside/list_update.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "support/account_file.h"

namespace corvane::erp {
namespace {

using corvane::testing::AccountFile;

// One deletion request, as the deletion bridge hands it over.
struct Request {
  int32_t tran_type;
  int32_t inter_id;
  std::string bill_no;
  int32_t list_id, template_id, bill_cls;
};

class ListUpdateServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    account_.Exec(
        "INSERT INTO ICListTemplate (FID, FBillTemplateID, FTemplateID, FBillCls) VALUES"
        " (1, 81, 81, 10), (2, 80, 80, 11), (3, 86, 86, 12), (5, 21, 21, 21);"
        "INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID) VALUES"
        " (10, 81, 'SO10  ', 'U-10'), (11, 81, 'SO11', 'U-11'), (12, NULL, 'SO12', 'U-12');"
        "INSERT INTO SEOrderEntry (FInterID, FEntryID) VALUES (10, 1), (10, 2), (11, 1), (12, 1);"
        "INSERT INTO ICSale (FInterID, FTranType, FBillNo, FUUID) VALUES"
        " (10, 86, 'SIO10', 'U-S10'), (11, 80, 'SIV11', 'U-S11');"
        "INSERT INTO ICSaleEntry (FInterID, FEntryID) VALUES (10, 1), (11, 1), (11, 2);");
    db_ = CreateObjectAs<IConnection>(kConnectionProgId);
    db_->SetConnString(account_.ConnString());
  }
  void TearDown() override {
    db_->CloseConn();
    db::HandlePool::CloseIdle();
  }

  int32_t Count(const std::string& sql) { return CLng(db_->Execute(sql)->Fields(0)); }
  // Head and entry rows of a document.
  int32_t Rows(const char* head, const char* entries, int32_t id) {
    const std::string where = " WHERE FInterID=" + std::to_string(id);
    return Count("SELECT (SELECT COUNT(*) FROM " + std::string(head) + where +
                 ") + (SELECT COUNT(*) FROM " + entries + where + ")");
  }
  int32_t Logged(const std::string& uuid) {
    return Count("SELECT COUNT(*) FROM COM_DataChange WHERE FIfDelete=1 AND FChangedUUID='" + uuid +
                 "'");
  }

  // Calls DeleteBill through the registered ProgID; `message` gets its text.
  bool Delete(Request r, std::string& message, std::string props = "") {
    if (props.empty()) props = account_.PropsString();
    auto service = CreateObjectAs<IListUpdate>(kListUpdateProgId);
    Variant props_arg(props);
    std::string login = account_.ConnString() + "|16394|administrator";
    std::string error_text = "caller's";
    int32_t zero = 0;
    message.clear();
    const bool deleted =
        service->DeleteBill(r.bill_no, props_arg, r.list_id, login, r.inter_id, r.tran_type,
                            r.bill_cls, r.template_id, error_text, zero, message);
    EXPECT_EQ(error_text, "caller's");
    return deleted;
  }

  AccountFile account_;
  ConnectionPtr db_;
};

TEST_F(ListUpdateServiceTest, DeletesHeadAndEntriesAndLogsTheDeletion) {
  struct Case {
    Request request;
    const char *head, *entries, *uuid;
    int32_t logged_type;
  };
  const Case cases[] = {
      // The number compares trimmed and without regard to case.
      {{81, 10, " so10 ", 1, 81, 10}, "SEOrder", "SEOrderEntry", "U-10", 81},
      {{81, 12, "SO12", 1, 81, 10}, "SEOrder", "SEOrderEntry", "U-12", 81},  // no FTranType
      {{86, 10, "SIO10", 3, 86, 12}, "ICSale", "ICSaleEntry", "U-S10", 86},
      {{80, 11, "SIV11", 2, 80, 11}, "ICSale", "ICSaleEntry", "U-S11", 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uuid);
    std::string message;
    EXPECT_TRUE(Delete(c.request, message)) << message;
    EXPECT_EQ(message, "");
    EXPECT_EQ(Rows(c.head, c.entries, c.request.inter_id), 0);
    EXPECT_EQ(Logged(c.uuid), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FChangedUUID='" +
                    std::string(c.uuid) + "' AND FType=" + std::to_string(c.logged_type)),
              2);
  }
  // The order that shares nothing with them is untouched.
  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 11), 2);
  EXPECT_EQ(Logged("U-11"), 0);
}

TEST_F(ListUpdateServiceTest, RefusalsDeleteNothing) {
  struct Case {
    const char* why;
    Request request;
    const char* said;  // part of the message
  };
  const Case cases[] = {
      {"missing document", {81, 99, "SO99", 1, 81, 10}, "does not exist"},
      {"wrong number", {81, 10, "SO11", 1, 81, 10}, "numbered"},
      {"number of another document", {81, 11, "SO10", 1, 81, 10}, "numbered"},
      {"empty number", {81, 10, "", 1, 81, 10}, "numbered"},
      {"invoice of the other kind", {80, 10, "SIO10", 2, 80, 11}, "transaction type 86"},
      {"template of another kind", {81, 10, "SO10", 2, 80, 11}, "list template"},
      {"wrong bill class", {81, 10, "SO10", 1, 81, 11}, "list template"},
      {"wrong template id", {81, 10, "SO10", 1, 80, 10}, "list template"},
      {"stock bill kind", {21, 10, "SO10", 5, 21, 21}, "transaction type 21"},
      {"template head", {81, 0, "SO10", 1, 81, 10}, "not a document"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string message;
    EXPECT_FALSE(Delete(c.request, message));
    EXPECT_NE(message.find(c.said), std::string::npos) << message;
  }
  account_.Exec("UPDATE SEOrder SET FStatus=1 WHERE FInterID=10");
  std::string message;
  EXPECT_FALSE(Delete({81, 10, "SO10", 1, 81, 10}, message));
  EXPECT_NE(message.find("checked"), std::string::npos) << message;

  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 10), 3);
  EXPECT_EQ(Rows("ICSale", "ICSaleEntry", 10), 2);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange"), 0);

  // A refusal leaves no transaction open: the document can be deleted once
  // it is unchecked again.
  account_.Exec("UPDATE SEOrder SET FStatus=NULL WHERE FInterID=10");
  EXPECT_TRUE(Delete({81, 10, "SO10", 1, 81, 10}, message)) << message;
}

TEST_F(ListUpdateServiceTest, AFailingStatementRollsEverythingBack) {
  // The entries go first; the head's deletion then fails.
  account_.Exec(
      "CREATE TRIGGER test_keep_head BEFORE DELETE ON SEOrder BEGIN"
      " SELECT RAISE(ABORT, 'head is kept'); END;");
  std::string message;
  EXPECT_FALSE(Delete({81, 10, "SO10", 1, 81, 10}, message));
  EXPECT_NE(message.find("head is kept"), std::string::npos) << message;
  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 10), 3);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange"), 0);

  account_.Exec(
      "DROP TRIGGER test_keep_head;"
      "CREATE TRIGGER test_keep_entries BEFORE DELETE ON SEOrderEntry BEGIN"
      " SELECT RAISE(ABORT, 'entries are kept'); END;");
  EXPECT_FALSE(Delete({81, 10, "SO10", 1, 81, 10}, message));
  EXPECT_NE(message.find("entries are kept"), std::string::npos) << message;
  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 10), 3);

  // Nothing stays locked after a failure.
  account_.Exec("DROP TRIGGER test_keep_entries;");
  EXPECT_TRUE(Delete({81, 10, "SO10", 1, 81, 10}, message)) << message;
  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 10), 0);
}

TEST_F(ListUpdateServiceTest, RaisesOnlyWhenItCannotConnect) {
  std::string message;
  EXPECT_THROW(Delete({81, 10, "SO10", 1, 81, 10}, message, "UserID=16394;"), RuntimeError);
  {
    ScopedProgIdOverride no_connection(kConnectionProgId, nullptr);
    EXPECT_THROW(Delete({81, 10, "SO10", 1, 81, 10}, message), RuntimeError);
  }
  // A database that cannot be opened is a failed deletion, not an error.
  const std::string nowhere =
      "ConnectString={Provider=SQLite;Data Source=" + account_.dir().File("no/such.db") + "};";
  EXPECT_FALSE(Delete({81, 10, "SO10", 1, 81, 10}, message, nowhere));
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(Rows("SEOrder", "SEOrderEntry", 10), 3);
}

}  // namespace
}  // namespace corvane::erp

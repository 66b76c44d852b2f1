#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "erpdb/sql_functions.h"
#include "exchange/cls_sale_order.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "frame/outside/object_factory.h"
#include "frame/schema_folder.h"
#include "platform/db/odbc_handle.h"
#include "support/demo_account.h"
#include "support/exchange_fixture.h"
#include "support/faulty_connection.h"
#include "values/format.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::ExchangeTest;
using testing::WatchedConnection;

class SaleOrderExportTest : public ExchangeTest {
 protected:
  SaleOrderExportTest() : ExchangeTest("TavoIndSaleOrder") {}

  bool PassesXmllint(const std::string& xml) {
    const std::string file = account_.dir().File("page.xml");
    std::ofstream(file, std::ios::trunc) << xml;
    const std::string command = "xmllint --noout --schema '" + ThisThreadSchemaFolder() +
                                "TavoIndSaleOrder.xsd' '" + file + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
};

TEST_F(SaleOrderExportTest, PagingWalkReturnsEveryOrderOnceInTimestampOrder) {
  clsSaleOrder order;
  std::vector<std::string> seen;
  std::string timestamp;  // omitted: from the beginning
  int pages = 0;
  while (true) {
    Page p = Export(order, 7, timestamp);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(PassesXmllint(p.xml));
    EXPECT_EQ(p.timestamp.size(), 18u);
    if (p.bill_numbers.empty()) {
      EXPECT_EQ(p.timestamp, "0x0000000000000000");
      break;
    }
    EXPECT_LE(p.bill_numbers.size(), 7u);
    seen.insert(seen.end(), p.bill_numbers.begin(), p.bill_numbers.end());
    timestamp = p.timestamp;
    ASSERT_LT(++pages, 100);
  }
  EXPECT_EQ(seen, Column("SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 ORDER BY FOperDate"));
}

// Through ODBC a page stops below the lowest row version a writer still holds
// uncommitted (SQL Server's MIN_ACTIVE_ROWVERSION(); on SQLite, a version in
// t_RowVersionHeld): an order committed above it comes in a later call, once
// the writer is done, instead of moving the cursor past the held version for
// good. On the embedded account, whose writers are serialised, the statements
// are as they were and the order comes at once.
TEST_F(SaleOrderExportTest, ThroughOdbcAPageStopsBelowARowVersionStillHeldOpen) {
  const std::vector<db::OdbcDriver> drivers = db::InstalledOdbcDrivers();
  if (std::none_of(drivers.begin(), drivers.end(),
                   [](const db::OdbcDriver& d) { return d.name == "SQLite3"; }))
    GTEST_SKIP() << "the SQLite3 ODBC driver (libsqliteodbc) is not installed";
  const std::string odbc_props =
      "ConnectString={Provider=MSDASQL;Driver=SQLite3;Database=" + account_.path() +
      "};UserID=16394;";
  auto export_from = [&](const std::string& props, std::string timestamp) {
    clsSaleOrder order;
    return Export(order, 0, std::move(timestamp), props);
  };
  const Page all = export_from(odbc_props, "");
  ASSERT_TRUE(all.ok) << all.error;
  EXPECT_EQ(all.bill_numbers.size(), 25u);

  // A writer takes the next row version and holds it open; meanwhile an
  // order is changed and committed above it.
  Sql("UPDATE t_RowVersionCounter SET FLast = FLast + 1 WHERE FID = 1");
  const long long held = std::stoll(One("SELECT FLast FROM t_RowVersionCounter WHERE FID = 1"));
  Sql("INSERT INTO t_RowVersionHeld (FVersion) VALUES (" + std::to_string(held) + ")");
  const std::string changed = all.bill_numbers.front();
  Sql("UPDATE SEOrder SET FFetchAdd = 'moved' WHERE FBillNo = '" + changed + "'");

  const Page held_back = export_from(odbc_props, all.timestamp);
  ASSERT_TRUE(held_back.ok) << held_back.error;
  EXPECT_TRUE(held_back.bill_numbers.empty());
  char below[32];
  std::snprintf(below, sizeof below, "0x%016llX", held - 1);
  EXPECT_EQ(held_back.max_timestamp, below);  // never at or past the held version

  // The embedded account does not hold back: its writers are serialised.
  const Page embedded = export_from(account_.PropsString(), all.timestamp);
  ASSERT_TRUE(embedded.ok) << embedded.error;
  EXPECT_EQ(embedded.bill_numbers, std::vector<std::string>{changed});

  Sql("DELETE FROM t_RowVersionHeld");  // the writer is done
  const Page later = export_from(odbc_props, all.timestamp);
  ASSERT_TRUE(later.ok) << later.error;
  EXPECT_EQ(later.bill_numbers, std::vector<std::string>{changed});
  db::OdbcPool::CloseIdle();
}

TEST_F(SaleOrderExportTest, TimestampsOfThePageAndTheTable) {
  clsSaleOrder order;
  Page first = Export(order, 1, "");
  ASSERT_TRUE(first.ok) << first.error;
  ASSERT_EQ(first.bill_numbers.size(), 1u);
  const auto oldest = Column(
      "SELECT TOP 1 FBillNo FROM SEOrder WHERE FInterID <> 0 ORDER BY FOperDate");
  EXPECT_EQ(first.bill_numbers.front(), oldest.front());
  // The maximum covers the whole table, the FInterID 0 row included.
  ParsePropsString(account_.PropsString());
  ConnectionPtr c;
  OpenErpConnection(c);
  RecordSetPtr max = c->GetAnyRecordSet("SELECT MAX(FOperDate) FROM SEOrder");
  std::string expected = "0x";
  for (uint8_t b : max->Fields(0).AsBytes()) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    expected += hex;
  }
  EXPECT_EQ(first.max_timestamp, expected);
}

TEST_F(SaleOrderExportTest, AnOrderUpdatedBetweenPagesComesAgain) {
  clsSaleOrder order;
  Page first = Export(order, 5, "");
  ASSERT_TRUE(first.ok) << first.error;
  Sql("UPDATE SEOrder SET FFetchAdd='moved' WHERE FBillNo='" + first.bill_numbers.front() + "'");
  std::vector<std::string> later;
  for (std::string ts = first.timestamp;;) {
    Page p = Export(order, 5, ts);
    ASSERT_TRUE(p.ok) << p.error;
    if (p.bill_numbers.empty()) break;
    later.insert(later.end(), p.bill_numbers.begin(), p.bill_numbers.end());
    ts = p.timestamp;
  }
  ASSERT_FALSE(later.empty());
  EXPECT_EQ(later.back(), first.bill_numbers.front());
}

TEST_F(SaleOrderExportTest, FilterAndAllInOnePage) {
  const auto customers = Column("SELECT TOP 1 FCustID FROM SEOrder WHERE FInterID <> 0 ORDER BY FCustID");
  clsSaleOrder order;
  order.SetFilter("FCustID=" + customers.front());
  Page p = Export(order, 0, "");
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.bill_numbers,
            Column("SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 AND FCustID=" +
                   customers.front() + " ORDER BY FOperDate"));
  order.SetFilter("");
  Page all = Export(order, 0, "");
  EXPECT_EQ(all.bill_numbers.size(),
            Column("SELECT FBillNo FROM SEOrder WHERE FInterID <> 0").size());
}

TEST_F(SaleOrderExportTest, ProgressOnlyWhenAskedFor) {
  clsSaleOrder order;
  std::vector<std::pair<int32_t, int32_t>> events;
  order.SetProgressHandler([&](int32_t cur, int32_t total, bool ok, const std::string& msg) {
    EXPECT_TRUE(ok);
    EXPECT_EQ(msg, "");
    events.emplace_back(cur, total);
  });
  ASSERT_TRUE(Export(order, 4, "").ok);
  EXPECT_TRUE(events.empty());
  order.SetbProgress(true);
  ASSERT_TRUE(Export(order, 4, "").ok);
  EXPECT_EQ(events, (std::vector<std::pair<int32_t, int32_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
}

TEST_F(SaleOrderExportTest, RecordsCarryHeaderFieldsKeysAndEntries) {
  Sql("UPDATE SEOrder SET FDate=NULL, FExchangeRate=NULL, FCustID=0 WHERE FBillNo='SO000002'");
  Sql("DELETE FROM SEOrderEntry WHERE FInterID=(SELECT FInterID FROM SEOrder WHERE FBillNo='SO000004')");
  clsSaleOrder order;
  Page p = Export(order, 0, "");
  ASSERT_TRUE(p.ok) << p.error;
  auto changed = Find(p, "SO000002");
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->Value("Date"), Format(Variant(Now()), "yyyy-mm-dd"));
  EXPECT_EQ(changed->Value("ExchangeRate"), Variant("1"));  // as text in the document
  EXPECT_FALSE(changed->Exists("Customer"));  // ID 0: no key record
  auto no_entries = Find(p, "SO000004");
  ASSERT_TRUE(no_entries);
  EXPECT_EQ(no_entries->Value("OrderEntry").ObjectAs<ValueVector>()->Count(), 0);
  // The export wrote no OrderEntry element for it (the reader adds the empty list).
  const size_t at = p.xml.find("<BillNo>SO000004</BillNo>");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(p.xml.substr(at, p.xml.find("</SaleOrder>", at) - at).find("<OrderEntry>"),
            std::string::npos);
  auto normal = Find(p, "SO000001");
  ASSERT_TRUE(normal);
  auto customer = normal->Value("Customer").ObjectAs<ValueDictionary>();
  EXPECT_FALSE(CStr(customer->Value("Number")).empty());
  EXPECT_FALSE(CStr(customer->Value("UUID")).empty());
  auto entries = normal->Value("OrderEntry").ObjectAs<ValueVector>();
  ASSERT_GT(entries->Count(), 0);
  auto entry = entries->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_TRUE(entry->Exists("Item"));
  EXPECT_TRUE(entry->Exists("Unit"));
  EXPECT_EQ(CStr(entry->Value("EntryID")), "1");
}

TEST_F(SaleOrderExportTest, AnEmptyTableAnswersTheZeroTimestamps) {
  Sql("DELETE FROM SEOrderEntry");
  Sql("DELETE FROM SEOrder");
  clsSaleOrder order;
  Page p = Export(order, 10, "");
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.max_timestamp, "0x0000000000000000");
  EXPECT_EQ(p.timestamp, "0x0000000000000000");
  EXPECT_TRUE(p.bill_numbers.empty());
}

TEST_F(SaleOrderExportTest, AFailedKeyLookupFailsTheCallInsteadOfLeavingTheKeyOut) {
  testing::ScopedFaultyConnections faults;
  faults.plan.fail_matching = "FROM t_Currency";
  clsSaleOrder order;
  std::string props = account_.PropsString(), xml = "before", ts, max, error;
  EXPECT_FALSE(order.Export(props, xml, 10, ts, max, error));
  EXPECT_NE(error.find(testing::kInjectedFault), std::string::npos) << error;
  EXPECT_EQ(xml, "before");
  // With the lookup working again the same page comes whole.
  faults.plan.fail_matching.clear();
  ts.clear();
  const Page page = Export(order, 10, "");
  ASSERT_TRUE(page.ok) << page.error;
  EXPECT_TRUE(page.records->Item(1).ObjectAs<ValueDictionary>()->Exists("Currency"));
}

// Key lookups are answered from kept rows only while the account is
// unchanged: a customer renamed by another connection between two lookups
// of one Export call comes with its new name in the very next order.
TEST_F(SaleOrderExportTest, ACustomerRenamedDuringTheCallShowsInTheNextLookup) {
  const std::string customer = One(
      "SELECT FCustID FROM SEOrder WHERE FInterID <> 0 GROUP BY FCustID HAVING COUNT(*) >= 3 "
      "ORDER BY FCustID LIMIT 1");
  ASSERT_NE(customer, "(none)");
  const std::string uuid = One("SELECT UUID FROM t_Item WHERE FItemID = " + customer);
  const std::string old_name = One("SELECT FName FROM t_Item WHERE FItemID = " + customer);
  const std::string lookup = "SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=" + customer;
  testing::ScopedFaultyConnections faults;
  int lookups = 0;
  faults.plan.after = [&](int, std::string_view sql) {
    if (sql != lookup || ++lookups != 1) return;
    sqlite3* other = nullptr;
    sqlite3_open(account_.path().c_str(), &other);
    erpdb::RegisterErpSqlFunctions(other);
    EXPECT_EQ(sqlite3_exec(other,
                           ("UPDATE t_Item SET FName = 'Renamed during the call' WHERE FItemID = " +
                            customer).c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
  };
  clsSaleOrder order;
  const Page page = Export(order, 0, "");
  ASSERT_TRUE(page.ok) << page.error;
  std::vector<std::string> names;
  for (const Variant& item : *page.records) {
    const auto record = item.ObjectAs<ValueDictionary>();
    const auto key = record->Value("Customer").ObjectAs<ValueDictionary>();
    if (CStr(key->Value("UUID")) == uuid) names.push_back(CStr(key->Value("Name")));
  }
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names.front(), old_name);
  for (size_t i = 1; i < names.size(); ++i) EXPECT_EQ(names[i], "Renamed during the call");
}

class MemberConnectionTest : public SaleOrderExportTest {
 protected:
  void SetUp() override {
    WatchedConnection::statements.clear();
    WatchedConnection::read_only.clear();
  }
  ScopedProgIdOverride watched_{kConnectionProgId, [] { return std::make_shared<WatchedConnection>(); }};
  bool AnyOpen() const {
    for (WatchedConnection* c : WatchedConnection::made)
      if (c->IsOpen()) return true;
    return false;
  }
  bool RanSqlOnOrders() const {
    for (const std::string& s : WatchedConnection::statements)
      if (UCase(s).find("SEORDER") != std::string::npos) return true;
    return false;
  }
};

TEST_F(MemberConnectionTest, TheStatementsAsSent) {
  clsSaleOrder order;
  std::string props = account_.PropsString(), xml, ts, max, error;
  ASSERT_TRUE(order.Export(props, xml, 100, ts, max, error)) << error;
  EXPECT_TRUE(WatchedConnection::Sent("SELECT MAX(FOperDate) as FMT FROM SeOrder"));
  EXPECT_TRUE(
      WatchedConnection::Sent("SELECT TOP 100 *  From SEOrder  WHERE  FInterID <> 0  AND "
                              "(FOperDate>0x0000000000000000) ORDER BY FOperDate"));
  order.SetFilter("FCustID=5");
  ts = "0x00000000000107D1";
  ASSERT_TRUE(order.Export(props, xml, 0, ts, max, error)) << error;
  const std::string filtered =
      "SELECT *  From SEOrder  WHERE  FInterID <> 0  AND "
      "((FOperDate>0x00000000000107D1) AND (FCustID=5)) ORDER BY FOperDate";
  EXPECT_TRUE(WatchedConnection::Sent(filtered));
  // The statement that carries the Filter runs as a read-only query.
  EXPECT_NE(std::find(WatchedConnection::read_only.begin(), WatchedConnection::read_only.end(),
                      filtered),
            WatchedConnection::read_only.end());
}

TEST_F(MemberConnectionTest, AFilterThatIsNotOneConditionRunsNoSqlAndChangesNothing) {
  const std::string entries = "SELECT COUNT(*) FROM SEOrderEntry";
  const std::string quantities = "SELECT SUM(FAuxQty) FROM SEOrderEntry";
  const auto entries_before = Column(entries);
  const auto quantities_before = Column(quantities);
  ASSERT_NE(entries_before.front(), "0");
  const char* const kHostile[] = {
      "1=1)); DELETE FROM SEOrderEntry; SELECT * FROM SEOrder WHERE ((1=1",
      "1=1)) DELETE FROM SEOrderEntry SELECT * FROM SEOrder WHERE ((1=1",
      "1=1)) UPDATE SEOrderEntry SET FAuxQty=0 SELECT * FROM SEOrder WHERE ((1=1",
      "1=1; DROP TABLE SEOrderEntry",
      "1=1)) OR ((1=1",
      "FCustID=5 -- ) ORDER BY FOperDate",
  };
  clsSaleOrder order;
  for (const char* filter : kHostile) {
    SCOPED_TRACE(filter);
    order.SetFilter(filter);
    WatchedConnection::statements.clear();
    std::string props = account_.PropsString(), xml = "before", ts, max = "m", error;
    EXPECT_FALSE(order.Export(props, xml, 2, ts, max, error));
    EXPECT_EQ(error.rfind("错误号:5\r\n", 0), 0u) << error;
    EXPECT_NE(error.find("筛选条件必须是单个条件"), std::string::npos) << error;
    EXPECT_EQ(xml, "before");
    EXPECT_EQ(max, "m");
    EXPECT_FALSE(RanSqlOnOrders());
    EXPECT_FALSE(AnyOpen());
  }
  EXPECT_EQ(Column(entries), entries_before);
  EXPECT_EQ(Column(quantities), quantities_before);
  // The object goes on with a condition that is one.
  order.SetFilter("FBillNo LIKE 'SO;--(%'");
  std::string props = account_.PropsString(), xml, ts, max, error;
  EXPECT_TRUE(order.Export(props, xml, 2, ts, max, error)) << error;
  EXPECT_EQ(ts, "0x0000000000000000");  // no bill number holds those characters
}

TEST_F(MemberConnectionTest, MalformedTimestampsAndPageSizesRunNoSql) {
  clsSaleOrder order;
  struct Case {
    std::string timestamp;
    int32_t per_count;
  };
  const Case cases[] = {{"0x0) OR (1=1", 10}, {"12", 10}, {"0xZZ", 10},
                        {"0x00000000000000001", 10}, {"0x0000000000000000", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timestamp + " / " + std::to_string(c.per_count));
    WatchedConnection::statements.clear();
    std::string props = account_.PropsString(), xml = "before", ts = c.timestamp, max, error;
    EXPECT_FALSE(order.Export(props, xml, c.per_count, ts, max, error));
    EXPECT_EQ(error.rfind("错误号:5\r\n", 0), 0u) << error;
    EXPECT_EQ(xml, "before");
    EXPECT_FALSE(RanSqlOnOrders());
    EXPECT_FALSE(AnyOpen());
  }
}

TEST_F(MemberConnectionTest, ABrokenFilterFailsWithTheDatabasesMessageAndClosesTheConnection) {
  clsSaleOrder order;
  order.SetFilter("FCustID = = 5");
  std::string props = account_.PropsString(), xml = "before", ts, max, error;
  EXPECT_FALSE(order.Export(props, xml, 10, ts, max, error));
  EXPECT_NE(error.find("syntax error"), std::string::npos) << error;
  EXPECT_NE(error.find("(FCustID = = 5)"), std::string::npos) << error;
  EXPECT_EQ(xml, "before");
  EXPECT_FALSE(AnyOpen());
  // The next call on the same object starts cleanly.
  order.SetFilter("");
  EXPECT_TRUE(order.Export(props, xml, 10, ts, max, error)) << error;
  EXPECT_FALSE(AnyOpen());
}

TEST_F(MemberConnectionTest, ARefusedUserGetsTheRightsMessageAndNothingElse) {
  clsSaleOrder order;
  std::string props = account_.PropsString(16397), xml = "x", ts = "0x01", max = "m", error;
  EXPECT_FALSE(order.Export(props, xml, 10, ts, max, error));
  EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
  EXPECT_EQ(xml, "x");
  EXPECT_EQ(ts, "0x01");
  EXPECT_EQ(max, "m");
  EXPECT_FALSE(RanSqlOnOrders());
}

}  // namespace
}  // namespace corvane

#include <gtest/gtest.h>

#include "exchange/cls_sale_order.h"
#include "frame/outside/bill_service.h"
#include "frame/outside/object_factory.h"
#include "support/account_file.h"
#include "support/demo_account.h"
#include "support/exchange_fixture.h"
#include "support/faulty_connection.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::CopyDocuments;
using testing::DemoAccount;
using testing::ExchangeTest;
using testing::ExpectSameRows;
using testing::ImportResult;
using testing::Key;
using testing::OneOf;
using testing::RefusedIn;

class SaleOrderImportTest : public ExchangeTest {
 protected:
  // Base data only: the target of imports. Numbers of base rows are those of
  // the demo generator for seed 7.
  SaleOrderImportTest() : ExchangeTest("TavoIndSaleOrder", DemoAccount::BaseOnly()) {}

  // An order that every check accepts, on the demo's base data.
  ValueDictionaryPtr Order(const std::string& bill_no) {
    auto order = ValueDictionary::Create();
    order->SetValue("BillNo", Variant(bill_no));
    order->SetValue("Date", Variant("2025-06-30"));
    order->SetValue("Customer", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Item WHERE FItemClassID=1 ORDER BY FItemID"))));
    order->SetValue("Currency", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Currency ORDER BY FCurrencyID"))));
    order->SetValue("Department", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Item WHERE FItemClassID=2 ORDER BY FItemID"))));
    order->SetValue("Employee", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Item WHERE FItemClassID=3 ORDER BY FItemID"))));
    auto entries = ValueVector::Create();
    entries->Add(Variant(Entry("5", "10")));
    order->SetValue("OrderEntry", Variant(entries));
    return order;
  }
  ValueDictionaryPtr Entry(const std::string& qty, const std::string& price) {
    auto e = ValueDictionary::Create();
    e->SetValue("Item", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Item WHERE FItemClassID=4 ORDER BY FItemID"))));
    e->SetValue("Unit", Variant(Key("", One("SELECT TOP 1 FName FROM t_MeasureUnit ORDER BY FMeasureUnitID"))));
    e->SetValue("Qty", Variant(qty));
    e->SetValue("Price", Variant(price));
    return e;
  }
};

TEST_F(SaleOrderImportTest, TheAmountsOfAnEntry) {
  auto order = Order("IMP-1");
  auto entry = order->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>();
  entry->SetValue("TaxRate", Variant("10"));
  entry->SetValue("Cess", Variant("17"));
  clsSaleOrder cls;
  Result r = Import(cls, {order});
  ASSERT_TRUE(r.ok) << r.error;
  const auto row = Rows(
      "SELECT FAmount, FTaxAmt, FAllAmount, FAuxTaxPrice, FAuxPriceDiscount, FUniDiscount, FTaxAmount, "
      "FAllStdAmount, FAuxQty, FAuxPrice FROM SEOrderEntry").at(0);
  EXPECT_EQ(row, (std::vector<std::string>{"45", "7.65", "52.65", "11.7", "10.53", "1.17", "5.85",
                                           "52.65", "5", "10"}));
  EXPECT_EQ(One("SELECT FImport FROM SEOrder WHERE FBillNo='IMP-1'"), "1");
  EXPECT_EQ(One("SELECT FSystemType FROM SEOrder WHERE FBillNo='IMP-1'"), "2");
  EXPECT_EQ(One("SELECT FTranType FROM SEOrder WHERE FBillNo='IMP-1'"), "81");
  EXPECT_EQ(r.progress.size(), 1u);
}

TEST_F(SaleOrderImportTest, PriceZeroWritesZeroAmounts) {
  auto order = Order("IMP-2");
  order->Value("OrderEntry").ObjectAs<ValueVector>()->SetItem(1, Variant(Entry("3", "0")));
  clsSaleOrder cls;
  ASSERT_TRUE(Import(cls, {order}).ok);
  EXPECT_EQ(Rows("SELECT FAmount, FTaxAmt, FAllAmount, FAllStdAmount, FTaxAmount FROM SEOrderEntry").at(0),
            (std::vector<std::string>{"0", "0", "0", "0", "0"}));
}

TEST_F(SaleOrderImportTest, SalesStyleDefaultsTo101AndMustResolveWhenGiven) {
  clsSaleOrder cls;
  ASSERT_TRUE(Import(cls, {Order("IMP-3")}).ok);
  EXPECT_EQ(One("SELECT FSaleStyle FROM SEOrder WHERE FBillNo='IMP-3'"), "101");
  auto bad = Order("IMP-4");
  bad->SetValue("SaleStyle", Variant(Key("NO-SUCH-STYLE")));
  Result r = Import(cls, {bad});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("单据IMP-4引入出错！销售方式不能为空！"), std::string::npos) << r.error;
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder WHERE FBillNo='IMP-4'"), "0");
}

TEST_F(SaleOrderImportTest, ChecksInTheirOrderWithTheirMessages) {
  struct Case {
    const char* why;
    std::function<void(ValueDictionary&)> spoil;
    const char* message;
  };
  const Case cases[] = {
      {"no entries", [](ValueDictionary& o) { o.Remove("OrderEntry"); }, "至少必须有一条分录！"},
      {"unknown item", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Item", Variant(Key("NOPE")));
       }, "物料不能为空！"},
      {"no date", [](ValueDictionary& o) { o.Remove("Date"); }, "日期不能为空！"},
      {"quantity 0", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Qty", Variant("0"));
       }, "数量不能为0！"},
      {"no customer", [](ValueDictionary& o) { o.Remove("Customer"); }, "购货单位不能为空！"},
      {"no currency", [](ValueDictionary& o) { o.Remove("Currency"); }, "币别不能为空！"},
      {"no department", [](ValueDictionary& o) { o.Remove("Department"); }, "部门不能为空！"},
      {"no salesman", [](ValueDictionary& o) { o.Remove("Employee"); }, "业务员不能为空！"},
      {"bad quantity", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Qty", Variant("abc"));
       }, "Qty 的值不是数字：abc"},
      {"bad price", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Price", Variant("1e3x"));
       }, "Price 的值不是数字：1e3x"},
      {"bad exchange rate", [](ValueDictionary& o) { o.SetValue("ExchangeRate", Variant("1;DROP")); },
       "ExchangeRate 的值不是数字：1;DROP"},
      {"quantity the column cannot hold", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Qty", Variant("99999999999999999999"));
       }, "Qty 的值超出范围：99999999999999999999"},
      {"amount the column cannot hold", [](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Amount", Variant("-1000000000000000000.5"));
       }, "Amount 的值超出范围：-1000000000000000000.5"},
      {"exchange rate the column cannot hold", [](ValueDictionary& o) {
         o.SetValue("ExchangeRate", Variant("1e400"));
       }, "ExchangeRate 的值不是数字：1e400"},
      {"impossible date", [](ValueDictionary& o) { o.SetValue("Date", Variant("2023-02-30")); },
       "Date 的值不是日期：2023-02-30"},
      {"date before the account's first day", [](ValueDictionary& o) { o.SetValue("Date", Variant("1752-12-31")); },
       "Date 的值超出范围：1752-12-31"},
      // Two faults: the earlier check speaks.
      {"unknown item before missing customer", [](ValueDictionary& o) {
         o.Remove("Customer");
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Item", Variant(Key("NOPE")));
       }, "物料不能为空！"},
      {"quantity 0 before a bad tax rate", [](ValueDictionary& o) {
         auto e = o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>();
         e->SetValue("Qty", Variant("0"));
         e->SetValue("Cess", Variant("abc"));
       }, "数量不能为0！"},
      {"unknown item before a bad exchange rate", [](ValueDictionary& o) {
         o.SetValue("ExchangeRate", Variant("x"));
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Item", Variant(Key("NOPE")));
       }, "物料不能为空！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto order = Order("BAD-1");
    c.spoil(*order);
    clsSaleOrder cls;
    Result r = Import(cls, {order});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(std::string("错误源:单据BAD-1引入出错！") + c.message), std::string::npos)
        << r.error;
    EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "0");
    EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrderEntry"), "0");
  }
}

TEST_F(SaleOrderImportTest, AFailedLookupFailsTheOrderWithTheDatabasesError) {
  // Each lookup's statement fails in turn: the order reports the database's
  // error, never the message of a missing value, and nothing is saved.
  const char* lookups[] = {"WHERE FItemClassID=4", "from t_measureunit", "WHERE FItemClassID=1",
                           "FROM t_Currency", "From t_Organization"};
  for (const char* lookup : lookups) {
    SCOPED_TRACE(lookup);
    auto order = Order("LOOKUP-1");
    testing::ScopedFaultyConnections faults;
    faults.plan.fail_matching = lookup;
    clsSaleOrder cls;
    Result r = Import(cls, {order});
    EXPECT_FALSE(r.ok);
    EXPECT_GT(faults.plan.failed, 0);
    EXPECT_NE(r.error.find(std::string("单据LOOKUP-1引入出错！") + testing::kInjectedFault),
              std::string::npos)
        << r.error;
    faults.plan.fail_matching.clear();
    EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "0");
  }
}

TEST_F(SaleOrderImportTest, AddNewOnlySkipsKnownOrdersAndOtherwiseTheyAreSavedOver) {
  clsSaleOrder cls;
  ASSERT_TRUE(Import(cls, {Order("IMP-5")}).ok);
  const std::string id = One("SELECT FInterID FROM SEOrder WHERE FBillNo='IMP-5'");
  auto changed = Order("IMP-5");
  auto entries = changed->Value("OrderEntry").ObjectAs<ValueVector>();
  entries->SetItem(1, Variant(Entry("7", "2")));
  entries->Add(Variant(Entry("8", "3")));

  cls.SetAddNewOnly(true);
  Result skipped = Import(cls, {changed});
  ASSERT_TRUE(skipped.ok) << skipped.error;
  ASSERT_EQ(skipped.progress.size(), 1u);
  EXPECT_TRUE(std::get<2>(skipped.progress[0]));
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrderEntry"), "1");
  EXPECT_EQ(One("SELECT FAuxQty FROM SEOrderEntry"), "5");

  cls.SetAddNewOnly(false);
  const std::string old_uuid = One("SELECT FUUID FROM SEOrder WHERE FBillNo='IMP-5'");
  ASSERT_TRUE(Import(cls, {changed}).ok);
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder WHERE FBillNo='IMP-5'"), "1");
  EXPECT_EQ(One("SELECT FInterID FROM SEOrder WHERE FBillNo='IMP-5'"), id);
  EXPECT_EQ(Rows("SELECT FAuxQty FROM SEOrderEntry ORDER BY FEntryID"),
            (std::vector<std::vector<std::string>>{{"7"}, {"8"}}));
  // Saved over, not deleted: the CRM hears only that the old UUID is gone,
  // because without CheckByUUID the saved order got a new one.
  EXPECT_EQ(Rows("SELECT DISTINCT FChangedUUID FROM COM_DataChange"),
            (std::vector<std::vector<std::string>>{{old_uuid}}));
  cls.SetCheckByUUID(true);
  auto same_uuid = Order("IMP-5");
  same_uuid->SetValue("UUID", Variant(One("SELECT FUUID FROM SEOrder WHERE FBillNo='IMP-5'")));
  ASSERT_TRUE(Import(cls, {same_uuid}).ok);
  EXPECT_EQ(One("SELECT COUNT(*) FROM COM_DataChange"), "2");  // nothing more logged
}

TEST_F(SaleOrderImportTest, TheCrmsUuidIsKeptOnlyWithCheckByUuid) {
  auto with_uuid = [&](const std::string& bill, const std::string& uuid) {
    auto o = Order(bill);
    o->SetValue("UUID", Variant(uuid));
    return o;
  };
  clsSaleOrder cls;
  ASSERT_TRUE(Import(cls, {with_uuid("U-1", "CRM-UUID-1")}).ok);
  EXPECT_NE(One("SELECT FUUID FROM SEOrder WHERE FBillNo='U-1'"), "CRM-UUID-1");
  cls.SetCheckByUUID(true);
  ASSERT_TRUE(Import(cls, {with_uuid("U-2", "CRM-UUID-2")}).ok);
  EXPECT_EQ(One("SELECT FUUID FROM SEOrder WHERE FBillNo='U-2'"), "CRM-UUID-2");
  // An order found by its UUID is saved over, whatever its number says.
  ASSERT_TRUE(Import(cls, {with_uuid("U-2-renamed", "CRM-UUID-2")}).ok);
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder WHERE FUUID='CRM-UUID-2'"), "1");
  // A blank UUID is no UUID: the order gets a new one and matches nothing.
  ASSERT_TRUE(Import(cls, {with_uuid("U-3", "   ")}).ok);
  EXPECT_EQ(One("SELECT LENGTH(FUUID) FROM SEOrder WHERE FBillNo='U-3'"), "36");
}

TEST_F(SaleOrderImportTest, ImportErrorIgnoreGoesOnWithTheNextOrder) {
  auto bad = Order("BAD-2");
  bad->Remove("Customer");
  clsSaleOrder cls;
  Result stopped = Import(cls, {bad, Order("GOOD-2")});
  EXPECT_FALSE(stopped.ok);
  EXPECT_NE(stopped.error.find("错误号:-1\r\n错误源:单据BAD-2引入出错！购货单位不能为空！"), std::string::npos)
      << stopped.error;
  EXPECT_TRUE(stopped.progress.empty());
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "0");

  cls.SetImportErrorIgnore(true);
  Result went_on = Import(cls, {bad, Order("GOOD-2")});
  EXPECT_TRUE(went_on.ok) << went_on.error;
  ASSERT_EQ(went_on.progress.size(), 2u);
  EXPECT_EQ(went_on.progress[0],
            std::make_tuple(1, 2, false, std::string("单据BAD-2引入出错！购货单位不能为空！")));
  EXPECT_EQ(went_on.progress[1], std::make_tuple(2, 2, true, std::string()));
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder WHERE FBillNo='GOOD-2'"), "1");
}

TEST_F(SaleOrderImportTest, OneBadValueFailsOnlyItsOwnOrder) {
  // The schema takes any text where the import checks the value itself or
  // never reads it, so the batch is read and only the third order fails.
  std::vector<ValueDictionaryPtr> orders;
  for (int i = 1; i <= 5; ++i) orders.push_back(Order("BATCH-" + std::to_string(i)));
  orders[2]->SetValue("Date", Variant("2024/05/02"));
  orders[3]->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
      "EntryID", Variant("1a"));
  orders[4]->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
      "FinalAmount", Variant("thirty"));
  clsSaleOrder cls;
  cls.SetImportErrorIgnore(true);
  Result r = Import(cls, orders);
  EXPECT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), 5u);
  EXPECT_EQ(r.progress[2],
            std::make_tuple(3, 5, false, std::string("单据BATCH-3引入出错！Date 的值不是日期：2024/05/02")));
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "4");
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder WHERE FBillNo='BATCH-3'"), "0");
}

TEST_F(SaleOrderImportTest, QuotesAreStoredExactlyAsSent) {
  auto order = Order("O'BRIEN-1");
  order->SetValue("FetchAdd", Variant("Dock 5, 'north' gate"));
  order->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
      "Note", Variant("it's urgent"));
  clsSaleOrder cls;
  Result r = Import(cls, {order});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(One("SELECT FFetchAdd FROM SEOrder WHERE FBillNo='O''BRIEN-1'"), "Dock 5, 'north' gate");
  EXPECT_EQ(One("SELECT FNote FROM SEOrderEntry"), "it's urgent");
}

TEST_F(SaleOrderImportTest, AnOrderThatFailsWhileSavingLeavesNothing) {
  // The database refuses the second entry row.
  testing::AccountFile::ExecOn(account_.path(),
                               "CREATE TRIGGER refuse_second BEFORE INSERT ON SEOrderEntry "
                               "WHEN NEW.FEntryID = 2 BEGIN SELECT RAISE(ABORT, 'entry refused'); END");
  auto order = Order("ATOM-1");
  order->Value("OrderEntry").ObjectAs<ValueVector>()->Add(Variant(Entry("1", "1")));
  clsSaleOrder cls;
  Result r = Import(cls, {order});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("entry refused"), std::string::npos) << r.error;
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "0");
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrderEntry"), "0");
}

TEST_F(SaleOrderImportTest, AdviceDeliveryDateAddsTheCustomersCarryingDays) {
  const std::string customer = One("SELECT TOP 1 FItemID FROM t_Item WHERE FItemClassID=1 ORDER BY FItemID");
  struct Case {
    const char* carrying;  // SQL for the t_Organization row, or nullptr for none
    const char* date;
    const char* advice;  // or, for a refused order, its message
    bool saved = true;
  };
  const Case cases[] = {{"3", "2025-06-30", "2025-07-03"},
                        {"NULL", "2025-06-30", "2025-06-30"},
                        {nullptr, "2025-06-30", "2025-06-30"},
                        {"0", "9999-12-31", "9999-12-31"},  // the account's last day
                        {"3", "9999-12-31", "Date 的值超出范围：9999-12-31", false}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.carrying ? c.carrying : "no row") + " " + c.date);
    testing::AccountFile::ExecOn(account_.path(), "DELETE FROM t_Organization WHERE FItemID=" + customer);
    if (c.carrying)
      testing::AccountFile::ExecOn(account_.path(), "INSERT INTO t_Organization (FItemID, FCarryingAOS) VALUES (" +
                                                        customer + ", " + c.carrying + ")");
    const std::string bill = "ADV-" + std::to_string(++n);
    auto order = Order(bill);
    order->SetValue("Date", Variant(c.date));
    clsSaleOrder cls;
    const Result r = Import(cls, {order});
    if (!c.saved) {
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.error.find(c.advice), std::string::npos) << r.error;
      continue;
    }
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(One("SELECT e.FAdviceConsignDate FROM SEOrderEntry e JOIN SEOrder o ON o.FInterID = e.FInterID "
                  "WHERE o.FBillNo='" + bill + "'"),
              c.advice);
    EXPECT_EQ(One("SELECT e.FDate FROM SEOrderEntry e JOIN SEOrder o ON o.FInterID = e.FInterID "
                  "WHERE o.FBillNo='" + bill + "'"),
              c.date);
  }
}

// A bill service that refuses every save with one return code.
class RefusingSaver : public IBillSaveService {
 public:
  Variant GetBillNo(const std::string&, int32_t, bool) override { return Variant("AUTO"); }
  ValueDictionaryPtr SaveBillEx(std::string&, ValueVectorPtr&) override {
    auto answer = ValueDictionary::Create();
    answer->SetValue("Success", Variant(false));
    answer->SetValue("RetCode", Variant(int32_t(-199)));
    answer->SetValue("ReturnMsg", Variant("taken"));
    return answer;
  }
};

TEST_F(SaleOrderImportTest, AServiceRefusalIsTheBridgesMessageWithoutThePrefix) {
  ScopedProgIdOverride refusing(kBillSaveProgId, [] { return std::make_shared<RefusingSaver>(); });
  clsSaleOrder cls;
  cls.SetImportErrorIgnore(true);
  Result r = Import(cls, {Order("REF-1")});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), 1u);
  EXPECT_EQ(std::get<3>(r.progress[0]), "单据编号重复问题！需要设置自动生成编号");
}

// A bill service that keeps the statements it is handed and saves nothing.
class CapturingSaver : public IBillSaveService {
 public:
  Variant GetBillNo(const std::string&, int32_t, bool) override { return Variant("AUTO"); }
  ValueDictionaryPtr SaveBillEx(std::string&, ValueVectorPtr& save_list) override {
    auto info = save_list->Item(1).ObjectAs<ValueDictionary>();
    head = CStr(info->Value("HeadSQL"));
    entries = info->Value("EntrySQL").ObjectAs<ValueVector>();
    auto answer = ValueDictionary::Create();
    answer->SetValue("Success", Variant(true));
    answer->SetValue("BillInterID", Variant(int32_t(77)));
    return answer;
  }
  static inline std::string head;
  static inline ValueVectorPtr entries;
};

TEST_F(SaleOrderImportTest, TheStatementsHandedToTheBillService) {
  ScopedProgIdOverride capturing(kBillSaveProgId, [] { return std::make_shared<CapturingSaver>(); });
  testing::AccountFile::ExecOn(account_.path(),
                               "INSERT INTO t_RpContract (FContractID, FContractNo, UUID) "
                               "VALUES (9001, 'CT-9001', 'U-CT-9001')");
  auto order = Order("STMT-1");
  order->SetValue("FetchAdd", Variant("Gate 'B'"));
  order->SetValue("ExchangeRate", Variant("6.5"));
  auto contract = Key("CT-9001", "", "U-CT-9001");
  contract->SetValue("FContractNo", Variant("CT-9001"));
  order->SetValue("Contract", Variant(contract));
  clsSaleOrder cls;
  Result r = Import(cls, {order});
  ASSERT_TRUE(r.ok) << r.error;

  const std::string customer =
      One("SELECT TOP 1 FItemID FROM t_Item WHERE FItemClassID=1 ORDER BY FItemID");
  const std::string currency = One("SELECT TOP 1 FCurrencyID FROM t_Currency ORDER BY FCurrencyID");
  const std::string department =
      One("SELECT TOP 1 FItemID FROM t_Item WHERE FItemClassID=2 ORDER BY FItemID");
  const std::string employee =
      One("SELECT TOP 1 FItemID FROM t_Item WHERE FItemClassID=3 ORDER BY FItemID");
  EXPECT_EQ(CapturingSaver::head,
            " Insert into SEOrder(FInterID,\r\nFBrNo,\r\nFTranType,\r\nFDate,\r\nFBillNo,\r\nFUUID,"
            "\r\nFCustID,\r\nFCurrencyID,\r\nFExchangeRate,\r\nFDiscountType,\r\nFDeptID,\r\nFEmpID,"
            "\r\nFMangerID,\r\nFBillerID,\r\nFImport,\r\nFSystemType,\r\nFFetchAdd,\r\nFSaleStyle,"
            "\r\nFSettleID)\r\n Values(@BillInterID,\r\n'0',\r\n81,\r\n'2025-06-30',\r\n'@BillNo',"
            "\r\nNEWID(),\r\n" +
                customer + ",\r\n" + currency + ",\r\n6.5,\r\n0,\r\n" + department + ",\r\n" +
                employee + ",\r\n0,\r\n16394,\r\n1,\r\n2,\r\n'Gate ''B''',\r\n101,\r\n0)");
  ASSERT_EQ(CapturingSaver::entries->Count(), 2);
  EXPECT_EQ(CapturingSaver::entries->Item(1), Variant(""));  // position 0 holds no entry
  const std::string entry = CStr(CapturingSaver::entries->Item(2));
  EXPECT_EQ(entry.rfind(" Insert into SEOrderEntry(FInterID,\r\nFEntryID,\r\nFBrNo,", 0), 0u) << entry;
  EXPECT_NE(entry.find("\r\n Values(@BillInterID,\r\n1,\r\n'0',"), std::string::npos) << entry;
  // Contract number and ID, the default note, the amounts (5 x 10 without
  // tax: tax price 10, tax 0, total 50, in base currency at 6.5: 325).
  EXPECT_NE(entry.find("'CT-9001',\r\n9001,\r\n'"), std::string::npos) << entry;
  EXPECT_NE(entry.find("'来源：TavoCRM'"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\r\n10,\r\n0,\r\n50,\r\n325,"), std::string::npos) << entry;
}

TEST_F(SaleOrderImportTest, AContractWithoutUuidIsNotLookedUp) {
  ScopedProgIdOverride capturing(kBillSaveProgId, [] { return std::make_shared<CapturingSaver>(); });
  auto order = Order("STMT-2");
  auto contract = Key("CT-1");
  contract->SetValue("FContractNo", Variant("CT-1"));
  order->SetValue("Contract", Variant(contract));
  clsSaleOrder cls;
  ASSERT_TRUE(Import(cls, {order}).ok);
  const std::string entry = CStr(CapturingSaver::entries->Item(2));
  EXPECT_NE(entry.find("\r\n'',\r\n0,\r\n'"), std::string::npos) << entry;
}

TEST_F(SaleOrderImportTest, AddNewOnlyWithCheckByUuidSkipsAnOrderFoundByItsUuid) {
  clsSaleOrder cls;
  cls.SetCheckByUUID(true);
  auto first = Order("UU-1");
  first->SetValue("UUID", Variant("CRM-UU-1"));
  ASSERT_TRUE(Import(cls, {first}).ok);
  cls.SetAddNewOnly(true);
  auto renamed = Order("UU-1-NEW");
  renamed->SetValue("UUID", Variant("CRM-UU-1"));
  Result r = Import(cls, {renamed});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), 1u);
  EXPECT_TRUE(std::get<2>(r.progress[0]));
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrder"), "1");
  EXPECT_EQ(One("SELECT FBillNo FROM SEOrder"), "UU-1");
}

TEST(SaleOrderRoundTrip, BetweenTwoDemoAccounts) {
  DemoAccount source;
  DemoAccount target(DemoAccount::BaseOnly());
  clsSaleOrder exporter, importer;
  // Orders without entries cannot be imported; every other order must be.
  const ImportResult imported = CopyDocuments(exporter, source, importer, target);
  ASSERT_TRUE(imported.ok) << imported.error;
  const std::vector<std::string> refused = RefusedIn(imported);
  for (const std::string& msg : refused)
    EXPECT_NE(msg.find("至少必须有一条分录！"), std::string::npos) << msg;
  EXPECT_EQ(std::to_string(refused.size()),
            OneOf(source,
                  "SELECT COUNT(*) FROM SEOrder o WHERE FInterID <> 0 "
                  "AND NOT EXISTS (SELECT 1 FROM SEOrderEntry e WHERE e.FInterID = o.FInterID)"));

  const std::string compare =
      "SELECT o.FBillNo, o.FDate, c.FNumber, cu.FNumber, o.FExchangeRate, e.FEntryID, i.FNumber, "
      "u.FName, e.FAuxQty, e.FAuxPrice, e.FAmount, e.FTaxRate, e.FCESS "
      "FROM SEOrder o JOIN SEOrderEntry e ON e.FInterID = o.FInterID "
      "JOIN t_Item c ON c.FItemID = o.FCustID JOIN t_Currency cu ON cu.FCurrencyID = o.FCurrencyID "
      "JOIN t_Item i ON i.FItemID = e.FItemID JOIN t_MeasureUnit u ON u.FMeasureUnitID = e.FUnitID "
      "WHERE o.FInterID <> 0 ORDER BY o.FBillNo, e.FEntryID";
  ExpectSameRows(source, target, compare, 21);
}

}  // namespace
}  // namespace corvane

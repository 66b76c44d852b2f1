#include "dts/dts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dts/xml_log.h"
#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
#include "support/account_file.h"
#include "support/demo_account.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::AccountFile;
using testing::DemoAccount;

erpdb::DemoOptions BaseOnly() {
  erpdb::DemoOptions o = DemoAccount::Small();
  o.base_only = true;
  return o;
}

class DtsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Three orders of the demo account that have entries.
    ParsePropsString(source_.PropsString());
    ConnectionPtr c = CreateObjectAs<IConnection>(kConnectionProgId);
    c->SetConnString(source_.ConnString());
    for (RecordSetPtr rs = c->Execute("SELECT TOP 3 FBillNo FROM SEOrder o WHERE EXISTS "
                                      "(SELECT 1 FROM SEOrderEntry e WHERE e.FInterID=o.FInterID) "
                                      "ORDER BY FBillNo");
         !rs->Eof(); rs->MoveNext())
      n_.push_back(CStr(rs->Fields(0)));
    ASSERT_EQ(n_.size(), 3u);
  }
  std::string LogPath() const { return source_.dir().File("dts_log.xml"); }
  // The messages logged since the test began.
  std::vector<std::string> Logged() {
    std::vector<std::string> messages;
    try {
      for (const LogEntry& e : ReadLog(LogPath())) messages.push_back(e.message);
    } catch (...) {
      // no log yet
    }
    return messages;
  }
  bool LoggedText(const std::string& piece) {
    for (const std::string& m : Logged())
      if (m.find(piece) != std::string::npos) return true;
    return false;
  }
  std::string One(const DemoAccount& account, const std::string& sql) {
    ParsePropsString(account.PropsString());
    ConnectionPtr c = CreateObjectAs<IConnection>(kConnectionProgId);
    c->SetConnString(account.ConnString());
    RecordSetPtr rs = c->Execute(sql);
    return rs->Eof() ? "(none)" : (rs->Fields(0).IsNull() ? "NULL" : CStr(rs->Fields(0)));
  }
  // The orders of an export, as records.
  ValueVectorPtr Export(DTS& dts, const DemoAccount& account, const std::string& filter,
                        bool* ok = nullptr) {
    std::string xml;
    const bool done = dts.ExportXMLDataForWebService(account.PropsString(), 0, "", filter,
                                                     LogPath(), xml);
    if (ok) *ok = done;
    ValueVectorPtr orders;
    std::string error;
    if (!done) return ValueVector::Create();
    EXPECT_TRUE(ReadXMLDocument(orders, xml, ThisThreadSchemaFolder() + "TavoSaleOrder.xsd",
                                "TavoSaleOrder", error))
        << error;
    return orders;
  }
  std::string Xml(const ValueVectorPtr& orders) {
    std::string xml, error;
    EXPECT_TRUE(WriteXMLDocument(orders, xml, ThisThreadSchemaFolder() + "TavoSaleOrder.xsd",
                                 "TavoSaleOrder", error))
        << error;
    return xml;
  }
  bool Import(DTS& dts, const ValueVectorPtr& orders, bool replace) {
    std::string xml = Xml(orders);
    return dts.ImportXMLDataForWebService(target_.PropsString(), 0, replace, "", LogPath(), xml);
  }
  // A copy of an exported order (with one entry) under another number.
  ValueDictionaryPtr OrderLike(const ValueVectorPtr& exported, const std::string& bill_no) {
    auto order = ValueDictionary::Create();
    const auto source = exported->Item(1).ObjectAs<ValueDictionary>();
    for (const auto& [key, value] : source->Entries()) order->SetValue(key, value);
    order->SetValue("BillNo", Variant(bill_no));
    auto entry = ValueDictionary::Create();
    const auto first = source->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>();
    for (const auto& [key, value] : first->Entries()) entry->SetValue(key, value);
    auto entries = ValueVector::Create();
    entries->Add(Variant(entry));
    order->SetValue("OrderEntry", Variant(entries));
    return order;
  }
  ValueDictionaryPtr EntryOf(const ValueDictionaryPtr& order) {
    return order->Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>();
  }
  std::string Numbers(const ValueVectorPtr& orders) {
    std::string out;
    for (const Variant& o : *orders)
      out += (out.empty() ? "" : ",") + CStr(o.ObjectAs<ValueDictionary>()->Value("BillNo"));
    return out;
  }

  DemoAccount source_;
  DemoAccount target_{BaseOnly()};
  std::vector<std::string> n_;  // numbers of orders with entries
};

TEST_F(DtsTest, ExportTakesTheNumbersOfTheFilterAsTheyStand) {
  DTS dts;
  const std::string a = n_[0], b = n_[1], c3 = n_[2];
  const struct {
    std::string filter;
    std::string exported;
  } cases[] = {
      {a + "," + b, a + "," + b},
      {b + "," + a + ",", b + "," + a},  // a trailing comma adds nothing
      {a + ", " + b, a},                 // the blank stays part of the number
      {a + ",,  ," + c3, a + "," + c3},
      {"NO-SUCH," + a + "' OR '1'='1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    bool ok = false;
    const ValueVectorPtr orders = Export(dts, source_, c.filter, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Numbers(orders), c.exported);
  }
}

TEST_F(DtsTest, TheKeyExportEchoesTheNumbers) {
  DTS dts;
  std::string xml;
  ASSERT_TRUE(dts.ExportXMLDataKeyForWebService("", "", "SO1, SO2,", LogPath(), xml));
  ValueVectorPtr keys;
  std::string error;
  ASSERT_TRUE(ReadXMLDocument(keys, xml, ThisThreadSchemaFolder() + "Delete.xsd", "Delete", error))
      << error;
  ASSERT_EQ(keys->Count(), 2);
  for (int i = 1; i <= 2; ++i) {
    const auto key = keys->Item(i).ObjectAs<ValueDictionary>();
    EXPECT_EQ(CStr(key->Value("UUID")), "SO" + std::to_string(i));
    EXPECT_EQ(CStr(key->Value("Remark")), "获取已传入Tavo的销售订单号");
  }
  for (const char* blank : {"", "   "}) {
    std::string untouched = "before";
    EXPECT_FALSE(dts.ExportXMLDataKeyForWebService("", "", blank, LogPath(), untouched));
    EXPECT_EQ(untouched, "before");
  }
}

TEST_F(DtsTest, AnImportedOrderExportsBackTheSameValues) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0] + "," + n_[1]);
  ASSERT_EQ(exported->Count(), 2);
  ASSERT_TRUE(Import(dts, exported, false)) << (Logged().empty() ? "" : Logged().back());
  const ValueVectorPtr again = Export(dts, target_, n_[0] + "," + n_[1]);
  ASSERT_EQ(again->Count(), 2);
  for (int i = 1; i <= 2; ++i) {
    const auto a = exported->Item(i).ObjectAs<ValueDictionary>();
    const auto b = again->Item(i).ObjectAs<ValueDictionary>();
    for (const char* key : {"Date", "BillNo", "Cust", "CurrencyName", "ExchangeRate", "Department",
                            "Employee", "FetchAdd", "SaleStyle", "Settle"})
      EXPECT_EQ(CStr(a->GetValue(key, Variant(""))), CStr(b->GetValue(key, Variant("")))) << key;
    const auto ea = a->Value("OrderEntry").ObjectAs<ValueVector>();
    const auto eb = b->Value("OrderEntry").ObjectAs<ValueVector>();
    ASSERT_EQ(ea->Count(), eb->Count());
    for (int e = 1; e <= ea->Count(); ++e)
      for (const char* key : {"Item", "AuxQty", "AuxPrice", "TaxRate", "CESS"})
        EXPECT_EQ(CStr(ea->Item(e).ObjectAs<ValueDictionary>()->GetValue(key, Variant(""))),
                  CStr(eb->Item(e).ObjectAs<ValueDictionary>()->GetValue(key, Variant(""))))
            << key;
  }
  EXPECT_TRUE(LoggedText("外部数据交换服务完毕......成功！"));
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FSystemType=2 AND FImport=1"), "2");
}

TEST_F(DtsTest, RefusedOrdersAreLoggedAndTheOthersWritten) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0]);
  ASSERT_EQ(exported->Count(), 1);
  struct Case {
    const char* name;
    std::function<void(ValueDictionary&)> spoil;
    std::vector<const char*> lines;  // the refusal's lines, in order
  };
  const Case cases[] = {
      {"no entries", [](ValueDictionary& o) { o.SetValue("OrderEntry", Variant(ValueVector::Create())); },
       {"系统检测到传递的CRM销售订单不存在分录，", "因此该服务请求已取消，", "请重新传递!"}},
      {"quantity 0", [&](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue("AuxQty", Variant("0"));
       },
       {"系统检测到传递的CRM销售订单的[数量]的值<=0，", "但[数量]的值<=0在Tavo系统中是不允许的。"}},
      {"amount not a number", [&](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue("Amount", Variant("1;DROP"));
       },
       {"系统检测到传递的CRM销售订单的[金额]的数据类型不匹配，", "[金额]在Tavo系统中的数据类型是数值型。"}},
      {"no customer", [](ValueDictionary& o) { o.Remove("Cust"); },
       {"系统检测到传递的CRM销售订单的[客户]不存在，", "但[客户]在Tavo系统中是必录项。"}},
      {"blank department", [](ValueDictionary& o) { o.SetValue("Department", Variant("  ")); },
       {"系统检测到传递的CRM销售订单的[部门]的值为空，"}},
      {"unknown customer", [](ValueDictionary& o) { o.SetValue("Cust", Variant("NO-SUCH-UUID")); },
       {"警告：系统检测到CRM销售订单的基础资料[NO-SUCH-UUID]，", "在Tavo系统中找不到相对应的匹配项。"}},
      {"impossible date", [](ValueDictionary& o) { o.SetValue("Date", Variant("2023-02-30")); },
       {"Date 的值不是日期：2023-02-30"}},
      {"exchange rate that is no plain number", [](ValueDictionary& o) {
         o.SetValue("ExchangeRate", Variant("1;DROP TABLE SEOrder"));
       },
       {"系统检测到传递的CRM销售订单的[汇率]的数据类型不匹配，"}},
      {"quantity the account cannot hold", [&](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "AuxQty", Variant("99999999999999999999"));
       },
       {"系统检测到传递的CRM销售订单的[数量]的数据类型不匹配，"}},
      {"entry without an item", [&](ValueDictionary& o) {
         o.Value("OrderEntry").ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>()->SetValue(
             "Item", Variant(""));
       },
       {"警告：系统检测到CRM销售订单的基础资料[0]，", "外部数据交换服务完毕......失败！"}},
      {"two faults: the first check speaks", [](ValueDictionary& o) {
         o.Remove("Cust");
         o.SetValue("Department", Variant(""));
       },
       {"系统检测到传递的CRM销售订单的[客户]不存在，", "请重新传递!"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bad = OrderLike(exported, "BAD-" + std::to_string(++n));
    c.spoil(*bad);
    auto good = OrderLike(exported, "GOOD-" + std::to_string(n));
    auto orders = ValueVector::Create();
    orders->Add(Variant(bad));
    orders->Add(Variant(good));
    const size_t before = Logged().size();
    EXPECT_FALSE(Import(dts, orders, false));
    EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FBillNo='" + CStr(bad->Value("BillNo")) + "'"), "0");
    EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FBillNo='GOOD-" + std::to_string(n) + "'"), "1");
    std::string logged;
    const auto messages = Logged();
    for (size_t i = before; i < messages.size(); ++i) logged += messages[i];
    size_t at = 0;
    for (const char* line : c.lines) {
      at = logged.find(line, at);
      EXPECT_NE(at, std::string::npos) << line << " in " << logged;
      if (at == std::string::npos) break;
    }
    if (std::string(c.name).rfind("two faults", 0) == 0) {
      EXPECT_EQ(logged.find("[部门]"), std::string::npos) << "only the first fault is reported";
    }
  }
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID NOT IN (SELECT FInterID FROM SEOrder)"), "0");
}

TEST_F(DtsTest, AnUnknownContractIsAWarningOnly) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0]);
  auto order = OrderLike(exported, "CT-1");
  EntryOf(order)->SetValue("ContractNumber", Variant("NO-SUCH-CONTRACT"));
  auto orders = ValueVector::Create();
  orders->Add(Variant(order));
  EXPECT_TRUE(Import(dts, orders, false));
  EXPECT_TRUE(LoggedText("警告：系统检测到CRM销售订单的合同号[NO-SUCH-CONTRACT]，"));
  EXPECT_EQ(One(target_, "SELECT e.FContractInterID || '|' || e.FContractBillNO FROM SEOrderEntry e "
                         "JOIN SEOrder o ON o.FInterID=e.FInterID WHERE o.FBillNo='CT-1'"),
            "0|");
}

TEST_F(DtsTest, AmountsAreComputedWhenNoneIsGiven) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0]);
  auto order = OrderLike(exported, "AMT-1");
  auto entry = EntryOf(order);
  entry->SetValue("Amount", Variant("0"));
  entry->SetValue("AuxQty", Variant("2"));
  entry->SetValue("AuxPrice", Variant("5"));
  entry->SetValue("TaxRate", Variant("10"));
  auto orders = ValueVector::Create();
  orders->Add(Variant(order));
  ASSERT_TRUE(Import(dts, orders, false));
  EXPECT_EQ(One(target_, "SELECT e.FAmount || ' ' || e.FTaxAmount || ' ' || e.FFinalAmount FROM SEOrderEntry e "
                         "JOIN SEOrder o ON o.FInterID=e.FInterID WHERE o.FBillNo='AMT-1'"),
            "10 1 9");
}

TEST_F(DtsTest, DuplicatesAndReplacement) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0]);
  // The ERP's own order, and an imported one already checked, are never replaced.
  AccountFile::ExecOn(target_.path(),
                      "INSERT INTO SEOrder (FInterID, FBillNo, FSystemType, FStatus) VALUES "
                      "(9001, 'OWN-1', 1, 0), (9002, 'CHECKED-1', 2, 1)");
  for (const char* number : {"OWN-1", "CHECKED-1"}) {
    SCOPED_TRACE(number);
    auto orders = ValueVector::Create();
    orders->Add(Variant(OrderLike(exported, number)));
    EXPECT_FALSE(Import(dts, orders, true));
    EXPECT_TRUE(LoggedText(std::string("系统检测到单号[") + number + "]的销售订单在Tavo系统中已经存在，"));
    EXPECT_EQ(One(target_, std::string("SELECT COUNT(*) FROM SEOrder WHERE FBillNo='") + number + "'"), "1");
  }
  // An unchecked imported order is left alone without bReplace, replaced with it.
  auto orders = ValueVector::Create();
  orders->Add(Variant(OrderLike(exported, "REP-1")));
  ASSERT_TRUE(Import(dts, orders, false));
  const std::string first_id = One(target_, "SELECT FInterID FROM SEOrder WHERE FBillNo='REP-1'");
  EntryOf(orders->Item(1).ObjectAs<ValueDictionary>())->SetValue("AuxQty", Variant("77"));
  EXPECT_TRUE(Import(dts, orders, false));
  EXPECT_EQ(One(target_, "SELECT e.FAuxQty FROM SEOrderEntry e JOIN SEOrder o ON o.FInterID=e.FInterID "
                         "WHERE o.FBillNo='REP-1'"),
            CStr(EntryOf(OrderLike(exported, "x"))->Value("AuxQty")));
  EXPECT_TRUE(Import(dts, orders, true));
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FBillNo='REP-1'"), "1");
  EXPECT_NE(One(target_, "SELECT FInterID FROM SEOrder WHERE FBillNo='REP-1'"), first_id);
  EXPECT_EQ(One(target_, "SELECT e.FAuxQty FROM SEOrderEntry e JOIN SEOrder o ON o.FInterID=e.FInterID "
                         "WHERE o.FBillNo='REP-1'"),
            "77");
  // The replaced order left no entries behind.
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID=" + first_id), "0");
}

TEST_F(DtsTest, DeletionRequestsRemoveOnlyUncheckedImportedOrders) {
  DTS dts;
  const ValueVectorPtr exported = Export(dts, source_, n_[0]);
  auto orders = ValueVector::Create();
  orders->Add(Variant(OrderLike(exported, "DEL-1")));
  ASSERT_TRUE(Import(dts, orders, false));
  AccountFile::ExecOn(target_.path(),
                      "INSERT INTO SEOrder (FInterID, FBillNo, FSystemType, FStatus) VALUES "
                      "(9001, 'OWN-1', 1, 0)");
  std::string keys;
  ASSERT_TRUE(dts.ExportXMLDataKeyForWebService("", "", "DEL-1,OWN-1,  ,NO-SUCH", LogPath(), keys));
  EXPECT_TRUE(dts.ImportXMLDataKeyForWebService(target_.PropsString(), "", LogPath(), keys));
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FBillNo='DEL-1'"), "0");
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID NOT IN (SELECT FInterID FROM SEOrder)"), "0");
  EXPECT_EQ(One(target_, "SELECT COUNT(*) FROM SEOrder WHERE FBillNo='OWN-1'"), "1");
}

TEST_F(DtsTest, UnreadableInputFailsTheCall) {
  DTS dts;
  for (const char* xml : {"<not-xml", "<Delete xmlns=\"urn:corvane:documents:1\"/>"}) {
    SCOPED_TRACE(xml);
    std::string text = xml;
    EXPECT_FALSE(dts.ImportXMLDataForWebService(target_.PropsString(), 0, false, "", LogPath(), text));
  }
  std::string none;
  EXPECT_FALSE(dts.ImportXMLDataForWebService(target_.PropsString(), 0, false,
                                              source_.dir().File("missing.xml"), LogPath(), none));
  // A failed call leaves its reason in the log.
  EXPECT_FALSE(Logged().empty());
}

}  // namespace
}  // namespace corvane

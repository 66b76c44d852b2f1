#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <tuple>

#include "exchange/cls_stock_bill.h"
#include "frame/outside/object_factory.h"
#include "frame/xml_bridge.h"
#include "support/demo_account.h"
#include "support/exchange_fixture.h"
#include "values/format.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::ColumnOf;
using testing::DemoAccount;
using testing::EntriesOf;
using testing::EntryOf;
using testing::ExchangeTest;
using testing::ExpectSameRows;
using testing::ExportAll;
using testing::ImportResult;
using testing::ImportXml;
using testing::Key;
using testing::RefusedIn;
using testing::RowsOf;
using testing::SchemaFileOf;
using testing::WatchedConnection;

constexpr const char* kRoot = "TavoIndStockBill";

// The kinds of an object: StockBillType never set, or set to a value.
struct Kind {
  const char* name;
  std::optional<int32_t> stock_bill_type;
  const char* condition;  // the SQL that selects the kind's bills
};
constexpr Kind kEveryKind{"never set", std::nullopt, "1=1"};
constexpr Kind kReceipts{"4", 4, "FTranType=1"};
constexpr Kind kDeliveries{"5", 5, "FTranType=21"};
constexpr Kind kDeliveriesByZero{"0", 0, "FTranType=21"};

void SetKind(clsStockBill& cls, const Kind& kind) {
  if (kind.stock_bill_type) cls.SetStockBillType(*kind.stock_bill_type);
}

// ----- export -----

class StockBillExportTest : public ExchangeTest {
 protected:
  StockBillExportTest() : ExchangeTest(kRoot) {}

  // Every bill of the object's kind, page by page from the beginning; each
  // page's cursor checked against the last bill it holds.
  std::vector<std::string> Walk(clsStockBill& cls, int32_t per_count, const std::string& newest) {
    std::vector<std::string> seen;
    std::string timestamp;
    for (int pages = 0; pages < 20; ++pages) {
      const Page p = Export(cls, per_count, timestamp);
      EXPECT_TRUE(p.ok) << p.error;
      EXPECT_EQ(p.max_timestamp, newest);
      if (!p.ok || p.bill_numbers.empty()) {
        EXPECT_EQ(p.timestamp, "0xFFFFFFFFFFFFFFFF");
        return seen;
      }
      if (per_count != 0) {
        EXPECT_LE(p.bill_numbers.size(), size_t(per_count));
      }
      EXPECT_EQ(p.timestamp,
                Column("SELECT '0x' || HEX(FOperDate) FROM ICStockBill WHERE FBillNo='" +
                       p.bill_numbers.back() + "'")
                    .front());
      seen.insert(seen.end(), p.bill_numbers.begin(), p.bill_numbers.end());
      timestamp = p.timestamp;
    }
    ADD_FAILURE() << "the pages did not end";
    return seen;
  }
};

TEST_F(StockBillExportTest, PagesOfEachKindOldestFirstWhileTheMaximumCoversEveryKind) {
  // Written last, so that they hold the newest row versions: the ERP's
  // template head, a bill of a kind the class does not exchange, and a
  // delivery. The maximum covers them whatever the object's kind.
  Sql("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (0, 1, '')");
  Sql("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (900, 24, 'OTHER-24')");
  Sql("UPDATE ICStockBill SET FNote='changed' WHERE FBillNo='SD000001'");
  const std::string newest = Column("SELECT '0x' || HEX(MAX(FOperDate)) FROM ICStockBill").front();

  for (const Kind& kind : {kEveryKind, kReceipts, kDeliveries, kDeliveriesByZero}) {
    const auto expected = Column("SELECT FBillNo FROM ICStockBill WHERE FInterID <> 0 AND " +
                                 std::string(kind.condition) + " ORDER BY FOperDate");
    ASSERT_GE(expected.size(), 3u);
    for (int32_t per_count : {2, 0}) {
      SCOPED_TRACE(std::string("StockBillType ") + kind.name + ", page size " +
                   std::to_string(per_count));
      clsStockBill cls;
      SetKind(cls, kind);
      EXPECT_EQ(Walk(cls, per_count, newest), expected);
    }
  }
}

TEST_F(StockBillExportTest, SettingTheKindAgainSwitchesTheSameObject) {
  clsStockBill cls;
  cls.SetStockBillType(4);
  const Page receipts = Export(cls, 0, "");
  cls.SetStockBillType(5);
  const Page deliveries = Export(cls, 0, "");
  ASSERT_TRUE(receipts.ok && deliveries.ok) << receipts.error << deliveries.error;
  EXPECT_EQ(receipts.bill_numbers,
            Column("SELECT FBillNo FROM ICStockBill WHERE FTranType=1 ORDER BY FOperDate"));
  EXPECT_EQ(deliveries.bill_numbers,
            Column("SELECT FBillNo FROM ICStockBill WHERE FTranType=21 ORDER BY FOperDate"));
}

TEST_F(StockBillExportTest, AFilterIsJoinedWithAndBeforeTheKind) {
  clsStockBill cls;
  cls.SetStockBillType(4);
  const Page first = Export(cls, 1, "");
  ASSERT_TRUE(first.ok) << first.error;
  ASSERT_EQ(first.bill_numbers, std::vector<std::string>{"PR000001"});
  // An OR in the Filter must reach neither past the cursor nor past the kind.
  cls.SetFilter("FSupplyID=8003 OR FROB=1");
  const Page rest = Export(cls, 0, first.timestamp);
  ASSERT_TRUE(rest.ok) << rest.error;
  EXPECT_EQ(rest.bill_numbers,
            Column("SELECT FBillNo FROM ICStockBill WHERE FInterID <> 0 AND FOperDate > " +
                   first.timestamp +
                   " AND (FSupplyID=8003 OR FROB=1) AND FTranType=1 ORDER BY FOperDate"));
  EXPECT_FALSE(rest.bill_numbers.empty());
}

TEST_F(StockBillExportTest, NullColumnsExportTheirDefaultsAndUnknownIdsNoKeyRecord) {
  Sql("UPDATE ICStockBill SET FDate=NULL, FROB=NULL, FTranType=NULL, FBillerID=0, FSupplyID=999999 "
      "WHERE FBillNo='PR000001'");
  Sql("UPDATE ICStockBillEntry SET FBatchNo=NULL, FKFDate=NULL, FKFPeriod=NULL, FDCStockID=999999 "
      "WHERE FInterID=1 AND FEntryID=1");
  Sql("UPDATE ICStockBillEntry SET FItemID=0 WHERE FInterID=1 AND FEntryID=2");
  clsStockBill cls;  // every kind: the bill without a type is one of them
  const Page p = Export(cls, 0, "");
  ASSERT_TRUE(p.ok) << p.error;
  const auto changed = Find(p, "PR000001");
  ASSERT_TRUE(changed);
  const auto first = EntryOf(*changed, 1);
  struct Value {
    const char* key;
    const ValueDictionary* record;
    std::string expected;
  };
  for (const Value& v : {Value{"Date", changed.get(), CStr(Format(Variant(Now()), "yyyy-mm-dd"))},
                         Value{"ROB", changed.get(), "1"}, Value{"TranType", changed.get(), "1"},
                         Value{"BatchNo", first.get(), "0"}, Value{"KFDate", first.get(), ""},
                         Value{"KFPeriod", first.get(), "0"}}) {
    SCOPED_TRACE(v.key);
    EXPECT_EQ(CStr(v.record->Value(v.key)), v.expected);
  }
  // No key record where the ID is 0 or names no row; the others are there.
  const auto other = Find(p, "PR000002");
  ASSERT_TRUE(other);
  struct Absent {
    const char* key;
    int32_t entry;  // 0: the bill itself
  };
  for (const Absent& a :
       {Absent{"BillerID", 0}, Absent{"SupplyID", 0}, Absent{"DCStockID", 1}, Absent{"Item", 2}}) {
    SCOPED_TRACE(a.key);
    EXPECT_FALSE((a.entry ? *EntryOf(*changed, a.entry) : *changed).Exists(a.key));
    const Variant there = (a.entry ? *EntryOf(*other, 1) : *other).Value(a.key);
    EXPECT_FALSE(CStr(there.ObjectAs<ValueDictionary>()->Value("Number")).empty());
  }
  EXPECT_TRUE(EntryOf(*changed, 2)->Exists("DCStockID"));
  // A set batch number and shelf-life date come as they are.
  EXPECT_EQ(CStr(EntryOf(*changed, 3)->Value("BatchNo")) + " " +
                CStr(EntryOf(*changed, 3)->Value("KFDate")),
            Column("SELECT FBatchNo || ' ' || IFNULL(FKFDate, '') FROM ICStockBillEntry "
                   "WHERE FInterID=1 AND FEntryID=3")
                .front());
}

TEST_F(StockBillExportTest, TheStatementsAsSent) {
  ScopedProgIdOverride watched(kConnectionProgId,
                               [] { return std::make_shared<WatchedConnection>(); });
  struct Case {
    Kind kind;
    const char* filter;
    int32_t per_count;
    const char* timestamp;
    const char* page;
  };
  const Case cases[] = {
      {kReceipts, "", 100, "",
       "SELECT TOP 100 * FROM ICStockBill WHERE FInterID <> 0  AND (FOperDate>0x0000000000000000 "
       "And  FTranType=1 ) ORDER BY FOperDate"},
      {kDeliveries, "FSupplyID=1020", 0, "0x00000000000107D1",
       "SELECT * FROM ICStockBill WHERE FInterID <> 0  AND ((FOperDate>0x00000000000107D1) AND "
       "(FSupplyID=1020) And  FTranType=21 ) ORDER BY FOperDate"},
      {kEveryKind, "", 2, "0x0000000000000000",
       "SELECT TOP 2 * FROM ICStockBill WHERE FInterID <> 0  AND (FOperDate>0x0000000000000000 "
       "And  1=1 ) ORDER BY FOperDate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    WatchedConnection::statements.clear();
    WatchedConnection::read_only.clear();
    clsStockBill cls;
    SetKind(cls, c.kind);
    cls.SetFilter(c.filter);
    std::string props = account_.PropsString(), xml, ts = c.timestamp, max, error;
    ASSERT_TRUE(cls.Export(props, xml, c.per_count, ts, max, error)) << error;
    // After the front door's own statements: the maximum, then the page,
    // which alone runs read-only.
    std::vector<std::string> on_bills;
    for (const std::string& s : WatchedConnection::statements)
      if (s.find("ICStockBill ") != std::string::npos) on_bills.push_back(s);
    ASSERT_GE(on_bills.size(), 2u);
    EXPECT_EQ(on_bills[0], "SELECT MAX(FOperDate) as FMT FROM ICStockBill WHERE FInterID <> 0 ");
    EXPECT_EQ(on_bills[1], c.page);
    EXPECT_EQ(WatchedConnection::read_only, std::vector<std::string>{c.page});
  }
  EXPECT_NE(std::find(WatchedConnection::statements.begin(), WatchedConnection::statements.end(),
                      " select * from ICStockBillEntry where FInterID=1"),
            WatchedConnection::statements.end());
}

// ----- import -----

class StockBillImportTest : public ExchangeTest {
 protected:
  StockBillImportTest() : ExchangeTest(kRoot, DemoAccount::BaseOnly()) {}

  // A blue bill of the object's kind (4 receipt, 5 delivery) that every
  // check of that kind accepts; it carries both styles.
  ValueDictionaryPtr Bill(int32_t stock_bill_type, const std::string& bill_no) {
    auto bill = ValueDictionary::Create();
    bill->SetValue("BillNo", Variant(bill_no));
    bill->SetValue("Date", Variant("2025-06-30"));
    bill->SetValue("ROB", Variant("1"));
    bill->SetValue("Note", Variant("arrived"));
    bill->SetValue("FManagerID", Variant(Key(NumberOfClass(3, 0))));
    bill->SetValue("PosterID", Variant(Key(NumberOfClass(3, 1))));
    bill->SetValue("RelateBrID", Variant(Key(NumberOfClass(10))));
    bill->SetValue("SaleStyle",
                   Variant(Key(One("SELECT FID FROM t_SubMessage WHERE FInterID=101"))));
    bill->SetValue("POStyle", Variant(Key(One("SELECT FID FROM t_SubMessage WHERE FInterID=121"))));
    bill->SetValue("SManagerID", Variant(Key(NumberOfClass(3, 2))));
    bill->SetValue("SupplyID", Variant(Key(NumberOfClass(stock_bill_type == 4 ? 8 : 1))));
    bill->SetValue("CurrencyID",
                   Variant(Key(One("SELECT TOP 1 FNumber FROM t_Currency ORDER BY FCurrencyID"))));
    bill->SetValue("DeptID", Variant(Key(NumberOfClass(2))));
    bill->SetValue("EmpID", Variant(Key(NumberOfClass(3, 3))));
    bill->SetValue("DCStockID", Variant(Key(NumberOfClass(5))));
    auto entries = ValueVector::Create();
    entries->Add(Variant(Entry("5", "50")));
    bill->SetValue("Entry", Variant(entries));
    return bill;
  }
  ValueDictionaryPtr Entry(const std::string& qty, const std::string& amount) {
    auto e = ValueDictionary::Create();
    e->SetValue("Amount", Variant(amount));
    e->SetValue("AuxPrice", Variant("10"));
    e->SetValue("AuxQty", Variant(qty));
    e->SetValue("BatchNo", Variant("B-1"));
    e->SetValue("DCSPID",
                Variant(Key(One("SELECT FNumber FROM t_StockPlace ORDER BY FSPID LIMIT 1"))));
    e->SetValue("Item", Variant(Key(NumberOfClass(4))));
    e->SetValue(
        "UnitID",
        Variant(Key("", One("SELECT TOP 1 FName FROM t_MeasureUnit ORDER BY FMeasureUnitID"))));
    e->SetValue("KFDate", Variant("2025-12-31"));
    e->SetValue("KFPeriod", Variant("30"));
    e->SetValue("Qty", Variant(qty));
    return e;
  }

  std::string Count(const std::string& bill_no) {
    return One("SELECT COUNT(*) FROM ICStockBill WHERE FBillNo='" + bill_no + "'");
  }
  std::string Entries() { return One("SELECT COUNT(*) FROM ICStockBillEntry"); }
};

TEST_F(StockBillImportTest, TheZeroAndTheRedAndBlueSignChecks) {
  struct Case {
    const char* rob;
    const char* qty;
    const char* amount;
    const char* message;  // "" when the bill is saved
  };
  const Case cases[] = {
      {"-1", "3", "30", "红字单据数量必须小于等于零！"},
      {"-1", "-3", "-30", ""},
      {"1", "-3", "-30", "蓝字单据数量必须大于等于零！"},
      {"1", "0", "50", ""},  // a quantity of 0 with an amount passes
      {"1", "0", "0", "金额与数量不能都为零！"},
      {"-1", "-0", "0.00", "金额与数量不能都为零！"},
  };
  int n = 0;
  for (int32_t type : {4, 5}) {
    for (const Case& c : cases) {
      SCOPED_TRACE("StockBillType " + std::to_string(type) + ": ROB " + c.rob + " qty " + c.qty +
                   " amount " + c.amount);
      const std::string bill = "SIGN-" + std::to_string(++n);
      auto b = Bill(type, bill);
      b->SetValue("ROB", Variant(c.rob));
      EntriesOf(*b)->SetItem(1, Variant(Entry(c.qty, c.amount)));
      clsStockBill cls;
      cls.SetStockBillType(type);
      const Result r = Import(cls, {b});
      if (*c.message == '\0') {
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(Count(bill), "1");
      } else {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("错误源:单据" + bill + "引入出错！" + c.message), std::string::npos)
            << r.error;
        EXPECT_EQ(Count(bill), "0");
      }
    }
  }
}

TEST_F(StockBillImportTest, TheChecksOfEachKindInTheirOrder) {
  using Spoil = std::function<void(ValueDictionary&)>;
  auto without = [](const char* key) -> Spoil {
    return [=](ValueDictionary& b) { b.Remove(key); };
  };
  auto entry = [](const char* key, const char* value) -> Spoil {
    return [=](ValueDictionary& b) { EntryOf(b, 1)->SetValue(key, Variant(value)); };
  };
  auto unknown = [](const char* key, bool at_entry) -> Spoil {
    return [=](ValueDictionary& b) {
      (at_entry ? *EntryOf(b, 1) : b).SetValue(key, Variant(Key("NO-SUCH-ROW", "NO-SUCH-ROW")));
    };
  };
  auto both = [](Spoil a, Spoil c) -> Spoil {
    return [=](ValueDictionary& b) {
      a(b);
      c(b);
    };
  };
  // The warehouse only in the entries, as the ERP's own export writes it.
  const Spoil warehouse_in_entries_only = [](ValueDictionary& b) {
    EntryOf(b, 1)->SetValue("DCStockID", b.Value("DCStockID"));
    b.Remove("DCStockID");
  };
  // The supplier or customer of the other kind: looked up in its own class.
  const Spoil other_partner = [this](ValueDictionary& b) {
    const bool supplier =
        CStr(b.Value("SupplyID").ObjectAs<ValueDictionary>()->Value("Number")) == NumberOfClass(8);
    b.SetValue("SupplyID", Variant(Key(NumberOfClass(supplier ? 1 : 8))));
  };
  struct Case {
    const char* why;
    Spoil spoil;
    const char* receipt;   // message on a purchase receipt object, "" saved
    const char* delivery;  // the same on a sales delivery object
  };
  const Case cases[] = {
      {"no date", without("Date"), "日期不能为空！", "日期不能为空！"},
      {"no receiver or shipper", without("FManagerID"), "验收人不能为空！", "发货人不能为空！"},
      {"no purchase style", without("POStyle"), "采购方式不能为空！", ""},
      {"no sales style", without("SaleStyle"), "", "销售方式不能为空！"},
      {"unknown sales style", unknown("SaleStyle", false), "", "销售方式不能为空！"},
      {"no keeper", without("SManagerID"), "保管人不能为空！", "保管人不能为空！"},
      {"no supplier or customer", without("SupplyID"), "供应商不能为空！", "购货单位不能为空！"},
      {"a partner of the other kind", other_partner, "供应商不能为空！", "购货单位不能为空！"},
      {"no entries", without("Entry"), "至少必须有一条分录！", "至少必须有一条分录！"},
      {"unknown item", unknown("Item", true), "物料不能为空！", "物料不能为空！"},
      {"the warehouse only in the entries", warehouse_in_entries_only, "收料仓库不能为空！",
       "发料仓库不能为空！"},
      {"unknown warehouse", unknown("DCStockID", false), "收料仓库不能为空！",
       "发料仓库不能为空！"},
      {"unknown unit", unknown("UnitID", true), "计量单位不能为空！", "计量单位不能为空！"},
      {"no stock place", [](ValueDictionary& b) { EntryOf(b, 1)->Remove("DCSPID"); }, "", ""},
      // Two faults: the earlier check speaks.
      {"date before receiver", both(without("Date"), without("FManagerID")), "日期不能为空！",
       "日期不能为空！"},
      {"receiver before styles",
       both(without("FManagerID"), both(without("POStyle"), without("SaleStyle"))),
       "验收人不能为空！", "发货人不能为空！"},
      {"styles before keeper",
       both(without("SManagerID"), both(without("POStyle"), without("SaleStyle"))),
       "采购方式不能为空！", "销售方式不能为空！"},
      {"keeper before partner", both(without("SManagerID"), without("SupplyID")),
       "保管人不能为空！", "保管人不能为空！"},
      {"partner before entries", both(without("SupplyID"), without("Entry")), "供应商不能为空！",
       "购货单位不能为空！"},
      {"zero before item",
       both(both(entry("AuxQty", "0"), entry("Amount", "0")), unknown("Item", true)),
       "金额与数量不能都为零！", "金额与数量不能都为零！"},
      {"item before warehouse", both(unknown("Item", true), without("DCStockID")), "物料不能为空！",
       "物料不能为空！"},
      {"warehouse before unit", both(without("DCStockID"), unknown("UnitID", true)),
       "收料仓库不能为空！", "发料仓库不能为空！"},
  };
  int n = 0;
  for (int32_t type : {4, 5}) {
    for (const Case& c : cases) {
      const char* message = type == 4 ? c.receipt : c.delivery;
      SCOPED_TRACE("StockBillType " + std::to_string(type) + ": " + c.why);
      const std::string bill_no = "CHK-" + std::to_string(++n);
      auto bill = Bill(type, bill_no);
      c.spoil(*bill);
      const std::string entries_before = Entries();
      clsStockBill cls;
      cls.SetStockBillType(type);
      const Result r = Import(cls, {bill});
      if (*message == '\0') {
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(Count(bill_no), "1");
        continue;
      }
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.error.find("错误源:单据" + bill_no + "引入出错！" + message), std::string::npos)
          << r.error;
      EXPECT_EQ(Count(bill_no), "0");
      EXPECT_EQ(Entries(), entries_before);
    }
  }
}

TEST_F(StockBillImportTest, ShelfLifeDateAndStockPlaceOfAnEntry) {
  struct Case {
    const char* why;
    std::function<void(ValueDictionary&)> change;
    const char* kf_date;  // as it reads back
    bool stock_place;     // whether the place is written, else 0
  };
  const Case cases[] = {
      {"as sent", [](ValueDictionary&) {}, "2025-12-31", true},
      {"present but empty: none", [](ValueDictionary& e) { e.SetValue("KFDate", Variant("")); },
       "NULL", true},
      // Not sent at all: the empty text, which the account reads as its zero day.
      {"absent", [](ValueDictionary& e) { e.Remove("KFDate"); }, "1900-01-01", true},
      {"no stock place", [](ValueDictionary& e) { e.Remove("DCSPID"); }, "2025-12-31", false},
  };
  const std::string place = One("SELECT FSPID FROM t_StockPlace ORDER BY FSPID LIMIT 1");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string bill_no = "KF-" + std::to_string(++n);
    auto bill = Bill(4, bill_no);
    c.change(*EntryOf(*bill, 1));
    clsStockBill cls;
    cls.SetStockBillType(4);
    const Result r = Import(cls, {bill});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Rows("SELECT e.FKFDate, e.FDCSPID FROM ICStockBillEntry e JOIN ICStockBill b "
                   "ON b.FInterID=e.FInterID WHERE b.FBillNo='" +
                   bill_no + "'"),
              (std::vector<std::vector<std::string>>{{c.kf_date, c.stock_place ? place : "0"}}));
  }
}

TEST_F(StockBillImportTest, SavedUnderTheObjectsKindWhateverTheRecordsTranTypeSays) {
  struct Case {
    int32_t stock_bill_type;
    const char* tran_type;  // nullptr: the record has none
    const char* saved_type;
    const char* number_prefix;  // the kind's own rule numbers a bill sent without number
  };
  const Case cases[] = {{4, nullptr, "1", "PR"},
                        {5, nullptr, "21", "SD"},
                        {5, "1", "21", "SD"},
                        {4, "21", "1", "PR"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stock_bill_type) + " / " + (c.tran_type ? c.tran_type : "none"));
    Sql("DELETE FROM ICStockBillEntry");
    Sql("DELETE FROM ICStockBill");
    auto bill = Bill(c.stock_bill_type, "");
    if (c.tran_type) bill->SetValue("TranType", Variant(c.tran_type));
    clsStockBill cls;
    cls.SetStockBillType(c.stock_bill_type);
    const Result r = Import(cls, {bill});
    ASSERT_TRUE(r.ok) << r.error;
    const auto row = Rows("SELECT FTranType, FBillNo, FROB, FStatus FROM ICStockBill").at(0);
    EXPECT_EQ(row.at(0), c.saved_type);
    EXPECT_EQ(row.at(1).rfind(c.number_prefix, 0), 0u) << row.at(1);
    EXPECT_EQ(row.at(2), "1");
    EXPECT_EQ(row.at(3), "0");
  }
}

TEST_F(StockBillImportTest, ImportErrorIgnoreWhenEveryBillFails) {
  std::vector<ValueDictionaryPtr> bills = {Bill(4, "F-1"), Bill(4, "F-2"), Bill(4, "F-3")};
  bills[0]->Remove("POStyle");
  bills[1]->SetValue("ROB", Variant("1.5"));
  EntryOf(*bills[2], 1)->SetValue("KFPeriod", Variant("2.5"));
  clsStockBill cls;
  cls.SetStockBillType(4);
  const Result stopped = Import(cls, bills);
  EXPECT_FALSE(stopped.ok);
  EXPECT_NE(stopped.error.find("错误号:-1\r\n错误源:单据F-1引入出错！采购方式不能为空！"),
            std::string::npos)
      << stopped.error;
  EXPECT_TRUE(stopped.progress.empty());

  cls.SetImportErrorIgnore(true);
  const Result went_on = Import(cls, bills);
  EXPECT_TRUE(went_on.ok) << went_on.error;
  EXPECT_EQ(went_on.progress, (std::vector<std::tuple<int32_t, int32_t, bool, std::string>>{
                                  {1, 3, false, "单据F-1引入出错！采购方式不能为空！"},
                                  {2, 3, false, "单据F-2引入出错！ROB 的值不是整数：1.5"},
                                  {3, 3, false, "单据F-3引入出错！KFPeriod 的值不是整数：2.5"}}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICStockBill"), "0");
  EXPECT_EQ(Entries(), "0");
}

TEST_F(StockBillImportTest, OneBadValueFailsOnlyItsOwnBill) {
  struct Case {
    const char* bill;
    std::function<void(ValueDictionary&)> spoil;
    const char* message;  // "" for a bill that is saved
  };
  const Case cases[] = {
      {"V-1", [](ValueDictionary&) {}, ""},
      {"V-2", [](ValueDictionary& b) { b.SetValue("Date", Variant("2025-02-29")); },
       "Date 的值不是日期：2025-02-29"},
      {"V-3", [](ValueDictionary& b) { EntryOf(b, 1)->SetValue("KFDate", Variant("2025-13-01")); },
       "KFDate 的值不是日期：2025-13-01"},
      {"V-4",
       [](ValueDictionary& b) {
         EntryOf(b, 1)->SetValue("Qty", Variant("5); DELETE FROM ICInventory; --"));
       },
       "Qty 的值不是数字：5); DELETE FROM ICInventory; --"},
      {"V-5", [](ValueDictionary& b) { EntryOf(b, 1)->SetValue("CommitQty", Variant("n/a")); }, ""},
      {"V-6", [](ValueDictionary& b) { EntryOf(b, 1)->SetValue("ConsignPrice", Variant("1e5")); },
       "ConsignPrice 的值不是数字：1e5"},
      {"V-7", [](ValueDictionary& b) { b.SetValue("ROB", Variant("-1.5")); },
       "ROB 的值不是整数：-1.5"},
      {"V-8",
       [](ValueDictionary& b) { EntryOf(b, 1)->SetValue("KFPeriod", Variant("99999999999")); },
       "KFPeriod 的值不是整数：99999999999"},
      {"V-9", [](ValueDictionary&) {}, ""},
  };
  std::vector<ValueDictionaryPtr> bills;
  for (const Case& c : cases) {
    bills.push_back(Bill(5, c.bill));
    c.spoil(*bills.back());
  }
  const auto inventory = Rows("SELECT * FROM ICInventory");
  clsStockBill cls;
  cls.SetStockBillType(5);
  cls.SetImportErrorIgnore(true);
  const Result r = Import(cls, bills);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.bill);
    const bool saved = *c.message == '\0';
    EXPECT_EQ(r.progress[i],
              std::make_tuple(
                  int32_t(i + 1), int32_t(std::size(cases)), saved,
                  saved ? std::string() : "单据" + std::string(c.bill) + "引入出错！" + c.message));
    EXPECT_EQ(Count(c.bill), saved ? "1" : "0");
  }
  EXPECT_EQ(Entries(), "3");
  EXPECT_EQ(Rows("SELECT * FROM ICInventory"), inventory);
}

TEST_F(StockBillImportTest, ABillOfAnotherKindIsSkippedWithAddNewOnlyAndElseNeverSavedOver) {
  clsStockBill receipts;
  receipts.SetStockBillType(4);
  receipts.SetCheckByUUID(true);
  auto receipt = Bill(4, "KIND-1");
  receipt->SetValue("UUID", Variant("CRM-RECEIPT-1"));
  ASSERT_TRUE(Import(receipts, {receipt}).ok);
  const auto stored = Rows(
      "SELECT b.FInterID, b.FTranType, b.FUUID, e.FAuxQty FROM ICStockBill b "
      "JOIN ICStockBillEntry e ON e.FInterID=b.FInterID");
  ASSERT_EQ(stored.size(), 1u);

  struct Case {
    const char* why;
    const char* bill_no;
    const char* uuid;
    bool check_by_uuid, add_new_only;
    bool succeeded;
  };
  const Case cases[] = {
      {"by number, AddNewOnly: skipped", "KIND-1", "", false, true, true},
      {"by UUID, AddNewOnly: skipped", "KIND-1-RENAMED", "CRM-RECEIPT-1", true, true, true},
      {"by number: refused", "KIND-1", "", false, false, false},
      {"by UUID: refused", "KIND-1-RENAMED", "CRM-RECEIPT-1", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto delivery = Bill(5, c.bill_no);
    delivery->SetValue("UUID", Variant(c.uuid));
    EntriesOf(*delivery)->SetItem(1, Variant(Entry("9", "90")));
    clsStockBill deliveries;
    deliveries.SetStockBillType(5);
    deliveries.SetCheckByUUID(c.check_by_uuid);
    deliveries.SetAddNewOnly(c.add_new_only);
    deliveries.SetImportErrorIgnore(true);
    const Result r = Import(deliveries, {delivery});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.progress.size(), 1u);
    EXPECT_EQ(
        r.progress[0],
        std::make_tuple(1, 1, c.succeeded,
                        c.succeeded ? std::string()
                                    : "单据" + std::string(c.bill_no) +
                                          "引入出错！单据编号重复问题！需要设置自动生成编号"));
    // The receipt stays what it was; the CRM hears of no deletion.
    EXPECT_EQ(Rows("SELECT b.FInterID, b.FTranType, b.FUUID, e.FAuxQty FROM ICStockBill b "
                   "JOIN ICStockBillEntry e ON e.FInterID=b.FInterID"),
              stored);
    EXPECT_EQ(One("SELECT COUNT(*) FROM COM_DataChange"), "0");
  }
}

TEST_F(StockBillImportTest, ADeliveryBeyondTheStockOnHandIsRefusedWhenTheAccountSaysSo) {
  const std::string item =
      One("SELECT TOP 1 FItemID FROM t_Item WHERE FItemClassID=4 ORDER BY FItemID");
  const std::string on_hand = One("SELECT SUM(FQty) FROM ICInventory WHERE FItemID=" + item);
  const std::string beyond = CStr(CDbl(Variant(on_hand)) + 1);
  struct Case {
    const char* allow;
    const char* rob;
    std::string qty;
    bool saved;
  };
  const Case cases[] = {
      {"0", "1", on_hand, true},
      {"0", "1", beyond, false},
      {"0", "-1", "-" + beyond, true},  // a red delivery takes nothing out
      {"1", "1", beyond, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("AllowNegativeStock ") + c.allow + ", ROB " + c.rob + ", qty " +
                 c.qty);
    Sql(std::string("UPDATE t_SystemProfile SET FValue='") + c.allow +
        "' WHERE FKey='AllowNegativeStock'");
    const std::string bill_no = "NEG-" + std::to_string(++n);
    auto bill = Bill(5, bill_no);
    bill->SetValue("ROB", Variant(c.rob));
    EntriesOf(*bill)->SetItem(1, Variant(Entry(c.qty, "10")));
    const std::string entries_before = Entries();
    clsStockBill cls;
    cls.SetStockBillType(5);
    cls.SetImportErrorIgnore(true);
    const Result r = Import(cls, {bill});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.progress.size(), 1u);
    EXPECT_EQ(std::get<2>(r.progress[0]), c.saved) << std::get<3>(r.progress[0]);
    EXPECT_EQ(Count(bill_no), c.saved ? "1" : "0");
    if (!c.saved) {
      EXPECT_EQ(std::get<3>(r.progress[0]).rfind("单据" + bill_no + "引入出错！负库存问题！", 0),
                0u)
          << std::get<3>(r.progress[0]);
      EXPECT_EQ(Entries(), entries_before);
    }
  }
}

TEST_F(StockBillImportTest, QuotesAndSqlInEveryTextFieldAreStoredAsText) {
  const std::string hostile = "x'); DELETE FROM ICStockBill; --";
  auto bill = Bill(5, "O'Neil-" + hostile);
  bill->SetValue("UUID", Variant("U'" + hostile));  // kept without CheckByUUID
  bill->SetValue("Note", Variant("N'" + hostile));
  bill->SetValue("SupplyID", Variant(Key("O'Neil")));  // a real customer number
  auto entry = EntryOf(*bill, 1);
  for (const char* key : {"BatchNo", "MapName", "MapNumber", "Note"})
    entry->SetValue(key, Variant(std::string(key) + "'" + hostile));
  clsStockBill cls;
  cls.SetStockBillType(5);
  const Result r = Import(cls, {bill});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(
      Rows("SELECT b.FBillNo, b.FUUID, b.FNote, c.FNumber, e.FBatchNo, e.FMapName, "
           "e.FMapNumber, e.FNote FROM ICStockBill b JOIN ICStockBillEntry e "
           "ON e.FInterID=b.FInterID JOIN t_Item c ON c.FItemID=b.FSupplyID"),
      (std::vector<std::vector<std::string>>{{"O'Neil-" + hostile, "U'" + hostile, "N'" + hostile,
                                              "O'Neil", "BatchNo'" + hostile, "MapName'" + hostile,
                                              "MapNumber'" + hostile, "Note'" + hostile}}));
  // With CheckByUUID the bill is found by that UUID under another number
  // and saved over, never written twice.
  cls.SetCheckByUUID(true);
  bill->SetValue("BillNo", Variant("RENAMED-1"));
  ASSERT_TRUE(Import(cls, {bill}).ok);
  EXPECT_EQ(Rows("SELECT FBillNo, FUUID FROM ICStockBill"),
            (std::vector<std::vector<std::string>>{{"RENAMED-1", "U'" + hostile}}));
  EXPECT_EQ(Entries(), "1");
  // A blank UUID is none: the bill gets a new one.
  auto blank = Bill(5, "BLANK-UUID");
  blank->SetValue("UUID", Variant("  "));
  ASSERT_TRUE(Import(cls, {blank}).ok);
  EXPECT_EQ(One("SELECT LENGTH(FUUID) FROM ICStockBill WHERE FBillNo='BLANK-UUID'"), "36");
}

// Exports the bills of one kind from `source` and imports them into
// `target` as the CRM would: with the warehouse of the entries put on the
// bill, where the import takes it from.
void CopyBillsOfKind(const DemoAccount& source, const DemoAccount& target,
                     int32_t stock_bill_type) {
  clsStockBill exporter;
  exporter.SetStockBillType(stock_bill_type);
  std::string xml, error;
  ASSERT_TRUE(ExportAll(exporter, source, xml, error)) << error;
  ValueVectorPtr bills;
  ASSERT_TRUE(ReadXMLDocument(bills, xml, SchemaFileOf(kRoot), kRoot, error)) << error;
  ASSERT_GE(bills->Count(), 2);
  for (const Variant& item : *bills) {
    auto bill = item.ObjectAs<ValueDictionary>();
    bill->SetValue("DCStockID", EntryOf(*bill, 1)->Value("DCStockID"));
  }
  ASSERT_TRUE(WriteXMLDocument(bills, xml, SchemaFileOf(kRoot), kRoot, error)) << error;

  clsStockBill importer;
  importer.SetStockBillType(stock_bill_type);
  importer.SetImportErrorIgnore(true);
  const ImportResult imported = ImportXml(importer, target, xml);
  ASSERT_TRUE(imported.ok) << imported.error;
  EXPECT_EQ(RefusedIn(imported), std::vector<std::string>{});
}

TEST(StockBillRoundTrip, BothKindsBetweenTwoDemoAccounts) {
  DemoAccount source;
  DemoAccount target(DemoAccount::BaseOnly());
  // The demo's stock bills are all in the base currency: two of them get another.
  RowsOf(source, "UPDATE ICStockBill SET FCurrencyID=2 WHERE FBillNo IN ('PR000001','SD000001')");
  CopyBillsOfKind(source, target, 4);
  CopyBillsOfKind(source, target, 5);

  // Every field the document carries both ways, references by their
  // outside keys. A Null batch number travels as "0".
  const std::string heads =
      "SELECT b.FBillNo, b.FTranType, b.FUUID, b.FDate, b.FROB, IFNULL(b.FNote,''), b.FBillerID, "
      "fm.FNumber, po.FNumber, br.FNumber, ss.FID, ps.FID, sm.FNumber, sp.FNumber, cu.FNumber, "
      "d.FNumber, emp.FNumber "
      "FROM ICStockBill b LEFT JOIN t_Item fm ON fm.FItemID=b.FFManagerID "
      "LEFT JOIN t_Item po ON po.FItemID=b.FPosterID LEFT JOIN t_Item br ON "
      "br.FItemID=b.FRelateBrID "
      "LEFT JOIN t_SubMessage ss ON ss.FInterID=b.FSaleStyle "
      "LEFT JOIN t_SubMessage ps ON ps.FInterID=b.FPOStyle "
      "LEFT JOIN t_Item sm ON sm.FItemID=b.FSManagerID LEFT JOIN t_Item sp ON "
      "sp.FItemID=b.FSupplyID "
      "LEFT JOIN t_Currency cu ON cu.FCurrencyID=b.FCurrencyID "
      "LEFT JOIN t_Item d ON d.FItemID=b.FDeptID LEFT JOIN t_Item emp ON emp.FItemID=b.FEmpID "
      "WHERE b.FInterID <> 0 ORDER BY b.FBillNo";
  const std::string entries =
      "SELECT b.FBillNo, e.FEntryID, i.FNumber, u.FName, w.FNumber, p.FNumber, e.FAuxQty, "
      "e.FAuxQtyMust, e.FQty, e.FQtyMust, e.FAuxPrice, e.FAuxPlanPrice, e.FAmount, e.FPlanAmount, "
      "e.FConsignPrice, e.FConsignAmount, IFNULL(e.FBatchNo,'0'), e.FKFDate, e.FKFPeriod, "
      "IFNULL(e.FNote,'') "
      "FROM ICStockBill b JOIN ICStockBillEntry e ON e.FInterID=b.FInterID "
      "LEFT JOIN t_Item i ON i.FItemID=e.FItemID LEFT JOIN t_MeasureUnit u ON "
      "u.FMeasureUnitID=e.FUnitID "
      "LEFT JOIN t_Item w ON w.FItemID=e.FDCStockID LEFT JOIN t_StockPlace p ON p.FSPID=e.FDCSPID "
      "WHERE b.FInterID <> 0 ORDER BY b.FBillNo, e.FEntryID";
  for (const std::string& sql : {heads, entries}) ExpectSameRows(source, target, sql, 6);
  // The demo's bills hold the awkward values the comparison must cover.
  for (const char* sql : {"SELECT COUNT(*) FROM ICStockBill WHERE FROB=-1",
                          "SELECT COUNT(*) FROM ICStockBillEntry WHERE FKFDate IS NULL",
                          "SELECT COUNT(*) FROM ICStockBillEntry WHERE FBatchNo IS NULL"}) {
    SCOPED_TRACE(sql);
    EXPECT_NE(ColumnOf(source, sql).front(), "0");
  }
}

}  // namespace
}  // namespace corvane

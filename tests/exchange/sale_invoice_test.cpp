#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "exchange/cls_sale_invoice.h"
#include "frame/outside/object_factory.h"
#include "support/demo_account.h"
#include "support/exchange_fixture.h"
#include "values/format.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::ColumnOf;
using testing::CopyDocuments;
using testing::DemoAccount;
using testing::EntryOf;
using testing::ExchangeTest;
using testing::ExpectSameRows;
using testing::ImportResult;
using testing::Key;
using testing::RefusedIn;
using testing::RowsOf;
using testing::WatchedConnection;

constexpr const char* kRoot = "TavoIndSaleInvoice";

// The newest row version of ICSale, as the export writes timestamps.
std::string NewestRowVersion(const DemoAccount& account) {
  return ColumnOf(account, "SELECT '0x' || HEX(MAX(FOperDate)) FROM ICSale").front();
}

// ----- export -----

class SaleInvoiceExportTest : public ExchangeTest {
 protected:
  SaleInvoiceExportTest() : ExchangeTest(kRoot) {}
};

TEST_F(SaleInvoiceExportTest, PagesWalkBothTypesOldestFirstAndEndWithTheEndOfTableAnswer) {
  // Rows the export never hands out, written last so that they hold the
  // newest row versions: the ERP's template head and an ICSale row of
  // another transaction type. The maximum still covers them.
  Sql("INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (0, 80, '')");
  Sql("INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (900, 99, 'OTHER-99')");
  const std::string newest = NewestRowVersion(account_);
  const auto expected = Column(
      "SELECT FBillNo FROM ICSale WHERE FInterID <> 0 AND FTranType IN (80,86) ORDER BY FOperDate");
  ASSERT_EQ(expected.size(), 6u);

  for (int32_t per_count : {2, 0}) {
    SCOPED_TRACE(per_count);
    clsSaleInvoice cls;
    std::vector<std::string> seen;
    std::string timestamp;  // from the beginning
    for (int pages = 0;; ++pages) {
      ASSERT_LT(pages, 20);
      Page p = Export(cls, per_count, timestamp);
      ASSERT_TRUE(p.ok) << p.error;
      EXPECT_EQ(p.max_timestamp, newest);
      if (p.bill_numbers.empty()) {
        EXPECT_EQ(p.timestamp, "0xFFFFFFFFFFFFFFFF");
        EXPECT_EQ(p.xml.find("<SaleInvoice>"), std::string::npos) << p.xml;
        break;
      }
      if (per_count != 0) {
        EXPECT_LE(p.bill_numbers.size(), size_t(per_count));
      }
      seen.insert(seen.end(), p.bill_numbers.begin(), p.bill_numbers.end());
      EXPECT_EQ(p.timestamp, Column("SELECT '0x' || HEX(FOperDate) FROM ICSale WHERE FBillNo='" +
                                    p.bill_numbers.back() + "'")
                                 .front());
      timestamp = p.timestamp;
    }
    EXPECT_EQ(seen, expected);
  }
}

TEST_F(SaleInvoiceExportTest, AFilterIsJoinedWithAndAsOneCondition) {
  clsSaleInvoice cls;
  const Page first = Export(cls, 3, "");
  ASSERT_TRUE(first.ok) << first.error;
  // An OR in the Filter must not reach past the timestamp condition: the
  // invoices of the first page stay behind the cursor.
  cls.SetFilter("FTranType=80 OR FROB=-1");
  const Page rest = Export(cls, 0, first.timestamp);
  ASSERT_TRUE(rest.ok) << rest.error;
  EXPECT_EQ(rest.bill_numbers,
            Column("SELECT FBillNo FROM ICSale WHERE FInterID <> 0 AND FOperDate > " +
                   first.timestamp + " AND (FTranType=80 OR FROB=-1) ORDER BY FOperDate"));
  EXPECT_FALSE(rest.bill_numbers.empty());
}

TEST_F(SaleInvoiceExportTest, NullColumnsExportTheirDefaultsAndUnknownIdsNoKeyRecord) {
  Sql("UPDATE ICSale SET FDate=NULL, FROB=NULL, FCustID=0, FDeptID=999999, FBillerID=NULL "
      "WHERE FBillNo='SIV000001'");
  Sql("UPDATE ICSaleEntry SET FUnitID=0 WHERE FEntryID=1 AND FInterID="
      "(SELECT FInterID FROM ICSale WHERE FBillNo='SIV000001')");
  clsSaleInvoice cls;
  const Page p = Export(cls, 0, "");
  ASSERT_TRUE(p.ok) << p.error;
  const auto changed = Find(p, "SIV000001");
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->Value("Date"), Format(Variant(Now()), "yyyy-mm-dd"));
  EXPECT_EQ(CStr(changed->Value("ROB")), "1");
  EXPECT_EQ(CStr(changed->Value("SaleInvoiceType")), "80");
  const auto untouched = Find(p, "SIO000001");
  ASSERT_TRUE(untouched);
  struct Case {
    const char* key;
    bool at_entry;
  };
  for (const Case& c : {Case{"Customer", false}, Case{"Department", false}, Case{"BillerID", false},
                        Case{"Unit", true}}) {
    SCOPED_TRACE(c.key);
    EXPECT_FALSE((c.at_entry ? *EntryOf(*changed, 1) : *changed).Exists(c.key));
    const auto there = (c.at_entry ? *EntryOf(*untouched, 1) : *untouched).Value(c.key);
    EXPECT_FALSE(CStr(there.ObjectAs<ValueDictionary>()->Value("Number")).empty());
  }
  EXPECT_TRUE(changed->Exists("SaleStyle"));
  EXPECT_TRUE(EntryOf(*changed, 1)->Exists("Item"));
}

TEST_F(SaleInvoiceExportTest, AnInvoiceWithoutEntriesHasAnEmptyEntryList) {
  ASSERT_EQ(Column("SELECT COUNT(*) FROM ICSaleEntry e JOIN ICSale s ON s.FInterID=e.FInterID "
                   "WHERE s.FBillNo='SIO000003'"),
            std::vector<std::string>{"0"});
  clsSaleInvoice cls;
  const Page p = Export(cls, 0, "");
  ASSERT_TRUE(p.ok) << p.error;
  const auto empty = Find(p, "SIO000003");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Value("Entry").ObjectAs<ValueVector>()->Count(), 0);
  const size_t at = p.xml.find("<BillNo>SIO000003</BillNo>");
  ASSERT_NE(at, std::string::npos);
  const std::string record = p.xml.substr(at, p.xml.find("</SaleInvoice>", at) - at);
  EXPECT_EQ(record.find("<Entry"), std::string::npos) << record;
  // The invoice after it still carries its own entries.
  EXPECT_GT(Find(p, "SIO000004")->Value("Entry").ObjectAs<ValueVector>()->Count(), 0);
}

TEST_F(SaleInvoiceExportTest, TheStatementsAsSent) {
  ScopedProgIdOverride watched(kConnectionProgId,
                               [] { return std::make_shared<WatchedConnection>(); });
  WatchedConnection::statements.clear();
  WatchedConnection::read_only.clear();
  clsSaleInvoice cls;
  std::string props = account_.PropsString(), xml, ts, max, error;
  ASSERT_TRUE(cls.Export(props, xml, 100, ts, max, error)) << error;
  cls.SetFilter("FCustID=1001");
  ts = "0x00000000000107D1";
  ASSERT_TRUE(cls.Export(props, xml, 0, ts, max, error)) << error;

  const std::string first =
      "SELECT TOP 100 * FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86) AND "
      "(FOperDate>0x0000000000000000) ORDER BY FOperDate";
  const std::string filtered =
      "SELECT * FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86) AND "
      "((FOperDate>0x00000000000107D1) AND (FCustID=1001)) ORDER BY FOperDate";
  for (const std::string& s :
       {std::string("SELECT MAX(FOperDate) as FMT FROM ICSale WHERE FInterID <> 0 "), first,
        filtered, std::string(" select * from ICSaleEntry where FInterID=1")}) {
    SCOPED_TRACE(s);
    EXPECT_TRUE(WatchedConnection::Sent(s));
  }
  // The page statements, which carry the Filter, only read.
  EXPECT_TRUE(WatchedConnection::SentReadOnly(first));
  EXPECT_TRUE(WatchedConnection::SentReadOnly(filtered));
}

// ----- import -----

class SaleInvoiceImportTest : public ExchangeTest {
 protected:
  SaleInvoiceImportTest() : ExchangeTest(kRoot, DemoAccount::BaseOnly()) {}

  // A blue special invoice that every check accepts, on the demo's base data.
  ValueDictionaryPtr Invoice(const std::string& bill_no) {
    auto invoice = ValueDictionary::Create();
    invoice->SetValue("BillNo", Variant(bill_no));
    invoice->SetValue("SaleInvoiceType", Variant("80"));
    invoice->SetValue("Date", Variant("2025-06-30"));
    invoice->SetValue("ROB", Variant("1"));
    invoice->SetValue("SaleStyle",
                      Variant(Key(One("SELECT FID FROM t_SubMessage WHERE FInterID=101"))));
    invoice->SetValue("Customer", Variant(Key(NumberOfClass(1))));
    invoice->SetValue(
        "Currency", Variant(Key(One("SELECT TOP 1 FNumber FROM t_Currency ORDER BY FCurrencyID"))));
    invoice->SetValue("Department", Variant(Key(NumberOfClass(2))));
    invoice->SetValue("Employee", Variant(Key(NumberOfClass(3))));
    auto entries = ValueVector::Create();
    entries->Add(Variant(Entry("5", "50")));
    invoice->SetValue("Entry", Variant(entries));
    return invoice;
  }
  ValueDictionaryPtr Entry(const std::string& qty, const std::string& amount) {
    auto e = ValueDictionary::Create();
    e->SetValue("Item", Variant(Key(NumberOfClass(4))));
    e->SetValue("AuxQty", Variant(qty));
    e->SetValue(
        "Unit",
        Variant(Key("", One("SELECT TOP 1 FName FROM t_MeasureUnit ORDER BY FMeasureUnitID"))));
    e->SetValue("AuxPrice", Variant("10"));
    e->SetValue("AuxTaxPrice", Variant("11.3"));
    e->SetValue("TaxRate", Variant("13"));
    e->SetValue("DiscountRate", Variant("0"));
    e->SetValue("Amount", Variant(amount));
    e->SetValue("TaxAmount", Variant("6.5"));
    return e;
  }

  void ExpectNothingWritten() {
    EXPECT_EQ(One("SELECT COUNT(*) FROM ICSale"), "0");
    EXPECT_EQ(One("SELECT COUNT(*) FROM ICSaleEntry"), "0");
  }
};

TEST_F(SaleInvoiceImportTest, TheZeroAndTheRedAndBlueSignChecks) {
  struct Case {
    const char* rob;
    const char* qty;
    const char* amount;
    const char* message;  // "" when the invoice is saved
  };
  const Case cases[] = {
      {"-1", "3", "30", "红字单据数量必须小于等于零！"},
      {"-1", "-3", "-30", ""},
      {"1", "-3", "-30", "蓝字单据数量必须大于等于零！"},
      {"1", "3", "30", ""},
      {"1", "0", "50", ""},  // a quantity of 0 with an amount passes
      {"1", "0", "0", "金额与数量不能都为零！"},
      {"-1", "0.00", "-0", "金额与数量不能都为零！"},
      {"-1.0", "3", "30", "红字单据数量必须小于等于零！"},  // ROB compared as a number
      {"0", "-3", "30", ""},                                // other ROB values are not checked
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("ROB ") + c.rob + " qty " + c.qty + " amount " + c.amount);
    const std::string bill = "SIGN-" + std::to_string(++n);
    auto invoice = Invoice(bill);
    invoice->SetValue("ROB", Variant(c.rob));
    invoice->Value("Entry").ObjectAs<ValueVector>()->SetItem(1, Variant(Entry(c.qty, c.amount)));
    clsSaleInvoice cls;
    const Result r = Import(cls, {invoice});
    const std::string saved = One("SELECT COUNT(*) FROM ICSale WHERE FBillNo='" + bill + "'");
    if (*c.message == '\0') {
      EXPECT_TRUE(r.ok) << r.error;
      EXPECT_EQ(saved, "1");
      EXPECT_EQ(One("SELECT e.FAuxQty FROM ICSaleEntry e JOIN ICSale s ON s.FInterID=e.FInterID "
                    "WHERE s.FBillNo='" +
                    bill + "'"),
                CStr(CDbl(Variant(c.qty))));
    } else {
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.error.find("错误源:单据" + bill + "引入出错！" + c.message), std::string::npos)
          << r.error;
      EXPECT_EQ(saved, "0");
    }
  }
}

TEST_F(SaleInvoiceImportTest, ChecksInTheirOrderAndNothingOfARefusedInvoiceIsWritten) {
  using Spoil = std::function<void(ValueDictionary&)>;
  auto entry = [](const char* key, const char* value) -> Spoil {
    return [=](ValueDictionary& i) { EntryOf(i, 1)->SetValue(key, Variant(value)); };
  };
  auto head = [](const char* key, const char* value) -> Spoil {
    return [=](ValueDictionary& i) { i.SetValue(key, Variant(value)); };
  };
  auto without = [](const char* key) -> Spoil {
    return [=](ValueDictionary& i) { i.Remove(key); };
  };
  auto both = [](Spoil a, Spoil b) -> Spoil {
    return [=](ValueDictionary& i) {
      a(i);
      b(i);
    };
  };
  auto unknown = [](const char* key, bool at_entry) -> Spoil {
    return [=](ValueDictionary& i) {
      (at_entry ? *EntryOf(i, 1) : i).SetValue(key, Variant(Key("NO-SUCH-ROW", "NO-SUCH-ROW")));
    };
  };
  struct Case {
    const char* why;
    Spoil spoil;
    const char* message;
  };
  const Case cases[] = {
      {"no date", without("Date"), "日期不能为空！"},
      {"empty date", head("Date", ""), "日期不能为空！"},
      {"no sales style: there is no default", without("SaleStyle"), "销售方式不能为空！"},
      {"unknown sales style", unknown("SaleStyle", false), "销售方式不能为空！"},
      {"no customer", without("Customer"), "购货单位不能为空！"},
      {"no department", without("Department"), "部门不能为空！"},
      {"no salesman", without("Employee"), "业务员不能为空！"},
      {"no entries", without("Entry"), "至少必须有一条分录！"},
      {"unknown item", unknown("Item", true), "物料不能为空！"},
      {"unknown unit", unknown("Unit", true), "计量单位不能为空！"},
      // Two faults: the earlier check speaks.
      {"date before sales style", both(without("Date"), without("SaleStyle")), "日期不能为空！"},
      {"sales style before customer", both(without("SaleStyle"), without("Customer")),
       "销售方式不能为空！"},
      {"salesman before entries", both(without("Employee"), without("Entry")), "业务员不能为空！"},
      {"zero before item",
       both(entry("AuxQty", "0"), both(entry("Amount", "0"), unknown("Item", true))),
       "金额与数量不能都为零！"},
      {"sign before item", both(entry("AuxQty", "-1"), unknown("Item", true)),
       "蓝字单据数量必须大于等于零！"},
      {"item before unit", both(unknown("Unit", true), unknown("Item", true)), "物料不能为空！"},
      // Values that go into SQL, checked as such.
      {"impossible date", head("Date", "2024-02-30"), "Date 的值不是日期：2024-02-30"},
      {"ROB not whole", head("ROB", "1.5"), "ROB 的值不是整数：1.5"},
      {"type not whole", head("SaleInvoiceType", "80.5"), "SaleInvoiceType 的值不是整数：80.5"},
      {"exchange rate not a number", head("ExchangeRate", "1;DROP TABLE ICSale"),
       "ExchangeRate 的值不是数字：1;DROP TABLE ICSale"},
      {"quantity not a number", entry("AuxQty", "5)--"), "AuxQty 的值不是数字：5)--"},
      {"tax amount not a number", entry("TaxAmount", "0x10"), "TaxAmount 的值不是数字：0x10"},
      {"amount the column cannot hold", entry("Amount", "1000000000000000000"),
       "Amount 的值超出范围：1000000000000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto invoice = Invoice("BAD-1");
    c.spoil(*invoice);
    clsSaleInvoice cls;
    const Result r = Import(cls, {invoice});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(std::string("错误源:单据BAD-1引入出错！") + c.message),
              std::string::npos)
        << r.error;
    EXPECT_TRUE(r.progress.empty());
    ExpectNothingWritten();
    // Each row starts from an empty table, even after one that failed here.
    Rows("DELETE FROM ICSaleEntry");
    Rows("DELETE FROM ICSale");
  }
}

TEST_F(SaleInvoiceImportTest, AnInvoiceWithoutTypeIsRefusedAndNothingIsWritten) {
  auto invoice = Invoice("NOTYPE-1");
  invoice->Remove("SaleInvoiceType");
  clsSaleInvoice cls;
  cls.SetImportErrorIgnore(true);
  const Result r = Import(cls, {invoice});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), 1u);
  EXPECT_FALSE(std::get<2>(r.progress[0]));
  // The bill service refuses a document without a transaction type.
  EXPECT_EQ(std::get<3>(r.progress[0]).rfind("单据NOTYPE-1引入出错！保存单据出错。", 0), 0u)
      << std::get<3>(r.progress[0]);
  ExpectNothingWritten();
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICStockBill"), "0");
}

TEST_F(SaleInvoiceImportTest, SavedUnderItsOwnTypeWithItsValuesAsSent) {
  struct Case {
    const char* type;
    const char* number_prefix;  // the type's own rule numbers an invoice sent without number
  };
  for (const Case& c : {Case{"80", "SIV"}, Case{"86", "SIO"}}) {
    SCOPED_TRACE(c.type);
    auto invoice = Invoice("");
    invoice->SetValue("SaleInvoiceType", Variant(c.type));
    invoice->SetValue("ExchangeRate", Variant("6.5"));
    clsSaleInvoice cls;
    const Result r = Import(cls, {invoice});
    ASSERT_TRUE(r.ok) << r.error;
    const auto row =
        Rows(std::string("SELECT FBillNo, FDate, FROB, FSaleStyle, FExchangeRate, "
                         "FImport, FSystemType, FStatus, FBillerID FROM ICSale WHERE FTranType=") +
             c.type)
            .at(0);
    EXPECT_EQ(row.at(0).rfind(c.number_prefix, 0), 0u) << row.at(0);
    EXPECT_EQ(std::vector<std::string>(row.begin() + 1, row.end()),
              (std::vector<std::string>{"2025-06-30", "1", "101", "6.5", "1", "2", "0",
                                        "16394"}));  // no BillerID: the calling user
  }
  EXPECT_EQ(
      Rows("SELECT FEntryID, FAuxQty, FAuxPrice, FAuxTaxPrice, FTaxRate, FDiscountRate, "
           "FAmount, FTaxAmount FROM ICSaleEntry ORDER BY FInterID"),
      (std::vector<std::vector<std::string>>{{"1", "5", "10", "11.3", "13", "0", "50", "6.5"},
                                             {"1", "5", "10", "11.3", "13", "0", "50", "6.5"}}));
}

TEST_F(SaleInvoiceImportTest, QuotesAndSqlInTextFieldsAreStoredAsText) {
  const std::string bill = "O'Neil-1'); DELETE FROM ICSale; --";
  const std::string uuid = "U'1' OR '1'='1";
  const std::string note = "it's '); DROP TABLE ICSaleEntry; --";
  auto invoice = Invoice(bill);
  invoice->SetValue("UUID", Variant(uuid));
  invoice->SetValue("Note", Variant(note));
  invoice->SetValue("Customer", Variant(Key("O'Neil")));  // a real customer number
  clsSaleInvoice cls;
  const Result r = Import(cls, {invoice});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(Rows("SELECT s.FBillNo, s.FUUID, s.FNote, c.FNumber FROM ICSale s "
                 "JOIN t_Item c ON c.FItemID=s.FCustID"),
            (std::vector<std::vector<std::string>>{{bill, uuid, note, "O'Neil"}}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICSaleEntry"), "1");
  // Found again by that number, and with CheckByUUID by that UUID under
  // another number: saved over, never written twice.
  ASSERT_TRUE(Import(cls, {invoice}).ok);
  cls.SetCheckByUUID(true);
  invoice->SetValue("BillNo", Variant("RENAMED-1"));
  ASSERT_TRUE(Import(cls, {invoice}).ok);
  EXPECT_EQ(Rows("SELECT FBillNo, FUUID FROM ICSale"),
            (std::vector<std::vector<std::string>>{{"RENAMED-1", uuid}}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICSaleEntry"), "1");
}

TEST_F(SaleInvoiceImportTest, TheUuidIsKeptWithoutCheckByUuidAndABlankOneIsNone) {
  auto with_uuid = [&](const std::string& bill, const std::string& uuid) {
    auto i = Invoice(bill);
    i->SetValue("UUID", Variant(uuid));
    return i;
  };
  clsSaleInvoice cls;
  ASSERT_TRUE(Import(cls, {with_uuid("U-1", "  CRM-INVOICE-1 "), with_uuid("U-2", "   ")}).ok);
  EXPECT_EQ(One("SELECT FUUID FROM ICSale WHERE FBillNo='U-1'"), "CRM-INVOICE-1");  // trimmed
  EXPECT_EQ(One("SELECT LENGTH(FUUID) FROM ICSale WHERE FBillNo='U-2'"), "36");
}

TEST_F(SaleInvoiceImportTest, AddNewOnlySkipsANumberOfEitherType) {
  clsSaleInvoice cls;
  ASSERT_TRUE(Import(cls, {Invoice("SAME-1")}).ok);
  auto other_type = Invoice("SAME-1");
  other_type->SetValue("SaleInvoiceType", Variant("86"));
  other_type->Value("Entry").ObjectAs<ValueVector>()->SetItem(1, Variant(Entry("9", "90")));
  cls.SetAddNewOnly(true);
  const Result r = Import(cls, {other_type});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.progress.size(), 1u);
  EXPECT_EQ(r.progress[0], std::make_tuple(1, 1, true, std::string()));
  EXPECT_EQ(Rows("SELECT s.FTranType, e.FAuxQty FROM ICSale s JOIN ICSaleEntry e "
                 "ON e.FInterID=s.FInterID"),
            (std::vector<std::vector<std::string>>{{"80", "5"}}));
}

TEST_F(SaleInvoiceImportTest, OneBadValueFailsOnlyItsOwnInvoice) {
  struct Case {
    const char* bill;
    std::function<void(ValueDictionary&)> spoil;
    const char* message;  // "" for an invoice that is saved
  };
  const Case cases[] = {
      {"B-1", [](ValueDictionary&) {}, ""},
      {"B-2", [](ValueDictionary& i) { i.SetValue("ROB", Variant("1.5")); },
       "ROB 的值不是整数：1.5"},
      {"B-3", [](ValueDictionary& i) { i.SetValue("Date", Variant("2025/06/30")); },
       "Date 的值不是日期：2025/06/30"},
      {"B-4", [](ValueDictionary& i) { EntryOf(i, 1)->SetValue("EntryID", Variant("one")); }, ""},
      {"B-5", [](ValueDictionary& i) { EntryOf(i, 1)->SetValue("DiscountRate", Variant("5%")); },
       "DiscountRate 的值不是数字：5%"},
      {"B-6", [](ValueDictionary&) {}, ""},
  };
  std::vector<ValueDictionaryPtr> invoices;
  for (const Case& c : cases) {
    invoices.push_back(Invoice(c.bill));
    c.spoil(*invoices.back());
  }
  clsSaleInvoice cls;
  cls.SetImportErrorIgnore(true);
  const Result r = Import(cls, invoices);
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
    EXPECT_EQ(One(std::string("SELECT COUNT(*) FROM ICSale WHERE FBillNo='") + c.bill + "'"),
              saved ? "1" : "0");
  }
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICSaleEntry"), "3");
}

TEST(SaleInvoiceRoundTrip, BetweenTwoDemoAccounts) {
  DemoAccount source;
  DemoAccount target(DemoAccount::BaseOnly());
  clsSaleInvoice exporter, importer;
  // An invoice without entries cannot be imported; every other one must be.
  const ImportResult imported = CopyDocuments(exporter, source, importer, target);
  ASSERT_TRUE(imported.ok) << imported.error;
  EXPECT_EQ(RefusedIn(imported),
            std::vector<std::string>{"单据SIO000003引入出错！至少必须有一条分录！"});

  // Every field the document carries, references by their outside keys.
  const std::string heads =
      "SELECT s.FBillNo, s.FTranType, s.FUUID, s.FDate, s.FROB, s.FExchangeRate, "
      "IFNULL(s.FNote,''), m.FID, c.FNumber, cu.FNumber, d.FNumber, emp.FNumber, s.FBillerID "
      "FROM ICSale s LEFT JOIN t_SubMessage m ON m.FInterID=s.FSaleStyle "
      "LEFT JOIN t_Item c ON c.FItemID=s.FCustID LEFT JOIN t_Currency cu ON "
      "cu.FCurrencyID=s.FCurrencyID "
      "LEFT JOIN t_Item d ON d.FItemID=s.FDeptID LEFT JOIN t_Item emp ON emp.FItemID=s.FEmpID "
      "WHERE s.FInterID <> 0 AND EXISTS (SELECT 1 FROM ICSaleEntry e WHERE e.FInterID=s.FInterID) "
      "ORDER BY s.FBillNo";
  const std::string entries =
      "SELECT s.FBillNo, e.FEntryID, i.FNumber, u.FName, e.FAuxQty, e.FAuxPrice, e.FAuxTaxPrice, "
      "e.FTaxRate, e.FDiscountRate, e.FAmount, e.FTaxAmount "
      "FROM ICSale s JOIN ICSaleEntry e ON e.FInterID=s.FInterID "
      "LEFT JOIN t_Item i ON i.FItemID=e.FItemID LEFT JOIN t_MeasureUnit u ON "
      "u.FMeasureUnitID=e.FUnitID "
      "WHERE s.FInterID <> 0 ORDER BY s.FBillNo, e.FEntryID";
  for (const std::string& sql : {heads, entries}) ExpectSameRows(source, target, sql, 5);
  // Every reference resolved in the source resolves in the target.
  EXPECT_EQ(RowsOf(target,
                   "SELECT COUNT(*) FROM ICSale WHERE FSaleStyle=0 OR FCustID=0 OR "
                   "FCurrencyID=0 OR FDeptID=0 OR FEmpID=0 OR FBillerID=0"),
            (std::vector<std::vector<std::string>>{{"0"}}));
}

}  // namespace
}  // namespace corvane

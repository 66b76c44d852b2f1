#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frame/call_context.h"
#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
#include "query/c_order_trace.h"
#include "query/c_stock_query.h"
#include "support/account_file.h"
#include "support/demo_account.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::AccountFile;
using testing::DemoAccount;

// An answer read back against its schema, and checked by xmllint too.
struct Answer {
  bool ok = false;
  std::string xml, error;
  ValueVectorPtr records;
};

class QueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Known stock for item 7: two warehouses, NULL and empty batch numbers,
    // three lock rows (one negative); item 8 has no inventory.
    Exec("INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, UUID) VALUES "
         "(7, 4, 'M-7', 'Bolt', 'U-7'), (8, 4, 'M-8', 'Nut', NULL), (9, 4, 'O''B', 'Quote', 'U-9')");
    Exec("INSERT INTO t_ICItem (FItemID, FNumber, FName, FModel, FLowLimit, FHighLimit, FSecInv) "
         "VALUES (7, 'M-7', 'Bolt', NULL, 5, 500, 20), (8, 'M-8', 'Nut', 'N1', 1, 10, 2), "
         "(9, 'O''B', 'Quote', NULL, 0, 0, 0)");
    Exec("INSERT INTO ICInventory (FItemID, FBatchNo, FStockID, FQty) VALUES "
         "(7, NULL, 1, 30), (7, NULL, 2, 12), (7, '', 1, 5), (7, 'B1', 1, 100), (7, 'B1', 2, 1), "
         "(9, 'Q', 1, 3)");
    Exec("INSERT INTO t_LockStock (FItemID, FQty) VALUES (7, 4), (7, 6), (7, -50)");
  }
  void Exec(const std::string& sql) { AccountFile::ExecOn(account_.path(), sql); }

  Answer Read(bool ok, std::string xml, std::string error, const char* root) {
    Answer a{ok, std::move(xml), std::move(error), nullptr};
    if (!ok) return a;
    std::string read_error;
    EXPECT_TRUE(ReadXMLDocument(a.records, a.xml, ThisThreadSchemaFolder() + root + ".xsd", root,
                                read_error))
        << read_error;
    const std::string file = account_.dir().File("answer.xml");
    std::ofstream(file, std::ios::trunc) << a.xml;
    const std::string command = "xmllint --noout --schema '" + ThisThreadSchemaFolder() + root +
                                ".xsd' '" + file + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << a.xml;
    return a;
  }
  Answer Stock(const std::string& number, bool by_batch) {
    std::string xml, error;
    const bool ok = CStockQuery().Export(account_.PropsString(), number, by_batch, xml, error);
    return Read(ok, xml, error,
                by_batch ? "TavoStockDataQueryWithBatch" : "TavoStockDataQueryWithOutBatch");
  }
  Answer Trace(const std::string& order_no) {
    std::string xml, error;
    const bool ok = COrderTrace().Export(account_.PropsString(), order_no, xml, error);
    return Read(ok, xml, error, "TavoSaleOrderTrace");
  }
  static std::string Field(const ValueDictionary& d, const char* key) {
    return CStr(d.GetValue(key, Variant("(absent)")));
  }

  DemoAccount account_;
};

TEST_F(QueryTest, StockPerBatchAndInAll) {
  const Answer batches = Stock("M-7", true);
  ASSERT_TRUE(batches.ok) << batches.error;
  ASSERT_EQ(batches.records->Count(), 1);
  const ValueDictionary& item = *batches.records->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_EQ(Field(item, "UUID"), "U-7");
  EXPECT_EQ(Field(item, "Name"), "Bolt");
  EXPECT_EQ(Field(item, "FSecInv"), "20");
  // Negative lock rows count as 0, and three lock rows do not multiply the
  // stock (nor five inventory rows the locks).
  EXPECT_EQ(Field(item, "FLockedQty"), "10");
  EXPECT_EQ(Field(item, "FCurrentQty"), "(absent)");
  std::vector<std::pair<std::string, std::string>> per_batch;
  for (const Variant& b : *item.Value("FItemQtyWithBatch").ObjectAs<ValueVector>()) {
    const auto batch = b.ObjectAs<ValueDictionary>();
    per_batch.emplace_back(Field(*batch, "FBatchNo"), Field(*batch, "FCurrentQty"));
  }
  // NULL and empty batch numbers are two batches, both "NO BatchNo".
  std::sort(per_batch.begin(), per_batch.end());
  EXPECT_EQ(per_batch, (std::vector<std::pair<std::string, std::string>>{
                           {"B1", "101"}, {"NO BatchNo", "42"}, {"NO BatchNo", "5"}}));

  const Answer total = Stock("M-7", false);
  ASSERT_TRUE(total.ok) << total.error;
  const ValueDictionary& all = *total.records->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_EQ(Field(all, "FCurrentQty"), "148");
  EXPECT_EQ(Field(all, "FLockedQty"), "10");
  EXPECT_EQ(Field(all, "FItemQtyWithBatch"), "(absent)");
}

TEST_F(QueryTest, AnItemWithoutInventoryAnswersZerosAndAnUnknownOneIsRefused) {
  for (bool by_batch : {true, false}) {
    SCOPED_TRACE(by_batch ? "with batches" : "without batches");
    const Answer none = Stock("M-8", by_batch);
    ASSERT_TRUE(none.ok) << none.error;
    const ValueDictionary& item = *none.records->Item(1).ObjectAs<ValueDictionary>();
    EXPECT_EQ(Field(item, "UUID"), "");
    EXPECT_EQ(Field(item, "Number"), "M-8");
    EXPECT_EQ(Field(item, "FLowLimit"), "0");
    EXPECT_EQ(Field(item, "FLockedQty"), "0");
    if (by_batch) {
      EXPECT_EQ(item.Value("FItemQtyWithBatch").ObjectAs<ValueVector>()->Count(), 0);
    } else {
      EXPECT_EQ(Field(item, "FCurrentQty"), "0");
    }
    for (const char* unknown : {"NOPE", "M-7' OR '1'='1", "M-7'; DELETE FROM ICInventory; --"}) {
      SCOPED_TRACE(unknown);
      const Answer refused = Stock(unknown, by_batch);
      EXPECT_FALSE(refused.ok);
      EXPECT_EQ(refused.error, "物料不存在！");
    }
    // A number with a quote is looked up as written.
    const Answer quoted = Stock("O'B", by_batch);
    EXPECT_TRUE(quoted.ok) << quoted.error;
  }
  const Answer still = Stock("M-7", false);
  EXPECT_EQ(Field(*still.records->Item(1).ObjectAs<ValueDictionary>(), "FCurrentQty"), "148");
}

class TraceTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    Exec("INSERT INTO t_MeasureUnit (FMeasureUnitID, FNumber, FName) VALUES (70, 'PCS7', 'Piece7')");
    Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID) VALUES "
         "(900, 81, 'SO-T', 'U-SO-T'), (901, 81, 'SO-NONE', 'U-SO-N')");
    // Two deliveries against SO-T (inserted out of ID order) that share a
    // number, a receipt that names it (not a delivery), and an entry of the
    // second delivery that belongs to another order.
    Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo, FUUID, FROB, FDate) VALUES "
         "(802, 21, 'SD-T', 'U-802', 1, '2025-03-02'), (801, 21, 'SD-T', 'U-801', -1, '2025-03-01'), "
         "(803, 1, 'PR-T', 'U-803', 1, '2025-03-03')");
    Exec("INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FUnitID, FAuxQty, FOrderBillNO) "
         "VALUES (801, 1, 7, 70, -2, 'SO-T'), (802, 1, 7, 70, 5, 'SO-T'), (802, 2, 9, 70, 1, 'SO-T'), "
         "(802, 3, 7, 70, 99, 'SO-OTHER'), (803, 1, 7, 70, 8, 'SO-T')");
  }
  // (bill UUID, item number, quantity) per entry, bill by bill.
  static std::vector<std::string> Deliveries(const Answer& a) {
    std::vector<std::string> out;
    for (const Variant& b : *a.records) {
      const auto bill = b.ObjectAs<ValueDictionary>();
      for (const Variant& e : *bill->Value("Entry").ObjectAs<ValueVector>()) {
        const auto entry = e.ObjectAs<ValueDictionary>();
        out.push_back(Field(*bill, "UUID") + " " + Field(*bill, "ROB") + " " +
                      Field(*entry->Value("Item").ObjectAs<ValueDictionary>(), "Number") + " " +
                      Field(*entry, "Qty"));
      }
    }
    return out;
  }
};

TEST_F(TraceTest, EachDeliveryWithItsOwnEntriesInOrderOfItsId) {
  for (const char* order : {"SO-T", "  SO-T "}) {
    SCOPED_TRACE(std::string("[") + order + "]");
    const Answer a = Trace(order);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(Deliveries(a),
              (std::vector<std::string>{"U-801 -1 M-7 -2", "U-802 1 M-7 5", "U-802 1 O'B 1"}));
    const auto first = a.records->Item(1).ObjectAs<ValueDictionary>();
    EXPECT_EQ(Field(*first, "Number"), "SD-T");
    EXPECT_EQ(Field(*first, "Date"), "2025-03-01");
  }
  // The order's key record is looked up with the number as given.
  const Answer exact = Trace("SO-T");
  const auto bill = exact.records->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_EQ(Field(*bill->Value("OrderBill").ObjectAs<ValueDictionary>(), "UUID"), "U-SO-T");
}

TEST_F(TraceTest, NoDeliveryIsRefusedWithoutAlteringTheStatement) {
  for (const char* order : {"SO-NONE", "NOPE", "", "   ", "SO-T' OR '1'='1", "x'; DELETE FROM ICStockBill; --"}) {
    SCOPED_TRACE(std::string("[") + order + "]");
    const Answer a = Trace(order);
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.error, "不存在销售出库单");
  }
  // A blank number does not find the entries that name no order.
  Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (804, 21, 'SD-BLANK')");
  Exec("INSERT INTO ICStockBillEntry (FInterID, FEntryID, FItemID, FUnitID, FAuxQty, FOrderBillNO) "
       "VALUES (804, 1, 7, 70, 1, '')");
  EXPECT_FALSE(Trace(" ").ok);
  EXPECT_TRUE(Trace("SO-T").ok);  // nothing was deleted
}

TEST_F(QueryTest, AFailureAnswersFalseWithItsErrorText) {
  std::string xml, error;
  EXPECT_FALSE(CStockQuery().Export("ConnectString={Provider=SQLite;Data Source=/nonexistent.db};UserID=1",
                                    "M-7", true, xml, error));
  EXPECT_NE(error.find("/nonexistent.db"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(COrderTrace().Export("ConnectString={Provider=SQLite;Data Source=/nonexistent.db};UserID=1",
                                    "SO-T", xml, error));
  EXPECT_NE(error.find("/nonexistent.db"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvane

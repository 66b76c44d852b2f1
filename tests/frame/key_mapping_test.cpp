#include "frame/key_mapping.h"

#include <gtest/gtest.h>

#include <functional>

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_connection.h"
#include "platform/db/sqlite_handle.h"
#include "support/account_file.h"
#include "support/error_number.h"
#include "support/faulty_connection.h"

namespace corvane {
namespace {

using testing::AccountFile;
using testing::ErrorNumberOf;

// The real connection component, counting the statements it is given.
class CountingConnection : public db::SqliteConnection {
 public:
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override {
    statements.push_back(std::string(sql));
    return db::SqliteConnection::GetAnyRecordSet(sql);
  }
  static inline std::vector<std::string> statements;
};

class KeyMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CountingConnection::statements.clear();
    account_.Exec(
        "INSERT INTO t_Currency (FCurrencyID, FNumber, FName, UUID) VALUES (1, 'RMB', 'Renminbi', 'U-CUR-1');"
        "INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, UUID) VALUES"
        " (10, 1, 'C001', 'Acme', 'U-ITEM-10'), (11, 4, 'C001', 'Bolt', 'U-ITEM-11'),"
        " (12, 1, 'O''Neil', 'O''Neil Ltd', 'U''Q'), (13, 1, 'E1', 'Empty uuid', ''),"
        " (14, 1, 'N1', 'Null number', NULL);"
        "INSERT INTO t_MeasureUnit (FMeasureUnitID, FNumber, FName, UUID) VALUES (7, 'PCS', 'Piece', 'U-UNIT-7');"
        "INSERT INTO t_RpContract (FContractID, FContractNo, UUID) VALUES (3, 'CT-3', 'U-CT-3');"
        "INSERT INTO t_SubMessage (FInterID, FTypeID, FID, FName, UUID) VALUES (101, 101, 'S1', 'Retail', 'U-SM-101');"
        "INSERT INTO t_User (FUserID, FName, FForbidden, UUID) VALUES (16394, 'administrator', 0, 'U-USER');"
        "INSERT INTO t_StockPlace (FSPID, FNumber, FName, FUUID) VALUES (5, 'SP5', 'Shelf 5', 'U-SP-5');"
        "INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID) VALUES (1, 81, 'SO1', 'U-SO-1');"
        "INSERT INTO ICStockBill (FInterID, FTranType, FBillNo, FUUID) VALUES"
        " (1, 21, 'SD1', 'U-SD-1'), (2, 1, 'PR1', 'U-PR-1');");
    ParsePropsString(account_.PropsString());
  }
  void TearDown() override { db::HandlePool::CloseIdle(); }

  static ValueDictionaryPtr Key(Variant number, Variant name, std::optional<std::string> uuid = {}) {
    auto key = ValueDictionary::Create();
    if (uuid) key->SetValue("UUID", Variant(*uuid));
    key->SetValue("Number", std::move(number));
    key->SetValue("Name", std::move(name));
    return key;
  }
  static std::vector<std::string> KeysOf(const ValueDictionary& d) {
    std::vector<std::string> keys;
    for (const auto& [k, v] : d.Entries()) keys.push_back(k);
    return keys;
  }

  AccountFile account_;
  ScopedProgIdOverride counting_{kConnectionProgId,
                                 [] { return std::make_shared<CountingConnection>(); }};
};

TEST_F(KeyMappingTest, PutWritesNumberNameAndUuidInThatOrder) {
  auto doc = ValueDictionary::Create();
  PutBaseDataKey(*doc, 10, "Customer", "Item");
  PutBaseDataKey(*doc, 1, "Currency", "currency");  // the kind ignores case
  PutBaseDataKey(*doc, 7, "Unit", "MeasureUnit");
  PutBaseDataKey(*doc, 3, "Contract", "Contract");
  PutBaseDataKey(*doc, 101, "SaleStyle", "SubMessage");
  PutBaseDataKey(*doc, 16394, "Biller", "User");
  PutBaseDataKey(*doc, 5, "StockPlace", "StockPlace");
  EXPECT_EQ(KeysOf(*doc), (std::vector<std::string>{"Customer", "Currency", "Unit", "Contract",
                                                     "SaleStyle", "Biller", "StockPlace"}));
  auto customer = doc->Value("Customer").ObjectAs<ValueDictionary>();
  EXPECT_EQ(KeysOf(*customer), (std::vector<std::string>{"Number", "Name", "UUID"}));
  EXPECT_EQ(customer->Value("Number"), Variant("C001"));
  EXPECT_EQ(customer->Value("Name"), Variant("Acme"));
  EXPECT_EQ(customer->Value("UUID"), Variant("U-ITEM-10"));
  auto contract = doc->Value("Contract").ObjectAs<ValueDictionary>();
  EXPECT_EQ(contract->Value("Number"), Variant(int32_t(3)));  // the contract's ID
  EXPECT_EQ(contract->Value("Name"), Variant("CT-3"));
  EXPECT_EQ(doc->Value("SaleStyle").ObjectAs<ValueDictionary>()->Value("Number"), Variant("S1"));
  EXPECT_EQ(doc->Value("Biller").ObjectAs<ValueDictionary>()->Value("Number"),
            Variant(int32_t(16394)));
  // A stock place takes its UUID from FUUID.
  EXPECT_EQ(doc->Value("StockPlace").ObjectAs<ValueDictionary>()->Value("UUID"), Variant("U-SP-5"));
  EXPECT_EQ(CountingConnection::statements.size(), 7u);
}

TEST_F(KeyMappingTest, PutWritesNothingForIdZeroUnknownKindOrMissingRow) {
  auto doc = ValueDictionary::Create();
  PutBaseDataKey(*doc, 0, "Customer", "Item");
  EXPECT_TRUE(CountingConnection::statements.empty());  // no query for ID 0
  PutBaseDataKey(*doc, 10, "Customer", "Planet");
  PutBaseDataKey(*doc, 999, "Customer", "Item");
  EXPECT_EQ(doc->Count(), 0);
  auto key = ValueDictionary::Create();
  PutBaseDataKey(*doc, 14, "NullNumber", "Item");  // a Null column stays Null
  EXPECT_TRUE(doc->Value("NullNumber").ObjectAs<ValueDictionary>()->Value("UUID").IsNull());
}

TEST_F(KeyMappingTest, FindByUuidThenNumber) {
  struct Case {
    const char* why;
    bool check_by_uuid;
    ValueDictionaryPtr key;
    const char* kind;
    Variant item_class;
    int32_t expected;
  };
  const Case cases[] = {
      {"UUID wins over a different number", true, Key("nope", "x", "U-ITEM-10"), "Item", Variant(1), 10},
      {"unknown UUID falls back to the number", true, Key("C001", "x", "U-NONE"), "Item", Variant(1), 10},
      {"check off ignores the UUID", false, Key("C001", "x", "U-ITEM-11"), "Item", Variant(1), 10},
      {"class 4 does not find the customer", true, Key("C001", "x", "U-NONE"), "Item", Variant(4), 11},
      {"no class, no item", false, Key("C001", "x"), "Item", Variant(), 0},
      {"unit by name despite the UUID check", true, Key("nope", "Piece", "U-NONE"), "MeasureUnit", Variant(), 7},
      {"unit never by UUID", true, Key("PCS", "nope", "U-UNIT-7"), "MeasureUnit", Variant(), 0},
      {"absent UUID matches the empty UUID", true, Key("zzz", "x"), "Item", Variant(1), 13},
      {"quote in the number", false, Key("O'Neil", "x"), "Item", Variant(1), 12},
      {"quote in the UUID", true, Key("zzz", "x", "U'Q"), "Item", Variant(1), 12},
      {"currency", true, Key("rmb", "x"), "Currency", Variant(), 1},
      {"contract by number", false, Key("CT-3", "x"), "Contract", Variant(), 3},
      {"sub message by FID", false, Key("S1", "x"), "SubMessage", Variant(), 101},
      {"user", false, Key("16394", "x"), "User", Variant(), 16394},
      {"stock place by UUID", true, Key("nope", "x", "U-SP-5"), "StockPlace", Variant(), 5},
      {"stock place by number", false, Key("SP5", "x"), "StockPlace", Variant(), 5},
      {"unknown kind", false, Key("C001", "x"), "Planet", Variant(), 0},
      {"Null number", false, Key(Variant::Null(), "x"), "Item", Variant(1), 0},
      {"nothing matches", false, Key("nope", "x"), "Currency", Variant(), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(FindBaseDataID(c.check_by_uuid, *c.key, c.kind, c.item_class), c.expected);
  }
  // A hostile value never alters the statement.
  EXPECT_EQ(FindBaseDataID(false, *Key("x' OR '1'='1", "x"), "Currency"), 0);
  EXPECT_EQ(FindBaseDataID(false, *Key("x'; DELETE FROM t_Currency; --", "x"), "Currency"), 0);
  EXPECT_EQ(FindBaseDataID(false, *Key("RMB", "x"), "Currency"), 1);
}

TEST_F(KeyMappingTest, FindBillKeyOfOrdersAndDeliveries) {
  auto doc = ValueDictionary::Create();
  FindBillKey(*doc, "SO1", "Order", 81);
  FindBillKey(*doc, "SD1", "Delivery", 21);
  FindBillKey(*doc, "PR1", "Receipt", 21);  // a purchase receipt is not a delivery
  FindBillKey(*doc, "SO1", "Other", 80);
  FindBillKey(*doc, "SO9", "Missing", 81);
  FindBillKey(*doc, "", "Empty", 81);
  EXPECT_EQ(KeysOf(*doc), (std::vector<std::string>{"Order", "Delivery"}));
  auto order = doc->Value("Order").ObjectAs<ValueDictionary>();
  EXPECT_EQ(order->Value("Number"), Variant("SO1"));
  EXPECT_EQ(order->Value("Name"), Variant("SO1"));
  EXPECT_EQ(order->Value("UUID"), Variant("U-SO-1"));
  EXPECT_EQ(doc->Value("Delivery").ObjectAs<ValueDictionary>()->Value("UUID"), Variant("U-SD-1"));
}

TEST_F(KeyMappingTest, AFailedLookupRaisesTheDatabasesError) {
  // An unknown key stays 0 or nothing; a lookup that fails is no unknown
  // key: it raises, so no export leaves the reference out and no import
  // reports a database error as a missing value.
  ParsePropsString("ConnectString={Provider=SQLite;Data Source=/nonexistent.db};UserID=1");
  auto doc = ValueDictionary::Create();
  const std::function<void()> calls[] = {
      [&] { PutBaseDataKey(*doc, 10, "Customer", "Item"); },
      [&] { FindBillKey(*doc, "SO1", "Order", 81); },
      [&] { FindBaseDataID(true, *Key("C001", "x"), "Item", Variant(1)); },
  };
  for (const auto& call : calls) EXPECT_EQ(ErrorNumberOf(call), err::kCannotOpen);
  EXPECT_EQ(doc->Count(), 0);
}

TEST_F(KeyMappingTest, AStatementThatFailsRaisesWhereNoRowWouldNot) {
  testing::ScopedFaultyConnections faults;
  auto doc = ValueDictionary::Create();
  faults.plan.fail_matching = "t_Currency";
  PutBaseDataKey(*doc, 10, "Customer", "Item");  // another table: written
  EXPECT_TRUE(doc->Exists("Customer"));
  EXPECT_EQ(ErrorNumberOf([&] { PutBaseDataKey(*doc, 1, "Currency", "Currency"); }),
            err::kStatementFailed);
  EXPECT_FALSE(doc->Exists("Currency"));
  // The UUID step fails: no fall back to the number.
  faults.plan.fail_matching = "UUID=";
  EXPECT_EQ(ErrorNumberOf([&] { FindBaseDataID(true, *Key("C001", "x"), "Item", Variant(1)); }),
            err::kStatementFailed);
  EXPECT_EQ(FindBaseDataID(false, *Key("C001", "x"), "Item", Variant(1)), 10);
}

}  // namespace
}  // namespace corvane

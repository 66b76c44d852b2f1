#include "frame/outside/bill_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/outside/connection.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_handle.h"
#include "platform/erp/bill_save_service.h"
#include "platform/platform_components.h"
#include "support/account_file.h"
#include "support/error_number.h"

namespace corvane::erp {
namespace {

using corvane::testing::AccountFile;
using corvane::testing::ErrorNumberOf;

// What a save answered, read from the result object.
struct Saved {
  bool success;
  int32_t ret_code;
  int32_t inter_id;
  std::string message;
};

class BillServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    db_ = CreateObjectAs<IConnection>(kConnectionProgId);
    db_->SetConnString(account_.ConnString());
  }
  void TearDown() override {
    db_->CloseConn();
    db::HandlePool::CloseIdle();
  }

  // The first field of the first row as text; "<none>" without a row.
  std::string Value(const std::string& sql) {
    RecordSetPtr rows = db_->Execute(sql);
    return rows->Eof() ? "<none>" : CStr(rows->Fields(0));
  }
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> values;
    for (RecordSetPtr rows = db_->Execute(sql); !rows->Eof(); rows->MoveNext())
      values.push_back(CStr(rows->Fields(0)));
    return values;
  }
  void Exec(const std::string& sql) { db_->Execute(sql); }

  std::string GetBillNo(int32_t type) {
    auto service = CreateObjectAs<IBillSaveService>(kBillSaveProgId);
    return CStr(service->GetBillNo(props_, type, false));
  }

  // Saves as the save bridge hands a document over; `entries` go in as
  // EntrySQL after the empty first element the importers leave. A document
  // without a number takes the automatic one, numbered by the service.
  Saved Save(int32_t type, int32_t inter_id, const std::string& bill_no, const std::string& head,
             const std::vector<std::string>& entries, bool red = false,
             const std::string& find_uuid = "") {
    auto info = ValueDictionary::Create();
    info->SetValue("AutoBillNO", Variant(GetBillNo(type)));
    info->SetValue("BillNo", Variant(bill_no.empty() ? GetBillNo(type) : bill_no));
    info->SetValue("AutoNumbered", Variant(bill_no.empty()));
    if (!find_uuid.empty()) info->SetValue("FindUUID", Variant(find_uuid));
    info->SetValue("BillNoFldName", Variant("FBillNo"));
    info->SetValue("BillInterID", Variant(inter_id));
    info->SetValue("IsRedBill", Variant(red));
    info->SetValue("UpStockWhenSave", Variant(int16_t{0}));
    info->SetValue("UserID", Variant(int32_t{16394}));
    auto entry_sql = ValueVector::Create();
    entry_sql->Add(Variant(""));
    for (const std::string& e : entries) entry_sql->Add(Variant(e));
    info->SetValue("EntrySQL", Variant(entry_sql));
    info->SetValue("HeadSQL", Variant(head));
    auto extension = ValueDictionary::Create();
    extension->SetValue("FInterID", Variant(inter_id));
    extension->SetValue("FTransType", Variant(type));
    extension->SetValue("IsRedBill", Variant(red));
    auto extensions = ValueVector::Create();
    extensions->Add(Variant(extension));
    auto save_list = ValueVector::Create();
    save_list->Add(Variant(info));
    save_list->Add(Variant(extensions));
    save_list->Add(Variant(ValueDictionary::Create()));
    return SaveList(save_list);
  }

  Saved SaveList(ValueVectorPtr save_list) {
    auto service = CreateObjectAs<IBillSaveService>(kBillSaveProgId);
    const ValueDictionaryPtr result = service->SaveBillEx(props_, save_list);
    EXPECT_EQ(result->Count(), 4);
    EXPECT_EQ(result->GetValue("Success", Variant()).type(), VarType::Boolean);
    EXPECT_EQ(result->GetValue("RetCode", Variant()).type(), VarType::Long);
    EXPECT_EQ(result->Value("BillInterID").type(), VarType::Long);
    EXPECT_EQ(result->Value("ReturnMsg").type(), VarType::String);
    return {CBool(result->GetValue("Success", Variant())),
            CLng(result->GetValue("RetCode", Variant())), CLng(result->Value("BillInterID")),
            CStr(result->Value("ReturnMsg"))};
  }

  static std::string OrderHead(const std::string& uuid = "NEWID()") {
    return " Insert into SEOrder(FInterID,\r\nFBrNo,\r\nFTranType,\r\nFBillNo,\r\nFUUID,\r\n"
           "FImport)\r\n Values(@BillInterID,\r\n'0',\r\n81,\r\n'@BillNo',\r\n" +
           uuid + ",\r\n1)";
  }
  static std::string OrderEntry(int entry, const std::string& note = "n") {
    return " Insert into SEOrderEntry(FInterID,\r\nFEntryID,\r\nFNote)\r\n Values(@BillInterID,"
           "\r\n" +
           std::to_string(entry) + ",\r\n'" + note + "')";
  }
  static std::string StockHead(int type) {
    return " Insert into ICStockBill (FBrNo,FStatus,FInterID,FBillNo,FUUID,Fdate,FROB,FTranType)"
           " VALUES ( '0',0,@BillInterID,'@BillNo',NEWID(),'2024-05-06',1," +
           std::to_string(type) + ")";
  }
  static std::string StockEntry(int entry, int item, double qty) {
    return "Insert Into ICStockBillEntry (FBrNo,FInterID,FEntryID,FItemID,FQty) Values ('0',"
           "@BillInterID," +
           std::to_string(entry) + "," + std::to_string(item) + "," + NumberToText(qty) + ")";
  }

  AccountFile account_;
  std::string props_ = account_.PropsString();
  ConnectionPtr db_;
};

TEST_F(BillServiceTest, PackageSaveInfoHoldsTheAccountsPresetsForTheType) {
  Exec(
      "INSERT INTO t_BillSaveOption (FTranType, FName, FValue, FValueType) VALUES "
      "(81, 'IgnoreCredit', 'True', 'Boolean'), (81, 'ReSave', '1', 'Integer'), "
      "(81, 'UserID', '16394', 'long'), (81, 'Memo', 'O''Neil', 'String'), "
      "(81, 'JustForAccInput', '0', 'Boolean'), (86, 'IgnoreCredit', 'False', 'Boolean')");
  auto reader = CreateObjectAs<IBillPackageReader>(kBillPackageProgId);
  auto save_info_of = [&](int32_t type) {
    Variant package = Variant::Nothing();
    reader->GetBillEmptyPackage(props_, type, package);
    return package.ObjectAs<ValueDictionary>()
        ->GetValue("DataStructure", Variant::Nothing())
        .ObjectAs<ValueDictionary>()
        ->GetValue("BillInfo", Variant::Nothing())
        .ObjectAs<ValueDictionary>()
        ->GetValue("SaveInfo", Variant::Nothing())
        .ObjectAs<ValueDictionary>();
  };
  const ValueDictionaryPtr order = save_info_of(81);
  EXPECT_EQ(order->Count(), 5);
  EXPECT_EQ(order->Value("ignorecredit"), Variant(true));
  EXPECT_EQ(order->Value("ReSave"), Variant(int16_t{1}));
  EXPECT_EQ(order->Value("UserID"), Variant(int32_t{16394}));
  EXPECT_EQ(order->Value("Memo"), Variant("O'Neil"));
  EXPECT_EQ(order->Value("JustForAccInput"), Variant(false));
  EXPECT_EQ(save_info_of(86)->Value("IgnoreCredit"), Variant(false));
  EXPECT_EQ(save_info_of(21)->Count(), 0);
  // Every call gets a package of its own.
  save_info_of(81)->SetValue("IgnoreCredit", Variant(false));
  EXPECT_EQ(save_info_of(81)->Value("IgnoreCredit"), Variant(true));

  // An option that does not read as its type is an error naming it.
  Exec(
      "INSERT INTO t_BillSaveOption (FTranType, FName, FValue, FValueType) VALUES "
      "(1, 'ReSave', 'often', 'Integer')");
  try {
    save_info_of(1);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kTypeMismatch);
    EXPECT_NE(e.description().find("ReSave"), std::string::npos) << e.description();
  }
}

TEST_F(BillServiceTest, GetBillNoAnswersTheNextNumberWithoutTakingIt) {
  Exec("UPDATE t_BillNoRule SET FCurNo=41 WHERE FTranType=21");
  Exec(
      "INSERT INTO t_BillNoRule (FTranType, FPrefix, FCurNo, FNumLength) VALUES "
      "(24, 'MI-', 123, 2), (29, '', 0, 3)");
  const struct {
    int32_t type;
    const char* number;
  } cases[] = {{81, "SO000001"}, {86, "SIO000001"}, {21, "SD000042"},
               {24, "MI-124"},   {29, "001"},       {99, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(GetBillNo(c.type), c.number);
    EXPECT_EQ(GetBillNo(c.type), c.number);
  }
  EXPECT_EQ(Column("SELECT FCurNo FROM t_BillNoRule ORDER BY FTranType"),
            (std::vector<std::string>{"0", "41", "123", "0", "0", "0", "0"}));
}

TEST_F(BillServiceTest, ANewOrderTakesTheNextIdAndItsNumber) {
  Exec("UPDATE t_BillInterIDMax SET FMaxInterID=41 WHERE FTableName='SEOrder'");
  Saved saved = Save(81, 0, "SO000001", OrderHead(), {OrderEntry(1, "a"), OrderEntry(2, "b")});
  EXPECT_TRUE(saved.success) << saved.message;
  EXPECT_EQ(saved.ret_code, 0);
  EXPECT_EQ(saved.inter_id, 42);
  EXPECT_EQ(saved.message, "");
  EXPECT_EQ(Column("SELECT FInterID || ' ' || FBillNo || ' ' || FTranType FROM SEOrder"),
            (std::vector<std::string>{"42 SO000001 81"}));
  EXPECT_EQ(Column("SELECT FInterID || ' ' || FEntryID || ' ' || FNote FROM SEOrderEntry "
                   "ORDER BY FEntryID"),
            (std::vector<std::string>{"42 1 a", "42 2 b"}));
  EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='SEOrder'"), "42");
  EXPECT_EQ(Value("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=81"), "1");
  EXPECT_EQ(GetBillNo(81), "SO000002");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM COM_DataChange"), "0");

  // An ID table behind the bills already in the table does not hand out a taken ID.
  Exec("INSERT INTO SEOrder (FInterID, FBillNo) VALUES (50, 'HAND-50')");
  saved = Save(81, 0, "SO000002", OrderHead(), {OrderEntry(1)});
  EXPECT_TRUE(saved.success) << saved.message;
  EXPECT_EQ(saved.inter_id, 51);
  EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='SEOrder'"), "51");
}

TEST(BillPlaceholders, AreReplacedAsWholeNamesInOnePass) {
  const struct {
    const char* sql;
    const char* bill_no;
    const char* expected;
  } cases[] = {
      {"VALUES(@BillInterID,'@BillNo')", "SO1", "VALUES(7,'SO1')"},
      {"'@BillNo'", "O'Neil", "'O''Neil'"},
      {"@billinterid @BILLNO", "x", "7 'x'"},
      {"(@BillNo)", "x'); DELETE FROM SEOrder; --", "('x''); DELETE FROM SEOrder; --')"},
      {"('@BillNo''s', '@BillNo')", "SO1", "('@BillNo''s', 'SO1')"},
      {"@BillInterIDs @BillNoX @BillNo_1 @BillNo2 @Other", "x",
       "@BillInterIDs @BillNoX @BillNo_1 @BillNo2 @Other"},
      {"'@BillNo',@BillInterID", "@BillInterID", "'@BillInterID',7"},
      {"@BillNo", "", "''"},
      {"@", "x", "@"},
      // Text literals are the document's text: placeholders in them stay.
      {"('ref @BillNo', '@BillInterID', @BillInterID)", "SO1", "('ref @BillNo', '@BillInterID', 7)"},
      {"('it''s @BillNo','@BillNo')", "SO1", "('it''s @BillNo','SO1')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(ReplaceBillPlaceholders(c.sql, 7, c.bill_no), c.expected);
  }
}

TEST_F(BillServiceTest, BillNumbersAreSavedExactlyAsGiven) {
  for (const char* number : {"O'Neil-1", "A''B", "N@BillInterID", "@BillNo", "单据-1"}) {
    SCOPED_TRACE(number);
    const Saved saved = Save(81, 0, number, OrderHead(), {OrderEntry(1)});
    ASSERT_TRUE(saved.success) << saved.message;
    EXPECT_EQ(Value("SELECT FBillNo FROM SEOrder WHERE FInterID=" + std::to_string(saved.inter_id)),
              number);
  }
}

TEST_F(BillServiceTest, SavingOverABillReplacesItsHeadAndEntriesWithoutLoggingADeletion) {
  const Saved first = Save(81, 0, "SO000001", OrderHead("'U-1'"),
                           {OrderEntry(1, "a"), OrderEntry(2, "b"), OrderEntry(3, "c")});
  ASSERT_TRUE(first.success) << first.message;
  const std::string version = Value("SELECT hex(FOperDate) FROM SEOrder");

  const Saved again =
      Save(81, first.inter_id, "SO000001", OrderHead("'u-1'"), {OrderEntry(1, "z")});
  ASSERT_TRUE(again.success) << again.message;
  EXPECT_EQ(again.inter_id, first.inter_id);
  EXPECT_EQ(Value("SELECT COUNT(*) FROM SEOrder"), "1");
  EXPECT_EQ(Column("SELECT FEntryID || FNote FROM SEOrderEntry"), (std::vector<std::string>{"1z"}));
  EXPECT_EQ(Value("SELECT COUNT(*) FROM COM_DataChange"), "0");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM t_BillResave"), "0");
  EXPECT_GT(Value("SELECT hex(FOperDate) FROM SEOrder"), version);  // the document changed
  EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='SEOrder'"), "1");

  // Saved over with another UUID, the old UUID is gone for the CRM and logged as deleted.
  const Saved renewed = Save(81, first.inter_id, "SO000001", OrderHead(), {OrderEntry(1)});
  ASSERT_TRUE(renewed.success) << renewed.message;
  EXPECT_EQ(Column("SELECT FChangedUUID || ' ' || FSystemFlag || ' ' || FType || ' ' || "
                   "FIfDelete FROM COM_DataChange ORDER BY FTimeStamp"),
            (std::vector<std::string>{"u-1 1 81 1", "u-1 2 81 1"}));

  // A real deletion is still logged.
  Exec("DELETE FROM SEOrder");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM COM_DataChange"), "4");
}

TEST_F(BillServiceTest, ADuplicateNumberIsRefusedAndWritesNothing) {
  Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (3, 1, 'PR000005')");
  Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (4, 21, 'SD000004')");
  Exec("UPDATE t_BillInterIDMax SET FMaxInterID=4 WHERE FTableName='ICStockBill'");
  // Stock bills of every type share their numbers; case and trailing blanks do not count.
  const Saved saved = Save(21, 4, "pr000005 ", StockHead(21), {StockEntry(1, 7, 1)});
  EXPECT_FALSE(saved.success);
  EXPECT_EQ(saved.ret_code, kSaveRetDuplicateBillNo);
  EXPECT_EQ(saved.inter_id, 0);
  EXPECT_NE(saved.message.find("PR000005"), std::string::npos) << saved.message;
  EXPECT_EQ(Column("SELECT FBillNo FROM ICStockBill ORDER BY FInterID"),
            (std::vector<std::string>{"PR000005", "SD000004"}));
  EXPECT_EQ(Value("SELECT COUNT(*) FROM ICStockBillEntry"), "0");
  EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='ICStockBill'"), "4");

  // The bill's own number is no duplicate, nor is the number in another table.
  Saved own = Save(1, 3, "PR000005", StockHead(1), {StockEntry(1, 7, 1)});
  EXPECT_TRUE(own.success) << own.message;
  own = Save(81, 0, "PR000005", OrderHead(), {OrderEntry(1)});
  EXPECT_TRUE(own.success) << own.message;
  // The ERP's template head (FInterID 0) holds no number a bill could collide with.
  Exec("INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (0, 86, '')");
  own = Save(86, 0, "",
             "INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES "
             "(@BillInterID, 86, '@BillNo')",
             {});
  EXPECT_TRUE(own.success) << own.message;
}

TEST_F(BillServiceTest, AFailingStatementLeavesNothingBehind) {
  const Saved existing = Save(81, 0, "SO000001", OrderHead("'U-1'"), {OrderEntry(1, "old")});
  ASSERT_TRUE(existing.success) << existing.message;
  const std::string bad_entry =
      " Insert into SEOrderEntry(FInterID,FEntryID,FNoSuchColumn) Values(@BillInterID,3,1)";
  const struct {
    const char* what;
    int32_t inter_id;
    std::string head;
    std::vector<std::string> entries;
    const char* message;
  } cases[] = {
      {"third entry of a new order",
       0,
       OrderHead(),
       {OrderEntry(1), OrderEntry(2), bad_entry},
       "FNoSuchColumn"},
      {"third entry saving over an order",
       existing.inter_id,
       OrderHead("'U-1'"),
       {OrderEntry(1), OrderEntry(2), bad_entry},
       "FNoSuchColumn"},
      {"placeholder nobody replaces",
       0,
       OrderHead(),
       {" Insert into SEOrderEntry(FInterID,FEntryID,FNote) Values(@BillInterID,1,@Other)"},
       "Must declare the scalar variable"},
      {"head statement writing no head", 0, "SELECT 1", {}, "no SEOrder head"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Saved saved = Save(81, c.inter_id, "SO000002", c.head, c.entries);
    EXPECT_FALSE(saved.success);
    EXPECT_EQ(saved.ret_code, 0);
    EXPECT_EQ(saved.inter_id, 0);
    EXPECT_NE(saved.message.find(c.message), std::string::npos) << saved.message;
    EXPECT_EQ(Column("SELECT FInterID || ' ' || FBillNo FROM SEOrder"),
              (std::vector<std::string>{"1 SO000001"}));
    EXPECT_EQ(Column("SELECT FEntryID || FNote FROM SEOrderEntry"),
              (std::vector<std::string>{"1old"}));
    EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='SEOrder'"), "1");
    EXPECT_EQ(Value("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=81"), "1");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM COM_DataChange"), "0");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM t_BillResave"), "0");
  }
  // No transaction is left open: the next save goes through.
  const Saved next = Save(81, 0, "SO000002", OrderHead(), {OrderEntry(1)});
  EXPECT_TRUE(next.success) << next.message;
  EXPECT_EQ(next.inter_id, 2);
}

TEST_F(BillServiceTest, NegativeStockIsRefusedOnlyWhenTheAccountForbidsIt) {
  Exec("INSERT INTO t_ICItem (FItemID, FNumber, FName) VALUES (7, 'M0007', 'Bolt')");
  Exec(
      "INSERT INTO ICInventory (FItemID, FStockID, FQty) VALUES (7, 1, 30), (7, 2, 20), "
      "(8, 1, 5), (10, 1, 0.3)");
  const struct {
    const char* what;
    const char* allow;
    int32_t type;
    bool red;
    std::vector<std::string> entries;
    int32_t ret_code;  // -1: saved
  } cases[] = {
      {"more than on hand", "0", 21, false, {StockEntry(1, 7, 30), StockEntry(2, 7, 25)}, 1},
      {"all on hand", "0", 21, false, {StockEntry(1, 7, 30), StockEntry(2, 7, 20)}, -1},
      {"an item without stock", "0", 24, false, {StockEntry(1, 9, 1)}, 1},
      {"negative stock allowed", "1", 21, false, {StockEntry(1, 7, 55)}, -1},
      {"no setting: allowed", nullptr, 21, false, {StockEntry(1, 7, 55)}, -1},
      {"a receipt", "0", 1, false, {StockEntry(1, 7, 55)}, -1},
      {"a red delivery", "0", 21, true, {StockEntry(1, 7, 55)}, -1},
      {"decimals adding up to what is on hand",
       "0",
       29,
       false,
       {StockEntry(1, 10, 0.1), StockEntry(2, 10, 0.2)},
       -1},
  };
  int saved_bills = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Exec("DELETE FROM t_SystemProfile");
    if (c.allow) {
      Exec(std::string("INSERT INTO t_SystemProfile (FKey, FValue) VALUES "
                       "('AllowNegativeStock', '") +
           c.allow + "')");
    }
    const Saved saved =
        Save(c.type, 0, "B" + std::to_string(++saved_bills), StockHead(c.type), c.entries, c.red);
    if (c.ret_code < 0) {
      EXPECT_TRUE(saved.success) << saved.message;
      continue;
    }
    EXPECT_FALSE(saved.success);
    EXPECT_EQ(saved.ret_code, c.ret_code);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM ICStockBill WHERE FBillNo='B" +
                    std::to_string(saved_bills) + "'"),
              "0");
  }
  EXPECT_EQ(Value("SELECT COUNT(*) FROM ICStockBillEntry WHERE FInterID NOT IN "
                  "(SELECT FInterID FROM ICStockBill)"),
            "0");

  Exec("UPDATE t_SystemProfile SET FValue='0'");
  const Saved refused = Save(21, 0, "SD-X", StockHead(21),
                             {StockEntry(1, 7, 60), StockEntry(2, 8, 1), StockEntry(3, 9, 2)});
  EXPECT_EQ(refused.ret_code, kSaveRetNegativeStock);
  EXPECT_EQ(refused.message,
            "Item M0007 (Bolt): 60 going out, 50 on hand; Item FItemID 9: 2 going out, 0 on hand");
}

TEST_F(BillServiceTest, SavingAnAutomaticNumberAdvancesTheRule) {
  const struct {
    int32_t type;
    const char* number;
    const char* cur_no_after;
  } cases[] = {
      {81, "SO000010", "10"},                            // typed by hand ahead of the rule
      {81, "SO000003", "10"},                            // behind it
      {81, "SOX12", "10"},                               // not digits after the prefix
      {81, "SD000090", "10"},                            // another rule's prefix
      {81, "so20", "20"},                                // any case, fewer digits
      {81, "SO9999999", "20"},                           // more digits than the rule's
      {81, "SO999999999999999999", "20"},                // far beyond: never a stuck rule
      {21, "SD000090", "90"}, {99, "000500", "<none>"},  // a type without a rule
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const std::string head = c.type == 81 ? OrderHead() : StockHead(c.type);
    const Saved saved = Save(c.type, 0, c.number, head, {});
    ASSERT_TRUE(saved.success) << saved.message;
    EXPECT_EQ(Value("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=" + std::to_string(c.type)),
              c.cur_no_after);
  }
  EXPECT_EQ(GetBillNo(81), "SO000021");
}

TEST_F(BillServiceTest, AnAutomaticNumberTakenMeanwhileGivesTheNextFreeOne) {
  ASSERT_EQ(GetBillNo(81), "SO000001");
  // Someone saves that number without the service (or between ask and save).
  Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (900, 81, 'SO000001')");
  const Saved saved = Save(81, 0, "", OrderHead(), {OrderEntry(1)});
  ASSERT_TRUE(saved.success) << saved.message;
  EXPECT_EQ(Value("SELECT FBillNo FROM SEOrder WHERE FInterID=" + std::to_string(saved.inter_id)),
            "SO000002");
  EXPECT_EQ(Value("SELECT FCurNo FROM t_BillNoRule WHERE FTranType=81"), "2");
}

TEST_F(BillServiceTest, ADocumentsOwnNumberIsNeverReplaced) {
  // A document that carries the number the service would give next keeps it.
  const std::string next = GetBillNo(81);
  Saved saved = Save(81, 0, next, OrderHead(), {OrderEntry(1)});
  ASSERT_TRUE(saved.success) << saved.message;
  EXPECT_EQ(Value("SELECT FBillNo FROM SEOrder WHERE FInterID=" + std::to_string(saved.inter_id)),
            next);
  // Its number taken since the caller looked, it is refused, not renumbered.
  Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo) VALUES (900, 81, 'SO000002')");
  saved = Save(81, 0, "SO000002", OrderHead(), {OrderEntry(1)});
  EXPECT_FALSE(saved.success);
  EXPECT_EQ(saved.ret_code, kSaveRetChangedMeanwhile);
  EXPECT_EQ(Column("SELECT FBillNo FROM SEOrder ORDER BY FInterID"),
            (std::vector<std::string>{"SO000001", "SO000002"}));
}

TEST_F(BillServiceTest, ASaveWhosePremiseChangedMeanwhileIsRefused) {
  Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID) VALUES (5, 81, 'SO-5', 'U-5')");
  Exec("UPDATE t_BillInterIDMax SET FMaxInterID=5 WHERE FTableName='SEOrder'");
  const struct {
    const char* what;
    int32_t inter_id;
    const char* bill_no;
    const char* find_uuid;
    const char* because;  // nullptr: saved
  } cases[] = {
      {"new, but its number was saved meanwhile", 0, "so-5 ", "", "another save wrote it as SEOrder 5"},
      {"new, but its UUID was saved meanwhile", 0, "SO-NEW", "U-5", "another save wrote it as SEOrder 5"},
      {"new without a number, its UUID saved meanwhile", 0, "", "U-5", "as SEOrder 5"},
      {"to be saved over, but deleted meanwhile", 77, "SO-77", "", "SEOrder 77, to be saved over, was deleted"},
      {"saved over under a new number", 5, "SO-5B", "U-5", nullptr},
      {"new and still absent", 0, "SO-6", "U-6", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string uuid = *c.find_uuid ? std::string("'") + c.find_uuid + "'" : "NEWID()";
    const int before = std::stoi(Value("SELECT COUNT(*) FROM SEOrderEntry"));
    const Saved saved = Save(81, c.inter_id, c.bill_no, OrderHead(uuid), {OrderEntry(1)}, false,
                             c.find_uuid);
    if (!c.because) {
      EXPECT_TRUE(saved.success) << saved.message;
      continue;
    }
    EXPECT_FALSE(saved.success);
    EXPECT_EQ(saved.ret_code, kSaveRetChangedMeanwhile);
    EXPECT_NE(saved.message.find(c.because), std::string::npos) << saved.message;
    EXPECT_NE(saved.message.find("import it again"), std::string::npos) << saved.message;
    EXPECT_EQ(std::stoi(Value("SELECT COUNT(*) FROM SEOrderEntry")), before);
  }
  EXPECT_EQ(Column("SELECT FInterID || ' ' || FBillNo FROM SEOrder ORDER BY FInterID"),
            (std::vector<std::string>{"5 SO-5B", "6 SO-6"}));
}

TEST_F(BillServiceTest, AStockBillIsNeverSavedOverOneOfAnotherTypeNorABillWithoutType) {
  Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo) VALUES (3, 1, 'PR000003')");
  Exec("UPDATE t_BillInterIDMax SET FMaxInterID=3 WHERE FTableName='ICStockBill'");
  Saved saved = Save(21, 3, "PR000003", StockHead(21), {StockEntry(1, 7, 1)});
  EXPECT_FALSE(saved.success);
  EXPECT_EQ(saved.ret_code, kSaveRetDuplicateBillNo);
  EXPECT_NE(saved.message.find("transaction type 1, not 21"), std::string::npos) << saved.message;
  EXPECT_EQ(Column("SELECT FInterID || ' ' || FTranType FROM ICStockBill"),
            (std::vector<std::string>{"3 1"}));
  saved = Save(1, 3, "PR000003", StockHead(1), {StockEntry(1, 7, 1)});
  EXPECT_TRUE(saved.success) << saved.message;

  // A document without a transaction type names no bill table.
  saved = Save(0, 0, "SIV-0",
               "INSERT INTO ICSale (FInterID, FTranType, FBillNo) VALUES (@BillInterID, 0, '@BillNo')",
               {});
  EXPECT_FALSE(saved.success);
  EXPECT_NE(saved.message.find("no bill type"), std::string::npos) << saved.message;
  EXPECT_EQ(Value("SELECT COUNT(*) FROM ICSale"), "0");
  EXPECT_EQ(Value("SELECT FMaxInterID FROM t_BillInterIDMax WHERE FTableName='ICStockBill'"), "3");
}

TEST_F(BillServiceTest, OnlyAMissingConnectionRaises) {
  // A save list that cannot be read is a failed save.
  auto service = CreateObjectAs<IBillSaveService>(kBillSaveProgId);
  auto save_list = ValueVector::Create();
  save_list->Add(Variant(ValueDictionary::Create()));
  const Saved saved = SaveList(save_list);
  EXPECT_FALSE(saved.success);
  EXPECT_NE(saved.message, "");

  std::string no_connect = "UserID=16394;";
  EXPECT_EQ(ErrorNumberOf([&] { service->SaveBillEx(no_connect, save_list); }), err::kInvalidCall);
  ScopedProgIdOverride broken(kConnectionProgId, [] { return ObjectPtr(); });
  EXPECT_EQ(ErrorNumberOf([&] { service->SaveBillEx(props_, save_list); }),
            err::kCannotCreateObject);
}

}  // namespace
}  // namespace corvane::erp

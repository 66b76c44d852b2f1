#include "frame/save_bridge.h"

#include <gtest/gtest.h>

#include "frame/call_context.h"
#include "frame/module_state.h"
#include "frame/outside/bill_service.h"
#include "frame/outside/object_factory.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

// A package reader whose SaveInfo holds the given presets.
class FakePackages : public IBillPackageReader {
 public:
  void GetBillEmptyPackage(std::string&, int32_t& tran_type, Variant& package) override {
    last_type = tran_type;
    auto save_info = ValueDictionary::Create();
    for (const auto& [k, v] : presets) save_info->SetValue(k, v);
    auto bill_info = ValueDictionary::Create();
    bill_info->SetValue("SaveInfo", Variant(save_info));
    auto structure = ValueDictionary::Create();
    structure->SetValue("BillInfo", Variant(bill_info));
    auto p = ValueDictionary::Create();
    p->SetValue("DataStructure", Variant(structure));
    package = Variant(p);
  }
  static inline std::vector<std::pair<std::string, Variant>> presets;
  static inline int32_t last_type = 0;
};

// A save service that answers what the test set and keeps what it was given.
class FakeSaver : public IBillSaveService {
 public:
  Variant GetBillNo(const std::string&, int32_t, bool flag) override {
    EXPECT_FALSE(flag);
    return Variant("AUTO-7");
  }
  ValueDictionaryPtr SaveBillEx(std::string&, ValueVectorPtr& save_list) override {
    last_save_list = save_list;
    return answer;
  }
  static inline ValueDictionaryPtr answer;
  static inline ValueVectorPtr last_save_list;
};

ValueDictionaryPtr Answer(bool success, int32_t ret_code, const char* msg, int32_t id = 0) {
  auto a = ValueDictionary::Create();
  a->SetValue("Success", Variant(success));
  a->SetValue("RetCode", Variant(ret_code));
  a->SetValue("ReturnMsg", Variant(msg));
  a->SetValue("BillInterID", Variant(id));
  return a;
}

class SaveBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ThisThreadState().message_language.clear();
    ThisThreadState().resource_loader.reset();
    FakePackages::presets.clear();
    FakeSaver::answer = Answer(true, 0, "", 42);
    FakeSaver::last_save_list.reset();
    ParsePropsString("ConnectString={Provider=SQLite;Data Source=/x.db};UserID=16394");
  }
  ValueVectorPtr Bill(Variant bill_no, std::optional<Variant> rob = {}, int32_t inter_id = 0) {
    auto head = ValueDictionary::Create();
    head->SetValue("BillNo", std::move(bill_no));
    head->SetValue("InterID", Variant(inter_id));
    if (rob) head->SetValue("ROB", *rob);
    auto entries = ValueVector::Create();
    entries->Add(Variant(""));
    entries->Add(Variant("INSERT entry 1"));
    auto bill = ValueVector::Create();
    bill->Add(Variant(head));
    bill->Add(Variant(entries));
    bill->Add(Variant("INSERT head"));
    return bill;
  }
  ValueDictionary& SaveInfo() { return *FakeSaver::last_save_list->Item(1).ObjectAs<ValueDictionary>(); }
  bool Save(const ValueVectorPtr& bill, int32_t& id, std::string& error) {
    return SaveBillThroughService(GetPropsString(), 81, bill, id, error);
  }

  ScopedProgIdOverride packages_{kBillPackageProgId, [] { return std::make_shared<FakePackages>(); }};
  ScopedProgIdOverride saver_{kBillSaveProgId, [] { return std::make_shared<FakeSaver>(); }};
  ScopedProgIdOverride no_loader_{"TavoRESLOADER.Loader", nullptr};
};

TEST_F(SaveBridgeTest, ASavedBillAnswersItsInternalId) {
  int32_t id = 0;
  std::string error;
  EXPECT_TRUE(Save(Bill(Variant("  SO9 ")), id, error));
  EXPECT_EQ(id, 42);
  EXPECT_EQ(error, "");
  EXPECT_EQ(FakePackages::last_type, 81);
  ValueDictionary& info = SaveInfo();
  EXPECT_EQ(info.Value("BillNo"), Variant("SO9"));  // trimmed
  EXPECT_EQ(info.Value("AutoBillNO"), Variant("AUTO-7"));
  EXPECT_EQ(info.Value("BillNoFldName"), Variant("FBillNo"));
  EXPECT_EQ(info.Value("HeadSQL"), Variant("INSERT head"));
  EXPECT_EQ(info.Value("EntrySQL").ObjectAs<ValueVector>()->Item(2), Variant("INSERT entry 1"));
  EXPECT_EQ(info.Value("UserID"), Variant(int32_t(16394)));
  // The save list: save info, the extension list, the package.
  ASSERT_EQ(FakeSaver::last_save_list->Count(), 3);
  auto ext = FakeSaver::last_save_list->Item(2).ObjectAs<ValueVector>()->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_EQ(ext->Value("FTransType"), Variant(int32_t(81)));
  EXPECT_EQ(ext->Value("FInterID"), Variant(int32_t(0)));
  EXPECT_FALSE(info.Exists("SaveVecExt"));  // travels in the list only
}

TEST_F(SaveBridgeTest, ABlankNumberTakesTheAutomaticOne) {
  for (const char* blank : {"", "   "}) {
    int32_t id = 0;
    std::string error;
    EXPECT_TRUE(Save(Bill(Variant(blank)), id, error));
    EXPECT_EQ(SaveInfo().Value("BillNo"), Variant("AUTO-7"));
  }
}

TEST_F(SaveBridgeTest, RedBillsFollowRob) {
  struct Case {
    std::optional<Variant> rob;
    bool red;
  };
  const Case cases[] = {{std::nullopt, false}, {Variant(int32_t(0)), true}, {Variant(int32_t(1)), false},
                        {Variant(int32_t(-1)), false}};
  for (const Case& c : cases) {
    int32_t id = 0;
    std::string error;
    ASSERT_TRUE(Save(Bill(Variant("SO1"), c.rob), id, error));
    EXPECT_EQ(SaveInfo().Value("IsRedBill"), Variant(c.red));
  }
}

TEST_F(SaveBridgeTest, PresetOptionsStayAndStockOptionsAreForced) {
  FakePackages::presets = {{"ReSave", Variant(int16_t(1))},        {"IgnoreCredit", Variant(true)},
                           {"JustForAccInput", Variant(true)},     {"IsAppendItemBill", Variant(true)},
                           {"UserID", Variant(int32_t(5))},        {"UpStockWhenSave", Variant(int16_t(1))},
                           {"CurBillUpStockWhenSave", Variant(int16_t(1))}};
  int32_t id = 0;
  std::string error;
  ASSERT_TRUE(Save(Bill(Variant("SO1")), id, error));
  ValueDictionary& info = SaveInfo();
  EXPECT_EQ(info.Value("ReSave"), Variant(int16_t(1)));
  EXPECT_EQ(info.Value("IgnoreCredit"), Variant(true));
  EXPECT_EQ(info.Value("JustForAccInput"), Variant(true));
  EXPECT_EQ(info.Value("IsAppendItemBill"), Variant(true));
  EXPECT_EQ(info.Value("UserID"), Variant(int32_t(5)));
  EXPECT_EQ(info.Value("UpStockWhenSave"), Variant(int16_t(0)));
  EXPECT_EQ(info.Value("CurBillUpStockWhenSave"), Variant(int16_t(0)));

  FakePackages::presets.clear();
  ASSERT_TRUE(Save(Bill(Variant("SO1")), id, error));
  EXPECT_EQ(SaveInfo().Value("ReSave"), Variant(int16_t(0)));
  EXPECT_EQ(SaveInfo().Value("IgnoreCredit"), Variant(false));
}

TEST_F(SaveBridgeTest, RefusalsByReturnCode) {
  struct Case {
    int32_t ret_code;
    const char* expected;
  };
  const Case cases[] = {
      {3, "信用问题！over limit"},         {2, "最高最低库存问题！over limit"},
      {1, "负库存问题！over limit"},       {-200, "over limit"},
      {-201, "over limit"},                {-199, "单据编号重复问题！需要设置自动生成编号"},
      {0, "保存单据出错。over limit"},     {77, "保存单据出错。over limit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ret_code);
    FakeSaver::answer = Answer(false, c.ret_code, "over limit");
    int32_t id = -5;
    std::string error;
    EXPECT_FALSE(Save(Bill(Variant("SO1")), id, error));
    EXPECT_EQ(error, c.expected);
    EXPECT_EQ(id, -5);
  }
}

TEST_F(SaveBridgeTest, NullsInTheAnswerReadAsTheirDefaults) {
  struct Case {
    const char* name;
    Variant success, ret_code, message;
    const char* expected;
  };
  const Case cases[] = {
      {"Success Null is a failure", Variant::Null(), Variant(int32_t(1)), Variant("short"),
       "负库存问题！short"},
      {"ReturnMsg Null adds nothing", Variant(false), Variant(int32_t(1)), Variant::Null(),
       "负库存问题！"},
      {"RetCode Null is a plain failure", Variant(false), Variant::Null(), Variant("bad"),
       "保存单据出错。bad"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto answer = ValueDictionary::Create();
    answer->SetValue("Success", c.success);
    answer->SetValue("RetCode", c.ret_code);
    answer->SetValue("ReturnMsg", c.message);
    answer->SetValue("BillInterID", Variant(int32_t(9)));
    FakeSaver::answer = answer;
    int32_t id = 0;
    std::string error;
    EXPECT_FALSE(Save(Bill(Variant("SO1")), id, error));
    EXPECT_EQ(error, c.expected);
    EXPECT_EQ(id, 0);
  }
}

TEST_F(SaveBridgeTest, FailuresAreAddedInBrackets) {
  {
    ScopedProgIdOverride absent(kBillSaveProgId, nullptr);
    int32_t id = 0;
    std::string error;
    EXPECT_FALSE(Save(Bill(Variant("SO1")), id, error));
    EXPECT_EQ(error, "[ActiveX component can't create object: BillDataAccess.SaveData]");
  }
  {
    // A refusal without a service text: the missing text is the pending error.
    auto answer = ValueDictionary::Create();
    answer->SetValue("Success", Variant(false));
    answer->SetValue("RetCode", Variant(int32_t(3)));
    FakeSaver::answer = answer;
    int32_t id = 0;
    std::string error;
    EXPECT_FALSE(Save(Bill(Variant("SO1")), id, error));
    EXPECT_EQ(error, "[Invalid procedure call or argument]");
  }
  {
    int32_t id = 0;
    std::string error = "earlier";
    ScopedProgIdOverride broken(kBillPackageProgId, [] { return std::make_shared<FakeSaver>(); });
    EXPECT_FALSE(Save(Bill(Variant("SO1")), id, error));
    EXPECT_EQ(error, "earlier[Object doesn't support this property or method]");
  }
}

}  // namespace
}  // namespace corvane

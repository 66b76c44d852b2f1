#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "values/registry_reader.h"
#include "support/error_number.h"
#include "support/variant_print.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"
#include "values/value_utility.h"
#include "values/value_vector.h"

namespace {

using corvane::ValueDictionary;
using corvane::ValueUtility;
using corvane::ValueVector;
using corvane::Variant;

using ErrorNumberFn = int32_t (*)(const std::function<void()>&);
constexpr ErrorNumberFn ErrorNumber = corvane::testing::ErrorNumberOf;

std::vector<std::string> Keys(const ValueDictionary& d) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : d.Entries()) keys.push_back(key);
  return keys;
}

TEST(ValueDictionary, KeysIgnoreCaseAndKeepTheirFirstSpelling) {
  ValueDictionary d;
  d.SetValue("Cess", int32_t{17});
  EXPECT_EQ(d.GetValue("CESS", int32_t{0}), Variant(int32_t{17}));
  EXPECT_TRUE(d.Exists("cess"));
  d.SetValue("CESS", 13.5);
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(Keys(d), std::vector<std::string>{"Cess"});
  EXPECT_EQ(d.Value("cEsS"), Variant(13.5));
  // Only ASCII letters fold; other UTF-8 text is matched as it is.
  d.SetValue("单据", "x");
  EXPECT_TRUE(d.Exists("单据"));
  d.SetValue("\xC3\x89", 1.0);         // "É"
  EXPECT_FALSE(d.Exists("\xC3\xA9"));  // "é"
}

TEST(ValueDictionary, EntriesKeepInsertionOrder) {
  ValueDictionary d;
  for (const char* key : {"BillNo", "Date", "Amount", "Customer", "Entry", "UUID"})
    d.SetValue(key, std::string(key) + "!");
  d.SetValue("date", "changed");  // an existing key keeps its place
  EXPECT_EQ(Keys(d),
            (std::vector<std::string>{"BillNo", "Date", "Amount", "Customer", "Entry", "UUID"}));
  EXPECT_EQ(d.Value("Date"), Variant("changed"));

  EXPECT_TRUE(d.Remove("DATE"));
  EXPECT_FALSE(d.Remove("Date"));
  EXPECT_FALSE(d.Exists("Date"));
  // The keys after the removed one are still found with their own values.
  EXPECT_EQ(d.Value("customer"), Variant("Customer!"));
  EXPECT_EQ(d.Value("uuid"), Variant("UUID!"));
  d.SetValue("DATE", "again");  // comes back at the end, in its new spelling
  EXPECT_EQ(Keys(d),
            (std::vector<std::string>{"BillNo", "Amount", "Customer", "Entry", "UUID", "DATE"}));
  EXPECT_EQ(d.Value("Entry"), Variant("Entry!"));
  EXPECT_EQ(d.Value("date"), Variant("again"));
}

// A large record is looked up through an index, a small one by scanning its
// keys: both must find, update and remove alike, across the size between.
TEST(ValueDictionary, LargeRecordsFindUpdateAndRemoveLikeSmallOnes) {
  for (int size : {3, 32, 33, 80}) {
    SCOPED_TRACE(size);
    ValueDictionary d;
    for (int i = 0; i < size; ++i) d.SetValue("Key" + std::to_string(i), i);
    d.SetValue("KEY1", "one");
    EXPECT_EQ(d.Count(), size);
    EXPECT_EQ(d.Value("key1"), Variant("one"));
    ASSERT_NE(d.Find("kEy" + std::to_string(size - 1)), nullptr);
    EXPECT_EQ(*d.Find("kEy" + std::to_string(size - 1)), Variant(int32_t(size - 1)));
    EXPECT_EQ(d.Find("Key" + std::to_string(size)), nullptr);
    EXPECT_TRUE(d.Remove("KEY0"));
    EXPECT_FALSE(d.Exists("key0"));
    EXPECT_EQ(d.Value("key2"), Variant(int32_t(2)));
    EXPECT_EQ(d.Value("Key" + std::to_string(size - 1)), Variant(int32_t(size - 1)));
    d.SetValue("Key0", "back");
    EXPECT_EQ(Keys(d).back(), "Key0");
    EXPECT_EQ(d.Value("KEY0"), Variant("back"));
  }
}

TEST(ValueDictionary, AbsentKeys) {
  ValueDictionary d;
  d.SetValue("Empty", Variant());
  d.SetValue("Null", Variant::Null());
  EXPECT_EQ(ErrorNumber([&] { d.Value("Missing"); }), 5);
  EXPECT_TRUE(d.GetValue("Missing", Variant::Nothing()).IsNothing());
  EXPECT_TRUE(d.GetValue("Missing", Variant::Null()).IsNull());
  EXPECT_EQ(d.GetValue("Missing", "fallback"), Variant("fallback"));
  // A stored Empty or Null is a value, not an absent key.
  EXPECT_TRUE(d.GetValue("empty", "fallback").IsEmpty());
  EXPECT_TRUE(d.GetValue("null", "fallback").IsNull());
  EXPECT_EQ(ErrorNumber([&] { d.Value("null"); }), 0);
}

TEST(ValueDictionary, IsSharedByReferenceThroughVariants) {
  auto order = ValueDictionary::Create();
  auto entries = ValueVector::Create();
  order->SetValue("OrderEntry", entries);
  const Variant held(order);
  const Variant copy = held;  // copies the reference, not the record
  copy.ObjectAs<ValueDictionary>()->SetValue("BillNo", "SO-1");
  order->Value("orderentry").ObjectAs<ValueVector>()->Add(1.0);
  EXPECT_EQ(order->Value("BillNo"), Variant("SO-1"));
  EXPECT_EQ(entries->Count(), 1);
}

TEST(ValueVector, PositionsRunFromOneToCount) {
  ValueVector v;
  EXPECT_EQ(v.Count(), 0);
  EXPECT_EQ(v.LowerBound(), 1);
  EXPECT_EQ(v.UpperBound(), 0);
  EXPECT_EQ(v.begin(), v.end());
  EXPECT_EQ(ErrorNumber([&] { v.Item(1); }), 9);

  v.Add("a");
  v.Add(int16_t{2});
  v.Add(Variant::Null());
  EXPECT_EQ(v.UpperBound(), 3);
  EXPECT_EQ(v.Item(1), Variant("a"));
  EXPECT_TRUE(v.Item(3).IsNull());
  v.SetItem(2, "b");
  EXPECT_EQ(std::vector<Variant>(v.begin(), v.end()),
            (std::vector<Variant>{Variant("a"), Variant("b"), Variant::Null()}));
  for (int32_t bad : {0, -1, 4}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ErrorNumber([&] { v.Item(bad); }), 9);
    EXPECT_EQ(ErrorNumber([&] { v.SetItem(bad, "x"); }), 9);
  }
  EXPECT_EQ(v.Count(), 3);
}

TEST(ValueUtility, ValueOrDefaultReplacesOnlyNull) {
  const ValueUtility u;
  EXPECT_EQ(u.ValueOrDefault(Variant::Null(), int32_t{0}), Variant(int32_t{0}));
  EXPECT_TRUE(u.ValueOrDefault(Variant(), int32_t{0}).IsEmpty());
  EXPECT_EQ(u.ValueOrDefault("", "x"), Variant(""));
  EXPECT_EQ(u.ValueOrDefault(0.0, 1.0), Variant(0.0));
}

TEST(ValueUtility, FormatTextSubstitutesInOnePass) {
  std::vector<Variant> twelve;
  for (int i = 1; i <= 12; ++i) twelve.emplace_back("v" + std::to_string(i));
  struct Case {
    const char* text_template;
    std::vector<Variant> values;
    const char* text;
  } cases[] = {
      {"系统检测到单号[%1]的销售订单", {"SO-1"}, "系统检测到单号[SO-1]的销售订单"},
      {"[%1]", {""}, "[]"},
      {"%2 before %1", {"a", "b"}, "b before a"},
      {"%1%1", {"a"}, "aa"},
      {"%1 and %2", {"%2", "x"}, "%2 and x"},  // a value is never scanned again
      {"%12", {"a"}, "a2"},
      {"%12", twelve, "v12"},
      {"%3", {"a", "b"}, "%3"},
      {"%0", {"a"}, "%0"},
      {"%1", {}, "%1"},
      {"100%", {"a"}, "100%"},
      {"%%1", {"a"}, "%a"},
      {"%", {"a"}, "%"},
      {"%1|%2|%3|%4|%5",
       {0.1 + 0.2, int16_t{7}, Variant(), true, corvane::MakeDate(2024, 1, 2)},
       "0.3|7||True|2024-01-02"},
  };
  const ValueUtility u;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text_template);
    EXPECT_EQ(u.FormatText(c.text_template, c.values), c.text);
  }
}

class FakeRegistryReader : public corvane::RegistryReader {
 public:
  Variant ReadValue(std::string_view key_path, std::string_view value_name,
                    const Variant& fallback) override {
    if (corvane::EqualsIgnoreCase(value_name, "path")) return std::string(key_path);
    return fallback;
  }
};

TEST(ValueUtility, RegistryComesFromTheInstalledProvider) {
  const ValueUtility u;
  const corvane::RegistryReaderProvider saved = corvane::SetRegistryReaderProvider(nullptr);
  EXPECT_EQ(ErrorNumber([&] { u.Registry(); }), 429);

  corvane::SetRegistryReaderProvider([] { return std::make_shared<FakeRegistryReader>(); });
  auto reader = u.Registry();
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->ReadValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "PATH", Variant()),
            Variant("HKEY_LOCAL_MACHINE\\SOFTWARE\\X"));
  EXPECT_TRUE(reader->ReadValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "other", Variant()).IsEmpty());

  // A provider that gives no reader is no better than none; the replaced
  // provider comes back to the caller.
  const corvane::RegistryReaderProvider fake =
      corvane::SetRegistryReaderProvider([] { return std::shared_ptr<corvane::RegistryReader>(); });
  ASSERT_TRUE(fake);
  EXPECT_NE(fake(), nullptr);
  EXPECT_EQ(ErrorNumber([&] { u.Registry(); }), 429);

  corvane::SetRegistryReaderProvider(saved);
}

}  // namespace

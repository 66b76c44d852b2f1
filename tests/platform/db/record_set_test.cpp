#include <gtest/gtest.h>

#include "platform/db/static_record_set.h"
#include "support/error_number.h"

namespace corvane::db {
namespace {

using corvane::testing::ErrorNumberOf;

StaticRecordSet Customers() {
  return StaticRecordSet(
      {"FNumber", "FName", "FQty", "FDate", "FName"},
      {
          {Variant("C001"), Variant("Acme"), Variant(5.0), Variant(MakeDate(2024, 1, 5)), Variant("x")},
          {Variant("C002"), Variant("O'Neil"), Variant(-2.0), Variant(MakeDate(2024, 3, 1)), Variant("y")},
          {Variant("c003 "), Variant::Null(), Variant(12.5), Variant::Null(), Variant("z")},
          {Variant("D004"), Variant("Zeta"), Variant(int32_t(0)), Variant(MakeDate(2025, 1, 1)), Variant("w")},
      });
}

std::vector<std::string> Numbers(StaticRecordSet& rs) {
  std::vector<std::string> out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out.push_back(CStr(rs.Fields("FNumber")));
  return out;
}

TEST(StaticRecordSet, CursorMovesAndCountsExactlyAnywhere) {
  StaticRecordSet rs = Customers();
  EXPECT_FALSE(rs.Bof());
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 4);
  rs.MoveLast();
  EXPECT_EQ(rs.Fields("fnumber"), Variant("D004"));
  EXPECT_EQ(rs.RecordCount(), 4);
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(ErrorNumberOf([&] { rs.MoveNext(); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Fields(0); }), err::kNoCurrentRecord);
  rs.MoveFirst();
  EXPECT_EQ(rs.Fields(0), Variant("C001"));
}

TEST(StaticRecordSet, FieldsByNameTakeTheFirstOfEqualNamesAndByPosition) {
  StaticRecordSet rs = Customers();
  EXPECT_EQ(rs.Fields("FNAME"), Variant("Acme"));
  EXPECT_EQ(rs.Fields(4), Variant("x"));
  EXPECT_EQ(rs.FieldCount(), 5);
  EXPECT_EQ(rs.FieldName(2), "FQty");
  EXPECT_EQ(ErrorNumberOf([&] { rs.Fields("Missing"); }), err::kItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Fields(5); }), err::kItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Fields(-1); }), err::kItemNotFound);
}

TEST(StaticRecordSet, EmptySetIsAtBofAndEof) {
  StaticRecordSet rs({"A"}, {});
  EXPECT_TRUE(rs.Bof());
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  rs.MoveFirst();
  rs.MoveLast();
  EXPECT_TRUE(rs.Bof() && rs.Eof());
  EXPECT_EQ(ErrorNumberOf([&] { rs.MoveNext(); }), err::kNoCurrentRecord);
}

TEST(StaticRecordSet, FilterSelectsAmongFetchedRows) {
  struct Case {
    const char* criteria;
    std::vector<std::string> numbers;
  };
  const Case cases[] = {
      {"FNumber='C002'", {"C002"}},
      {"FNumber = 'c002'", {"C002"}},            // text ignores case ...
      {"FNumber='C003'", {"c003 "}},             // ... and trailing blanks
      {"FName='O''Neil'", {"C002"}},             // doubled quote inside a value
      {"FNumber<>'C002'", {"C001", "c003 ", "D004"}},
      {"FQty>0", {"C001", "c003 "}},
      {"FQty<0", {"C002"}},
      {"FQty>=0 AND FQty<=5", {"C001", "D004"}},
      {"FQty='12.5'", {"c003 "}},                // numeric text against a number field
      {"FNumber='C001' OR FNumber='D004'", {"C001", "D004"}},
      {"FNumber='C001' OR FQty>0 AND FQty<1", {"C001"}},  // AND binds tighter
      {"(FNumber='C001' OR FQty>0) AND FQty<10", {"C001"}},
      {"FName = NULL", {"c003 "}},
      {"FName <> NULL", {"C001", "C002", "D004"}},
      {"FName > 'B'", {"C002", "D004"}},         // Null never compares
      {"FNumber LIKE 'C*'", {"C001", "C002", "c003 "}},
      {"FNumber LIKE '%4'", {"D004"}},
      {"FDate > #2024-02-01#", {"C002", "D004"}},
      {"[FNumber]='D004'", {"D004"}},
      {"FNumber='nothing'", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.criteria);
    StaticRecordSet rs = Customers();
    rs.SetFilter(c.criteria);
    EXPECT_EQ(rs.RecordCount(), static_cast<int32_t>(c.numbers.size()));
    EXPECT_EQ(rs.Eof(), c.numbers.empty());
    EXPECT_EQ(Numbers(rs), c.numbers);
  }
}

// Long runs of OR and AND (a caller's list of keys) used to nest one level per term and
// overflowed the stack when tested or freed.
TEST(StaticRecordSet, LongRunsOfOrAndAndFilterLikeShortOnes) {
  std::string any_of, all_of;
  for (int i = 0; i < 100000; ++i) {
    any_of += "FNumber='none" + std::to_string(i) + "' OR ";
    all_of += "FQty>-1 AND ";
  }
  StaticRecordSet rs = Customers();
  rs.SetFilter(any_of + "FNumber='D004'");
  EXPECT_EQ(Numbers(rs), std::vector<std::string>{"D004"});
  rs.SetFilter(all_of + "FQty<10");
  EXPECT_EQ(Numbers(rs), (std::vector<std::string>{"C001", "D004"}));
}

TEST(StaticRecordSet, EmptyFilterClearsAndBadFilterIsRefused) {
  StaticRecordSet rs = Customers();
  rs.SetFilter("FQty<0");
  EXPECT_EQ(rs.RecordCount(), 1);
  rs.SetFilter("");
  EXPECT_EQ(rs.RecordCount(), 4);
  rs.SetFilter("FQty<0");
  const std::string deep = std::string(200, '(') + "FQty>1" + std::string(200, ')');
  EXPECT_EQ(ErrorNumberOf([&] { rs.SetFilter(deep); }), err::kBadArguments);
  for (const char* bad : {"FNumber='open", "Nope='x'", "FNumber 'x'", "FNumber=", "(FQty>1",
                          "FQty>1 AND", "FNumber='a' extra", "FQty > 12x", "FDate > #soon#",
                          "FName < NULL"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ErrorNumberOf([&] { rs.SetFilter(bad); }), err::kBadArguments);
    EXPECT_EQ(rs.RecordCount(), 1);  // the previous filter stays
    EXPECT_EQ(rs.Filter(), "FQty<0");
  }
}

TEST(StaticRecordSet, ClosedSetRefusesEverything) {
  StaticRecordSet rs = Customers();
  rs.DetachConnection();
  EXPECT_EQ(rs.RecordCount(), 4);  // detached, the rows stay
  rs.Close();
  EXPECT_EQ(ErrorNumberOf([&] { rs.Eof(); }), err::kObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Fields("FNumber"); }), err::kObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs.RecordCount(); }), err::kObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Close(); }), err::kObjectClosed);
}

}  // namespace
}  // namespace corvane::db

#include "frame/timestamp_text.h"

#include <gtest/gtest.h>

#include "values/value_dictionary.h"

namespace corvane {
namespace {

TEST(TimestampToText, RowVersionBytesBecomeUpperCaseHexInStoredOrder) {
  EXPECT_EQ(TimestampToText(Variant(Bytes{0, 0, 0, 0, 0, 1, 0x07, 0xD1})), "0x00000000000107D1");
  EXPECT_EQ(TimestampToText(Variant(Bytes{0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89})),
            "0xABCDEF0123456789");
}

TEST(TimestampToText, AnythingElseIsTheZeroTimestamp) {
  const Variant others[] = {Variant::Null(), Variant(),         Variant(Bytes{}),
                            Variant("0x01"), Variant(int32_t(5)), Variant(ValueDictionary::Create()),
                            Variant::Nothing()};
  for (const Variant& v : others) {
    SCOPED_TRACE(v.TypeName());
    EXPECT_EQ(TimestampToText(v), "0x0000000000000000");
  }
}

TEST(IsTimestampText, OnlyHexLiteralsOfAtMostEightBytes) {
  for (const char* good : {"0x0", "0x0000000000000000", "0xabcdef0123456789", "0x07D1"}) {
    SCOPED_TRACE(good);
    EXPECT_TRUE(IsTimestampText(good));
  }
  for (const char* bad : {"", "0x", "12", "0xZZ", "0x0) OR (1=1", "0X01", " 0x01",
                          "0x00000000000000000", "x01", "0x01 "}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(IsTimestampText(bad));
  }
}

// The reported maximum stays under the active row-version floor: one less,
// as a big-endian number, borrowing across bytes; no floor leaves it alone.
TEST(CappedBelowFloor, TheVersionJustUnderTheFloorWhenTheMaximumReachesIt) {
  const auto bytes = [](std::initializer_list<uint8_t> b) { return Variant(Bytes(b)); };
  struct Case {
    std::string max;
    Variant floor;
    std::string capped;
  };
  const Case cases[] = {
      {"0x0000000000000105", Variant(), "0x0000000000000105"},
      {"0x0000000000000105", bytes({0, 0, 0, 0, 0, 0, 1, 0}), "0x00000000000000FF"},
      {"0x0000000000000100", bytes({0, 0, 0, 0, 0, 0, 1, 0}), "0x00000000000000FF"},
      {"0x00000000000000FE", bytes({0, 0, 0, 0, 0, 0, 1, 0}), "0x00000000000000FE"},
      {"0x0000000000000001", bytes({0, 0, 0, 0, 0, 0, 0, 0}), "0x0000000000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.max);
    EXPECT_EQ(CappedBelowFloor(c.max, c.floor), c.capped);
  }
  EXPECT_EQ(BelowFloorCondition("FOperDate", Variant()), "");
  EXPECT_EQ(BelowFloorCondition("FOperDate", bytes({0, 0, 0, 0, 0, 0, 1, 0})),
            " AND FOperDate<0x0000000000000100");
}

}  // namespace
}  // namespace corvane

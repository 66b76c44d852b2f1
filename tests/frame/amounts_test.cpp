#include "frame/amounts.h"

#include <gtest/gtest.h>

#include "support/error_number.h"

namespace corvane {
namespace {

TEST(RoundAmount, HalfAwayFromZeroOnTheDecimalForm) {
  struct Case {
    Variant value;
    int decimals;
    double expected;
  };
  const Case cases[] = {
      {Variant(2.675), 2, 2.68},          // the double is just below 2.675
      {Variant(1.005), 2, 1.01},
      {Variant(1234567.125), 2, 1234567.13},  // grouping in the shown text is dropped
      {Variant(-2.5), 0, -3},
      {Variant(2.5), 0, 3},
      {Variant(0.0), 2, 0},
      {Variant(10 * (1 + 17.0 / 100)), 2, 11.7},
      {Variant("1.235"), 2, 1.24},
      {Variant(int32_t(7)), 4, 7},
      {Variant(123.456789), 4, 123.4568},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CStr(c.value) + " to " + std::to_string(c.decimals));
    EXPECT_DOUBLE_EQ(RoundAmount(c.value, c.decimals), c.expected);
  }
}

TEST(RoundAmount, NullAndTextAreErrors) {
  EXPECT_EQ(testing::ErrorNumberOf([] { RoundAmount(Variant::Null(), 2); }),
            err::kInvalidUseOfNull);
  EXPECT_EQ(testing::ErrorNumberOf([] { RoundAmount(Variant("abc"), 2); }), err::kTypeMismatch);
}

}  // namespace
}  // namespace corvane

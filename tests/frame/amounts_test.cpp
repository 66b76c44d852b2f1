#include "frame/amounts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/error_number.h"
#include "values/format.h"

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

// A number is rounded without making its text: the result must be the very
// double the shown text reads back as, sign of zero included.
TEST(RoundAmount, ANumberRoundsToWhatItsShownTextReadsAs) {
  const double values[] = {0.0,    -0.0,    0.004,     -0.004,   0.005,     -0.005,  2.675,
                           -2.675, 999.995, -999.995,  1e15,     123456789012.345,    5e-324,
                           1e-7,   0.5,     -0.5,      1.5,      99.9999,   -1e300,  1e22};
  for (const double v : values) {
    for (int decimals = 0; decimals <= 4; ++decimals) {
      SCOPED_TRACE(std::to_string(v) + " to " + std::to_string(decimals));
      std::string shown = FormatNumber(v, "#,##0." + std::string(static_cast<size_t>(decimals), '0'));
      std::erase(shown, ',');
      const double expected = CDbl(Variant(shown));
      const double rounded = RoundAmount(Variant(v), decimals);
      EXPECT_EQ(rounded, expected);
      EXPECT_EQ(std::signbit(rounded), std::signbit(expected));
    }
  }
}

TEST(RoundAmount, NullAndTextAreErrors) {
  EXPECT_EQ(testing::ErrorNumberOf([] { RoundAmount(Variant::Null(), 2); }),
            err::kInvalidUseOfNull);
  EXPECT_EQ(testing::ErrorNumberOf([] { RoundAmount(Variant("abc"), 2); }), err::kTypeMismatch);
}

}  // namespace
}  // namespace corvane

#include "values/format.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/variant_print.h"

namespace {

using corvane::Date;
using corvane::Format;
using corvane::Variant;

TEST(Format, NumberPatterns) {
  struct Case {
    double value;
    const char* pattern;
    const char* text;
  } cases[] = {
      {1234567.891, "#,##0.00", "1,234,567.89"},
      {-1234.5, "#,##0.00", "-1,234.50"},
      {0, "#,##0.00", "0.00"},
      {123, "#,##0", "123"},
      {1234567, "#,###", "1,234,567"},
      {1e15, "#,##0", "1,000,000,000,000,000"},
      {1234.5, "#,##0.", "1,235."},  // the trailing point stays
      {0.4, "#,##0.", "0."},
      {-0.6, "#,##0.", "-1."},
      {5, "000", "005"},
      {12, "0.0000", "12.0000"},
      {1.0 / 3, "0.0000", "0.3333"},
      {12.5, "0.00 kg", "12.50 kg"},
      {12.5, "$#,##0.00", "$12.50"},
      // Half away from zero on the 15-digit decimal form, not on the binary
      // value (2.675 and 1.005 are stored slightly below the half).
      {2.675, "#,##0.00", "2.68"},
      {1.005, "#,##0.00", "1.01"},
      {0.125, "0.00", "0.13"},
      {-0.125, "0.00", "-0.13"},
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {0.5, "0", "1"},
      {0.05, "0.0", "0.1"},
      {0.00005, "0.0000", "0.0001"},
      {0.000025, "0.0000", "0.0000"},
      {1.00005, "0.0000", "1.0001"},
      {0.1 + 0.2, "0.0000000000000000", "0.3000000000000000"},
      // "#" after the point shows a decimal only when it is significant.
      {1.5, "0.0#", "1.5"},
      {1.256, "#,##0.0#", "1.26"},
      {1, "0.##", "1."},
      {1.5, "0.#0", "1.50"},
      {999.995, "#,##0.00", "1,000.00"},
      {9.9999, "0.00", "10.00"},
      {0.0000001, "0.00", "0.00"},
      {1e-20, "0.00", "0.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " of " + corvane::NumberToText(c.value));
    EXPECT_EQ(corvane::FormatNumber(c.value, c.pattern), c.text);
    EXPECT_EQ(Format(Variant(c.value), c.pattern), Variant(c.text));
  }
}

TEST(Format, DatePatterns) {
  const Date d = corvane::MakeDate(2024, 3, 5, 7, 8, 9);
  struct Case {
    Date date;
    const char* pattern;
    const char* text;
  } cases[] = {
      {d, "yyyy-mm-dd", "2024-03-05"},
      {d, "hh:mm:ss", "07:08:09"},
      {d, "yyyy-mm-dd hh:mm:ss", "2024-03-05 07:08:09"},
      {d, "YYYY-MM-DD", "2024-03-05"},
      {d, "yyyymmdd", "20240305"},
      {d, "yy/m/d", "24/3/5"},
      {d, "h:nn", "7:08"},
      {d, "mm:ss", "08:09"},  // minutes right before seconds
      {d, "yyyy-mm-ddThh:mm:ss", "2024-03-05T07:08:09"},
      {Date{0.5}, "yyyy-mm-dd hh:mm:ss", "1899-12-30 12:00:00"},
      {Date{-1.25}, "yyyy-mm-dd hh:mm:ss", "1899-12-29 06:00:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(corvane::FormatDate(c.date, c.pattern), c.text);
    EXPECT_EQ(Format(Variant(c.date), c.pattern), Variant(c.text));
  }
}

TEST(Format, ValueKinds) {
  struct Case {
    const char* name;
    Variant value;
    const char* pattern;
    Variant result;
  } cases[] = {
      {"Null stays Null", Variant::Null(), "0.00", Variant::Null()},
      {"Empty is empty text", Variant(), "0.00", Variant("")},
      {"Empty with a date pattern", Variant(), "yyyy-mm-dd", Variant("")},
      {"no pattern is CStr", Variant(0.1 + 0.2), "", Variant("0.3")},
      {"non-numeric text is unchanged", Variant("abc"), "#,##0.00", Variant("abc")},
      {"numeric text", Variant("2.675"), "0.00", Variant("2.68")},
      {"padded numeric text", Variant(" 12 "), "0.00", Variant("12.00")},
      {"date text", Variant("2024-03-05 07:08:09"), "yyyy-mm-dd", Variant("2024-03-05")},
      {"non-date text is unchanged", Variant("abc"), "yyyy-mm-dd", Variant("abc")},
      {"impossible date text is unchanged", Variant("2023-02-29"), "yyyy-mm-dd",
       Variant("2023-02-29")},
      {"number with a date pattern", Variant(45000.0), "yyyy-mm-dd", Variant("2023-03-15")},
      {"Integer", Variant(int16_t{5}), "0.00", Variant("5.00")},
      {"Long", Variant(int32_t{1234567}), "#,##0", Variant("1,234,567")},
      {"Boolean", Variant(true), "0", Variant("-1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Format(c.value, c.pattern), c.result);
  }
}

}  // namespace

#include "values/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/variant_print.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"


namespace {

using corvane::Date;
using corvane::Variant;
using corvane::VarType;

using ErrorNumberFn = int32_t (*)(const std::function<void()>&);
constexpr ErrorNumberFn ErrorNumber = corvane::testing::ErrorNumberOf;

Variant I16(int16_t v) { return Variant(v); }
Variant I32(int32_t v) { return Variant(v); }
Variant Dbl(double v) { return Variant(v); }
Variant Str(const char* v) { return Variant(v); }
Variant DateV(double serial) { return Variant(Date{serial}); }

TEST(Variant, StorageTypesAreDistinct) {
  EXPECT_EQ(Variant().type(), VarType::Empty);
  EXPECT_EQ(Variant::Null().type(), VarType::Null);
  EXPECT_TRUE(Variant::Nothing().IsNothing());
  EXPECT_EQ(Variant::Nothing().TypeName(), "Nothing");
  EXPECT_FALSE(Variant(corvane::ValueDictionary::Create()).IsNothing());
  EXPECT_NE(I16(1), I32(1));  // structural equality keeps the type
  EXPECT_TRUE(Dbl(1).IsNumber());
  EXPECT_FALSE(Variant(true).IsNumber());
  EXPECT_FALSE(DateV(1).IsNumber());
}

TEST(Variant, ObjectAsChecksTheReference) {
  auto dict = corvane::ValueDictionary::Create();
  EXPECT_EQ(Variant(dict).ObjectAs<corvane::ValueDictionary>(), dict);
  EXPECT_EQ(ErrorNumber([] { Variant::Nothing().ObjectAs<corvane::ValueDictionary>(); }), 91);
  EXPECT_EQ(ErrorNumber([&] { Variant(dict).ObjectAs<corvane::ValueVector>(); }), 13);
  EXPECT_EQ(ErrorNumber([] { I32(1).ObjectAs<corvane::ValueDictionary>(); }), 13);
}

TEST(Variant, CStrOfDoubles) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {45.0, "45"},
      {0.1 + 0.2, "0.3"},
      {10 * (1 + 17 / 100.0), "11.7"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {-2.5, "-2.5"},
      {-0.0, "0"},
      {1234567.5, "1234567.5"},
      {123456789012345.6, "123456789012346"},
      {999999999999999.0, "999999999999999"},
      {1e15, "1E+15"},
      {123456789012345678.0, "1.23456789012346E+17"},
      {1.5e300, "1.5E+300"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {0.00001, "1E-05"},
      {-0.000099999, "-9.9999E-05"},
      {1e-100, "1E-100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(corvane::CStr(Dbl(c.value)), c.text);
  }
}

TEST(Variant, CStrOfOtherTypes) {
  EXPECT_EQ(corvane::CStr(Variant()), "");
  EXPECT_EQ(corvane::CStr(I16(-32768)), "-32768");
  EXPECT_EQ(corvane::CStr(I32(2147483647)), "2147483647");
  EXPECT_EQ(corvane::CStr(Variant(true)), "True");
  EXPECT_EQ(corvane::CStr(Variant(false)), "False");
  EXPECT_EQ(corvane::CStr(Str("x")), "x");
  EXPECT_EQ(ErrorNumber([] { corvane::CStr(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { corvane::CStr(Variant(corvane::ValueVector::Create())); }), 13);
}

TEST(Variant, DateSerials) {
  EXPECT_EQ(corvane::MakeDate(1899, 12, 30).serial, 0);
  EXPECT_EQ(corvane::MakeDate(1900, 1, 1).serial, 2);
  EXPECT_EQ(corvane::MakeDate(1900, 3, 1).serial, 61);  // 1900 has no 29 February
  EXPECT_EQ(corvane::MakeDate(2000, 1, 1).serial, 36526);
  EXPECT_EQ(corvane::MakeDate(2024, 1, 2, 18).serial, 45293.75);
  // Before day 0 the time still counts forward from midnight of that day.
  EXPECT_EQ(corvane::MakeDate(1899, 12, 29, 6).serial, -1.25);
  EXPECT_EQ(corvane::MakeDate(1899, 12, 28, 18).serial, -2.75);
  EXPECT_EQ(ErrorNumber([] { corvane::MakeDate(2023, 2, 29); }), 5);
  EXPECT_EQ(ErrorNumber([] { corvane::MakeDate(2024, 13, 1); }), 5);
  EXPECT_EQ(ErrorNumber([] { corvane::MakeDate(2024, 4, 31); }), 5);

  const corvane::DateParts before = corvane::SplitDate(Date{-2.75});
  EXPECT_EQ(std::vector<int>({before.year, before.month, before.day, before.hour}),
            std::vector<int>({1899, 12, 28, 18}));
  const corvane::DateParts millis = corvane::SplitDate(corvane::MakeDate(2024, 1, 2, 3, 4, 5.123));
  EXPECT_EQ(std::vector<int>({millis.minute, millis.second, millis.millisecond}),
            std::vector<int>({4, 5, 123}));
}

TEST(Variant, CStrOfDates) {
  struct Case {
    Date date;
    const char* text;
  } cases[] = {
      {corvane::MakeDate(2024, 1, 2), "2024-01-02"},
      {corvane::MakeDate(2024, 1, 2, 3, 4, 5), "2024-01-02 03:04:05"},
      {Date{2}, "1900-01-01"},
      {Date{0.5}, "12:00:00"},  // day 0 shows its time only
      {Date{0}, "00:00:00"},
      {Date{-1.25}, "1899-12-29 06:00:00"},
      {Date{2 - 1e-10}, "1900-01-01"},  // a hair before midnight rounds to it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(corvane::CStr(Variant(c.date)), c.text);
  }
}

TEST(Variant, CDateReadsTheSystemsTexts) {
  struct Case {
    const char* text;
    Date date;
  } cases[] = {
      {"2024-01-02", corvane::MakeDate(2024, 1, 2)},
      {" 2024-02-29 ", corvane::MakeDate(2024, 2, 29)},
      {"2024-01-02 03:04:05", corvane::MakeDate(2024, 1, 2, 3, 4, 5)},
      {"2024-01-02T03:04:05", corvane::MakeDate(2024, 1, 2, 3, 4, 5)},
      {"1899-12-29 06:00:00", Date{-1.25}},
      {"13:45:10", corvane::MakeDate(1899, 12, 30, 13, 45, 10)},
      {"9999-12-31 23:59:59", corvane::MakeDate(9999, 12, 31, 23, 59, 59)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(corvane::CDate(Str(c.text)).serial, c.date.serial);
  }
  const corvane::DateParts p = corvane::SplitDate(corvane::CDate(Str("2024-01-02 03:04:05.123")));
  EXPECT_EQ(std::vector<int>({p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
            std::vector<int>({2024, 1, 2, 3, 4, 5, 123}));
  EXPECT_EQ(corvane::CDate(Dbl(45000.5)).serial, 45000.5);
  EXPECT_EQ(corvane::CDate(Variant()).serial, 0);
}

TEST(Variant, CDateRefusesImpossibleDates) {
  for (const char* text :
       {"2023-02-29", "2024-13-01", "2024-00-10", "2024-01-32", "0000-01-01", "2024-01-02 24:00:00",
        "2024-01-02 12:60:00", "12:00:60", "2024-01-02x", "abc", ""}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ErrorNumber([&] { corvane::CDate(Str(text)); }), 13);
  }
  EXPECT_EQ(ErrorNumber([] { corvane::CDate(Variant::Null()); }), 94);
}

TEST(Variant, CDateRoundTripsCStr) {
  for (Date d : {corvane::MakeDate(2024, 2, 29, 23, 59, 59), corvane::MakeDate(2024, 1, 2),
                 corvane::MakeDate(1900, 1, 1), corvane::MakeDate(1899, 12, 30, 12),
                 corvane::MakeDate(1899, 12, 29, 6, 30), corvane::MakeDate(1800, 7, 4, 1, 2, 3),
                 corvane::MakeDate(9999, 12, 31, 23, 59, 59)}) {
    const std::string text = corvane::CStr(Variant(d));
    SCOPED_TRACE(text);
    EXPECT_EQ(corvane::CDate(Variant(text)).serial, d.serial);
  }
}

// A Variant argument with the Long it converts to or the error it raises.
struct IntegerCase {
  Variant value;
  int32_t result;
  int32_t error;
};

TEST(Variant, CLngRoundsHalfToEvenAndChecksRange) {
  const IntegerCase cases[] = {
      {Dbl(2.5), 2, 0},
      {Dbl(3.5), 4, 0},
      {Dbl(-2.5), -2, 0},
      {Dbl(-3.5), -4, 0},
      {Dbl(0.5), 0, 0},
      {Dbl(2.5000001), 3, 0},
      {Dbl(2147483647.0), 2147483647, 0},
      {Dbl(-2147483648.5), INT32_MIN, 0},
      {Str("  12 "), 12, 0},
      {Str("2.5"), 2, 0},
      {Str("1e3"), 1000, 0},
      {Str("&HFF"), 255, 0},
      {Str("&HFFFFFFFF"), -1, 0},
      {Str("&O17"), 15, 0},
      {Variant(true), -1, 0},
      {Variant(false), 0, 0},
      {Variant(), 0, 0},
      {I16(-5), -5, 0},
      {DateV(45000.5), 45000, 0},
      {Dbl(2147483647.5), 0, 6},
      {Dbl(-2147483649.0), 0, 6},
      {Str("1e10"), 0, 6},
      {Str("1e400"), 0, 6},
      {Str(""), 0, 13},
      {Str("abc"), 0, 13},
      {Str("12abc"), 0, 13},
      {Str("1,000"), 0, 13},
      {Variant(corvane::Bytes{1}), 0, 13},
      {Variant::Null(), 0, 94},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    int32_t got = 0;
    EXPECT_EQ(ErrorNumber([&] { got = corvane::CLng(c.value); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
}

TEST(Variant, CIntRoundsHalfToEvenAndChecksRange) {
  const IntegerCase cases[] = {
      {Dbl(1.5), 2, 0},           {Dbl(-0.5), 0, 0},      {Dbl(-32768.5), -32768, 0},
      {Str("-32768"), -32768, 0}, {I32(32767), 32767, 0}, {Dbl(32767.5), 0, 6},
      {Str("32768"), 0, 6},       {I32(40000), 0, 6},     {Str("x"), 0, 13},
      {Variant::Null(), 0, 94},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    int32_t got = 0;
    EXPECT_EQ(ErrorNumber([&] { got = corvane::CInt(c.value); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
}

TEST(Variant, CDblAcceptsNumericTextOnly) {
  struct Case {
    const char* text;
    double result;
    int32_t error;
  } cases[] = {
      {" -1.5e2 ", -150, 0}, {"1D2", 100, 0},  {"1E+2", 100, 0}, {".5", 0.5, 0},
      {"5.", 5, 0},          {"+7", 7, 0},     {"\t7\t", 7, 0},  {"0001.50", 1.5, 0},
      {"1e400", 0, 6},       {"-1e400", 0, 6}, {"1 2", 0, 13},   {".", 0, 13},
      {"1e", 0, 13},         {"e5", 0, 13},    {"--1", 0, 13},   {"1,5", 0, 13},
      {"1.2.3", 0, 13},      {"&H", 0, 13},    {"&HG", 0, 13},   {"True", 0, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double got = 0;
    EXPECT_EQ(ErrorNumber([&] { got = corvane::CDbl(Str(c.text)); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
  EXPECT_EQ(ErrorNumber([] { corvane::CDbl(Variant::Null()); }), 94);
}

TEST(Variant, CBool) {
  struct Case {
    Variant value;
    bool result;
    int32_t error;
  } cases[] = {
      {Str("true"), true, 0},  {Str(" False "), false, 0}, {Str("1"), true, 0},
      {Str("0"), false, 0},    {Str("-0.5"), true, 0},     {Dbl(0.5), true, 0},
      {I16(0), false, 0},      {Variant(), false, 0},      {Variant(true), true, 0},
      {Str("yes"), false, 13}, {Str(""), false, 13},       {Variant::Null(), false, 94},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    bool got = false;
    EXPECT_EQ(ErrorNumber([&] { got = corvane::CBool(c.value); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
}

TEST(Variant, IsNumeric) {
  struct Case {
    Variant value;
    bool numeric;
  } cases[] = {
      {Str(""), false},      {Variant(), true},    {Variant::Null(), false},
      {Str("1e3"), true},    {Str("1e3x"), false}, {Str("1,000"), false},
      {Str(" 12 "), true},   {Str("-12.5"), true}, {Str("1d3"), true},
      {Str("&HFF"), true},   {Str("&H"), false},   {Str(".5"), true},
      {Str("."), false},     {Str("-"), false},    {Str("12 34"), false},
      {Str("1.2.3"), false}, {Str("abc"), false},  {Variant(true), true},
      {I16(3), true},        {DateV(1), false},    {Variant::Nothing(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    EXPECT_EQ(corvane::IsNumeric(c.value), c.numeric);
  }
}

TEST(Variant, Val) {
  struct Case {
    const char* text;
    double result;
  } cases[] = {
      {"12abc", 12},  {" 1 2 3", 123}, {"", 0},           {"abc", 0},      {"1e3", 1000},
      {"1e+2x", 100}, {"1.5.6", 1.5},  {"-12.5x", -12.5}, {" - 5", -5},    {".5", 0.5},
      {"1,000", 1},   {"\t7", 7},      {"&HFF", 255},     {"&HFFzz", 255}, {"&O17", 15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(corvane::Val(std::string_view(c.text)), c.result);
  }
  EXPECT_EQ(corvane::Val(Dbl(0.00001)), 0.00001);  // through its text "1E-05"
  EXPECT_EQ(ErrorNumber([] { corvane::Val(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumber([] { corvane::Val(std::string_view("1e400")); }), 6);
}

// An operation, its operands and the Variant it gives (or the error it raises).
struct OperationCase {
  const char* name;
  Variant (*op)(const Variant&, const Variant&);
  Variant a, b;
  Variant result;
  int32_t error = 0;
};

void RunOperations(const std::vector<OperationCase>& cases) {
  for (const OperationCase& c : cases) {
    SCOPED_TRACE(c.name);
    Variant got;
    EXPECT_EQ(ErrorNumber([&] { got = c.op(c.a, c.b); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
}

TEST(Variant, AddResultTypes) {
  using corvane::Add;
  RunOperations({
      {"Integer+Integer", Add, I16(1), I16(2), I16(3)},
      {"Integer overflow widens to Long", Add, I16(32767), I16(1), I32(32768)},
      {"negative Integer overflow", Add, I16(-32768), I16(-1), I32(-32769)},
      {"Long overflow widens to Double", Add, I32(2147483647), I16(1), Dbl(2147483648.0)},
      {"Long+Long overflow", Add, I32(-2147483647 - 1), I32(-1), Dbl(-2147483649.0)},
      {"Empty+Empty", Add, Variant(), Variant(), I16(0)},
      {"Empty+Long", Add, Variant(), I32(5), I32(5)},
      {"True+True", Add, Variant(true), Variant(true), I16(-2)},
      {"Integer+Double", Add, I16(1), Dbl(1.5), Dbl(2.5)},
      {"text+text concatenates", Add, Str("1"), Str("2"), Str("12")},
      {"text+number adds", Add, Str("1"), I16(2), Dbl(3)},
      {"number+text adds", Add, I16(2), Str("1"), Dbl(3)},
      {"text+Empty", Add, Str("1.5"), Variant(), Str("1.5")},
      {"Empty+text", Add, Variant(), Str("a"), Str("a")},
      {"Null+number", Add, Variant::Null(), I16(1), Variant::Null()},
      {"number+Null", Add, I16(1), Variant::Null(), Variant::Null()},
      {"Null+text", Add, Variant::Null(), Str("a"), Variant::Null()},
      {"Date+Integer", Add, DateV(100), I16(1), DateV(101)},
      {"Date+Double", Add, DateV(100), Dbl(0.5), DateV(100.5)},
      {"Integer+Date", Add, I16(1), DateV(100), DateV(101)},
      {"Date+text", Add, DateV(100), Str("1"), DateV(101)},
      {"non-numeric text", Add, Str("abc"), I16(1), {}, 13},
      {"bytes", Add, I16(1), Variant(corvane::Bytes{1}), {}, 13},
      {"Double overflow", Add, Dbl(1e308), Dbl(1e308), {}, 6},
  });
}

TEST(Variant, SubtractAndMultiplyResultTypes) {
  using corvane::Multiply;
  using corvane::Subtract;
  RunOperations({
      {"Integer-Integer overflow", Subtract, I16(-32768), I16(1), I32(-32769)},
      {"Empty-Empty", Subtract, Variant(), Variant(), I16(0)},
      {"text-text is numeric", Subtract, Str("5"), Str("2"), Dbl(3)},
      {"Date-Date is days", Subtract, DateV(101.5), DateV(100), Dbl(1.5)},
      {"Date-number is a Date", Subtract, DateV(101), I16(1), DateV(100)},
      {"Null-number", Subtract, Variant::Null(), I16(1), Variant::Null()},
      {"Integer*Integer overflow", Multiply, I16(200), I16(200), I32(40000)},
      {"-32768*-1", Multiply, I16(-32768), I16(-1), I32(32768)},
      {"Long*Long overflow", Multiply, I32(100000), I32(100000), Dbl(1e10)},
      {"Date*number is a Double", Multiply, DateV(2), I16(3), Dbl(6)},
      {"text*number", Multiply, Str("2.5"), I16(2), Dbl(5)},
      {"Empty*Long", Multiply, Variant(), I32(7), I32(0)},
      {"number*Null", Multiply, I16(2), Variant::Null(), Variant::Null()},
      {"non-numeric text", Multiply, Str("abc"), I16(1), {}, 13},
      {"Double overflow", Multiply, Dbl(1e200), Dbl(1e200), {}, 6},
  });
}

TEST(Variant, DivideIsAlwaysDouble) {
  using corvane::Divide;
  RunOperations({
      {"1/2", Divide, I16(1), I16(2), Dbl(0.5)},
      {"4/2", Divide, I16(4), I16(2), Dbl(2)},
      {"text/number", Divide, Str("9"), I32(3), Dbl(3)},
      {"Null/0", Divide, Variant::Null(), I16(0), Variant::Null()},
      {"0/0 is Overflow", Divide, I16(0), I16(0), {}, 6},
      {"Empty/Empty is Overflow", Divide, Variant(), Variant(), {}, 6},
      {"1/0 is Division by zero", Divide, I16(1), I16(0), {}, 11},
      {"1/Empty", Divide, Dbl(1), Variant(), {}, 11},
      {"1/empty text", Divide, Str("1"), Str(""), {}, 13},
  });
}

TEST(Variant, Concat) {
  using corvane::Concat;
  RunOperations({
      {"Null & text", Concat, Variant::Null(), Str("a"), Str("a")},
      {"text & Null", Concat, Str("a"), Variant::Null(), Str("a")},
      {"Null & Null", Concat, Variant::Null(), Variant::Null(), Variant::Null()},
      {"Null & Empty", Concat, Variant::Null(), Variant(), Str("")},
      {"numbers", Concat, I16(1), Dbl(2.5), Str("12.5")},
      {"Boolean", Concat, Variant(true), Str("x"), Str("Truex")},
      {"Date", Concat, Variant(corvane::MakeDate(2024, 1, 2)), Str("!"), Str("2024-01-02!")},
  });
}

TEST(Variant, Compare) {
  struct Case {
    const char* name;
    Variant a, b;
    std::optional<int> result;
    int32_t error = 0;
  } cases[] = {
      {"Null left", Variant::Null(), I16(1), std::nullopt},
      {"Null right", Str("a"), Variant::Null(), std::nullopt},
      {"Null both", Variant::Null(), Variant::Null(), std::nullopt},
      {"numeric text vs number", Str("10"), I16(9), 1},
      {"number vs numeric text", I16(9), Str("10"), -1},
      {"padded text vs number", Str(" 10 "), Dbl(10), 0},
      {"texts compare as text", Str("10"), Str("9"), -1},
      {"texts by bytes", Str("a"), Str("A"), 1},
      {"non-ASCII after ASCII", Str("\xC3\xA9"), Str("z"), 1},
      {"Empty vs empty text", Variant(), Str(""), 0},
      {"empty text vs Empty", Str(""), Variant(), 0},
      {"Empty vs text", Variant(), Str("0"), -1},
      {"Empty vs 0", Variant(), I32(0), 0},
      {"Empty vs Empty", Variant(), Variant(), 0},
      {"True vs -1", Variant(true), I16(-1), 0},
      {"Date vs number", DateV(2), Dbl(2.5), -1},
      {"Long vs Double", I32(3), Dbl(2.5), 1},
      {"text vs number", Str("abc"), I16(1), std::nullopt, 13},
      {"number vs text", I16(1), Str("abc"), std::nullopt, 13},
      {"object vs number", Variant(corvane::ValueVector::Create()), I16(1), std::nullopt, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<int> got;
    EXPECT_EQ(ErrorNumber([&] { got = corvane::Compare(c.a, c.b); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(got, c.result);
    }
  }
  EXPECT_FALSE(corvane::Equals(Variant::Null(), Variant::Null()));
  EXPECT_TRUE(corvane::Equals(Str("1"), I32(1)));
}

TEST(RuntimeError, StandardTextsAndSource) {
  struct Case {
    int32_t number;
    const char* text;
  } cases[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {11, "Division by zero"},
      {13, "Type mismatch"},
      {91, "Object variable or With block variable not set"},
      {94, "Invalid use of Null"},
      {1234, "Application-defined or object-defined error"},
      {-1, "Application-defined or object-defined error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const corvane::RuntimeError e(c.number);
    EXPECT_EQ(e.description(), c.text);
    EXPECT_STREQ(e.what(), c.text);
    EXPECT_EQ(e.source(), "Corvane");
  }
  const corvane::RuntimeError own(-1, "Corvane.clsDataKey", "单据引入出错！");
  EXPECT_EQ(own.source(), "Corvane.clsDataKey");
  EXPECT_EQ(own.description(), "单据引入出错！");
}

TEST(RuntimeError, CurrentExceptionAsRuntimeError) {
  auto convert = [](const std::function<void()>& thrower) {
    try {
      thrower();
    } catch (...) {
      return corvane::CurrentExceptionAsRuntimeError();
    }
    return corvane::RuntimeError(0, {}, "nothing thrown");
  };
  const auto kept = convert([] { throw corvane::RuntimeError(13, "Source"); });
  EXPECT_EQ(kept.number(), 13);
  EXPECT_EQ(kept.source(), "Source");
  EXPECT_EQ(convert([] { throw std::bad_alloc(); }).number(), 7);
  const auto library = convert([] { throw std::runtime_error("boom"); });
  EXPECT_EQ(library.number(), 440);
  EXPECT_EQ(library.description(), "boom");
  EXPECT_EQ(convert([] { throw 42; }).number(), 440);
}

}  // namespace

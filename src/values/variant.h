// Variant: the one value type every document, record-set field and argument
// travels in. It holds Empty, Null, Boolean, Integer (16-bit), Long (32-bit),
// Double, String (UTF-8), Date, Bytes or an Object reference (Nothing is an
// Object variant holding no object).
//
// A Variant is a value: copying it copies scalars and shares the referenced
// object. The conversions and the arithmetic follow the rules of the ERP's
// automation language, because the documents exchanged with the CRM were
// always shaped by those rules:
//   - numeric text is coerced where a number is needed, Empty counts as 0 (or
//     "" next to a String), Null propagates through arithmetic and is an
//     "Invalid use of Null" (94) where a definite value is needed;
//   - numbers become text invariantly: "." as decimal point, no grouping, 15
//     significant digits, an exponent only for very large or small magnitudes
//     (CStr(0.1 + 0.2) is "0.3", CStr(45.0) is "45");
//   - CLng and CInt round half to even and raise Overflow (6) out of range;
//   - a text that is not a number where one is needed is a Type mismatch (13).
// Every conversion raises a RuntimeError; none of them silently guesses.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "values/object.h"

namespace corvane {

enum class VarType { Empty, Null, Boolean, Integer, Long, Double, String, Date, Bytes, Object };

// A date and time as the ERP's automation types keep it: days since
// 1899-12-30, the fraction giving the time of day.
struct Date {
  double serial = 0.0;
  bool operator==(const Date&) const = default;
};

using Bytes = std::vector<uint8_t>;

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool v) : v_(v) {}
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(Date v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}
  Variant(Bytes v) : v_(std::move(v)) {}
  Variant(ObjectPtr v) : v_(std::move(v)) {}
  template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
  Variant(std::shared_ptr<T> v) : v_(ObjectPtr(std::move(v))) {}

  static Variant Null() {
    Variant v;
    v.v_ = NullTag{};
    return v;
  }
  static Variant Nothing() { return Variant(ObjectPtr()); }

  VarType type() const { return static_cast<VarType>(v_.index()); }
  bool IsEmpty() const { return type() == VarType::Empty; }
  bool IsNull() const { return type() == VarType::Null; }
  bool IsObject() const { return type() == VarType::Object; }
  // True for an Object variant holding no object.
  bool IsNothing() const;
  // Integer, Long, Double (the numeric storage types; Boolean and Date are not).
  bool IsNumber() const;

  // Direct access to the stored value; the type must match (checked).
  bool AsBool() const { return std::get<bool>(v_); }
  int16_t AsInteger() const { return std::get<int16_t>(v_); }
  int32_t AsLong() const { return std::get<int32_t>(v_); }
  double AsDouble() const { return std::get<double>(v_); }
  const std::string& AsString() const { return std::get<std::string>(v_); }
  Date AsDate() const { return std::get<Date>(v_); }
  const Bytes& AsBytes() const { return std::get<Bytes>(v_); }
  const ObjectPtr& AsObject() const { return std::get<ObjectPtr>(v_); }

  // The referenced object as T: Nothing raises 91, another type or a
  // non-object value raises 13.
  template <class T>
  std::shared_ptr<T> ObjectAs() const;

  // The name of the stored type as the automation language's TypeName gives it.
  std::string TypeName() const;

  // Structural equality: same type and same value (objects by identity). This
  // is for tests and containers; the language's own comparison is Compare().
  bool operator==(const Variant& other) const = default;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct EmptyTag {
    bool operator==(const EmptyTag&) const = default;
  };
  std::variant<EmptyTag, NullTag, bool, int16_t, int32_t, double, std::string, Date, Bytes,
               ObjectPtr>
      v_;
};

// --- conversions -----------------------------------------------------------

std::string CStr(const Variant& v);
int32_t CLng(const Variant& v);
int16_t CInt(const Variant& v);
double CDbl(const Variant& v);
bool CBool(const Variant& v);
Date CDate(const Variant& v);

// True when CDbl would succeed: numbers, Booleans, Empty and numeric text
// (blanks around, sign, decimal point, exponent E or D, &H / &O prefixes).
// Null, dates, objects and other text are not numeric.
bool IsNumeric(const Variant& v);

// The number at the start of a text: blanks anywhere are skipped, reading
// stops at the first character that cannot continue a number; "" and text
// without a leading number give 0. Null raises 94.
double Val(const Variant& v);
double Val(std::string_view text);

// A number as invariant text: 15 significant digits, no grouping, an
// exponent only below 1E-4 or from 1E15 on.
std::string NumberToText(double d);

// A number as plain decimal text: up to 15 significant digits like
// NumberToText, but never an exponent ("0.00001", "150000000000000000000").
std::string PlainNumberText(double d);

// True for text that reads as a plain decimal number: an optional sign,
// digits with at most one decimal point, at least one digit; no blanks, no
// exponent, no grouping, no hexadecimal. Such text can stand in SQL as a
// number as it is.
bool IsPlainDecimal(std::string_view text);

// Text of a Date: "yyyy-mm-dd", "hh:mm:ss", or both separated by a blank,
// depending on which parts it has.
std::string DateToText(Date d);

// Builds a Date from its parts; an impossible date raises 5.
Date MakeDate(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);

struct DateParts {
  int year, month, day, hour, minute, second, millisecond;
};
DateParts SplitDate(Date d);

// The current local date and time.
Date Now();

// Trims blanks (spaces only) from both ends, as the language's Trim does.
std::string Trim(std::string_view s);
// ASCII upper/lower case.
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
// Whether two texts are equal but for the case of ASCII letters.
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x == y) continue;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// --- operators -------------------------------------------------------------

// a + b: Null propagates; two Strings (or a String and Empty) concatenate; a
// String next to a number is converted to a number; Integer and Long widen on
// overflow; a Date plus a number is a Date.
Variant Add(const Variant& a, const Variant& b);
Variant Subtract(const Variant& a, const Variant& b);
Variant Multiply(const Variant& a, const Variant& b);
// a / b: always Double; division by zero raises 11.
Variant Divide(const Variant& a, const Variant& b);
// a & b: text concatenation; Null counts as "", but Null & Null is Null.
Variant Concat(const Variant& a, const Variant& b);

// Compares as the language does: Null on either side gives no answer
// (nullopt); numbers (Boolean, Date and Empty included) compare numerically;
// Strings compare by bytes; a String against a number is converted to a
// number (13 when it is not numeric); Empty against a String is "".
std::optional<int> Compare(const Variant& a, const Variant& b);
// Compare(a, b) == 0; Null on either side gives false.
bool Equals(const Variant& a, const Variant& b);

// --- template implementation ----------------------------------------------

[[noreturn]] void ThrowTypeMismatch();
[[noreturn]] void ThrowObjectNotSet();

template <class T>
std::shared_ptr<T> Variant::ObjectAs() const {
  if (type() != VarType::Object) ThrowTypeMismatch();
  const ObjectPtr& p = AsObject();
  if (!p) ThrowObjectNotSet();
  auto t = std::dynamic_pointer_cast<T>(p);
  if (!t) ThrowTypeMismatch();
  return t;
}

}  // namespace corvane

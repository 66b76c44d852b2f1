#include "values/variant.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "values/run_time_error.h"

namespace corvane {

void ThrowTypeMismatch() { throw RuntimeError(err::kTypeMismatch); }
void ThrowObjectNotSet() { throw RuntimeError(err::kObjectNotSet); }

namespace {

[[noreturn]] void ThrowNull() { throw RuntimeError(err::kInvalidUseOfNull); }
[[noreturn]] void ThrowOverflow() { throw RuntimeError(err::kOverflow); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// Day 0 of the automation date scale, 1899-12-30, counted from 1970-01-01.
constexpr int64_t kSerialEpoch = -25569;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Whether a decimal text that std::from_chars found out of a double's range
// is too large (rather than too small to be told from 0). from_chars leaves
// its result untouched then, so the C library reads the text again, under the
// "C" locale whatever locale the host has set.
bool IsTooLargeForDouble(const std::string& text) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return std::isinf(strtod_l(text.c_str(), nullptr, c_locale));
}

// Parses numeric text the way the automation language accepts it. Returns
// nullopt for anything that is not a complete number.
std::optional<double> ParseNumericText(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  s = s.substr(b, e - b);
  if (s.empty()) return std::nullopt;

  bool negative = false;
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') {
    negative = s[i] == '-';
    ++i;
    while (i < s.size() && IsBlank(s[i])) ++i;
  }
  if (i + 1 < s.size() && s[i] == '&' && (s[i + 1] == 'H' || s[i + 1] == 'h' ||
                                           s[i + 1] == 'O' || s[i + 1] == 'o')) {
    // &H hexadecimal or &O octal: at most 32 bits, read as a signed Long.
    const int base = (s[i + 1] == 'H' || s[i + 1] == 'h') ? 16 : 8;
    std::string_view digits = s.substr(i + 2);
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc() || p != digits.data() + digits.size() || value > 0xFFFFFFFFull)
      return std::nullopt;
    double r = value > 0x7FFFFFFF && base == 16 && digits.size() == 8
                   ? static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)))
                   : static_cast<double>(value);
    return negative ? -r : r;
  }

  // Decimal: digits [. digits] [E|D [sign] digits], at least one mantissa digit.
  std::string text;
  size_t mantissa_digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    text += s[i++];
    ++mantissa_digits;
  }
  if (i < s.size() && s[i] == '.') {
    text += s[i++];
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      text += s[i++];
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    text += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
    size_t exp_digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      text += s[i++];
      ++exp_digits;
    }
    if (exp_digits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double value = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (p != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    if (IsTooLargeForDouble(text)) ThrowOverflow();
    value = 0;
  } else if (ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

// Parses the date and time texts the system writes and reads:
// "yyyy-mm-dd", "yyyy/mm/dd", either followed by a blank or "T" and a time,
// or a time alone: "hh:mm", "hh:mm:ss", "hh:mm:ss.fff".
std::optional<Date> ParseDateText(std::string_view s) {
  std::string t = Trim(s);
  size_t i = 0;
  auto read_int = [&](int max_digits, int& out) {
    size_t start = i;
    int v = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) &&
           static_cast<int>(i - start) < max_digits) {
      v = v * 10 + (t[i] - '0');
      ++i;
    }
    out = v;
    return i > start;
  };
  int year = 1899, month = 12, day = 30;
  bool has_date = false;
  size_t save = i;
  int first = 0;
  if (read_int(4, first) && i - save == 4 && i < t.size() && (t[i] == '-' || t[i] == '/')) {
    const char sep = t[i++];
    year = first;
    if (!read_int(2, month) || i >= t.size() || t[i] != sep) return std::nullopt;
    ++i;
    if (!read_int(2, day)) return std::nullopt;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
      return std::nullopt;
    has_date = true;
    if (i == t.size()) return MakeDate(year, month, day);
    if (t[i] != ' ' && t[i] != 'T') return std::nullopt;
    while (i < t.size() && (t[i] == ' ' || t[i] == 'T')) ++i;
  } else {
    i = save;
  }
  int hour = 0, minute = 0, second = 0, millis = 0;
  if (!read_int(2, hour) || i >= t.size() || t[i] != ':') return std::nullopt;
  ++i;
  if (!read_int(2, minute)) return std::nullopt;
  if (i < t.size() && t[i] == ':') {
    ++i;
    if (!read_int(2, second)) return std::nullopt;
    if (i < t.size() && t[i] == '.') {
      ++i;
      size_t start = i;
      int frac = 0;
      if (!read_int(3, frac)) return std::nullopt;
      for (size_t n = i - start; n < 3; ++n) frac *= 10;
      millis = frac;
      while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    }
  }
  if (i != t.size()) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  if (!has_date) return MakeDate(1899, 12, 30, hour, minute, second + millis / 1000.0);
  return MakeDate(year, month, day, hour, minute, second + millis / 1000.0);
}

// Numeric rank for arithmetic: the narrowest type that holds the result.
enum class Rank { Integer, Long, Double, Date };

struct Operand {
  Rank rank;
  double d;     // the value as a double (always valid)
  int64_t i;    // the value as an integer (valid for Integer and Long)
};

Operand ToOperand(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return {Rank::Integer, 0, 0};
    case VarType::Boolean: return {Rank::Integer, v.AsBool() ? -1.0 : 0.0, v.AsBool() ? -1 : 0};
    case VarType::Integer: return {Rank::Integer, double(v.AsInteger()), v.AsInteger()};
    case VarType::Long: return {Rank::Long, double(v.AsLong()), v.AsLong()};
    case VarType::Double: return {Rank::Double, v.AsDouble(), 0};
    case VarType::Date: return {Rank::Date, v.AsDate().serial, 0};
    case VarType::String: return {Rank::Double, CDbl(v), 0};
    case VarType::Null: ThrowNull();
    default: ThrowTypeMismatch();
  }
}

// The integer result of an Integer/Long operation, widened as far as needed.
Variant IntegerResult(Rank rank, int64_t r) {
  if (rank == Rank::Integer && r >= INT16_MIN && r <= INT16_MAX)
    return Variant(static_cast<int16_t>(r));
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(static_cast<int32_t>(r));
  return Variant(static_cast<double>(r));
}

double CheckedDouble(double d) {
  if (!std::isfinite(d)) ThrowOverflow();
  return d;
}

enum class Op { Add, Subtract, Multiply };

Variant Arithmetic(Op op, const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const Operand x = ToOperand(a);
  const Operand y = ToOperand(b);
  const Rank rank = std::max(x.rank, y.rank);
  if (rank == Rank::Date && op != Op::Multiply) {
    // A date moved by a number of days stays a date; the distance between two
    // dates is a number of days.
    if (op == Op::Subtract && x.rank == Rank::Date && y.rank == Rank::Date)
      return Variant(CheckedDouble(x.d - y.d));
    const double r = op == Op::Add ? x.d + y.d : x.d - y.d;
    return Variant(Date{CheckedDouble(r)});
  }
  if (rank == Rank::Integer || rank == Rank::Long) {
    int64_t r = op == Op::Add ? x.i + y.i : op == Op::Subtract ? x.i - y.i : x.i * y.i;
    return IntegerResult(rank, r);
  }
  const double r = op == Op::Add ? x.d + y.d : op == Op::Subtract ? x.d - y.d : x.d * y.d;
  return Variant(CheckedDouble(r));
}

bool IsNumericLike(VarType t) {
  return t == VarType::Empty || t == VarType::Boolean || t == VarType::Integer ||
         t == VarType::Long || t == VarType::Double || t == VarType::Date;
}

int Sign(double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

}  // namespace

bool Variant::IsNothing() const { return type() == VarType::Object && !AsObject(); }

bool Variant::IsNumber() const {
  const VarType t = type();
  return t == VarType::Integer || t == VarType::Long || t == VarType::Double;
}

std::string Variant::TypeName() const {
  switch (type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Boolean: return "Boolean";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Date: return "Date";
    case VarType::Bytes: return "Byte()";
    case VarType::Object: return AsObject() ? "Object" : "Nothing";
  }
  return "Unknown";
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string LCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string NumberToText(double d) {
  if (d == 0) return "0";  // also -0
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  std::string s(buf, p);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

std::string PlainNumberText(double value) {
  std::string s = NumberToText(value);
  const size_t e = s.find('E');
  if (e == std::string::npos) return s;
  // Expand d.dddE+xx / d.dddE-xx into positional notation.
  const int exponent = std::stoi(s.substr(e + 1));
  std::string mantissa = s.substr(0, e);
  const bool negative = mantissa[0] == '-';
  if (negative) mantissa.erase(0, 1);
  std::string digits;
  int point = 0;
  for (char c : mantissa) {
    if (c == '.') {
      point = static_cast<int>(digits.size());
    } else {
      digits += c;
    }
  }
  if (mantissa.find('.') == std::string::npos) point = static_cast<int>(digits.size());
  point += exponent;
  std::string out;
  if (point <= 0) {
    out = "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= static_cast<int>(digits.size())) {
    out = digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    out = digits.substr(0, static_cast<size_t>(point)) + "." + digits.substr(static_cast<size_t>(point));
  }
  return negative ? "-" + out : out;
}

bool IsPlainDecimal(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0;
}

Date MakeDate(int year, int month, int day, int hour, int minute, double second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw RuntimeError(err::kInvalidCall);
  const int64_t days = DaysFromCivil(year, month, day) - kSerialEpoch;
  const double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Before day 0 the fraction still counts forward from midnight, so it is
  // stored with the sign of the day.
  return Date{days < 0 ? static_cast<double>(days) - frac : static_cast<double>(days) + frac};
}

DateParts SplitDate(Date d) {
  double days_part = std::trunc(d.serial);
  double frac = std::abs(d.serial - days_part);
  int64_t ms = std::llround(frac * 86400000.0);
  int64_t days = static_cast<int64_t>(days_part);
  if (ms >= 86400000) {  // rounding reached the next midnight
    ms -= 86400000;
    days += d.serial < 0 ? -1 : 1;
  }
  DateParts p{};
  CivilFromDays(days + kSerialEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string DateToText(Date d) {
  const DateParts p = SplitDate(d);
  char date[16], time[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", p.year, p.month, p.day);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  const bool has_time = p.hour || p.minute || p.second;
  const bool is_day_zero = p.year == 1899 && p.month == 12 && p.day == 30;
  if (is_day_zero) return time;
  if (!has_time) return date;
  return std::string(date) + " " + time;
}

Date Now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return MakeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                  tm.tm_sec + ms / 1000.0);
}

std::string CStr(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return {};
    case VarType::Null: ThrowNull();
    case VarType::Boolean: return v.AsBool() ? "True" : "False";
    case VarType::Integer: return std::to_string(v.AsInteger());
    case VarType::Long: return std::to_string(v.AsLong());
    case VarType::Double: return NumberToText(v.AsDouble());
    case VarType::String: return v.AsString();
    case VarType::Date: return DateToText(v.AsDate());
    default: ThrowTypeMismatch();
  }
}

double CDbl(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Null: ThrowNull();
    case VarType::Boolean: return v.AsBool() ? -1 : 0;
    case VarType::Integer: return v.AsInteger();
    case VarType::Long: return v.AsLong();
    case VarType::Double: return v.AsDouble();
    case VarType::Date: return v.AsDate().serial;
    case VarType::String: {
      auto d = ParseNumericText(v.AsString());
      if (!d) ThrowTypeMismatch();
      return *d;
    }
    default: ThrowTypeMismatch();
  }
}

namespace {
int64_t RoundHalfEvenInRange(double d, double lo, double hi) {
  if (!std::isfinite(d)) ThrowOverflow();
  double r = std::nearbyint(d);  // the default rounding mode rounds half to even
  if (r < lo || r > hi) ThrowOverflow();
  return static_cast<int64_t>(r);
}
}  // namespace

int32_t CLng(const Variant& v) {
  if (v.type() == VarType::Long) return v.AsLong();
  return static_cast<int32_t>(RoundHalfEvenInRange(CDbl(v), INT32_MIN, INT32_MAX));
}

int16_t CInt(const Variant& v) {
  if (v.type() == VarType::Integer) return v.AsInteger();
  return static_cast<int16_t>(RoundHalfEvenInRange(CDbl(v), INT16_MIN, INT16_MAX));
}

bool CBool(const Variant& v) {
  if (v.type() == VarType::Boolean) return v.AsBool();
  if (v.type() == VarType::String) {
    const std::string t = Trim(v.AsString());
    if (EqualsIgnoreCase(t, "True")) return true;
    if (EqualsIgnoreCase(t, "False")) return false;
  }
  return CDbl(v) != 0;
}

Date CDate(const Variant& v) {
  switch (v.type()) {
    case VarType::Date: return v.AsDate();
    case VarType::Null: ThrowNull();
    case VarType::String: {
      if (auto d = ParseDateText(v.AsString())) return *d;
      // A number in text form is a date serial, as the conversion also accepts.
      if (auto n = ParseNumericText(v.AsString())) return Date{*n};
      ThrowTypeMismatch();
    }
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: return Date{CDbl(v)};
    default: ThrowTypeMismatch();
  }
}

bool IsNumeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: return true;
    case VarType::String:
      try {
        return ParseNumericText(v.AsString()).has_value();
      } catch (const RuntimeError&) {
        return true;  // a number, only too large for a Double
      }
    default: return false;
  }
}

double Val(std::string_view text) {
  // Blanks, tabs and line feeds are skipped anywhere; the first other
  // character that cannot continue the number ends it.
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
  size_t i = 0;
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    uint64_t value = 0;
    auto [p, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), value, base);
    if (ec != std::errc() || value > 0xFFFFFFFFull) return 0;
    return base == 16 && value > 0x7FFFFFFF
               ? static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)))
               : static_cast<double>(value);
  }
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) num += s[i++], ++digits;
  if (i < s.size() && s[i] == '.') {
    num += s[i++];
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) num += s[i++], ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    size_t exp_digits = 0;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) exp += s[j++], ++exp_digits;
    if (exp_digits) num += exp;
  }
  double value = 0;
  const char* begin = num.data();
  if (*begin == '+') ++begin;
  auto [p, ec] = std::from_chars(begin, num.data() + num.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (IsTooLargeForDouble(num)) ThrowOverflow();
    value = 0;
  }
  return value;
}

double Val(const Variant& v) {
  if (v.IsNull()) ThrowNull();
  if (v.type() == VarType::String) return Val(std::string_view(v.AsString()));
  return Val(std::string_view(CStr(v)));
}

Variant Add(const Variant& a, const Variant& b) {
  const VarType ta = a.type(), tb = b.type();
  if (ta == VarType::Null || tb == VarType::Null) return Variant::Null();
  if (ta == VarType::String && (tb == VarType::String || tb == VarType::Empty))
    return Variant(a.AsString() + (tb == VarType::String ? b.AsString() : ""));
  if (tb == VarType::String && ta == VarType::Empty) return b;
  return Arithmetic(Op::Add, a, b);
}

Variant Subtract(const Variant& a, const Variant& b) { return Arithmetic(Op::Subtract, a, b); }
Variant Multiply(const Variant& a, const Variant& b) { return Arithmetic(Op::Multiply, a, b); }

Variant Divide(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const double x = ToOperand(a).d, y = ToOperand(b).d;
  if (y == 0) throw RuntimeError(x == 0 ? err::kOverflow : err::kDivisionByZero);
  return Variant(CheckedDouble(x / y));
}

Variant Concat(const Variant& a, const Variant& b) {
  if (a.IsNull() && b.IsNull()) return Variant::Null();
  return Variant((a.IsNull() ? std::string() : CStr(a)) + (b.IsNull() ? std::string() : CStr(b)));
}

std::optional<int> Compare(const Variant& a, const Variant& b) {
  const VarType ta = a.type(), tb = b.type();
  if (ta == VarType::Null || tb == VarType::Null) return std::nullopt;
  if ((ta == VarType::String || ta == VarType::Empty) &&
      (tb == VarType::String || tb == VarType::Empty) &&
      (ta == VarType::String || tb == VarType::String)) {
    const std::string& x = ta == VarType::String ? a.AsString() : std::string();
    const std::string& y = tb == VarType::String ? b.AsString() : std::string();
    const int c = x.compare(y);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if ((IsNumericLike(ta) || ta == VarType::String) && (IsNumericLike(tb) || tb == VarType::String))
    return Sign(CDbl(a) - CDbl(b));
  ThrowTypeMismatch();
}

bool Equals(const Variant& a, const Variant& b) {
  auto c = Compare(a, b);
  return c && *c == 0;
}

}  // namespace corvane

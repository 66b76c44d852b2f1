#include "values/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "values/run_time_error.h"

namespace corvane {
namespace {

bool IsDatePattern(std::string_view pattern) {
  bool has_date_letter = false;
  for (char c : pattern) {
    if (c == '0' || c == '#') return false;
    const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 'n' || l == 's') has_date_letter = true;
  }
  return has_date_letter;
}

// The magnitude of `value` rounded half away from zero to `decimals` places,
// working on its 15 significant decimal digits. Returns the digits of the
// integer part (at least "0") and exactly `decimals` fraction digits.
void RoundDecimal(double value, int decimals, std::string& int_digits, std::string& frac_digits) {
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, std::abs(value),
                               std::chars_format::scientific, 14);
  std::string text(buf, p);  // d.ddddddddddddddde[+-]XX
  const size_t e_pos = text.find('e');
  std::string digits = text.substr(0, 1) + text.substr(2, e_pos - 2);  // 15 digits
  const int exponent = std::stoi(text.substr(e_pos + 1));
  // digits represent 0.d1d2...d15 * 10^(exponent + 1)
  int point = exponent + 1;  // digits before the decimal point
  const int keep = point + decimals;
  if (keep < 0) {
    digits = "0";
    point = 1;
  } else if (keep < static_cast<int>(digits.size())) {
    const bool round_up = digits[keep] >= '5';
    digits.resize(keep);
    if (round_up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.insert(digits.begin(), '1');
        ++point;
      }
    }
  }
  // Place the decimal point.
  if (point <= 0) {
    digits.insert(0, static_cast<size_t>(-point) + 1, '0');
    point = 1;
  }
  if (static_cast<int>(digits.size()) < point + decimals)
    digits.append(point + decimals - digits.size(), '0');
  int_digits = digits.substr(0, point);
  frac_digits = digits.substr(point, decimals);
  const size_t nz = int_digits.find_first_not_of('0');
  int_digits = nz == std::string::npos ? "" : int_digits.substr(nz);
}

struct NumberPattern {
  std::string prefix, suffix;
  int min_int_digits = 0;
  int min_decimals = 0;
  int max_decimals = 0;
  bool grouping = false;
  bool has_point = false;
};

NumberPattern ParseNumberPattern(std::string_view pattern) {
  NumberPattern np;
  const size_t first = pattern.find_first_of("0#,.");
  const size_t last = pattern.find_last_of("0#,.");
  if (first == std::string_view::npos) {
    np.prefix = std::string(pattern);
    return np;
  }
  np.prefix = std::string(pattern.substr(0, first));
  np.suffix = std::string(pattern.substr(last + 1));
  bool after_point = false;
  for (char c : pattern.substr(first, last - first + 1)) {
    if (c == '.') {
      if (after_point) continue;
      after_point = true;
      np.has_point = true;
    } else if (c == ',') {
      if (!after_point) np.grouping = true;
    } else if (c == '0') {
      if (after_point) {
        ++np.max_decimals;
        // A "0" forces its place and every place before it ("0.#0" shows two).
        np.min_decimals = np.max_decimals;
      } else {
        ++np.min_int_digits;
      }
    } else if (c == '#') {
      if (after_point) ++np.max_decimals;
    }
  }
  return np;
}

}  // namespace

std::string FormatNumber(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return NumberToText(value);
  const NumberPattern np = ParseNumberPattern(pattern);
  std::string int_digits, frac_digits;
  RoundDecimal(value, np.max_decimals, int_digits, frac_digits);
  while (static_cast<int>(frac_digits.size()) > np.min_decimals && !frac_digits.empty() &&
         frac_digits.back() == '0')
    frac_digits.pop_back();
  if (static_cast<int>(int_digits.size()) < np.min_int_digits)
    int_digits.insert(0, np.min_int_digits - int_digits.size(), '0');
  if (np.grouping && int_digits.size() > 3) {
    std::string grouped;
    const size_t n = int_digits.size();
    for (size_t i = 0; i < n; ++i) {
      if (i > 0 && (n - i) % 3 == 0) grouped += ',';
      grouped += int_digits[i];
    }
    int_digits = grouped;
  }
  const bool is_zero = int_digits.find_first_not_of("0,") == std::string::npos &&
                       frac_digits.find_first_not_of('0') == std::string::npos;
  std::string out = np.prefix;
  if (value < 0 && !is_zero) out += '-';
  out += int_digits;
  if (np.has_point) out += '.';
  out += frac_digits;
  out += np.suffix;
  return out;
}

double RoundedAsShown(double value, int decimals) {
  std::string int_digits, frac_digits;
  RoundDecimal(value, std::max(decimals, 0), int_digits, frac_digits);
  if (int_digits.find_first_not_of('0') == std::string::npos &&
      frac_digits.find_first_not_of('0') == std::string::npos)
    return 0.0;  // "-0.00" shows as "0.00"
  std::string text = value < 0 ? "-" : "";
  text += int_digits.empty() ? "0" : int_digits;
  text += '.';
  text += frac_digits;
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

std::string FormatDate(Date value, std::string_view pattern) {
  const DateParts p = SplitDate(value);
  std::string out;
  bool after_hour = false;  // "m" right after an hour token means minutes
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[i + n])) == c)
      ++n;
    return n;
  };
  auto two = [](int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return std::string(b);
  };
  while (i < pattern.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t n = 0;
    switch (c) {
      case 'y':
        n = run('y');
        out += n >= 4 ? std::to_string(p.year) : two(p.year % 100);
        after_hour = false;
        break;
      case 'm': {
        n = run('m');
        // "mm" is minutes right after an hour or right before seconds.
        size_t j = i + n;
        while (j < pattern.size() && !std::isalpha(static_cast<unsigned char>(pattern[j]))) ++j;
        const bool before_seconds =
            j < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[j])) == 's';
        const int v = (after_hour || before_seconds) ? p.minute : p.month;
        out += n >= 2 ? two(v) : std::to_string(v);
        after_hour = false;
        break;
      }
      case 'd':
        n = run('d');
        out += n >= 2 ? two(p.day) : std::to_string(p.day);
        after_hour = false;
        break;
      case 'h':
        n = run('h');
        out += n >= 2 ? two(p.hour) : std::to_string(p.hour);
        after_hour = true;
        break;
      case 'n':
        n = run('n');
        out += n >= 2 ? two(p.minute) : std::to_string(p.minute);
        after_hour = false;
        break;
      case 's':
        n = run('s');
        out += n >= 2 ? two(p.second) : std::to_string(p.second);
        after_hour = false;
        break;
      default:
        out += pattern[i];
        n = 1;
        break;
    }
    i += n;
  }
  return out;
}

Variant Format(const Variant& value, std::string_view pattern) {
  if (value.IsNull()) return Variant::Null();
  if (value.IsEmpty()) return Variant(std::string());
  if (pattern.empty()) return Variant(CStr(value));
  if (IsDatePattern(pattern)) {
    if (value.type() == VarType::String) {
      try {
        return Variant(FormatDate(CDate(value), pattern));
      } catch (const RuntimeError&) {
        return value;
      }
    }
    return Variant(FormatDate(CDate(value), pattern));
  }
  if (value.type() == VarType::String && !IsNumeric(value)) return value;
  return Variant(FormatNumber(CDbl(value), pattern));
}

}  // namespace corvane

// Format: the text form of a value under a display pattern, as the ERP's
// automation language's Format function gives it for the patterns the system
// uses.
//
// Number patterns are built of "0" (a digit always shown), "#" (a digit shown
// when significant), "," (thousands grouping) and "." (the decimal point,
// shown even with no decimals after it); other characters before or after the
// placeholders are copied. Rounding is half away from zero on the 15-digit
// decimal form of the value, so 2.675 with "0.00" gives "2.68" although the
// double is slightly below 2.675.
//
// Date patterns use yyyy, yy, mm, m, dd, d, hh, h, nn, n, ss, s ("mm" right
// after an hour is minutes); other characters are copied.
#pragma once

#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

// Null gives Null and Empty gives ""; an empty pattern gives CStr(value); a
// text that does not fit the pattern's kind (not a number for a number
// pattern, not a date for a date pattern) comes back unchanged.
Variant Format(const Variant& value, std::string_view pattern);

// The number pattern applied to a double.
std::string FormatNumber(double value, std::string_view pattern);

// The number a finite double shows as with `decimals` places ("0.00" for
// two): rounded half away from zero on its 15-digit decimal form, as
// FormatNumber rounds, and read back.
double RoundedAsShown(double value, int decimals);

// The date pattern applied to a date.
std::string FormatDate(Date value, std::string_view pattern);

}  // namespace corvane

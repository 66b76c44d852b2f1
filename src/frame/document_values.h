// Values of an incoming document that go into SQL text: numbers written
// unquoted and dates. Each is checked before it can reach a statement, so a
// bad value fails only its own document, with a message that names the
// element and the value as they came.
#pragma once

#include <string>

#include "values/variant.h"

namespace corvane {

// The largest magnitude the account's amount and quantity columns hold:
// DECIMAL(28,10) keeps 18 digits before the decimal point.
inline constexpr int kMaxIntegerDigits = 18;

// The text of a number from element `element`, to be written as it came: a
// plain decimal number ("12", "-0.5", ".5"; no exponent, no grouping; a
// Double is written in its plain form). Text that is not one raises 13 with
// "<element> 的值不是数字：<text>"; a number with more than 18 digits before
// the point, which the column would store rounded, raises 6 with
// "<element> 的值超出范围：<text>". Digits beyond the tenth decimal place are
// kept: the server rounds them as it stores the value.
std::string DocumentNumberText(const Variant& value, const char* element, const char* source);

// The date of element `element`: a Date value, or text "yyyy-mm-dd" naming a
// real calendar day between 1753-01-01 and 9999-12-31 (what the account's
// DATETIME columns hold). Other text raises 13 with
// "<element> 的值不是日期：<text>", a day outside that range 6 with
// "<element> 的值超出范围：<text>".
Date DocumentDate(const Variant& value, const char* element, const char* source);

// Whether `d` lies within what the account's DATETIME columns hold.
bool IsAccountDate(Date d);

}  // namespace corvane

// Amounts as the ERP keeps them.
#pragma once

#include "values/variant.h"

namespace corvane {

// Rounds to `decimals` places the way amounts are shown: formatted with
// "#,##0." and that many zeros (half away from zero on the 15-digit decimal
// form), then read back as a Double. Null raises 94; text that is not a
// number raises 13.
double RoundAmount(const Variant& value, int decimals);

}  // namespace corvane

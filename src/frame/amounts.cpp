#include "frame/amounts.h"

#include <cmath>

#include "values/format.h"

namespace corvane {

double RoundAmount(const Variant& value, int decimals) {
  // A number rounds without the text: the same digits, read back alike.
  if (!value.IsNull() && !value.IsEmpty() && value.type() != VarType::String) {
    const double d = CDbl(value);
    if (std::isfinite(d)) return RoundedAsShown(d, decimals);
  }
  const std::string pattern = "#,##0." + std::string(static_cast<size_t>(std::max(decimals, 0)), '0');
  const Variant shown = Format(value, pattern);
  if (shown.IsNull()) return CDbl(shown);  // raises Invalid use of Null
  if (value.type() == VarType::String && !IsNumeric(value)) return CDbl(value);  // raises 13
  // The shown text has thousands separators; the number is read without them.
  std::string text = CStr(shown);
  std::erase(text, ',');
  return CDbl(Variant(text));
}

}  // namespace corvane

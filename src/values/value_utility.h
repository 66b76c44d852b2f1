// ValueUtility: the stateless helper of the value library. One object is kept
// per thread by the module state; it may be used only on that thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "values/registry_reader.h"
#include "values/variant.h"

namespace corvane {

class ValueUtility : public Object {
 public:
  // The value, or `fallback` when it is a database null (Null).
  Variant ValueOrDefault(const Variant& value, const Variant& fallback) const;

  // The template with "%1" replaced by CStr of the first value, "%2" by the
  // second, and so on, in one pass: a replacement text is never scanned again,
  // and "%12" with fewer than 12 values is "%1" followed by "2". A "%" not
  // followed by a number of a given value stays as it is.
  std::string FormatText(std::string_view text_template, const std::vector<Variant>& values) const;

  // A registry reader from the installed provider; without one, raises 429.
  std::shared_ptr<RegistryReader> Registry() const;
};

}  // namespace corvane

// Lets failed expectations show a Variant as its type and text.
#pragma once

#include <ostream>

#include "values/variant.h"

namespace corvane {

inline void PrintTo(const Variant& v, std::ostream* os) {
  *os << v.TypeName();
  const VarType t = v.type();
  if (t != VarType::Empty && t != VarType::Null && t != VarType::Bytes && t != VarType::Object)
    *os << " \"" << CStr(v) << '"';
}

}  // namespace corvane

// The criteria language of a record set's Filter, compiled once into a
// predicate over the rows of that record set.
//
//   criteria := clause { (AND | OR) clause }     AND binds tighter than OR
//   clause   := "(" criteria ")" | field op literal
//   field    := name | [name]                    matched without regard to case
//   op       := = | <> | < | > | <= | >= | LIKE
//   literal  := 'text' ('' inside for ') | #date# | number | NULL
//
// Text compares without regard to case and to trailing blanks, as the ERP's
// database compares it; a number or date literal compares numerically; LIKE
// takes * or % for any run of characters and _ or ? for one. Only "= NULL"
// and "<> NULL" match a Null field; every other comparison with Null fails.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "values/variant.h"

namespace corvane::db {

using Row = std::vector<Variant>;
using RowPredicate = std::function<bool(const Row&)>;

// Compiles `criteria` against the field names of a record set. Criteria that
// cannot be read, or that name an unknown field, raise 3001 with a
// description of what is wrong.
RowPredicate CompileFilter(std::string_view criteria, const std::vector<std::string>& field_names);

}  // namespace corvane::db

// Fuzz target: the Filter criteria of the record sets (CompileFilter), compiled
// against a record set's field names and run over rows holding every kind of
// value. Refusals come as RuntimeError (3001 for criteria that cannot be read,
// a conversion error while comparing); any other exception, a crash or a
// sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/record_filter.h"
#include "values/run_time_error.h"

namespace {

using corvane::Variant;

const std::vector<std::string>& FieldNames() {
  static const std::vector<std::string> names = {"FNumber", "FName", "FQty",  "FDate",
                                                 "FName",   "FFlag", "FStamp"};
  return names;
}

const std::vector<corvane::db::Row>& Rows() {
  static const std::vector<corvane::db::Row> rows = {
      {Variant("C001"), Variant("Acme"), Variant(5.0), Variant(corvane::MakeDate(2024, 1, 5)),
       Variant("x"), Variant(true), Variant(corvane::Bytes{0, 0, 0, 0, 0, 1, 7, 0xD1})},
      {Variant("O'Neil "), Variant::Null(), Variant(int32_t{-2}), Variant::Null(), Variant(""),
       Variant(false), Variant()},
      {Variant("12.5"), Variant("螺栓 M2"), Variant("not a number"), Variant("2024-02-30"),
       Variant(int32_t{0}), Variant::Null(), Variant(corvane::Bytes{})},
  };
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view criteria(reinterpret_cast<const char*>(data), size);
  try {
    const corvane::db::RowPredicate matches = corvane::db::CompileFilter(criteria, FieldNames());
    for (const corvane::db::Row& row : Rows()) matches(row);
  } catch (const corvane::RuntimeError&) {
    // refused criteria, or values that do not compare
  }
  return 0;
}

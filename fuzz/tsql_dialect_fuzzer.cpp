// Fuzz target: the T-SQL to SQLite dialect layer (TranslateTsql) on any text.
// Its contract says it throws nothing but std::bad_alloc and is a pure
// function: an exception, a crash, a sanitizer report, or two translations of
// one text that differ is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/tsql_dialect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view tsql(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> statements = corvane::db::TranslateTsql(tsql);
  if (corvane::db::TranslateTsql(tsql) != statements) __builtin_trap();
  return 0;
}

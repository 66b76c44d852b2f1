#include "platform/db/column_kind.h"

#include "values/variant.h"

namespace corvane::db {

ColumnKind KindOfDeclaredType(std::string_view declared) {
  using Kind = ColumnKind;
  if (declared.empty()) return Kind::ByStorage;
  const std::string t = UCase(declared);
  auto has = [&](const char* s) { return t.find(s) != std::string::npos; };
  if (has("TIMESTAMP") || has("ROWVERSION") || has("BINARY") || has("BLOB") || has("IMAGE"))
    return Kind::Blob;
  if (has("DATE") || has("TIME")) return Kind::DateTime;
  if (t == "BIT") return Kind::Boolean;
  if (has("INT")) return Kind::Integer;
  if (has("CHAR") || has("TEXT") || has("CLOB") || has("UNIQUEIDENTIFIER")) return Kind::Text;
  if (has("REAL") || has("FLOA") || has("DOUB") || has("DEC") || has("NUMERIC") || has("MONEY"))
    return Kind::Real;
  return Kind::ByStorage;
}

}  // namespace corvane::db

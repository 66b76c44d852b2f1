// Fuzz target: the T-SQL to SQLite dialect layer (TranslateTsql) and the
// statement shapes (ShapeStatement) on any text. Both are pure functions
// that throw nothing but std::bad_alloc: an exception, a crash, a sanitizer
// report, or two answers for one text that differ is a finding. The ?n of
// a shape must number its values, each once, in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/statement_shape.h"
#include "platform/db/tsql_dialect.h"
#include "platform/db/tsql_lexer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view tsql(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> statements = corvane::db::TranslateTsql(tsql);
  if (corvane::db::TranslateTsql(tsql) != statements) __builtin_trap();

  corvane::db::StatementShape shape, again;
  const bool shaped = corvane::db::ShapeStatement(tsql, shape);
  if (corvane::db::ShapeStatement(tsql, again) != shaped || again.text != shape.text ||
      again.values.size() != shape.values.size())
    __builtin_trap();
  if (!shaped && (shape.text != tsql || !shape.values.empty())) __builtin_trap();
  if (shaped) {
    (void)corvane::db::TranslateTsql(shape.text);  // a shape is a text like any other
    // Every ?n of the shape names a value, in order of appearance.
    std::vector<corvane::db::Lexeme> lexemes;
    corvane::db::LexTsql(shape.text, lexemes);
    size_t next = 1;
    for (const corvane::db::Lexeme& l : lexemes) {
      if (l.kind != corvane::db::TsqlKind::kParam) continue;
      if (shape.text.substr(l.begin + 1, l.end - l.begin - 1) != std::to_string(next++))
        __builtin_trap();
    }
    if (next - 1 != shape.values.size()) __builtin_trap();
  }
  return 0;
}

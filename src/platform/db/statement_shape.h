// Statement shapes: a T-SQL text with its literal values taken out as
// numbered parameters (?1, ?2, ...), so that texts that differ only in their
// values (a key lookup per ID, an INSERT per entry) share one translation and
// one compiled statement, and the values are bound when the statement runs.
//
// A literal becomes a parameter only where a bound value means exactly what
// the literal meant:
// - a number or string (N'...' included) that is one side of a comparison
//   (=, <>, !=, <, >, <=, >=), or an item of a VALUES (...) or IN (...) list;
//   a minus sign before a number goes with it;
// - followed by ",", ")", ";", the end, or a clause word (AND, OR, WHERE,
//   THEN, ...), so that it is no operand of +, - or || and no LIKE pattern;
// - outside every select list, so that the names and types of the columns
//   stay what the text gives them.
// So TOP n, ORDER BY ordinals, type lengths, LIKE patterns, concatenations
// and 0x.. literals stay in the text. A text that is no SELECT, INSERT,
// UPDATE, DELETE or WITH, or that holds a "?" of its own, is not shaped.
//
// Threads: pure functions; any thread may call them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::db {

struct ShapeValue {
  enum class Type : uint8_t { Integer, Real, Text };
  Type type = Type::Integer;
  int64_t integer = 0;
  double real = 0;
  std::string text;
};

struct StatementShape {
  std::string text;                // the text with ?n in place of its values
  std::vector<ShapeValue> values;  // the value of ?n at [n - 1]
};

// Fills `shape` from `tsql`. Answers false, with `shape.text` equal to the
// text and no values, when the text is to run as written.
bool ShapeStatement(std::string_view tsql, StatementShape& shape);

}  // namespace corvane::db

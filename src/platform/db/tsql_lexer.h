// The lexer of T-SQL text shared by the dialect translator and the statement
// shapes: it cuts a text into lexemes (offsets into the text, nothing copied)
// the way SQL Server reads it.
//
// - String literals are '...' and N'...' with a doubled quote inside; quoted
//   identifiers are "..." and [...]; comments are -- to the end of the line
//   and /* */, which nest. An unterminated string or identifier is one
//   kBroken lexeme to the end of the text.
// - Numbers are digits with an optional fraction and exponent; 0x.. is a
//   binary literal; a word is a keyword, an identifier, an @variable or a
//   #temp table; ?n (a question mark and digits) is a numbered parameter.
// - <=, >=, <>, !=, !<, !>, || and == are one operator each; every other
//   character is an operator of its own.
//
// Threads: a pure function; any thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::db {

enum class TsqlKind : uint8_t {
  kSpace,
  kComment,
  kWord,    // keyword, identifier, @variable, #temp
  kName,    // "quoted" or [bracketed] identifier
  kString,  // 'text' or N'text'
  kNumber,
  kBinary,  // 0x.. literal
  kParam,   // ?n
  kOp,
  kOpen,
  kClose,
  kComma,
  kSemicolon,
  kBroken,  // unterminated string or identifier: passed on untouched
};

struct Lexeme {
  TsqlKind kind;
  size_t begin;  // offsets into the text
  size_t end;
};

// Replaces `out` with the lexemes of `text`, in order; together they cover
// every character.
void LexTsql(std::string_view text, std::vector<Lexeme>& out);

// Whether a lexeme carries meaning (is neither blank nor comment).
inline bool IsSignificant(TsqlKind kind) {
  return kind != TsqlKind::kSpace && kind != TsqlKind::kComment;
}

// The first lexeme of a statement text after blanks and comments, in upper
// case ("SELECT"); "" when there is none.
std::string FirstWordOf(std::string_view text);

}  // namespace corvane::db

#include "platform/db/tsql_lexer.h"

#include <algorithm>
#include <iterator>

namespace corvane::db {
namespace {

// The classes of a character, looked up in one table: the lexer reads
// every character of every statement the component sends.
enum : uint8_t { kBlank = 1, kDigit = 2, kWordStart = 4, kWordPart = 8, kHex = 16 };

struct CharClasses {
  uint8_t of[256] = {};
  constexpr CharClasses() {
    for (int c : {' ', '\t', '\n', '\v', '\f', '\r'}) of[c] |= kBlank;
    for (int c = '0'; c <= '9'; ++c) of[c] |= kDigit | kWordPart | kHex;
    for (int c = 'a'; c <= 'z'; ++c) of[c] |= kWordStart | kWordPart;
    for (int c = 'A'; c <= 'Z'; ++c) of[c] |= kWordStart | kWordPart;
    for (int c = 'a'; c <= 'f'; ++c) of[c] |= kHex;
    for (int c = 'A'; c <= 'F'; ++c) of[c] |= kHex;
    for (int c : {'_', '@', '#'}) of[c] |= kWordStart | kWordPart;
    of[static_cast<int>('$')] |= kWordPart;
    for (int c = 0x80; c < 0x100; ++c) of[c] |= kWordStart | kWordPart;
  }
};
constexpr CharClasses kClasses;

bool Is(char c, uint8_t cls) { return (kClasses.of[static_cast<unsigned char>(c)] & cls) != 0; }
bool IsDigit(char c) { return Is(c, kDigit); }

// Advances `i` past a quoted run whose opening quote is already consumed; a
// doubled closing quote stands for itself. Returns false when the text ends
// first.
bool ScanQuoted(std::string_view s, size_t& i, char close) {
  while (i < s.size()) {
    if (s[i] != close) {
      ++i;
    } else if (i + 1 < s.size() && s[i + 1] == close) {
      i += 2;
    } else {
      ++i;
      return true;
    }
  }
  return false;
}

}  // namespace

void LexTsql(std::string_view s, std::vector<Lexeme>& out) {
  out.clear();
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const size_t from = i;
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    TsqlKind kind = TsqlKind::kOp;
    if (Is(c, kBlank)) {
      while (i < n && Is(s[i], kBlank)) ++i;
      kind = TsqlKind::kSpace;
    } else if (c == '-' && next == '-') {
      while (i < n && s[i] != '\n' && s[i] != '\r') ++i;
      kind = TsqlKind::kComment;
    } else if (c == '/' && next == '*') {
      // Block comments nest in T-SQL.
      int depth = 0;
      while (i < n) {
        if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      kind = TsqlKind::kComment;
    } else if (c == '\'' || ((c == 'N' || c == 'n') && next == '\'')) {
      i += c == '\'' ? 1 : 2;
      kind = ScanQuoted(s, i, '\'') ? TsqlKind::kString : TsqlKind::kBroken;
    } else if (c == '"' || c == '[') {
      ++i;
      kind = ScanQuoted(s, i, c == '"' ? '"' : ']') ? TsqlKind::kName : TsqlKind::kBroken;
    } else if (c == '0' && (next == 'x' || next == 'X')) {
      i += 2;
      while (i < n && Is(s[i], kHex)) ++i;
      kind = TsqlKind::kBinary;
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      auto digits = [&] {
        while (i < n && IsDigit(s[i])) ++i;
      };
      digits();
      if (i < n && s[i] == '.') {
        ++i;
        digits();
      }
      if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t k = i + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && IsDigit(s[k])) {
          i = k;
          digits();
        }
      }
      kind = TsqlKind::kNumber;
    } else if (c == '?' && IsDigit(next)) {
      ++i;
      while (i < n && IsDigit(s[i])) ++i;
      kind = TsqlKind::kParam;
    } else if (Is(c, kWordStart)) {
      while (i < n && Is(s[i], kWordPart)) ++i;
      kind = TsqlKind::kWord;
    } else if (c == '(' || c == ')' || c == ',' || c == ';') {
      ++i;
      kind = c == '('   ? TsqlKind::kOpen
             : c == ')' ? TsqlKind::kClose
             : c == ',' ? TsqlKind::kComma
                        : TsqlKind::kSemicolon;
    } else {
      static constexpr std::string_view kPairs[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "=="};
      const std::string_view two = s.substr(i, 2);
      i += std::find(std::begin(kPairs), std::end(kPairs), two) != std::end(kPairs) ? 2 : 1;
    }
    out.push_back(Lexeme{kind, from, i});
  }
}

std::string FirstWordOf(std::string_view text) {
  std::vector<Lexeme> lexemes;
  LexTsql(text, lexemes);
  for (const Lexeme& l : lexemes) {
    if (!IsSignificant(l.kind)) continue;
    std::string word(text.substr(l.begin, l.end - l.begin));
    for (char& c : word)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return word;
  }
  return {};
}

}  // namespace corvane::db

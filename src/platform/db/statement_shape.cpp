#include "platform/db/statement_shape.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "platform/db/tsql_lexer.h"

namespace corvane::db {
namespace {

using K = TsqlKind;

// SQLite's smallest limit on the number of parameters of one statement.
constexpr size_t kMaxValues = 999;

bool SameWord(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upper[i]) return false;
  }
  return true;
}

template <size_t N>
bool WordIn(std::string_view word, const std::string_view (&words)[N]) {
  return std::any_of(std::begin(words), std::end(words),
                     [&](std::string_view w) { return SameWord(word, w); });
}

constexpr std::string_view kShapedStarts[] = {"SELECT", "INSERT", "UPDATE", "DELETE", "WITH"};
constexpr std::string_view kComparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "==", "!<", "!>"};
// Words that may follow a complete operand of a comparison or list.
constexpr std::string_view kClauseWords[] = {
    "AND",   "OR",     "WHERE",  "ORDER",  "GROUP", "HAVING", "THEN",  "WHEN",
    "ELSE",  "END",    "FROM",   "UNION",  "EXCEPT", "INTERSECT", "COLLATE", "LIMIT",
    "SELECT", "INSERT", "UPDATE", "DELETE", "ON",    "JOIN",   "INNER", "LEFT",
    "RIGHT", "CROSS",  "FULL",   "OUTER"};
// Words that end the select list of the SELECT at their level.
constexpr std::string_view kSelectListEnds[] = {"FROM", "INTO",  "WHERE",  "GROUP",  "HAVING",
                                                "ORDER", "UNION", "EXCEPT", "INTERSECT", "LIMIT",
                                                "FOR",  "OPTION", "WINDOW"};

struct Level {
  bool select_list = false;         // between SELECT and the end of its list
  bool value_list = false;          // the parentheses of VALUES (...) or IN (...)
  bool last_closed_values = false;  // a VALUES row just closed at this level
};

bool IsWordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

// The value of a number lexeme; false when no bound value can stand for it
// exactly (an integer beyond 64 bits, a number beyond a double).
bool NumberValue(std::string_view text, bool negative, ShapeValue& value) {
  if (text.find_first_of(".eE") == std::string_view::npos) {
    uint64_t n = 0;
    for (char c : text) {
      const uint64_t digit = static_cast<uint64_t>(c - '0');
      if (n > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - digit) / 10)
        return false;
      n = n * 10 + digit;
    }
    value.type = ShapeValue::Type::Integer;
    value.integer = negative ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
    return true;
  }
  const std::string copy(text);
  const double d = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(d)) return false;
  value.type = ShapeValue::Type::Real;
  value.real = negative ? -d : d;
  return true;
}

void StringValue(std::string_view text, ShapeValue& value) {
  if (text.front() != '\'') text.remove_prefix(1);  // N'...'
  text = text.substr(1, text.size() - 2);
  value.type = ShapeValue::Type::Text;
  value.text.clear();
  value.text.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    value.text += text[i];
    if (text[i] == '\'') ++i;  // '' stands for one quote
  }
}

struct Replacement {
  size_t begin, end;  // the literal's characters in the text
};

}  // namespace

bool ShapeStatement(std::string_view tsql, StatementShape& shape) {
  // The values' strings keep their storage from one statement to the next.
  size_t values = 0;
  auto next_value = [&]() -> ShapeValue& {
    if (values == shape.values.size()) shape.values.emplace_back();
    return shape.values[values++];
  };
  thread_local std::vector<Lexeme> lexemes;
  thread_local std::vector<size_t> sig;  // indices of the significant lexemes
  LexTsql(tsql, lexemes);
  sig.reserve(lexemes.size());
  sig.clear();
  for (size_t i = 0; i < lexemes.size(); ++i) {
    const Lexeme& l = lexemes[i];
    if (!IsSignificant(l.kind)) continue;
    const std::string_view text = tsql.substr(l.begin, l.end - l.begin);
    // A "?" of the text's own would be taken for one of the shape's.
    if (l.kind == K::kParam || (l.kind == K::kOp && text == "?")) {
      sig.clear();
      break;
    }
    sig.push_back(i);
  }
  auto text_of = [&](size_t s) {
    const Lexeme& l = lexemes[sig[s]];
    return tsql.substr(l.begin, l.end - l.begin);
  };
  auto kind_of = [&](size_t s) { return lexemes[sig[s]].kind; };
  if (sig.empty() || kind_of(0) != K::kWord || !WordIn(text_of(0), kShapedStarts)) {
    shape.values.clear();
    shape.text.assign(tsql);
    return false;
  }

  thread_local std::vector<Level> levels;
  thread_local std::vector<Replacement> replacements;
  levels.assign(1, Level{});
  replacements.clear();
  for (size_t s = 0; s < sig.size(); ++s) {
    const K kind = kind_of(s);
    const std::string_view text = text_of(s);
    Level& level = levels.back();
    if (kind == K::kOpen) {
      const bool after_list_word =
          s > 0 && kind_of(s - 1) == K::kWord &&
          (SameWord(text_of(s - 1), "VALUES") || SameWord(text_of(s - 1), "IN"));
      const bool next_row = s > 0 && kind_of(s - 1) == K::kComma && level.last_closed_values;
      level.last_closed_values = false;
      levels.push_back(Level{false, after_list_word || next_row, false});
      continue;
    }
    if (kind == K::kClose) {
      if (levels.size() > 1) {
        const bool was_values = levels.back().value_list;
        levels.pop_back();
        levels.back().last_closed_values = was_values;
      }
      continue;
    }
    if (kind != K::kComma) level.last_closed_values = false;
    if (kind == K::kSemicolon) level.select_list = false;
    if (kind == K::kWord) {
      if (SameWord(text, "SELECT")) level.select_list = true;
      else if (WordIn(text, kSelectListEnds)) level.select_list = false;
      continue;
    }

    // A literal, or a minus sign and the number it negates.
    const bool negative = kind == K::kOp && text == "-" && s + 1 < sig.size() &&
                          kind_of(s + 1) == K::kNumber;
    if (kind != K::kString && kind != K::kNumber && !negative) continue;
    const size_t last = negative ? s + 1 : s;
    if (s == 0 || replacements.size() >= kMaxValues) continue;
    const K before = kind_of(s - 1);
    const bool operand =
        (before == K::kOp && WordIn(text_of(s - 1), kComparisons)) ||
        ((before == K::kOpen || before == K::kComma) && level.value_list);
    if (!operand) continue;
    if (last + 1 < sig.size()) {
      const K after = kind_of(last + 1);
      const bool ends = after == K::kComma || after == K::kClose || after == K::kSemicolon ||
                        (after == K::kWord && WordIn(text_of(last + 1), kClauseWords));
      if (!ends) continue;
    }
    if (std::any_of(levels.begin(), levels.end(), [](const Level& l) { return l.select_list; }))
      continue;
    ShapeValue& value = next_value();
    if (kind == K::kString) {
      StringValue(text, value);
    } else if (!NumberValue(text_of(last), negative, value)) {
      --values;  // the slot is used again
      continue;
    }
    replacements.push_back({lexemes[sig[s]].begin, lexemes[sig[last]].end});
    s = last;
  }

  shape.text.clear();
  shape.text.reserve(tsql.size() + 2 * replacements.size());
  size_t at = 0;
  for (size_t r = 0; r < replacements.size(); ++r) {
    shape.text.append(tsql, at, replacements[r].begin - at);
    char digits[20];
    size_t length = 0;
    for (size_t n = r + 1; n > 0; n /= 10) digits[length++] = static_cast<char>('0' + n % 10);
    shape.text += '?';
    while (length > 0) shape.text += digits[--length];
    at = replacements[r].end;
    // "16394AND": the parameter and a word that followed the literal stay apart.
    if (at < tsql.size() && IsWordChar(static_cast<unsigned char>(tsql[at]))) shape.text += ' ';
  }
  shape.text.append(tsql, at, std::string_view::npos);
  shape.values.resize(values);
  return !replacements.empty();
}

}  // namespace corvane::db

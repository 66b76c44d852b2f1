#include "platform/db/record_filter.h"

#include <cctype>
#include <memory>
#include <utility>
#include <vector>

#include "erpdb/sql_functions.h"
#include "frame/outside/connection.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

enum class Tok { Name, Text, Date, Number, Null, And, Or, Like, Op, LParen, RParen, End };

struct Token {
  Tok kind;
  std::string text;
};

[[noreturn]] void Bad(const std::string& why) {
  throw RuntimeError(err::kBadArguments, "Recordset.Filter", "Filter cannot be read: " + why);
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '(') {
      out.push_back({Tok::LParen, "("});
      ++i;
    } else if (c == ')') {
      out.push_back({Tok::RParen, ")"});
      ++i;
    } else if (c == '\'') {
      std::string text;
      ++i;
      while (true) {
        if (i >= s.size()) Bad("a text in quotes is not closed");
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += s[i++];
      }
      out.push_back({Tok::Text, text});
    } else if (c == '#') {
      const size_t end = s.find('#', i + 1);
      if (end == std::string_view::npos) Bad("a date in # is not closed");
      out.push_back({Tok::Date, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (c == '[') {
      const size_t end = s.find(']', i + 1);
      if (end == std::string_view::npos) Bad("a field name in [] is not closed");
      out.push_back({Tok::Name, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (c == '=' || c == '<' || c == '>') {
      std::string op(1, c);
      if (i + 1 < s.size() && (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) op += s[i + 1];
      out.push_back({Tok::Op, op});
      i += op.size();
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      size_t j = i + 1;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.' ||
                              ((s[j] == '-' || s[j] == '+') && (s[j - 1] == 'E' || s[j - 1] == 'e'))))
        ++j;
      std::string text(s.substr(i, j - i));
      if (!IsNumeric(Variant(text))) Bad("\"" + text + "\" is not a number");
      out.push_back({Tok::Number, text});
      i = j;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80) {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                              s[j] == '.' || static_cast<unsigned char>(s[j]) >= 0x80))
        ++j;
      std::string word(s.substr(i, j - i));
      const std::string upper = UCase(word);
      if (upper == "AND") {
        out.push_back({Tok::And, word});
      } else if (upper == "OR") {
        out.push_back({Tok::Or, word});
      } else if (upper == "LIKE") {
        out.push_back({Tok::Like, word});
      } else if (upper == "NULL") {
        out.push_back({Tok::Null, word});
      } else {
        out.push_back({Tok::Name, word});
      }
      i = j;
    } else {
      Bad(std::string("unexpected character '") + c + "'");
    }
  }
  out.push_back({Tok::End, ""});
  return out;
}

bool LikeMatch(std::string_view text, std::string_view pattern) {
  // Iterative wildcard match with backtracking to the last star.
  size_t t = 0, p = 0, star = std::string_view::npos, mark = 0;
  auto up = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == '_' || up(pattern[p]) == up(text[t]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) {
      star = p++;
      mark = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) ++p;
  return p == pattern.size();
}

bool Holds(int c, const std::string& op) {
  if (op == "=") return c == 0;
  if (op == "<>") return c != 0;
  if (op == "<") return c < 0;
  if (op == ">") return c > 0;
  if (op == "<=") return c <= 0;
  return c >= 0;  // ">="
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, const std::vector<std::string>& names)
      : tokens_(std::move(tokens)), names_(names) {}

  RowPredicate Parse() {
    RowPredicate p = Or();
    if (Peek().kind != Tok::End) Bad("unexpected \"" + Peek().text + "\"");
    return p;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  Token Next() { return tokens_[pos_++]; }

  RowPredicate Or() { return Run(Tok::Or, true, &Parser::And); }
  RowPredicate And() { return Run(Tok::And, false, &Parser::Clause); }

  // Terms joined by ORs (any = true) or by ANDs (any = false), tested left to right until one
  // decides. A run is one predicate over a list, not a chain of nested ones: a long run would
  // otherwise nest as deep as it is long, in the calls that test a row and in the ones that
  // free the predicate.
  RowPredicate Run(Tok joiner, bool any, RowPredicate (Parser::*term)()) {
    std::vector<RowPredicate> terms;
    terms.push_back((this->*term)());
    while (Peek().kind == joiner) {
      Next();
      terms.push_back((this->*term)());
    }
    if (terms.size() == 1) return std::move(terms.front());
    return [terms = std::move(terms), any](const Row& row) {
      for (const RowPredicate& t : terms)
        if (t(row) == any) return any;
      return !any;
    };
  }

  size_t FieldIndex(const std::string& name) {
    for (size_t i = 0; i < names_.size(); ++i)
      if (EqualsIgnoreCase(names_[i], name)) return i;
    Bad("no field named \"" + name + "\"");
  }

  RowPredicate Clause() {
    if (Peek().kind == Tok::LParen) {
      Next();
      if (++depth_ > kMaxDepth) Bad("parentheses nest deeper than " + std::to_string(kMaxDepth));
      RowPredicate inner = Or();
      --depth_;
      if (Next().kind != Tok::RParen) Bad("a \")\" is missing");
      return inner;
    }
    const Token field = Next();
    if (field.kind != Tok::Name) Bad("a field name is expected, not \"" + field.text + "\"");
    const size_t index = FieldIndex(field.text);
    const Token op = Next();
    if (op.kind != Tok::Op && op.kind != Tok::Like)
      Bad("a comparison is expected after \"" + field.text + "\"");
    const Token literal = Next();
    if (op.kind == Tok::Like) {
      if (literal.kind != Tok::Text) Bad("LIKE needs a text in quotes");
      return [index, pattern = literal.text](const Row& row) {
        const Variant& v = row[index];
        if (v.IsNull()) return false;
        return LikeMatch(CStr(v), pattern);
      };
    }
    const std::string oper = op.text;
    switch (literal.kind) {
      case Tok::Null:
        if (oper != "=" && oper != "<>") Bad("NULL can only be compared with = or <>");
        return [index, is_equal = oper == "="](const Row& row) {
          return row[index].IsNull() == is_equal;
        };
      case Tok::Number: {
        const double number = CDbl(Variant(literal.text));
        return [index, oper, number](const Row& row) {
          const Variant& v = row[index];
          if (v.IsNull() || (!IsNumeric(v) && v.type() != VarType::Date)) return false;
          const double d = CDbl(v);
          return Holds(d < number ? -1 : d > number ? 1 : 0, oper);
        };
      }
      case Tok::Date: {
        Date date;
        try {
          date = CDate(Variant(literal.text));
        } catch (const RuntimeError&) {
          Bad("#" + literal.text + "# is not a date");
        }
        return [index, oper, date](const Row& row) {
          const Variant& v = row[index];
          if (v.type() != VarType::Date) return false;
          const double d = v.AsDate().serial;
          return Holds(d < date.serial ? -1 : d > date.serial ? 1 : 0, oper);
        };
      }
      case Tok::Text:
        return [index, oper, text = literal.text](const Row& row) {
          const Variant& v = row[index];
          if (v.IsNull() || v.IsObject() || v.type() == VarType::Bytes) return false;
          // A number or date field compares with the text's number or date.
          if (v.IsNumber() && IsNumeric(Variant(text))) {
            const double a = CDbl(v), b = CDbl(Variant(text));
            return Holds(a < b ? -1 : a > b ? 1 : 0, oper);
          }
          if (v.type() == VarType::Date) {
            try {
              const double b = CDate(Variant(text)).serial, a = v.AsDate().serial;
              return Holds(a < b ? -1 : a > b ? 1 : 0, oper);
            } catch (const RuntimeError&) {
              return false;
            }
          }
          return Holds(erpdb::CompareErpText(CStr(v), text), oper);
        };
      default:
        Bad("a value is expected after \"" + oper + "\"");
    }
  }

  static constexpr int kMaxDepth = 64;
  std::vector<Token> tokens_;
  const std::vector<std::string>& names_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

RowPredicate CompileFilter(std::string_view criteria, const std::vector<std::string>& field_names) {
  return Parser(Tokenize(criteria), field_names).Parse();
}

}  // namespace corvane::db

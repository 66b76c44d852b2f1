#include "platform/db/tsql_dialect.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/tsql_lexer.h"

namespace corvane::db {
namespace {

// ---------------------------------------------------------------------------------------------
// Tokens

using Kind = TsqlKind;

struct Token {
  Kind kind;
  std::string text;
};

using Tokens = std::vector<Token>;

constexpr size_t kNone = static_cast<size_t>(-1);

Token Make(Kind kind, std::string text) { return Token{kind, std::move(text)}; }
Token Word(std::string text) { return Make(Kind::kWord, std::move(text)); }
Token Blank() { return Make(Kind::kSpace, " "); }

Tokens Tokenize(std::string_view s) {
  std::vector<Lexeme> lexemes;
  LexTsql(s, lexemes);
  Tokens out;
  out.reserve(lexemes.size());
  for (const Lexeme& l : lexemes)
    out.push_back(Make(l.kind, std::string(s.substr(l.begin, l.end - l.begin))));
  return out;
}

// ---------------------------------------------------------------------------------------------
// Token helpers

bool IsSig(const Token& t) { return IsSignificant(t.kind); }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return u;
}

bool IsWord(const Token& t, std::string_view upper_word) {
  return t.kind == Kind::kWord && Upper(t.text) == upper_word;
}

template <size_t N>
bool IsWordIn(const Token& t, const std::string_view (&words)[N]) {
  if (t.kind != Kind::kWord) return false;
  const std::string u = Upper(t.text);
  return std::find(std::begin(words), std::end(words), u) != std::end(words);
}

size_t NextSig(const Tokens& t, size_t i, size_t end) {
  for (size_t j = i + 1; j < end; ++j) {
    if (IsSig(t[j])) return j;
  }
  return kNone;
}
size_t NextSig(const Tokens& t, size_t i) { return NextSig(t, i, t.size()); }

// The first significant token of t; kNone when t holds none (an empty argument).
size_t FirstSig(const Tokens& t) { return !t.empty() && IsSig(t[0]) ? 0 : NextSig(t, 0); }

size_t PrevSig(const Tokens& t, size_t i) {
  for (size_t j = i; j-- > 0;) {
    if (IsSig(t[j])) return j;
  }
  return kNone;
}

size_t MatchingClose(const Tokens& t, size_t open, size_t end) {
  int depth = 0;
  for (size_t j = open; j < end; ++j) {
    if (t[j].kind == Kind::kOpen) ++depth;
    if (t[j].kind == Kind::kClose && --depth == 0) return j;
  }
  return kNone;
}

// Parenthesis depth of every token; a "(" and its ")" share the depth of their surroundings.
std::vector<int> Depths(const Tokens& t) {
  std::vector<int> depth(t.size());
  int cur = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind == Kind::kClose) cur = std::max(0, cur - 1);
    depth[i] = cur;
    if (t[i].kind == Kind::kOpen) ++cur;
  }
  return depth;
}

constexpr std::string_view kKeywords[] = {
    "ALL",       "AND",   "AS",       "ASC",    "BETWEEN", "BY",     "CASE",   "CROSS",
    "DELETE",    "DESC",  "DISTINCT", "ELSE",   "END",     "ESCAPE", "EXCEPT", "EXISTS",
    "FOR",       "FROM",  "FULL",     "GROUP",  "HAVING",  "IN",     "INNER",  "INSERT",
    "INTERSECT", "INTO",  "IS",       "JOIN",   "LEFT",    "LIKE",   "NOT",    "NULL",
    "ON",        "OR",    "ORDER",    "OUTER",  "RIGHT",   "SELECT", "SET",    "THEN",
    "TOP",       "UNION", "UPDATE",   "VALUES", "WHEN",    "WHERE",  "WITH"};

constexpr std::string_view kCompound[] = {"UNION", "EXCEPT", "INTERSECT"};

// Edits recorded against token positions of one pass, applied in one go.
struct Edits {
  explicit Edits(size_t n) : drop(n, false), before(n), after(n) {}
  std::vector<bool> drop;
  std::vector<Tokens> before;
  std::vector<Tokens> after;
};

Tokens Apply(const Tokens& t, const Edits& e) {
  Tokens out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    out.insert(out.end(), e.before[i].begin(), e.before[i].end());
    if (!e.drop[i]) out.push_back(t[i]);
    out.insert(out.end(), e.after[i].begin(), e.after[i].end());
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Lexical rewrites: N'text', [name], 0x.., !< and !>.

std::string BinaryLiteral(std::string_view digits) {
  const size_t width = digits.size() <= 16 ? 16 : digits.size() + digits.size() % 2;
  return "X'" + std::string(width - digits.size(), '0') + std::string(digits) + "'";
}

std::string BracketToQuoted(std::string_view bracketed) {
  std::string out = "\"";
  const std::string_view inner = bracketed.substr(1, bracketed.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == ']' && i + 1 < inner.size() && inner[i + 1] == ']') ++i;
    if (inner[i] == '"') out += '"';
    out += inner[i];
  }
  return out + "\"";
}

void RewriteLexical(Tokens& t) {
  for (Token& tok : t) {
    if (tok.kind == Kind::kString && tok.text[0] != '\'') {
      tok.text.erase(0, 1);
    } else if (tok.kind == Kind::kName && tok.text[0] == '[') {
      tok.text = BracketToQuoted(tok.text);
    } else if (tok.kind == Kind::kBinary && tok.text.size() > 2) {
      tok.text = BinaryLiteral(std::string_view(tok.text).substr(2));
    } else if (tok.kind == Kind::kOp && (tok.text == "!<" || tok.text == "!>")) {
      tok.text = tok.text == "!<" ? ">=" : "<=";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Statement splitting

constexpr std::string_view kStatementStarts[] = {"SELECT", "INSERT",  "UPDATE",  "DELETE",
                                                 "EXEC",   "EXECUTE", "TRUNCATE"};
// A statement keyword after one of these belongs to the statement before it.
constexpr std::string_view kJoiners[] = {"UNION", "EXCEPT", "INTERSECT", "ALL",    "AS",
                                         "ON",    "OF",     "AFTER",     "BEFORE", "INSTEAD",
                                         "FOR",   "OR",     "EXPLAIN"};
constexpr std::string_view kProcedural[] = {"IF", "BEGIN", "DECLARE", "WHILE"};

std::vector<Tokens> Split(const Tokens& t) {
  std::vector<Tokens> out(1);
  const Token* lead = nullptr;
  const Token* prev = nullptr;
  bool whole = false;                // procedural text: never split
  bool insert_needs_source = false;  // INSERT before its VALUES / SELECT / EXEC
  bool with_needs_body = false;      // WITH before the statement its tables serve
  int depth = 0;
  for (const Token& tok : t) {
    if (!IsSig(tok)) {
      out.back().push_back(tok);
      continue;
    }
    if (depth == 0 && !whole && lead != nullptr) {
      if (tok.kind == Kind::kSemicolon) {
        out.emplace_back();
        lead = prev = nullptr;
        continue;
      }
      if (IsWordIn(tok, kStatementStarts)) {
        const bool dml = !IsWord(tok, "TRUNCATE");
        bool continues = prev != nullptr && IsWordIn(*prev, kJoiners);
        if (insert_needs_source && !IsWord(tok, "INSERT") && !IsWord(tok, "UPDATE") &&
            !IsWord(tok, "DELETE") && dml) {
          continues = true;
        }
        if (with_needs_body && dml) continues = true;
        insert_needs_source = IsWord(tok, "INSERT");
        with_needs_body = false;
        if (!continues) {
          out.emplace_back();
          lead = prev = nullptr;
        }
      } else if (IsWord(tok, "VALUES") || IsWord(tok, "DEFAULT")) {
        insert_needs_source = false;
      } else if (IsWord(tok, "TRIGGER") && IsWord(*lead, "CREATE")) {
        whole = true;
      }
    }
    if (lead == nullptr && tok.kind != Kind::kSemicolon) {
      lead = &tok;
      whole = IsWordIn(tok, kProcedural);
      insert_needs_source = IsWord(tok, "INSERT");
      with_needs_body = IsWord(tok, "WITH");
    }
    if (tok.kind == Kind::kOpen) ++depth;
    if (tok.kind == Kind::kClose) depth = std::max(0, depth - 1);
    if (lead != nullptr) out.back().push_back(tok);
    prev = &tok;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Table hints: WITH (NOLOCK) and the older bare (NOLOCK) after a table name.

constexpr std::string_view kHints[] = {
    "NOLOCK",  "READUNCOMMITTED", "UPDLOCK",       "ROWLOCK",           "PAGLOCK",
    "TABLOCK", "TABLOCKX",        "HOLDLOCK",      "READPAST",          "XLOCK",
    "NOWAIT",  "SERIALIZABLE",    "READCOMMITTED", "READCOMMITTEDLOCK", "REPEATABLEREAD"};

bool IsHintGroup(const Tokens& t, size_t open, size_t close) {
  bool want_hint = true;
  for (size_t j = NextSig(t, open, close); j != kNone; j = NextSig(t, j, close)) {
    if (want_hint ? !IsWordIn(t[j], kHints) : t[j].kind != Kind::kComma) return false;
    want_hint = !want_hint;
  }
  return !want_hint;
}

Tokens RemoveTableHints(const Tokens& t) {
  Edits e(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    size_t open = kNone;
    size_t from = i;
    if (IsWord(t[i], "WITH")) {
      open = NextSig(t, i);
    } else if (t[i].kind == Kind::kOpen) {
      const size_t p = PrevSig(t, i);
      const bool after_table =
          p != kNone &&
          (t[p].kind == Kind::kName || (t[p].kind == Kind::kWord && !IsWordIn(t[p], kKeywords)));
      if (after_table) open = i;
    }
    if (open == kNone || t[open].kind != Kind::kOpen) continue;
    // Only a group that opens with a hint is looked at whole: the arguments of every call
    // would otherwise be scanned once for each call they sit in.
    const size_t first = NextSig(t, open);
    if (first == kNone || !IsWordIn(t[first], kHints)) continue;
    const size_t close = MatchingClose(t, open, t.size());
    if (close == kNone || !IsHintGroup(t, open, close)) continue;
    for (size_t j = from; j <= close; ++j) e.drop[j] = true;
    i = close;
  }
  return Apply(t, e);
}

// ---------------------------------------------------------------------------------------------
// Functions: ISNULL, LEN, CHARINDEX, CONVERT, CAST.

Tokens TrimSpace(Tokens t) {
  while (!t.empty() && t.back().kind == Kind::kSpace) t.pop_back();
  size_t lead = 0;
  while (lead < t.size() && t[lead].kind == Kind::kSpace) ++lead;
  t.erase(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(lead));
  return t;
}

void Append(Tokens& out, const Tokens& more) { out.insert(out.end(), more.begin(), more.end()); }

bool IsDigits(const Token& t) {
  return t.kind == Kind::kNumber &&
         std::all_of(t.text.begin(), t.text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Whether `type` is a type as CONVERT and CAST take it: a name, optionally followed by (n),
// (n,m) or (max) with n and m plain digits. Anything else is not a type this layer knows.
bool IsTypeForm(const Tokens& type) {
  std::vector<const Token*> sig;
  for (const Token& tok : type) {
    if (IsSig(tok)) sig.push_back(&tok);
  }
  if (sig.empty() || sig[0]->kind != Kind::kWord) return false;
  if (sig.size() == 1) return true;
  if (sig[1]->kind != Kind::kOpen || sig.back()->kind != Kind::kClose) return false;
  if (sig.size() == 4) return IsDigits(*sig[2]) || IsWord(*sig[2], "MAX");
  return sig.size() == 6 && IsDigits(*sig[2]) && sig[3]->kind == Kind::kComma && IsDigits(*sig[4]);
}

// SQLite form of `value` converted to the T-SQL type `type`.
std::optional<Tokens> CastTo(const Tokens& type, const Tokens& value) {
  if (!IsTypeForm(type) || FirstSig(value) == kNone) return std::nullopt;
  const std::string name = Upper(type[FirstSig(type)].text);
  struct Family {
    std::string_view sqlite;
    std::vector<std::string_view> tsql;
  };
  static const Family kFamilies[] = {
      {"TEXT",
       {"CHAR", "VARCHAR", "NCHAR", "NVARCHAR", "TEXT", "NTEXT", "UNIQUEIDENTIFIER", "SYSNAME"}},
      {"INTEGER", {"BIT", "TINYINT", "SMALLINT", "INT", "BIGINT"}},
      {"REAL", {"FLOAT", "REAL"}},
      {"NUMERIC", {"DECIMAL", "NUMERIC", "MONEY", "SMALLMONEY"}},
      {"BLOB", {"BINARY", "VARBINARY", "IMAGE", "TIMESTAMP", "ROWVERSION"}},
      {"", {"DATETIME", "SMALLDATETIME", "DATETIME2"}},  // stored as text: keep the value
      {"date", {"DATE"}},                                // date(x) drops the time of day
  };
  for (const Family& f : kFamilies) {
    if (std::find(f.tsql.begin(), f.tsql.end(), name) == f.tsql.end()) continue;
    Tokens out;
    if (f.sqlite.empty() || f.sqlite == "date") {
      if (!f.sqlite.empty()) out.push_back(Word(std::string(f.sqlite)));
      out.push_back(Make(Kind::kOpen, "("));
      Append(out, value);
      out.push_back(Make(Kind::kClose, ")"));
    } else {
      out = {Word("CAST"), Make(Kind::kOpen, "(")};
      Append(out, value);
      Append(out,
             {Blank(), Word("AS"), Blank(), Word(std::string(f.sqlite)), Make(Kind::kClose, ")")});
    }
    return out;
  }
  return std::nullopt;
}

std::optional<Tokens> RewriteCall(const std::string& name, const std::vector<Tokens>& args) {
  auto call = [](std::string fn, std::initializer_list<const Tokens*> parts) {
    Tokens out = {Word(std::move(fn)), Make(Kind::kOpen, "(")};
    bool first = true;
    for (const Tokens* p : parts) {
      if (!first) Append(out, {Make(Kind::kComma, ","), Blank()});
      Append(out, *p);
      first = false;
    }
    out.push_back(Make(Kind::kClose, ")"));
    return out;
  };
  // A call with an empty argument is a syntax error: it goes through as written, for the
  // database to name.
  for (const Tokens& a : args)
    if (FirstSig(a) == kNone) return std::nullopt;
  if (name == "LEN" && args.size() == 1) {
    const Tokens rtrim = call("RTRIM", {&args[0]});
    return call("LENGTH", {&rtrim});
  }
  if (name == "CHARINDEX" && args.size() == 2) {
    // The server's text search ignores letter case, as its comparisons do.
    const Tokens haystack = call("UPPER", {&args[1]});
    const Tokens needle = call("UPPER", {&args[0]});
    return call("INSTR", {&haystack, &needle});
  }
  if (name == "CONVERT" && args.size() == 2) return CastTo(args[0], args[1]);
  if (name == "CONVERT" && args.size() == 3) {
    // A date in one of the canonical styles (ODBC 20/120, 21/121, ISO 23) is
    // text in the form the account stores: the style changes nothing here.
    std::vector<const Token*> style;
    for (const Token& tok : args[2])
      if (IsSig(tok)) style.push_back(&tok);
    static constexpr std::string_view kCanonical[] = {"20", "120", "21", "121", "23"};
    const bool canonical = style.size() == 1 && IsDigits(*style[0]) &&
                           std::find(std::begin(kCanonical), std::end(kCanonical),
                                     style[0]->text) != std::end(kCanonical);
    const std::string type = Upper(args[0][FirstSig(args[0])].text);  // never empty here
    if (canonical && (type == "DATETIME" || type == "SMALLDATETIME" || type == "DATETIME2"))
      return CastTo(args[0], args[1]);
  }
  if (name == "CAST" && args.size() == 1) {
    const Tokens& a = args[0];
    for (size_t j = a.size(); j-- > 0;) {
      if (!IsWord(a[j], "AS")) continue;
      if (Depths(a)[j] != 0) break;
      return CastTo(TrimSpace(Tokens(a.begin() + static_cast<std::ptrdiff_t>(j) + 1, a.end())),
                    TrimSpace(Tokens(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(j))));
    }
  }
  return std::nullopt;
}

// Calls of the rewritten functions nested deeper than this are passed through as written:
// far beyond any statement the component or a Filter writes, and it keeps the recursion and
// the copies of each level's arguments to a small multiple of the text on hostile input.
constexpr int kMaxCallNesting = 32;

Tokens RewriteFunctions(const Tokens& t, size_t begin, size_t end, int nesting = 0) {
  Tokens out;
  for (size_t i = begin; i < end; ++i) {
    if (t[i].kind == Kind::kWord) {
      const std::string name = Upper(t[i].text);
      const size_t open = NextSig(t, i, end);
      const bool is_call = open != kNone && t[open].kind == Kind::kOpen;
      if (is_call && name == "ISNULL") {
        out.push_back(Word("IFNULL"));
        continue;
      }
      const bool rewritten_name =
          name == "LEN" || name == "CHARINDEX" || name == "CONVERT" || name == "CAST";
      const size_t close = is_call && rewritten_name && nesting < kMaxCallNesting
                               ? MatchingClose(t, open, end)
                               : kNone;
      if (close != kNone) {
        // Each argument is rewritten once, as written; a call that stays as it is gets its
        // rewritten arguments back in place (scanning them again would double the work at
        // every level of nesting).
        std::vector<Tokens> parts;
        std::vector<size_t> commas;
        int depth = 0;
        size_t from = open + 1;
        for (size_t j = open + 1; j <= close; ++j) {
          if (j == close || (depth == 0 && t[j].kind == Kind::kComma)) {
            parts.push_back(RewriteFunctions(t, from, j, nesting + 1));
            if (j != close) commas.push_back(j);
            from = j + 1;
          } else if (t[j].kind == Kind::kOpen) {
            ++depth;
          } else if (t[j].kind == Kind::kClose) {
            --depth;
          }
        }
        std::vector<Tokens> args;
        args.reserve(parts.size());
        for (const Tokens& part : parts) args.push_back(TrimSpace(part));
        if (std::optional<Tokens> rewritten = RewriteCall(name, args)) {
          Append(out, *rewritten);
        } else {
          out.insert(out.end(), t.begin() + static_cast<std::ptrdiff_t>(i),
                     t.begin() + static_cast<std::ptrdiff_t>(open) + 1);
          for (size_t k = 0; k < parts.size(); ++k) {
            out.insert(out.end(), std::make_move_iterator(parts[k].begin()),
                       std::make_move_iterator(parts[k].end()));
            if (k < commas.size()) out.push_back(t[commas[k]]);
          }
          out.push_back(t[close]);
        }
        i = close;
        continue;
      }
    }
    out.push_back(t[i]);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// SELECT heads: [ALL | DISTINCT] [TOP n | TOP (expr) [PERCENT] [WITH TIES]]

struct SelectHead {
  size_t top = kNone;        // the TOP word
  size_t count_end = kNone;  // last token of n or of (expr)
  bool limit_ok = false;     // TOP that LIMIT expresses
  size_t list = kNone;       // first token of the select list
};

SelectHead ParseHead(const Tokens& t, size_t select) {
  SelectHead h;
  size_t k = NextSig(t, select);
  if (k != kNone && (IsWord(t[k], "ALL") || IsWord(t[k], "DISTINCT"))) k = NextSig(t, k);
  if (k != kNone && IsWord(t[k], "TOP")) {
    h.top = k;
    k = NextSig(t, k);
    if (k == kNone) return h;
    if (IsDigits(t[k])) {
      h.count_end = k;
    } else if (t[k].kind == Kind::kOpen) {
      h.count_end = MatchingClose(t, k, t.size());
    }
    if (h.count_end == kNone) return h;
    h.limit_ok = true;
    k = NextSig(t, h.count_end);
    if (k != kNone && IsWord(t[k], "PERCENT")) {
      h.limit_ok = false;
      k = NextSig(t, k);
    }
    if (k != kNone && IsWord(t[k], "WITH")) {
      const size_t ties = NextSig(t, k);
      if (ties != kNone && IsWord(t[ties], "TIES")) {
        h.limit_ok = false;
        k = NextSig(t, ties);
      }
    }
  }
  h.list = k;
  return h;
}

// ---------------------------------------------------------------------------------------------
// SELECT alias = expression  ->  SELECT expression AS alias

Tokens RewriteSelectAliases(const Tokens& t) {
  static constexpr std::string_view kListEnds[] = {
      "FROM",   "INTO", "WHERE",  "GROUP", "HAVING", "ORDER",  "UNION",  "EXCEPT", "INTERSECT",
      "OPTION", "FOR",  "WINDOW", "LIMIT", "SELECT", "INSERT", "UPDATE", "DELETE"};
  const std::vector<int> depth = Depths(t);
  Edits e(t.size());
  for (size_t s = 0; s < t.size(); ++s) {
    if (!IsWord(t[s], "SELECT")) continue;
    const int d = depth[s];
    size_t k = ParseHead(t, s).list;
    while (k != kNone) {
      size_t end = k;
      while (end < t.size()) {
        const Token& tok = t[end];
        if (tok.kind == Kind::kClose && depth[end] < d) break;
        if (depth[end] == d && (tok.kind == Kind::kComma || tok.kind == Kind::kSemicolon ||
                                IsWordIn(tok, kListEnds))) {
          break;
        }
        ++end;
      }
      const Token& alias = t[k];
      const bool alias_ok =
          alias.kind == Kind::kName || alias.kind == Kind::kString ||
          (alias.kind == Kind::kWord && alias.text[0] != '@' && !IsWordIn(alias, kKeywords));
      const size_t eq = NextSig(t, k, end);
      const size_t expr = eq == kNone ? kNone : NextSig(t, eq, end);
      if (alias_ok && expr != kNone && t[eq].kind == Kind::kOp && t[eq].text == "=") {
        for (size_t j = k; j < expr; ++j) e.drop[j] = true;
        Append(e.after[PrevSig(t, end)], {Blank(), Word("AS"), Blank(), alias});
      }
      if (end >= t.size() || t[end].kind != Kind::kComma) break;
      k = NextSig(t, end);
    }
  }
  return Apply(t, e);
}

// ---------------------------------------------------------------------------------------------
// String concatenation: within a run of "+" at one parenthesis level, a string literal operand
// makes the whole run a "||" run.

void RewriteStringConcat(Tokens& t) {
  struct Run {
    std::vector<size_t> plus;
    bool text = false;
  };
  std::vector<Run> runs(1);
  auto close_run = [&](Run& run) {
    if (run.text) {
      for (size_t p : run.plus) t[p].text = "||";
    }
    run = Run{};
  };
  for (size_t i = 0; i < t.size(); ++i) {
    const Token& tok = t[i];
    if (!IsSig(tok)) continue;
    if (tok.kind == Kind::kOpen) {
      runs.emplace_back();
    } else if (tok.kind == Kind::kClose) {
      close_run(runs.back());
      if (runs.size() > 1) runs.pop_back();
    } else if (tok.kind == Kind::kOp && tok.text == "+") {
      const size_t p = PrevSig(t, i);
      const size_t q = NextSig(t, i);
      runs.back().plus.push_back(i);
      if ((p != kNone && t[p].kind == Kind::kString) ||
          (q != kNone && t[q].kind == Kind::kString)) {
        runs.back().text = true;
      }
    } else {
      const size_t q = NextSig(t, i);
      const bool function_word =
          (IsWord(tok, "LEFT") || IsWord(tok, "RIGHT")) && q != kNone && t[q].kind == Kind::kOpen;
      const bool operand = tok.kind == Kind::kString || tok.kind == Kind::kName ||
                           tok.kind == Kind::kNumber || tok.kind == Kind::kBinary ||
                           (tok.kind == Kind::kOp && tok.text == ".") ||
                           (tok.kind == Kind::kWord &&
                            (IsWord(tok, "NULL") || function_word || !IsWordIn(tok, kKeywords)));
      if (!operand) close_run(runs.back());
    }
  }
  while (!runs.empty()) {
    close_run(runs.back());
    runs.pop_back();
  }
}

// ---------------------------------------------------------------------------------------------
// SELECT TOP n -> LIMIT n at the end of that SELECT.

Tokens RewriteTop(const Tokens& t) {
  const std::vector<int> depth = Depths(t);
  Edits e(t.size());
  for (size_t s = t.size(); s-- > 0;) {
    if (!IsWord(t[s], "SELECT")) continue;
    const SelectHead h = ParseHead(t, s);
    if (!h.limit_ok) continue;
    const int d = depth[s];
    size_t end = s + 1;
    while (end < t.size() && !(t[end].kind == Kind::kClose && depth[end] < d) &&
           !(depth[end] == d && (t[end].kind == Kind::kSemicolon || IsWordIn(t[end], kCompound)))) {
      ++end;
    }
    size_t before = PrevSig(t, s);
    if (before != kNone && (IsWord(t[before], "ALL") || IsWord(t[before], "DISTINCT"))) {
      before = PrevSig(t, before);
    }
    const bool later_arm = before != kNone && IsWordIn(t[before], kCompound);
    const bool compound = later_arm || (end < t.size() && IsWordIn(t[end], kCompound));
    if (compound && (end >= t.size() || !IsWordIn(t[end], kCompound))) {
      // The last arm ends where the ORDER BY of the whole compound begins.
      for (size_t j = s + 1; j < end; ++j) {
        const size_t by = NextSig(t, j);
        if (depth[j] == d && IsWord(t[j], "ORDER") && by != kNone && IsWord(t[by], "BY")) {
          end = j;
          break;
        }
      }
    }

    Tokens limit = {Blank(), Word("LIMIT"), Blank()};
    const size_t count = NextSig(t, h.top);
    const size_t inner = t[count].kind == Kind::kOpen ? NextSig(t, count) : kNone;
    if (inner != kNone && t[inner].kind == Kind::kNumber && NextSig(t, inner) == h.count_end) {
      limit.push_back(t[inner]);  // TOP (5) -> LIMIT 5
    } else {
      limit.insert(limit.end(), t.begin() + static_cast<std::ptrdiff_t>(count),
                   t.begin() + static_cast<std::ptrdiff_t>(h.count_end) + 1);
    }
    for (size_t j = h.top; j <= h.count_end; ++j) e.drop[j] = true;
    for (size_t j = h.count_end + 1; j < t.size() && t[j].kind == Kind::kSpace; ++j) {
      e.drop[j] = true;
    }
    const size_t last = PrevSig(t, end);
    if (compound) {
      e.before[s] = {Word("SELECT"), Blank(), Make(Kind::kOp, "*"),  Blank(),
                     Word("FROM"),   Blank(), Make(Kind::kOpen, "(")};
      limit.push_back(Make(Kind::kClose, ")"));
    }
    Append(e.after[last], limit);
  }
  return Apply(t, e);
}

// ---------------------------------------------------------------------------------------------

std::string Render(const Tokens& t) {
  std::string out;
  for (size_t i = 0; i < t.size(); ++i) {
    out += t[i].text;
    // "16394AND": SQL Server reads digits and a keyword as two tokens, SQLite refuses them glued.
    const bool literal =
        t[i].kind == Kind::kNumber || t[i].kind == Kind::kBinary || t[i].kind == Kind::kParam;
    if (literal && i + 1 < t.size() && t[i + 1].kind == Kind::kWord) out += ' ';
  }
  return out;
}

}  // namespace

std::vector<std::string> TranslateTsql(std::string_view tsql) {
  Tokens tokens = Tokenize(tsql);
  RewriteLexical(tokens);
  std::vector<std::string> statements;
  for (Tokens& statement : Split(tokens)) {
    statement = TrimSpace(std::move(statement));
    if (std::none_of(statement.begin(), statement.end(), IsSig)) continue;
    statement = RemoveTableHints(statement);
    statement = RewriteFunctions(statement, 0, statement.size());
    statement = RewriteSelectAliases(statement);
    RewriteStringConcat(statement);
    statement = RewriteTop(statement);
    statements.push_back(Render(statement));
  }
  return statements;
}

}  // namespace corvane::db

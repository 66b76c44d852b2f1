#include "frame/filter_condition.h"

#include <string>

#include "frame/messages.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

// How deep a condition's parentheses may nest: far beyond a written
// condition, and a bound on the work of translating the statement.
constexpr int kMaxDepth = 64;

// Moves `i` past a quoted run whose opening quote is at `i`; a doubled closing
// quote stands for itself. False when the text ends first.
bool SkipQuoted(std::string_view s, size_t& i, char close) {
  for (++i; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (i + 1 < s.size() && s[i + 1] == close) {
      ++i;
    } else {
      ++i;
      return true;
    }
  }
  return false;
}

// Why `filter` is not one condition (a message key), or nullptr when it is.
const char* Fault(std::string_view filter) {
  if (filter.find('\0') != std::string_view::npos) return MessageKey("含有零字符");
  int depth = 0;
  size_t i = 0;
  while (i < filter.size()) {
    const char c = filter[i];
    const char next = i + 1 < filter.size() ? filter[i + 1] : '\0';
    if (c == '\'' || c == '"' || c == '[') {
      if (!SkipQuoted(filter, i, c == '[' ? ']' : c)) return MessageKey("引号或方括号未闭合");
      continue;
    }
    if (c == ']') return MessageKey("方括号 ] 前没有对应的 [");
    if (c == ';') return MessageKey("引号外有语句分隔符 ;");
    if ((c == '-' && next == '-') || (c == '/' && next == '*'))
      return MessageKey("引号外有注释 -- 或 /*");
    if (c == '(' && ++depth > kMaxDepth) return MessageKey("括号嵌套超过 64 层");
    if (c == ')' && --depth < 0) return MessageKey("右括号 ) 多于此前的左括号 (");
    ++i;
  }
  if (depth > 0) return MessageKey("左括号 ( 未闭合");
  return nullptr;
}

}  // namespace

void CheckFilterCondition(std::string_view filter) {
  const char* fault = Fault(filter);
  if (!fault) return;
  throw RuntimeError(
      err::kInvalidCall, {},
      FormatMessageText("筛选条件必须是单个条件：%1。筛选条件：%2",
                        {Variant(GetMessageText(fault)), Variant(std::string(filter))}));
}

}  // namespace corvane

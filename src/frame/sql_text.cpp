#include "frame/sql_text.h"

namespace corvane {

std::string SqlQuoteInner(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string SqlLiteral(std::string_view value) { return "'" + SqlQuoteInner(value) + "'"; }

}  // namespace corvane

// Values put into SQL text. All SQL is plain text; a value between single
// quotes has each of its single quotes doubled, so a customer number such as
// O'Neil is found as it is and can never end the literal early.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// The value with every ' doubled, to be put between single quotes.
std::string SqlQuoteInner(std::string_view value);

// The value as a complete SQL text literal: '...' with ' doubled inside.
std::string SqlLiteral(std::string_view value);

}  // namespace corvane

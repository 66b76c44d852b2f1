// A lookup of the query classes on a connection of its own: one text column
// of the first row a statement answers.
#pragma once

#include <string>

namespace corvane {

// Runs `sql` on a connection of its own to the call's account and answers
// `column` of the first row as text (Null as ""); "" when there is no row
// or the lookup fails. Never raises.
std::string LookUpText(const std::string& sql, const char* column) noexcept;

}  // namespace corvane

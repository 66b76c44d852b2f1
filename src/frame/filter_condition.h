// The Filter option of the exchange classes: the host's own SQL condition,
// put as it is between parentheses into the statement that selects a page.
// It must stay one condition inside those parentheses, so before any SQL runs
// a value is refused (error 5, with a message that says why and shows the
// value) when, outside string literals ('...', N'...') and quoted names
// ("..." and [...]), it holds a statement separator ";", a comment ("--" or
// "/*"), a ")" that closes more than was opened, a "(" left open, or a quote
// or bracket left unclosed, or parentheses nested more than 64 deep (which
// no written condition needs, and which would make the statement's
// translation costly); a zero byte anywhere is refused too, since the
// database would read the statement only up to it. Literals may hold any of
// these characters. An empty Filter means "no filter" and passes.
//
// The check is lexical and knows no column or function: a value that passes
// can still fail at the database, which then names what it disliked. The
// statement that carries the Filter also runs as one read-only query
// (IConnection::QueryReadOnly), so a value that passes here can never write.
#pragma once

#include <string_view>

namespace corvane {

// Raises error 5 with the reason when `filter` is not one condition.
void CheckFilterCondition(std::string_view filter);

}  // namespace corvane

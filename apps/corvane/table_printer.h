// Prints a record set as a text table: a header of field names, one line per
// row, columns padded to their widest value (up to a limit), and a count.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "frame/outside/connection.h"

namespace corvane::cli {

// The text a value shows in the table: NULL for Null, 0x... for bytes, the
// invariant text form for everything else.
std::string CellText(const Variant& value);

// Prints `rows` under `header` (cells clipped to 40 columns, missing ones
// empty); returns the number of rows.
int PrintTable(const std::vector<std::string>& header,
               const std::vector<std::vector<std::string>>& rows, std::ostream& out);

// Prints every row of `rs` from the first; returns the number of rows.
int PrintRecordSet(IRecordSet& rs, std::ostream& out);

}  // namespace corvane::cli

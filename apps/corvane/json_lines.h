// JSON lines for scripts (--json of the task commands): one JSON object a
// line, written and flushed at once, so a script reads each document as it
// goes and a killed run keeps every line already written. Text that is not
// valid UTF-8 is written with replacement characters, so every line parses.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>

namespace corvane::cli {

inline void WriteJsonLine(std::ostream& out, const nlohmann::json& object) {
  out << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

}  // namespace corvane::cli

// What the public methods and the bridges share when a call fails or is
// refused before it starts.
#pragma once

#include <cstdint>
#include <string>

#include "frame/outside/connection.h"
#include "values/run_time_error.h"

namespace corvane {

// The failure path of a public method, called inside its catch block: the
// caught error becomes BuildErrorText in `strError`, the member connection
// (when there is one) is closed, and the pending error is cleared.
void ReportCallFailure(std::string& strError, IConnection* connection) noexcept;

// Refuses, with error 5 and a message, a paging cursor that is not "0x" and
// 1 to 16 hexadecimal digits and a negative page size, before either reaches
// SQL.
void CheckPagingArguments(const std::string& timestamp, int32_t per_count);

// The bridges' ending: the error's description in square brackets after the
// text, or alone when the text is blank.
void AppendBracketedError(std::string& text, const RuntimeError& error) noexcept;

}  // namespace corvane

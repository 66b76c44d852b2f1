// How a command reports what it caught, in the one style of every command:
// "<command>: <message>" on standard error, a run-time error with its number
// and source ("export: error -2147467259 (ZuMConnection.Connection): ...").
// A set-up failure of a task command (an account, file or folder that cannot
// be used, a call refused before any document) ends it with exit status 2.
#pragma once

#include <exception>
#include <ostream>
#include <string_view>

#include "values/run_time_error.h"

namespace corvane::cli {

inline constexpr int kSetUpFailure = 2;

// Call inside a catch (...) block.
inline void ReportCaught(std::string_view command, std::ostream& err) {
  try {
    throw;
  } catch (const RuntimeError& e) {
    err << command << ": error " << e.number() << " (" << e.source() << "): " << e.description()
        << "\n";
  } catch (const std::exception& e) {
    err << command << ": " << e.what() << "\n";
  } catch (...) {
    err << command << ": an unexpected failure\n";
  }
}

// Call inside a catch (...) block; answers the exit status.
inline int ReportSetUpFailure(std::string_view command, std::ostream& err) {
  ReportCaught(command, err);
  return kSetUpFailure;
}

}  // namespace corvane::cli

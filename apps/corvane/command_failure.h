// The set-up failure of a task command (an account, file or folder that
// cannot be used, a call refused before any document): what was caught is
// said after the command's name, and the command ends with exit status 2.
#pragma once

#include <exception>
#include <ostream>
#include <string_view>

#include "values/run_time_error.h"

namespace corvane::cli {

inline constexpr int kSetUpFailure = 2;

// Call inside a catch (...) block.
inline int ReportSetUpFailure(std::string_view command, std::ostream& err) {
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
  return kSetUpFailure;
}

}  // namespace corvane::cli

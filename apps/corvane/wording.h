// How the command line words numbers for people: a count with its noun in
// the right number ("1 page", "2 pages"), a duration rounded to hundredths of
// a second ("1.23 s"), and the check of a count option that states its bound
// in words ("--per-count: 0 or more, not -1") where CLI11's numeric ranges
// would print the limits of a double.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

namespace corvane::cli {

// "1 sales order", "0 sales orders", "2 sales orders".
inline std::string Counted(int64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// "0.02 s", "1.23 s".
inline std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

// A count option: a whole number from 0 to the largest 32-bit number.
inline CLI::Validator CountFromZero() {
  return CLI::Validator(
      [](std::string& input) -> std::string {
        long long value = 0;
        size_t used = 0;
        try {
          value = std::stoll(input, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used == 0 || used != input.size())
          return "a whole number, 0 or more, not \"" + input + "\"";
        if (value < 0) return "0 or more, not " + input;
        if (value > std::numeric_limits<int32_t>::max())
          return "at most " + std::to_string(std::numeric_limits<int32_t>::max()) + ", not " +
                 input;
        return {};
      },
      "0 or more");
}

}  // namespace corvane::cli

// corvane call PROGID METHOD [--set Option=value]... [name=value]...
//
// Calls any public class late-bound, as an automation client would: creates
// the object by ProgID, assigns each option with a property put (the text is
// coerced to the property's type), invokes the method with the arguments by
// name and prints
//   - each event as it comes: "progress 3/10 ok", "progress 4/10 failed: why"
//     (other events as "event Name(arg, ...)");
//   - the result: "True" or "False";
//   - every in/out argument after the call, one per line as "name = value",
//     or a line "name =" followed by the value when it spans lines (XML,
//     error texts).
// In/out arguments not given on the command line are passed empty, as a
// client passes a fresh variable; a required by-value argument must be given.
//
// Exit status: 0 when the method answered True (or a value that is not a
// Boolean), 1 when it answered False or the object could not be created or
// the call failed, 2 for a usage error: an unknown ProgID, member or
// argument, a missing argument, a value that does not fit its type.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

struct CallOptions {
  std::string prog_id;
  std::string method;
  std::vector<std::string> settings;   // "Option=value"
  std::vector<std::string> arguments;  // "name=value"
};

// Adds the "call" subcommand to `app`, filling `options` when it is parsed.
CLI::App* AddCallCommand(CLI::App& app, CallOptions& options);

// Runs the call: output and events to `out`, usage and error messages to
// `err`. Needs the platform components and public classes registered.
int RunCall(const CallOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

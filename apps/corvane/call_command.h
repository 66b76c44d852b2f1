// corvane call PROGID METHOD [--set Option=value]... [--out name=PATH]... [name=value]...
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
// A long argument comes from a file: "name=@FILE" passes the file's bytes as
// the text, "name=@-" standard input's (for one argument of the call);
// "name=@@text" passes "@text". "--out name=PATH" writes an in/out
// argument's text after the call to PATH (replaced whole, through a
// temporary file), even when the method answered False, and prints
// "name -> PATH (N bytes)" in its place; PATH's folder must be writable
// before the call runs.
//
// Exit status: 0 when the method answered True (or a value that is not a
// Boolean), 1 when it answered False or the object could not be created or
// the call failed or an out-file could not be written, 2 for a usage error:
// an unknown ProgID, member or argument, a missing argument, a value that
// does not fit its type, a file that cannot be read, a second "@-", an
// --out that names no in/out argument or a folder that cannot be written.
#pragma once

#include <CLI/CLI.hpp>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

struct CallOptions {
  std::string prog_id;
  std::string method;
  std::vector<std::string> settings;   // "Option=value"
  std::vector<std::string> arguments;  // "name=value", "name=@FILE", "name=@-"
  std::vector<std::string> outputs;    // "name=PATH"
};

// Adds the "call" subcommand to `app`, filling `options` when it is parsed.
CLI::App* AddCallCommand(CLI::App& app, CallOptions& options);

// Runs the call: "@-" reads `in`, output and events go to `out`, usage and
// error messages to `err`. Needs the platform components and public classes
// registered.
int RunCall(const CallOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli

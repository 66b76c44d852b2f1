#include "apps/corvane/call_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <utility>

#include "apps/corvane/wording.h"
#include "frame/outside/object_factory.h"
#include "platform/win/atomic_file.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane::cli {

namespace {

using server::DispatchPtr;
using server::MemberInfo;
using server::MemberKind;

constexpr int kTrue = 0;
constexpr int kFalseOrFailed = 1;
constexpr int kUsage = 2;

// "name=value" split at the first "=".
std::optional<std::pair<std::string, std::string>> SplitAssignment(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return std::nullopt;
  return std::make_pair(text.substr(0, eq), text.substr(eq + 1));
}

// The errors of a call that say the command line was wrong, not the work.
bool IsUsageError(int32_t number) {
  switch (number) {
    case err::kTypeMismatch:
    case err::kOverflow:
    case err::kInvalidUseOfNull:
    case err::kNoSuchMember:
    case server::kNamedArgumentNotFound:
    case server::kArgumentNotOptional:
    case server::kWrongNumberOfArguments:
    case server::kWriteOnlyProperty:
      return true;
    default:
      return false;
  }
}

// The text of an argument as given: "@FILE" the file's bytes, "@-" standard
// input's (once per call), "@@text" "@text", anything else as it is. Answers
// nullopt, with the reason in `why`, when the text cannot be had.
std::optional<std::string> ArgumentText(const std::string& given, std::istream& in,
                                        bool& stdin_taken, std::string& why) {
  if (given.size() < 2 || given[0] != '@') return given;
  if (given[1] == '@') return given.substr(1);
  if (given == "@-") {
    if (stdin_taken) {
      why = "standard input (@-) can be read for one argument only";
      return std::nullopt;
    }
    stdin_taken = true;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  const std::string path = given.substr(1);
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  std::error_code ec;
  if (!file || std::filesystem::is_directory(path, ec)) {
    const int error = errno;
    why = "cannot read " + path + (error ? std::string(": ") + std::strerror(error) : "");
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Whether the folder of `path` exists and can be written.
bool FolderWritable(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

std::string Describe(const RuntimeError& e) {
  return "error " + std::to_string(e.number()) + " (" + e.source() + "): " + e.description();
}

std::string Names(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text.empty() ? "(none)" : text;
}

std::vector<std::string> MemberNames(const server::IDispatchObject& object, MemberKind kind) {
  std::vector<std::string> names;
  for (const MemberInfo& m : object.Members())
    if (m.kind == kind) names.push_back(m.name);
  return names;
}

std::string TextOf(const Variant& v) {
  if (v.IsNull()) return "Null";
  try {
    return CStr(v);
  } catch (const RuntimeError&) {
    return "(" + v.TypeName() + ")";
  }
}

void PrintEvent(std::ostream& out, const std::string& name, const std::vector<Variant>& args) {
  if (EqualsIgnoreCase(name, "Progress") && args.size() == 4) {
    out << "progress " << TextOf(args[0]) << "/" << TextOf(args[1]) << " "
        << (args[2].type() == VarType::Boolean && args[2].AsBool() ? "ok" : "failed");
    const std::string message = TextOf(args[3]);
    if (!message.empty()) out << ": " << message;
  } else {
    out << "event " << name << "(";
    for (size_t i = 0; i < args.size(); ++i) out << (i ? ", " : "") << TextOf(args[i]);
    out << ")";
  }
  out << std::endl;
}

void PrintArgument(std::ostream& out, const std::string& name, const Variant& value) {
  const std::string text = TextOf(value);
  if (text.find_first_of("\r\n") == std::string::npos) {
    out << name << " = " << text << "\n";
    return;
  }
  out << name << " =\n" << text;
  if (text.back() != '\n') out << "\n";
}

}  // namespace

CLI::App* AddCallCommand(CLI::App& app, CallOptions& options) {
  auto* call = app.add_subcommand(
      "call", "Call a public class late-bound: set options, invoke a method, print the results");
  call->add_option("--set", options.settings, "Assign a write-only option first: Option=value")
      ->allow_extra_args(false);
  call->add_option("--out", options.outputs,
                   "Write an in/out argument to a file after the call: name=PATH")
      ->allow_extra_args(false);
  call->add_option("progid", options.prog_id, "ProgID of the class, e.g. Corvane.clsSaleOrder")
      ->required();
  call->add_option("method", options.method, "The method to invoke")->required();
  call->add_option("arguments", options.arguments,
                   "Arguments by name: name=value, name=@FILE (the file's bytes), name=@- "
                   "(standard input), name=@@text (\"@text\")");
  return call;
}

int RunCall(const CallOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  const auto usage = [&err](const std::string& message) {
    err << "call: " << message << "\n";
    return kUsage;
  };

  std::vector<std::pair<std::string, std::string>> settings;
  for (const std::string& s : options.settings) {
    auto a = SplitAssignment(s);
    if (!a) return usage("--set needs Option=value, got \"" + s + "\"");
    settings.push_back(std::move(*a));
  }
  std::vector<server::NamedArgument> arguments;
  bool stdin_taken = false;
  for (const std::string& s : options.arguments) {
    auto a = SplitAssignment(s);
    if (!a) return usage("arguments are name=value, got \"" + s + "\"");
    std::string why;
    std::optional<std::string> text = ArgumentText(a->second, in, stdin_taken, why);
    if (!text) return usage("argument " + a->first + ": " + why);
    arguments.push_back({a->first, Variant(std::move(*text))});
  }
  std::vector<std::pair<std::string, std::string>> outputs;
  for (const std::string& s : options.outputs) {
    auto a = SplitAssignment(s);
    if (!a || a->second.empty()) return usage("--out needs name=PATH, got \"" + s + "\"");
    if (!FolderWritable(a->second))
      return usage("--out " + a->first + ": the folder of " + a->second + " cannot be written");
    outputs.push_back(std::move(*a));
  }

  if (!FindProgId(options.prog_id)) {
    std::vector<std::string> known;
    for (const std::string& id : RegisteredProgIds())
      if (id.rfind("Corvane.", 0) == 0) known.push_back(id);
    return usage("unknown ProgID " + options.prog_id + "; public classes: " + Names(known));
  }

  DispatchPtr object;
  try {
    object = server::CreateDispatchObject(options.prog_id);
  } catch (const RuntimeError& e) {
    err << "call: cannot create " << options.prog_id << ": " << Describe(e) << "\n";
    return e.number() == err::kNoSuchMember ? kUsage : kFalseOrFailed;
  }
  const std::string& class_name = object->ClassName();

  for (const auto& [name, text] : settings) {
    const MemberInfo* property = object->FindMember(std::string_view(name));
    if (!property || property->kind != MemberKind::PropertyPut)
      return usage(class_name + " has no option " + name +
                   "; options: " + Names(MemberNames(*object, MemberKind::PropertyPut)));
    try {
      object->PutProperty(property->name, Variant(text));
    } catch (const RuntimeError& e) {
      if (IsUsageError(e.number()))
        return usage("option " + property->name + " (" +
                     server::DispTypeName(property->params.at(0).type) + ") cannot take \"" + text +
                     "\": " + e.description());
      err << "call: " << property->name << ": " << Describe(e) << "\n";
      return kFalseOrFailed;
    }
  }

  const MemberInfo* method = object->FindMember(std::string_view(options.method));
  if (!method || method->kind != MemberKind::Method)
    return usage(class_name + " has no method " + options.method +
                 "; methods: " + Names(MemberNames(*object, MemberKind::Method)));

  // Every argument must name a parameter, once; in/out parameters not given
  // are passed empty; required by-value ones must be there.
  std::vector<bool> given(method->params.size(), false);
  std::vector<std::string> parameter_names;
  for (const server::ParamInfo& p : method->params) parameter_names.push_back(p.name);
  for (const server::NamedArgument& a : arguments) {
    size_t i = 0;
    while (i < method->params.size() && !EqualsIgnoreCase(method->params[i].name, a.name)) ++i;
    if (i == method->params.size())
      return usage(class_name + "." + method->name + " has no argument " + a.name +
                   "; arguments: " + Names(parameter_names));
    if (given[i]) return usage("argument " + a.name + " given twice");
    given[i] = true;
    try {
      server::CoerceArgument(a.value, method->params[i].type);
    } catch (const RuntimeError& e) {
      return usage("argument " + method->params[i].name + " (" +
                   server::DispTypeName(method->params[i].type) + ") cannot take \"" +
                   CStr(a.value) + "\": " + e.description());
    }
  }
  // Each --out names an in/out argument, once.
  std::vector<std::string> out_paths(method->params.size());
  for (const auto& [name, path] : outputs) {
    size_t i = 0;
    while (i < method->params.size() && !EqualsIgnoreCase(method->params[i].name, name)) ++i;
    if (i == method->params.size() || !method->params[i].by_ref) {
      std::vector<std::string> in_out;
      for (const server::ParamInfo& p : method->params)
        if (p.by_ref) in_out.push_back(p.name);
      return usage("--out " + name + ": " + class_name + "." + method->name +
                   " has no in/out argument of that name; in/out arguments: " + Names(in_out));
    }
    if (!out_paths[i].empty()) return usage("--out " + name + " given twice");
    out_paths[i] = path;
  }
  for (size_t i = 0; i < method->params.size(); ++i) {
    const server::ParamInfo& p = method->params[i];
    if (given[i] || p.optional) continue;
    if (!p.by_ref) return usage(class_name + "." + method->name + " needs " + p.name);
    arguments.push_back({p.name, server::EmptyValueOf(p.type)});
  }

  object->Advise([&out](int32_t, const std::string& name, const std::vector<Variant>& args) {
    PrintEvent(out, name, args);
  });

  Variant result;
  std::vector<Variant> after;
  try {
    result = object->InvokeNamed(method->name, server::InvokeKind::Method, arguments, &after);
  } catch (const RuntimeError& e) {
    if (IsUsageError(e.number())) return usage(method->name + ": " + e.description());
    err << "call: " << method->name << ": " << Describe(e) << "\n";
    return kFalseOrFailed;
  }

  out << TextOf(result) << "\n";
  if (result.type() == VarType::Boolean && !result.AsBool())
    out << "(the call failed: the values below are as the method left them, "
           "not a cursor to keep)\n";
  bool written = true;
  for (size_t i = 0; i < method->params.size() && i < after.size(); ++i) {
    if (!method->params[i].by_ref) continue;
    if (out_paths[i].empty()) {
      PrintArgument(out, method->params[i].name, after[i]);
      continue;
    }
    const std::string text = TextOf(after[i]);
    try {
      platform::ReplaceFileAtomically(out_paths[i], text);
      out << method->params[i].name << " -> " << out_paths[i] << " ("
          << Counted(static_cast<int64_t>(text.size()), "byte", "bytes") << ")\n";
    } catch (const RuntimeError& e) {
      err << "call: " << method->params[i].name << ": " << e.description() << "\n";
      written = false;
    }
  }
  out.flush();
  if (!written) return kFalseOrFailed;
  if (result.type() == VarType::Boolean) return result.AsBool() ? kTrue : kFalseOrFailed;
  return kTrue;
}

}  // namespace corvane::cli

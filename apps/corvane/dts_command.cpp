#include "apps/corvane/dts_command.h"

#include <iostream>
#include <iterator>
#include <vector>

#include "apps/corvane/command_failure.h"
#include "dts/xml_log.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"

namespace corvane::cli {
namespace {

// Prints the entries of a log, from the `from`-th (0 for all).
void PrintLog(const std::string& path, size_t from, std::ostream& out) {
  const std::vector<LogEntry> entries = ReadLog(path);
  for (size_t i = from; i < entries.size(); ++i) {
    out << "[" << i + 1 << "] " << entries[i].time << " " << entries[i].direct << "\n";
    std::string message = entries[i].message;
    for (size_t at = 0; (at = message.find("\r\n", at)) != std::string::npos;) message.erase(at, 1);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    out << "    ";
    for (char c : message) {
      out << c;
      if (c == '\n') out << "    ";
    }
    out << "\n";
  }
}

size_t LogSize(const std::string& path) {
  try {
    return ReadLog(path).size();
  } catch (...) {
    return 0;  // no log yet
  }
}

}  // namespace

CLI::App* AddDtsCommand(CLI::App& app, DtsOptions& o) {
  CLI::App* dts = app.add_subcommand("dts", "The file-based sales order interface (Corvane.DTS)");
  dts->require_subcommand(1);
  auto common = [&](CLI::App* cmd, bool account) {
    if (account) o.account.AddTo(cmd);
    cmd->add_option("--file", o.file, "The XML file (standard input or output without it)");
    cmd->add_option("--log", o.log, "The log file")->capture_default_str();
  };
  CLI::App* exp = dts->add_subcommand("export", "Export sales orders by number");
  exp->add_option("numbers", o.numbers, "Order numbers separated by commas")->required();
  common(exp, true);
  CLI::App* keys = dts->add_subcommand("export-keys", "Deletion keys of the numbers given");
  keys->add_option("numbers", o.numbers, "Order numbers separated by commas")->required();
  common(keys, false);
  CLI::App* imp = dts->add_subcommand("import", "Import sales orders");
  common(imp, true);
  imp->add_flag("--replace", o.replace, "Replace unchecked orders imported earlier");
  CLI::App* del = dts->add_subcommand("import-keys", "Delete unchecked imported orders by number");
  common(del, true);
  CLI::App* log = dts->add_subcommand("log", "Print a log, one entry a block");
  log->add_option("file", o.log_to_print, "The log file")->required();
  return dts;
}

int RunDts(CLI::App& dts, const DtsOptions& o, std::istream& in, std::ostream& out,
           std::ostream& err) {
  try {
    if (dts.got_subcommand("log")) {
      PrintLog(o.log_to_print, 0, out);
      return 0;
    }
    const bool export_keys = dts.got_subcommand("export-keys");
    if (!export_keys && !o.account.Given()) {
      err << "dts: give --db PATH or --props\n";
      return 2;
    }
    std::string xml;
    const bool importing = dts.got_subcommand("import") || dts.got_subcommand("import-keys");
    if (importing && o.file.empty()) xml.assign(std::istreambuf_iterator<char>(in), {});
    const size_t logged_before = LogSize(o.log);

    server::DispatchPtr object = server::CreateDispatchObject("Corvane.DTS");
    const Variant props(o.account.PropsString());
    std::vector<server::NamedArgument> args;
    std::string method;
    if (dts.got_subcommand("export")) {
      method = "ExportXMLDataForWebService";
      args = {{"sDSN", props}, {"lBaseType", Variant(int32_t(0))}, {"sFile", Variant(o.file)},
              {"sFilter", Variant(o.numbers)}};
    } else if (export_keys) {
      method = "ExportXMLDataKeyForWebService";
      args = {{"sDSN", props}, {"sFile", Variant(o.file)}, {"sFilter", Variant(o.numbers)}};
    } else if (dts.got_subcommand("import")) {
      method = "ImportXMLDataForWebService";
      args = {{"sDSN", props}, {"lBaseType", Variant(int32_t(0))}, {"bReplace", Variant(o.replace)},
              {"sFile", Variant(o.file)}};
    } else {
      method = "ImportXMLDataKeyForWebService";
      args = {{"sDSN", props}, {"sFile", Variant(o.file)}};
    }
    args.push_back({"sLogFile", Variant(o.log)});
    args.push_back({"sXML", Variant(xml)});
    const bool ok = CBool(object->InvokeNamed(method, server::InvokeKind::Method, args));
    if (ok && !importing && o.file.empty()) out << CStr(args.back().value);
    if (ok) return 0;
    err << "dts: " << method << " answered False; the log " << o.log << " says:\n";
    try {
      PrintLog(o.log, logged_before, err);
    } catch (const RuntimeError& e) {
      err << "    (no entry: " << e.description() << ")\n";
    }
    return 1;
  } catch (...) {
    return ReportSetUpFailure("dts", err);
  }
}

}  // namespace corvane::cli

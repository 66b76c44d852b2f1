#include "apps/corvane/dts_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "apps/corvane/answer_records.h"
#include "apps/corvane/command_failure.h"
#include "apps/corvane/json_lines.h"
#include "apps/corvane/wording.h"
#include "dts/xml_log.h"
#include "frame/sql_text.h"
#include "frame/xml_bridge.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane::cli {
namespace {

constexpr const char* kOrdersRoot = "TavoSaleOrder";
constexpr const char* kKeysRoot = "Delete";

// The text of a log entry: its lines ended by "\n", without a last break.
std::string EntryText(const LogEntry& entry) {
  std::string message = entry.message;
  for (size_t at = 0; (at = message.find("\r\n", at)) != std::string::npos;) message.erase(at, 1);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  return message;
}

// Prints the entries of a log, from the `from`-th (0 for all).
void PrintLog(const std::vector<LogEntry>& entries, size_t from, std::ostream& out) {
  for (size_t i = from; i < entries.size(); ++i) {
    out << "[" << i + 1 << "] " << entries[i].time << " " << entries[i].direct << "\n    ";
    for (char c : EntryText(entries[i])) {
      out << c;
      if (c == '\n') out << "    ";
    }
    out << "\n";
  }
}

// The log of the command: its entries so far, and the text of the entries
// each call adds. A log file that is there must be the interface's log: one
// that is not is a set-up failure before any call.
class CallLog {
 public:
  explicit CallLog(std::string path) : path_(std::move(path)) {
    std::error_code ec;
    if (std::filesystem::exists(LogFilePath(path_), ec)) seen_ = ReadLog(path_).size();
  }

  // The entries added since the last call of Added (or since the start),
  // one after the other.
  std::vector<LogEntry> Added() {
    std::vector<LogEntry> added;
    try {
      std::vector<LogEntry> entries = ReadLog(path_);
      for (size_t i = seen_; i < entries.size(); ++i) added.push_back(std::move(entries[i]));
      seen_ = entries.size();
    } catch (const RuntimeError& e) {
      added.push_back({"", "", "the log cannot be read: " + e.description()});
    }
    return added;
  }

  static std::string Text(const std::vector<LogEntry>& entries) {
    std::string text;
    for (const LogEntry& entry : entries) text += (text.empty() ? "" : "\n") + EntryText(entry);
    return text;
  }

 private:
  std::string path_;
  size_t seen_ = 0;
};

// The order numbers of a comma-separated list, read as the interface reads
// them: trimmed, blank ones left out.
std::vector<std::string> NumbersOf(const std::string& list) {
  std::vector<std::string> numbers;
  std::istringstream in(list);
  for (std::string token; std::getline(in, token, ',');)
    if (!Trim(token).empty()) numbers.push_back(Trim(token));
  return numbers;
}

std::string ReadInput(const DtsOptions& o, std::istream& in) {
  if (o.file.empty()) return std::string(std::istreambuf_iterator<char>(in), {});
  std::ifstream file(o.file, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + o.file);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}


// One call of a method of Corvane.DTS; answers its result, with sXML after
// the call in `xml`.
bool Call(server::IDispatchObject& dts, const std::string& method,
          std::vector<server::NamedArgument> args, const std::string& log, std::string& xml) {
  args.push_back({"sLogFile", Variant(log)});
  args.push_back({"sXML", Variant(xml)});
  const bool ok = CBool(dts.InvokeNamed(method, server::InvokeKind::Method, args));
  xml = CStr(args.back().value);
  return ok;
}

int Summarize(ResultLines& results, std::initializer_list<std::string_view> through,
              nlohmann::json more = nlohmann::json::object()) {
  results.Summary(std::move(more));
  return results.CountOtherThan(through) == 0 ? 0 : 1;
}

// dts export / export-keys: one call for every number; the numbers the
// answer holds went out, the others were not found (no single order with
// entries carries them).
int RunExport(const DtsOptions& o, bool keys, server::IDispatchObject& dts, CallLog& log,
              std::ostream& out, std::ostream& err) {
  const char* command = keys ? "dts export-keys" : "dts export";
  const std::vector<std::string> numbers = NumbersOf(o.numbers);
  if (numbers.empty()) {
    err << command << ": no order number given\n";
    return 2;
  }
  if (o.json && o.file.empty()) {
    err << command << ": --json needs --file for the XML\n";
    return 2;
  }
  if (!keys) o.account.Open()->CloseConn();
  ResultLines results(out, o.json, {"exported", "not found", "refused"});
  const Variant props(o.account.PropsString());
  std::string xml;
  const bool ok =
      keys ? Call(dts, "ExportXMLDataKeyForWebService",
                  {{"sDSN", props}, {"sFile", Variant(o.file)}, {"sFilter", Variant(o.numbers)}},
                  o.log, xml)
           : Call(dts, "ExportXMLDataForWebService",
                  {{"sDSN", props},
                   {"lBaseType", Variant(int32_t(0))},
                   {"sFile", Variant(o.file)},
                   {"sFilter", Variant(o.numbers)}},
                  o.log, xml);
  if (!ok) {
    const std::string message = CallLog::Text(log.Added());
    for (const std::string& number : numbers) results.Document(number, "", "refused", message);
    if (!o.json)
      err << command << ": the call answered False; the log " << o.log << " says:\n"
          << message << "\n";
    return Summarize(results, {"exported"}, {{"file", o.file}});
  }
  // What went out, read back from the answer.
  std::multiset<std::string> out_numbers;
  if (keys) {
    out_numbers.insert(numbers.begin(), numbers.end());
  } else {
    std::string answer = xml;
    if (!o.file.empty()) {
      std::ifstream file(o.file, std::ios::binary);
      std::ostringstream text;
      text << file.rdbuf();
      answer = text.str();
    }
    ValueVectorPtr records;
    std::string error;
    if (!ReadXMLDocument(records, answer, SchemaFileOf(kOrdersRoot), kOrdersRoot, error))
      throw std::runtime_error("the exported orders cannot be read back: " + error);
    for (const Variant& item : *records)
      out_numbers.insert(Trim(FieldText(*item.ObjectAs<ValueDictionary>(), "BillNo")));
  }
  std::vector<std::string> missing;
  for (const std::string& number : numbers) {
    const bool went = out_numbers.count(number) > 0;
    results.Document(number, "", went ? "exported" : "not found",
                     went ? "" : "no single sales order with entries carries the number");
    if (!went) missing.push_back(number);
  }
  if (!o.json) {
    if (o.file.empty())
      out << xml;
    else
      out << "exported "
          << Counted(results.Count("exported"), keys ? "key" : "sales order",
                     keys ? "keys" : "sales orders")
          << " to " << o.file << "\n";
    for (const std::string& number : missing)
      err << command << ": " << number
          << " was not exported: no single sales order with entries carries it\n";
  }
  return Summarize(results, {"exported"}, {{"file", o.file}});
}

// dts import: each order of the document is imported by a call of its own,
// so that each gets its result and the log entries of its call: saved,
// skipped (an unchecked order imported earlier carries the number, and
// --replace is not given: the interface leaves it as it is and logs
// nothing) or refused. A document that cannot be read goes to the
// interface whole, which logs why and refuses it.
int RunImport(const DtsOptions& o, const std::string& xml, server::IDispatchObject& dts,
              CallLog& log, std::ostream& out) {
  ResultLines results(out, o.json, {"saved", "skipped", "refused"});
  auto call = [&](const std::string& text) {
    std::string sxml = text;
    return Call(dts, "ImportXMLDataForWebService",
                {{"sDSN", Variant(o.account.PropsString())},
                 {"lBaseType", Variant(int32_t(0))},
                 {"bReplace", Variant(o.replace)},
                 {"sFile", Variant("")}},
                o.log, sxml);
  };
  ValueVectorPtr orders;
  std::string error;
  if (!ReadXMLDocument(orders, xml, SchemaFileOf(kOrdersRoot), kOrdersRoot, error)) {
    call(xml);
    const std::string message = CallLog::Text(log.Added());
    results.Line({{"file", o.file}, {"result", "file refused"}, {"message", message}});
    if (!o.json) out << "the document was refused:\n" << message << "\n";
    results.Summary({{"files refused", 1}});
    return 1;
  }
  const int32_t total = orders->Count();
  for (int32_t i = 1; i <= total; ++i) {
    const ValueDictionary& order = *orders->Item(i).ObjectAs<ValueDictionary>();
    const std::string number = FieldText(order, "BillNo");
    auto one = ValueVector::Create();
    one->Add(orders->Item(i));
    std::string one_xml;
    if (!WriteXMLDocument(one, one_xml, SchemaFileOf(kOrdersRoot), kOrdersRoot, error))
      throw std::runtime_error("the order " + number + " cannot be written again: " + error);
    const bool ok = call(one_xml);
    const std::vector<LogEntry> added = log.Added();
    const char* result = !ok ? "refused" : added.empty() ? "skipped" : "saved";
    const std::string message =
        !ok ? CallLog::Text(added)
        : added.empty()
            ? "an unchecked order imported earlier carries the number; --replace replaces it"
            : "";
    results.Document(number, "", result, message, {{"index", i}});
    if (o.json) continue;
    out << "  " << i << "/" << total << " " << number << ": " << result;
    if (!message.empty()) out << (ok ? " (" + message + ")" : ":\n" + message);
    out << "\n";
  }
  const int status = Summarize(results, {"saved", "skipped"});
  if (!o.json) {
    out << "imported " << Counted(results.Count("saved"), "sales order", "sales orders");
    if (results.Count("skipped")) out << ", skipped " << results.Count("skipped");
    if (results.Count("refused")) out << ", refused " << results.Count("refused");
    out << "\n";
  }
  return status;
}

// dts import-keys: the document goes to the interface whole, since it
// deletes every order of the document in one transaction; which numbers an
// unchecked imported order carries is looked up before, so each number gets
// its result: deleted, not found, or refused with the call.
int RunImportKeys(const DtsOptions& o, const std::string& xml, IConnection& connection,
                  server::IDispatchObject& dts, CallLog& log, std::ostream& out) {
  ResultLines results(out, o.json, {"deleted", "not found", "refused"});
  ValueVectorPtr keys;
  std::string error;
  std::vector<std::pair<std::string, bool>> numbers;  // number, an order to delete is there
  const bool readable = ReadXMLDocument(keys, xml, SchemaFileOf(kKeysRoot), kKeysRoot, error);
  if (readable) {
    for (const Variant& item : *keys) {
      const std::string number = Trim(FieldText(*item.ObjectAs<ValueDictionary>(), "UUID"));
      if (number.empty()) continue;  // a blank number names no order
      const bool there =
          !connection
               .GetAnyRecordSet("Select FInterID From SEOrder Where FBillNo=" + SqlLiteral(number) +
                                " And FSystemType=2 And FStatus=0")
               ->Eof();
      numbers.emplace_back(number, there);
    }
  }
  connection.CloseConn();
  std::string sxml = xml;
  const bool ok =
      Call(dts, "ImportXMLDataKeyForWebService",
           {{"sDSN", Variant(o.account.PropsString())}, {"sFile", Variant("")}}, o.log, sxml);
  const std::string message = ok ? std::string() : CallLog::Text(log.Added());
  if (!readable) {
    results.Line({{"file", o.file}, {"result", "file refused"}, {"message", message}});
    if (!o.json) out << "the document was refused:\n" << message << "\n";
    results.Summary({{"files refused", 1}});
    return 1;
  }
  for (size_t i = 0; i < numbers.size(); ++i) {
    const auto& [number, there] = numbers[i];
    const char* result = !ok ? "refused" : there ? "deleted" : "not found";
    const std::string why = !ok     ? message
                            : there ? ""
                                    : "no unchecked sales order imported from the CRM carries it";
    results.Document(number, "", result, why, {{"index", i + 1}});
    if (o.json) continue;
    out << "  " << i + 1 << "/" << numbers.size() << " " << number << ": " << result;
    if (!why.empty()) out << (ok ? " (" + why + ")" : ":\n" + why);
    out << "\n";
  }
  const int status = Summarize(results, {"deleted"});
  if (!o.json) {
    out << "deleted " << Counted(results.Count("deleted"), "sales order", "sales orders");
    if (results.Count("not found")) out << ", not found " << results.Count("not found");
    if (results.Count("refused")) out << ", refused " << results.Count("refused");
    out << "\n";
  }
  return status;
}

}  // namespace

CLI::App* AddDtsCommand(CLI::App& app, DtsOptions& o) {
  CLI::App* dts = app.add_subcommand("dts", "The file-based sales order interface (Corvane.DTS)");
  dts->require_subcommand(1);
  auto common = [&](CLI::App* cmd, bool account) {
    if (account) o.account.AddTo(cmd);
    cmd->add_option("--file", o.file, "The XML file (standard input or output without it)");
    cmd->add_option("--log", o.log, "The log file")->capture_default_str();
    cmd->add_flag("--json", o.json, "One JSON object a line per order, and a summary last");
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
  log->add_flag("--json", o.json, "One JSON object a line per entry, and a summary last");
  return dts;
}

int RunDts(CLI::App& dts, const DtsOptions& o, std::istream& in, std::ostream& out,
           std::ostream& err) {
  std::string command = "dts";
  for (const char* name : {"export", "export-keys", "import", "import-keys", "log"})
    if (dts.got_subcommand(name)) command += std::string(" ") + name;
  try {
    if (dts.got_subcommand("log")) {
      const std::vector<LogEntry> entries = ReadLog(o.log_to_print);
      if (!o.json) {
        PrintLog(entries, 0, out);
        return 0;
      }
      for (size_t i = 0; i < entries.size(); ++i)
        WriteJsonLine(out, {{"index", i + 1},
                            {"time", entries[i].time},
                            {"direct", entries[i].direct},
                            {"message", EntryText(entries[i])}});
      WriteJsonLine(out, {{"summary", {{"entries", entries.size()}}}});
      return 0;
    }
    const bool export_keys = dts.got_subcommand("export-keys");
    if (!export_keys && !o.account.Given()) {
      err << command << ": give --db PATH or --props\n";
      return 2;
    }
    CallLog log(o.log);
    server::DispatchPtr object = server::CreateDispatchObject("Corvane.DTS");
    if (dts.got_subcommand("export") || export_keys)
      return RunExport(o, export_keys, *object, log, out, err);
    const std::string xml = ReadInput(o, in);
    const ConnectionPtr connection = o.account.Open();
    if (dts.got_subcommand("import")) {
      connection->CloseConn();
      return RunImport(o, xml, *object, log, out);
    }
    return RunImportKeys(o, xml, *connection, *object, log, out);
  } catch (...) {
    return ReportSetUpFailure(command, err);
  }
}

}  // namespace corvane::cli

#include "apps/corvane/export_command.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/corvane/answer_records.h"
#include "apps/corvane/command_failure.h"
#include "apps/corvane/document_kinds.h"
#include "apps/corvane/json_lines.h"
#include "apps/corvane/wording.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "frame/outside/system_services.h"
#include "frame/timestamp_text.h"
#include "platform/win/atomic_file.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

void ReplaceFile(const fs::path& path, const std::string& text) {
  platform::ReplaceFileAtomically(path.string(), text);
}

// What a state file belongs to: the account (its ConnectString) and the
// export (the kind, with its stock bill or deletion kind).
struct StateOwner {
  std::string account;
  std::string export_kind;
};

// The cursor of the state file: "strTimeStamp=0x..." ("" when there is none).
// A state file written for another account or another export is refused: its
// cursor would skip or repeat documents there. One without these lines (made
// by hand, to start from a given cursor) is taken as it is.
std::string ReadCursor(const std::string& state_file, const StateOwner& owner) {
  if (state_file.empty() || !fs::exists(state_file)) return {};
  std::ifstream in(state_file);
  if (!in) throw std::runtime_error("the state file " + state_file + " cannot be read");
  std::string line, cursor;
  bool found = false;
  while (std::getline(in, line)) {
    if (line.rfind("account=", 0) == 0 && line.substr(8) != owner.account)
      throw std::runtime_error("the state file " + state_file + " belongs to the account " +
                               line.substr(8) + ", not " + owner.account);
    if (line.rfind("export=", 0) == 0 && line.substr(7) != owner.export_kind)
      throw std::runtime_error("the state file " + state_file + " belongs to the export of " +
                               line.substr(7) + ", not " + owner.export_kind);
    if (line.rfind("strTimeStamp=", 0) == 0) {
      cursor = line.substr(13);
      if (!IsTimestampText(cursor))
        throw std::runtime_error("the state file " + state_file + " holds no valid cursor: " + cursor);
      found = true;
    }
  }
  if (!found) throw std::runtime_error("the state file " + state_file + " holds no strTimeStamp line");
  return cursor;
}

void WriteCursor(const std::string& state_file, const std::string& plural,
                 const StateOwner& owner, const std::string& cursor) {
  if (state_file.empty()) return;
  ReplaceFile(state_file, "# the export of " + plural +
                              " continues after this row timestamp\n"
                              "account=" + owner.account + "\n"
                              "export=" + owner.export_kind + "\n"
                              "strTimeStamp=" + cursor + "\n");
}

// Refuses, before any page, a state file whose folder cannot take it.
void CheckStateWritable(const std::string& state_file) {
  if (state_file.empty()) return;
  fs::path folder = fs::path(state_file).parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder) || ::access(folder.c_str(), W_OK) != 0)
    throw std::runtime_error("the state file " + state_file + " cannot be written in " +
                             folder.string());
}



bool IsEmptyPageAnswer(const std::string& timestamp) {
  return timestamp == "0x0000000000000000" || timestamp == "0xFFFFFFFFFFFFFFFF";
}

// The newest row version of the documents the export reads (the template
// head with internal ID 0 left out, as the export leaves it out); "none" when
// there is no document. Stock bills of one kind: of that kind.
std::string NewestDocumentVersion(const DocumentKind& kind,
                                  std::optional<int32_t> stock_bill_type) {
  ConnectionPtr connection;
  OpenErpConnection(connection);
  std::string sql = std::string("SELECT MAX(FOperDate) AS FMT FROM ") + kind.head_table +
                    " WHERE " + kind.documents;
  if (stock_bill_type) sql += *stock_bill_type == 4 ? " AND FTranType = 1" : " AND FTranType = 21";
  const RecordSetPtr newest = connection->GetAnyRecordSet(sql);
  connection->CloseConn();
  if (newest->Eof() || newest->Fields("FMT").IsNull()) return "none";
  return TimestampToText(newest->Fields("FMT"));
}

// Whether the cursor `next` lies after `cursor` in row-version order; both are
// cursor texts, "0x" and 1 to 16 hexadecimal digits, as IsTimestampText says.
bool MovesForward(const std::string& cursor, const std::string& next) {
  if (!IsTimestampText(next)) return false;
  return std::stoull(next.substr(2), nullptr, 16) > std::stoull(cursor.substr(2), nullptr, 16);
}

}  // namespace

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& o) {
  CLI::App* cmd = app.add_subcommand("export", "Export changed documents page by page into XML files");
  std::vector<std::string> kinds = DocumentKindNames();
  kinds.emplace_back("deletions");
  cmd->add_option("kind", o.kind, "What to export: saleorder, saleinvoice, stockbill or deletions")
      ->check(CLI::IsMember(kinds))
      ->required();
  o.account.AddTo(cmd);
  cmd->add_option("--kind", o.deletion_kind, DeletionKindsHelp());
  cmd->add_option("--stock-bill-type", o.stock_bill_type,
                  std::string(kStockBillTypeHelp) + "; without it every kind");
  cmd->add_option("--per-count", o.per_count, "Documents per page (0: all in one page)")
      ->check(CountFromZero())
      ->capture_default_str();
  cmd->add_option("--state", o.state_file, "File that keeps the cursor between runs");
  cmd->add_option("--out", o.out_dir, "Folder for the XML files")->capture_default_str();
  cmd->add_option("--filter", o.filter, "SQL condition added to the selection");
  cmd->add_flag("--json", o.json, "One JSON object a line per document, and a summary last");
  return cmd;
}

int RunExport(const ExportOptions& o, std::ostream& out, std::ostream& err) {
  if (!o.account.Given()) {
    err << "export: give --db PATH or --props\n";
    return 2;
  }
  const bool deletions = o.kind == "deletions";
  const DocumentKind& kind = DocumentKindNamed(o.kind);
  std::optional<DeletionKind> deletion_kind;
  if (deletions) {
    deletion_kind = DeletionKindNamed(o.deletion_kind);
    if (!deletion_kind) {
      err << "export: give the kind of the deleted documents with --kind: "
          << (o.deletion_kind.empty() ? "none given" : "\"" + o.deletion_kind + "\" is none")
          << "\n" << DeletionKindsHelp() << "\n";
      return 2;
    }
    if (!o.filter.empty() || o.stock_bill_type) {
      err << "export: --filter and --stock-bill-type are not for deletions\n";
      return 2;
    }
  } else if (!o.deletion_kind.empty()) {
    err << "export: --kind is for deletions only\n";
    return 2;
  }
  if (o.stock_bill_type && std::string_view(kind.name) != "stockbill") {
    err << "export: --stock-bill-type is for stock bills only\n";
    return 2;
  }
  // What the files and messages call the export's documents.
  const std::string one = deletions ? "deletion key" : kind.one;
  const std::string plural = deletions ? "deletion keys" : kind.plural;
  const std::string file_prefix =
      deletions ? "deletions-" + std::string(deletion_kind->name) : std::string(kind.name);
  const bool terminal = ::isatty(STDOUT_FILENO);
  try {
    ParsePropsString(o.account.PropsString());
    const StateOwner owner{GetConnectString(),
                           deletions ? "deletions " + std::string(deletion_kind->name)
                                     : std::string(kind.name) +
                                           (o.stock_bill_type
                                                ? " " + std::to_string(*o.stock_bill_type)
                                                : std::string())};
    std::string cursor = ReadCursor(o.state_file, owner);
    CheckStateWritable(o.state_file);
    fs::create_directories(o.out_dir);
    server::DispatchPtr exporter =
        server::CreateDispatchObject(deletions ? "Corvane.clsDataKey" : kind.prog_id);
    if (o.stock_bill_type) exporter->PutProperty("StockBillType", Variant(*o.stock_bill_type));
    if (!o.filter.empty()) exporter->PutProperty("Filter", Variant(o.filter));
    if (!deletions) exporter->PutProperty("bProgress", Variant(true));

    int pages = 0, documents = 0;
    int in_page = 0;
    if (!deletions) exporter->Advise([&](int32_t, const std::string& name, const std::vector<Variant>& args) {
      if (name != "Progress" || args.size() < 2) return;
      in_page = CLng(args[0]);
      if (terminal && !o.json)
        out << "\rpage " << pages + 1 << ": document " << in_page << "/" << CLng(args[1]) << "   "
            << std::flush;
    });
    // Ctrl-C is noticed between documents, where the export lets pending
    // messages run: the page fails and its cursor is not saved.
    g_interrupted = false;
    struct sigaction action {}, previous {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the process at once
    sigaction(SIGINT, &action, &previous);
    SystemServices services = InstallSystemServices({});
    SystemServices with_interrupt = services;
    with_interrupt.do_events = [] {
      if (g_interrupted) throw RuntimeError(err::kInvalidCall, "corvane", "interrupted by Ctrl-C");
    };
    InstallSystemServices(with_interrupt);
    struct Restore {
      SystemServices services;
      struct sigaction signal_action;
      ~Restore() {
        InstallSystemServices(services);
        sigaction(SIGINT, &signal_action, nullptr);
      }
    } restore{services, previous};

    std::string max_seen;
    ResultLines results(out, o.json, {"exported"});
    const std::string shown_cursor_note = o.state_file.empty() ? "" : " (saved in " + o.state_file + ")";
    auto interrupted = [&] {
      out << (terminal ? "\r" : "") << "interrupted by Ctrl-C after "
          << Counted(pages, "page", "pages") << "; the cursor stays at "
          << (cursor.empty() ? kZeroTimestamp : cursor) << shown_cursor_note << "\n";
      return 130;
    };
    while (true) {
      if (g_interrupted) return interrupted();
      std::vector<server::NamedArgument> args = {
          {"strPropsString", Variant(o.account.PropsString())},
          {"strXML", Variant("")},
          {"lPerCount", Variant(o.per_count)},
          {"strTimeStamp", Variant(cursor)},
          {"strMaxTimeStamp", Variant("")},
          {"strError", Variant("")}};
      if (deletions) args.push_back({"iBillType", Variant(deletion_kind->bill_type)});
      in_page = 0;
      const Variant ok = exporter->InvokeNamed(deletions ? "ExportXMLDataKey" : "Export",
                                               server::InvokeKind::Method, args);
      auto arg = [&](const char* name) {
        for (const auto& a : args)
          if (EqualsIgnoreCase(a.name, name)) return CStr(a.value);
        return std::string();
      };
      if (deletions && CBool(ok))
        in_page = RecordsOf(arg("strXML"), "Delete", "the exported page")->Count();
      if (terminal && !o.json) out << "\r" << std::string(40, ' ') << "\r";
      if (!CBool(ok)) {
        if (g_interrupted) return interrupted();
        err << "export: failed on page " << pages + 1 << ":\n" << arg("strError") << "\n";
        if (!o.state_file.empty())
          err << "export: the cursor stays at " << (cursor.empty() ? kZeroTimestamp : cursor)
              << "\n";
        return 2;
      }
      max_seen = arg("strMaxTimeStamp");
      const std::string next = arg("strTimeStamp");
      if (IsEmptyPageAnswer(next)) break;
      // A page that leaves the cursor where it was, or takes it back, would be
      // read again on every call: the run would never end.
      const std::string from = cursor.empty() ? kZeroTimestamp : cursor;
      if (!MovesForward(from, next)) {
        err << "export: stopped on page " << pages + 1 << ": the page did not move the cursor "
            << "forward (from " << from << " to " << next << "), so the export would loop; "
            << "the page was not written\n";
        if (!o.state_file.empty()) err << "export: the cursor stays at " << from << "\n";
        return 1;
      }
      const fs::path file = fs::path(o.out_dir) / (file_prefix + "-" + next + ".xml");
      ReplaceFile(file, arg("strXML"));
      cursor = next;
      WriteCursor(o.state_file, plural, owner, cursor);
      ++pages;
      documents += in_page;
      if (o.json) {
        const ValueVectorPtr records =
            RecordsOf(arg("strXML"), deletions ? "Delete" : kind.root, "the exported page");
        for (const Variant& item : *records) {
          const ValueDictionary& record = *item.ObjectAs<ValueDictionary>();
          results.Document(FieldText(record, "BillNo"), FieldText(record, "UUID"), "exported", "",
                           {{"file", file.string()}});
        }
        continue;
      }
      out << "page " << pages << ": " << Counted(in_page, one, plural) << " -> " << file.string()
          << "\n";
    }
    // The deletion keys' newest row version is the change log's; a document
    // kind's is that of its documents, without the template head.
    const std::string newest =
        deletions ? max_seen : NewestDocumentVersion(kind, o.stock_bill_type);
    results.Summary({{"pages", pages},
                     {"cursor", cursor.empty() ? kZeroTimestamp : cursor},
                     {"newest row version", newest}});
    if (o.json) return 0;
    out << "exported " << Counted(documents, one, plural) << " in "
        << Counted(pages, "page", "pages");
    if (pages == 0) out << " (nothing changed since " << (cursor.empty() ? kZeroTimestamp : cursor) << ")";
    out << "\ncursor: " << (cursor.empty() ? kZeroTimestamp : cursor) << shown_cursor_note
        << "; newest row version of the " << plural << ": " << newest << "\n";
    return 0;
  } catch (...) {
    return ReportSetUpFailure("export", err);
  }
}

}  // namespace corvane::cli

#include "apps/corvane/import_command.h"

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
#include "frame/messages.h"
#include "frame/sql_text.h"
#include "frame/xml_bridge.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane::cli {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct DocumentLine {
  std::string bill_no;
  std::string uuid;            // trimmed; "" when the document has none
  bool already_there = false;  // found in the account before the import
};

// The documents of a file, and which of them the account already holds
// (found the way the import finds them: by UUID with --check-by-uuid, else by
// number), so that "skipped" can be told from "saved".
std::vector<DocumentLine> DocumentsOf(const DocumentKind& kind, const std::string& xml,
                                      const std::string& props, bool by_uuid) {
  std::vector<DocumentLine> lines;
  ValueVectorPtr docs;
  std::string error;
  if (!ReadXMLDocument(docs, xml, SchemaFileOf(kind.root), kind.root, error))
    return lines;  // the import itself reports why
  ParsePropsString(props);
  ConnectionPtr connection;
  OpenErpConnection(connection);
  const std::string lookup = std::string("Select FInterID From ") + kind.head_table + " Where ";
  auto exists = [&](const std::string& sql) { return !connection->GetAnyRecordSet(sql)->Eof(); };
  for (const Variant& item : *docs) {
    auto document = item.ObjectAs<ValueDictionary>();
    DocumentLine line;
    line.bill_no = CStr(document->GetValue("BillNo", Variant("")));
    line.uuid = Trim(CStr(document->GetValue("UUID", Variant(""))));
    if (by_uuid && !line.uuid.empty())
      line.already_there = exists(lookup + "FUUID=" + SqlLiteral(line.uuid));
    if (!line.already_there && !line.bill_no.empty())
      line.already_there = exists(lookup + "FBillNo=" + SqlLiteral(line.bill_no));
    lines.push_back(line);
  }
  return lines;
}

// corvane import deletions: each key of each file is sent on its own, so
// that every key gets its line (the class stops a document at its first
// failure): deleted, not found (no document of the kind that came from the
// CRM carries the UUID), or refused with the message.
int RunDeletionImport(const ImportOptions& o, std::ostream& out, std::ostream& err) {
  const std::optional<DeletionKind> kind = DeletionKindNamed(o.deletion_kind);
  if (!kind) {
    err << "import: give the kind of the deleted documents with --kind: "
        << (o.deletion_kind.empty() ? "none given" : "\"" + o.deletion_kind + "\" is none") << "\n"
        << DeletionKindsHelp() << "\n";
    return 2;
  }
  if (o.stock_bill_type || o.check_by_uuid || o.add_new_only) {
    err << "import: --stock-bill-type, --check-by-uuid and --add-new-only are not for deletions\n";
    return 2;
  }
  const std::string props = o.account.PropsString();
  const std::string schema = SchemaFileOf("Delete");
  ResultLines lines(out, o.json, {"deleted", "not found", "refused"});
  int bad_files = 0;
  try {
    server::DispatchPtr keys = server::CreateDispatchObject("Corvane.clsDataKey");
    for (const std::string& file : o.files) {
      if (!o.json) out << file << "\n";
      ValueVectorPtr records;
      std::string error;
      if (!ReadXMLDocument(records, ReadFile(file), schema, "Delete", error)) {
        ++bad_files;
        lines.Line({{"file", file}, {"result", "file refused"}, {"message", error}});
        if (!o.json)
          out << "  not a document of deletion keys, nothing deleted:\n" << error << "\n";
        continue;
      }
      for (int32_t i = 1; i <= records->Count(); ++i) {
        auto one = ValueVector::Create();
        one->Add(records->Item(i));
        const std::string uuid =
            CStr(records->Item(i).ObjectAs<ValueDictionary>()->GetValue("UUID", Variant("")));
        std::string xml;
        if (!WriteXMLDocument(one, xml, schema, "Delete", error))
          throw std::runtime_error("the key " + uuid + " cannot be written again: " + error);
        std::vector<server::NamedArgument> args = {{"strPropsString", Variant(props)},
                                                   {"iBillType", Variant(kind->bill_type)},
                                                   {"strXML", Variant(xml)},
                                                   {"strError", Variant("")}};
        const bool ok =
            CBool(keys->InvokeNamed("ImportXMLDataKey", server::InvokeKind::Method, args));
        std::string message;
        for (const auto& a : args)
          if (EqualsIgnoreCase(a.name, "strError")) message = CStr(a.value);
        const std::string_view result =
            ok                                                                     ? "deleted"
            : message.find(GetMessageText("找不到单据信息!")) != std::string::npos ? "not found"
                                                                                   : "refused";
        lines.Document("", uuid, result, ok ? "" : message, {{"file", file}, {"index", i}});
        if (o.json) continue;
        out << "  " << i << "/" << records->Count() << " " << uuid << ": ";
        if (ok)
          out << "deleted\n";
        else if (result == "not found")
          out << "not found (no " << kind->one << " imported from the CRM carries it)\n";
        else
          out << "refused:\n" << message << "\n";
      }
    }
  } catch (...) {
    return ReportSetUpFailure("import", err);
  }
  const int status = lines.CountOtherThan({"deleted"}) == 0 && bad_files == 0 ? 0 : 1;
  lines.Summary({{"files", o.files.size()}, {"files not read", bad_files}});
  if (o.json) return status;
  out << "deleted " << Counted(lines.Count("deleted"), kind->one, kind->what);
  if (lines.Count("not found")) out << ", not found " << lines.Count("not found");
  if (lines.Count("refused")) out << ", refused " << lines.Count("refused");
  out << " from " << Counted(o.files.size(), "file", "files");
  if (bad_files) out << " (" << bad_files << " not read)";
  out << "\n";
  return status;
}

}  // namespace

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& o) {
  CLI::App* cmd = app.add_subcommand("import", "Import the documents of XML files");
  std::vector<std::string> kinds = DocumentKindNames();
  kinds.emplace_back("deletions");
  cmd->add_option("kind", o.kind, "What to import: saleorder, saleinvoice, stockbill or deletions")
      ->check(CLI::IsMember(kinds))
      ->required();
  o.account.AddTo(cmd);
  cmd->add_option("--kind", o.deletion_kind, DeletionKindsHelp());
  cmd->add_option("--stock-bill-type", o.stock_bill_type,
                  std::string(kStockBillTypeHelp) + "; needed for stock bills");
  cmd->add_flag("--check-by-uuid", o.check_by_uuid, "Find documents and base data by UUID first");
  cmd->add_flag("--add-new-only", o.add_new_only, "Skip documents the account already holds");
  cmd->add_flag("--stop-on-error", o.stop_on_error, "Stop a file at its first refused document");
  cmd->add_flag("--json", o.json, "One JSON object a line per document, and a summary last");
  cmd->add_option("files", o.files, "XML files of the kind's root (TavoIndSaleOrder, ...)")
      ->required()
      ->check(CLI::ExistingFile);
  return cmd;
}

int RunImport(const ImportOptions& o, std::ostream& out, std::ostream& err) {
  if (!o.account.Given()) {
    err << "import: give --db PATH or --props\n";
    return 2;
  }
  if (o.kind == "deletions") return RunDeletionImport(o, out, err);
  if (!o.deletion_kind.empty()) {
    err << "import: --kind is for deletions only\n";
    return 2;
  }
  const DocumentKind& kind = DocumentKindNamed(o.kind);
  const bool stock_bills = std::string_view(kind.name) == "stockbill";
  if (stock_bills != o.stock_bill_type.has_value()) {
    err << (stock_bills ? "import: give --stock-bill-type 4 (purchase receipts) or 5 (sales "
                          "deliveries): the kind the stock bills are saved as\n"
                        : "import: --stock-bill-type is for stock bills only\n");
    return 2;
  }
  const std::string props = o.account.PropsString();
  ResultLines results(out, o.json, {"saved", "skipped", "refused", "not imported"});
  int failed_files = 0;
  try {
    server::DispatchPtr importer = server::CreateDispatchObject(kind.prog_id);
    if (o.stock_bill_type) importer->PutProperty("StockBillType", Variant(*o.stock_bill_type));
    importer->PutProperty("CheckByUUID", Variant(o.check_by_uuid));
    importer->PutProperty("AddNewOnly", Variant(o.add_new_only));
    importer->PutProperty("ImportErrorIgnore", Variant(!o.stop_on_error));
    std::vector<DocumentLine> lines;
    std::string current_file;
    int32_t reported = 0;  // documents of the current file reported by Progress
    // A document saved earlier in the same file counts as present for the
    // documents after it, as it does for the import itself.
    auto mark_present = [&](const DocumentLine& saved_line) {
      for (DocumentLine& later : lines) {
        if (&later == &saved_line) continue;
        if (!saved_line.bill_no.empty() && EqualsIgnoreCase(later.bill_no, saved_line.bill_no))
          later.already_there = true;
        if (o.check_by_uuid && !saved_line.uuid.empty() && later.uuid == saved_line.uuid)
          later.already_there = true;
      }
    };
    importer->Advise([&](int32_t, const std::string& name, const std::vector<Variant>& args) {
      if (name != "Progress" || args.size() < 4) return;
      const int32_t cur = CLng(args[0]);
      reported = cur;
      const bool ok = CBool(args[2]);
      DocumentLine* line = cur >= 1 && cur <= static_cast<int32_t>(lines.size()) ? &lines[cur - 1] : nullptr;
      const std::string_view result = !ok                                             ? "refused"
                                      : o.add_new_only && line && line->already_there ? "skipped"
                                                                                      : "saved";
      if (result == "saved" && line) mark_present(*line);
      const std::string message = ok ? std::string() : CStr(args[3]);
      results.Document(line ? line->bill_no : std::string(), line ? line->uuid : std::string(),
                       result, message, {{"file", current_file}, {"index", cur}});
      if (o.json) return;
      out << "  " << cur << "/" << CLng(args[1]) << " " << (line ? line->bill_no : std::string()) << ": ";
      if (!ok)
        out << "refused: " << message << "\n";
      else if (result == "skipped")
        out << "skipped (already in the account)\n";
      else
        out << "saved\n";
    });
    for (const std::string& file : o.files) {
      current_file = file;
      if (!o.json) out << file << "\n";
      const std::string xml = ReadFile(file);
      lines = DocumentsOf(kind, xml, props, o.check_by_uuid);
      reported = 0;
      const int64_t refused_before = results.Count("refused");
      std::vector<server::NamedArgument> args = {{"strPropsString", Variant(props)},
                                                 {"strXML", Variant(xml)},
                                                 {"strError", Variant("")}};
      const bool ok = CBool(importer->InvokeNamed("Import", server::InvokeKind::Method, args));
      if (!ok) {
        ++failed_files;
        std::string error;
        for (const auto& a : args)
          if (EqualsIgnoreCase(a.name, "strError")) error = CStr(a.value);
        const int32_t total = static_cast<int32_t>(lines.size());
        if (total > 0 && reported < total) {
          // The import stopped at a document: the ones before it are saved,
          // the ones after it were not tried.
          results.Document(lines[reported].bill_no, lines[reported].uuid, "refused", error,
                           {{"file", file}, {"index", reported + 1}});
          for (int32_t i = reported + 1; i < total; ++i)
            results.Document(lines[i].bill_no, lines[i].uuid, "not imported",
                             "the import of this file stopped before it",
                             {{"file", file}, {"index", i + 1}});
          if (o.json) continue;
          out << "  " << reported + 1 << "/" << total << " " << lines[reported].bill_no
              << ": refused, and the import of this file stopped here:\n"
              << error << "\n";
          if (reported + 1 < total)
            out << "  documents " << reported + 2 << " to " << total << " were not imported\n";
        } else {
          results.Line({{"file", file}, {"result", "file refused"}, {"message", error}});
          if (!o.json) out << "  the file was refused:\n" << error << "\n";
        }
      } else if (results.Count("refused") > refused_before) {
        ++failed_files;
      }
    }
  } catch (...) {
    return ReportSetUpFailure("import", err);
  }
  const int status = failed_files == 0 && results.Count("refused") == 0 ? 0 : 1;
  results.Summary({{"files", o.files.size()}, {"files with refusals", failed_files}});
  if (o.json) return status;
  out << "imported " << Counted(results.Count("saved"), kind.one, kind.plural);
  if (results.Count("skipped")) out << ", skipped " << results.Count("skipped");
  if (results.Count("refused")) out << ", refused " << results.Count("refused");
  out << " from " << Counted(o.files.size(), "file", "files");
  if (failed_files) out << " (" << failed_files << " with refusals)";
  out << "\n";
  return status;
}

}  // namespace corvane::cli

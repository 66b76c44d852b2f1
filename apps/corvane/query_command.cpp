#include "apps/corvane/query_command.h"

#include <vector>

#include "apps/corvane/answer_records.h"
#include "apps/corvane/command_failure.h"
#include "apps/corvane/json_lines.h"
#include "apps/corvane/table_printer.h"
#include "frame/messages.h"
#include "server/dispatch.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane::cli {
namespace {

// Calls Export on the class; answers the call's result with the XML or the
// error text.
bool Ask(const char* prog_id, std::vector<server::NamedArgument> args, std::string& xml,
         std::string& error) {
  server::DispatchPtr query = server::CreateDispatchObject(prog_id);
  args.push_back({"sXML", Variant("")});
  args.push_back({"sError", Variant("")});
  const bool ok = CBool(query->InvokeNamed("Export", server::InvokeKind::Method, args));
  for (const auto& a : args) {
    if (EqualsIgnoreCase(a.name, "sXML")) xml = CStr(a.value);
    if (EqualsIgnoreCase(a.name, "sError")) error = CStr(a.value);
  }
  return ok;
}

std::string Text(const ValueDictionary& d, const char* key) {
  const Variant v = d.GetValue(key, Variant(""));
  return CellText(v);
}

// "Number Name" of a key record under `key`; "" when absent.
std::string KeyText(const ValueDictionary& d, const char* key) {
  const Variant v = d.GetValue(key, Variant::Nothing());
  if (!v.IsObject() || v.IsNothing()) return {};
  const auto k = v.ObjectAs<ValueDictionary>();
  const std::string name = Text(*k, "Name");
  return Text(*k, "Number") + (name.empty() ? "" : " " + name);
}

// A kind of query: the class that answers it, the root of its answer, the
// message of its False that means "nothing of that number", and how an
// answer is printed as tables and written as JSON lines.
struct QueryKind {
  const char* command;
  const char* prog_id;
  const char* not_found;  // the message key
  void (*print)(const ValueVector&, std::ostream&);
  void (*report)(const ValueVector&, ResultLines&);
};

int Run(const QueryOptions& o, const QueryKind& q, std::vector<server::NamedArgument> args,
        const char* root, std::ostream& out, std::ostream& err) {
  if (!o.account.Given()) {
    err << q.command << ": give --db PATH or --props\n";
    return 2;
  }
  if (o.table && o.json) {
    err << q.command << ": --table and --json exclude each other\n";
    return 2;
  }
  try {
    o.account.Open()->CloseConn();
    ResultLines results(out, o.json, {"found", "not found", "refused"});
    std::string xml, error;
    if (!Ask(q.prog_id, std::move(args), xml, error)) {
      const bool not_found = error == GetMessageText(q.not_found);
      results.Document(o.number, "", not_found ? "not found" : "refused", error);
      results.Summary();
      if (!o.json) err << q.command << ": " << error << "\n";
      return 1;
    }
    if (o.json) {
      q.report(*RecordsOf(xml, root, "the answer"), results);
      results.Summary();
    } else if (o.table) {
      q.print(*RecordsOf(xml, root, "the answer"), out);
    } else {
      out << xml;
    }
    return 0;
  } catch (...) {
    return ReportSetUpFailure(q.command, err);
  }
}

// {"number", "name", "uuid"} of a key record under `key`; null when absent.
nlohmann::json KeyJson(const ValueDictionary& d, const char* key) {
  const Variant v = d.GetValue(key, Variant::Nothing());
  if (!v.IsObject() || v.IsNothing()) return nullptr;
  const auto k = v.ObjectAs<ValueDictionary>();
  return {{"number", Text(*k, "Number")}, {"name", Text(*k, "Name")}, {"uuid", Text(*k, "UUID")}};
}

// One line per item: its figures as the answer writes them, and its batches.
void ReportStock(const ValueVector& records, ResultLines& results) {
  for (const Variant& item : records) {
    const ValueDictionary& r = *item.ObjectAs<ValueDictionary>();
    nlohmann::json more = {{"name", Text(r, "Name")}};
    for (const char* key : {"FLowLimit", "FHighLimit", "FSecInv", "FCurrentQty", "FLockedQty"})
      if (r.Exists(key)) more[key] = Text(r, key);
    const Variant batches = r.GetValue("FItemQtyWithBatch", Variant::Nothing());
    if (batches.IsObject() && !batches.IsNothing()) {
      more["batches"] = nlohmann::json::array();
      for (const Variant& b : *batches.ObjectAs<ValueVector>()) {
        const ValueDictionary& batch = *b.ObjectAs<ValueDictionary>();
        more["batches"].push_back(
            {{"FBatchNo", Text(batch, "FBatchNo")}, {"FCurrentQty", Text(batch, "FCurrentQty")}});
      }
    }
    results.Document(Text(r, "Number"), Text(r, "UUID"), "found", "", std::move(more));
  }
}

// One line per stock bill, with its entries that name the order.
void ReportTrace(const ValueVector& records, ResultLines& results) {
  for (const Variant& item : records) {
    const ValueDictionary& bill = *item.ObjectAs<ValueDictionary>();
    nlohmann::json more = {{"date", Text(bill, "Date")},
                           {"rob", Text(bill, "ROB")},
                           {"order", KeyJson(bill, "OrderBill")},
                           {"entries", nlohmann::json::array()}};
    const Variant entries = bill.GetValue("Entry", Variant::Nothing());
    if (entries.IsObject() && !entries.IsNothing()) {
      for (const Variant& e : *entries.ObjectAs<ValueVector>()) {
        const ValueDictionary& entry = *e.ObjectAs<ValueDictionary>();
        more["entries"].push_back({{"item", KeyJson(entry, "Item")},
                                   {"unit", KeyJson(entry, "Unit")},
                                   {"qty", Text(entry, "Qty")}});
      }
    }
    results.Document(Text(bill, "Number"), Text(bill, "UUID"), "found", "", std::move(more));
  }
}

void PrintStock(const ValueVector& records, std::ostream& out) {
  for (const Variant& item : records) {
    const ValueDictionary& r = *item.ObjectAs<ValueDictionary>();
    std::vector<std::string> header, row;
    for (const char* key : {"Number", "Name", "UUID", "FLowLimit", "FHighLimit", "FSecInv",
                            "FCurrentQty", "FLockedQty"}) {
      if (!r.Exists(key)) continue;
      header.emplace_back(key);
      row.push_back(Text(r, key));
    }
    PrintTable(header, {row}, out);
    const Variant batches = r.GetValue("FItemQtyWithBatch", Variant::Nothing());
    if (!batches.IsObject() || batches.IsNothing()) continue;
    std::vector<std::vector<std::string>> rows;
    for (const Variant& b : *batches.ObjectAs<ValueVector>()) {
      const ValueDictionary& batch = *b.ObjectAs<ValueDictionary>();
      rows.push_back({Text(batch, "FBatchNo"), Text(batch, "FCurrentQty")});
    }
    out << "\n";
    PrintTable({"FBatchNo", "FCurrentQty"}, rows, out);
  }
}

void PrintTrace(const ValueVector& records, std::ostream& out) {
  std::vector<std::vector<std::string>> rows;
  for (const Variant& item : records) {
    const ValueDictionary& bill = *item.ObjectAs<ValueDictionary>();
    const Variant entries = bill.GetValue("Entry", Variant::Nothing());
    if (!entries.IsObject() || entries.IsNothing()) continue;
    for (const Variant& e : *entries.ObjectAs<ValueVector>()) {
      const ValueDictionary& entry = *e.ObjectAs<ValueDictionary>();
      rows.push_back({Text(bill, "Number"), Text(bill, "Date"), Text(bill, "ROB"),
                      KeyText(bill, "OrderBill"), KeyText(entry, "Item"), KeyText(entry, "Unit"),
                      Text(entry, "Qty")});
    }
  }
  PrintTable({"Number", "Date", "ROB", "OrderBill", "Item", "Unit", "Qty"}, rows, out);
}

}  // namespace

CLI::App* AddStockCommand(CLI::App& app, QueryOptions& o) {
  CLI::App* cmd = app.add_subcommand("stock", "The stock of one item (Corvane.CStockQuery)");
  cmd->add_option("item", o.number, "The item number")->required();
  o.account.AddTo(cmd);
  cmd->add_flag("--no-batch", o.no_batch, "One total instead of the stock per batch");
  cmd->add_flag("--table", o.table, "Aligned tables instead of the XML answer");
  cmd->add_flag("--json", o.json, "One JSON object a line per item, and a summary last");
  return cmd;
}

CLI::App* AddTraceCommand(CLI::App& app, QueryOptions& o) {
  CLI::App* cmd = app.add_subcommand(
      "trace", "The stock bills delivered against one sales order (Corvane.COrderTrace)");
  cmd->add_option("order", o.number, "The sales order number")->required();
  o.account.AddTo(cmd);
  cmd->add_flag("--table", o.table, "An aligned table instead of the XML answer");
  cmd->add_flag("--json", o.json, "One JSON object a line per stock bill, and a summary last");
  return cmd;
}

int RunStock(const QueryOptions& o, std::ostream& out, std::ostream& err) {
  static constexpr QueryKind kStock{"stock", "Corvane.CStockQuery", "物料不存在！", &PrintStock,
                                    &ReportStock};
  return Run(o, kStock,
             {{"sDSN", Variant(o.account.PropsString())},
              {"sItemNumber", Variant(o.number)},
              {"bNeedBatchInfo", Variant(!o.no_batch)}},
             o.no_batch ? "TavoStockDataQueryWithOutBatch" : "TavoStockDataQueryWithBatch", out,
             err);
}

int RunTrace(const QueryOptions& o, std::ostream& out, std::ostream& err) {
  static constexpr QueryKind kTrace{"trace", "Corvane.COrderTrace", "不存在销售出库单", &PrintTrace,
                                    &ReportTrace};
  return Run(o, kTrace,
             {{"sDSN", Variant(o.account.PropsString())}, {"sSaleOrderNo", Variant(o.number)}},
             "TavoSaleOrderTrace", out, err);
}

}  // namespace corvane::cli

#include "apps/corvane/query_command.h"

#include <vector>

#include "apps/corvane/command_failure.h"
#include "apps/corvane/table_printer.h"
#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
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

// The records of an answer, read back against its schema.
ValueVectorPtr Records(const std::string& xml, const char* root) {
  ValueVectorPtr records;
  std::string error;
  if (!ReadXMLDocument(records, xml, ThisThreadSchemaFolder() + root + ".xsd", root, error))
    throw std::runtime_error("the answer cannot be read back: " + error);
  return records;
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

int Run(const QueryOptions& o, const char* command, const char* prog_id,
        std::vector<server::NamedArgument> args, const char* root,
        void (*print)(const ValueVector&, std::ostream&), std::ostream& out, std::ostream& err) {
  if (!o.account.Given()) {
    err << command << ": give --db PATH or --props\n";
    return 2;
  }
  try {
    std::string xml, error;
    if (!Ask(prog_id, std::move(args), xml, error)) {
      err << command << ": " << error << "\n";
      return 1;
    }
    if (o.table)
      print(*Records(xml, root), out);
    else
      out << xml;
    return 0;
  } catch (...) {
    return ReportSetUpFailure(command, err);
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
  return cmd;
}

CLI::App* AddTraceCommand(CLI::App& app, QueryOptions& o) {
  CLI::App* cmd = app.add_subcommand(
      "trace", "The stock bills delivered against one sales order (Corvane.COrderTrace)");
  cmd->add_option("order", o.number, "The sales order number")->required();
  o.account.AddTo(cmd);
  cmd->add_flag("--table", o.table, "An aligned table instead of the XML answer");
  return cmd;
}

int RunStock(const QueryOptions& o, std::ostream& out, std::ostream& err) {
  return Run(o, "stock", "Corvane.CStockQuery",
             {{"sDSN", Variant(o.account.PropsString())},
              {"sItemNumber", Variant(o.number)},
              {"bNeedBatchInfo", Variant(!o.no_batch)}},
             o.no_batch ? "TavoStockDataQueryWithOutBatch" : "TavoStockDataQueryWithBatch",
             &PrintStock, out, err);
}

int RunTrace(const QueryOptions& o, std::ostream& out, std::ostream& err) {
  return Run(o, "trace", "Corvane.COrderTrace",
             {{"sDSN", Variant(o.account.PropsString())}, {"sSaleOrderNo", Variant(o.number)}},
             "TavoSaleOrderTrace", &PrintTrace, out, err);
}

}  // namespace corvane::cli

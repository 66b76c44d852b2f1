#include "platform/erp/list_update_service.h"

#include <optional>
#include <string>

#include "platform/erp/account_connection.h"
#include "platform/erp/bill_save_service.h"
#include "values/run_time_error.h"

namespace corvane::erp {
namespace {

constexpr const char* kSource = "TavoListServer.clsListUpdate";

std::string Text(const Variant& v) { return v.IsNull() ? std::string() : CStr(v); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// What the request asks to delete.
struct Deletion {
  int32_t tran_type;
  int32_t inter_id;
  std::string bill_no;  // trimmed
  int32_t list_id;
  int32_t template_id;
  int32_t bill_cls;
  BillTables tables;
};

// The reason the document may not be deleted, or nothing when it may. Runs
// inside the open transaction, so what it checks is what gets deleted.
std::optional<std::string> Refusal(IConnection& db, const Deletion& d) {
  const std::string id_text = std::to_string(d.inter_id);
  const RecordSetPtr head = db.Execute("SELECT FTranType, FBillNo, FStatus FROM " +
                                       std::string(d.tables.head) + " WHERE FInterID=" + id_text);
  if (head->Eof()) {
    return "Document " + id_text + " does not exist in " + d.tables.head;
  }
  const Variant type_value = head->Fields("FTranType");
  // A sales order head without a type is a sales order all the same.
  const std::optional<int32_t> type =
      type_value.IsNull() ? (d.tran_type == 81 ? std::optional<int32_t>(81) : std::nullopt)
                          : std::optional<int32_t>(CLng(type_value));
  if (type != d.tran_type) {
    return "Document " + id_text + " of " + d.tables.head + " is of transaction type " +
           (type ? std::to_string(*type) : std::string("Null")) + ", not " +
           std::to_string(d.tran_type);
  }
  const std::string stored_no = Trim(Text(head->Fields("FBillNo")));
  if (!EqualsIgnoreCase(stored_no, d.bill_no)) {
    return "Document " + id_text + " of " + d.tables.head + " is numbered " + Quoted(stored_no) +
           ", not " + Quoted(d.bill_no);
  }
  const Variant status = head->Fields("FStatus");
  if (!status.IsNull() && CLng(status) != 0) {
    return "Document " + Quoted(d.bill_no) + " is checked and cannot be deleted";
  }
  const RecordSetPtr list = db.Execute(
      "SELECT COUNT(*) FROM ICListTemplate WHERE FBillTemplateID=" + std::to_string(d.tran_type) +
      " AND FID=" + std::to_string(d.list_id) + " AND FTemplateID=" +
      std::to_string(d.template_id) + " AND FBillCls=" + std::to_string(d.bill_cls));
  if (list->Eof() || CLng(list->Fields(0)) == 0) {
    return "The list template (FID " + std::to_string(d.list_id) + ", FTemplateID " +
           std::to_string(d.template_id) + ", FBillCls " + std::to_string(d.bill_cls) +
           ") is not a document list of transaction type " + std::to_string(d.tran_type);
  }
  return std::nullopt;
}

}  // namespace

bool ListUpdateService::DeleteBill(std::string& bill_no, Variant& props, int32_t& list_id,
                                   std::string& /*login*/, int32_t& inter_id, int32_t& tran_type,
                                   int32_t& bill_cls, int32_t& template_id,
                                   std::string& /*error_text*/, int32_t& /*zero*/,
                                   std::string& message) {
  const ConnectionPtr connection = ConnectAccount(CStr(props), kSource);

  bool deleted = false;
  try {
    if (tran_type != 81 && tran_type != 80 && tran_type != 86) {
      message = "Documents of transaction type " + std::to_string(tran_type) +
                " are not deleted through the document lists";
    } else if (inter_id < 1) {
      message = "Document " + std::to_string(inter_id) + " is not a document that can be deleted";
    } else {
      const Deletion deletion{tran_type,   inter_id, Trim(bill_no),          list_id,
                              template_id, bill_cls, BillTablesOf(tran_type)};
      deleted = RunInWriteTransaction(*connection, [&] {
        if (const std::optional<std::string> refusal = Refusal(*connection, deletion)) {
          message = *refusal;
          return false;
        }
        const std::string where = " WHERE FInterID=" + std::to_string(inter_id);
        connection->Execute("DELETE FROM " + std::string(deletion.tables.entries) + where);
        connection->Execute("DELETE FROM " + std::string(deletion.tables.head) + where);
        return true;
      });
    }
  } catch (...) {
    try {
      message = CurrentExceptionAsRuntimeError().description();
    } catch (...) {
      message = "The document could not be deleted";
    }
  }
  try {
    connection->CloseConn();
  } catch (...) {
    // Closing only gives the database handle back; nothing is lost.
  }
  return deleted;
}

}  // namespace corvane::erp

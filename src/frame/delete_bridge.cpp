#include "frame/delete_bridge.h"

#include <optional>

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/front_door.h"
#include "frame/gateway.h"
#include "frame/messages.h"
#include "frame/outside/list_update.h"
#include "frame/outside/object_factory.h"

namespace corvane {
namespace {

// The statement that reads a document's number, by kind; nullptr for a kind
// the list update service does not delete.
const char* BillNoStatement(int32_t kind_code) {
  switch (kind_code) {
    case 81:
      return "SELECT FBillNo FROM SEOrder WHERE FInterID=";
    case 80:
    case 86:
      return "SELECT FBillNo FROM ICSale WHERE FInterID=";
    default:
      return nullptr;
  }
}

int32_t ZeroIfNull(const Variant& v) { return v.IsNull() ? 0 : CLng(v); }

// The list through which the ERP deletes documents of a kind; all 0 when the
// kind has none.
struct ListTemplate {
  int32_t list_id = 0;
  int32_t template_id = 0;
  int32_t bill_cls = 0;
  bool Complete() const { return list_id != 0 && template_id != 0 && bill_cls != 0; }
};

}  // namespace

bool DeleteBillThroughService(const std::string& props, int32_t kind_code, int32_t inter_id,
                              std::string& error_text) noexcept {
  std::optional<RuntimeError> pending;
  try {
    ConnectionPtr connection;
    OpenErpConnection(connection);

    const char* number_statement = BillNoStatement(kind_code);
    if (!number_statement) {
      error_text = GetMessageText("单据不存在！");
      return false;
    }
    std::string bill_no;
    {
      RecordSetPtr rs = connection->GetAnyRecordSet(number_statement + std::to_string(inter_id));
      if (rs) {
        if (!rs->Eof()) {
          const Variant& number = rs->Fields("FBillNo");
          bill_no = number.IsNull() ? std::string() : Trim(CStr(number));
        }
        rs->Close();
      }
    }
    if (bill_no.empty()) {
      error_text = GetMessageText("单据不存在！");
      return false;
    }

    ListTemplate list;
    {
      RecordSetPtr rs = connection->GetAnyRecordSet(
          "SELECT FID,FTemplateID,FBillCls FROM ICListTemplate WHERE FBillTemplateID=" +
          std::to_string(kind_code));
      if (rs) {
        if (!rs->Eof()) {
          list.list_id = ZeroIfNull(rs->Fields("FID"));
          list.template_id = ZeroIfNull(rs->Fields("FTemplateID"));
          list.bill_cls = ZeroIfNull(rs->Fields("FBillCls"));
        }
        rs->Close();
      }
    }
    if (!list.Complete()) {
      error_text = GetMessageText("单据模板出错！");
      return false;
    }

    std::string login =
        GetConnectString() + "|" + std::to_string(GetActiveUserID()) + "|" + GetActiveUserName();
    auto list_update = CreateObjectAs<IListUpdate>(kListUpdateProgId);
    Variant props_arg(props);
    int32_t id = inter_id;
    int32_t kind = kind_code;
    int32_t zero = 0;
    std::string message;
    if (list_update->DeleteBill(bill_no, props_arg, list.list_id, login, id, kind, list.bill_cls,
                                list.template_id, error_text, zero, message)) {
      return true;
    }
    error_text += message;
    return false;
  } catch (...) {
    pending = CurrentExceptionAsRuntimeError();
  }
  // The failure path: a pending error's description is added in brackets.
  AppendBracketedError(error_text, *pending);
  return false;
}

}  // namespace corvane

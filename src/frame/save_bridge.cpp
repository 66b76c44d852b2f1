#include "frame/save_bridge.h"

#include <optional>

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/messages.h"
#include "frame/outside/bill_service.h"
#include "frame/outside/object_factory.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

ValueDictionaryPtr Child(const ValueDictionary& parent, const char* key) {
  return parent.GetValue(key, Variant::Nothing()).ObjectAs<ValueDictionary>();
}

// A value of the service's answer, where Null (a key the service left
// unset) reads as `fallback`.
Variant AnswerValue(const ValueDictionary& result, const char* key, const Variant& fallback) {
  const Variant value = result.GetValue(key, fallback);
  return value.IsNull() ? fallback : value;
}

// The message of a refusal by its return code.
std::string RefusalText(int32_t ret_code, const ValueDictionary& result) {
  // An absent text is an error of the answer; a Null one is no text.
  auto service_text = [&] {
    const Variant text = result.Value("ReturnMsg");
    return text.IsNull() ? std::string() : CStr(text);
  };
  switch (ret_code) {
    case 3: return GetMessageText("信用问题！") + service_text();
    case 2: return GetMessageText("最高最低库存问题！") + service_text();
    case 1: return GetMessageText("负库存问题！") + service_text();
    case -200:
    case -201: return service_text();
    case -199: return GetMessageText("单据编号重复问题！需要设置自动生成编号");
    default: return GetMessageText("保存单据出错。") + service_text();
  }
}

}  // namespace

bool SaveBillThroughService(const std::string& props_in, int32_t tran_type,
                            const ValueVectorPtr& bill, int32_t& bill_inter_id,
                            std::string& error_text) noexcept {
  std::optional<RuntimeError> pending;
  try {
    std::string props = props_in;
    Variant package = Variant::Nothing();
    {
      auto reader = CreateObjectAs<IBillPackageReader>(kBillPackageProgId);
      int32_t type = tran_type;
      reader->GetBillEmptyPackage(props, type, package);
    }
    auto package_dict = package.ObjectAs<ValueDictionary>();
    auto save_info = Child(*Child(*Child(*package_dict, "DataStructure"), "BillInfo"), "SaveInfo");
    auto head = bill->Item(1).ObjectAs<ValueDictionary>();

    {
      auto numbering = CreateObjectAs<IBillSaveService>(kBillSaveProgId);
      save_info->SetValue("AutoBillNO", numbering->GetBillNo(props, tran_type, false));
    }
    save_info->SetValue("BillNo", Variant(Trim(CStr(head->GetValue("BillNo", Variant(""))))));
    // The service numbers a document without a number of its own inside its
    // saving transaction; one that carries a number is saved under it or
    // refused, even when it equals the automatic number it was told.
    const bool auto_numbered = CStr(save_info->Value("BillNo")).empty();
    if (auto_numbered) save_info->SetValue("BillNo", save_info->Value("AutoBillNO"));
    save_info->SetValue("AutoNumbered", Variant(auto_numbered));
    // The UUID the caller looked the document up by: the service looks again
    // inside its transaction, so a concurrent save of the same document is
    // refused instead of written twice.
    const std::string find_uuid = Trim(CStr(head->GetValue("FindUUID", Variant(""))));
    if (!find_uuid.empty()) save_info->SetValue("FindUUID", Variant(find_uuid));

    const Variant inter_id = head->GetValue("InterID", Variant(int32_t(0)));
    const bool is_red = !CBool(head->GetValue("ROB", Variant(int32_t(1))));
    save_info->SetValue("BillNoFldName", Variant("FBillNo"));
    save_info->SetValue("BillInterID", inter_id);
    save_info->SetValue("IsRedBill", Variant(is_red));
    save_info->SetValue("CurBillUpStockWhenSave", Variant(int16_t(0)));
    save_info->SetValue("UpStockWhenSave", Variant(int16_t(0)));
    if (!save_info->Exists("ReSave")) save_info->SetValue("ReSave", Variant(int16_t(0)));
    if (!save_info->Exists("IgnoreCredit")) save_info->SetValue("IgnoreCredit", Variant(false));
    if (!save_info->Exists("JustForAccInput")) save_info->SetValue("JustForAccInput", Variant(false));
    if (!save_info->Exists("IsAppendItemBill")) save_info->SetValue("IsAppendItemBill", Variant(false));
    if (!save_info->Exists("UserID")) save_info->SetValue("UserID", Variant(GetUserID()));

    Variant extension = save_info->GetValue("SaveVecExt", Variant::Nothing());
    if (extension.IsNothing()) {
      auto ext = ValueDictionary::Create();
      ext->SetValue("FInterID", inter_id);
      ext->SetValue("FTransType", Variant(tran_type));
      ext->SetValue("IsRedBill", Variant(is_red));
      auto list = ValueVector::Create();
      list->Add(Variant(ext));
      extension = Variant(list);
    }
    save_info->SetValue("EntrySQL", bill->Item(2));
    save_info->SetValue("HeadSQL", bill->Item(3));

    auto save_list = ValueVector::Create();
    save_list->Add(Variant(save_info));
    save_list->Add(extension);
    save_list->Add(package);

    auto saver = CreateObjectAs<IBillSaveService>(kBillSaveProgId);
    ValueDictionaryPtr result = saver->SaveBillEx(props, save_list);
    if (!result) throw RuntimeError(err::kObjectNotSet);
    if (CBool(AnswerValue(*result, "Success", Variant(false)))) {
      bill_inter_id = CLng(result->Value("BillInterID"));
      return true;
    }
    error_text = RefusalText(CLng(AnswerValue(*result, "RetCode", Variant(int32_t(0)))), *result);
    return false;
  } catch (...) {
    pending = CurrentExceptionAsRuntimeError();
  }
  // The common ending: a pending error's description is added in brackets.
  AppendBracketedError(error_text, *pending);
  return false;
}

}  // namespace corvane

#include "exchange/document_fields.h"

#include <cmath>

#include "frame/document_values.h"
#include "frame/key_mapping.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "values/run_time_error.h"

namespace corvane {

Variant ColumnOr(const IRecordSet& rs, const char* column, const Variant& fallback) {
  return ThisThreadValueUtility().ValueOrDefault(rs.Fields(column), fallback);
}

int32_t ColumnId(const IRecordSet& rs, const char* column) {
  return CLng(ColumnOr(rs, column, Variant(int32_t(0))));
}

ValueDictionaryPtr KeyRecordOf(const ValueDictionary& record, const char* key) {
  const Variant v = record.GetValue(key, Variant::Nothing());
  if (v.IsNothing() || v.IsNull() || v.IsEmpty()) return nullptr;
  return v.ObjectAs<ValueDictionary>();
}

int32_t KeyId(bool check_by_uuid, const ValueDictionary& record, const char* key, const char* kind,
              const Variant& item_class) {
  const ValueDictionaryPtr key_record = KeyRecordOf(record, key);
  return key_record ? FindBaseDataID(check_by_uuid, *key_record, kind, item_class) : 0;
}

ValueVectorPtr EntriesOf(const ValueDictionary& record, const char* key) {
  const Variant value = record.GetValue(key, Variant::Nothing());
  ValueVectorPtr entries =
      value.IsObject() && !value.IsNothing() ? value.ObjectAs<ValueVector>() : nullptr;
  if (!entries || entries->Count() == 0) throw CheckFailed{MessageKey("至少必须有一条分录！")};
  return entries;
}

std::string NumberOf(const ValueDictionary& record, const char* key, const char* fallback,
                     const char* source) {
  return DocumentNumberText(record.GetValue(key, Variant(fallback)), key, source);
}

int32_t WholeNumberOf(const ValueDictionary& record, const char* key, int32_t fallback,
                      const char* source) {
  const Variant value = record.GetValue(key, Variant(fallback));
  const std::string text = DocumentNumberText(value, key, source);
  const double number = CDbl(Variant(text));
  if (number != std::floor(number) || number < -2147483648.0 || number > 2147483647.0)
    throw RuntimeError(err::kTypeMismatch, source,
                       FormatMessageText(MessageKey("%1 的值不是整数：%2"),
                                         {Variant(key), Variant(text)}));
  return static_cast<int32_t>(number);
}

void CheckQuantitySigns(double qty, double amount, int32_t rob) {
  if (qty == 0 && amount == 0) throw CheckFailed{MessageKey("金额与数量不能都为零！")};
  if (rob == 1 && qty < 0) throw CheckFailed{MessageKey("蓝字单据数量必须大于等于零！")};
  if (rob == -1 && qty > 0) throw CheckFailed{MessageKey("红字单据数量必须小于等于零！")};
}

std::string TextOf(const ValueDictionary& record, const char* key) {
  const Variant value = record.GetValue(key, Variant(""));
  return value.IsNull() ? std::string() : CStr(value);
}

std::string RefusedDocumentMessage(const std::string& bill_no, const std::string& reason) {
  return GetMessageText("单据") + bill_no + GetMessageText("引入出错！") + reason;
}

}  // namespace corvane

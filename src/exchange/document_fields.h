// Fields of the exchanged documents, shared by the exchange classes: reading
// a column into a record on export, and on import reading a key record,
// mapping it to an internal ID, checking the numbers and dates that go into
// SQL text, and the message of a refused document.
#pragma once

#include <cstdint>
#include <string>

#include "frame/outside/connection.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane {

// Export: the column's value, or `fallback` when it is Null.
Variant ColumnOr(const IRecordSet& rs, const char* column, const Variant& fallback);
// Export: the ID in a column as a 32-bit integer, 0 for Null.
int32_t ColumnId(const IRecordSet& rs, const char* column);

// Import: a check of a document that failed, with its fixed message (looked
// up when the document's message is made).
struct CheckFailed {
  const char* message;
};

// Import: the key record under `key`, or nullptr when the record has none.
ValueDictionaryPtr KeyRecordOf(const ValueDictionary& record, const char* key);

// Import: the internal ID of the key record under `key` (FindBaseDataID with
// `kind` and `item_class`), 0 when the record has no such key or it names no
// row. A lookup that fails raises.
int32_t KeyId(bool check_by_uuid, const ValueDictionary& record, const char* key, const char* kind,
              const Variant& item_class = Variant(int32_t(0)));

// Import: the entry records under `key`; a missing or empty list fails the
// document with "至少必须有一条分录！".
ValueVectorPtr EntriesOf(const ValueDictionary& record, const char* key);

// Import: the text of the number under `key` (default `fallback`), written
// into SQL as it came: a plain decimal number the account's columns hold
// (DocumentNumberText), else the document fails naming `key`.
std::string NumberOf(const ValueDictionary& record, const char* key, const char* fallback,
                     const char* source);
// The same for a whole 32-bit number (types, flags, periods): "80.5" and
// "99999999999" fail the document with "<key> 的值不是整数：<text>".
int32_t WholeNumberOf(const ValueDictionary& record, const char* key, int32_t fallback,
                      const char* source);

// Import: the checks of an entry's quantity against its amount and the red
// or blue flag: both 0 fails with "金额与数量不能都为零！"; a blue document
// (ROB 1) with a negative quantity with "蓝字单据数量必须大于等于零！", a red one
// (ROB -1) with a positive quantity with "红字单据数量必须小于等于零！". Other
// ROB values are not checked.
void CheckQuantitySigns(double qty, double amount, int32_t rob);

// Import: the text under `key` (default "") for a text literal; Null is "".
std::string TextOf(const ValueDictionary& record, const char* key);

// Import: the message of a refused document: "单据" + number + "引入出错！" +
// the reason, the fixed parts looked up.
std::string RefusedDocumentMessage(const std::string& bill_no, const std::string& reason);

}  // namespace corvane

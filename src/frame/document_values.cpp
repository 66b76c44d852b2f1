#include "frame/document_values.h"

#include "frame/messages.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

[[noreturn]] void Refuse(int32_t number, const char* message, const char* element,
                         const std::string& text, const char* source) {
  throw RuntimeError(number, source,
                     FormatMessageText(message, {Variant(element), Variant(text)}));
}

// Digits before the decimal point, leading zeros and sign not counted.
size_t IntegerDigits(const std::string& text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  return digits;
}

int Digits(const std::string& text, size_t at, size_t count) {
  int n = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

}  // namespace

std::string DocumentNumberText(const Variant& value, const char* element, const char* source) {
  std::string text;
  if (value.IsNumber()) {
    text = PlainNumberText(CDbl(value));
  } else {
    text = Trim(value.IsNull() ? std::string() : CStr(value));
    if (!IsPlainDecimal(text))
      Refuse(err::kTypeMismatch, MessageKey("%1 的值不是数字：%2"), element, text, source);
  }
  if (IntegerDigits(text) > kMaxIntegerDigits)
    Refuse(err::kOverflow, MessageKey("%1 的值超出范围：%2"), element, text, source);
  return text;
}

bool IsAccountDate(Date d) {
  return d.serial >= MakeDate(1753, 1, 1).serial && d.serial < MakeDate(9999, 12, 31).serial + 1;
}

Date DocumentDate(const Variant& value, const char* element, const char* source) {
  if (value.type() == VarType::Date) {
    if (!IsAccountDate(value.AsDate()))
      Refuse(err::kOverflow, MessageKey("%1 的值超出范围：%2"), element,
             DateToText(value.AsDate()), source);
    return value.AsDate();
  }
  const std::string text = value.IsNull() ? std::string() : CStr(value);
  const int year = text.size() == 10 && text[4] == '-' && text[7] == '-' ? Digits(text, 0, 4) : -1;
  const int month = year < 0 ? -1 : Digits(text, 5, 2);
  const int day = month < 0 ? -1 : Digits(text, 8, 2);
  if (day >= 0 && year < 1753)
    Refuse(err::kOverflow, MessageKey("%1 的值超出范围：%2"), element, text, source);
  Date date;
  try {
    if (day < 0) throw RuntimeError(err::kTypeMismatch);
    date = MakeDate(year, month, day);
  } catch (const RuntimeError&) {
    Refuse(err::kTypeMismatch, MessageKey("%1 的值不是日期：%2"), element, text, source);
  }
  if (!IsAccountDate(date))
    Refuse(err::kOverflow, MessageKey("%1 的值超出范围：%2"), element, text, source);
  return date;
}

}  // namespace corvane

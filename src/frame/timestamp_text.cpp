#include "frame/timestamp_text.h"

#include <cctype>

namespace corvane {

std::string TimestampToText(const Variant& value) noexcept {
  try {
    if (value.type() != VarType::Bytes || value.AsBytes().empty()) return kZeroTimestamp;
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (uint8_t b : value.AsBytes()) {
      text += kHex[b >> 4];
      text += kHex[b & 0x0F];
    }
    return text;
  } catch (...) {
    return kZeroTimestamp;
  }
}

bool IsTimestampText(std::string_view text) {
  if (text.size() < 3 || text.size() > 18 || text[0] != '0' || text[1] != 'x') return false;
  for (char c : text.substr(2))
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace corvane

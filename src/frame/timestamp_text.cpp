#include "frame/timestamp_text.h"

#include <algorithm>
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

bool TimestampLess(std::string_view a, std::string_view b) {
  auto digits = [](std::string_view t) {
    t.remove_prefix(std::min<size_t>(2, t.size()));
    while (!t.empty() && t.front() == '0') t.remove_prefix(1);
    return t;
  };
  const std::string_view da = digits(a), db = digits(b);
  if (da.size() != db.size()) return da.size() < db.size();
  for (size_t i = 0; i < da.size(); ++i) {
    const int ca = std::toupper(static_cast<unsigned char>(da[i]));
    const int cb = std::toupper(static_cast<unsigned char>(db[i]));
    if (ca != cb) return ca < cb;
  }
  return false;
}

}  // namespace corvane

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

std::string BelowFloorCondition(std::string_view column, const Variant& floor) {
  if (floor.IsEmpty() || floor.IsNull()) return {};
  return " AND " + std::string(column) + "<" + TimestampToText(floor);
}

std::string CappedBelowFloor(const std::string& max_text, const Variant& floor) {
  if (floor.IsEmpty() || floor.IsNull() || floor.type() != VarType::Bytes) return max_text;
  const std::string floor_text = TimestampToText(floor);
  if (TimestampLess(max_text, floor_text)) return max_text;
  Bytes below = floor.AsBytes();
  // One less, as a big-endian number; a floor of zero leaves no version below.
  if (std::all_of(below.begin(), below.end(), [](uint8_t b) { return b == 0; }))
    return kZeroTimestamp;
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    if ((*it)-- != 0) break;
  }
  return TimestampToText(Variant(below));
}

}  // namespace corvane

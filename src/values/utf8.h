// Reading UTF-8 text one character at a time: the one decoder of the
// component, for the checks that text is well-formed UTF-8 (translation
// files) and that XML can carry it (the XML writers).
//
// Threads: pure functions; any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

// Decodes the character that starts at text[at] into its code point and its
// length in bytes. False when no well-formed character starts there: a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate or
// a code point above U+10FFFF.
inline bool DecodeUtf8(std::string_view text, size_t at, uint32_t& code_point, size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    code_point = lead;
    length = 1;
    return true;
  }
  if ((lead & 0xE0) == 0xC0) {
    code_point = lead & 0x1F, length = 2;
  } else if ((lead & 0xF0) == 0xE0) {
    code_point = lead & 0x0F, length = 3;
  } else if ((lead & 0xF8) == 0xF0) {
    code_point = lead & 0x07, length = 4;
  } else {
    return false;
  }
  if (at + length > text.size()) return false;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return false;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  return code_point >= kSmallest[length] && code_point <= 0x10FFFF &&
         !(code_point >= 0xD800 && code_point <= 0xDFFF);
}

// Whether all of `text` is well-formed UTF-8.
inline bool IsUtf8(std::string_view text) {
  uint32_t code_point;
  size_t length;
  for (size_t at = 0; at < text.size(); at += length)
    if (!DecodeUtf8(text, at, code_point, length)) return false;
  return true;
}

// Whether `text` is well-formed UTF-8 made only of characters XML 1.0 can
// carry: tab, line feed, carriage return, U+0020-U+D7FF, U+E000-U+FFFD and
// U+10000-U+10FFFF.
inline bool IsXmlText(std::string_view text) {
  size_t at = 0;
  // Printable ASCII, nearly all of a document's text, needs no decoding.
  while (at < text.size() && static_cast<unsigned char>(text[at]) - 0x20u < 0x60u) ++at;
  uint32_t c;
  size_t length;
  for (; at < text.size(); at += length) {
    if (!DecodeUtf8(text, at, c, length)) return false;
    const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                         (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
    if (!allowed) return false;
  }
  return true;
}

}  // namespace corvane

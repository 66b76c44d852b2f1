// Test helper: text converted between encodings with iconv(3), to check what
// a file holds independently of the code that wrote it.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace corvane::testing {

// `bytes` converted from encoding `from` to `to`; nullopt when they are not
// valid text of `from` (or a character has no form in `to`).
inline std::optional<std::string> Convert(std::string_view bytes, const char* from,
                                          const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in_p = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_p = out.data();
  size_t out_left = out.size();
  const size_t rc = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace corvane::testing

#include "platform/xml/markup_bounds.h"

#include <libxml/encoding.h>

#include <cstring>
#include <vector>

namespace corvane::xml {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Encodings in which every byte below 0x80 is that ASCII character, so that
// counting by bytes counts what libxml2 reads.
bool ByteEncodingAccepted(const std::string& name) {
  static constexpr std::string_view kNames[] = {"UTF-8",     "UTF8",   "US-ASCII", "ASCII",
                                                "GB2312",    "GBK",    "GB18030",  "BIG5",
                                                "SHIFT_JIS", "EUC-JP", "EUC-KR"};
  for (std::string_view n : kNames)
    if (name == n) return true;
  if (name.size() == 12 && name.compare(0, 11, "WINDOWS-125") == 0)
    return name[11] >= '0' && name[11] <= '8';
  if (name.compare(0, 9, "ISO-8859-") == 0) {
    const std::string part = name.substr(9);
    if (part.empty() || part.size() > 2 || part[0] == '0' ||
        part.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const int n = std::stoi(part);
    return n >= 1 && n <= 16;
  }
  return false;
}

// UTF-16 text as one byte per 16-bit unit: ASCII stays itself, a low
// surrogate becomes a UTF-8 continuation byte and any other unit a UTF-8
// start byte, so that markup, lines and columns read as in the original.
std::string ByteSkeleton(std::string_view text, bool big_endian, size_t first_unit) {
  std::string skeleton;
  skeleton.reserve(text.size() / 2);
  for (size_t i = 2 * first_unit; i + 1 < text.size(); i += 2) {
    const unsigned a = static_cast<unsigned char>(text[i]);
    const unsigned b = static_cast<unsigned char>(text[i + 1]);
    const unsigned unit = big_endian ? (a << 8 | b) : (b << 8 | a);
    skeleton += unit < 0x80 ? static_cast<char>(unit)
                            : (unit >= 0xDC00 && unit <= 0xDFFF ? '\x80' : '\xC0');
  }
  return skeleton;
}

// Counts the markup of text read by bytes.
class Scanner {
 public:
  Scanner(std::string_view text, const MarkupLimits& limits)
      : p_(reinterpret_cast<const unsigned char*>(text.data())), n_(text.size()), limits_(limits) {}

  // The encoding the XML declaration names, "" when there is none; `readable`
  // turns false for a name that is not plain ASCII.
  std::string DeclaredEncoding(bool& readable) const {
    readable = true;
    if (!At(0, "<?xml") || n_ < 6 || !IsBlank(p_[5])) return "";
    const size_t end = After(5, "?>");
    size_t i = 5;
    while (i < end && !At(i, "encoding")) ++i;
    if (i >= end) return "";
    i += 8;
    while (i < end && IsBlank(p_[i])) ++i;
    if (i >= end || p_[i] != '=') return "";
    ++i;
    while (i < end && IsBlank(p_[i])) ++i;
    if (i >= end || (p_[i] != '"' && p_[i] != '\'')) return "";
    const unsigned char quote = p_[i];
    std::string name;
    for (++i; i < end && p_[i] != quote; ++i) {
      if (p_[i] >= 0x80 || name.size() > 64) {
        readable = false;
        return "";
      }
      name += static_cast<char>(p_[i]);
    }
    return name;
  }

  std::string Run() {
    for (size_t i = 0; (i = Find(i, '<')) < n_;) {
      const unsigned char next = i + 1 < n_ ? p_[i + 1] : 0;
      if (next == '/') {  // an end tag
        if (!open_.empty()) {
          in_scope_ -= open_.back();
          open_.pop_back();
        }
        i = After(i + 2, ">");
      } else if (next == '?') {
        i = After(i + 2, "?>");
      } else if (next != '!') {
        if (!StartTag(i)) return refusal_;
      } else if (At(i, "<!--")) {
        i = After(i + 4, "-->");
      } else if (At(i, "<![CDATA[")) {
        i = After(i + 9, "]]>");
      } else if (At(i, "<!DOCTYPE")) {
        return Refuse(i, "a document type declaration is not accepted (no DTDs or entities)");
      } else {
        i = After(i + 2, ">");
      }
    }
    return "";
  }

 private:
  // The index of the first `c` at or after `from`, or the text's size.
  size_t Find(size_t from, unsigned char c) const {
    if (from >= n_) return n_;
    const void* at = std::memchr(p_ + from, c, n_ - from);
    return at ? static_cast<size_t>(static_cast<const unsigned char*>(at) - p_) : n_;
  }

  // Whether the text from `i` on spells `ascii`.
  bool At(size_t i, std::string_view ascii) const {
    return i + ascii.size() <= n_ && std::memcmp(p_ + i, ascii.data(), ascii.size()) == 0;
  }

  // The index just after the first `ascii` at or after `from`, or the size.
  size_t After(size_t from, std::string_view ascii) const {
    const auto first = static_cast<unsigned char>(ascii[0]);
    for (size_t i = Find(from, first); i < n_; i = Find(i + 1, first))
      if (At(i, ascii)) return i + ascii.size();
    return n_;
  }

  // Counts the start tag at `i` (its '<') and moves `i` past it; false, with
  // the refusal in refusal_, when the tag goes beyond a limit.
  bool StartTag(size_t& i) {
    const size_t tag = i;
    if (++elements_ > limits_.elements) {
      refusal_ = Refuse(
          tag, "the document has more than " + std::to_string(limits_.elements) + " elements");
      return false;
    }
    size_t attributes = 0;
    size_t namespaces = 0;
    size_t name_begin = kNone;  // the name just read, which an "=" makes an attribute's
    size_t name_end = kNone;
    bool empty_element = false;
    for (++i; i < n_; ++i) {
      const unsigned char c = p_[i];
      if (c == '>') break;
      if (c == '"' || c == '\'') {
        i = Find(i + 1, c);
        name_begin = kNone;
        empty_element = false;
      } else if (c == '=') {
        if (++attributes > limits_.attributes_per_element) {
          refusal_ =
              Refuse(tag, "an element has more than " +
                              std::to_string(limits_.attributes_per_element) + " attributes");
          return false;
        }
        if (name_begin != kNone && DeclaresNamespace(name_begin, name_end == kNone ? i : name_end))
          ++namespaces;
        name_begin = kNone;
        empty_element = false;
      } else if (IsBlank(c) || c == '/') {
        if (name_begin != kNone && name_end == kNone) name_end = i;
        empty_element = c == '/';
      } else {
        if (name_begin == kNone || name_end != kNone) {
          name_begin = i;
          name_end = kNone;
        }
        empty_element = false;
      }
    }
    if (in_scope_ + namespaces > limits_.namespaces_in_scope) {
      refusal_ = Refuse(tag, "more than " + std::to_string(limits_.namespaces_in_scope) +
                                 " namespace declarations are in scope");
      return false;
    }
    if (i < n_) ++i;  // past '>'
    if (!empty_element) {
      open_.push_back(namespaces);
      in_scope_ += namespaces;
    }
    return true;
  }

  // Whether the attribute name [begin, end) is "xmlns" or "xmlns:prefix".
  bool DeclaresNamespace(size_t begin, size_t end) const {
    return end - begin >= 5 && At(begin, "xmlns") && (end - begin == 5 || p_[begin + 5] == ':');
  }

  std::string Refuse(size_t at, const std::string& what) const {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at; ++i) {
      if (p_[i] == '\n') {
        ++line;
        column = 1;
      } else if ((p_[i] & 0xC0) != 0x80) {  // not a UTF-8 continuation byte
        ++column;
      }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
  }

  const unsigned char* p_;
  size_t n_;
  MarkupLimits limits_;
  size_t elements_ = 0;
  std::vector<size_t> open_;  // the namespace declarations of each open element
  size_t in_scope_ = 0;
  std::string refusal_;
};

std::string Check(std::string_view text, const MarkupLimits& limits, bool utf16, bool big_endian) {
  Scanner scanner(text, limits);
  bool readable = true;
  const std::string declared = scanner.DeclaredEncoding(readable);
  if (!readable) return "the encoding declaration of the XML text cannot be read";
  if (!declared.empty()) {
    const std::string name = Upper(declared);
    const bool accepted = utf16 ? (name == "UTF-16" || name == "UTF16" ||
                                   name == (big_endian ? "UTF-16BE" : "UTF-16LE"))
                                : ByteEncodingAccepted(name);
    if (!accepted)
      return "the XML text declares the encoding \"" + declared +
             "\", which is not accepted (UTF-8, UTF-16 and encodings that keep ASCII as it is, "
             "such as GB18030, are)";
  }
  return scanner.Run();
}

}  // namespace

std::string CheckMarkupBounds(std::string_view xml, const MarkupLimits& limits) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(xml.data());
  // libxml2 looks at the first four bytes, and only when there are four.
  const xmlCharEncoding family =
      xml.size() >= 4 ? xmlDetectCharEncoding(bytes, 4) : XML_CHAR_ENCODING_NONE;
  switch (family) {
    case XML_CHAR_ENCODING_NONE:
    case XML_CHAR_ENCODING_UTF8: {
      const bool bom = xml.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
      return Check(xml.substr(bom ? 3 : 0), limits, false, false);
    }
    case XML_CHAR_ENCODING_UTF16LE:
    case XML_CHAR_ENCODING_UTF16BE: {
      const bool big_endian = family == XML_CHAR_ENCODING_UTF16BE;
      const bool bom =
          big_endian ? bytes[0] == 0xFE && bytes[1] == 0xFF : bytes[0] == 0xFF && bytes[1] == 0xFE;
      return Check(ByteSkeleton(xml, big_endian, bom ? 1 : 0), limits, true, big_endian);
    }
    default:
      return "the XML text is in an encoding that is not accepted (UTF-8, UTF-16 and encodings "
             "that keep ASCII as it is, such as GB18030, are)";
  }
}

}  // namespace corvane::xml

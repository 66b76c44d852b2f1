// CheckMarkupBounds: one pass over XML text, before libxml2 parses it, that
// refuses what would make parsing cost more than time linear in the text's
// size. libxml2 compares each attribute of a start tag with every earlier one
// (quadratic in the attributes of one element), and looks each element's
// namespace up through every declaration in scope (elements times
// declarations); neither can be stopped from a callback, because the cost is
// spent before the callback runs. So the text itself is counted first.
//
// The pass reads the text in the encoding family libxml2 detects from its
// first bytes: by bytes, or for UTF-16 (either byte order) through a copy of
// one byte per 16-bit unit (ASCII kept, anything else a non-ASCII byte).
// Reading by bytes is exact only for encodings in which a byte below 0x80
// always stands for that ASCII character, so a declared encoding must be one
// of those (UTF-8, US-ASCII, ISO-8859-n, windows-125n, GB2312, GBK, GB18030,
// Big5, Shift_JIS, EUC-JP, EUC-KR) or UTF-16 of the detected byte order; any
// other declaration (UTF-7, ISO-2022-*, EBCDIC code pages), and text that
// starts like UCS-4 or EBCDIC, is refused. A document type declaration is
// refused here too, in either family.
//
// Comments, CDATA sections, processing instructions and quoted attribute
// values are skipped as libxml2 skips them, so the counts are exact for
// well-formed text; text that is not well-formed may count high, and libxml2
// refuses it anyway. Time and memory are linear in the text's size.
// A pure function; any thread may call it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::xml {

struct MarkupLimits {
  size_t attributes_per_element;  // namespace declarations included
  size_t elements;                // start tags in the whole text
  size_t namespaces_in_scope;     // declarations on an element and its ancestors
};

// "" when `xml` stays within `limits`; otherwise why not, starting with the
// line and column of the markup at fault where there is one.
std::string CheckMarkupBounds(std::string_view xml, const MarkupLimits& limits);

}  // namespace corvane::xml

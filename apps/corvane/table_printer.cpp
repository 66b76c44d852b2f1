#include "apps/corvane/table_printer.h"

#include <algorithm>
#include <vector>

#include "frame/timestamp_text.h"

namespace corvane::cli {
namespace {

constexpr size_t kMaxWidth = 40;

// Display width of UTF-8 text: one column per code point, two for the wide
// CJK ranges, which is what terminals show for the ERP's Chinese names.
size_t DisplayWidth(const std::string& s) {
  size_t width = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    uint32_t cp = c;
    if (len > 1 && i + len <= s.size()) {
      cp = c & (0x7F >> len);
      for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    width += (cp >= 0x1100 && (cp <= 0x115F || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                               (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                               (cp >= 0xFF00 && cp <= 0xFF60)))
                 ? 2
                 : 1;
    i += len;
  }
  return width;
}

std::string Clip(const std::string& s) {
  if (DisplayWidth(s) <= kMaxWidth) return s;
  std::string out;
  size_t width = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    const std::string piece = s.substr(i, len);
    const size_t w = DisplayWidth(piece);
    if (width + w > kMaxWidth - 3) break;
    out += piece;
    width += w;
    i += len;
  }
  return out + "...";
}

}  // namespace

std::string CellText(const Variant& value) {
  switch (value.type()) {
    case VarType::Null: return "NULL";
    case VarType::Bytes: return TimestampToText(value);
    case VarType::Object: return value.IsNothing() ? "Nothing" : "(object)";
    default: return CStr(value);
  }
}

int PrintTable(const std::vector<std::string>& header,
               const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
  const size_t columns = header.size();
  std::vector<size_t> widths(columns);
  std::vector<std::string> head;
  for (size_t c = 0; c < columns; ++c) {
    head.push_back(Clip(header[c]));
    widths[c] = DisplayWidth(head.back());
  }
  std::vector<std::vector<std::string>> cells;
  for (const auto& row : rows) {
    std::vector<std::string> clipped;
    for (size_t c = 0; c < columns; ++c) {
      clipped.push_back(Clip(c < row.size() ? row[c] : std::string()));
      widths[c] = std::max(widths[c], DisplayWidth(clipped.back()));
    }
    cells.push_back(std::move(clipped));
  }
  auto print_row = [&](const std::vector<std::string>& row) {
    for (size_t c = 0; c < columns; ++c) {
      if (c) out << " | ";
      out << row[c];
      if (c + 1 < columns) out << std::string(widths[c] - DisplayWidth(row[c]), ' ');
    }
    out << "\n";
  };
  if (columns > 0) {
    print_row(head);
    for (size_t c = 0; c < columns; ++c) out << (c ? "-+-" : "") << std::string(widths[c], '-');
    out << "\n";
    for (const auto& row : cells) print_row(row);
  }
  out << "(" << cells.size() << (cells.size() == 1 ? " row)" : " rows)") << "\n";
  return static_cast<int>(cells.size());
}

int PrintRecordSet(IRecordSet& rs, std::ostream& out) {
  std::vector<std::string> header;
  for (int32_t c = 0; c < rs.FieldCount(); ++c) header.push_back(rs.FieldName(c));
  std::vector<std::vector<std::string>> rows;
  if (!rs.Eof()) rs.MoveFirst();
  for (; !rs.Eof(); rs.MoveNext()) {
    std::vector<std::string> row;
    for (int32_t c = 0; c < rs.FieldCount(); ++c) row.push_back(CellText(rs.Fields(c)));
    rows.push_back(std::move(row));
  }
  return PrintTable(header, rows, out);
}

}  // namespace corvane::cli

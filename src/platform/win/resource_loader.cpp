#include "platform/win/resource_loader.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win/resource_folder.h"
#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane::platform {
namespace {

constexpr int32_t kFileAccessError = 75;

[[noreturn]] void Bad(const std::string& file, int line, const std::string& why) {
  throw RuntimeError(kFileAccessError, "TavoRESLOADER.Loader",
                     file + ":" + std::to_string(line) + ": " + why);
}

// Reads one quoted string starting at s[i] == '"'; returns its text and
// moves i past the closing quote.
std::string ReadQuoted(std::string_view s, size_t& i, const std::string& file, int line) {
  std::string out;
  ++i;
  while (i < s.size() && s[i] != '"') {
    if (s[i] == '\\') {
      if (++i >= s.size()) break;
      switch (s[i]) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        default: Bad(file, line, std::string("unknown escape \\") + s[i]);
      }
      ++i;
    } else {
      out += s[i++];
    }
  }
  if (i >= s.size()) Bad(file, line, "a string is not closed");
  ++i;
  return out;
}

}  // namespace

std::unordered_map<std::string, std::string> ParseResourceText(std::string_view text,
                                                               const std::string& file_name) {
  std::unordered_map<std::string, std::string> table;
  enum class Field { None, Id, Str } field = Field::None;
  std::string id, str;
  bool have_entry = false;
  auto finish = [&] {
    if (have_entry && !str.empty()) table[id] = str;
    id.clear();
    str.clear();
    have_entry = false;
    field = Field::None;
  };
  std::istringstream in{std::string(text)};
  std::string raw;
  int line_no = 0;
  while (std::getline(in, raw)) {
    ++line_no;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string_view line = raw;
    if (line_no == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);  // BOM
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    line.remove_prefix(first);
    size_t i = 0;
    if (line.substr(0, 5) == "msgid") {
      finish();
      field = Field::Id;
      have_entry = true;
      i = 5;
    } else if (line.substr(0, 6) == "msgstr") {
      if (field != Field::Id) Bad(file_name, line_no, "msgstr without msgid");
      field = Field::Str;
      i = 6;
    } else if (line[0] != '"' || field == Field::None) {
      Bad(file_name, line_no, "expected msgid, msgstr or a continued string");
    }
    while (i < line.size()) {
      if (line[i] == ' ' || line[i] == '\t') {
        ++i;
      } else if (line[i] == '"') {
        (field == Field::Id ? id : str) += ReadQuoted(line, i, file_name, line_no);
      } else {
        Bad(file_name, line_no, "unexpected text after a string");
      }
    }
  }
  if (field == Field::Id) Bad(file_name, line_no, "the last msgid has no msgstr");
  finish();
  return table;
}

const ResourceFileLoader::Table* ResourceFileLoader::TableFor(const std::string& base_name,
                                                              const std::string& language) {
  if (folder_.empty()) folder_ = ResourceFolder();
  const std::string path = folder_ + base_name + "." + language + ".po";
  auto it = tables_.find(path);
  if (it == tables_.end()) {
    std::optional<Table> table;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      std::ifstream in(path, std::ios::binary);
      if (!in) Bad(path, 0, "cannot be read");
      std::ostringstream text;
      text << in.rdbuf();
      table = ParseResourceText(text.str(), path);
    }
    it = tables_.emplace(path, std::move(table)).first;
  }
  return it->second ? &*it->second : nullptr;
}

std::string ResourceFileLoader::LoadString(std::string_view key) {
  if (language_.empty() || base_name_.empty()) return std::string(key);
  const Table* table = TableFor(base_name_, UCase(language_));
  if (!table) return std::string(key);
  auto it = table->find(std::string(key));
  return it == table->end() ? std::string(key) : it->second;
}

}  // namespace corvane::platform

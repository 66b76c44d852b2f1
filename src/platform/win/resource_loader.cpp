#include "platform/win/resource_loader.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win/resource_folder.h"
#include "values/run_time_error.h"
#include "values/utf8.h"
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

// The keyword a line starts with: the letters, digits, "_" and brackets
// before the first blank or quote.
std::string_view Keyword(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '"') ++end;
  return line.substr(0, end);
}

}  // namespace

std::unordered_map<std::string, std::string> ParseResourceText(std::string_view text,
                                                               const std::string& file_name) {
  std::unordered_map<std::string, std::string> table;
  std::unordered_map<std::string, int> id_lines;  // msgid -> the line it starts on
  enum class Field { None, Id, Str } field = Field::None;
  std::string id, str;
  int id_line = 0;
  bool have_entry = false;
  auto finish = [&] {
    if (have_entry) {
      const auto [first, added] = id_lines.emplace(id, id_line);
      if (!added)
        Bad(file_name, id_line,
            "the msgid \"" + id + "\" is given twice (first on line " +
                std::to_string(first->second) + ")");
      if (!str.empty()) table[id] = str;
    }
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
    if (!IsUtf8(line)) Bad(file_name, line_no, "the text is not UTF-8");
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    line.remove_prefix(first);
    size_t i = 0;
    const std::string_view keyword = Keyword(line);
    if (keyword == "msgid") {
      if (field == Field::Id) Bad(file_name, line_no, "a msgid follows a msgid without msgstr");
      finish();
      field = Field::Id;
      have_entry = true;
      id_line = line_no;
      i = keyword.size();
    } else if (keyword == "msgstr") {
      if (field != Field::Id) Bad(file_name, line_no, "msgstr without msgid");
      field = Field::Str;
      i = keyword.size();
    } else if (!keyword.empty()) {
      Bad(file_name, line_no, "unknown keyword " + std::string(keyword));
    } else if (field == Field::None) {
      Bad(file_name, line_no, "a string without msgid or msgstr");
    }
    bool have_string = false;
    while (i < line.size()) {
      if (line[i] == ' ' || line[i] == '\t') {
        ++i;
      } else if (line[i] == '"') {
        (field == Field::Id ? id : str) += ReadQuoted(line, i, file_name, line_no);
        have_string = true;
      } else {
        Bad(file_name, line_no, "unexpected text after a string");
      }
    }
    if (!have_string) Bad(file_name, line_no, "a string in double quotes is missing");
  }
  if (field == Field::Id) Bad(file_name, line_no, "the last msgid has no msgstr");
  finish();
  return table;
}

std::unordered_map<std::string, std::string> ReadResourceFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Bad(path, 0, "cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) Bad(path, 0, "cannot be read");
  return ParseResourceText(text.str(), path);
}

std::string ResourceFilePath(const std::string& folder, const std::string& base_name,
                             const std::string& language) {
  return folder + base_name + "." + language + ".po";
}

std::map<std::string, std::string> ResourceFilesIn(const std::string& folder,
                                                   const std::string& base_name) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  const std::string prefix = base_name + ".";
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 3, 3, ".po") != 0 || !it->is_regular_file(ec))
      continue;
    files[name.substr(prefix.size(), name.size() - prefix.size() - 3)] = it->path().string();
  }
  return files;
}

const ResourceFileLoader::Table* ResourceFileLoader::TableFor(const std::string& base_name,
                                                              const std::string& language) {
  if (folder_.empty()) folder_ = ResourceFolder();
  const std::string path = ResourceFilePath(folder_, base_name, language);
  auto it = tables_.find(path);
  if (it == tables_.end()) {
    Loaded loaded;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      try {
        loaded.table = ReadResourceFile(path);
      } catch (const RuntimeError& e) {
        loaded.error = e;
      }
    }
    it = tables_.emplace(path, std::move(loaded)).first;
  }
  if (it->second.error) throw *it->second.error;
  return it->second.table ? &*it->second.table : nullptr;
}

std::string ResourceFileLoader::LoadString(std::string_view key) {
  if (language_.empty() || base_name_.empty()) return std::string(key);
  const Table* table = TableFor(base_name_, UCase(language_));
  if (!table) return std::string(key);
  auto it = table->find(std::string(key));
  return it == table->end() ? std::string(key) : it->second;
}

}  // namespace corvane::platform

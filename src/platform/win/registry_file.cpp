#include "platform/win/registry_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "values/run_time_error.h"

namespace corvane::platform {
namespace {

std::string TrimSpace(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string_view::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r");
  return std::string(s.substr(b, e - b + 1));
}

}  // namespace

std::string RegistryFilePath() {
  const char* env = std::getenv(kRegistryEnvironment);
  return env && *env ? std::string(env) : std::string(kDefaultRegistryFile);
}

Variant RegistryFile::ReadValue(std::string_view key_path, std::string_view value_name,
                                const Variant& fallback) {
  const std::string path = path_.empty() ? RegistryFilePath() : path_;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return fallback;
  std::ifstream in(path);
  if (!in) throw RuntimeError(75, "Registry", "Cannot read the registry file " + path);
  std::string line;
  bool in_key = false;
  bool first_line = true;
  while (std::getline(in, line)) {
    if (first_line && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // UTF-8 BOM
    first_line = false;
    const std::string t = TrimSpace(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[' && t.back() == ']') {
      in_key = EqualsIgnoreCase(TrimSpace(std::string_view(t).substr(1, t.size() - 2)), key_path);
      continue;
    }
    if (!in_key) continue;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (!EqualsIgnoreCase(TrimSpace(std::string_view(t).substr(0, eq)), value_name)) continue;
    std::string value = TrimSpace(std::string_view(t).substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return Variant(value);
  }
  if (in.bad()) throw RuntimeError(75, "Registry", "Cannot read the registry file " + path);
  return fallback;
}

}  // namespace corvane::platform

#include "platform/db/conn_string.h"

#include "frame/outside/connection.h"
#include "values/run_time_error.h"

namespace corvane::db {
namespace {

constexpr const char* kSource = "ZuMConnection.Connection";

std::string TrimBlanks(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

}  // namespace

ConnectionSettings ParseConnString(std::string_view s) {
  ConnectionSettings settings;
  std::optional<std::string> provider, data_source;
  size_t i = 0;
  while (i < s.size()) {
    const size_t eq = s.find('=', i);
    if (eq == std::string_view::npos) {
      if (!TrimBlanks(s.substr(i)).empty())
        throw RuntimeError(err::kCannotOpen, kSource,
                           "The connection string cannot be read near \"" +
                               std::string(s.substr(i)) + "\"");
      break;
    }
    const std::string key = UCase(TrimBlanks(s.substr(i, eq - i)));
    size_t j = eq + 1;
    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
    std::string value;
    if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
      const char quote = s[j];
      const size_t close = s.find(quote, j + 1);
      if (close == std::string_view::npos)
        throw RuntimeError(err::kCannotOpen, kSource,
                           "A quoted value of the connection string is not closed");
      value = std::string(s.substr(j + 1, close - j - 1));
      const size_t semi = s.find(';', close);
      i = semi == std::string_view::npos ? s.size() : semi + 1;
    } else {
      const size_t semi = s.find(';', j);
      value = TrimBlanks(s.substr(j, semi == std::string_view::npos ? s.npos : semi - j));
      i = semi == std::string_view::npos ? s.size() : semi + 1;
    }
    if (key == "PROVIDER") {
      provider = value;
    } else if (key == "DATA SOURCE" || key == "DATASOURCE") {
      data_source = value;
    } else if (key == "BUSY TIMEOUT") {
      const Variant v(value);
      if (!IsNumeric(v) || CDbl(v) < 0)
        throw RuntimeError(err::kCannotOpen, kSource,
                           "Busy Timeout of the connection string is not a number of milliseconds");
      settings.busy_timeout_ms = CLng(v);
    }
  }
  settings.provider = provider.value_or("SQLite");
  if (!EqualsIgnoreCase(settings.provider, "SQLite"))
    throw RuntimeError(err::kCannotOpen, kSource,
                       "The provider \"" + settings.provider + "\" is not supported; use SQLite");
  if (!data_source || data_source->empty())
    throw RuntimeError(err::kCannotOpen, kSource, "The connection string names no Data Source");
  settings.data_source = *data_source;
  return settings;
}

}  // namespace corvane::db

#include "platform/db/conn_string.h"

#include <cstdlib>
#include <initializer_list>

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

// The key and value pairs of a connection string, keys upper-cased.
std::vector<std::pair<std::string, std::string>> Pairs(std::string_view s) {
  std::vector<std::pair<std::string, std::string>> pairs;
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
    std::string key = UCase(TrimBlanks(s.substr(i, eq - i)));
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
    pairs.emplace_back(std::move(key), std::move(value));
  }
  return pairs;
}

const std::string* Find(const std::vector<std::pair<std::string, std::string>>& pairs,
                        std::initializer_list<const char*> keys) {
  for (const auto& [key, value] : pairs)
    for (const char* k : keys)
      if (key == k) return &value;
  return nullptr;
}

bool IsSqlServerProvider(std::string_view provider) {
  const std::string p = UCase(provider);
  return p == "SQLOLEDB" || p == "SQLOLEDB.1" || p.rfind("SQLNCLI", 0) == 0 ||
         p.rfind("MSOLEDBSQL", 0) == 0;
}

// An ODBC connection string value, in braces when it holds what would end it.
std::string OdbcValue(const std::string& value) {
  if (value.find_first_of(";{}=") == std::string::npos && value == TrimBlanks(value)) return value;
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

bool IsTrue(const std::string& value) {
  const std::string v = UCase(value);
  return v == "SSPI" || v == "TRUE" || v == "YES";
}

}  // namespace

ConnectionSettings ParseConnString(std::string_view s) {
  ConnectionSettings settings;
  std::optional<std::string> provider, data_source;
  for (const auto& [key, value] : Pairs(s)) {
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

Backend BackendOf(std::string_view conn_string) {
  const auto pairs = Pairs(conn_string);
  const std::string* provider = Find(pairs, {"PROVIDER"});
  if (!provider || EqualsIgnoreCase(*provider, "SQLite")) return Backend::Sqlite;
  if (IsSqlServerProvider(*provider) || EqualsIgnoreCase(*provider, "MSDASQL"))
    return Backend::Odbc;
  throw RuntimeError(err::kCannotOpen, kSource,
                     "The provider \"" + *provider +
                         "\" is not supported; use SQLite, SQLOLEDB, SQLNCLI, MSOLEDBSQL or MSDASQL");
}

std::string DefaultOdbcDriver() {
  const char* configured = std::getenv("CORVANE_ODBC_DRIVER");
  return configured && *configured ? configured : "FreeTDS";
}

OdbcSettings ParseOdbcSettings(std::string_view conn_string) {
  const auto pairs = Pairs(conn_string);
  const std::string* provider = Find(pairs, {"PROVIDER"});
  OdbcSettings settings;
  if (const std::string* password = Find(pairs, {"PASSWORD", "PWD"})) settings.password = *password;
  std::string& c = settings.connect;
  auto add = [&](const char* key, const std::string& value) {
    c += std::string(key) + "=" + OdbcValue(value) + ";";
  };
  if (provider && IsSqlServerProvider(*provider)) {
    const std::string* server = Find(pairs, {"DATA SOURCE", "DATASOURCE", "SERVER"});
    if (!server || server->empty())
      throw RuntimeError(err::kCannotOpen, kSource, "The connection string names no Data Source");
    const std::string* driver = Find(pairs, {"DRIVER"});
    settings.driver = driver && !driver->empty() ? *driver : DefaultOdbcDriver();
    c = "DRIVER={" + settings.driver + "};";
    // FreeTDS takes the port apart from the host ("srv,1433" is the
    // providers' form).
    const size_t comma = server->find(',');
    if (comma != std::string::npos && UCase(settings.driver).find("FREETDS") != std::string::npos) {
      add("SERVER", TrimBlanks(server->substr(0, comma)));
      add("PORT", TrimBlanks(server->substr(comma + 1)));
    } else {
      add("SERVER", *server);
    }
    if (const std::string* db = Find(pairs, {"INITIAL CATALOG", "DATABASE"})) add("DATABASE", *db);
    const std::string* integrated = Find(pairs, {"INTEGRATED SECURITY", "TRUSTED_CONNECTION"});
    if (integrated && IsTrue(*integrated)) {
      add("Trusted_Connection", "Yes");
    } else {
      if (const std::string* user = Find(pairs, {"USER ID", "UID"})) add("UID", *user);
      if (!settings.password.empty()) add("PWD", settings.password);
    }
    // Text travels as UTF-8 between the component and the driver.
    if (UCase(settings.driver).find("FREETDS") != std::string::npos) add("ClientCharset", "UTF-8");
    return settings;
  }
  // MSDASQL: ODBC's own keywords, with the OLE DB names of the usual ones.
  for (const auto& [key, value] : pairs) {
    if (key == "PROVIDER") continue;
    if (key == "DATA SOURCE" || key == "DATASOURCE" || key == "DSN") {
      add("DSN", value);
    } else if (key == "USER ID" || key == "UID") {
      add("UID", value);
    } else if (key == "PASSWORD" || key == "PWD") {
      add("PWD", value);
    } else if (key == "INITIAL CATALOG") {
      add("DATABASE", value);
    } else if (key == "DRIVER") {
      settings.driver = value;
      c += "DRIVER={" + value + "};";
    } else {
      add(key.c_str(), value);
    }
  }
  if (!Find(pairs, {"DATA SOURCE", "DATASOURCE", "DSN", "DRIVER"}))
    throw RuntimeError(err::kCannotOpen, kSource,
                       "The connection string of MSDASQL names no DSN (or Driver)");
  return settings;
}

std::string Redacted(std::string text, std::string_view password) {
  if (password.empty()) return text;
  // A password of a few letters is found in ordinary words ("x" in "exist"):
  // it is taken out only where a connection string would hold it, after "="
  // or an opening brace or quote.
  const bool anywhere = password.size() >= 4;
  for (size_t at = 0; (at = text.find(password, at)) != std::string::npos;) {
    const char before = at > 0 ? text[at - 1] : '\0';
    if (anywhere || before == '=' || before == '{' || before == '\'' || before == '"') {
      text.replace(at, password.size(), "***");
      at += 3;
    } else {
      at += 1;
    }
  }
  return text;
}

}  // namespace corvane::db

#include "erpdb/sql_functions.h"

// Compiled twice: into the component against the linked SQLite, and into the loadable
// extension (CORVANE_SQLITE_EXTENSION), where every sqlite3_* call goes through the API table
// the loading SQLite hands to the extension's entry point.
#ifdef CORVANE_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif

#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace corvane::erpdb {
namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

std::size_t LengthWithoutTrailingBlanks(const unsigned char* text, std::size_t length) {
  while (length > 0 && text[length - 1] == ' ') --length;
  return length;
}

int CompareErpBytes(const unsigned char* a, std::size_t length_a, const unsigned char* b,
                    std::size_t length_b) {
  length_a = LengthWithoutTrailingBlanks(a, length_a);
  length_b = LengthWithoutTrailingBlanks(b, length_b);
  const std::size_t common = length_a < length_b ? length_a : length_b;
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char ca = FoldAscii(a[i]);
    const unsigned char cb = FoldAscii(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (length_a == length_b) return 0;
  return length_a < length_b ? -1 : 1;
}

int ErpTextCollation(void* /*unused*/, int length_a, const void* a, int length_b, const void* b) {
  return CompareErpBytes(
      static_cast<const unsigned char*>(a), static_cast<std::size_t>(length_a < 0 ? 0 : length_a),
      static_cast<const unsigned char*>(b), static_cast<std::size_t>(length_b < 0 ? 0 : length_b));
}

void NewIdFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** /*argv*/) {
  try {
    const std::string guid = NewGuidText();
    sqlite3_result_text(context, guid.data(), static_cast<int>(guid.size()), SQLITE_TRANSIENT);
  } catch (...) {
    sqlite3_result_error_nomem(context);  // no exception may unwind through SQLite
  }
}

void GetDateFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** /*argv*/) {
  using std::chrono::system_clock;
  const system_clock::time_point now = system_clock::now();
  const auto whole_seconds = std::chrono::floor<std::chrono::seconds>(now);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - whole_seconds).count();
  const std::time_t seconds = system_clock::to_time_t(whole_seconds);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    sqlite3_result_error(context, "GETDATE(): the local time cannot be read", -1);
    return;
  }
  char text[32];
  const int length =
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                    static_cast<int>(milliseconds));
  sqlite3_result_text(context, text, length, SQLITE_TRANSIENT);
}

void RowVersionBlobFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const std::string bytes = RowVersionBytes(sqlite3_value_int64(argv[0]));
  sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

// Reads `count` digits at `at`; -1 when any is not a digit or the text ends.
int DigitsAt(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int n = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

bool IsRealDay(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1753 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.f" (1 to 7 fraction digits) from `at` to the end.
bool IsTimeOfDay(std::string_view text, std::size_t at) {
  const int hour = DigitsAt(text, at, 2), minute = DigitsAt(text, at + 3, 2);
  if (hour < 0 || hour > 23 || text.size() < at + 5 || text[at + 2] != ':' || minute < 0 ||
      minute > 59)
    return false;
  at += 5;
  if (at == text.size()) return true;
  const int second = DigitsAt(text, at + 1, 2);
  if (text[at] != ':' || second < 0 || second > 59) return false;
  at += 3;
  if (at == text.size()) return true;
  if (text[at] != '.' || text.size() - at - 1 < 1 || text.size() - at - 1 > 7) return false;
  return DigitsAt(text, at + 1, text.size() - at - 1) >= 0;
}

void IsErpDateTimeFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  sqlite3_result_int(context, IsErpDateTime(argv[0]) ? 1 : 0);
}

[[noreturn]] void ThrowRegistrationError(sqlite3* db, const char* what, int rc) {
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw std::runtime_error(std::string("cannot register ") + what + " on the account database: " +
                           (message != nullptr ? message : sqlite3_errstr(rc)));
}

void RegisterFunction(sqlite3* db, const char* name, int arg_count, int flags,
                      void (*function)(sqlite3_context*, int, sqlite3_value**)) {
  const int rc =
      sqlite3_create_function_v2(db, name, arg_count, SQLITE_UTF8 | SQLITE_INNOCUOUS | flags,
                                 nullptr, function, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowRegistrationError(db, name, rc);
}

}  // namespace

bool IsErpDateTimeText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return true;  // the server stores it as 1900-01-01
  if (text.size() >= 5 && text[2] == ':') return IsTimeOfDay(text, 0);  // a time of day alone
  int year = -1, month = -1, day = -1;
  std::size_t end = 0;
  if (text.size() >= 10 && (text[4] == '-' || text[4] == '/') && text[7] == text[4]) {
    year = DigitsAt(text, 0, 4), month = DigitsAt(text, 5, 2), day = DigitsAt(text, 8, 2);
    end = 10;
  } else if (text.size() >= 8) {
    year = DigitsAt(text, 0, 4), month = DigitsAt(text, 4, 2), day = DigitsAt(text, 6, 2);
    end = 8;
  }
  if (!IsRealDay(year, month, day)) return false;
  if (end == text.size()) return true;
  return (text[end] == ' ' || text[end] == 'T') && IsTimeOfDay(text, end + 1);
}

bool IsErpDateTime(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      return true;  // numbers convert as days since 1900-01-01
    case SQLITE_TEXT:
      return IsErpDateTimeText(std::string_view(
          reinterpret_cast<const char*>(sqlite3_value_text(value)),
          static_cast<std::size_t>(sqlite3_value_bytes(value))));
    default:
      return false;
  }
}

int CompareErpText(std::string_view a, std::string_view b) {
  return CompareErpBytes(reinterpret_cast<const unsigned char*>(a.data()), a.size(),
                         reinterpret_cast<const unsigned char*>(b.data()), b.size());
}

std::string NewGuidText() {
  unsigned char bytes[16];
  sqlite3_randomness(sizeof bytes, bytes);
  return GuidText(bytes);
}

std::string GuidText(unsigned char (&bytes)[16]) {
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4: random
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 0x0F]);
  }
  return text;
}

std::string RowVersionBytes(std::int64_t n) {
  const auto value = static_cast<std::uint64_t>(n);
  std::string bytes(8, '\0');
  for (int i = 0; i < 8; ++i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * (7 - i))) & 0xFF);
  }
  return bytes;
}

void RegisterErpSqlFunctions(sqlite3* db) {
  if (db == nullptr) {
    throw std::runtime_error("cannot register the ERP SQL functions: no database connection");
  }
  const int rc =
      sqlite3_create_collation_v2(db, "ERPTEXT", SQLITE_UTF8, nullptr, ErpTextCollation, nullptr);
  if (rc != SQLITE_OK) ThrowRegistrationError(db, "ERPTEXT", rc);
  RegisterFunction(db, "NEWID", 0, 0, NewIdFunction);
  RegisterFunction(db, "GETDATE", 0, 0, GetDateFunction);
  RegisterFunction(db, "ROWVERSION_BLOB", 1, SQLITE_DETERMINISTIC, RowVersionBlobFunction);
  RegisterFunction(db, "IS_ERP_DATETIME", 1, SQLITE_DETERMINISTIC, IsErpDateTimeFunction);
}

}  // namespace corvane::erpdb

#include "values/value_utility.h"

#include <cctype>
#include <mutex>

#include "values/run_time_error.h"

namespace corvane {
namespace {

std::mutex& ProviderMutex() {
  static std::mutex m;
  return m;
}

RegistryReaderProvider& Provider() {
  static RegistryReaderProvider p;
  return p;
}

}  // namespace

RegistryReaderProvider SetRegistryReaderProvider(RegistryReaderProvider provider) {
  std::lock_guard lock(ProviderMutex());
  RegistryReaderProvider old = std::move(Provider());
  Provider() = std::move(provider);
  return old;
}

Variant ValueUtility::ValueOrDefault(const Variant& value, const Variant& fallback) const {
  return value.IsNull() ? fallback : value;
}

std::string ValueUtility::FormatText(std::string_view text_template,
                                     const std::vector<Variant>& values) const {
  std::string out;
  const size_t n = values.size();
  size_t i = 0;
  while (i < text_template.size()) {
    const char c = text_template[i];
    if (c != '%' || i + 1 >= text_template.size() ||
        !std::isdigit(static_cast<unsigned char>(text_template[i + 1]))) {
      out += c;
      ++i;
      continue;
    }
    // The longest run of digits that names a given value.
    size_t j = i + 1;
    size_t best_end = 0, best = 0, number = 0;
    while (j < text_template.size() && std::isdigit(static_cast<unsigned char>(text_template[j]))) {
      number = number * 10 + static_cast<size_t>(text_template[j] - '0');
      ++j;
      if (number > n) break;
      if (number >= 1) {
        best = number;
        best_end = j;
      }
    }
    if (best_end == 0) {
      out += c;
      ++i;
      continue;
    }
    out += CStr(values[best - 1]);
    i = best_end;
  }
  return out;
}

std::shared_ptr<RegistryReader> ValueUtility::Registry() const {
  RegistryReaderProvider provider;
  {
    std::lock_guard lock(ProviderMutex());
    provider = Provider();
  }
  if (!provider) throw RuntimeError(err::kCannotCreateObject);
  auto reader = provider();
  if (!reader) throw RuntimeError(err::kCannotCreateObject);
  return reader;
}

}  // namespace corvane

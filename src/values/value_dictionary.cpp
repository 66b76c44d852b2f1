#include "values/value_dictionary.h"

#include "values/run_time_error.h"

namespace corvane {

const Variant& ValueDictionary::Value(std::string_view key) const {
  auto it = index_.find(LCase(key));
  if (it == index_.end()) throw RuntimeError(err::kInvalidCall);
  return entries_[it->second].second;
}

void ValueDictionary::SetValue(std::string_view key, Variant value) {
  auto [it, inserted] = index_.try_emplace(LCase(key), entries_.size());
  if (inserted) {
    entries_.emplace_back(std::string(key), std::move(value));
  } else {
    entries_[it->second].second = std::move(value);
  }
}

bool ValueDictionary::Exists(std::string_view key) const { return index_.count(LCase(key)) > 0; }

Variant ValueDictionary::GetValue(std::string_view key, const Variant& fallback) const {
  auto it = index_.find(LCase(key));
  return it == index_.end() ? fallback : entries_[it->second].second;
}

bool ValueDictionary::Remove(std::string_view key) {
  auto it = index_.find(LCase(key));
  if (it == index_.end()) return false;
  const size_t pos = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
  for (auto& [k, p] : index_)
    if (p > pos) --p;
  return true;
}

}  // namespace corvane

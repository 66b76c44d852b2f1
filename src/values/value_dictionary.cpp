#include "values/value_dictionary.h"

#include "values/run_time_error.h"

namespace corvane {

size_t ValueDictionary::Position(std::string_view key) const {
  if (!index_) {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (EqualsIgnoreCase(entries_[i].first, key)) return i;
    return kAbsent;
  }
  auto it = index_->find(LCase(key));
  return it == index_->end() ? kAbsent : it->second;
}

void ValueDictionary::Reindex() {
  if (entries_.size() <= kScanned) {
    index_.reset();
    return;
  }
  if (!index_) index_ = std::make_unique<std::unordered_map<std::string, size_t>>();
  index_->clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_->emplace(LCase(entries_[i].first), i);
}

const Variant& ValueDictionary::Value(std::string_view key) const {
  const size_t pos = Position(key);
  if (pos == kAbsent) throw RuntimeError(err::kInvalidCall);
  return entries_[pos].second;
}

const Variant* ValueDictionary::Find(std::string_view key) const {
  const size_t pos = Position(key);
  return pos == kAbsent ? nullptr : &entries_[pos].second;
}

void ValueDictionary::SetValue(std::string_view key, Variant value) {
  const size_t pos = Position(key);
  if (pos != kAbsent) {
    entries_[pos].second = std::move(value);
    return;
  }
  // A record holds a few dozen keys at most and a page holds thousands of
  // records: small steps waste less than doubling.
  if (entries_.size() == entries_.capacity() && entries_.size() < kScanned)
    entries_.reserve(entries_.size() + 4);
  entries_.emplace_back(std::string(key), std::move(value));
  if (index_)
    index_->emplace(LCase(key), entries_.size() - 1);
  else if (entries_.size() > kScanned)
    Reindex();
}

bool ValueDictionary::Exists(std::string_view key) const { return Position(key) != kAbsent; }

Variant ValueDictionary::GetValue(std::string_view key, const Variant& fallback) const {
  const size_t pos = Position(key);
  return pos == kAbsent ? fallback : entries_[pos].second;
}

bool ValueDictionary::Remove(std::string_view key) {
  const size_t pos = Position(key);
  if (pos == kAbsent) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
  if (index_) Reindex();
  return true;
}

}  // namespace corvane

// ValueDictionary: the keyed record every document travels in. Keys are
// matched without regard to ASCII letter case, keep the spelling they were
// first stored with, and enumerate in insertion order (the order in which an
// export builds a record is the order of its elements).
//
// A dictionary is an Object: it is shared by reference through a Variant and
// used on one thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "values/variant.h"

namespace corvane {

class ValueDictionary : public Object {
 public:
  static std::shared_ptr<ValueDictionary> Create() { return std::make_shared<ValueDictionary>(); }

  // The value under the key; an absent key raises 5 (a record that lacks an
  // element the reader needs is a fault of that record, not an empty value).
  const Variant& Value(std::string_view key) const;
  // Stores the value; a new key is added at the end, an existing one keeps its
  // place and its first spelling.
  void SetValue(std::string_view key, Variant value);
  bool Exists(std::string_view key) const;
  // The stored value, or null when the key is absent: one lookup for a
  // caller that would else ask Exists and then Value.
  const Variant* Find(std::string_view key) const;
  // The stored value, or `fallback` when the key is absent.
  Variant GetValue(std::string_view key, const Variant& fallback) const;
  // Removes the key; returns whether it was there.
  bool Remove(std::string_view key);

  // Makes room for `keys` keys in all, for a record whose size is known.
  void Reserve(size_t keys) { entries_.reserve(keys); }
  // Gives back the room kept for keys not added yet: for a record that is
  // complete and kept a while, as each of an imported document's are.
  void ShrinkToFit() { entries_.shrink_to_fit(); }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The entries in insertion order, keys in their first spelling.
  const std::vector<std::pair<std::string, Variant>>& Entries() const { return entries_; }

 private:
  // Up to this many keys a lookup compares the keys in turn, which is
  // cheaper than hashing a lower-cased copy; beyond, index_ is kept.
  static constexpr size_t kScanned = 32;
  static constexpr size_t kAbsent = static_cast<size_t>(-1);
  size_t Position(std::string_view key) const;
  void Reindex();

  std::vector<std::pair<std::string, Variant>> entries_;
  // Lower-case key -> position, beyond kScanned keys only: most records never
  // need one and carry a null pointer instead of an empty map.
  std::unique_ptr<std::unordered_map<std::string, size_t>> index_;
};

using ValueDictionaryPtr = std::shared_ptr<ValueDictionary>;

}  // namespace corvane

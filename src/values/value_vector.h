// ValueVector: the ordered list of a document tree (the documents of an XML
// text, the entries of a document). Positions are numbered from 1: the lower
// bound is 1 and the upper bound is Count().
//
// A vector is an Object: it is shared by reference through a Variant and used
// on one thread only.
#pragma once

#include <vector>

#include "values/variant.h"

namespace corvane {

class ValueVector : public Object {
 public:
  static std::shared_ptr<ValueVector> Create() { return std::make_shared<ValueVector>(); }

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t LowerBound() const { return 1; }
  int32_t UpperBound() const { return Count(); }
  void Add(Variant value) { items_.push_back(std::move(value)); }
  // The item at a 1-based position; outside 1..Count() raises 9.
  const Variant& Item(int32_t position) const;
  void SetItem(int32_t position, Variant value);

  // Enumeration in order.
  std::vector<Variant>::const_iterator begin() const { return items_.begin(); }
  std::vector<Variant>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<Variant> items_;
};

using ValueVectorPtr = std::shared_ptr<ValueVector>;

}  // namespace corvane

#include "values/value_vector.h"

#include "values/run_time_error.h"

namespace corvane {

const Variant& ValueVector::Item(int32_t position) const {
  if (position < 1 || position > Count()) throw RuntimeError(err::kSubscriptOutOfRange);
  return items_[static_cast<size_t>(position - 1)];
}

void ValueVector::SetItem(int32_t position, Variant value) {
  if (position < 1 || position > Count()) throw RuntimeError(err::kSubscriptOutOfRange);
  items_[static_cast<size_t>(position - 1)] = std::move(value);
}

}  // namespace corvane

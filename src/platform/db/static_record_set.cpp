#include "platform/db/static_record_set.h"

#include <numeric>

#include "values/run_time_error.h"

namespace corvane::db {
namespace {
constexpr const char* kSource = "Recordset";
}

StaticRecordSet::StaticRecordSet(std::vector<std::string> field_names, std::vector<Row> rows)
    : names_(std::move(field_names)), rows_(std::move(rows)), visible_(rows_.size()) {
  std::iota(visible_.begin(), visible_.end(), size_t{0});
  bof_ = visible_.empty();
}

void StaticRecordSet::CheckOpen() const {
  if (!open_)
    throw RuntimeError(err::kObjectClosed, kSource,
                       "Operation is not allowed when the object is closed.");
}

const Row& StaticRecordSet::CurrentRow() const {
  CheckOpen();
  if (bof_ || position_ >= visible_.size())
    throw RuntimeError(err::kNoCurrentRecord, kSource,
                       "Either BOF or EOF is True, or the current record has been deleted. "
                       "Requested operation requires a current record.");
  return rows_[visible_[position_]];
}

bool StaticRecordSet::Eof() const {
  CheckOpen();
  return position_ >= visible_.size();
}

bool StaticRecordSet::Bof() const {
  CheckOpen();
  return bof_;
}

int32_t StaticRecordSet::FieldCount() const {
  CheckOpen();
  return static_cast<int32_t>(names_.size());
}

std::string StaticRecordSet::FieldName(int32_t index) const {
  CheckOpen();
  if (index < 0 || index >= FieldCount())
    throw RuntimeError(err::kItemNotFound, kSource,
                       "Item cannot be found in the collection corresponding to the requested "
                       "name or ordinal: " + std::to_string(index));
  return names_[static_cast<size_t>(index)];
}

const Variant& StaticRecordSet::Fields(std::string_view name) const {
  CheckOpen();
  for (size_t i = 0; i < names_.size(); ++i)
    if (EqualsIgnoreCase(names_[i], name)) return CurrentRow()[i];
  throw RuntimeError(err::kItemNotFound, kSource,
                     "Item cannot be found in the collection corresponding to the requested "
                     "name or ordinal: " + std::string(name));
}

const Variant& StaticRecordSet::Fields(int32_t index) const {
  FieldName(index);  // checks the ordinal
  return CurrentRow()[static_cast<size_t>(index)];
}

void StaticRecordSet::MoveNext() {
  CurrentRow();  // at BOF or EOF there is no row to move from
  ++position_;
}

void StaticRecordSet::MoveFirst() {
  CheckOpen();
  position_ = 0;
  bof_ = visible_.empty();
}

void StaticRecordSet::MoveLast() {
  CheckOpen();
  bof_ = visible_.empty();
  position_ = visible_.empty() ? 0 : visible_.size() - 1;
}

int32_t StaticRecordSet::RecordCount() const {
  CheckOpen();
  return static_cast<int32_t>(visible_.size());
}

void StaticRecordSet::SetFilter(std::string_view criteria) {
  CheckOpen();
  std::vector<size_t> selected;
  if (Trim(criteria).empty()) {
    selected.resize(rows_.size());
    std::iota(selected.begin(), selected.end(), size_t{0});
  } else {
    const RowPredicate predicate = CompileFilter(criteria, names_);
    for (size_t i = 0; i < rows_.size(); ++i)
      if (predicate(rows_[i])) selected.push_back(i);
  }
  visible_ = std::move(selected);
  filter_ = std::string(criteria);
  MoveFirst();
}

std::string StaticRecordSet::Filter() const {
  CheckOpen();
  return filter_;
}

void StaticRecordSet::DetachConnection() { CheckOpen(); }

void StaticRecordSet::Close() {
  CheckOpen();
  open_ = false;
  rows_.clear();
  visible_.clear();
}

}  // namespace corvane::db

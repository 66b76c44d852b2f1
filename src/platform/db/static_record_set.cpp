#include "platform/db/static_record_set.h"

#include "values/run_time_error.h"

namespace corvane::db {
namespace {
constexpr const char* kSource = "Recordset";
}

StaticRecordSet::StaticRecordSet(std::vector<std::string> field_names, std::vector<Row> rows)
    : StaticRecordSet(std::make_shared<const RecordTable>(
          RecordTable{std::move(field_names), std::move(rows)})) {}

StaticRecordSet::StaticRecordSet(std::shared_ptr<const RecordTable> table)
    : table_(std::move(table)) {
  bof_ = table_->rows.empty();
}

void StaticRecordSet::CheckOpen() const {
  if (!open_)
    throw RuntimeError(err::kObjectClosed, kSource,
                       "Operation is not allowed when the object is closed.");
}

const Row& StaticRecordSet::CurrentRow() const {
  CheckOpen();
  if (bof_ || position_ >= VisibleCount())
    throw RuntimeError(err::kNoCurrentRecord, kSource,
                       "Either BOF or EOF is True, or the current record has been deleted. "
                       "Requested operation requires a current record.");
  return table_->rows[filtered_ ? visible_[position_] : position_];
}

bool StaticRecordSet::Eof() const {
  CheckOpen();
  return position_ >= VisibleCount();
}

bool StaticRecordSet::Bof() const {
  CheckOpen();
  return bof_;
}

int32_t StaticRecordSet::FieldCount() const {
  CheckOpen();
  return static_cast<int32_t>(table_->names.size());
}

std::string StaticRecordSet::FieldName(int32_t index) const {
  CheckOpen();
  if (index < 0 || index >= FieldCount())
    throw RuntimeError(err::kItemNotFound, kSource,
                       "Item cannot be found in the collection corresponding to the requested "
                       "name or ordinal: " + std::to_string(index));
  return table_->names[static_cast<size_t>(index)];
}

const Variant& StaticRecordSet::Fields(std::string_view name) const {
  CheckOpen();
  const std::vector<std::string>& names = table_->names;
  for (size_t i = 0; i < names.size(); ++i)
    if (EqualsIgnoreCase(names[i], name)) return CurrentRow()[i];
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
  bof_ = VisibleCount() == 0;
}

void StaticRecordSet::MoveLast() {
  CheckOpen();
  const size_t count = VisibleCount();
  bof_ = count == 0;
  position_ = count == 0 ? 0 : count - 1;
}

int32_t StaticRecordSet::RecordCount() const {
  CheckOpen();
  return static_cast<int32_t>(VisibleCount());
}

void StaticRecordSet::SetFilter(std::string_view criteria) {
  CheckOpen();
  std::vector<size_t> selected;
  const bool filtered = !Trim(criteria).empty();
  if (filtered) {
    const RowPredicate predicate = CompileFilter(criteria, table_->names);
    const std::vector<Row>& rows = table_->rows;
    for (size_t i = 0; i < rows.size(); ++i)
      if (predicate(rows[i])) selected.push_back(i);
  }
  filtered_ = filtered;
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
  static const auto kNoRows = std::make_shared<const RecordTable>();
  table_ = kNoRows;
  filtered_ = false;
  visible_.clear();
}

}  // namespace corvane::db

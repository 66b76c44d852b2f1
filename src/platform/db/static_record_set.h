// StaticRecordSet: a record set that holds every row of its statement in
// memory (a static, client-side cursor). It never refers back to the
// connection that filled it, so it stays readable after the connection is
// closed or released. The rows are a RecordTable that never changes once
// made, so record sets of one answer share it, each with its own cursor and
// filter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/outside/connection.h"
#include "platform/db/record_filter.h"

namespace corvane::db {

struct RecordTable {
  std::vector<std::string> names;
  std::vector<Row> rows;
};

class StaticRecordSet : public IRecordSet {
 public:
  StaticRecordSet(std::vector<std::string> field_names, std::vector<Row> rows);
  explicit StaticRecordSet(std::shared_ptr<const RecordTable> table);

  bool Eof() const override;
  bool Bof() const override;
  int32_t FieldCount() const override;
  std::string FieldName(int32_t index) const override;
  const Variant& Fields(std::string_view name) const override;
  const Variant& Fields(int32_t index) const override;
  void MoveNext() override;
  void MoveFirst() override;
  void MoveLast() override;
  int32_t RecordCount() const override;
  void SetFilter(std::string_view criteria) override;
  std::string Filter() const override;
  void DetachConnection() override;
  void Close() override;

 private:
  void CheckOpen() const;
  const Row& CurrentRow() const;
  // The number of rows the filter lets through.
  size_t VisibleCount() const { return filtered_ ? visible_.size() : table_->rows.size(); }

  std::shared_ptr<const RecordTable> table_;
  bool filtered_ = false;
  std::vector<size_t> visible_;  // with a filter: the indices of the rows it lets through
  size_t position_ = 0;          // among the visible rows; == VisibleCount() at EOF
  bool bof_ = false;
  std::string filter_;
  bool open_ = true;
};

}  // namespace corvane::db

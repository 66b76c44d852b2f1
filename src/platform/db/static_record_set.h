// StaticRecordSet: a record set that holds every row of its statement in
// memory (a static, client-side cursor). It never refers back to the
// connection that filled it, so it stays readable after the connection is
// closed or released.
#pragma once

#include <string>
#include <vector>

#include "frame/outside/connection.h"
#include "platform/db/record_filter.h"

namespace corvane::db {

class StaticRecordSet : public IRecordSet {
 public:
  StaticRecordSet(std::vector<std::string> field_names, std::vector<Row> rows);

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

  std::vector<std::string> names_;
  std::vector<Row> rows_;
  std::vector<size_t> visible_;  // indices into rows_ that the filter lets through
  size_t position_ = 0;          // index into visible_; == size() at EOF
  bool bof_ = false;
  std::string filter_;
  bool open_ = true;
};

}  // namespace corvane::db

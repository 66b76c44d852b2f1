// "TavoListServer.clsListServer": the ERP's list server, which hands out new
// internal IDs of a bill table.
//
// Created for one call of its user; belongs to the thread that created it.
#pragma once

#include <cstdint>
#include <string>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kListServerProgId = "TavoListServer.clsListServer";

class IListServer : public virtual Object {
 public:
  // A new internal ID for a row of `table_name` (for example "SEOrder") of
  // the account that the property string's ConnectString names: one past
  // both the account's ID table (t_BillInterIDMax) and the highest ID the
  // table holds, recorded in the ID table in its own transaction, so that no
  // ID is handed out twice, by this process or another. Raises when the
  // account cannot be reached.
  virtual int32_t GetMaxInterID(const std::string& props, const std::string& table_name) = 0;
};

}  // namespace corvane

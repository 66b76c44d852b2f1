// BillPackageReader: "TavoMBillsPackage.clsReadPackage" on the embedded
// account database.
//
// GetBillEmptyPackage answers a new package for every call:
//   ValueDictionary { "DataStructure": ValueDictionary { "BillInfo":
//     ValueDictionary { "SaveInfo": ValueDictionary of save options } } }
// The save options are the rows of t_BillSaveOption for the transaction type,
// in the order of their names: FName is the key, FValue read as FValueType
// says (Boolean, Integer, Long or String) the value. A type without rows gets
// an empty SaveInfo. The package belongs to the caller.
//
// The account database is the one the ConnectString of the property string
// names; the reader opens it through the connection component for the call
// and closes it before returning. A property string without ConnectString,
// a database that cannot be read, or an option whose value does not read as
// its type raises a RuntimeError (13 for the option, naming it).
//
// Used by the thread that created it; it keeps no state between calls.
#pragma once

#include <string>

#include "frame/outside/bill_service.h"

namespace corvane::erp {

class BillPackageReader : public IBillPackageReader {
 public:
  void GetBillEmptyPackage(std::string& props, int32_t& tran_type, Variant& package) override;
};

}  // namespace corvane::erp

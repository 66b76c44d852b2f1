// The ERP's bill services: "TavoMBillsPackage.clsReadPackage" gives the
// empty save package of a transaction type, and "BillDataAccess.SaveData"
// numbers and saves documents. The component hands a document to them as
// SQL text with the placeholders @BillInterID (the internal ID the service
// allocates, unquoted) and @BillNo (the bill number, inside quotes).
//
// Components are created for one call and belong to the thread that created
// them.
#pragma once

#include <cstdint>
#include <string>

#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane {

inline constexpr const char* kBillPackageProgId = "TavoMBillsPackage.clsReadPackage";
inline constexpr const char* kBillSaveProgId = "BillDataAccess.SaveData";

class IBillPackageReader : public virtual Object {
 public:
  // Sets `package` to the empty save package of the transaction type: a
  // ValueDictionary holding under "DataStructure" a ValueDictionary holding
  // under "BillInfo" a ValueDictionary holding under "SaveInfo" the
  // dictionary of save options the account presets for that type.
  virtual void GetBillEmptyPackage(std::string& props, int32_t& tran_type, Variant& package) = 0;
};

class IBillSaveService : public virtual Object {
 public:
  // The next automatic bill number of the transaction type.
  virtual Variant GetBillNo(const std::string& props, int32_t tran_type, bool flag) = 0;

  // Saves one document described by `save_list` (item 1 the save options,
  // among them BillNo, BillInterID, HeadSQL and EntrySQL; item 2 the
  // extension list; item 3 the package). The result answers Success and
  // RetCode (GetValue) and BillInterID and ReturnMsg (Value).
  virtual ValueDictionaryPtr SaveBillEx(std::string& props, ValueVectorPtr& save_list) = 0;
};

}  // namespace corvane

// clsDataKey: the deletion keys exchanged with the CRM.
//
// ExportXMLDataKey tells the CRM which ERP documents of one kind were
// deleted: it pages through the ERP's change log (COM_DataChange, written by
// the database when a bill head is deleted) by row timestamp and answers the
// UUIDs as XML of the root "Delete", records of Remark (the kind's name) and
// UUID. ImportXMLDataKey deletes in the ERP, one by one through the ERP's
// list update service, the documents of one kind whose UUIDs the CRM lists;
// only documents that came from the CRM (import marks FImport 1 and
// FSystemType 2) are candidates, and the first one that cannot be deleted
// ends the call (those before it stay deleted).
//
// Kinds (iBillType): 1 sales orders (81), 2 special sales invoices (80),
// 3 ordinary sales invoices (86), 4 purchase receipts (1), 5 sales
// deliveries (21); any other value keeps the kind of the object's previous
// call (none, 0, in a new object).
//
// Every public method answers a Boolean and lets nothing escape. An object
// is used on the thread that created it, one call at a time. Creating an
// object reads the thread's schema folder; a registry that cannot be read
// makes the creation fail.
#pragma once

#include <cstdint>
#include <string>

#include "frame/outside/connection.h"
#include "values/value_vector.h"

namespace corvane {

class clsDataKey : public Object {
 public:
  clsDataKey();
  ~clsDataKey() override;

  bool ExportXMLDataKey(const std::string& strPropsString, int32_t iBillType, std::string& strXML,
                        int32_t lPerCount, std::string& strTimeStamp, std::string& strMaxTimeStamp,
                        std::string& strError) noexcept;
  bool ImportXMLDataKey(std::string& strPropsString, int32_t iBillType, const std::string& strXML,
                        std::string& strError) noexcept;

  // The kind code (ERP transaction type) the object works on now.
  int32_t kind_code() const { return kind_code_; }

 private:
  void SetKind(int32_t iBillType);
  void Fail(std::string& strError) noexcept;
  // Deletes the documents of the records; raises for the first that cannot.
  bool DeleteRecords(const std::string& props, const ValueVector& records);

  ConnectionPtr connection_;
  int32_t kind_code_ = 0;
};

// The run-time error number of a deletion that cannot be done: the object
// error base plus 200.
inline constexpr int32_t kDataKeyError = static_cast<int32_t>(0x800400C8);

}  // namespace corvane

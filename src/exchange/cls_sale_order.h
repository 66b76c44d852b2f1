// clsSaleOrder: sales orders (SEOrder with its SEOrderEntry rows) between the
// ERP and the CRM, as XML of the root "TavoIndSaleOrder".
//
// Export pages through SEOrder by FOperDate (rows with FInterID 0 are never
// exported); each order becomes a record of its header fields, with key
// records for its references and its entries under OrderEntry. An empty page
// answers the timestamp "0x0000000000000000", which starts again from the
// beginning when passed back.
//
// Import takes the orders of an XML text one at a time: an order already in
// the ERP (by UUID with CheckByUUID, else by number) is saved over, or with
// AddNewOnly skipped; references are mapped to internal IDs, the order is
// checked field by field (the first failed check is its message), the entry
// amounts are computed, and the order is saved through the bill service as
// transaction type 81. Progress reports every order. A failed order ends the
// call unless ImportErrorIgnore is set; orders saved before stay saved.
//
// Creating an object reads the thread's schema folder; a registry that
// cannot be read makes the creation fail.
#pragma once

#include "exchange/bill_exchange.h"
#include "values/value_dictionary.h"

namespace corvane {

class clsSaleOrder : public BillExchange {
 public:
  clsSaleOrder();

 protected:
  std::string MaxTimestamp() override;
  RecordSetPtr SelectPage(std::string& timestamp, int32_t per_count) override;
  ValueVectorPtr BuildDocuments(IRecordSet& page) override;
  bool ImportDocuments(const ValueVectorPtr& documents, std::string& strPropsString,
                       std::string& strError) override;
  std::string SchemaPath() const override;
  std::string RootName() const override { return "TavoIndSaleOrder"; }

 private:
  // Import: one order checked, mapped and saved. Answers the internal ID of
  // the saved (or, with AddNewOnly, skipped) order, or 0 with `message` set.
  int32_t SaleOrderImportBill(const ValueDictionary& order, std::string& message);
  int32_t FindSaleOrderByUUID(const std::string& uuid);
  int32_t FindSaleOrderByBillNo(const std::string& bill_no);
};

}  // namespace corvane

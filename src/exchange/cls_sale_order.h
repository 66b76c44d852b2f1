// clsSaleOrder: sales orders (SEOrder with its SEOrderEntry rows) between the
// ERP and the CRM, as XML of the root "TavoIndSaleOrder".
//
// Export pages through SEOrder by FOperDate (rows with FInterID 0 are never
// exported); each order becomes a record of its header fields, with key
// records for its references and its entries under OrderEntry. An empty page
// answers the timestamp "0x0000000000000000", which starts again from the
// beginning when passed back.
//
// Creating an object reads the thread's schema folder; a registry that
// cannot be read makes the creation fail.
#pragma once

#include "exchange/bill_exchange.h"

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
};

}  // namespace corvane

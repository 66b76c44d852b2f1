// clsSaleInvoice: sales invoices, special (transaction type 80) and ordinary
// (86), in ICSale with their ICSaleEntry rows, between the ERP and the CRM as
// XML of the root "TavoIndSaleInvoice".
//
// Export pages through the invoices of both types by FOperDate (rows with
// FInterID 0 are never exported); each invoice becomes a record of its
// header fields with key records for its references and its entries under
// Entry, an empty list for an invoice without entries. The newest timestamp
// covers every ICSale row. An empty page answers "0xFFFFFFFFFFFFFFFF".
//
// Import takes the invoices of an XML text one at a time: one already in the
// ERP (by UUID with CheckByUUID, else by number, of either type) is saved
// over, or with AddNewOnly skipped; references are mapped to internal IDs,
// the head and every entry are checked (the first failed check is the
// invoice's message: dates, people, styles, the zero and the red/blue sign
// checks), and the invoice is saved through the bill service under its own
// SaleInvoiceType, with its prices and amounts as they came. Progress reports
// every invoice. A failed invoice ends the call unless ImportErrorIgnore is
// set; invoices saved before stay saved.
//
// Creating an object reads the thread's schema folder; a registry that
// cannot be read makes the creation fail.
#pragma once

#include "exchange/bill_exchange.h"
#include "values/value_dictionary.h"

namespace corvane {

class clsSaleInvoice : public BillExchange {
 public:
  clsSaleInvoice();

 protected:
  std::string MaxTimestamp() override;
  RecordSetPtr SelectPage(std::string& timestamp, int32_t per_count) override;
  ValueVectorPtr BuildDocuments(IRecordSet& page) override;
  bool ImportDocuments(const ValueVectorPtr& documents, std::string& strPropsString,
                       std::string& strError) override;
  std::string SchemaPath() const override;
  std::string RootName() const override { return "TavoIndSaleInvoice"; }

 private:
  // Import: one invoice checked, mapped and saved. Answers the internal ID
  // of the saved (or, with AddNewOnly, skipped) invoice, or 0 with `message`.
  int32_t SaleInvoiceImportBill(const ValueDictionary& invoice, std::string& message);
  int32_t FindSaleInvoiceByUUID(const std::string& uuid);
  int32_t FindSaleInvoiceByBillNo(const std::string& bill_no);
  // The head statement, checked field by field in column order.
  std::string HeadStatement(const ValueDictionary& invoice, const std::string& uuid);
  // The entry statements (element 0 empty), each entry checked.
  ValueVectorPtr EntryStatements(const ValueDictionary& invoice);
};

}  // namespace corvane

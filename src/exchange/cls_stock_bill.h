// clsStockBill: stock bills of one kind, purchase receipts (transaction type
// 1) or sales deliveries (21), in ICStockBill with their ICStockBillEntry
// rows, between the ERP and the CRM as XML of the root "TavoIndStockBill".
//
// StockBillType chooses the kind: 4 purchase receipts, any other value sales
// deliveries. An object whose kind was never set exports bills of every kind
// and writes no transaction type into the heads it imports.
//
// Export pages through the bills of the kind by FOperDate (rows with
// FInterID 0 are never exported); each bill becomes a record of its header
// fields with key records for its people, styles and partner, and its
// entries under Entry (each with its warehouse). The newest timestamp covers
// every ICStockBill row, whatever its kind. An empty page answers
// "0xFFFFFFFFFFFFFFFF".
//
// Import takes the bills of an XML text one at a time: one already in the
// ERP (by UUID with CheckByUUID, else by number, of any kind) is saved over
// when it is of the object's kind (a bill of another kind is refused as a
// duplicate number), or with AddNewOnly skipped; references are mapped to
// internal IDs, the head and every entry are checked with the messages of
// the kind (the bill-level DCStockID is the warehouse of every entry), and
// the bill is saved through the bill service under the object's kind, or
// under the record's TranType while no kind is set. Progress reports every
// bill. A failed bill ends the call unless ImportErrorIgnore is set; bills
// saved before stay saved.
//
// Creating an object reads the thread's schema folder; a registry that
// cannot be read makes the creation fail.
#pragma once

#include "exchange/bill_exchange.h"
#include "values/value_dictionary.h"

namespace corvane {

class clsStockBill : public BillExchange {
 public:
  clsStockBill();

  // 4: purchase receipts (kind 1); anything else: sales deliveries (21).
  void SetStockBillType(int32_t stock_bill_type);
  // The kind's transaction type; 0 until StockBillType is set.
  int32_t kind_code() const { return kind_code_; }

 protected:
  std::string MaxTimestamp() override;
  RecordSetPtr SelectPage(std::string& timestamp, int32_t per_count) override;
  ValueVectorPtr BuildDocuments(IRecordSet& page) override;
  bool ImportDocuments(const ValueVectorPtr& documents, std::string& strPropsString,
                       std::string& strError) override;
  std::string SchemaPath() const override;
  std::string RootName() const override { return "TavoIndStockBill"; }

 private:
  // Import: one bill checked, mapped and saved. Answers the internal ID of
  // the saved (or, with AddNewOnly, skipped) bill, or 0 with `message`.
  int32_t StockBillImportBill(const ValueDictionary& bill, std::string& message);
  int32_t FindStockBillByUUID(const std::string& uuid);
  int32_t FindStockBillByBillNo(const std::string& bill_no);
  // The head statement, checked field by field in column order.
  std::string HeadStatement(const ValueDictionary& bill, const std::string& uuid);
  // The entry statements (element 0 empty), each entry checked.
  ValueVectorPtr EntryStatements(const ValueDictionary& bill);

  int32_t kind_code_ = 0;
  std::string kind_condition_ = " 1=1 ";
};

}  // namespace corvane

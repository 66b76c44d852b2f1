#include "exchange/cls_sale_invoice.h"

#include "exchange/document_fields.h"
#include "frame/call_context.h"
#include "frame/document_values.h"
#include "frame/front_door.h"
#include "frame/key_mapping.h"
#include "frame/messages.h"
#include "frame/save_bridge.h"
#include "frame/schema_folder.h"
#include "frame/sql_text.h"
#include "frame/timestamp_text.h"
#include "values/format.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

constexpr const char* kSource = "Corvane.clsSaleInvoice";

ValueDictionaryPtr EntryRecord(const IRecordSet& e) {
  const Variant zero(int32_t(0));
  auto entry = ValueDictionary::Create();
  entry->SetValue("EntryID", e.Fields("FEntryID"));
  // An entry without an item cannot be exported: CLng of Null fails.
  PutBaseDataKey(*entry, CLng(e.Fields("FItemID")), "Item", "Item");
  entry->SetValue("AuxQty", ColumnOr(e, "FAuxQty", zero));
  PutBaseDataKey(*entry, ColumnId(e, "FUnitID"), "Unit", "MeasureUnit");
  entry->SetValue("AuxPrice", ColumnOr(e, "FAuxPrice", zero));
  entry->SetValue("AuxTaxPrice", ColumnOr(e, "FAuxTaxPrice", zero));
  entry->SetValue("TaxRate", ColumnOr(e, "FTaxRate", zero));
  entry->SetValue("DiscountRate", ColumnOr(e, "FDiscountRate", zero));
  entry->SetValue("Amount", ColumnOr(e, "FAmount", zero));
  entry->SetValue("TaxAmount", ColumnOr(e, "FTaxAmount", zero));
  return entry;
}

}  // namespace

clsSaleInvoice::clsSaleInvoice() { ThisThreadSchemaFolder(); }

std::string clsSaleInvoice::SchemaPath() const {
  return ThisThreadSchemaFolder() + "TavoIndSaleInvoice" + ".xsd";
}

std::string clsSaleInvoice::MaxTimestamp() {
  return ReadMaxTimestamp("SELECT MAX(FOperDate) as FMT FROM ICSale WHERE FInterID <> 0 ");
}

RecordSetPtr clsSaleInvoice::SelectPage(std::string& timestamp, int32_t per_count) {
  const std::string condition = PageCondition(timestamp);
  const std::string head =
      per_count != 0 ? "SELECT TOP " + std::to_string(per_count) + " *" : "SELECT *";
  return ReadPage(head + " FROM ICSale WHERE FInterID<>0 AND FTranType IN (80,86)" + " AND (" +
                      condition + ")" + " ORDER BY FOperDate",
                  timestamp, kEndOfTableTimestamp);
}

ValueVectorPtr clsSaleInvoice::BuildDocuments(IRecordSet& page) {
  auto documents = ValueVector::Create();
  const int32_t total = page.RecordCount();
  int32_t built = 0;
  const Variant zero(int32_t(0));
  while (!page.Eof()) {
    auto invoice = ValueDictionary::Create();
    invoice->SetValue("UUID", ColumnOr(page, "FUUID", Variant("")));
    invoice->SetValue("BillNo", ColumnOr(page, "FBillNo", Variant("")));
    invoice->SetValue("SaleInvoiceType", page.Fields("FTranType"));
    invoice->SetValue("Date", Format(ColumnOr(page, "FDate", Variant(Now())), "yyyy-mm-dd"));
    invoice->SetValue("ROB", ColumnOr(page, "FROB", Variant(int32_t(1))));
    invoice->SetValue("ExchangeRate", ColumnOr(page, "FExchangeRate", Variant(int32_t(1))));
    invoice->SetValue("Note", ColumnOr(page, "FNote", Variant("")));
    PutBaseDataKey(*invoice, ColumnId(page, "FSaleStyle"), "SaleStyle", "SubMessage");
    PutBaseDataKey(*invoice, ColumnId(page, "FCustID"), "Customer", "Item");
    PutBaseDataKey(*invoice, ColumnId(page, "FCurrencyID"), "Currency", "Currency");
    PutBaseDataKey(*invoice, ColumnId(page, "FDeptID"), "Department", "Item");
    PutBaseDataKey(*invoice, ColumnId(page, "FEmpID"), "Employee", "Item");
    PutBaseDataKey(*invoice, ColumnId(page, "FBillerID"), "BillerID", "User");

    RecordSetPtr entries = connection().GetAnyRecordSet(
        " select * from ICSaleEntry where FInterID=" + std::to_string(CLng(page.Fields("FInterID"))));
    auto list = ValueVector::Create();
    for (; !entries->Eof(); entries->MoveNext()) list->Add(Variant(EntryRecord(*entries)));
    entries->Close();
    invoice->SetValue("Entry", Variant(list));

    documents->Add(Variant(invoice));
    page.MoveNext();
    DocumentBuilt(++built, total);
  }
  return documents;
}

int32_t clsSaleInvoice::FindSaleInvoiceByUUID(const std::string& uuid) {
  RecordSetPtr rs =
      connection().GetAnyRecordSet("Select * From ICSale Where FUUID='" + SqlQuoteInner(uuid) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

int32_t clsSaleInvoice::FindSaleInvoiceByBillNo(const std::string& bill_no) {
  if (bill_no.empty()) return 0;
  RecordSetPtr rs = connection().GetAnyRecordSet(std::string("Select FInterID from ICSale Where ") +
                                                 "FBillNo='" + SqlQuoteInner(bill_no) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

bool clsSaleInvoice::ImportDocuments(const ValueVectorPtr& documents, std::string& /*strPropsString*/,
                                     std::string& /*strError*/) {
  return ImportEach(*documents, [this](const ValueDictionary& invoice, std::string& message) {
    return SaleInvoiceImportBill(invoice, message);
  });
}

std::string clsSaleInvoice::HeadStatement(const ValueDictionary& invoice, const std::string& uuid) {
  const bool by_uuid = check_by_uuid();
  const std::string type = std::to_string(WholeNumberOf(invoice, "SaleInvoiceType", 0, kSource));
  const Variant date_value = invoice.GetValue("Date", Variant(""));
  if (TextOf(invoice, "Date").empty()) throw CheckFailed{MessageKey("日期不能为空！")};
  const Date date = DocumentDate(date_value, "Date", kSource);
  const int32_t rob = WholeNumberOf(invoice, "ROB", 1, kSource);
  const int32_t sale_style = KeyId(by_uuid, invoice, "SaleStyle", "SubMessage");
  if (sale_style == 0) throw CheckFailed{MessageKey("销售方式不能为空！")};
  const int32_t customer = KeyId(by_uuid, invoice, "Customer", "Item", Variant(int32_t(1)));
  if (customer == 0) throw CheckFailed{MessageKey("购货单位不能为空！")};
  const int32_t currency = KeyId(by_uuid, invoice, "Currency", "Currency");
  const int32_t department = KeyId(by_uuid, invoice, "Department", "Item", Variant(int32_t(2)));
  if (department == 0) throw CheckFailed{MessageKey("部门不能为空！")};
  const int32_t employee = KeyId(by_uuid, invoice, "Employee", "Item", Variant(int32_t(3)));
  if (employee == 0) throw CheckFailed{MessageKey("业务员不能为空！")};
  int32_t biller = KeyId(by_uuid, invoice, "BillerID", "User");
  if (biller == 0) biller = GetActiveUserID();
  const std::string exchange_rate = NumberOf(invoice, "ExchangeRate", "1", kSource);

  return "INSERT INTO ICSale (FBrNo,FStatus,FInterID,FImport,FSystemType,FTranType,FBillNo,FUUID,"
         "FDate,FROB,FSaleStyle,FCustID,FCurrencyID,FDeptID,FEmpID,FBillerID,FExchangeRate,FNote)"
         " VALUES ( '0',0,@BillInterID,1,2," +
         SqlLiteral(type) + ",'@BillNo'," + (uuid.empty() ? "NEWID()" : SqlLiteral(uuid)) + "," +
         SqlLiteral(DateToText(date)) + "," + std::to_string(rob) + "," +
         std::to_string(sale_style) + "," + std::to_string(customer) + "," +
         std::to_string(currency) + "," + std::to_string(department) + "," +
         std::to_string(employee) + "," + std::to_string(biller) + "," + exchange_rate + "," +
         SqlLiteral(TextOf(invoice, "Note")) + ")";
}

ValueVectorPtr clsSaleInvoice::EntryStatements(const ValueDictionary& invoice) {
  const ValueVectorPtr entries = EntriesOf(invoice, "Entry");
  const int32_t rob = WholeNumberOf(invoice, "ROB", 1, kSource);
  auto statements = ValueVector::Create();
  statements->Add(Variant(""));  // position 0 holds no entry
  for (int32_t i = 1; i <= entries->Count(); ++i) {
    const ValueDictionary& entry = *entries->Item(i).ObjectAs<ValueDictionary>();
    const std::string qty = NumberOf(entry, "AuxQty", "0", kSource);
    const std::string amount = NumberOf(entry, "Amount", "0", kSource);
    CheckQuantitySigns(CDbl(Variant(qty)), CDbl(Variant(amount)), rob);
    const int32_t item = KeyId(check_by_uuid(), entry, "Item", "Item", Variant(int32_t(4)));
    if (item == 0) throw CheckFailed{MessageKey("物料不能为空！")};
    const int32_t unit = KeyId(check_by_uuid(), entry, "Unit", "MeasureUnit");
    if (unit == 0) throw CheckFailed{MessageKey("计量单位不能为空！")};
    // The other values, checked in the order of their columns.
    const std::string price = NumberOf(entry, "AuxPrice", "0", kSource);
    const std::string tax_price = NumberOf(entry, "AuxTaxPrice", "0", kSource);
    const std::string tax_rate = NumberOf(entry, "TaxRate", "0", kSource);
    const std::string discount_rate = NumberOf(entry, "DiscountRate", "0", kSource);
    const std::string tax_amount = NumberOf(entry, "TaxAmount", "0", kSource);
    statements->Add(Variant(
        "INSERT INTO ICSaleEntry (FBrNo,FInterID,FEntryID,FItemID,FAuxQty,FUnitID,FAuxPrice,"
        "FAuxTaxPrice,FTaxRate,FDiscountRate,FAmount,FTaxAmount)VALUES ('0',@BillInterID," +
        std::to_string(i) + "," + std::to_string(item) + "," + qty + "," + std::to_string(unit) +
        "," + price + "," + tax_price + "," + tax_rate + "," + discount_rate + "," + amount + "," +
        tax_amount + ")"));
  }
  return statements;
}

int32_t clsSaleInvoice::SaleInvoiceImportBill(const ValueDictionary& invoice, std::string& message) {
  std::string bill_no;
  try {
    const std::string uuid = Trim(TextOf(invoice, "UUID"));
    bill_no = Trim(TextOf(invoice, "BillNo"));
    const ExistingDocument found = FindExisting(
        uuid, bill_no, [this](const std::string& u) { return FindSaleInvoiceByUUID(u); },
        [this](const std::string& n) { return FindSaleInvoiceByBillNo(n); });
    if (found.skip) return found.inter_id;
    const int32_t tran_type = WholeNumberOf(invoice, "SaleInvoiceType", 0, kSource);

    auto bill = ValueVector::Create();
    bill->Add(Variant(SaveHead(found, bill_no)));
    const std::string head = HeadStatement(invoice, uuid);
    bill->Add(Variant(EntryStatements(invoice)));
    bill->Add(Variant(head));

    int32_t saved_id = 0;
    std::string refusal;
    if (SaveBillThroughService(GetPropsString(), tran_type, bill, saved_id, refusal))
      return saved_id;
    message = RefusedDocumentMessage(bill_no, refusal);
  } catch (const CheckFailed& f) {
    message = RefusedDocumentMessage(bill_no, GetMessageText(f.message));
  } catch (...) {
    message = RefusedDocumentMessage(bill_no, CurrentExceptionAsRuntimeError().description());
  }
  return 0;
}

}  // namespace corvane

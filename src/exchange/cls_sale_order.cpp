#include "exchange/cls_sale_order.h"

#include "exchange/document_fields.h"

#include "frame/key_mapping.h"
#include "frame/module_state.h"
#include "frame/schema_folder.h"
#include "frame/timestamp_text.h"
#include "values/format.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

Variant Or(const IRecordSet& rs, const char* column, const Variant& fallback) {
  return ColumnOr(rs, column, fallback);
}
int32_t IdOf(const IRecordSet& rs, const char* column) { return ColumnId(rs, column); }

ValueDictionaryPtr EntryRecord(const IRecordSet& e) {
  auto entry = ValueDictionary::Create();
  entry->SetValue("EntryID", e.Fields("FEntryID"));
  // An entry without an item or unit cannot be exported: CLng of Null fails.
  PutBaseDataKey(*entry, CLng(e.Fields("FItemID")), "Item", "Item");
  PutBaseDataKey(*entry, CLng(e.Fields("FUnitID")), "Unit", "MeasureUnit");
  const Variant zero(int32_t(0));
  entry->SetValue("Qty", Or(e, "FAuxQty", zero));
  entry->SetValue("Price", Or(e, "FAuxPrice", zero));
  entry->SetValue("Amount", Or(e, "FAmount", zero));
  entry->SetValue("TaxRate", Or(e, "FTaxRate", zero));
  entry->SetValue("Discount", Or(e, "FDiscount", zero));
  entry->SetValue("FinalAmount", Or(e, "FFinalAmount", zero));
  entry->SetValue("CESS", Or(e, "FCESS", zero));
  entry->SetValue("Note", Or(e, "FNote", Variant("")));
  PutBaseDataKey(*entry, IdOf(e, "FContractInterID"), "Contract", "Contract");
  return entry;
}

}  // namespace

clsSaleOrder::clsSaleOrder() { ThisThreadSchemaFolder(); }

std::string clsSaleOrder::SchemaPath() const {
  return ThisThreadSchemaFolder() + "TavoIndSaleOrder" + ".xsd";
}

std::string clsSaleOrder::MaxTimestamp() {
  return ReadMaxTimestamp("SELECT MAX(FOperDate) as FMT FROM SeOrder");
}

RecordSetPtr clsSaleOrder::SelectPage(std::string& timestamp, int32_t per_count) {
  const std::string condition = PageCondition(timestamp);
  const std::string head =
      per_count != 0 ? "SELECT TOP " + std::to_string(per_count) + " * " : "SELECT * ";
  return ReadPage(head + " From SEOrder  WHERE  FInterID <> 0 " + " AND (" + condition + ")" +
                      " ORDER BY FOperDate",
                  timestamp, kZeroTimestamp);
}

ValueVectorPtr clsSaleOrder::BuildDocuments(IRecordSet& page) {
  auto documents = ValueVector::Create();
  const int32_t total = page.RecordCount();
  int32_t built = 0;
  const Variant zero(int32_t(0));
  while (!page.Eof()) {
    auto order = ValueDictionary::Create();
    order->SetValue("UUID", page.Fields("FUUID"));
    order->SetValue("BillNo", page.Fields("FBillNo"));
    const Variant date = page.Fields("FDate");
    order->SetValue("Date", Format(date.IsNull() ? Variant(Now()) : date, "yyyy-mm-dd"));
    order->SetValue("FetchAdd", Or(page, "FFetchAdd", Variant("")));
    order->SetValue("ExchangeRate", Or(page, "FExchangeRate", Variant(int32_t(1))));
    PutBaseDataKey(*order, IdOf(page, "FSettleID"), "SettleStyle", "SubMessage");
    PutBaseDataKey(*order, IdOf(page, "FSaleStyle"), "SaleStyle", "SubMessage");
    order->SetValue("DiscountType", Variant(CLng(Or(page, "FDiscountType", zero))));
    PutBaseDataKey(*order, IdOf(page, "FCustID"), "Customer", "Item");
    PutBaseDataKey(*order, IdOf(page, "FCurrencyID"), "Currency", "Currency");
    PutBaseDataKey(*order, IdOf(page, "FDeptID"), "Department", "Item");
    PutBaseDataKey(*order, IdOf(page, "FEmpID"), "Employee", "Item");
    PutBaseDataKey(*order, IdOf(page, "FMangerID"), "Manger", "Item");
    PutBaseDataKey(*order, IdOf(page, "FBillerID"), "BillerID", "User");

    RecordSetPtr entries = connection().GetAnyRecordSet(
        "SELECT * FROM SEorderEntry WHERE FInterID=" + std::to_string(CLng(page.Fields("FInterID"))));
    if (!entries->Eof()) {
      auto list = ValueVector::Create();
      for (; !entries->Eof(); entries->MoveNext()) list->Add(Variant(EntryRecord(*entries)));
      order->SetValue("OrderEntry", Variant(list));
    }
    entries->Close();

    documents->Add(Variant(order));
    page.MoveNext();
    DocumentBuilt(++built, total);
  }
  return documents;
}

}  // namespace corvane

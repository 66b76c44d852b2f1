#include "exchange/cls_stock_bill.h"

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

constexpr const char* kSource = "Corvane.clsStockBill";
constexpr int32_t kPurchaseReceipt = 1;
constexpr int32_t kSalesDelivery = 21;

// The message of a check whose wording depends on the kind; "" for a kind
// that has none.
const char* ByKind(int32_t kind, const char* receipt, const char* delivery,
                   const char* other = "") {
  return kind == kPurchaseReceipt ? receipt : kind == kSalesDelivery ? delivery : other;
}

ValueDictionaryPtr EntryRecord(const IRecordSet& e) {
  const Variant zero(int32_t(0));
  auto entry = ValueDictionary::Create();
  entry->SetValue("EntryID", e.Fields("FEntryID"));
  for (const auto& [key, column] :
       {std::pair{"Amount", "FAmount"}, {"AuxPlanPrice", "FAuxPlanPrice"}, {"AuxPrice", "FAuxPrice"},
        {"AuxQty", "FAuxQty"}, {"AuxQtyMust", "FAuxQtyMust"}, {"ConsignAmount", "FConsignAmount"},
        {"ConsignPrice", "FConsignPrice"}, {"BatchNo", "FBatchNo"}})
    entry->SetValue(key, ColumnOr(e, column, zero));
  PutBaseDataKey(*entry, ColumnId(e, "FDCStockID"), "DCStockID", "Item");
  PutBaseDataKey(*entry, ColumnId(e, "FDCSPID"), "DCSPID", "StockPlace");
  PutBaseDataKey(*entry, ColumnId(e, "FItemID"), "Item", "Item");
  PutBaseDataKey(*entry, ColumnId(e, "FUnitID"), "UnitID", "MeasureUnit");
  entry->SetValue("KFDate", Format(ColumnOr(e, "FKFDate", Variant("")), "yyyy-mm-dd"));
  entry->SetValue("KFPeriod", ColumnOr(e, "FKFPeriod", zero));
  entry->SetValue("Note", ColumnOr(e, "FNote", Variant("")));
  for (const auto& [key, column] :
       {std::pair{"PlanAmount", "FPlanAmount"}, {"Qty", "FQty"}, {"QtyMust", "FQtyMust"},
        {"AuxCommitQty", "FAuxCommitQty"}, {"Price", "FPrice"}, {"AuxQtyActual", "FAuxQtyActual"},
        {"CommitQty", "FCommitQty"}})
    entry->SetValue(key, ColumnOr(e, column, zero));
  return entry;
}

}  // namespace

clsStockBill::clsStockBill() { ThisThreadSchemaFolder(); }

void clsStockBill::SetStockBillType(int32_t stock_bill_type) {
  kind_code_ = stock_bill_type == 4 ? kPurchaseReceipt : kSalesDelivery;
  kind_condition_ = " FTranType=" + std::to_string(kind_code_) + " ";
}

std::string clsStockBill::SchemaPath() const {
  return ThisThreadSchemaFolder() + "TavoIndStockBill" + ".xsd";
}

std::string clsStockBill::MaxTimestamp() {
  return ReadMaxTimestamp("SELECT MAX(FOperDate) as FMT FROM ICStockBill WHERE FInterID <> 0 ");
}

RecordSetPtr clsStockBill::SelectPage(std::string& timestamp, int32_t per_count) {
  const std::string condition = PageCondition(timestamp) + " And " + kind_condition_;
  const std::string head =
      per_count != 0 ? "SELECT TOP " + std::to_string(per_count) + " *" : "SELECT *";
  return ReadPage(head + " FROM ICStockBill WHERE FInterID <> 0 " + " AND (" + condition + ")" +
                      " ORDER BY FOperDate",
                  timestamp, kEndOfTableTimestamp);
}

ValueVectorPtr clsStockBill::BuildDocuments(IRecordSet& page) {
  auto documents = ValueVector::Create();
  const int32_t total = page.RecordCount();
  int32_t built = 0;
  const Variant zero(int32_t(0));
  while (!page.Eof()) {
    auto bill = ValueDictionary::Create();
    bill->SetValue("UUID", ColumnOr(page, "FUUID", Variant("")));
    bill->SetValue("BillNo", ColumnOr(page, "FBillNo", Variant("")));
    bill->SetValue("Date", Format(ColumnOr(page, "FDate", Variant(Now())), "yyyy-mm-dd"));
    bill->SetValue("ROB", ColumnOr(page, "FROB", Variant(int32_t(1))));
    bill->SetValue("Status", ColumnOr(page, "FStatus", zero));
    bill->SetValue("TranType", ColumnOr(page, "FTranType", Variant(int32_t(1))));
    bill->SetValue("Note", ColumnOr(page, "FNote", Variant("")));
    PutBaseDataKey(*bill, ColumnId(page, "FBillerID"), "BillerID", "User");
    for (const auto& [key, column, kind] :
         {std::tuple{"FManagerID", "FFManagerID", "Item"}, {"PosterID", "FPosterID", "Item"},
          {"RelateBrID", "FRelateBrID", "Item"}, {"SaleStyle", "FSaleStyle", "SubMessage"},
          {"POStyle", "FPOStyle", "SubMessage"}, {"SManagerID", "FSManagerID", "Item"},
          {"SupplyID", "FSupplyID", "Item"}, {"CurrencyID", "FCurrencyID", "Currency"},
          {"DeptID", "FDeptID", "Item"}, {"EmpID", "FEmpID", "Item"}})
      PutBaseDataKey(*bill, ColumnId(page, column), key, kind);

    RecordSetPtr entries = connection().GetAnyRecordSet(
        " select * from ICStockBillEntry where FInterID=" +
        std::to_string(CLng(page.Fields("FInterID"))));
    auto list = ValueVector::Create();
    for (; !entries->Eof(); entries->MoveNext()) list->Add(Variant(EntryRecord(*entries)));
    entries->Close();
    bill->SetValue("Entry", Variant(list));

    documents->Add(Variant(bill));
    page.MoveNext();
    DocumentBuilt(++built, total);
  }
  return documents;
}

int32_t clsStockBill::FindStockBillByUUID(const std::string& uuid) {
  RecordSetPtr rs = connection().GetAnyRecordSet("Select * From ICStockBill Where FUUID='" +
                                                 SqlQuoteInner(uuid) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

int32_t clsStockBill::FindStockBillByBillNo(const std::string& bill_no) {
  if (bill_no.empty()) return 0;
  RecordSetPtr rs = connection().GetAnyRecordSet(
      std::string("Select FInterID from ICStockBill Where ") + "FBillNo='" +
      SqlQuoteInner(bill_no) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

bool clsStockBill::ImportDocuments(const ValueVectorPtr& documents, std::string& /*strPropsString*/,
                                   std::string& /*strError*/) {
  return ImportEach(*documents, [this](const ValueDictionary& bill, std::string& message) {
    return StockBillImportBill(bill, message);
  });
}

std::string clsStockBill::HeadStatement(const ValueDictionary& bill, const std::string& uuid) {
  const bool by_uuid = check_by_uuid();
  const int32_t kind = kind_code_;
  auto required = [&](const char* key, const char* item_kind, int32_t item_class,
                      const char* message) {
    const int32_t id = KeyId(by_uuid, bill, key, item_kind, Variant(item_class));
    if (id == 0 && message) throw CheckFailed{message};
    return id;
  };
  if (TextOf(bill, "Date").empty()) throw CheckFailed{MessageKey("日期不能为空！")};
  const Date date = DocumentDate(bill.GetValue("Date", Variant("")), "Date", kSource);
  const int32_t rob = WholeNumberOf(bill, "ROB", 1, kSource);
  int32_t biller = required("BillerID", "User", 0, nullptr);
  if (biller == 0) biller = GetActiveUserID();
  const int32_t receiver = required(
      "FManagerID", "Item", 3, ByKind(kind, MessageKey("验收人不能为空！"), MessageKey("发货人不能为空！")));
  const int32_t poster = required("PosterID", "Item", 3, nullptr);
  const int32_t relate = required("RelateBrID", "Item", 10, nullptr);
  const int32_t sale_style = required("SaleStyle", "SubMessage", 0,
                                      kind == kSalesDelivery ? MessageKey("销售方式不能为空！") : nullptr);
  const int32_t po_style = required("POStyle", "SubMessage", 0,
                                    kind == kPurchaseReceipt ? MessageKey("采购方式不能为空！") : nullptr);
  const int32_t keeper = required("SManagerID", "Item", 3, MessageKey("保管人不能为空！"));
  const int32_t supplier =
      required("SupplyID", "Item", kind == kPurchaseReceipt ? 8 : 1,
               ByKind(kind, MessageKey("供应商不能为空！"), MessageKey("购货单位不能为空！")));
  const int32_t currency = required("CurrencyID", "Currency", 0, nullptr);
  const int32_t department = required("DeptID", "Item", 2, nullptr);
  const int32_t employee = required("EmpID", "Item", 3, nullptr);
  const std::string note = TextOf(bill, "Note");

  // Without a kind the head names no transaction type, and the bill service
  // refuses the statement.
  return " Insert into ICStockBill (FBrNo,FStatus,FInterID,FBillNo,FUUID,Fdate,FROB,FTranType,"
         "FNote,FBillerID,FFManagerID,FPosterID,FRelateBrID,FSaleStyle,FPOStyle,FSManagerID,"
         "FSupplyID,FCurrencyID,FDeptID,FEmpID) VALUES ( '0',0,@BillInterID,'@BillNo'," +
         (uuid.empty() ? std::string("NEWID()") : SqlLiteral(uuid)) + "," +
         SqlLiteral(DateToText(date)) + "," + std::to_string(rob) + "," +
         (kind != 0 ? std::to_string(kind) : std::string()) + "," + SqlLiteral(note) + "," +
         std::to_string(biller) + "," + std::to_string(receiver) + "," + std::to_string(poster) +
         "," + std::to_string(relate) + "," + std::to_string(sale_style) + "," +
         std::to_string(po_style) + "," + std::to_string(keeper) + "," + std::to_string(supplier) +
         "," + std::to_string(currency) + "," + std::to_string(department) + "," +
         std::to_string(employee) + ")";
}

ValueVectorPtr clsStockBill::EntryStatements(const ValueDictionary& bill) {
  const ValueVectorPtr entries = EntriesOf(bill, "Entry");
  const int32_t rob = WholeNumberOf(bill, "ROB", 1, kSource);
  const bool by_uuid = check_by_uuid();
  // The warehouse of every entry is the bill's; it is checked with each
  // entry, after the entry's item.
  const int32_t warehouse = KeyId(by_uuid, bill, "DCStockID", "Item", Variant(int32_t(5)));
  auto statements = ValueVector::Create();
  statements->Add(Variant(""));  // position 0 holds no entry
  for (int32_t i = 1; i <= entries->Count(); ++i) {
    const ValueDictionary& entry = *entries->Item(i).ObjectAs<ValueDictionary>();
    auto number = [&](const char* key) { return NumberOf(entry, key, "0", kSource); };
    const std::string qty = number("AuxQty");
    const std::string amount = number("Amount");
    CheckQuantitySigns(CDbl(Variant(qty)), CDbl(Variant(amount)), rob);
    const int32_t item = KeyId(by_uuid, entry, "Item", "Item", Variant(int32_t(4)));
    if (item == 0) throw CheckFailed{MessageKey("物料不能为空！")};
    if (warehouse == 0)
      throw CheckFailed{ByKind(kind_code_, MessageKey("收料仓库不能为空！"),
                               MessageKey("发料仓库不能为空！"), MessageKey("仓库不能为空！"))};
    const int32_t place = KeyId(by_uuid, entry, "DCSPID", "StockPlace");
    const int32_t unit = KeyId(by_uuid, entry, "UnitID", "MeasureUnit");
    if (unit == 0) throw CheckFailed{MessageKey("计量单位不能为空！")};
    // A shelf-life date sent empty is none (Null); one not sent at all is
    // written as the empty text.
    std::string shelf_life = "''";
    if (entry.Exists("KFDate")) {
      const std::string text = TextOf(entry, "KFDate");
      shelf_life = text.empty() ? "Null"
                                : SqlLiteral(DateToText(DocumentDate(Variant(text), "KFDate", kSource)));
    }
    // The other values, checked in the order of their columns.
    const std::string plan_price = number("AuxPlanPrice");
    const std::string price = number("AuxPrice");
    const std::string qty_must = number("AuxQtyMust");
    const std::string period = std::to_string(WholeNumberOf(entry, "KFPeriod", 0, kSource));
    const std::string plan_amount = number("PlanAmount");
    const std::string base_qty = number("Qty");
    const std::string base_qty_must = number("QtyMust");
    const std::string consign_amount = number("ConsignAmount");
    const std::string consign_price = number("ConsignPrice");
    statements->Add(Variant(
        "Insert Into ICStockBillEntry (FBrNo,FInterID,FEntryID,FItemID,Famount,FAuxPlanPrice,"
        "Fauxprice,Fauxqty,FAuxQtyMust,FBatchNo,FDCStockID,FDCSPID,\r\n"
        "FKFDate,FKFPeriod,FMapName,FMapNumber,Fnote,FPlanAmount,FQty,FQtyMust,FUnitID,"
        "FConsignAmount,FConsignPrice) Values ('0',@BillInterID," +
        std::to_string(i) + "," + std::to_string(item) + "," + amount + "," + plan_price + "," +
        price + "," + qty + "," + qty_must + "," + SqlLiteral(TextOf(entry, "BatchNo")) + "," +
        std::to_string(warehouse) + "," + std::to_string(place) + "," + shelf_life + "," + period +
        "," + SqlLiteral(TextOf(entry, "MapName")) + "," + SqlLiteral(TextOf(entry, "MapNumber")) +
        "," + SqlLiteral(TextOf(entry, "Note")) + "," + plan_amount + "," + base_qty + "," +
        base_qty_must + "," + std::to_string(unit) + "," + consign_amount + "," + consign_price +
        ")"));
  }
  return statements;
}

int32_t clsStockBill::StockBillImportBill(const ValueDictionary& bill, std::string& message) {
  std::string bill_no;
  try {
    const std::string uuid = Trim(TextOf(bill, "UUID"));
    bill_no = Trim(TextOf(bill, "BillNo"));
    const ExistingDocument found = FindExisting(
        uuid, bill_no, [this](const std::string& u) { return FindStockBillByUUID(u); },
        [this](const std::string& n) { return FindStockBillByBillNo(n); });
    if (found.skip) return found.inter_id;
    auto save = ValueVector::Create();
    save->Add(Variant(SaveHead(found, bill_no)));
    const std::string head = HeadStatement(bill, uuid);
    save->Add(Variant(EntryStatements(bill)));
    save->Add(Variant(head));
    // The bill is saved under the object's kind, so that it is numbered by
    // its own rule and a delivery meets the negative-stock check; the
    // record's TranType counts only while no kind is set.
    const int32_t tran_type =
        kind_code_ != 0 ? kind_code_ : WholeNumberOf(bill, "TranType", 0, kSource);

    int32_t saved_id = 0;
    std::string refusal;
    if (SaveBillThroughService(GetPropsString(), tran_type, save, saved_id, refusal))
      return saved_id;
    message = RefusedDocumentMessage(bill_no, refusal);
  } catch (const CheckFailed& f) {
    message = RefusedDocumentMessage(bill_no, f.message[0] ? GetMessageText(f.message) : "");
  } catch (...) {
    message = RefusedDocumentMessage(bill_no, CurrentExceptionAsRuntimeError().description());
  }
  return 0;
}

}  // namespace corvane

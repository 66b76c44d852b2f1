// The sales order import of clsSaleOrder.
#include <cstring>
#include <optional>
#include <vector>

#include "exchange/cls_sale_order.h"
#include "exchange/document_fields.h"
#include "frame/amounts.h"
#include "frame/call_context.h"
#include "frame/document_values.h"
#include "frame/front_door.h"
#include "frame/key_mapping.h"
#include "frame/messages.h"
#include "frame/outside/system_services.h"
#include "frame/save_bridge.h"
#include "frame/sql_text.h"
#include "values/format.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

constexpr int32_t kSaleOrderType = 81;
constexpr int32_t kDefaultSaleStyle = 101;
constexpr const char* kSource = "Corvane.clsSaleOrder";

// A number of the incoming document that goes into SQL as it came: it must
// read as a plain decimal number the account's column can hold (a value such
// as "1;DROP" never reaches a statement, nor one stored rounded).
std::string NumberText(const Variant& value, const char* element) {
  return DocumentNumberText(value, element, kSource);
}

int32_t FindId(bool check_by_uuid, const ValueDictionary& d, const char* key, const char* kind,
               const Variant& item_class = Variant()) {
  return KeyId(check_by_uuid, d, key, kind, item_class);
}

// Columns and values joined into one INSERT statement, one per line.
std::string InsertStatement(const char* table, const std::vector<std::pair<const char*, std::string>>& cols) {
  if (cols.empty()) return {};
  size_t size = 32 + std::strlen(table);
  for (const auto& [name, value] : cols) size += std::strlen(name) + value.size() + 6;
  std::string text;
  text.reserve(size);
  text.append(" Insert into ").append(table).append("(");
  for (size_t i = 0; i < cols.size(); ++i)
    text.append(i ? "\r\n" : "").append(cols[i].first).append(i + 1 == cols.size() ? ")" : ",");
  text.append("\r\n Values(");
  for (size_t i = 0; i < cols.size(); ++i)
    text.append(i ? "\r\n" : "").append(cols[i].second).append(i + 1 == cols.size() ? ")" : ",");
  return text;
}

std::string Money(double d) { return PlainNumberText(d); }

}  // namespace

int32_t clsSaleOrder::FindSaleOrderByUUID(const std::string& uuid) {
  RecordSetPtr rs = connection().GetAnyRecordSet("Select FInterID From SEorder Where FUUID='" +
                                                 SqlQuoteInner(uuid) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

int32_t clsSaleOrder::FindSaleOrderByBillNo(const std::string& bill_no) {
  if (bill_no.empty()) return 0;
  RecordSetPtr rs = connection().GetAnyRecordSet("Select FInterID from SEorder  Where FBillNo='" +
                                                 SqlQuoteInner(bill_no) + "'");
  return rs->Eof() ? 0 : CLng(rs->Fields("FInterID"));
}

bool clsSaleOrder::ImportDocuments(const ValueVectorPtr& documents, std::string& /*strPropsString*/,
                                   std::string& /*strError*/) {
  return ImportEach(*documents, [this](const ValueDictionary& order, std::string& message) {
    return SaleOrderImportBill(order, message);
  });
}

int32_t clsSaleOrder::SaleOrderImportBill(const ValueDictionary& order, std::string& message) {
  std::string bill_no;
  try {
    bill_no = CStr(order.GetValue("BillNo", Variant("")));
    // An order the ERP already holds is saved over, or skipped with AddNewOnly.
    const ExistingDocument found = FindExisting(
        check_by_uuid() && order.Exists("UUID") ? Trim(TextOf(order, "UUID")) : std::string(),
        bill_no, [this](const std::string& u) { return FindSaleOrderByUUID(u); },
        [this](const std::string& n) { return FindSaleOrderByBillNo(n); });
    if (found.skip) return found.inter_id;
    // The CRM's UUID is kept for the head when CheckByUUID is set.
    const std::string& uuid = found.looked_up_uuid;

    auto bill = ValueVector::Create();
    bill->Add(Variant(SaveHead(found, bill_no)));

    const ValueVectorPtr entries = EntriesOf(order, "OrderEntry");

    const bool by_uuid = check_by_uuid();
    const Variant exchange_rate = order.GetValue("ExchangeRate", Variant(int32_t(1)));
    auto statements = ValueVector::Create();
    statements->Add(Variant(""));  // position 0 holds no entry
    Variant advice_date;
    std::optional<int32_t> customer_id;
    std::optional<Variant> carrying_days;
    for (int32_t i = 1; i <= entries->Count(); ++i) {
      const ValueDictionary& entry = *entries->Item(i).ObjectAs<ValueDictionary>();
      const int32_t item_id = FindId(by_uuid, entry, "Item", "Item", Variant(int32_t(4)));
      if (item_id == 0) throw CheckFailed{MessageKey("物料不能为空！")};
      const int32_t unit_id = FindId(by_uuid, entry, "Unit", "MeasureUnit", Variant(int32_t(0)));
      if (unit_id == 0) throw CheckFailed{MessageKey("计量单位不能为空！")};
      const Variant date_value = order.GetValue("Date", Variant(""));
      if (CStr(date_value).empty()) throw CheckFailed{MessageKey("日期不能为空！")};
      const Date date = DocumentDate(date_value, "Date", kSource);

      // The quantity is checked first; the other numbers when the amounts
      // are computed from them.
      const Variant zero(int32_t(0));
      const std::string qty_text = NumberText(entry.GetValue("Qty", zero), "Qty");
      const Variant qty(qty_text);
      if (CDbl(qty) == 0) throw CheckFailed{MessageKey("数量不能为0！")};
      const std::string aux_price_text = NumberText(entry.GetValue("Price", zero), "Price");
      const std::string amount_text = NumberText(entry.GetValue("Amount", zero), "Amount");
      const std::string tax_rate_text = NumberText(entry.GetValue("TaxRate", zero), "TaxRate");
      const std::string cess_text = NumberText(entry.GetValue("Cess", zero), "Cess");
      const Variant aux_price(aux_price_text), amount_in(amount_text), tax_rate(tax_rate_text),
          cess(cess_text);
      const Variant* given_note = entry.Find("Note");
      const Variant note = given_note ? *given_note : Variant(GetMessageText("来源：") + "TavoCRM");

      const Variant hundred(int32_t(100)), one(int32_t(1));
      const Variant aux_tax_price = Multiply(aux_price, Add(one, Divide(cess, hundred)));
      const Variant aux_price_discount = Multiply(aux_tax_price, Subtract(one, Divide(tax_rate, hundred)));
      const Variant uni_discount = Divide(Multiply(aux_tax_price, tax_rate), hundred);

      double amount = 0, discount_amount = 0, tax_amount = 0, total = 0, total_std = 0;
      if (CDbl(qty) != 0 && CDbl(aux_price) != 0) {
        amount = CDbl(amount_in) != 0
                     ? RoundAmount(amount_in, 2)
                     : RoundAmount(Multiply(Multiply(qty, aux_price),
                                            Subtract(one, Divide(tax_rate, hundred))),
                                   2);
        discount_amount = RoundAmount(Multiply(uni_discount, qty), 2);
        tax_amount = RoundAmount(Divide(Multiply(Variant(amount), cess), hundred), 2);
        total = RoundAmount(Variant(amount + tax_amount), 2);
        total_std = RoundAmount(
            Multiply(Variant(total), Variant(NumberText(exchange_rate, "ExchangeRate"))), 2);
      }

      // Advice delivery date: the order date plus the customer's carrying
      // days; days that are Null or missing count as none. The customer and
      // its days are read for the first entry that gets this far.
      if (!carrying_days) {
        customer_id = FindId(by_uuid, order, "Customer", "Item", Variant(int32_t(1)));
        RecordSetPtr carrying = connection().GetAnyRecordSet(
            "Select FCarryingAOS From t_Organization Where FItemID=" + std::to_string(*customer_id));
        carrying_days = Variant(int32_t(0));
        if (!carrying->Eof() && !carrying->Fields("FCarryingAOS").IsNull())
          carrying_days = carrying->Fields("FCarryingAOS");
      }
      const Variant& days = *carrying_days;
      // A date the account cannot hold once the days are added fails the
      // order, naming the date it came with.
      const Variant advice = Add(Variant(date), days);
      if (advice.type() != VarType::Date || !IsAccountDate(advice.AsDate()))
        throw RuntimeError(err::kOverflow, kSource,
                           FormatMessageText(MessageKey("%1 的值超出范围：%2"),
                                             {Variant("Date"), Variant(DateToText(date))}));
      advice_date = Variant(CDate(Format(advice, "yyyy-mm-dd")));

      int32_t contract_id = 0;
      std::string contract_no;
      if (ValueDictionaryPtr contract = KeyRecordOf(order, "Contract");
          contract && !CStr(contract->GetValue("UUID", Variant(""))).empty()) {
        contract_id = FindBaseDataID(by_uuid, *contract, "Contract");
        if (contract_id > 0) contract_no = CStr(contract->GetValue("FContractNo", Variant("")));
      }

      statements->Add(Variant(InsertStatement(
          "SEOrderEntry",
          {{"FInterID", "@BillInterID"},
           {"FEntryID", std::to_string(i)},
           {"FBrNo", "'0'"},
           {"FItemID", std::to_string(item_id)},
           {"FUnitID", std::to_string(unit_id)},
           {"FAuxQty", qty_text},
           {"FAuxPrice", aux_price_text},
           {"FTaxRate", tax_rate_text},
           {"FTaxAmount", Money(discount_amount)},
           {"FCESS", cess_text},
           {"FAmount", Money(amount)},
           {"FNote", SqlLiteral(CStr(note))},
           {"FDate", SqlLiteral(DateToText(date))},
           {"FAuxTaxPrice", PlainNumberText(CDbl(aux_tax_price))},
           {"FTaxAmt", Money(tax_amount)},
           {"FAllAmount", Money(total)},
           {"FAllStdAmount", Money(total_std)},
           {"FUniDiscount", PlainNumberText(CDbl(uni_discount))},
           {"FAuxPriceDiscount", PlainNumberText(CDbl(aux_price_discount))},
           {"FContractBillNO", SqlLiteral(contract_no)},
           {"FContractInterID", std::to_string(contract_id)},
           {"FAdviceConsignDate", SqlLiteral(DateToText(advice_date.AsDate()))}})));
    }
    bill->Add(Variant(statements));

    // The head, checked in this order.
    if (!customer_id) customer_id = FindId(by_uuid, order, "Customer", "Item", Variant(int32_t(1)));
    if (*customer_id == 0) throw CheckFailed{MessageKey("购货单位不能为空！")};
    const int32_t currency_id = FindId(by_uuid, order, "Currency", "Currency");
    if (currency_id == 0) throw CheckFailed{MessageKey("币别不能为空！")};
    const int32_t department_id = FindId(by_uuid, order, "Department", "Item", Variant(int32_t(2)));
    if (department_id == 0) throw CheckFailed{MessageKey("部门不能为空！")};
    const int32_t employee_id = FindId(by_uuid, order, "Employee", "Item", Variant(int32_t(3)));
    if (employee_id == 0) throw CheckFailed{MessageKey("业务员不能为空！")};
    const int32_t manager_id = FindId(by_uuid, order, "Manger", "Item", Variant(int32_t(3)));
    int32_t biller_id = FindId(by_uuid, order, "BillerID", "User");
    if (biller_id == 0) biller_id = GetActiveUserID();
    int32_t sale_style = kDefaultSaleStyle;
    if (KeyRecordOf(order, "SaleStyle")) {
      sale_style = FindId(by_uuid, order, "SaleStyle", "SubMessage");
      if (sale_style == 0) throw CheckFailed{MessageKey("销售方式不能为空！")};
    }
    const int32_t settle_id = FindId(by_uuid, order, "SettleStyle", "SubMessage");
    const Date date = DocumentDate(order.GetValue("Date", Variant("")), "Date", kSource);
    const std::string exchange_rate_text = NumberText(exchange_rate, "ExchangeRate");

    bill->Add(Variant(InsertStatement(
        "SEOrder",
        {{"FInterID", "@BillInterID"},
         {"FBrNo", "'0'"},
         {"FTranType", std::to_string(kSaleOrderType)},
         {"FDate", SqlLiteral(DateToText(date))},
         {"FBillNo", "'@BillNo'"},
         {"FUUID", uuid.empty() ? std::string("NEWID()") : SqlLiteral(uuid)},
         {"FCustID", std::to_string(*customer_id)},
         {"FCurrencyID", std::to_string(currency_id)},
         {"FExchangeRate", exchange_rate_text},
         {"FDiscountType", std::to_string(WholeNumberOf(order, "DiscountType", 0, kSource))},
         {"FDeptID", std::to_string(department_id)},
         {"FEmpID", std::to_string(employee_id)},
         {"FMangerID", std::to_string(manager_id)},
         {"FBillerID", std::to_string(biller_id)},
         {"FImport", "1"},
         {"FSystemType", "2"},
         {"FFetchAdd", SqlLiteral(CStr(order.GetValue("FetchAdd", Variant(""))))},
         {"FSaleStyle", std::to_string(sale_style)},
         {"FSettleID", std::to_string(settle_id)}})));

    int32_t saved_id = 0;
    if (SaveBillThroughService(GetPropsString(), kSaleOrderType, bill, saved_id, message))
      return saved_id;
    return 0;  // the bill service's own message, without the order's prefix
  } catch (const CheckFailed& f) {
    message = RefusedDocumentMessage(bill_no, GetMessageText(f.message));
  } catch (...) {
    message = RefusedDocumentMessage(bill_no, CurrentExceptionAsRuntimeError().description());
  }
  return 0;
}

}  // namespace corvane

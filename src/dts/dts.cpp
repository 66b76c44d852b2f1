#include "dts/dts.h"

#include <cmath>

#include "dts/xml_log.h"
#include "frame/call_context.h"
#include "frame/document_values.h"
#include "frame/messages.h"
#include "frame/schema_folder.h"
#include "frame/outside/list_server.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/xml_transfer.h"
#include "frame/sql_text.h"
#include "frame/xml_bridge.h"
#include "values/format.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

constexpr const char* kSource = "Corvane.DTS";
constexpr const char* kLineBreak = "\r\n";

// A base-data kind: the statement's head and where-part, the key column of a
// condition by name or key (mode 0) and of one by ID (mode 1), and the
// column answered in each mode. `by_id_only`: the ID condition in both modes.
struct LookupKind {
  int32_t kind;
  const char* head;
  const char* where;
  const char* key_column;
  const char* id_column;
  const char* answer_mode0;
  const char* answer_mode1;
  bool by_id_only;
};

const LookupKind* FindKind(int32_t kind) {
  static const LookupKind kKinds[] = {
      {7, " Select FUnitID From t_ICItem ", " Where 1=1 And ", "FItemID", "FItemID", "FUnitID",
       "FUnitID", true},
      {12, " Select FCurrencyID,FNumber,FName From t_Currency ", " Where 1=1 And ", "FName",
       "FCurrencyID", "FCurrencyID", "FName", false},
      {101, " Select FInterID,FID,FName From t_SubMessage ", " Where FTypeID=101 And ", "FName",
       "FInterID", "FInterID", "FName", false},
      {130, " Select FItemID,FNumber,FName From t_Settle ", " Where 1=1 And ", "FName", "FItemID",
       "FItemID", "FName", false},
      {500, " Select FContractID,FContractNo From t_RPContract ", " Where 1=1 And ", "FContractNo",
       "FContractID", "FContractID", "FContractNo", false},
  };
  for (const LookupKind& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

// Lines each ended by a line break.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + kLineBreak;
  return text;
}

std::string Caption(const char* caption, const std::string& value) {
  return FormatMessageText(caption, {Variant(value)});
}

// The next comma-separated token of `text`, which keeps what follows.
std::string NextToken(std::string& text) {
  const size_t comma = text.find(',');
  std::string token;
  if (comma == std::string::npos) {
    token.swap(text);
  } else {
    token = text.substr(0, comma);
    text.erase(0, comma + 1);
  }
  return token;
}

// The text of a key of a record; a key that is missing or Null reads "".
std::string TextOf(const ValueDictionary& record, const char* key) {
  const Variant v = record.GetValue(key, Variant(""));
  return v.IsNull() || v.IsEmpty() ? std::string() : CStr(v);
}

// The statements that remove an unchecked imported order by number, its
// entries first, so that no entry is left without its head.
std::string DeletionStatements(const std::string& bill_no) {
  const std::string number = SqlQuoteInner(bill_no);
  return std::string(kLineBreak) +
         Lines({" Delete from SEOrderEntry ",
                " Where FInterID In (Select FInterID From SEOrder Where FBillNo='" + number +
                    "' And FSystemType=2 And FStatus=0)"}) +
         kLineBreak +
         Lines({" Delete from SEOrder ", " Where FBillNo='" + number + "' And",
                "       FSystemType=2 And ", "       FStatus=0 "});
}

std::string Number(double value) { return PlainNumberText(value); }

// Whether `text` is a plain decimal number the account's DECIMAL(28,10)
// columns hold: it goes into the statements as it came.
bool FitsTheAccount(const std::string& text) {
  try {
    DocumentNumberText(Variant(text), "", kSource);
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

}  // namespace

DTS::DTS() { ThisThreadSchemaFolder(); }

template <typename Work>
bool DTS::Run(const std::string& sDSN, const std::string& sLogFile, bool light,
              Work&& work) noexcept {
  // The error flag speaks of this call only.
  error_ = false;
  // The log of this call, also for a failure of the steps below.
  log_file_ = sLogFile;
  try {
    props_ = sDSN;
    if (!light) {
      ParsePropsString(sDSN);
      app_ = CreateObjectAs<IAppConnection>(kAppConnectionProgId);
    }
    const bool result = work();
    app_.reset();
    return result;
  } catch (...) {
    app_.reset();
    const RuntimeError error = CurrentExceptionAsRuntimeError();
    try {
      Log(BuildErrorText(error));
    } catch (...) {
      // The log itself failed: the call's False is all that can be said.
    }
    return false;
  }
}

void DTS::Log(const std::string& text) { AppendLogReport(log_file_, text); }

RecordSetPtr DTS::Query(const std::string& sql) {
  const Variant rows = app_->Execute(GetConnectString(), sql);
  if (!rows.IsObject() || rows.IsNothing())
    throw RuntimeError(err::kStatementFailed, kSource, "The query failed: " + sql);
  return rows.ObjectAs<IRecordSet>();
}

Variant DTS::Lookup(int32_t kind, const Variant& value, int mode, bool* found) {
  if (found) *found = false;
  static const LookupKind kItemMaster{0,        " Select UUID,FItemID,FNumber,FName From t_Item ",
                                      "",       "UUID",
                                      "FItemID", "FItemID",
                                      "UUID",   false};
  LookupKind item = kItemMaster;
  const LookupKind* k = FindKind(kind);
  std::string where;
  if (!k) {
    item.kind = kind;
    k = &item;
    where = " Where FItemClassID=" + std::to_string(kind) + " And ";
  } else {
    where = k->where;
  }
  // The statement is built before the value is tested: an ID that is no
  // number (a Null column) is a run-time error.
  const bool by_id = mode == 1 || k->by_id_only;
  const std::string condition =
      by_id ? std::string("       ") + k->id_column + "=" + std::to_string(CLng(value))
            : std::string("       ") + k->key_column + "='" + SqlQuoteInner(Trim(CStr(value))) + "'";
  const std::string sql = Lines({k->head, where, condition});
  const Variant empty = mode == 0 ? Variant(int32_t(0)) : Variant("");
  const std::string text = value.IsNull() ? std::string() : Trim(CStr(value));
  if (text.empty()) return empty;

  const RecordSetPtr rows = Query(sql);
  if (rows->RecordCount() == 1) {
    if (found) *found = true;
    return rows->Fields(mode == 0 ? k->answer_mode0 : k->answer_mode1);
  }
  if (kind == 500) {
    Log(Lines({Caption(MessageKey("警告：系统检测到CRM销售订单的合同号[%1]，"), text),
               GetMessageText("在Tavo系统中找不到相对应的匹配项。"),
               GetMessageText("但不影响该销售订单在Tavo中的应用！")}));
  } else {
    error_ = true;
    Log(Lines({Caption(MessageKey("警告：系统检测到CRM销售订单的基础资料[%1]，"), text),
               GetMessageText("在Tavo系统中找不到相对应的匹配项。"),
               GetMessageText("因此该服务请求已取消，"), GetMessageText("请重新传递!")}));
  }
  return empty;
}

bool DTS::Write(const ValueVectorPtr& list, const char* root, const std::string& file,
                std::string& xml) {
  auto writer = CreateObjectAs<IXmlWriter>(kXmlWriterProgId);
  std::string error;
  const std::string schema = ResolveSchemaPath(ThisThreadSchemaFolder() + root + ".xsd");
  const bool ok = file.empty()
                      ? writer->OutputXMLString(Variant(list), xml, schema, root, error, root)
                      : writer->OutputXML(Variant(list), file, schema, root, error, root);
  if (!ok) Log(error);
  return ok;
}

ValueVectorPtr DTS::Read(const char* root, const std::string& file, const std::string& xml) {
  auto reader = CreateObjectAs<IXmlReader>(kXmlReaderProgId);
  Variant document = Variant(ValueVector::Create());
  std::string error;
  const std::string schema = ResolveSchemaPath(ThisThreadSchemaFolder() + root + ".xsd");
  const bool ok = file.empty() ? reader->InputXMLString(document, xml, schema, root, error)
                               : reader->InputXML(document, file, schema, root, error);
  // A document that cannot be read is no empty list: the call fails.
  if (!ok) throw RuntimeError(err::kInvalidCall, kSource, error);
  return document.ObjectAs<ValueVector>();
}

// ----- export ------------------------------------------------------------------

bool DTS::ExportXMLDataForWebService(const std::string& sDSN, int32_t /*lBaseType*/,
                                     const std::string& sFile, const std::string& sFilter,
                                     const std::string& sLogFile, std::string& sXML) noexcept {
  return Run(sDSN, sLogFile, false,
             [&] { return Write(ExportOrders(sFilter), "TavoSaleOrder", sFile, sXML); });
}

bool DTS::ExportXMLDataKeyForWebService(const std::string& sDSN, const std::string& sFile,
                                        const std::string& sFilter, const std::string& sLogFile,
                                        std::string& sXML) noexcept {
  return Run(sDSN, sLogFile, true, [&] {
    if (Trim(sFilter).empty()) return false;
    auto keys = ValueVector::Create();
    std::string rest = sFilter;
    while (!Trim(rest).empty()) {
      const std::string number = Trim(NextToken(rest));
      if (number.empty()) continue;  // a blank token names no order
      auto key = ValueDictionary::Create();
      key->SetValue("UUID", Variant(number));
      key->SetValue("Remark", Variant(GetMessageText("获取已传入Tavo的销售订单号")));
      keys->Add(Variant(key));
    }
    return Write(keys, "Delete", sFile, sXML);
  });
}

ValueVectorPtr DTS::ExportOrders(std::string filter) {
  auto orders = ValueVector::Create();
  while (!Trim(filter).empty()) {
    const std::string number = NextToken(filter);
    if (Trim(number).empty()) continue;  // a blank token names no order
    const std::string quoted = SqlQuoteInner(number);
    const RecordSetPtr head = Query(std::string(kLineBreak) +
                                    Lines({" Select * from SEOrder ", " Where FBillNo='" + quoted + "'"}));
    // Only a number that exactly one order carries is exported: with none
    // or several there is no one order to give.
    if (head->RecordCount() != 1) continue;
    const RecordSetPtr rows = Query(
        std::string(kLineBreak) +
        Lines({" Select v1.* from SEOrder u1 inner join SEOrderEntry v1 on u1.FInterID=v1.FInterID ",
               " Where u1.FBillNo='" + quoted + "'"}));
    // An order without entries is left out, without a lookup.
    if (rows->Eof()) continue;
    auto order = ValueDictionary::Create();
    order->SetValue("Date", head->Fields("FDate"));
    order->SetValue("BillNo", head->Fields("FBillNo"));
    order->SetValue("Cust", Lookup(1, head->Fields("FCustID"), 1));
    order->SetValue("CurrencyName", Lookup(12, head->Fields("FCurrencyID"), 1));
    order->SetValue("ExchangeRate", head->Fields("FExchangeRate"));
    order->SetValue("Department", Lookup(2, head->Fields("FDeptID"), 1));
    order->SetValue("Employee", Lookup(3, head->Fields("FEmpID"), 1));
    order->SetValue("Manger", Lookup(3, head->Fields("FMangerID"), 1));
    order->SetValue("FetchAdd", head->Fields("FFetchAdd"));
    order->SetValue("SaleStyle", Lookup(101, head->Fields("FSaleStyle"), 1));
    order->SetValue("Settle", Lookup(130, head->Fields("FSettleID"), 1));
    auto entries = ValueVector::Create();
    for (; !rows->Eof(); rows->MoveNext()) {
      auto entry = ValueDictionary::Create();
      entry->SetValue("Item", Lookup(4, rows->Fields("FItemID"), 1));
      for (const auto& [key, column] :
           {std::pair{"AuxQty", "FAuxQty"}, {"AuxPrice", "FAuxPrice"}, {"TaxRate", "FTaxRate"},
            {"FinalAmount", "FFinalAmount"}, {"CESS", "FCESS"}, {"Amount", "FAmount"},
            {"ContractNumber", "FContractBillNO"}})
        entry->SetValue(key, rows->Fields(column));
      entries->Add(Variant(entry));
    }
    order->SetValue("OrderEntry", Variant(entries));
    orders->Add(Variant(order));
  }
  return orders;
}

// ----- import ------------------------------------------------------------------

bool DTS::ImportXMLDataForWebService(const std::string& sDSN, int32_t /*lBaseType*/,
                                     bool bReplace, const std::string& sFile,
                                     const std::string& sLogFile, std::string& sXML) noexcept {
  return Run(sDSN, sLogFile, false, [&] {
    const ValueVectorPtr orders = Read("TavoSaleOrder", sFile, sXML);
    if (orders->Count() > 0) ImportOrders(*orders, bReplace);
    return !error_;
  });
}

bool DTS::ImportXMLDataKeyForWebService(const std::string& sDSN, const std::string& sFile,
                                        const std::string& sLogFile, std::string& sXML) noexcept {
  return Run(sDSN, sLogFile, false, [&] {
    const ValueVectorPtr keys = Read("Delete", sFile, sXML);
    if (keys->Count() > 0) ImportDeletions(*keys);
    return !error_;
  });
}

void DTS::ImportOrders(const ValueVector& orders, bool replace) {
  for (const Variant& item : orders) ImportOrder(*item.ObjectAs<ValueDictionary>(), replace);
}

void DTS::ImportOrder(const ValueDictionary& order, bool replace) {
  const std::string bill_no = TextOf(order, "BillNo");
  const std::string number = SqlQuoteInner(bill_no);
  // The ERP's own order of that number, or an imported one already checked.
  const std::string taken =
      std::string(kLineBreak) +
      Lines({" Select * from SEOrder ", " Where FBillNo='" + number + "' and ",
             "       FSystemType=1", " Union all", " Select * from SEOrder ",
             " Where FBillNo='" + number + "' and ", "       FSystemType=2 and ",
             "       FStatus>0 "});
  if (Query(taken)->RecordCount() > 0) {
    error_ = true;
    Log(Lines({Caption(MessageKey("系统检测到单号[%1]的销售订单在Tavo系统中已经存在，"), bill_no),
               GetMessageText("或者已经传入的CRM销售订单在Tavo中已经被使用，"),
               GetMessageText("因此该服务请求已取消，"), GetMessageText("请重新传递!")}));
    return;
  }
  const bool came_before =
      Query(std::string(kLineBreak) + Lines({" Select * from SEOrder ",
                                             " Where FBillNo='" + number + "' and ",
                                             "       FSystemType=2 and ", "       FStatus=0 "}))
          ->RecordCount() > 0;
  if (came_before && !replace) return;
  if (!CheckOrder(order)) return;

  Log(Lines({Caption(MessageKey("销售订单号[%1]"), bill_no),
             GetMessageText("外部数据交换服务启动,请稍候......")}));
  bool written = false;
  try {
    const int32_t inter_id =
        CreateObjectAs<IListServer>(kListServerProgId)->GetMaxInterID(props_, "SEOrder");
    const std::string batch = OrderStatements(order, inter_id);
    if (!batch.empty()) {
      // Checked again inside the batch's transaction: an order another
      // import wrote meanwhile is not written over, nor written twice.
      const std::string guard = came_before ? taken : " Select FInterID From SEOrder Where FBillNo='" + number + "'";
      written = app_->ExecuteUnless(GetConnectString(), guard, batch);
    }
  } catch (const RuntimeError& e) {
    // A date that is no day fails its order; the call goes on.
    if (e.number() != err::kTypeMismatch && e.number() != err::kOverflow) throw;
    Log(e.description());
  }
  if (!written) error_ = true;
  Log(Lines({Caption(MessageKey("销售订单号[%1]"), bill_no),
             written ? GetMessageText("外部数据交换服务完毕......成功！")
                     : GetMessageText("外部数据交换服务完毕......失败！")}));
}

bool DTS::CheckOrder(const ValueDictionary& order) {
  enum Rule { kText, kNumber, kPositive, kNotNegative };
  auto check = [&](const ValueDictionary& record, const char* key, const char* caption, Rule rule) {
    const std::string name = GetMessageText(caption);
    const char* first = nullptr;
    const char* second = nullptr;
    if (!record.Exists(key)) {
      first = MessageKey("系统检测到传递的CRM销售订单的[%1]不存在，");
      second = MessageKey("但[%1]在Tavo系统中是必录项。");
    } else {
      const std::string text = Trim(TextOf(record, key));
      if (text.empty()) {
        first = MessageKey("系统检测到传递的CRM销售订单的[%1]的值为空，");
        second = MessageKey("但[%1]在Tavo系统中是必录项。");
      } else if (rule != kText && !FitsTheAccount(text)) {
        // A number goes into the statements as it came, so it must be a
        // plain decimal number.
        first = MessageKey("系统检测到传递的CRM销售订单的[%1]的数据类型不匹配，");
        second = MessageKey("[%1]在Tavo系统中的数据类型是数值型。");
      } else if (rule == kPositive && Val(std::string_view(text)) <= 0) {
        first = MessageKey("系统检测到传递的CRM销售订单的[%1]的值<=0，");
        second = MessageKey("但[%1]的值<=0在Tavo系统中是不允许的。");
      } else if (rule == kNotNegative && Val(std::string_view(text)) < 0) {
        first = MessageKey("系统检测到传递的CRM销售订单的[%1]的值小于0，");
        second = MessageKey("但[%1]小于0在Tavo系统中是不允许的。");
      }
    }
    if (!first) return true;
    error_ = true;
    Log(Lines({Caption(first, name), Caption(second, name), GetMessageText("因此该服务请求已取消，"),
               GetMessageText("请重新传递!")}));
    return false;
  };
  const struct {
    const char* key;
    const char* caption;
    Rule rule;
  } head[] = {{"Date", MessageKey("订单日期"), kText},
              {"BillNo", MessageKey("订单编号"), kText},
              {"Cust", MessageKey("客户"), kText},
              {"CurrencyName", MessageKey("币别"), kText},
              {"ExchangeRate", MessageKey("汇率"), kNumber},
              {"Department", MessageKey("部门"), kText},
              {"Employee", MessageKey("业务员"), kText}};
  for (const auto& h : head)
    if (!check(order, h.key, h.caption, h.rule)) return false;

  const Variant list = order.GetValue("OrderEntry", Variant::Nothing());
  const ValueVectorPtr entries =
      list.IsObject() && !list.IsNothing() ? list.ObjectAs<ValueVector>() : nullptr;
  if (!entries || entries->Count() == 0) {
    error_ = true;
    Log(Lines({GetMessageText("系统检测到传递的CRM销售订单不存在分录，"),
               GetMessageText("因此该服务请求已取消，"), GetMessageText("请重新传递!")}));
    return false;
  }
  const struct {
    const char* key;
    const char* caption;
    Rule rule;
  } figures[] = {{"AuxQty", MessageKey("数量"), kPositive},
                 {"AuxPrice", MessageKey("单价"), kNotNegative},
                 {"TaxRate", MessageKey("折扣率(%)"), kNotNegative},
                 {"FinalAmount", MessageKey("折后金额"), kNotNegative},
                 {"CESS", MessageKey("税率(%)"), kNotNegative},
                 {"Amount", MessageKey("金额"), kNotNegative}};
  for (const Variant& item : *entries) {
    const ValueDictionary& entry = *item.ObjectAs<ValueDictionary>();
    for (const auto& f : figures)
      if (!check(entry, f.key, f.caption, f.rule)) return false;
  }
  return true;
}

std::string DTS::OrderStatements(const ValueDictionary& order, int32_t inter_id) {
  contract_no_.clear();
  contract_id_ = 0;
  const std::string date_text = TextOf(order, "Date");
  const Date date = DocumentDate(Variant(Trim(date_text)), "Date", kSource);
  // A lookup that finds no single match has logged its warning; the order
  // is not written, and nothing more is looked up for it.
  struct NotFound {};
  auto id_of = [&](int32_t kind, const Variant& value) {
    bool found = false;
    const Variant id = Lookup(kind, value, 0, &found);
    const bool empty_value = Trim(value.IsNull() ? std::string() : CStr(value)).empty();
    if (!empty_value && !found) throw NotFound{};
    return id.IsNull() || id.IsEmpty() ? 0 : CLng(id);
  };
  try {
  const int32_t customer = id_of(1, Variant(TextOf(order, "Cust")));
  const int32_t currency = id_of(12, Variant(TextOf(order, "CurrencyName")));
  const int32_t department = id_of(2, Variant(TextOf(order, "Department")));
  const int32_t employee = id_of(3, Variant(TextOf(order, "Employee")));
  const int32_t sale_style = id_of(101, Variant(TextOf(order, "SaleStyle")));
  const int32_t settle = id_of(130, Variant(TextOf(order, "Settle")));
  // Carrying days of the customer; none (no row, or Null) count as 0.
  double days = 0;
  if (customer != 0) {
    const RecordSetPtr carrying = Query(Lines({" Select FCarryingAOS From t_Organization ",
                                              " Where 1=1 And ",
                                              "       FItemID=" + std::to_string(customer)}));
    if (carrying->RecordCount() == 1 && !carrying->Fields("FCarryingAOS").IsNull())
      days = Val(carrying->Fields("FCarryingAOS"));
  }
  if (!IsAccountDate(Date{date.serial + days}))
    throw RuntimeError(err::kOverflow, kSource,
                       FormatMessageText(MessageKey("%1 的值超出范围：%2"),
                                         {Variant("Date"), Variant(date_text)}));
  const std::string delivery_date = DateToText(Date{date.serial + std::floor(days)});
  const std::string date_sql = SqlLiteral(DateToText(date));

  const std::string indent8(8, ' ');
  std::string entries_sql;
  const ValueVectorPtr entries = order.Value("OrderEntry").ObjectAs<ValueVector>();
  for (int32_t i = 1; i <= entries->Count(); ++i) {
    const ValueDictionary& entry = *entries->Item(i).ObjectAs<ValueDictionary>();
    const int32_t item = id_of(4, Variant(TextOf(entry, "Item")));
    // The unit of the item, looked up by its ID whatever it is: an entry
    // whose item is missing finds no unit and fails its order.
    const int32_t unit = id_of(7, Variant(item));
    const std::string qty = Trim(TextOf(entry, "AuxQty"));
    const std::string price = Trim(TextOf(entry, "AuxPrice"));
    const std::string rate = Trim(TextOf(entry, "TaxRate"));
    double amount = 0, discount = 0, final_amount = 0;
    const double q = Val(std::string_view(qty)), p = Val(std::string_view(price));
    if (q != 0 && p != 0) {
      const double given = Val(std::string_view(Trim(TextOf(entry, "Amount"))));
      amount = given != 0 ? given : q * p;
      discount = amount * Val(std::string_view(rate)) / 100;
      final_amount = amount - discount;
    }
    const std::string contract = TextOf(entry, "ContractNumber");
    if (contract != contract_no_) {
      contract_no_ = contract;
      contract_id_ = Trim(contract).empty() ? 0 : CLng(Lookup(500, Variant(contract), 0));
    }
    std::string columns = " Insert into SEOrderEntry(FInterID,\r\n";
    const char* names[] = {"FEntryID", "FBrNo",   "FItemID",     "FUnitID",        "FAuxQty",
                           "FAuxPrice", "FTaxRate", "FTaxAmount",  "FFinalAmount",   "FCESS",
                           "FAmount",  "FNote",   "FDate",       "FContractInterID", "FContractBillNO",
                           "FAdviceConsignDate"};
    for (size_t c = 0; c < std::size(names); ++c)
      columns += std::string(26, ' ') + names[c] + (c + 1 < std::size(names) ? "," : ")") + kLineBreak;
    const std::string values[] = {std::to_string(i),
                                  "'0'",
                                  std::to_string(item),
                                  std::to_string(unit),
                                  qty,
                                  price,
                                  rate,
                                  Number(discount),
                                  Number(final_amount),
                                  Trim(TextOf(entry, "CESS")),
                                  Number(amount),
                                  SqlLiteral(GetMessageText("来源：") + "TavoCRM"),
                                  SqlLiteral(delivery_date),
                                  std::to_string(contract_id_),
                                  SqlLiteral(contract_id_ >= 1 ? contract_no_ : std::string()),
                                  date_sql};
    std::string value_lines = " Values(" + std::to_string(inter_id) + ",\r\n";
    for (size_t c = 0; c < std::size(values); ++c)
      value_lines += indent8 + values[c] + (c + 1 < std::size(values) ? "," : ")") + kLineBreak;
    entries_sql += columns + value_lines + kLineBreak;
  }
  std::string head = " Insert into SEOrder(FInterID,\r\n";
  const char* head_columns[] = {"FBrNo",      "FTranType", "FDate",    "FBillNo",   "FCustID",
                                "FCurrencyID", "FExchangeRate", "FDeptID", "FEmpID", "FMangerID",
                                "FBillerID",  "FImport",   "FSystemType", "FFetchAdd", "FSaleStyle",
                                "FSettleID"};
  for (size_t c = 0; c < std::size(head_columns); ++c)
    head += std::string(21, ' ') + head_columns[c] + (c + 1 < std::size(head_columns) ? "," : ")") +
            kLineBreak;
  const std::string head_values[] = {"'0'",
                                     "81",
                                     SqlLiteral(Trim(date_text)),
                                     SqlLiteral(TextOf(order, "BillNo")),
                                     std::to_string(customer),
                                     std::to_string(currency),
                                     Trim(TextOf(order, "ExchangeRate")),
                                     std::to_string(department),
                                     std::to_string(employee),
                                     std::to_string(employee),
                                     "16394",
                                     "1",
                                     "2",
                                     SqlLiteral(TextOf(order, "FetchAdd")),
                                     std::to_string(sale_style),
                                     std::to_string(settle)};
  head += " Values(" + std::to_string(inter_id) + ",\r\n";
  for (size_t c = 0; c < std::size(head_values); ++c)
    head += indent8 + head_values[c] + (c + 1 < std::size(head_values) ? "," : ")") + kLineBreak;

  return DeletionStatements(TextOf(order, "BillNo")) + kLineBreak + entries_sql + head + kLineBreak;
  } catch (const NotFound&) {
    return {};
  }
}

void DTS::ImportDeletions(const ValueVector& keys) {
  std::string batch;
  for (const Variant& item : keys) {
    const std::string number = TextOf(*item.ObjectAs<ValueDictionary>(), "UUID");
    if (Trim(number).empty()) continue;  // a blank number names no order
    batch += DeletionStatements(number) + kLineBreak;
  }
  if (Trim(batch).empty() || error_) return;
  // A batch that fails deleted nothing: the call says so.
  if (!CBool(app_->Execute(GetConnectString(), batch))) error_ = true;
}

}  // namespace corvane

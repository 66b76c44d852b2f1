#include "query/c_order_trace.h"

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/gateway.h"
#include "frame/key_mapping.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "frame/schema_folder.h"
#include "frame/sql_text.h"
#include "frame/xml_bridge.h"
#include "query/own_lookup.h"
#include "values/format.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

struct NoDelivery {};

std::string TraceStatement(const std::string& order_no) {
  return "SELECT v1.FInterID,v1.FTranType,v1.FROB,v1.FBillNo,v1.FDate,u1.FInterID,u1.FItemID,"
         "t1.FNumber,t1.FName AS FItemName,t1.FModel,u1.FUnitID,t2.FName AS FMeasureName,"
         "u1.FAuxQty \r\n"
         "FROM ICStockBillEntry u1 INNER JOIN ICStockBill v1 ON u1.FInterID=v1.FInterID \r\n"
         "                         INNER JOIN t_ICItem t1 ON u1.FItemID=t1.FItemID \r\n"
         "                         INNER JOIN t_MeasureUnit t2 ON u1.FUnitID=t2.FMeasureUnitID \r\n"
         "WHERE v1.FTranType IN (21,24,28,29) AND u1.FOrderBillNO=" +
         SqlLiteral(order_no) +
         "\r\n"
         "ORDER BY v1.FInterID";
}

// The UUID of stock bill `inter_id`; "" when it has none or cannot be read.
std::string StockBillUuid(int32_t inter_id) {
  return LookUpText("SELECT FUUID FROM ICStockBill WHERE FInterID=" + std::to_string(inter_id),
                    "FUUID");
}

// The stock bill records of the order, with their entries.
ValueVectorPtr TraceDeliveries(const std::string& order_no) {
  const std::string trimmed = Trim(order_no);
  // A blank number names no order: looking it up could find entries that
  // name none.
  if (trimmed.empty()) throw NoDelivery{};
  ConnectionPtr connection;
  OpenErpConnection(connection);
  RecordSetPtr rows = connection->GetAnyRecordSet(TraceStatement(trimmed));
  if (rows->RecordCount() <= 0) throw NoDelivery{};
  rows->DetachConnection();
  connection->CloseConn();
  connection.reset();

  ValueUtility& values = ThisThreadValueUtility();
  const Variant zero(int32_t(0));
  auto bills = ValueVector::Create();
  std::vector<int32_t> bill_ids;
  for (int32_t last = 0; !rows->Eof(); rows->MoveNext()) {
    const int32_t id = CLng(rows->Fields("FInterID"));
    if (id == last) continue;
    last = id;
    bill_ids.push_back(id);
    auto bill = ValueDictionary::Create();
    bill->SetValue("UUID", Variant(StockBillUuid(id)));
    bill->SetValue("Number", values.ValueOrDefault(rows->Fields("FBillNo"), Variant("")));
    FindBillKey(*bill, order_no, "OrderBill", 81);
    bill->SetValue("ROB", values.ValueOrDefault(rows->Fields("FROB"), Variant(int32_t(1))));
    bill->SetValue("Date",
                   Format(values.ValueOrDefault(rows->Fields("FDate"), Variant(Now())), "yyyy-mm-dd"));
    bills->Add(Variant(bill));
  }
  // The entries of each bill, from the rows already fetched.
  for (size_t i = 0; i < bill_ids.size(); ++i) {
    rows->SetFilter("FInterID=" + std::to_string(bill_ids[i]));
    auto entries = ValueVector::Create();
    for (; !rows->Eof(); rows->MoveNext()) {
      auto entry = ValueDictionary::Create();
      PutBaseDataKey(*entry, CLng(values.ValueOrDefault(rows->Fields("FItemID"), zero)), "Item", "Item");
      PutBaseDataKey(*entry, CLng(values.ValueOrDefault(rows->Fields("FUnitID"), zero)), "Unit",
                     "MeasureUnit");
      entry->SetValue("Qty", values.ValueOrDefault(rows->Fields("FAuxQty"), zero));
      entries->Add(Variant(entry));
    }
    rows->SetFilter("");
    bills->Item(static_cast<int32_t>(i) + 1).ObjectAs<ValueDictionary>()->SetValue("Entry",
                                                                                    Variant(entries));
  }
  return bills;
}

}  // namespace

COrderTrace::COrderTrace() { ThisThreadSchemaFolder(); }

bool COrderTrace::Export(const std::string& sDSN, const std::string& sSaleOrderNo,
                         std::string& sXML, std::string& sError) noexcept {
  try {
    ParsePropsString(sDSN);
    const ValueVectorPtr bills = TraceDeliveries(sSaleOrderNo);
    return WriteXMLDocument(bills, sXML, ThisThreadSchemaFolder() + "TavoSaleOrderTrace" + ".xsd",
                            "TavoSaleOrderTrace", sError);
  } catch (const NoDelivery&) {
    sError = GetMessageText("不存在销售出库单");
  } catch (...) {
    ReportCallFailure(sError, nullptr);
  }
  return false;
}

}  // namespace corvane

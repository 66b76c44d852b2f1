#include "query/c_stock_query.h"

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/gateway.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "frame/schema_folder.h"
#include "frame/sql_text.h"
#include "frame/xml_bridge.h"
#include "query/own_lookup.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

// A refusal whose message is the whole error text.
struct Refused {
  const char* message;
};

// The stock statement of an item. Lock rows are summed per item in a
// derived table before the join, so several lock rows never multiply the
// stock on hand, nor several inventory rows the locked quantity.
std::string StockStatement(const std::string& item_number, bool by_batch) {
  const std::string locks =
      "    LEFT JOIN (SELECT FItemID,SUM(CASE WHEN FQty<0 THEN 0 ELSE FQty END) AS FQty "
      "FROM t_LockStock GROUP BY FItemID) t3 ON t3.FItemID=t1.FItemID";
  const std::string where = "WHERE t1.FNumber=" + SqlLiteral(item_number) + "\r\n";
  const std::string head =
      "SELECT t1.FItemID,t1.FNumber,t1.FName,ISNULL(t1.FModel,'') AS FModel,t1.FLowLimit,"
      "t1.FHighLimit,t1.FSecInv,\r\n";
  const std::string inventory = "FROM t_ICItem t1 INNER JOIN ICInventory t2 ON t1.FItemID=t2.FItemID \r\n";
  if (by_batch) {
    return head +
           "CASE WHEN ISNULL(t2.FBatchNo,'')='' THEN 'NO BatchNo' ELSE t2.FBatchNo END AS FBatchNo,"
           "SUM(t2.FQty) AS FCurrentQty,ISNULL(MAX(t3.FQty),0) AS FLockedQty\r\n" +
           inventory + locks + "\r\n" + where +
           "GROUP BY t1.FItemID,t1.FNumber,t1.FName,t1.FModel,t1.FLowLimit,t1.FHighLimit,t1.FSecInv,"
           "t2.FBatchNo\r\n"
           "ORDER BY t1.FItemID ";
  }
  return head + "       ISNULL(SUM(t2.FQty),0) AS FCurrentQty,\r\n" +
         "       ISNULL(MAX(t3.FQty),0) AS FLockedQty \r\n" + inventory + locks + " \r\n" + where +
         "GROUP BY t1.FItemID,t1.FNumber,t1.FName,t1.FModel,t1.FLowLimit,t1.FHighLimit,t1.FSecInv\r\n"
         "ORDER BY t1.FItemID";
}

// The UUID of base-data item `id`; "" when it has none or cannot be read.
std::string ItemUuid(int32_t id) {
  return LookUpText("SELECT UUID FROM t_Item WHERE FItemID=" + std::to_string(id), "UUID");
}

}  // namespace

CStockQuery::CStockQuery() { ThisThreadSchemaFolder(); }

bool CStockQuery::Export(const std::string& sDSN, const std::string& sItemNumber,
                         bool bNeedBatchInfo, std::string& sXML, std::string& sError) noexcept {
  try {
    ParsePropsString(sDSN);
    ConnectionPtr connection;
    OpenErpConnection(connection);
    ValueUtility& values = ThisThreadValueUtility();
    RecordSetPtr item = connection->GetAnyRecordSet(
        "SELECT FItemID,FNumber,FName FROM t_ICItem WHERE FNumber=" + SqlLiteral(sItemNumber));
    if (item->Eof()) throw Refused{MessageKey("物料不存在！")};
    const int32_t item_id = CLng(item->Fields("FItemID"));
    const Variant item_name = values.ValueOrDefault(item->Fields("FName"), Variant(""));

    RecordSetPtr stock;
    try {
      stock = connection->GetAnyRecordSet(StockStatement(sItemNumber, bNeedBatchInfo));
    } catch (...) {
      sError = GetMessageText("查询库存数据出错！");
      AppendBracketedError(sError, CurrentExceptionAsRuntimeError());
      connection->CloseConn();
      return false;
    }
    connection->CloseConn();
    const Variant zero(int32_t(0));
    auto field = [&](const char* name) { return values.ValueOrDefault(stock->Fields(name), zero); };
    auto record = ValueDictionary::Create();
    if (stock->Eof()) {
      record->SetValue("UUID", Variant(ItemUuid(item_id)));
      record->SetValue("Number", Variant(sItemNumber));
      record->SetValue("Name", item_name);
      for (const char* key : {"FLowLimit", "FHighLimit", "FSecInv"}) record->SetValue(key, zero);
      if (!bNeedBatchInfo) record->SetValue("FCurrentQty", zero);
      record->SetValue("FLockedQty", zero);
    } else {
      record->SetValue("UUID", Variant(ItemUuid(CLng(stock->Fields("FItemID")))));
      record->SetValue("Number", stock->Fields("FNumber"));
      record->SetValue("Name", stock->Fields("FName"));
      for (const char* key : {"FLowLimit", "FHighLimit", "FSecInv"}) record->SetValue(key, field(key));
      if (!bNeedBatchInfo) record->SetValue("FCurrentQty", field("FCurrentQty"));
      record->SetValue("FLockedQty", field("FLockedQty"));
    }
    if (bNeedBatchInfo) {
      auto batches = ValueVector::Create();
      for (; !stock->Eof(); stock->MoveNext()) {
        auto batch = ValueDictionary::Create();
        batch->SetValue("FBatchNo", stock->Fields("FBatchNo"));
        batch->SetValue("FCurrentQty", stock->Fields("FCurrentQty"));
        batches->Add(Variant(batch));
      }
      record->SetValue("FItemQtyWithBatch", Variant(batches));
    }
    auto answer = ValueVector::Create();
    answer->Add(Variant(record));
    const char* root = bNeedBatchInfo ? "TavoStockDataQueryWithBatch" : "TavoStockDataQueryWithOutBatch";
    return WriteXMLDocument(answer, sXML, ThisThreadSchemaFolder() + root + ".xsd", root, sError);
  } catch (const Refused& r) {
    sError = GetMessageText(r.message);
  } catch (...) {
    ReportCallFailure(sError, nullptr);
  }
  return false;
}

}  // namespace corvane

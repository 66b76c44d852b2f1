#include "datakey/cls_data_key.h"

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/delete_bridge.h"
#include "frame/err_object.h"
#include "frame/front_door.h"
#include "frame/gateway.h"
#include "frame/messages.h"
#include "frame/schema_folder.h"
#include "frame/sql_text.h"
#include "frame/timestamp_text.h"
#include "frame/xml_bridge.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane {
namespace {

constexpr const char* kSource = "Corvane.clsDataKey";

struct Kind {
  int32_t bill_type;
  int32_t code;
  const char* text;
};

constexpr Kind kKinds[] = {
    {1, 81, MessageKey("销售订单")},       {2, 80, MessageKey("销售发票(专用)")},
    {3, 86, MessageKey("销售发票(普通)")}, {4, 1, MessageKey("采购入库单")},
    {5, 21, MessageKey("销售出库单")},
};

std::string KindText(int32_t code) {
  for (const Kind& k : kKinds)
    if (k.code == code) return GetMessageText(k.text);
  return GetMessageText("未知类别");
}

// The statement that finds an imported document by UUID, by kind code; ""
// for a kind whose documents cannot be looked up.
std::string LookupStatement(int32_t code) {
  switch (code) {
    case 81: return "SELECT FInterID FROM SEorder WHERE FImport=1 AND FSystemType=2  and FUUID='";
    case 80:
    case 86: return "select FInterID  from ICSale WHERE FImport=1 AND FSystemType=2  and FUUID='";
    case 1:
    case 21: return "select FInterID  from ICStockBill WHERE FImport=1 AND FSystemType=2  and FUUID='";
    default: return "";
  }
}

}  // namespace

clsDataKey::clsDataKey() { ThisThreadSchemaFolder(); }

clsDataKey::~clsDataKey() {
  if (!connection_) return;
  try {
    connection_->CloseConn();
  } catch (...) {
    // Closing on destruction must not throw; the connection is released anyway.
  }
}

void clsDataKey::SetKind(int32_t iBillType) {
  for (const Kind& k : kKinds)
    if (k.bill_type == iBillType) kind_code_ = k.code;
}

void clsDataKey::Fail(std::string& strError) noexcept {
  ReportCallFailure(strError, connection_.get());
}

bool clsDataKey::ExportXMLDataKey(const std::string& strPropsString, int32_t iBillType,
                                  std::string& strXML, int32_t lPerCount,
                                  std::string& strTimeStamp, std::string& strMaxTimeStamp,
                                  std::string& strError) noexcept {
  if (!BeginServiceCall(strPropsString, strError)) return false;
  try {
    ParsePropsString(strPropsString);
    if (strTimeStamp.empty()) strTimeStamp = kZeroTimestamp;
    SetKind(iBillType);
    // The timestamp goes into SQL as a binary literal and the page size as a
    // number: anything else must not reach the statement.
    CheckPagingArguments(strTimeStamp, lPerCount);
    OpenErpConnection(connection_);
    const std::string kind = std::to_string(kind_code_);

    // Read first: what is below it now is committed for good (Empty on the
    // embedded account, where the statements stay as they are).
    const Variant floor = connection_->ActiveRowVersionFloor();
    RecordSetPtr max = connection_->GetAnyRecordSet(
        std::string("SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange ") +
        " WHERE FSystemFlag=2 " + " AND FType=" + kind + " and FIfDelete=1  ");
    strMaxTimeStamp = CappedBelowFloor(
        max->Eof() ? kZeroTimestamp : TimestampToText(max->Fields("FMT")), floor);
    max->Close();

    // With a page size the page is the oldest rows above the bound, so none
    // is skipped for good.
    const std::string page_sql =
        (lPerCount != 0 ? "SELECT TOP " + std::to_string(lPerCount) : std::string("SELECT ")) +
        " * FROM COM_DataChange " + " WHERE FSystemFlag=1 " + " AND FType=" + kind +
        " and FIfDelete=1 " + " and " + "(FTimeStamp>" + strTimeStamp +
        BelowFloorCondition("FTimeStamp", floor) + ")" +
        (lPerCount != 0 ? " ORDER BY FTimeStamp" : "");
    RecordSetPtr page = connection_->GetAnyRecordSet(page_sql);

    // The new cursor is the highest row version of the page as read: running
    // the page statement again could see a deletion committed in between
    // and move the cursor past a key that was never handed out.
    auto records = ValueVector::Create();
    const std::string remark = KindText(kind_code_);
    std::string highest;
    for (; !page->Eof(); page->MoveNext()) {
      auto record = ValueDictionary::Create();
      record->SetValue("Remark", Variant(remark));
      record->SetValue("UUID", page->Fields("FChangedUUID"));
      records->Add(Variant(record));
      const Variant version = page->Fields("FTimeStamp");
      if (!version.IsNull() && (highest.empty() || TimestampLess(highest, TimestampToText(version))))
        highest = TimestampToText(version);
    }
    strTimeStamp = highest.empty() ? kZeroTimestamp : highest;
    page->Close();
    connection_->CloseConn();
    return WriteXMLDocument(records, strXML, ThisThreadSchemaFolder() + "Delete.xsd", "Delete",
                            strError);
  } catch (...) {
    Fail(strError);
    return false;
  }
}

bool clsDataKey::ImportXMLDataKey(std::string& strPropsString, int32_t iBillType,
                                  const std::string& strXML, std::string& strError) noexcept {
  if (!BeginServiceCall(strPropsString, strError)) return false;
  try {
    ParsePropsString(strPropsString);
    SetKind(iBillType);
    OpenErpConnection(connection_);
    ValueVectorPtr records;
    bool result = false;
    if (ReadXMLDocument(records, strXML, ThisThreadSchemaFolder() + "Delete.xsd", "Delete",
                        strError))
      result = DeleteRecords(strPropsString, *records);
    connection_->CloseConn();
    return result;
  } catch (...) {
    Fail(strError);
    return false;
  }
}

bool clsDataKey::DeleteRecords(const std::string& props, const ValueVector& records) {
  for (const Variant& item : records) {
    auto record = item.ObjectAs<ValueDictionary>();
    const std::string uuid = record->Exists("UUID") ? CStr(record->Value("UUID")) : std::string();
    const std::string lookup = LookupStatement(kind_code_);
    if (lookup.empty())
      throw RuntimeError(kDataKeyError, kSource, GetMessageText("不支持不识别删除关键字的导入导出!"));
    // A UUID that is empty after trimming names no document: looking it up
    // could find, and delete, an unrelated one.
    int32_t inter_id = 0;
    if (!Trim(uuid).empty()) {
      RecordSetPtr rs = connection_->GetAnyRecordSet(lookup + SqlQuoteInner(uuid) + "'");
      if (!rs->Eof()) inter_id = CLng(rs->Fields("FInterID"));
      rs->Close();
    }
    if (inter_id == 0) throw RuntimeError(kDataKeyError, kSource, GetMessageText("找不到单据信息!"));
    std::string error;
    if (!DeleteBillThroughService(props, kind_code_, inter_id, error))
      throw RuntimeError(kDataKeyError, kSource, error);
  }
  return true;
}

}  // namespace corvane

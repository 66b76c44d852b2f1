#include "exchange/bill_exchange.h"

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/err_object.h"
#include "frame/filter_condition.h"
#include "frame/front_door.h"
#include "frame/gateway.h"
#include "frame/key_mapping.h"
#include "frame/messages.h"
#include "frame/outside/system_services.h"
#include "frame/timestamp_text.h"
#include "frame/xml_bridge.h"
#include "values/run_time_error.h"

namespace corvane {

BillExchange::~BillExchange() {
  if (!connection_) return;
  try {
    connection_->CloseConn();
  } catch (...) {
    // Closing on destruction must not throw; the connection is released anyway.
  }
}

void BillExchange::Fail(std::string& strError) noexcept {
  ReportCallFailure(strError, connection_.get());
}

bool BillExchange::Export(std::string& strPropsString, std::string& strXML, int32_t lPerCount,
                          std::string& strTimeStamp, std::string& strMaxTimeStamp,
                          std::string& strError) noexcept {
  if (!BeginServiceCall(strPropsString, strError)) return false;
  try {
    ParsePropsString(strPropsString);
    if (strTimeStamp.empty()) strTimeStamp = kZeroTimestamp;
    // The timestamp goes into SQL as a binary literal and the page size as a
    // number: anything else must not reach the statement. The Filter goes in
    // as it is: a value that is not one condition is refused here, before
    // any statement of the account runs.
    CheckPagingArguments(strTimeStamp, lPerCount);
    CheckFilterCondition(filter_);
    OpenErpConnection(connection_);
    // Read first: what is below it now is committed for good.
    row_version_floor_ = connection_->ActiveRowVersionFloor();
    strMaxTimeStamp = MaxTimestamp();
    RecordSetPtr page = SelectPage(strTimeStamp, lPerCount);
    ValueVectorPtr documents;
    {
      // The page's documents are only written out: a key record named by many
      // is held once.
      const KeyRecordSharing sharing;
      documents = page ? BuildDocuments(*page) : ValueVector::Create();
    }
    if (page) page->Close();
    connection_->CloseConn();
    return WriteXMLDocument(documents, strXML, SchemaPath(), RootName(), strError);
  } catch (...) {
    Fail(strError);
    return false;
  }
}

bool BillExchange::Import(std::string& strPropsString, const std::string& strXML,
                          std::string& strError) noexcept {
  if (!BeginServiceCall(strPropsString, strError)) return false;
  try {
    ParsePropsString(strPropsString);
    OpenErpConnection(connection_);
    ValueVectorPtr documents;
    bool result = false;
    if (ReadXMLDocument(documents, strXML, SchemaPath(), RootName(), strError))
      result = ImportDocuments(documents, strPropsString, strError);
    connection_->CloseConn();
    return result;
  } catch (...) {
    Fail(strError);
    return false;
  }
}

std::string BillExchange::PageCondition(const std::string& timestamp) const {
  const std::string below = BelowFloorCondition("FOperDate", row_version_floor_);
  return filter_.empty() ? "FOperDate>" + timestamp + below
                         : "(FOperDate>" + timestamp + below + ") AND (" + filter_ + ")";
}

std::string BillExchange::ReadMaxTimestamp(const std::string& sql) {
  RecordSetPtr rs = connection().GetAnyRecordSet(sql);
  const std::string max = rs->Eof() ? kZeroTimestamp : TimestampToText(rs->Fields("FMT"));
  rs->Close();
  return CappedBelowFloor(max, row_version_floor_);
}

RecordSetPtr BillExchange::ReadPage(const std::string& sql, std::string& timestamp,
                                    const char* empty_page_timestamp) {
  // The statement carries the host's Filter: it may only read.
  RecordSetPtr page = connection().QueryReadOnly(sql);
  if (page->Eof()) {
    timestamp = empty_page_timestamp;
  } else {
    page->MoveLast();
    timestamp = TimestampToText(page->Fields("FOperDate"));
    page->MoveFirst();
  }
  return page;
}

BillExchange::ExistingDocument BillExchange::FindExisting(
    const std::string& uuid, const std::string& bill_no,
    const std::function<int32_t(const std::string&)>& find_by_uuid,
    const std::function<int32_t(const std::string&)>& find_by_bill_no) {
  ExistingDocument found;
  // A UUID that is empty after trimming counts as absent: looking up the
  // empty UUID could match an unrelated document.
  if (check_by_uuid_ && !uuid.empty()) {
    found.looked_up_uuid = uuid;
    found.inter_id = find_by_uuid(uuid);
  }
  if (found.inter_id == 0) found.inter_id = find_by_bill_no(bill_no);
  found.skip = found.inter_id > 0 && add_new_only_;
  return found;
}

ValueDictionaryPtr BillExchange::SaveHead(const ExistingDocument& found, const std::string& bill_no) {
  auto head = ValueDictionary::Create();
  head->SetValue("InterID", Variant(found.inter_id));
  head->SetValue("BillNo", Variant(bill_no));
  if (!found.looked_up_uuid.empty()) head->SetValue("FindUUID", Variant(found.looked_up_uuid));
  return head;
}

bool BillExchange::ImportEach(const ValueVector& documents, const ImportOne& import_one) {
  const int32_t total = documents.Count();
  int32_t count = 0;
  for (const Variant& item : documents) {
    std::string message;
    const int32_t id = import_one(*item.ObjectAs<ValueDictionary>(), message);
    if (id == 0 && !import_error_ignore_) throw RuntimeError(-1, message);
    DoEvents();
    RaiseProgress(++count, total, id != 0, message);
  }
  return true;
}

void BillExchange::DocumentBuilt(int32_t current, int32_t total) {
  DoEvents();
  if (progress_wanted_) RaiseProgress(current, total, true, "");
}

void BillExchange::RaiseProgress(int32_t current, int32_t total, bool succeeded,
                                 const std::string& message) {
  if (progress_) progress_(current, total, succeeded, message);
}

}  // namespace corvane

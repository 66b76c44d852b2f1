#include "exchange/bill_exchange.h"

#include "frame/call_context.h"
#include "frame/call_failure.h"
#include "frame/err_object.h"
#include "frame/filter_condition.h"
#include "frame/front_door.h"
#include "frame/gateway.h"
#include "frame/messages.h"
#include "frame/outside/system_services.h"
#include "frame/timestamp_text.h"
#include "frame/xml_bridge.h"

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
  // The Filter goes into the page statement as it is: a value that is not one
  // condition is refused before any SQL runs, the front door's included.
  try {
    CheckFilterCondition(filter_);
  } catch (...) {
    Fail(strError);
    return false;
  }
  if (!BeginServiceCall(strPropsString, strError)) return false;
  try {
    ParsePropsString(strPropsString);
    if (strTimeStamp.empty()) strTimeStamp = kZeroTimestamp;
    // The timestamp goes into SQL as a binary literal and the page size as a
    // number: anything else must not reach the statement.
    CheckPagingArguments(strTimeStamp, lPerCount);
    OpenErpConnection(connection_);
    strMaxTimeStamp = MaxTimestamp();
    RecordSetPtr page = SelectPage(strTimeStamp, lPerCount);
    ValueVectorPtr documents = page ? BuildDocuments(*page) : ValueVector::Create();
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

void BillExchange::DocumentBuilt(int32_t current, int32_t total) {
  DoEvents();
  if (progress_wanted_) RaiseProgress(current, total, true, "");
}

void BillExchange::RaiseProgress(int32_t current, int32_t total, bool succeeded,
                                 const std::string& message) {
  if (progress_) progress_(current, total, succeeded, message);
}

}  // namespace corvane

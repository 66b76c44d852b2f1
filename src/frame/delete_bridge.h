// The bill deletion bridge: the component never deletes an ERP document with
// SQL of its own; it hands the deletion to the ERP's list update service
// ("TavoListServer.clsListUpdate"), which deletes a document the way the
// ERP's own document lists do.
//
// Runs on the calling thread and reads that thread's call context; every
// connection and outside object it makes is its own and released before it
// returns.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Deletes document `inter_id` of transaction type `kind_code` (81 sales
// order; 80 or 86 sales invoice) through the list update service. `props` is
// the call's property string, already parsed into this thread's call context
// (ConnectString and UserID are read from there), and is handed to the
// service as it came.
//
// Answers true when the service deleted the document. Otherwise:
//  - another kind, or no document of that ID with a number that is not
//    blank: `error_text` becomes "单据不存在！";
//  - no list template of the kind, or one with FID, FTemplateID or FBillCls
//    0: `error_text` becomes "单据模板出错！";
//  - the service refuses: `error_text` holds what the service wrote into it,
//    followed by the service's own message;
//  - a run-time error (connection, statement, the service missing or
//    raising): "[" + its description + "]" is appended to `error_text`, or
//    replaces it when it is blank.
// The fixed messages pass through the message lookup. Never raises.
bool DeleteBillThroughService(const std::string& props, int32_t kind_code, int32_t inter_id,
                              std::string& error_text) noexcept;

}  // namespace corvane

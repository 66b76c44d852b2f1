// ListUpdateService: "TavoListServer.clsListUpdate" on the embedded account
// database. It deletes one sales order or sales invoice as the ERP's document
// lists do.
//
// DeleteBill parses ConnectString from the property string (`props`, a
// String), and in one transaction on the account database ("BEGIN IMMEDIATE
// TRANSACTION" ... "COMMIT", all through the connection component):
//   - refuses a transaction type it does not delete (only 81, sales orders in
//     SEOrder / SEOrderEntry, and 80 and 86, sales invoices in ICSale /
//     ICSaleEntry) and an internal ID below 1 (FInterID 0 is the ERP's
//     template head, not a document);
//   - refuses unless the head of `inter_id` exists, is of `tran_type` (a
//     sales order head without a type is a sales order) and carries
//     `bill_no` (both trimmed, compared as the account compares text:
//     ASCII letters without regard to case);
//   - refuses a checked document (FStatus neither 0 nor Null);
//   - refuses unless (`list_id`, `template_id`, `bill_cls`) is an
//     ICListTemplate row of `tran_type`;
//   - deletes the document's entry rows, then its head; the head's delete
//     trigger logs the deletion in COM_DataChange for the CRM.
// A refusal answers false with the service's reason in `message`; a
// statement the database refuses rolls everything back and answers false
// with the database's message. Nothing is deleted unless everything is.
// `login`, `error_text` and `zero` are accepted and left as they are.
//
// DeleteBill raises only when it cannot make the connection (no
// ConnectString, a property string that does not parse, the connection
// component cannot be created). It closes its connection before returning.
//
// Used by the thread that created it; it keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>

#include "frame/outside/list_update.h"

namespace corvane::erp {

class ListUpdateService : public IListUpdate {
 public:
  bool DeleteBill(std::string& bill_no, Variant& props, int32_t& list_id, std::string& login,
                  int32_t& inter_id, int32_t& tran_type, int32_t& bill_cls, int32_t& template_id,
                  std::string& error_text, int32_t& zero, std::string& message) override;
};

}  // namespace corvane::erp

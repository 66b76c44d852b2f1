// The bill save bridge: every document an import writes into the ERP is
// saved by the ERP's own bill service, which numbers it, allocates its
// internal ID, checks it and runs its SQL.
#pragma once

#include <cstdint>
#include <string>

#include "values/value_vector.h"

namespace corvane {

// Saves one document through the bill service.
//
// `bill` holds three items: a ValueDictionary of head keys (BillNo, InterID:
// 0 for a new document or the ID to save over, optionally ROB, and FindUUID,
// the UUID the caller looked the document up by), a ValueVector
// of the entry INSERT statements (empty ones are skipped), and the head
// INSERT statement; the statements carry @BillInterID and '@BillNo'.
//
// A document without a number is marked AutoNumbered for the service, which
// numbers it inside its saving transaction; the service also looks the
// document up again there (FindUUID, then its own number) and refuses the
// save when it no longer finds what the caller found (InterID).
//
// On success sets `bill_inter_id` and answers true. A refusal of the service
// sets `error_text` to its message (credit, stock limits, negative stock, a
// duplicate number, or the service's own text); any other failure appends
// its description in square brackets. Never raises.
bool SaveBillThroughService(const std::string& props, int32_t tran_type, const ValueVectorPtr& bill,
                            int32_t& bill_inter_id, std::string& error_text) noexcept;

}  // namespace corvane

// Base-data key mapping: the ERP refers to its base data and bills by
// internal integer IDs; the CRM knows them by number, name and UUID. An
// exported document carries, for each reference, a key record (a
// ValueDictionary with Number, Name and UUID, in that order) under a key name
// of the caller's choosing; an imported one is turned back into IDs.
//
// Kinds (matched without regard to case): Currency, Item (every member of the
// item tree; the lookup needs the item class), MeasureUnit (looked up by name
// only), Contract, SubMessage (auxiliary data), User, StockPlace.
//
// Every call opens a connection of its own, makes one or two queries and
// releases it; nothing is cached. A reference that names no row writes
// nothing or answers 0, and the caller decides what that means. A lookup
// that fails (the connection cannot be opened, a statement is refused)
// raises the database's error instead: a failed lookup is not an unknown
// key, and must not leave a reference silently out of a document or report
// a database error as a missing value.
#pragma once

#include <cstdint>
#include <string_view>

#include "values/value_dictionary.h"

namespace corvane {

// While one lives on a thread, PutBaseDataKey hands out one dictionary for
// every reference to a row whose lookup answers the same values: a page of
// thousands of documents that name the same few customers and items holds
// each key record once. For documents that are only written out, never
// changed, once built. An inner scope shares among its own records only.
class KeyRecordSharing {
 public:
  KeyRecordSharing();
  ~KeyRecordSharing();
  KeyRecordSharing(const KeyRecordSharing&) = delete;
  KeyRecordSharing& operator=(const KeyRecordSharing&) = delete;

 private:
  void* outer_;  // the scope this one is inside, restored when it ends
};

// Writes the key record of base-data row `id` of `kind` into `parent` under
// `key_name`. ID 0, an unknown kind or no such row write nothing. The row is
// read on every call; within a KeyRecordSharing scope, a record whose values
// are those of the last record made for the same row is that record itself.
void PutBaseDataKey(ValueDictionary& parent, int32_t id, std::string_view key_name,
                    std::string_view kind);

// The internal ID of the row that the key record `source` names, or 0. With
// `check_by_uuid` the UUID is tried first (an absent UUID reads as "" and
// matches rows whose UUID is empty), then the number (the name for
// MeasureUnit, which never uses the UUID). `item_class` is needed for Item.
// A key record with a Null or missing Number or Name answers 0.
int32_t FindBaseDataID(bool check_by_uuid, const ValueDictionary& source, std::string_view kind,
                       const Variant& item_class = Variant());

// Writes the key record of the bill numbered `bill_no` (used exactly as
// given) into `parent` under `key_name`: transaction type 81 looks among the
// sales orders, 21 among the sales deliveries. Its Number and Name are both
// the bill number. An empty number, another type or no such bill write
// nothing.
void FindBillKey(ValueDictionary& parent, std::string_view bill_no, std::string_view key_name,
                 int32_t tran_type);

}  // namespace corvane

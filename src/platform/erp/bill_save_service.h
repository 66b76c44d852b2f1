// BillSaveService: "BillDataAccess.SaveData" on the embedded account
// database. It hands out bill numbers and saves one document at a time.
//
// Bill tables by transaction type: 81 SEOrder / SEOrderEntry; 80 and 86
// ICSale / ICSaleEntry; any other type ICStockBill / ICStockBillEntry.
//
// GetBillNo(props, type, flag): the next automatic number of the type's rule
// in t_BillNoRule, FPrefix followed by FCurNo + 1 padded with zeros to
// FNumLength digits; "" for a type without a rule (its documents then need a
// number of their own). Asking takes nothing: a save marked AutoNumbered is
// numbered inside its own transaction with the next number no head carries
// yet, so two callers that asked before either saved both succeed with
// consecutive numbers. The flag is accepted and has no meaning here.
//
// SaveBillEx(props, save_list) saves one document in one transaction on the
// account database ("BEGIN IMMEDIATE TRANSACTION" ... "COMMIT", all through
// the connection component; this is SQLite's form, a server backend needs a
// service of its own). The save list:
//   1. the save options, a ValueDictionary: BillNo (String, the number to
//      save), BillInterID (Long: 0 for a new document, else the internal ID
//      of the document to save over), HeadSQL (String, the statement that
//      inserts the head), EntrySQL (a ValueVector of Strings, or one String:
//      the statements that insert the entries; empty ones are skipped),
//      IsRedBill (Boolean; absent counts as False), AutoBillNO (the automatic
//      number the caller was told; see GetBillNo), AutoNumbered (Boolean,
//      absent False: the document carries no number of its own and is
//      numbered by the service; without it BillNo is the document's own
//      number, saved as it is or refused), FindUUID (String, absent "": the
//      UUID the caller looked the document up by). Other options (UserID,
//      UpStockWhenSave, IgnoreCredit, ...) are accepted and not used: the
//      service posts no stock and checks no credit;
//   2. the extension list, a ValueVector whose first item is a ValueDictionary
//      with FTransType, the document's transaction type (a type of 0 or less
//      is refused: no bill has it);
//   3. the package (not read).
// The save, in this order:
//   - refuses (RetCode -202) a save whose premise changed since the caller
//     looked: the document BillInterID names is gone, or a new document
//     (BillInterID 0) is now found by FindUUID or by its own number. With the
//     account's write lock held from this first read, concurrent imports end
//     as a sequential run would, with one copy of each document, and a
//     refused document saves when it is imported again;
//   - refuses (RetCode -199) saving over a stock bill of another
//     transaction type than the save's;
//   - numbers an AutoNumbered bill with the next number of the type's rule
//     that no head carries;
//   - refuses (RetCode -199) a bill number that another head of the same
//     table already carries (text compared as the account compares text;
//     stock bills of every type share one table and so one set of numbers,
//     since they are looked up by number without their type; the ERP's
//     template head, FInterID 0, does not count);
//   - a new document takes the next internal ID of its head table from
//     t_BillInterIDMax (past any ID already in the table); saving over a
//     document deletes its head and all its entry rows first, with the head
//     marked in t_BillResave so that the change log does not record the
//     deletion of a document that goes on existing, and keeps
//     t_BillInterIDMax at or above the ID;
//   - runs the head statement, then the entry statements, with @BillInterID
//     replaced by the internal ID and @BillNo by the number with its single
//     quotes doubled (ReplaceBillPlaceholders); the head statement must write
//     the head of that ID;
//   - when the head saved over had another UUID than the new head, logs the
//     deletion of the old UUID in COM_DataChange as deleting a head would:
//     for the CRM that document is gone;
//   - when the number is an automatic number of the type's rule (FPrefix, in
//     any case, followed by 1 to 18 digits) higher than FCurNo, raises FCurNo
//     to it, so that hand-typed numbers are not handed out again;
//   - for the outgoing stock bills (types 21, 24, 28 and 29) that are not red
//     bills, when t_SystemProfile's AllowNegativeStock reads False, refuses
//     (RetCode 1) a bill that takes more of an item (the SUM of the bill's
//     FQty per FItemID) than is on hand (the SUM of ICInventory.FQty).
//     Items with no positive quantity going out are not checked.
// Any refusal or failure rolls the whole save back and closes the connection.
//
// The result is a new ValueDictionary, always with four keys:
//   Success     Boolean, True when the document was saved and committed;
//   RetCode     Long: 0 on success and for a plain failure (a statement the
//               database refused, a malformed save list), -199 duplicate bill
//               number, -202 changed meanwhile, 1 negative stock;
//   BillInterID Long: the internal ID saved under (0 when not saved);
//   ReturnMsg   String: "" on success, else why (for a failure the
//               database's message with the statement).
// SaveBillEx raises only when it cannot make the connection (no ConnectString,
// the connection component cannot be created); a save that fails answers
// Success False.
//
// Used by the thread that created it; it keeps no state between calls.
#pragma once

#include <string>
#include <string_view>

#include "frame/outside/bill_service.h"

namespace corvane::erp {

// RetCode values of SaveBillEx.
inline constexpr int32_t kSaveRetOk = 0;
inline constexpr int32_t kSaveRetNegativeStock = 1;
inline constexpr int32_t kSaveRetDuplicateBillNo = -199;
inline constexpr int32_t kSaveRetChangedMeanwhile = -202;

// The head and entry tables of a transaction type.
struct BillTables {
  const char* head;
  const char* entries;
};
BillTables BillTablesOf(int32_t tran_type);

// Whether stock bills of the type take stock out (21, 24, 28, 29).
bool IsOutgoingStockBill(int32_t tran_type);

// `sql` with every whole @BillInterID (not followed by a letter, a digit or
// "_"; any case) replaced by `inter_id`, and the bill number's places filled
// with `bill_no` as a text literal (single quotes doubled): a literal that is
// exactly '@BillNo', or a bare @BillNo outside quotes (which becomes a whole
// literal, so a number can never be read as SQL). One pass: text put in is
// not scanned again. Inside other text literals nothing is replaced (a note
// that mentions "@BillNo" is stored as written). Other @ names stay.
std::string ReplaceBillPlaceholders(std::string_view sql, int32_t inter_id,
                                    std::string_view bill_no);

class BillSaveService : public IBillSaveService {
 public:
  Variant GetBillNo(const std::string& props, int32_t tran_type, bool flag) override;
  ValueDictionaryPtr SaveBillEx(std::string& props, ValueVectorPtr& save_list) override;
};

}  // namespace corvane::erp

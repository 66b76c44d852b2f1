// The bill exchange frame shared by clsSaleOrder, clsSaleInvoice and
// clsStockBill: an incremental, paged Export of the documents changed since a
// row timestamp, an Import that saves the documents of an XML text, write-only
// options and the Progress event.
//
// Export: a Filter that is not one condition (CheckFilterCondition) fails
// the call before any SQL runs; the front door lets the caller in (or the
// call ends with its message and no other argument touched); the member
// connection is pointed at the caller's account; the newest row timestamp of
// the table goes into strMaxTimeStamp; one page of at most lPerCount
// documents newer than strTimeStamp (0: all of them) is read in timestamp
// order, strTimeStamp becomes the last one's; the documents are built into
// records and written as XML. The page statement, which carries the Filter,
// runs as one read-only query (IConnection::QueryReadOnly). Import: the front
// door, the member connection, the XML read against the class's schema, then
// the class's import routine.
//
// Every public method answers a Boolean and lets nothing escape: a run-time
// failure becomes BuildErrorText in strError, with the member connection
// closed. A timestamp that is not "0x" and 1 to 16 hexadecimal digits, and a
// negative page size, fail the call before any SQL runs.
//
// An object is used on the thread that created it, one call at a time; the
// Progress handler runs synchronously on that thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "frame/outside/connection.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane {

// The Progress event: lCur of lTotal documents done, whether it succeeded,
// and its message.
using ProgressHandler =
    std::function<void(int32_t lCur, int32_t lTotal, bool pSucceed, const std::string& sMsg)>;

class BillExchange : public Object {
 public:
  ~BillExchange() override;

  bool Export(std::string& strPropsString, std::string& strXML, int32_t lPerCount,
              std::string& strTimeStamp, std::string& strMaxTimeStamp,
              std::string& strError) noexcept;
  bool Import(std::string& strPropsString, const std::string& strXML,
              std::string& strError) noexcept;

  // Write-only options; they keep their value until set again. The Filter
  // is checked when Export runs; "" means no filter.
  void SetFilter(std::string filter) { filter_ = std::move(filter); }
  void SetCheckByUUID(bool v) { check_by_uuid_ = v; }
  void SetAddNewOnly(bool v) { add_new_only_ = v; }
  void SetbProgress(bool v) { progress_wanted_ = v; }
  void SetImportErrorIgnore(bool v) { import_error_ignore_ = v; }

  // Attaches the host's Progress handler (the event sink); nullptr detaches.
  void SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }

 protected:
  BillExchange() = default;

  // What each class selects and builds.
  // The newest row timestamp of the class's table, as text.
  virtual std::string MaxTimestamp() = 0;
  // The page of documents newer than `timestamp` that the Filter selects,
  // read through QueryReadOnly; sets `timestamp` to the last one's (or the
  // class's empty-page answer).
  virtual RecordSetPtr SelectPage(std::string& timestamp, int32_t per_count) = 0;
  // One record per document of the page, with its entries.
  virtual ValueVectorPtr BuildDocuments(IRecordSet& page) = 0;
  // Saves the documents of an imported tree; raises to fail the call.
  virtual bool ImportDocuments(const ValueVectorPtr& documents, std::string& strPropsString,
                               std::string& strError) = 0;
  // The schema path and root name of the class's documents.
  virtual std::string SchemaPath() const = 0;
  virtual std::string RootName() const = 0;

  // Export: the page's condition: rows newer than `timestamp`, and the
  // Filter's condition when there is one, each side in parentheses.
  std::string PageCondition(const std::string& timestamp) const;
  // Export: the newest row timestamp that `sql` answers in its column FMT.
  std::string ReadMaxTimestamp(const std::string& sql);
  // Export: runs the page statement `sql` (which carries the Filter) as one
  // read-only query, and sets `timestamp` to the FOperDate of its last row,
  // or to `empty_page_timestamp` when it has none.
  RecordSetPtr ReadPage(const std::string& sql, std::string& timestamp,
                        const char* empty_page_timestamp);

  // Import: the document already in the ERP that an incoming one stands for.
  struct ExistingDocument {
    int32_t inter_id = 0;        // 0: a new document
    bool skip = false;           // found, and AddNewOnly says leave it
    std::string looked_up_uuid;  // the UUID it was looked up by, "" if none
  };
  // Looks the document up by its (trimmed) UUID with CheckByUUID, then by its
  // number, with the class's lookups.
  ExistingDocument FindExisting(const std::string& uuid, const std::string& bill_no,
                                const std::function<int32_t(const std::string&)>& find_by_uuid,
                                const std::function<int32_t(const std::string&)>& find_by_bill_no);
  // The head keys the save bridge takes for the document: InterID, BillNo,
  // and the UUID it was looked up by, which the bill service checks again.
  static ValueDictionaryPtr SaveHead(const ExistingDocument& found, const std::string& bill_no);

  // Imports the documents one at a time with `import_one`, which answers the
  // internal ID of the saved (or skipped) document, or 0 with its message.
  // After each document pending messages run and Progress reports it. A
  // document that fails ends the batch with error -1 (its message as the
  // source) unless ImportErrorIgnore is set; documents saved before stay.
  using ImportOne = std::function<int32_t(const ValueDictionary& document, std::string& message)>;
  bool ImportEach(const ValueVector& documents, const ImportOne& import_one);

  // Lets pending messages run, and raises Progress when the host asked for it.
  void DocumentBuilt(int32_t current, int32_t total);
  // Raises Progress whatever bProgress says (imports report every document).
  void RaiseProgress(int32_t current, int32_t total, bool succeeded, const std::string& message);

  // The member connection, open on the caller's account during a call.
  IConnection& connection() { return *connection_; }

  // Options.
  bool check_by_uuid() const { return check_by_uuid_; }
  bool add_new_only() const { return add_new_only_; }
  bool import_error_ignore() const { return import_error_ignore_; }

 private:
  // The failure path: the error text, the connection closed, the pending
  // error cleared.
  void Fail(std::string& strError) noexcept;

  std::string filter_;
  // Export: the connection's active row-version floor, read before the page;
  // Empty on the embedded account, where the statements stay as they are.
  Variant row_version_floor_;
  bool check_by_uuid_ = false;
  bool add_new_only_ = false;
  bool progress_wanted_ = false;
  bool import_error_ignore_ = false;
  ConnectionPtr connection_;
  ProgressHandler progress_;
};

}  // namespace corvane

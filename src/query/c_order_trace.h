// COrderTrace: what has left the warehouse against one sales order, as XML
// for the CRM.
//
// Export(sDSN, sSaleOrderNo, sXML, sError) finds every stock bill of the
// outgoing types (21, 24, 28, 29) whose entries name the order (the number
// without blanks around it) and answers one DeliveryBill record per bill, in
// ascending order of its internal ID: its UUID, number, the order's key
// record, red/blue flag and date, and one entry (item and unit key records,
// quantity) per entry row that names the order; other entries of the same
// bill are left out. Bills that share a number keep their own entries: rows
// are grouped, and the UUID looked up, by the bill's internal ID. One
// statement reads every row; the records are built from the rows fetched,
// with the connection already released. An order with no delivery, an
// unknown one, or a number that is blank answers False with "不存在销售出库单"
// (a blank number runs no SQL). The answer's root is "TavoSaleOrderTrace".
//
// The trace checks no web-service rights. Any other failure answers False
// with its error text in sError. An object is used on the thread that
// created it; creating one reads the thread's schema folder.
#pragma once

#include <string>

#include "values/object.h"

namespace corvane {

class COrderTrace : public Object {
 public:
  COrderTrace();

  bool Export(const std::string& sDSN, const std::string& sSaleOrderNo, std::string& sXML,
              std::string& sError) noexcept;
};

}  // namespace corvane

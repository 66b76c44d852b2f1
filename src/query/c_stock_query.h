// CStockQuery: how much of one item is in stock, as XML for the CRM.
//
// Export(sDSN, sItemNumber, bNeedBatchInfo, sXML, sError) looks the item up
// by its number in t_ICItem ("物料不存在！" when there is none) and answers one
// ItemStock record: the item's UUID, number and name, its stock limits and
// safety stock, the quantity locked for orders (lock rows summed per item,
// negative ones counted as 0) and, without batch detail, the stock on hand;
// with batch detail (the default of the dispatch interface) the stock on
// hand per batch instead, rows without a batch number under "NO BatchNo"
// (NULL and empty numbers are two batches). An item without inventory
// answers zeros and, with batch detail, an empty batch list. The answer's
// root is "TavoStockDataQueryWithBatch" or "TavoStockDataQueryWithOutBatch".
//
// The query checks no web-service rights. Any failure answers False with the
// reason in sError (a refusal's message, or the error text of a failure
// such as an account that cannot be opened). Each call opens and releases
// its own connection. An object is used on the thread that created it;
// creating one reads the thread's schema folder.
#pragma once

#include <string>

#include "values/object.h"

namespace corvane {

class CStockQuery : public Object {
 public:
  CStockQuery();

  bool Export(const std::string& sDSN, const std::string& sItemNumber, bool bNeedBatchInfo,
              std::string& sXML, std::string& sError) noexcept;
};

}  // namespace corvane

// The query classes as late-bound classes:
//
//   "Corvane.CStockQuery"   Export 0x60030000
//     Export(sDSN String, sItemNumber String, bNeedBatchInfo Boolean optional = True,
//            sXML String in/out optional = "", sError String in/out optional = "") As Boolean
//   "Corvane.COrderTrace"   Export 0x60030000
//     Export(sDSN String, sSaleOrderNo String, sXML String in/out optional = "",
//            sError String in/out optional = "") As Boolean
//
// Neither raises events. The tables are built once and shared.
#pragma once

#include <cstdint>
#include <memory>

#include "query/c_order_trace.h"
#include "query/c_stock_query.h"
#include "server/class_binding.h"

namespace corvane::server {

inline constexpr int32_t kDispidQueryExport = 0x60030000;

std::shared_ptr<const ClassBinding<CStockQuery>> StockQueryBinding();
std::shared_ptr<const ClassBinding<COrderTrace>> OrderTraceBinding();

DispatchPtr CreateStockQueryObject();
DispatchPtr CreateOrderTraceObject();

}  // namespace corvane::server

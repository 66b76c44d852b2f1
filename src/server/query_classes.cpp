#include "server/query_classes.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<CStockQuery>> StockQueryBinding() {
  static const std::shared_ptr<const ClassBinding<CStockQuery>> binding = [] {
    using T = DispType;
    auto b = std::make_shared<ClassBinding<CStockQuery>>(
        "CStockQuery", []() { return std::make_shared<CStockQuery>(); });
    b->Method("Export", kDispidQueryExport, T::Boolean,
              {In("sDSN", T::String), In("sItemNumber", T::String),
               Optional(In("bNeedBatchInfo", T::Boolean), Variant(true)),
               Optional(InOut("sXML", T::String), Variant("")),
               Optional(InOut("sError", T::String), Variant(""))},
              [](CStockQuery& o, Arguments& a) {
                return Variant(o.Export(a.String(0), a.String(1), a.Boolean(2), a.String(3), a.String(4)));
              });
    return b;
  }();
  return binding;
}

std::shared_ptr<const ClassBinding<COrderTrace>> OrderTraceBinding() {
  static const std::shared_ptr<const ClassBinding<COrderTrace>> binding = [] {
    using T = DispType;
    auto b = std::make_shared<ClassBinding<COrderTrace>>(
        "COrderTrace", []() { return std::make_shared<COrderTrace>(); });
    b->Method("Export", kDispidQueryExport, T::Boolean,
              {In("sDSN", T::String), In("sSaleOrderNo", T::String),
               Optional(InOut("sXML", T::String), Variant("")),
               Optional(InOut("sError", T::String), Variant(""))},
              [](COrderTrace& o, Arguments& a) {
                return Variant(o.Export(a.String(0), a.String(1), a.String(2), a.String(3)));
              });
    return b;
  }();
  return binding;
}

DispatchPtr CreateStockQueryObject() { return CreateBoundObject(StockQueryBinding()); }
DispatchPtr CreateOrderTraceObject() { return CreateBoundObject(OrderTraceBinding()); }

}  // namespace corvane::server

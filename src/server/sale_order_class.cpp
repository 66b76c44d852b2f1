#include "server/sale_order_class.h"

#include "exchange/cls_sale_order.h"
#include "server/bill_exchange_class.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<BillExchange>> SaleOrderBinding() {
  static const std::shared_ptr<const ClassBinding<BillExchange>> binding =
      BillExchangeBinding<clsSaleOrder>("clsSaleOrder", kSaleDocumentDispids);
  return binding;
}

DispatchPtr CreateSaleOrderObject() { return CreateBoundObject(SaleOrderBinding()); }

}  // namespace corvane::server

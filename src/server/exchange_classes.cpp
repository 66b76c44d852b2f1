#include "server/exchange_classes.h"

#include "exchange/cls_sale_invoice.h"
#include "exchange/cls_sale_order.h"
#include "exchange/cls_stock_bill.h"
#include "server/bill_exchange_class.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<BillExchange>> SaleOrderBinding() {
  static const std::shared_ptr<const ClassBinding<BillExchange>> binding =
      BillExchangeBinding<clsSaleOrder>("clsSaleOrder", kSaleDocumentDispids);
  return binding;
}

std::shared_ptr<const ClassBinding<BillExchange>> SaleInvoiceBinding() {
  static const std::shared_ptr<const ClassBinding<BillExchange>> binding =
      BillExchangeBinding<clsSaleInvoice>("clsSaleInvoice", kSaleDocumentDispids);
  return binding;
}

std::shared_ptr<const ClassBinding<BillExchange>> StockBillBinding() {
  static const std::shared_ptr<const ClassBinding<BillExchange>> binding = [] {
    auto b = BillExchangeBinding<clsStockBill>("clsStockBill", kStockBillDispids);
    b->WriteOnlyProperty("StockBillType", kDispidStockBillType, DispType::Long,
                         [](BillExchange& o, const Variant& v) {
                           static_cast<clsStockBill&>(o).SetStockBillType(v.AsLong());
                         });
    return b;
  }();
  return binding;
}

DispatchPtr CreateSaleOrderObject() { return CreateBoundObject(SaleOrderBinding()); }
DispatchPtr CreateSaleInvoiceObject() { return CreateBoundObject(SaleInvoiceBinding()); }
DispatchPtr CreateStockBillObject() { return CreateBoundObject(StockBillBinding()); }

}  // namespace corvane::server

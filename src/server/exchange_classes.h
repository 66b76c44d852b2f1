// The bill exchange classes as late-bound classes, with the interface and
// DISPIDs of bill_exchange_class.h: "Corvane.clsSaleOrder",
// "Corvane.clsSaleInvoice" and "Corvane.clsStockBill" (which adds the
// write-only StockBillType, 0x68030005).
#pragma once

#include <memory>

#include "exchange/bill_exchange.h"
#include "server/class_binding.h"

namespace corvane::server {

// Each class's binding, built on first use and shared by every object.
std::shared_ptr<const ClassBinding<BillExchange>> SaleOrderBinding();
std::shared_ptr<const ClassBinding<BillExchange>> SaleInvoiceBinding();
std::shared_ptr<const ClassBinding<BillExchange>> StockBillBinding();

// A new object of the class behind its dispatch interface; the constructor's
// RuntimeError (an unreadable registry) passes.
DispatchPtr CreateSaleOrderObject();
DispatchPtr CreateSaleInvoiceObject();
DispatchPtr CreateStockBillObject();

}  // namespace corvane::server

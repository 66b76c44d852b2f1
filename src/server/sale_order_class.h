// clsSaleOrder as a late-bound class: "Corvane.clsSaleOrder", with the bill
// exchange interface and DISPIDs of bill_exchange_class.h.
#pragma once

#include <memory>

#include "exchange/bill_exchange.h"
#include "server/class_binding.h"

namespace corvane::server {

// The class's binding, built on first use and shared by every object.
std::shared_ptr<const ClassBinding<BillExchange>> SaleOrderBinding();

// A new clsSaleOrder behind its dispatch interface; the constructor's
// RuntimeError (an unreadable registry) passes.
DispatchPtr CreateSaleOrderObject();

}  // namespace corvane::server

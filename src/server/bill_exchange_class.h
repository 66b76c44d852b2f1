// The dispatch interface shared by the bill exchange classes (clsSaleOrder,
// clsSaleInvoice, clsStockBill) and their Progress event:
//
//   member              clsSaleOrder, clsSaleInvoice   clsStockBill
//   Export              0x6003000D                     0x60030006
//   Import              0x6003000E                     0x60030007
//   Filter              0x68030004 (write-only String)
//   CheckByUUID         0x68030003 (write-only Boolean)
//   AddNewOnly          0x68030002 (write-only Boolean)
//   bProgress           0x68030001 (write-only Boolean)
//   ImportErrorIgnore   0x68030000 (write-only Boolean)
//   StockBillType       -                              0x68030005 (write-only Long)
//   event Progress      1 (lCur Long, lTotal Long, pSucceed Boolean, sMsg String)
//
//   Export(strPropsString String in/out, strXML String in/out,
//          lPerCount Long optional = 100, strTimeStamp String in/out optional = "",
//          strMaxTimeStamp String in/out optional = "",
//          strError String in/out optional = "") As Boolean
//   Import(strPropsString String in/out, strXML String, strError String in/out)
//          As Boolean
//
// BillExchangeBinding declares all of it but StockBillType on a binding of a
// class derived from BillExchange; clsStockBill adds its property to the
// binding it answers. The tables are built once and shared (see
// class_binding.h for threads and ownership).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "exchange/bill_exchange.h"
#include "server/class_binding.h"

namespace corvane::server {

struct BillExchangeDispids {
  int32_t export_id;
  int32_t import_id;
};

// clsSaleOrder and clsSaleInvoice.
inline constexpr BillExchangeDispids kSaleDocumentDispids{0x6003000D, 0x6003000E};
// clsStockBill.
inline constexpr BillExchangeDispids kStockBillDispids{0x60030006, 0x60030007};

inline constexpr int32_t kDispidFilter = 0x68030004;
inline constexpr int32_t kDispidCheckByUUID = 0x68030003;
inline constexpr int32_t kDispidAddNewOnly = 0x68030002;
inline constexpr int32_t kDispidbProgress = 0x68030001;
inline constexpr int32_t kDispidImportErrorIgnore = 0x68030000;
inline constexpr int32_t kDispidStockBillType = 0x68030005;
inline constexpr int32_t kDispidProgress = 1;

// Declares Export, Import, the five options and Progress on `binding`, and
// connects each object's Progress handler to the bound object's sinks.
void DeclareBillExchangeInterface(ClassBinding<BillExchange>& binding, BillExchangeDispids ids);

// A binding of the exchange class T (default-constructible, derived from
// BillExchange) with the shared interface declared.
template <class T>
std::shared_ptr<ClassBinding<BillExchange>> BillExchangeBinding(std::string class_name,
                                                                BillExchangeDispids ids) {
  auto binding = std::make_shared<ClassBinding<BillExchange>>(
      std::move(class_name),
      []() -> std::shared_ptr<BillExchange> { return std::make_shared<T>(); });
  DeclareBillExchangeInterface(*binding, ids);
  return binding;
}

}  // namespace corvane::server

#include "server/registration.h"

#include "frame/outside/object_factory.h"
#include "server/data_key_class.h"
#include "server/dts_class.h"
#include "server/exchange_classes.h"
#include "server/query_classes.h"

namespace corvane::server {

namespace {

struct PublicClass {
  const char* class_name;
  DispatchPtr (*create)();
};

constexpr PublicClass kPublicClasses[] = {
    {"clsSaleOrder", &CreateSaleOrderObject},
    {"clsSaleInvoice", &CreateSaleInvoiceObject},
    {"clsStockBill", &CreateStockBillObject},
    {"clsDataKey", &CreateDataKeyObject},
    {"COrderTrace", &CreateOrderTraceObject},
    {"CStockQuery", &CreateStockQueryObject},
    {"DTS", &CreateDtsObject},
};

}  // namespace

std::string ProgIdOf(std::string_view class_name) {
  return std::string(kProgIdPrefix) + std::string(class_name);
}

void RegisterPublicClasses() {
  for (const PublicClass& c : kPublicClasses) {
    auto create = c.create;
    RegisterProgId(ProgIdOf(c.class_name), [create]() -> ObjectPtr { return create(); });
  }
}

std::vector<std::string> PublicProgIds() {
  std::vector<std::string> ids;
  for (const PublicClass& c : kPublicClasses) ids.push_back(ProgIdOf(c.class_name));
  return ids;
}

}  // namespace corvane::server

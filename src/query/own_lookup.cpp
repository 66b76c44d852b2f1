#include "query/own_lookup.h"

#include "frame/gateway.h"
#include "frame/module_state.h"

namespace corvane {

std::string LookUpText(const std::string& sql, const char* column) noexcept {
  try {
    ConnectionPtr connection;
    OpenErpConnection(connection);
    RecordSetPtr rs = connection->Execute(sql);
    const std::string text =
        rs->Eof() ? std::string()
                  : CStr(ThisThreadValueUtility().ValueOrDefault(rs->Fields(column), Variant("")));
    rs->Close();
    return text;
  } catch (...) {
    return {};
  }
}

}  // namespace corvane

#include "frame/gateway.h"

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"

namespace corvane {

void OpenErpConnection(ConnectionPtr& connection) {
  if (!connection) connection = CreateObjectAs<IConnection>(kConnectionProgId);
  connection->SetConnString(GetConnectString());
}

Date GetServerDate() noexcept {
  try {
    ConnectionPtr connection;
    OpenErpConnection(connection);
    RecordSetPtr rs = connection->GetAnyRecordSet("SELECT x=GetDate()");
    if (!rs || rs->Eof()) return Now();
    const Date server = CDate(rs->Fields(0));
    rs->Close();
    return server;
  } catch (...) {
    try {
      return Now();
    } catch (...) {
      return Date{};
    }
  }
}

}  // namespace corvane

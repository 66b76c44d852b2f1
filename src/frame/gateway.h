// The database gateway: how the component points the ERP's connection
// component at the account database of the call, and the server's clock.
#pragma once

#include "frame/outside/connection.h"
#include "values/variant.h"

namespace corvane {

// Creates the connection component when `connection` holds none, then points
// it at the ConnectString of the property string parsed on this thread. No
// statement runs here. A property string without ConnectString, or a
// component that cannot be created, raises.
void OpenErpConnection(ConnectionPtr& connection);

// The date and time of the database server, asked through a connection of its
// own; any failure gives the local clock's date and time. Never raises.
Date GetServerDate() noexcept;

}  // namespace corvane

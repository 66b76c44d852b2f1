// The connection the ERP's own services open on the account database of a
// call: the connection component created by ProgID, pointed at the
// ConnectString of the call's property string. The services run all their SQL
// through it, as the component does.
//
// The connection belongs to the caller and to the thread that opened it.
#pragma once

#include <string_view>

#include "frame/outside/connection.h"

namespace corvane::erp {

// A connection component pointed at the ConnectString of `props` (nothing is
// opened yet). A property string without ConnectString raises 5 and one with a
// duplicate key 457; a connection component that cannot be created raises its
// creation error. The error's source is `source`, the service asking.
ConnectionPtr ConnectAccount(std::string_view props, std::string_view source);

// The first field of the first row of `sql`, or `fallback` without a row.
Variant QueryScalar(IConnection& connection, std::string_view sql, const Variant& fallback);

}  // namespace corvane::erp

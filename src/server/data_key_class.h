// The dispatch interface of clsDataKey (ProgID "Corvane.clsDataKey"):
//
//   member              DISPID
//   ExportXMLDataKey    0x60030000
//   ImportXMLDataKey    0x60030001
//
//   ExportXMLDataKey(strPropsString String, iBillType Long, strXML String in/out,
//                    lPerCount Long optional = 100,
//                    strTimeStamp String in/out optional = "",
//                    strMaxTimeStamp String in/out optional = "",
//                    strError String in/out optional = "") As Boolean
//   ImportXMLDataKey(strPropsString String in/out, iBillType Long, strXML String,
//                    strError String in/out) As Boolean
//
// The class raises no events. The table is built once and shared.
#pragma once

#include <cstdint>
#include <memory>

#include "datakey/cls_data_key.h"
#include "server/class_binding.h"

namespace corvane::server {

inline constexpr int32_t kDispidExportXMLDataKey = 0x60030000;
inline constexpr int32_t kDispidImportXMLDataKey = 0x60030001;

std::shared_ptr<const ClassBinding<clsDataKey>> DataKeyBinding();

// A new clsDataKey behind its dispatch interface; the constructor's
// RuntimeError (an unreadable registry) passes.
DispatchPtr CreateDataKeyObject();

}  // namespace corvane::server

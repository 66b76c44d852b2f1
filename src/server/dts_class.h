// DTS as a late-bound class, "Corvane.DTS":
//
//   member                          DISPID
//   ExportXMLDataForWebService      0x60030000
//   ExportXMLDataKeyForWebService   0x60030001
//   ImportXMLDataForWebService      0x60030002
//   ImportXMLDataKeyForWebService   0x60030003
//
//   ExportXMLDataForWebService(sDSN String, lBaseType Long, sFile String, sFilter String,
//                              sLogFile String optional = "", sXML String in/out optional = "")
//   ExportXMLDataKeyForWebService(sDSN String, sFile String, sFilter String,
//                                 sLogFile String optional = "", sXML String in/out optional = "")
//   ImportXMLDataForWebService(sDSN String, lBaseType Long, bReplace Boolean, sFile String,
//                              sLogFile String optional = "", sXML String in/out optional = "")
//   ImportXMLDataKeyForWebService(sDSN String, sFile String, sLogFile String optional = "",
//                                 sXML String in/out optional = "")
//   all As Boolean. The class raises no events; the table is built once and shared.
#pragma once

#include <cstdint>
#include <memory>

#include "dts/dts.h"
#include "server/class_binding.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<DTS>> DtsBinding();
DispatchPtr CreateDtsObject();

}  // namespace corvane::server

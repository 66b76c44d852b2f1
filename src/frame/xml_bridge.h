// The XML bridge: how every class reaches the XML transfer component. Both
// routines create the component for the one call; a schema path whose file
// does not exist is served from the component's own folder (its file name
// looked up beside the library). A component that cannot be created, or a
// reader that answers something other than a list of records, raises; a
// document that does not fit is reported through the error text only.
#pragma once

#include <string>
#include <string_view>

#include "values/value_vector.h"

namespace corvane {

// Writes `document` as XML text. Sets `xml` and `error_text` to "" first;
// true when the error text stays "".
bool WriteXMLDocument(const ValueVectorPtr& document, std::string& xml, std::string_view schema_path,
                      std::string_view root_name, std::string& error_text);

// Reads XML text into `document`. Sets `error_text` to "" first; true when it
// stays "".
bool ReadXMLDocument(ValueVectorPtr& document, const std::string& xml, std::string_view schema_path,
                     std::string_view root_name, std::string& error_text);

// The schema path itself when its file exists, else the component's own
// folder followed by the path's file name.
std::string ResolveSchemaPath(std::string_view schema_path);

}  // namespace corvane

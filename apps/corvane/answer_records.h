// Reading back what the component answered: the schema file of a root, the
// records of an XML answer, and a record's field as plain text. The task
// commands read pages, answers and logs back this way to report on each
// document.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane::cli {

// The installed schema file of the documents whose root is `root`.
inline std::string SchemaFileOf(std::string_view root) {
  return ThisThreadSchemaFolder() + std::string(root) + ".xsd";
}

// The records of `xml`, read back against the schema of `root`; raises,
// naming `what` ("the exported page"), when they cannot be.
inline ValueVectorPtr RecordsOf(const std::string& xml, const char* root, const char* what) {
  ValueVectorPtr records;
  std::string error;
  if (!ReadXMLDocument(records, xml, SchemaFileOf(root), root, error))
    throw std::runtime_error(std::string(what) + " cannot be read back: " + error);
  return records;
}

// A field of a record as text; "" when it is absent, Null or Empty.
inline std::string FieldText(const ValueDictionary& record, const char* key) {
  const Variant v = record.GetValue(key, Variant(""));
  return v.IsNull() || v.IsEmpty() ? std::string() : CStr(v);
}

}  // namespace corvane::cli

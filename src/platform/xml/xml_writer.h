// XmlWriter: "XMLQNV2.Write" on libxml2. It builds the document the schema
// describes from a tree of records, validates it against the schema and
// serialises it as UTF-8 text.
//
// A record's keys match the schema's element names without regard to case
// and are written in schema order: a ValueDictionary as an element with
// children, a ValueVector as the element repeated once per item, a scalar as
// text (numbers invariant, decimals without exponent, Booleans true/false,
// Dates yyyy-mm-dd or yyyy-mm-ddThh:mm:ss as the element's type asks). Null,
// Empty and absent keys give no element. A key the schema does not know, a
// value of the wrong shape, a character XML cannot carry, or anything the
// validator refuses fails the write with an error text naming the element.
#pragma once

#include "frame/outside/xml_transfer.h"
#include "platform/xml/schema_model.h"

namespace corvane::xml {

class XmlWriter : public IXmlWriter {
 public:
  bool OutputXMLString(const Variant& document, std::string& xml, std::string_view schema_path,
                       std::string_view root_name, std::string& error_text,
                       std::string_view record_name = {}) override;
  bool OutputXML(const Variant& document, std::string_view file_path, std::string_view schema_path,
                 std::string_view root_name, std::string& error_text,
                 std::string_view record_name = {}) override;
};

// The text of a scalar for a leaf of the given kind; raises a RuntimeError
// saying why a value does not fit.
std::string LeafText(const Variant& value, LeafKind kind);

}  // namespace corvane::xml

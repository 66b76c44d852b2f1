// "XMLQNV2.Write" and "XMLQNV2.Read": the XML transfer component. It turns a
// document tree (a ValueVector of ValueDictionary records) into XML text
// checked against the schema (XSD) of the document kind, and XML text back
// into a tree. The schema decides the root element, its namespace, the
// element that wraps each record, the order of the elements and which of
// them repeat.
//
// Neither raises for a document that does not fit: the error text says why
// (naming the element, and the line and column of XML text). Components are
// created for one use and belong to the thread that created them.
#pragma once

#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kXmlWriterProgId = "XMLQNV2.Write";
inline constexpr const char* kXmlReaderProgId = "XMLQNV2.Read";

class IXmlWriter : public virtual Object {
 public:
  // Writes `document` as the XML text of `root_name` against the schema at
  // `schema_path` ("" selects the installed schema of the root name). On
  // success fills `xml`, leaves `error_text` empty and answers true; on
  // failure leaves `xml` empty, sets `error_text` and answers false.
  // `record_name`, passed by the file-based interface, names the element
  // that wraps each record when given; the schema's must match it.
  virtual bool OutputXMLString(const Variant& document, std::string& xml,
                               std::string_view schema_path, std::string_view root_name,
                               std::string& error_text, std::string_view record_name = {}) = 0;
  // The same, written to a file (replaced atomically; left as it was on failure).
  virtual bool OutputXML(const Variant& document, std::string_view file_path,
                         std::string_view schema_path, std::string_view root_name,
                         std::string& error_text, std::string_view record_name = {}) = 0;
};

class IXmlReader : public virtual Object {
 public:
  // Parses and validates `xml` against the schema of `root_name`; on success
  // sets `document` to a ValueVector of ValueDictionary records, leaves
  // `error_text` empty and answers true. On failure `document` is left as it
  // was, `error_text` says why and the answer is false.
  virtual bool InputXMLString(Variant& document, std::string_view xml, std::string_view schema_path,
                              std::string_view root_name, std::string& error_text) = 0;
  // The same, read from a file.
  virtual bool InputXML(Variant& document, std::string_view file_path, std::string_view schema_path,
                        std::string_view root_name, std::string& error_text) = 0;
};

}  // namespace corvane

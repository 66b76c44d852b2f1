// XmlReader: "XMLQNV2.Read" on libxml2. It parses XML text, validates it
// against the schema and returns the records as a ValueVector of
// ValueDictionary records mirroring what the writer takes: an element with
// children as a nested ValueDictionary, every element the schema lets repeat
// as a ValueVector (also when it occurs once; an empty ValueVector when it
// does not occur at all), leaf text typed by its schema type (integer types
// as Long, decimal and double as Double, boolean as Boolean, the rest as
// String). Keys take the schema's spelling.
//
// Hostile text is harmless: a document type declaration is refused before
// parsing (so no entities, no external files, no expansion), nothing is
// fetched from the network, nesting and size are bounded. Every text is
// accepted or refused in time linear in its size: before parsing, the text
// is refused when an element has more than kMaxAttributesPerElement
// attributes, when it holds more than kMaxElements elements, when more than
// kMaxNamespacesInScope namespace declarations are in scope at one element,
// or when it is in an encoding other than UTF-8, UTF-16 or one that keeps
// ASCII as it is (see markup_bounds.h); the schema is checked while the text
// is parsed, and the first schema error ends the reading. The limits lie far
// above any real document (a page of a thousand orders of five entries holds
// about 60,000 elements; documents carry no attributes and one or two
// namespaces). Error texts give the line and column.
#pragma once

#include "frame/outside/xml_transfer.h"

namespace corvane::xml {

// The largest XML text the reader accepts.
inline constexpr size_t kMaxXmlBytes = 64u << 20;
// The most attributes one element may carry (namespace declarations count).
inline constexpr size_t kMaxAttributesPerElement = 256;
// The most elements one document may hold.
inline constexpr size_t kMaxElements = 4'000'000;
// The most namespace declarations in scope at one element (on it and its
// ancestors).
inline constexpr size_t kMaxNamespacesInScope = 64;

class XmlReader : public IXmlReader {
 public:
  bool InputXMLString(Variant& document, std::string_view xml, std::string_view schema_path,
                      std::string_view root_name, std::string& error_text) override;
  bool InputXML(Variant& document, std::string_view file_path, std::string_view schema_path,
                std::string_view root_name, std::string& error_text) override;
};

}  // namespace corvane::xml

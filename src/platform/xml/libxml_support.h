// What the XML transfer component shares between writing and reading: error
// capture from libxml2, compiled schemas kept per thread, and the installed
// schema of a root name.
#pragma once

#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/schema_model.h"

namespace corvane::xml {

// Collects libxml2's errors (and silences its printing) for its lifetime on
// this thread; restores the previous handlers afterwards.
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  const std::vector<std::string>& messages() const { return messages_; }
  bool empty() const { return messages_.empty() && more_ == 0; }
  // The messages joined, one per line (at most a few, then a count).
  std::string Text() const;
  void Add(std::string message) { messages_.push_back(std::move(message)); }

  // How an error's place is described: "line L, column C" for text, or the
  // path of the element for a tree built in memory.
  enum class Place { TextPosition, ElementPath };
  void set_place(Place p) { place_ = p; }
  // Element names in messages lose this namespace ("{urn:x}Qty" reads "Qty").
  void set_namespace(std::string ns) { namespace_ = "{" + std::move(ns) + "}"; }
  // While a parser is set, an error without a place of its own takes the
  // parser's line and column, and a schema validity error stops the parser:
  // one is enough to refuse the document.
  void set_parser(xmlParserCtxtPtr parser) { parser_ = parser; }
  // For a document validated a record at a time: the records before the one
  // in the tree, added to its position in element paths.
  void set_records_before(int records) { records_before_ = records; }

  // The libxml2 structured-error callback; `self` is the capture.
  static void Handler(void* self, xmlErrorPtr error);

 private:
  static void Collect(ErrorCapture* capture, xmlErrorPtr error);
  static void Silent(void*, const char*, ...) {}
  std::vector<std::string> messages_;  // the first few
  size_t more_ = 0;                     // how many more there were
  Place place_ = Place::TextPosition;
  int records_before_ = 0;
  std::string namespace_;
  xmlParserCtxtPtr parser_ = nullptr;
  xmlStructuredErrorFunc old_structured_;
  void* old_structured_context_;
  xmlGenericErrorFunc old_generic_;
  void* old_generic_context_;
};

// The path of an element from the root, with each record's position:
// "SaleOrder[2]/OrderEntry[1]/Qty"; `records_before` is added to the
// position of the root's child.
std::string ElementPath(xmlNode* node, int records_before = 0);

// A compiled schema and its model, read once per thread and file (read anew
// when the file changes).
struct CompiledSchema {
  xmlSchemaPtr schema = nullptr;
  SchemaModel model;
};

// The schema at `path` for `root_name`. A missing or unreadable schema raises
// a RuntimeError saying so.
const CompiledSchema& SchemaFor(const std::string& path, std::string_view root_name);

// The path of the installed schema of a root name: "<root>.xsd" beside the
// component's library (or in its SCHEMA folder).
std::string InstalledSchemaPath(std::string_view root_name);

// Deleters for libxml2 objects.
struct DocDeleter {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

// Validates `doc` against the schema; the errors go to `errors`.
bool Validate(const CompiledSchema& schema, xmlDocPtr doc, ErrorCapture& errors);

// Parses `xml` into a tree and validates it against the schema while it is
// read; the first schema error stops the parser, so no document costs more
// than one pass however many errors it holds. Returns null, with the parser's
// errors in `errors`, when the text is not well-formed XML (or cannot be
// parsed at all); otherwise the tree (cut short where a schema error stopped
// it), with `valid` telling whether the document fits the schema.
//
// With `records`, the root's children are not built into the tree at all:
// each element inside them, its text and its end are handed to `records` as
// the parser reads them (after the validator saw them), so that no record's
// tree is ever made; the tree returned holds the root alone.
class RecordEvents {
 public:
  virtual ~RecordEvents() = default;
  // An element starts at depth 1 (a record) or deeper; `line` is where.
  virtual void StartElement(std::string_view local_name, int line) = 0;
  // Text of the innermost open element (blanks between elements included).
  virtual void Characters(std::string_view text) = 0;
  virtual void EndElement() = 0;
};
DocPtr ParseValidating(const CompiledSchema& schema, std::string_view xml, ErrorCapture& errors,
                       bool& valid, RecordEvents* records = nullptr);

}  // namespace corvane::xml

// DomDocument: "MSXML2.DOMDocument.4.0" on a libxml2 tree.
//
// The document's children are what the file holds at its top level, the XML
// declaration included: a loaded file that starts with one has, as its first
// child, a processing instruction "xml" whose data names its version,
// encoding and standalone flag, and Save writes the document in the encoding
// such a first child names (UTF-8 without it, and then with no declaration).
// Characters that encoding cannot carry come out as character references;
// carriage returns, line feeds and tabs in attribute values as "&#13;",
// "&#10;" and "&#9;"; the file is replaced through a temporary file, synced,
// and a rename (ReplaceFileAtomically), so a reader or a crash sees the old
// file or the new one.
//
// Load reads no DTD (a document type declaration makes it fail), nothing
// from the network and no entity beyond XML's own; text that is not
// well-formed XML with well-formed namespaces, or that breaks the reader's
// attribute and namespace bounds (markup_bounds.h), answers false and leaves
// the tree empty. Whitespace-only text between elements is dropped on Load.
//
// Names of elements, attributes and processing instructions must be XML
// names, and every text put in must be UTF-8 made of characters XML can
// carry (no control characters but tab, CR and LF): anything else raises 5,
// so that a saved document loads again. An attribute named "xmlns" or
// "xmlns:p" declares a namespace on its element; getAttribute reads such
// declarations back, loaded or set. Any other prefixed attribute name is
// bound to the namespace its prefix has where the element stands, or kept as
// written when the prefix is declared nowhere yet (the file then loads again
// only if the prefix is declared by the time it is saved). An element in no
// namespace appended
// under an element with a default namespace gets xmlns="" so that it stays
// in no namespace.
//
// Nodes keep their document's tree alive; Load gives the document a new tree
// and nodes of the old one stay usable on their own. Used by the thread that
// created it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "frame/outside/dom_document.h"

namespace corvane::xml {

struct DomTree;

class DomDocument : public IDomDocument {
 public:
  DomDocument();
  ~DomDocument() override;

  std::string nodeName() const override;  // "#document"
  // A document has no attributes: both raise 5.
  void setAttribute(std::string_view name, std::string_view value) override;
  std::string getAttribute(std::string_view name) const override;
  // A second root element, a declaration that would not be the first child,
  // or a node of another document raises 5.
  DomNodePtr appendChild(const DomNodePtr& child) override;
  DomNodePtr childNode(int index) const override;
  int childCount() const override;

  DomNodePtr createProcessingInstruction(std::string_view target, std::string_view data) override;
  DomNodePtr createNode(int type, std::string_view name, std::string_view namespace_uri) override;
  DomNodePtr createElement(std::string_view name) override;
  bool Load(std::string_view path) override;
  void Save(std::string_view path) override;

 private:
  std::shared_ptr<DomTree> tree_;
};

}  // namespace corvane::xml

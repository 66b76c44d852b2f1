#include "platform/xml/dom_document.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/win/atomic_file.h"
#include "platform/xml/libxml_support.h"
#include "platform/xml/markup_bounds.h"
#include "platform/xml/xml_reader.h"
#include "values/run_time_error.h"
#include "values/utf8.h"

namespace corvane::xml {

// One libxml2 document and the nodes created for it. Created nodes that were
// never appended (and whatever hangs below them) are freed with the tree.
struct DomTree {
  explicit DomTree(xmlDocPtr d) : doc(d) {}
  ~DomTree() {
    std::vector<xmlNodePtr> loose;
    for (xmlNodePtr n : created)
      if (!n->parent) loose.push_back(n);
    for (xmlNodePtr n : loose) xmlFreeNode(n);
    xmlFreeDoc(doc);
  }
  DomTree(const DomTree&) = delete;
  DomTree& operator=(const DomTree&) = delete;

  xmlNodePtr root() const { return reinterpret_cast<xmlNodePtr>(doc); }

  xmlDocPtr doc;
  std::vector<xmlNodePtr> created;
};

namespace {

constexpr const char* kSource = "MSXML2.DOMDocument.4.0";
constexpr const char* kDeclarationTarget = "xml";

[[noreturn]] void Fail(const std::string& what) {
  throw RuntimeError(err::kInvalidCall, kSource, what);
}

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
const xmlChar* XmlChars(const std::string& s) {
  return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::shared_ptr<DomTree> NewTree() {
  xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
  if (!doc) throw std::bad_alloc();
  return std::make_shared<DomTree>(doc);
}

void CheckText(std::string_view text, const char* what) {
  if (!IsXmlText(text)) Fail(std::string(what) + " holds a character XML cannot carry");
}

std::string CheckedQName(std::string_view name, const char* what) {
  std::string s(name);
  if (s.empty() || s.find('\0') != std::string::npos || xmlValidateQName(XmlChars(s), 0) != 0)
    Fail("\"" + s + "\" is not a valid " + what + " name");
  return s;
}

// The pseudo-attributes of an XML declaration.
struct Declaration {
  std::string version;
  std::string encoding;    // "" when not named
  std::string standalone;  // "", "yes" or "no"
};

// Reads the data of a declaration (version="1.0" encoding="GB2312" ...);
// raises 5 when it is not one.
Declaration ReadDeclaration(std::string_view data) {
  Declaration d;
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
      ++i;
  };
  auto bad = [&]() { Fail("\"" + std::string(data) + "\" is not an XML declaration"); };
  for (skip_blanks(); i < data.size(); skip_blanks()) {
    const size_t name_start = i;
    while (i < data.size() && data[i] != '=' && data[i] != ' ') ++i;
    const std::string_view name = data.substr(name_start, i - name_start);
    skip_blanks();
    if (i >= data.size() || data[i] != '=') bad();
    ++i;
    skip_blanks();
    if (i >= data.size() || (data[i] != '"' && data[i] != '\'')) bad();
    const char quote = data[i++];
    const size_t close = data.find(quote, i);
    if (close == std::string_view::npos) bad();
    const std::string value(data.substr(i, close - i));
    i = close + 1;
    if (name == "version" && d.version.empty() && d.encoding.empty() && d.standalone.empty()) {
      d.version = value;
    } else if (name == "encoding" && !d.version.empty() && d.encoding.empty() &&
               d.standalone.empty()) {
      d.encoding = value;
    } else if (name == "standalone" && !d.version.empty() && d.standalone.empty() &&
               (value == "yes" || value == "no")) {
      d.standalone = value;
    } else {
      bad();
    }
  }
  if (d.version.empty()) bad();
  return d;
}

bool IsDeclaration(const xmlNode* n) {
  return n && n->type == XML_PI_NODE && xmlStrcmp(n->name, BAD_CAST kDeclarationTarget) == 0;
}

// The name a DOM gives a node.
std::string NameOf(const xmlNode* n) {
  switch (n->type) {
    case XML_ELEMENT_NODE:
      if (n->ns && n->ns->prefix) return std::string(Chars(n->ns->prefix)) + ":" + Chars(n->name);
      return Chars(n->name);
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
      return Chars(n->name);
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
      return "#document";
    default:
      return "#node";
  }
}

std::string QualifiedName(const xmlAttr* a) {
  if (a->ns && a->ns->prefix) return std::string(Chars(a->ns->prefix)) + ":" + Chars(a->name);
  return Chars(a->name);
}

// Whether `name` is a namespace declaration ("xmlns" or "xmlns:p"); `prefix`
// gets the prefix it declares ("" for the default namespace).
bool DeclaredPrefix(std::string_view name, std::string& prefix) {
  if (name == "xmlns") {
    prefix.clear();
    return true;
  }
  if (name.substr(0, 6) == "xmlns:") {
    prefix = std::string(name.substr(6));
    return true;
  }
  return false;
}

xmlNsPtr FindDeclaration(xmlNodePtr element, const std::string& prefix) {
  for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
    if (prefix.empty() ? ns->prefix == nullptr
                       : ns->prefix && xmlStrcmp(ns->prefix, XmlChars(prefix)) == 0)
      return ns;
  }
  return nullptr;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, std::string_view name) {
  for (xmlAttrPtr a = element->properties; a; a = a->next)
    if (QualifiedName(a) == name) return a;
  return nullptr;
}

xmlNodePtr ChildAt(xmlNodePtr parent, int index) {
  if (index < 0) return nullptr;
  xmlNodePtr n = parent->children;
  for (; n && index > 0; --index) n = n->next;
  return n;
}

int CountChildren(xmlNodePtr parent) {
  int count = 0;
  for (xmlNodePtr n = parent->children; n; n = n->next) ++count;
  return count;
}

// Links `child` (unlinked) as the last child of `parent`. Done by hand:
// xmlAddChild merges adjacent text nodes and frees the one appended.
void LinkLast(xmlNodePtr parent, xmlNodePtr child) {
  child->parent = parent;
  child->next = nullptr;
  child->prev = parent->last;
  if (parent->last) {
    parent->last->next = child;
  } else {
    parent->children = child;
  }
  parent->last = child;
}

void LinkFirst(xmlNodePtr parent, xmlNodePtr child) {
  child->parent = parent;
  child->prev = nullptr;
  child->next = parent->children;
  if (parent->children) {
    parent->children->prev = child;
  } else {
    parent->last = child;
  }
  parent->children = child;
}

class DomNode : public IDomNode {
 public:
  DomNode(std::shared_ptr<DomTree> tree, xmlNodePtr node) : tree_(std::move(tree)), node_(node) {}

  std::string nodeName() const override { return NameOf(node_); }
  void setAttribute(std::string_view name, std::string_view value) override;
  std::string getAttribute(std::string_view name) const override;
  DomNodePtr appendChild(const DomNodePtr& child) override;
  DomNodePtr childNode(int index) const override;
  int childCount() const override { return CountChildren(node_); }

  const std::shared_ptr<DomTree>& tree() const { return tree_; }
  xmlNodePtr node() const { return node_; }

 private:
  xmlNodePtr Element(const char* operation) const {
    if (node_->type != XML_ELEMENT_NODE) Fail(std::string(operation) + " needs an element");
    return node_;
  }

  std::shared_ptr<DomTree> tree_;
  xmlNodePtr node_;
};

DomNodePtr Wrap(const std::shared_ptr<DomTree>& tree, xmlNodePtr node) {
  return node ? std::make_shared<DomNode>(tree, node) : nullptr;
}

// Appends `child_ptr` to `parent` of `tree` under the DOM's rules; answers it.
DomNodePtr Append(const std::shared_ptr<DomTree>& tree, xmlNodePtr parent,
                  const DomNodePtr& child_ptr) {
  if (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)
    Fail("appendChild needs an element or the document");
  const auto* child_node = dynamic_cast<const DomNode*>(child_ptr.get());
  if (!child_node) Fail("appendChild needs a node of this document");
  if (child_node->tree() != tree) Fail("appendChild needs a node of this document");
  xmlNodePtr child = child_node->node();
  for (xmlNodePtr p = parent; p; p = p->parent)
    if (p == child) Fail("a node cannot be appended inside itself");

  if (parent->type == XML_DOCUMENT_NODE) {
    if (child->type != XML_ELEMENT_NODE && child->type != XML_PI_NODE &&
        child->type != XML_COMMENT_NODE)
      Fail("only elements, processing instructions and comments belong to a document");
    if (child->type == XML_ELEMENT_NODE) {
      xmlNodePtr root = xmlDocGetRootElement(tree->doc);
      if (root && root != child) Fail("a document has only one root element");
    }
    if (IsDeclaration(child) && parent->children && parent->children != child)
      Fail("the XML declaration must be the first node of the document");
  } else if (IsDeclaration(child)) {
    Fail("the XML declaration must be the first node of the document");
  }

  if (child->parent) xmlUnlinkNode(child);
  if (child->type == XML_ELEMENT_NODE && !child->ns && parent->type == XML_ELEMENT_NODE) {
    // Keep an element of no namespace out of an inherited default namespace.
    xmlNsPtr inherited = xmlSearchNs(tree->doc, parent, nullptr);
    if (inherited && inherited->href && inherited->href[0] && !FindDeclaration(child, ""))
      xmlNewNs(child, BAD_CAST "", nullptr);
  }
  LinkLast(parent, child);
  return child_ptr;
}

void DomNode::setAttribute(std::string_view name, std::string_view value) {
  xmlNodePtr element = Element("setAttribute");
  const std::string qname = CheckedQName(name, "attribute");
  CheckText(value, "an attribute value");
  const std::string text(value);
  std::string prefix;
  if (DeclaredPrefix(qname, prefix)) {
    if (prefix == "xml" || prefix == "xmlns") Fail("the prefix " + prefix + " cannot be declared");
    if (!prefix.empty() && text.empty()) Fail("the prefix " + prefix + " needs a namespace name");
    if (xmlNsPtr ns = FindDeclaration(element, prefix)) {
      xmlFree(const_cast<xmlChar*>(ns->href));
      ns->href = xmlStrdup(XmlChars(text));
    } else if (!xmlNewNs(element, XmlChars(text), prefix.empty() ? nullptr : XmlChars(prefix))) {
      Fail("the namespace declaration " + qname + " cannot be made");
    }
    return;
  }
  // xmlSetNsProp and xmlNewProp store the value as text, never reading
  // entities in it.
  if (xmlAttrPtr existing = FindAttribute(element, qname)) {
    if (!xmlSetNsProp(element, existing->ns, existing->name, XmlChars(text)))
      throw std::bad_alloc();
    return;
  }
  const size_t colon = qname.find(':');
  xmlNsPtr ns = nullptr;
  if (colon != std::string::npos) {
    // A prefix declared where the element stands binds the attribute to its
    // namespace; otherwise the name is kept as written.
    const std::string attr_prefix = qname.substr(0, colon);
    ns = xmlSearchNs(tree_->doc, element, XmlChars(attr_prefix));
  }
  const xmlAttrPtr made =
      ns ? xmlNewNsProp(element, ns, XmlChars(qname.substr(colon + 1)), XmlChars(text))
         : xmlNewProp(element, XmlChars(qname), XmlChars(text));
  if (!made) throw std::bad_alloc();
}

std::string DomNode::getAttribute(std::string_view name) const {
  xmlNodePtr element = Element("getAttribute");
  std::string prefix;
  if (DeclaredPrefix(name, prefix)) {
    xmlNsPtr ns = FindDeclaration(element, prefix);
    return ns && ns->href ? Chars(ns->href) : "";
  }
  xmlAttrPtr a = FindAttribute(element, name);
  if (!a) return "";
  xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
  std::string text = value ? Chars(value) : "";
  xmlFree(value);
  return text;
}

DomNodePtr DomNode::appendChild(const DomNodePtr& child) { return Append(tree_, node_, child); }

DomNodePtr DomNode::childNode(int index) const { return Wrap(tree_, ChildAt(node_, index)); }

// The file's bytes; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  bytes = text.str();
  return true;
}

// Parses `bytes` as the DOM loads a file; null when they are not accepted.
xmlDocPtr ParseDocument(const std::string& bytes) {
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  if (!CheckMarkupBounds(bytes, {kMaxAttributesPerElement, SIZE_MAX, kMaxNamespacesInScope})
           .empty())
    return nullptr;
  ErrorCapture errors;  // silences libxml2's printing
  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (!parser) throw std::bad_alloc();
  xmlDocPtr doc = xmlCtxtReadMemory(parser, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                    nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
  const bool well_formed = doc && parser->wellFormed && parser->nsWellFormed;
  xmlFreeParserCtxt(parser);
  if (doc && (!well_formed || doc->intSubset || doc->extSubset || !xmlDocGetRootElement(doc))) {
    xmlFreeDoc(doc);
    return nullptr;
  }
  return doc;
}

// Puts the XML declaration the file started with into the tree as its first
// child, as the DOM shows it; the tree itself then no longer names an
// encoding, so only that child decides how the document is saved.
void ShowDeclaration(DomTree& tree) {
  xmlDocPtr doc = tree.doc;
  if (doc->standalone != -1) {  // -1: the text had no declaration
    std::string data =
        "version=\"" + std::string(doc->version ? Chars(doc->version) : "1.0") + "\"";
    if (doc->encoding) data += " encoding=\"" + std::string(Chars(doc->encoding)) + "\"";
    if (doc->standalone == 1) data += " standalone=\"yes\"";
    if (doc->standalone == 0) data += " standalone=\"no\"";
    xmlNodePtr pi = xmlNewDocPI(doc, BAD_CAST kDeclarationTarget, XmlChars(data));
    if (!pi) throw std::bad_alloc();
    LinkFirst(tree.root(), pi);
  }
  xmlFree(const_cast<xmlChar*>(doc->encoding));
  doc->encoding = nullptr;
  doc->standalone = -1;
}

// The bytes of the document as Save writes them; raises 5 for an encoding
// that cannot be written.
std::string Serialise(DomTree& tree) {
  xmlDocPtr doc = tree.doc;
  xmlNodePtr declaration = IsDeclaration(doc->children) ? doc->children : nullptr;
  Declaration d;
  if (declaration) {
    xmlChar* content = xmlNodeGetContent(declaration);
    const std::string data = content ? Chars(content) : "";
    xmlFree(content);
    d = ReadDeclaration(data);
  }
  xmlFree(const_cast<xmlChar*>(doc->version));
  doc->version = xmlStrdup(XmlChars(declaration ? d.version : std::string("1.0")));
  doc->standalone = d.standalone == "yes" ? 1 : d.standalone == "no" ? 0 : -1;

  ErrorCapture errors;
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) throw std::bad_alloc();
  // Without a declaration the text is UTF-8; with one that names no
  // encoding, libxml2 writes ASCII with character references (UTF-8 too)
  // and a declaration that names none, as the tree's does.
  const int options = XML_SAVE_AS_XML | (declaration ? 0 : XML_SAVE_NO_DECL);
  const char* encoding = !d.encoding.empty() ? d.encoding.c_str() : declaration ? nullptr : "UTF-8";
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, encoding, options);
  if (!save) {
    xmlBufferFree(buffer);
    Fail("the document cannot be written in the encoding \"" + d.encoding + "\"");
  }
  // libxml2 writes the declaration itself; the node standing for it is
  // taken out for the write and put back.
  if (declaration) xmlUnlinkNode(declaration);
  const long written = xmlSaveDoc(save, doc);
  const int closed = xmlSaveClose(save);
  if (declaration) LinkFirst(tree.root(), declaration);
  std::string bytes(Chars(xmlBufferContent(buffer)), static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  if (written < 0 || closed < 0)
    Fail("the document cannot be written" + (errors.empty() ? "" : ": " + errors.Text()));
  return bytes;
}

}  // namespace

DomDocument::DomDocument() : tree_(NewTree()) {}
DomDocument::~DomDocument() = default;

std::string DomDocument::nodeName() const { return "#document"; }

void DomDocument::setAttribute(std::string_view, std::string_view) {
  Fail("setAttribute needs an element");
}

std::string DomDocument::getAttribute(std::string_view) const {
  Fail("getAttribute needs an element");
}

DomNodePtr DomDocument::appendChild(const DomNodePtr& child) {
  return Append(tree_, tree_->root(), child);
}

DomNodePtr DomDocument::childNode(int index) const {
  return Wrap(tree_, ChildAt(tree_->root(), index));
}

int DomDocument::childCount() const { return CountChildren(tree_->root()); }

DomNodePtr DomDocument::createProcessingInstruction(std::string_view target,
                                                    std::string_view data) {
  const std::string name(target);
  if (name.empty() || name.find('\0') != std::string::npos ||
      xmlValidateNCName(XmlChars(name), 0) != 0)
    Fail("\"" + name + "\" is not a valid processing instruction target");
  CheckText(data, "processing instruction data");
  if (data.find("?>") != std::string_view::npos) Fail("processing instruction data holds \"?>\"");
  if (name == kDeclarationTarget) {
    ReadDeclaration(data);
  } else if (name.size() == 3 && (name[0] | 0x20) == 'x' && (name[1] | 0x20) == 'm' &&
             (name[2] | 0x20) == 'l') {
    Fail("\"" + name + "\" is a reserved processing instruction target");
  }
  const std::string text(data);
  xmlNodePtr pi = xmlNewDocPI(tree_->doc, XmlChars(name), XmlChars(text));
  if (!pi) throw std::bad_alloc();
  tree_->created.push_back(pi);
  return Wrap(tree_, pi);
}

DomNodePtr DomDocument::createNode(int type, std::string_view name,
                                   std::string_view namespace_uri) {
  if (type != kDomElementNode) Fail("createNode makes elements only (type 1)");
  const std::string qname = CheckedQName(name, "element");
  CheckText(namespace_uri, "a namespace name");
  const size_t colon = qname.find(':');
  const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
  const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
  if (!prefix.empty() && namespace_uri.empty())
    Fail("the element " + qname + " has a prefix and no namespace");
  if (prefix == "xmlns") Fail("the element " + qname + " uses the reserved prefix xmlns");
  xmlNodePtr element = xmlNewDocNode(tree_->doc, nullptr, XmlChars(local), nullptr);
  if (!element) throw std::bad_alloc();
  tree_->created.push_back(element);
  if (!namespace_uri.empty()) {
    const std::string uri(namespace_uri);
    xmlNsPtr ns = xmlNewNs(element, XmlChars(uri), prefix.empty() ? nullptr : XmlChars(prefix));
    if (!ns) Fail("the namespace of the element " + qname + " cannot be declared");
    xmlSetNs(element, ns);
  }
  return Wrap(tree_, element);
}

DomNodePtr DomDocument::createElement(std::string_view name) {
  return createNode(kDomElementNode, name, "");
}

bool DomDocument::Load(std::string_view path) {
  tree_ = NewTree();
  std::string bytes;
  if (!ReadFileBytes(std::string(path), bytes)) return false;
  xmlDocPtr doc = ParseDocument(bytes);
  if (!doc) return false;
  DocPtr owned(doc);
  tree_ = std::make_shared<DomTree>(doc);
  owned.release();
  ShowDeclaration(*tree_);
  return true;
}

void DomDocument::Save(std::string_view path) {
  platform::ReplaceFileAtomically(std::string(path), Serialise(*tree_));
}

}  // namespace corvane::xml

#include "platform/xml/xml_writer.h"

#include <libxml/xmlsave.h>

#include <cmath>

#include "platform/win/atomic_file.h"
#include "platform/xml/libxml_support.h"
#include "values/format.h"
#include "values/run_time_error.h"
#include "values/utf8.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane::xml {
namespace {

// A document that does not fit: the message is the writer's error text.
struct Unfit {
  std::string message;
};

// Where an element stands in the document ("SaleOrder[3]/Entry[2]/Item"),
// as a chain on the stack: the text is made only for an error message.
struct PathInDocument {
  const PathInDocument* parent;
  const std::string& name;
  int32_t position;  // from 1 in a list; 0 for an element that is no list item

  std::string Text() const {
    std::string text = parent ? parent->Text() + "/" + name : name;
    if (position > 0) text += "[" + std::to_string(position) + "]";
    return text;
  }
};

class TreeBuilder {
 public:
  TreeBuilder(xmlNsPtr ns) : ns_(ns) {}

  // About how long the document's text will be.
  size_t text_size() const { return text_size_; }

  void Complex(xmlNodePtr node, const ValueDictionary& record, const ElementModel& model,
               const PathInDocument& path) {
    int32_t known = 0;  // the record's keys that name a child element
    for (const auto& child : model.children) {
      const Variant* found = record.Find(child->name);
      if (!found) continue;
      ++known;
      const Variant& value = *found;
      if (value.IsNull() || value.IsEmpty()) continue;
      if (value.IsObject()) {
        if (value.IsNothing()) continue;
        if (auto list = std::dynamic_pointer_cast<ValueVector>(value.AsObject())) {
          if (!child->repeats && list->Count() > 1)
            throw Unfit{PathInDocument{&path, child->name, 0}.Text() + ": occurs once, but a list of " +
                        std::to_string(list->Count()) + " was given"};
          int32_t position = 0;
          for (const Variant& item : *list)
            One(node, item, *child, PathInDocument{&path, child->name, ++position});
          continue;
        }
      }
      One(node, value, *child, PathInDocument{&path, child->name, 0});
    }
    if (known == record.Count()) return;
    for (const auto& [key, value] : record.Entries())
      if (!model.Child(key))
        throw Unfit{path.Text() + ": \"" + key + "\" is not an element of " + model.name};
  }

 private:
  void One(xmlNodePtr parent, const Variant& value, const ElementModel& model,
           const PathInDocument& path) {
    if (model.complex) {
      std::shared_ptr<ValueDictionary> record;
      if (value.IsObject() && !value.IsNothing())
        record = std::dynamic_pointer_cast<ValueDictionary>(value.AsObject());
      if (!record)
        throw Unfit{path.Text() + ": needs child elements, but " + value.TypeName() + " was given"};
      xmlNodePtr node = xmlNewChild(parent, ns_, BAD_CAST model.name.c_str(), nullptr);
      text_size_ += 2 * model.name.size() + kPerElement;
      Complex(node, *record, model, path);
      return;
    }
    if (value.IsObject()) throw Unfit{path.Text() + ": holds text, but an object was given"};
    // Text goes into a text element as it is; everything else is formatted.
    const bool as_is = value.type() == VarType::String && model.leaf == LeafKind::Text;
    std::string formatted;
    if (!as_is) {
      try {
        formatted = LeafText(value, model.leaf);
      } catch (const RuntimeError& e) {
        throw Unfit{path.Text() + ": " + e.description()};
      }
    }
    const std::string& text = as_is ? value.AsString() : formatted;
    if (!IsXmlText(text)) throw Unfit{path.Text() + ": holds a character XML cannot carry"};
    xmlNewTextChild(parent, ns_, BAD_CAST model.name.c_str(), BAD_CAST text.c_str());
    text_size_ += 2 * model.name.size() + text.size() + kPerElement;
  }

  static constexpr size_t kPerElement = 16;  // markup and indentation
  xmlNsPtr ns_;
  size_t text_size_ = 64;
};

// The text of a document exactly as the XML library's formatted, UTF-8
// output gives it (xmlDocDumpFormatMemoryEnc), written here in one pass over
// the tree: the declaration, an element holding only text on one line, an
// element without content as <name/>, two blanks of indentation per level
// between elements, and &, <, > and carriage returns escaped in text. A tree
// with anything else (attributes, comments, mixed content) is left to the
// library.
void AppendEscaped(std::string& out, const xmlChar* text, bool attribute) {
  for (const xmlChar* p = text; *p; ++p) {
    switch (*p) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '\r': out += "&#13;"; break;
      case '"':
        if (attribute) {
          out += "&quot;";
          break;
        }
        [[fallthrough]];
      default: out += static_cast<char>(*p);
    }
  }
}

void AppendName(std::string& out, xmlNodePtr node) {
  if (node->ns && node->ns->prefix) {
    out += reinterpret_cast<const char*>(node->ns->prefix);
    out += ':';
  }
  out += reinterpret_cast<const char*>(node->name);
}

// Whether the subtree holds only elements, namespace declarations and text.
bool IsPlainTree(xmlNodePtr node) {
  if (node->type == XML_TEXT_NODE) return xmlStrEqual(node->name, BAD_CAST "text");
  if (node->type != XML_ELEMENT_NODE || node->properties) return false;
  bool text = false, element = false;
  for (xmlNodePtr c = node->children; c; c = c->next) {
    if (!IsPlainTree(c)) return false;
    (c->type == XML_TEXT_NODE ? text : element) = true;
  }
  return !(text && element);
}

// "<name" and the element's namespace declarations.
void AppendStartTag(std::string& out, xmlNodePtr node) {
  out += '<';
  AppendName(out, node);
  for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next) {
    out += " xmlns";
    if (ns->prefix) {
      out += ':';
      out += reinterpret_cast<const char*>(ns->prefix);
    }
    out += "=\"";
    AppendEscaped(out, ns->href, true);
    out += '"';
  }
}

void AppendElement(std::string& out, xmlNodePtr node, size_t level) {
  AppendStartTag(out, node);
  if (!node->children) {
    out += "/>";
    return;
  }
  out += '>';
  if (node->children->type == XML_TEXT_NODE) {
    for (xmlNodePtr c = node->children; c; c = c->next)
      if (c->content) AppendEscaped(out, c->content, false);
  } else {
    for (xmlNodePtr c = node->children; c; c = c->next) {
      out += '\n';
      out.append(2 * (level + 1), ' ');
      AppendElement(out, c, level + 1);
    }
    out += '\n';
    out.append(2 * level, ' ');
  }
  out += "</";
  AppendName(out, node);
  out += '>';
}

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string Serialise(xmlDocPtr doc, size_t size_hint) {
  xmlNodePtr root = xmlDocGetRootElement(doc);
  if (root && !root->next && !root->prev && IsPlainTree(root)) {
    std::string text;
    text.reserve(size_hint);
    text += kDeclaration;
    AppendElement(text, root, 0);
    text += '\n';
    return text;
  }
  xmlChar* buffer = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
  std::string text(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size));
  xmlFree(buffer);
  return text;
}

}  // namespace

std::string LeafText(const Variant& value, LeafKind kind) {
  const VarType t = value.type();
  if (t == VarType::Bytes) throw RuntimeError(err::kTypeMismatch, {}, "binary values cannot be written");
  switch (kind) {
    case LeafKind::Text:
      // A number in a text element is written without exponent, so that an
      // import reading it back as a plain decimal number accepts it.
      return t == VarType::Double ? PlainNumberText(value.AsDouble()) : CStr(value);
    case LeafKind::Integer:
    case LeafKind::Decimal:
    case LeafKind::Double: {
      if (t == VarType::String && !IsNumeric(value))
        throw RuntimeError(err::kTypeMismatch, {}, "\"" + value.AsString() + "\" is not a number");
      if (t == VarType::Date) throw RuntimeError(err::kTypeMismatch, {}, "a date is not a number");
      const double d = CDbl(value);
      if (kind == LeafKind::Integer) {
        if (d != std::trunc(d))
          throw RuntimeError(err::kTypeMismatch, {}, NumberToText(d) + " is not a whole number");
        return PlainNumberText(d);
      }
      return kind == LeafKind::Decimal ? PlainNumberText(d) : NumberToText(d);
    }
    case LeafKind::Boolean:
      return CBool(value) ? "true" : "false";
    case LeafKind::Date:
      return t == VarType::Date ? FormatDate(value.AsDate(), "yyyy-mm-dd") : CStr(value);
    case LeafKind::DateTime:
      return t == VarType::Date ? FormatDate(value.AsDate(), "yyyy-mm-dd") + "T" +
                                      FormatDate(value.AsDate(), "hh:nn:ss")
                                : CStr(value);
  }
  return CStr(value);
}

bool XmlWriter::OutputXMLString(const Variant& document, std::string& xml,
                                std::string_view schema_path, std::string_view root_name,
                                std::string& error_text, std::string_view record_name) {
  xml.clear();
  error_text.clear();
  try {
    const std::string path =
        schema_path.empty() ? InstalledSchemaPath(root_name) : std::string(schema_path);
    const CompiledSchema& schema = SchemaFor(path, root_name);
    const ElementModel& record_model = schema.model.record();
    if (!record_name.empty() && !EqualsIgnoreCase(record_name, record_model.name) &&
        !EqualsIgnoreCase(record_name, root_name))
      throw Unfit{"the schema's records are " + record_model.name + ", not " + std::string(record_name)};
    std::shared_ptr<ValueVector> records;
    if (document.IsObject() && !document.IsNothing())
      records = std::dynamic_pointer_cast<ValueVector>(document.AsObject());
    if (!records) throw Unfit{"the document is not a list of records"};

    ErrorCapture errors;
    errors.set_place(ErrorCapture::Place::ElementPath);
    DocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    xmlNodePtr root = xmlNewNode(nullptr, BAD_CAST schema.model.root->name.c_str());
    xmlNsPtr ns = schema.model.target_namespace.empty()
                      ? nullptr
                      : xmlNewNs(root, BAD_CAST schema.model.target_namespace.c_str(), nullptr);
    xmlSetNs(root, ns);
    xmlDocSetRootElement(doc.get(), root);
    errors.set_namespace(schema.model.target_namespace);
    TreeBuilder builder(ns);
    // When the root holds nothing but any number of records (none to
    // unbounded), each record is built, validated and written on its own, so
    // the tree of one record is in memory at a time instead of the whole
    // page's; a record is then valid alone exactly when it is valid among
    // the others.
    const bool record_by_record = schema.model.root->children.size() == 1 &&
                                  record_model.unbounded && record_model.optional &&
                                  records->Count() > 0;
    std::string text;
    if (record_by_record) {
      text += kDeclaration;
      AppendStartTag(text, root);
      text += '>';
    }
    int32_t position = 0;
    for (const Variant& item : *records) {
      const PathInDocument path{nullptr, record_model.name, ++position};
      std::shared_ptr<ValueDictionary> record;
      if (item.IsObject() && !item.IsNothing())
        record = std::dynamic_pointer_cast<ValueDictionary>(item.AsObject());
      if (!record)
        throw Unfit{path.Text() + ": a record must be a dictionary, not " + item.TypeName()};
      xmlNodePtr node = xmlNewChild(root, ns, BAD_CAST record_model.name.c_str(), nullptr);
      builder.Complex(node, *record, record_model, path);
      if (!record_by_record) continue;
      errors.set_records_before(position - 1);
      if (!Validate(schema, doc.get(), errors)) throw Unfit{errors.Text()};
      const size_t before = text.size();
      text += "\n  ";
      AppendElement(text, node, 1);
      // The records of a page are much alike: room for all, from the first.
      if (position == 1) text.reserve(before + (text.size() - before) * (records->Count() + 1));
      xmlUnlinkNode(node);
      xmlFreeNode(node);
    }
    if (record_by_record) {
      text += "\n</";
      AppendName(text, root);
      text += ">\n";
      xml = std::move(text);
      return true;
    }
    if (!Validate(schema, doc.get(), errors)) throw Unfit{errors.Text()};
    xml = Serialise(doc.get(), builder.text_size());
    return true;
  } catch (const Unfit& u) {
    error_text = u.message;
  } catch (const RuntimeError& e) {
    error_text = e.description();
  } catch (const std::exception& e) {
    error_text = e.what();
  }
  xml.clear();
  if (error_text.empty()) error_text = "the document cannot be written";
  return false;
}

bool XmlWriter::OutputXML(const Variant& document, std::string_view file_path,
                          std::string_view schema_path, std::string_view root_name,
                          std::string& error_text, std::string_view record_name) {
  std::string xml;
  if (!OutputXMLString(document, xml, schema_path, root_name, error_text, record_name)) return false;
  try {
    platform::ReplaceFileAtomically(std::string(file_path), xml);
  } catch (const RuntimeError& e) {
    error_text = e.description();
    return false;
  }
  return true;
}

}  // namespace corvane::xml

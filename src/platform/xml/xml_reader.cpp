#include "platform/xml/xml_reader.h"

#include <libxml/parser.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "platform/xml/libxml_support.h"
#include "platform/xml/markup_bounds.h"
#include "values/run_time_error.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane::xml {
namespace {

struct Refused {
  std::string message;
};

std::string TextOf(xmlNode* node) {
  // An element holding one piece of text, nearly every leaf, is read as it
  // stands; anything else is put together by the library.
  const xmlNode* only = node->children;
  if (only && !only->next && only->type == XML_TEXT_NODE)
    return only->content ? reinterpret_cast<const char*>(only->content) : "";
  if (!only) return {};
  xmlChar* content = xmlNodeGetContent(node);
  std::string s = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return s;
}

std::string Where(xmlNode* node) { return "line " + std::to_string(xmlGetLineNo(node)); }

Variant LeafValue(xmlNode* node, LeafKind kind) {
  std::string text = TextOf(node);
  auto trimmed = [&] {
    const size_t b = text.find_first_not_of(" \t\r\n");
    const size_t e = text.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
  };
  try {
    switch (kind) {
      case LeafKind::Integer: {
        const double d = CDbl(Variant(trimmed()));
        if (d >= INT32_MIN && d <= INT32_MAX) return Variant(static_cast<int32_t>(d));
        return Variant(d);
      }
      case LeafKind::Decimal:
      case LeafKind::Double:
        return Variant(CDbl(Variant(trimmed())));
      case LeafKind::Boolean: {
        const std::string t = trimmed();
        return Variant(t == "true" || t == "1");
      }
      default:
        return Variant(std::move(text));
    }
  } catch (const RuntimeError&) {
    // Text the schema accepted but the number conversion cannot read (INF,
    // NaN) stays text.
    return Variant(text);
  }
}

ValueDictionaryPtr Record(xmlNode* element, const ElementModel& model) {
  auto record = ValueDictionary::Create();
  for (const auto& child : model.children)
    if (child->repeats) record->SetValue(child->name, Variant(ValueVector::Create()));
  for (xmlNode* n = element->children; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    const ElementModel* child = model.Child(reinterpret_cast<const char*>(n->name));
    if (!child) throw Refused{Where(n) + ": unexpected element " +
                              reinterpret_cast<const char*>(n->name)};
    Variant value = child->complex ? Variant(Record(n, *child)) : LeafValue(n, child->leaf);
    if (child->repeats) {
      record->Value(child->name).ObjectAs<ValueVector>()->Add(std::move(value));
    } else {
      record->SetValue(child->name, std::move(value));
    }
  }
  return record;
}

}  // namespace

bool XmlReader::InputXMLString(Variant& document, std::string_view xml,
                               std::string_view schema_path, std::string_view root_name,
                               std::string& error_text) {
  error_text.clear();
  try {
    if (xml.size() > kMaxXmlBytes)
      throw Refused{"the XML text is larger than " + std::to_string(kMaxXmlBytes >> 20) + " MiB"};
    if (std::string bounds =
            CheckMarkupBounds(xml, {kMaxAttributesPerElement, kMaxElements, kMaxNamespacesInScope});
        !bounds.empty())
      throw Refused{std::move(bounds)};
    const std::string path =
        schema_path.empty() ? InstalledSchemaPath(root_name) : std::string(schema_path);
    const CompiledSchema& schema = SchemaFor(path, root_name);

    ErrorCapture errors;
    errors.set_namespace(schema.model.target_namespace);
    bool valid = false;
    // Each record becomes a dictionary as soon as it is read, and its tree is
    // freed: the document's tree is never whole in memory.
    auto records = ValueVector::Create();
    const ElementModel& record_model = schema.model.record();
    std::string refused;  // the first record that could not be taken
    const std::function<void(xmlNode*)> take = [&](xmlNode* n) {
      if (!refused.empty() || n->type != XML_ELEMENT_NODE) return;
      try {
        records->Add(Variant(Record(n, record_model)));
      } catch (const Refused& r) {
        refused = r.message;
      } catch (const std::exception& e) {
        refused = e.what();
      }
    };
    DocPtr doc = ParseValidating(schema, xml, errors, valid, take);
    if (!doc) throw Refused{errors.empty() ? "the XML text cannot be read" : errors.Text()};
    if (doc->intSubset || doc->extSubset)
      throw Refused{"a document type declaration is not accepted (no DTDs or entities)"};
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string ns = root && root->ns ? reinterpret_cast<const char*>(root->ns->href) : "";
    if (!root || xmlStrcmp(root->name, BAD_CAST std::string(root_name).c_str()) != 0 ||
        ns != schema.model.target_namespace)
      throw Refused{"line " + std::to_string(root ? xmlGetLineNo(root) : 1) +
                    ": the root element must be " + std::string(root_name) + " in namespace \"" +
                    schema.model.target_namespace + "\", not " +
                    (root ? reinterpret_cast<const char*>(root->name) : "nothing") +
                    (ns.empty() ? "" : " in \"" + ns + "\"")};
    if (!valid)
      throw Refused{errors.empty() ? "the document does not fit the schema" : errors.Text()};
    if (!refused.empty()) throw Refused{refused};
    document = Variant(records);
    return true;
  } catch (const Refused& r) {
    error_text = r.message;
  } catch (const RuntimeError& e) {
    error_text = e.description();
  } catch (const std::exception& e) {
    error_text = e.what();
  }
  if (error_text.empty()) error_text = "the XML text cannot be read";
  return false;
}

bool XmlReader::InputXML(Variant& document, std::string_view file_path,
                         std::string_view schema_path, std::string_view root_name,
                         std::string& error_text) {
  error_text.clear();
  const std::string path(file_path);
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error_text = "the file " + path + " cannot be read: " + ec.message();
    return false;
  }
  if (size > kMaxXmlBytes) {
    error_text = "the file " + path + " is larger than " + std::to_string(kMaxXmlBytes >> 20) + " MiB";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) {
    error_text = "the file " + path + " cannot be read";
    return false;
  }
  return InputXMLString(document, text.str(), schema_path, root_name, error_text);
}

}  // namespace corvane::xml

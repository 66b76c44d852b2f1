#include "platform/xml/schema_model.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane::xml {
namespace {

constexpr const char* kXsd = "http://www.w3.org/2001/XMLSchema";
constexpr const char* kSource = "XMLQNV2";

[[noreturn]] void Bad(const std::string& path, const std::string& why) {
  throw RuntimeError(err::kInvalidCall, kSource, "schema " + path + ": " + why);
}

std::string Attr(xmlNode* node, const char* name) {
  xmlChar* v = xmlGetProp(node, BAD_CAST name);
  if (!v) return {};
  std::string s(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return s;
}

bool IsXsd(xmlNode* node, const char* local) {
  return node->type == XML_ELEMENT_NODE && node->ns &&
         xmlStrcmp(node->ns->href, BAD_CAST kXsd) == 0 && xmlStrcmp(node->name, BAD_CAST local) == 0;
}

std::string LocalName(const std::string& qname) {
  const size_t colon = qname.find(':');
  return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

std::optional<LeafKind> BuiltIn(const std::string& local) {
  static const std::map<std::string, LeafKind> kTypes = {
      {"string", LeafKind::Text},          {"normalizedString", LeafKind::Text},
      {"token", LeafKind::Text},           {"anyURI", LeafKind::Text},
      {"int", LeafKind::Integer},          {"integer", LeafKind::Integer},
      {"long", LeafKind::Integer},         {"short", LeafKind::Integer},
      {"byte", LeafKind::Integer},         {"nonNegativeInteger", LeafKind::Integer},
      {"positiveInteger", LeafKind::Integer}, {"negativeInteger", LeafKind::Integer},
      {"nonPositiveInteger", LeafKind::Integer}, {"unsignedInt", LeafKind::Integer},
      {"unsignedShort", LeafKind::Integer}, {"unsignedLong", LeafKind::Integer},
      {"unsignedByte", LeafKind::Integer}, {"decimal", LeafKind::Decimal},
      {"double", LeafKind::Double},        {"float", LeafKind::Double},
      {"boolean", LeafKind::Boolean},      {"date", LeafKind::Date},
      {"dateTime", LeafKind::DateTime}};
  auto it = kTypes.find(local);
  if (it == kTypes.end()) return std::nullopt;
  return it->second;
}

// The declarations of one schema file and the files it includes.
class Loader {
 public:
  explicit Loader(std::string path) : path_(std::move(path)) {}
  ~Loader() {
    for (xmlDoc* d : docs_) xmlFreeDoc(d);
  }

  void Load(const std::string& path) {
    const std::string canonical = std::filesystem::weakly_canonical(path).string();
    if (!loaded_.insert(canonical).second) return;
    xmlDoc* doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    if (!doc) Bad(path, "cannot be read as XML");
    docs_.push_back(doc);
    xmlNode* schema = xmlDocGetRootElement(doc);
    if (!schema || !IsXsd(schema, "schema")) Bad(path, "is not an XML schema");
    const std::string ns = Attr(schema, "targetNamespace");
    if (target_namespace_.empty()) {
      target_namespace_ = ns;
    } else if (ns != target_namespace_) {
      Bad(path, "includes a schema of another namespace");
    }
    if (Attr(schema, "elementFormDefault") != "qualified")
      Bad(path, "must declare elementFormDefault=\"qualified\"");
    for (xmlNode* n = schema->children; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE) continue;
      const std::string name = Attr(n, "name");
      if (IsXsd(n, "include")) {
        const std::string location = Attr(n, "schemaLocation");
        Load((std::filesystem::path(path).parent_path() / location).string());
      } else if (IsXsd(n, "element")) {
        elements_[name] = n;
      } else if (IsXsd(n, "complexType")) {
        complex_types_[name] = n;
      } else if (IsXsd(n, "simpleType")) {
        simple_types_[name] = n;
      } else if (!IsXsd(n, "annotation")) {
        Bad(path, std::string("uses <") + reinterpret_cast<const char*>(n->name) +
                      ">, which documents of this component do not use");
      }
    }
  }

  std::shared_ptr<ElementModel> Element(xmlNode* decl, int depth) {
    if (depth > 32) Bad(path_, "nests deeper than 32 elements");
    auto m = std::make_shared<ElementModel>();
    m->name = Attr(decl, "name");
    if (m->name.empty()) Bad(path_, "has an element without a name (ref= is not used here)");
    const std::string min = Attr(decl, "minOccurs");
    const std::string max = Attr(decl, "maxOccurs");
    m->optional = min == "0";
    m->unbounded = max == "unbounded";
    m->repeats = m->unbounded || (!max.empty() && max != "0" && max != "1");
    const std::string type = Attr(decl, "type");
    xmlNode* inline_complex = nullptr;
    for (xmlNode* c = decl->children; c; c = c->next) {
      if (IsXsd(c, "complexType")) {
        inline_complex = c;
      } else if (IsXsd(c, "simpleType")) {
        m->leaf = SimpleKind(c);
      } else if (c->type == XML_ELEMENT_NODE && !IsXsd(c, "annotation")) {
        Bad(path_, "element " + m->name + " holds an unexpected <" +
                       reinterpret_cast<const char*>(c->name) + ">");
      }
    }
    if (inline_complex) {
      Complex(*m, inline_complex, depth);
    } else if (!type.empty()) {
      const std::string local = LocalName(type);
      if (auto kind = BuiltIn(local); kind && type.find(':') != std::string::npos) {
        m->leaf = *kind;
      } else if (auto ct = complex_types_.find(local); ct != complex_types_.end()) {
        Complex(*m, ct->second, depth);
      } else if (auto st = simple_types_.find(local); st != simple_types_.end()) {
        m->leaf = SimpleKind(st->second);
      } else {
        Bad(path_, "element " + m->name + " has the unknown type " + type);
      }
    }
    return m;
  }

  const std::string& target_namespace() const { return target_namespace_; }
  xmlNode* TopElement(const std::string& name) const {
    auto it = elements_.find(name);
    return it == elements_.end() ? nullptr : it->second;
  }

 private:
  LeafKind SimpleKind(xmlNode* simple, int depth = 0) {
    if (depth > 32) Bad(path_, "a simple type restricts itself, directly or through others");
    for (xmlNode* c = simple->children; c; c = c->next) {
      if (!IsXsd(c, "restriction")) continue;
      const std::string base = Attr(c, "base");
      const std::string local = LocalName(base);
      if (auto kind = BuiltIn(local); kind && base.find(':') != std::string::npos) return *kind;
      if (auto st = simple_types_.find(local); st != simple_types_.end())
        return SimpleKind(st->second, depth + 1);
      Bad(path_, "a simple type restricts the unknown type " + base);
    }
    Bad(path_, "a simple type is not a restriction");
  }

  void Complex(ElementModel& m, xmlNode* type, int depth) {
    m.complex = true;
    for (xmlNode* c = type->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE || IsXsd(c, "annotation")) continue;
      if (!IsXsd(c, "sequence"))
        Bad(path_, "the type of " + m.name + " uses <" + reinterpret_cast<const char*>(c->name) +
                       ">; only <sequence> is used here");
      for (xmlNode* e = c->children; e; e = e->next) {
        if (e->type != XML_ELEMENT_NODE || IsXsd(e, "annotation")) continue;
        if (!IsXsd(e, "element"))
          Bad(path_, "the sequence of " + m.name + " holds <" +
                         reinterpret_cast<const char*>(e->name) + ">");
        auto child = Element(e, depth + 1);
        for (const auto& existing : m.children)
          if (EqualsIgnoreCase(existing->name, child->name))
            Bad(path_, m.name + " declares " + child->name + " twice");
        m.children.push_back(std::move(child));
      }
    }
  }

  std::string path_;
  std::vector<xmlDoc*> docs_;
  std::set<std::string> loaded_;
  std::string target_namespace_;
  std::map<std::string, xmlNode*> elements_, complex_types_, simple_types_;
};

}  // namespace

const ElementModel* ElementModel::Child(std::string_view name) const {
  for (const auto& c : children)
    if (EqualsIgnoreCase(c->name, name)) return c.get();
  return nullptr;
}

SchemaModel ReadSchemaModel(const std::string& schema_path, std::string_view root_name) {
  Loader loader(schema_path);
  loader.Load(schema_path);
  xmlNode* root = loader.TopElement(std::string(root_name));
  if (!root) Bad(schema_path, "declares no root element " + std::string(root_name));
  SchemaModel model;
  model.target_namespace = loader.target_namespace();
  model.root = loader.Element(root, 0);
  if (!model.root->complex || model.root->children.size() != 1 ||
      !model.root->children.front()->complex)
    Bad(schema_path, "the root " + std::string(root_name) +
                         " must hold one kind of record element with child elements");
  return model;
}

}  // namespace corvane::xml

// SchemaModel: what the XML transfer component needs to know of a document
// schema to write and read document trees: the root element, its namespace,
// the element that wraps each record, and for every element its children in
// order, whether it repeats and the type of its text.
//
// It is read from the XSD files themselves (the file and the files it
// includes) and understands the subset the document schemas are written in:
// top-level and inline xs:element, named and anonymous xs:complexType with
// one xs:sequence, named xs:simpleType restricting a built-in type, and
// xs:include. Anything else raises a RuntimeError naming the construct, so a
// schema the writer would misread is refused rather than guessed at.
// Validation itself is libxml2's, against the full schema.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::xml {

// How the text of a leaf element is typed.
enum class LeafKind { Text, Integer, Decimal, Double, Boolean, Date, DateTime };

struct ElementModel {
  std::string name;
  bool repeats = false;      // maxOccurs > 1 or unbounded
  bool unbounded = false;    // maxOccurs unbounded
  bool optional = false;     // minOccurs = 0
  bool complex = false;      // has child elements
  LeafKind leaf = LeafKind::Text;
  std::vector<std::shared_ptr<ElementModel>> children;  // in schema order (complex only)

  // The child whose name matches without regard to case, or nullptr.
  const ElementModel* Child(std::string_view name) const;
};

struct SchemaModel {
  std::string target_namespace;
  std::shared_ptr<ElementModel> root;
  // The root's one child, the element that wraps each record.
  const ElementModel& record() const { return *root->children.front(); }
};

// Reads the model of the root element `root_name` from the schema file.
SchemaModel ReadSchemaModel(const std::string& schema_path, std::string_view root_name);

}  // namespace corvane::xml

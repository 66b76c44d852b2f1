#include "platform/xml/xml_reader.h"

#include <libxml/parser.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

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

Variant LeafValue(std::string text, LeafKind kind) {
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

// Builds the records of a document from its elements as they are read: a
// complex element becomes a dictionary keyed by the schema's element names
// (a repeating child a list, present even when empty), a leaf the value of
// its text typed by the schema. The first element the model does not know
// refuses the document; nothing after it is built.
class RecordBuilder final : public RecordEvents {
 public:
  RecordBuilder(const ElementModel& record_model, ValueVector& records)
      : record_model_(record_model), records_(records) {}

  const std::string& refused() const { return refused_; }

  void StartElement(std::string_view name, int line) override {
    if (!refused_.empty() || ignored_ > 0) {
      ++ignored_;
      return;
    }
    try {
      const ElementModel* model = &record_model_;
      if (!open_.empty()) {
        Open& parent = open_.back();
        model = parent.model->complex ? parent.model->Child(name) : nullptr;
        if (!model) {
          Refuse("line " + std::to_string(line) + ": unexpected element " + std::string(name));
          ++ignored_;  // its own end too
          return;
        }
      }
      Open element{model, nullptr, {}};
      if (model->complex) {
        element.record = ValueDictionary::Create();
        for (const auto& child : model->children)
          if (child->repeats) element.record->SetValue(child->name, Variant(ValueVector::Create()));
      }
      open_.push_back(std::move(element));
    } catch (const std::exception& e) {
      Refuse(e.what());
      ++ignored_;
    }
  }

  void Characters(std::string_view text) override {
    if (ignored_ == 0 && !open_.empty() && !open_.back().model->complex)
      open_.back().text.append(text);
  }

  void EndElement() override {
    if (ignored_ > 0) {
      --ignored_;
      return;
    }
    try {
      Open element = std::move(open_.back());
      open_.pop_back();
      if (element.record) element.record->ShrinkToFit();  // kept until the import ends
      Variant value = element.model->complex ? Variant(std::move(element.record))
                                             : LeafValue(std::move(element.text), element.model->leaf);
      if (open_.empty()) {
        records_.Add(std::move(value));
      } else if (element.model->repeats) {
        open_.back().record->Value(element.model->name).ObjectAs<ValueVector>()->Add(std::move(value));
      } else {
        open_.back().record->SetValue(element.model->name, std::move(value));
      }
    } catch (const std::exception& e) {
      Refuse(e.what());
    }
  }

 private:
  struct Open {
    const ElementModel* model;
    ValueDictionaryPtr record;  // complex elements
    std::string text;           // leaves
  };

  // Nothing more is built: the ends of the elements open are still to come.
  void Refuse(std::string why) {
    refused_ = why.empty() ? "a record cannot be read" : std::move(why);
    ignored_ = static_cast<int>(open_.size());
    open_.clear();
  }

  const ElementModel& record_model_;
  ValueVector& records_;
  std::vector<Open> open_;
  std::string refused_;
  int ignored_ = 0;  // elements open since the refusal
};

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
    // Each record becomes a dictionary as it is read: no tree of the records
    // is ever built.
    auto records = ValueVector::Create();
    RecordBuilder builder(schema.model.record(), *records);
    DocPtr doc = ParseValidating(schema, xml, errors, valid, &builder);
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
    if (!builder.refused().empty()) throw Refused{builder.refused()};
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

#include "frame/xml_bridge.h"

#include <filesystem>

#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/outside/xml_transfer.h"
#include "frame/schema_folder.h"

namespace corvane {

std::string ResolveSchemaPath(std::string_view schema_path) {
  std::error_code ec;
  if (!schema_path.empty() && std::filesystem::is_regular_file(std::string(schema_path), ec))
    return std::string(schema_path);
  return ModuleFolder() + FileNameOfPath(schema_path);
}

bool WriteXMLDocument(const ValueVectorPtr& document, std::string& xml, std::string_view schema_path,
                      std::string_view root_name, std::string& error_text) {
  xml.clear();
  error_text.clear();
  auto writer = CreateObjectAs<IXmlWriter>(kXmlWriterProgId);
  writer->OutputXMLString(Variant(document), xml, ResolveSchemaPath(schema_path), root_name,
                          error_text);
  if (!error_text.empty()) xml.clear();
  return error_text.empty();
}

bool ReadXMLDocument(ValueVectorPtr& document, const std::string& xml, std::string_view schema_path,
                     std::string_view root_name, std::string& error_text) {
  error_text.clear();
  auto reader = CreateObjectAs<IXmlReader>(kXmlReaderProgId);
  Variant tree = document ? Variant(document) : Variant::Nothing();
  reader->InputXMLString(tree, xml, ResolveSchemaPath(schema_path), root_name, error_text);
  if (!error_text.empty()) return false;
  // A reader that answers success must answer a list of records: Nothing is
  // error 91, anything else 13.
  document = tree.ObjectAs<ValueVector>();
  return true;
}

}  // namespace corvane

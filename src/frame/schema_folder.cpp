#include "frame/schema_folder.h"

#include "frame/module_state.h"

namespace corvane {

std::string EnsureTrailingSeparator(std::string_view path) {
  if (path.empty()) return {};
  if (path.back() == '/' || path.back() == '\\') return std::string(path);
  return std::string(path) + "/";
}

std::string FileNameOfPath(std::string_view path) {
  const size_t pos = path.find_last_of("/\\");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ReadSchemaFolder() {
  auto registry = ThisThreadValueUtility().Registry();
  const std::string installation =
      CStr(registry->ReadValue(kInstallationKey, "path", Variant(std::string())));
  return EnsureTrailingSeparator(installation) + "SCHEMA/";
}

std::string ThisThreadSchemaFolder() {
  ModuleState& s = ThisThreadState();
  if (s.schema_folder.empty()) s.schema_folder = ReadSchemaFolder();
  return s.schema_folder;
}

}  // namespace corvane

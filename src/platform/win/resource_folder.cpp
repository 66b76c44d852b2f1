#include "platform/win/resource_folder.h"

#include <cstdlib>
#include <filesystem>

#include "platform/win/module_folder.h"

#ifndef CORVANE_DATA_FROM_LIBRARY
#define CORVANE_DATA_FROM_LIBRARY "../share/corvane"
#endif

namespace corvane::platform {

std::string ResourceFolder() {
  if (const char* env = std::getenv(kResourcesEnvironment); env && *env) {
    std::string folder = env;
    if (folder.back() != '/') folder += '/';
    return folder;
  }
  const std::string module_folder = ComponentModuleFolder();
  const std::string beside = module_folder + "resources/";
  std::error_code ec;
  if (std::filesystem::is_directory(beside, ec)) return beside;
  const std::string installed =
      std::filesystem::path(module_folder + CORVANE_DATA_FROM_LIBRARY "/resources/")
          .lexically_normal()
          .string();
  if (std::filesystem::is_directory(installed, ec)) return installed;
  return beside;
}

}  // namespace corvane::platform

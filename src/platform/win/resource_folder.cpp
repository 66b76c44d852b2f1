#include "platform/win/resource_folder.h"

#include <cstdlib>

#include "platform/win/module_folder.h"

namespace corvane::platform {

std::string ResourceFolder() {
  if (const char* env = std::getenv(kResourcesEnvironment); env && *env) {
    std::string folder = env;
    if (folder.back() != '/') folder += '/';
    return folder;
  }
  return ComponentModuleFolder() + "resources/";
}

}  // namespace corvane::platform

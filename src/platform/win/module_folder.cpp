#include "platform/win/module_folder.h"

#include <dlfcn.h>

#include <filesystem>

namespace corvane::platform {

std::string ComponentModuleFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ComponentModuleFolder), &info) || !info.dli_fname)
    return {};
  std::error_code ec;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
  if (ec) file = info.dli_fname;
  std::string folder = file.parent_path().string();
  if (folder.empty()) return {};
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace corvane::platform

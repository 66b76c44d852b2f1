// The registry reader of the value library, on a registry file: the machine's
// configuration in INI form, one section per key path, for example
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\BRISQUEL\ZUWEBSERVICE]
//   path=/opt/corvane
//
// Lines starting with ";" or "#" are comments; a value may be put in double
// quotes. Key paths and value names match without regard to letter case. The
// file is the one named by the environment variable CORVANE_REGISTRY, else
// /etc/corvane/registry.ini; a missing file holds no values. The file is read
// on every ReadValue, so a changed file is seen at once.
#pragma once

#include <string>

#include "values/registry_reader.h"

namespace corvane::platform {

inline constexpr const char* kRegistryEnvironment = "CORVANE_REGISTRY";
inline constexpr const char* kDefaultRegistryFile = "/etc/corvane/registry.ini";

// The registry file in use now.
std::string RegistryFilePath();

class RegistryFile : public RegistryReader {
 public:
  // Reads from `path`; an empty path means RegistryFilePath() at each read.
  explicit RegistryFile(std::string path = {}) : path_(std::move(path)) {}

  // A file that exists but cannot be read raises 75 with its path.
  Variant ReadValue(std::string_view key_path, std::string_view value_name,
                    const Variant& fallback) override;

 private:
  std::string path_;
};

}  // namespace corvane::platform

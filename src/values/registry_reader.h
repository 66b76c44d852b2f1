// RegistryReader: reads one value of the machine's configuration registry.
// The value library hands one out through ValueUtility::Registry(); the host
// installs the implementation (see SetRegistryReaderProvider).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

class RegistryReader : public Object {
 public:
  // The value `value_name` under the full key path (root name included, e.g.
  // "HKEY_LOCAL_MACHINE\SOFTWARE\..."), or `fallback` when it is absent. Key
  // paths and value names match without regard to letter case.
  virtual Variant ReadValue(std::string_view key_path, std::string_view value_name,
                            const Variant& fallback) = 0;
};

using RegistryReaderProvider = std::function<std::shared_ptr<RegistryReader>()>;

// Installs the process-wide provider of registry readers. Called by the host
// at start-up, before any thread uses the component; tests may install a fake.
// Returns the provider it replaced.
RegistryReaderProvider SetRegistryReaderProvider(RegistryReaderProvider provider);

}  // namespace corvane

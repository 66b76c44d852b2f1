// What the benchmarks share: the build's library folder, with the schemas
// beside it, as the installation folder, and the platform registered.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform_components.h"
#include "support/temp_dir.h"

namespace corvane::bench {

// Writes a registry file naming the build's library folder into `dir`,
// points the component at it and registers the platform components.
inline void UseBuildInstallation(const testing::TempDir& dir) {
  const std::string registry = dir.File("registry.ini");
  std::FILE* f = std::fopen(registry.c_str(), "w");
  std::fprintf(f, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]\npath=%s\n",
               CORVANE_BENCH_LIBRARY_DIR);
  std::fclose(f);
  setenv("CORVANE_REGISTRY", registry.c_str(), 1);
  platform::RegisterPlatformComponents();
}

}  // namespace corvane::bench

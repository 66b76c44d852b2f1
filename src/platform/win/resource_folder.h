// The folder of the message translation files: the environment variable
// CORVANE_RESOURCES when set, else the "resources" folder beside the
// component's library. Always ends with "/".
#pragma once

#include <string>

namespace corvane::platform {

inline constexpr const char* kResourcesEnvironment = "CORVANE_RESOURCES";

std::string ResourceFolder();

}  // namespace corvane::platform

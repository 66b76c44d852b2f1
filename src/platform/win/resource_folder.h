// The folder of the message translation files: the environment variable
// CORVANE_RESOURCES when set, else the "resources" folder beside the
// component's library, else (an installed component, whose library sits in the
// library folder of an installation prefix) the "resources" folder of the
// installed data folder, CORVANE_DATA_FROM_LIBRARY relative to the library's
// folder. Always ends with "/".
#pragma once

#include <string>

namespace corvane::platform {

inline constexpr const char* kResourcesEnvironment = "CORVANE_RESOURCES";

std::string ResourceFolder();

}  // namespace corvane::platform

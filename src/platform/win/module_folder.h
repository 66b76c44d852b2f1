// The folder of the component's own shared library (or of the program it is
// linked into), with a trailing "/". "" when it cannot be found.
#pragma once

#include <string>

namespace corvane::platform {

std::string ComponentModuleFolder();

}  // namespace corvane::platform

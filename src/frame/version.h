// The version of the component.
#pragma once

namespace corvane {

const char* ComponentVersion();

}  // namespace corvane

#include "frame/version.h"

namespace corvane {

const char* ComponentVersion() { return CORVANE_VERSION; }

}  // namespace corvane

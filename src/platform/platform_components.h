// Registers our implementations of the outside components under the ProgIDs
// the component creates them by, installs the registry reader of the value
// library and the system services. Hosts call it once from main (and test
// fixtures from their set-up), before any thread uses the component; calling
// it again re-registers the same implementations.
#pragma once

namespace corvane::platform {

void RegisterPlatformComponents();

}  // namespace corvane::platform

// Services of the operating system that the component uses beside its outside
// components: the folder of the component's own library and letting the
// calling thread's pending window messages run. The host installs them at
// start-up (the platform layer's RegisterPlatformComponents does); without
// them the module folder is "" and letting messages run does nothing.
#pragma once

#include <functional>
#include <string>

namespace corvane {

struct SystemServices {
  // The folder that holds the component's own library, with a trailing "/".
  std::function<std::string()> module_folder;
  // Lets the calling thread's pending window messages run; the CLI uses it to
  // refresh its progress display and to notice Ctrl-C.
  std::function<void()> do_events;
};

// Installs the services process-wide; returns the ones it replaced.
SystemServices InstallSystemServices(SystemServices services);

std::string ModuleFolder();
void DoEvents();

}  // namespace corvane

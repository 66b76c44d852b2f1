#include "frame/outside/system_services.h"

#include <mutex>

namespace corvane {
namespace {

std::mutex& ServicesMutex() {
  static std::mutex m;
  return m;
}

SystemServices& Services() {
  static SystemServices s;
  return s;
}

}  // namespace

SystemServices InstallSystemServices(SystemServices services) {
  std::lock_guard lock(ServicesMutex());
  SystemServices old = std::move(Services());
  Services() = std::move(services);
  return old;
}

std::string ModuleFolder() {
  std::function<std::string()> f;
  {
    std::lock_guard lock(ServicesMutex());
    f = Services().module_folder;
  }
  return f ? f() : std::string();
}

void DoEvents() {
  std::function<void()> f;
  {
    std::lock_guard lock(ServicesMutex());
    f = Services().do_events;
  }
  if (f) f();
}

}  // namespace corvane

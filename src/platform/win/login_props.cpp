#include "platform/win/login_props.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "values/run_time_error.h"

namespace corvane::platform {
namespace {

struct Store {
  std::mutex mutex;
  bool initialised = false;
  std::optional<std::string> props;
};

Store& TheStore() {
  static Store s;
  return s;
}

void InitialiseLocked(Store& s) {
  if (s.initialised) return;
  s.initialised = true;
  if (const char* env = std::getenv(kLoginPropsEnvironment)) s.props = env;
}

// The calling thread's own login property string, while a ThreadLoginProps lives.
thread_local std::optional<std::string> thread_props;

}  // namespace

ThreadLoginProps::ThreadLoginProps(std::string props) : outer_(std::move(thread_props)) {
  thread_props = std::move(props);
}

ThreadLoginProps::~ThreadLoginProps() { thread_props = std::move(outer_); }

void SetLoginPropsString(std::optional<std::string> props) {
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  s.initialised = true;
  s.props = std::move(props);
}

Variant LoginProps::GetProperty(int32_t& process_id, std::string& name) {
  if (thread_props && process_id == static_cast<int32_t>(::getpid()) &&
      EqualsIgnoreCase(name, "PropsString"))
    return Variant(*thread_props);
  Store& s = TheStore();
  std::lock_guard lock(s.mutex);
  InitialiseLocked(s);
  if (process_id != static_cast<int32_t>(::getpid()) || !EqualsIgnoreCase(name, "PropsString") ||
      !s.props)
    throw RuntimeError(err::kInvalidCall, "PropsMgr.ShareProps",
                       "No property \"" + name + "\" for process " + std::to_string(process_id));
  return Variant(*s.props);
}

}  // namespace corvane::platform

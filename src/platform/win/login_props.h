// The stand-in of "PropsMgr.ShareProps": the login properties of this
// process. The host sets the login property string of its process
// (SetLoginPropsString); the environment variable CORVANE_LOGIN_PROPS gives
// the initial value ("LANGUAGE=ENG;" makes the component speak English).
// Properties of other processes are not known here.
//
// The store is process-wide and guarded by a lock; any thread may call. A
// thread may hold its own string for a while (ThreadLoginProps).
#pragma once

#include <optional>
#include <string>

#include "frame/outside/share_props.h"

namespace corvane::platform {

inline constexpr const char* kLoginPropsEnvironment = "CORVANE_LOGIN_PROPS";

// Sets (or, with nullopt, clears) the login property string of this process.
void SetLoginPropsString(std::optional<std::string> props);

// While one lives, the calling thread's login property string is `props`
// instead of the process's: a host that serves callers of several languages
// on its threads gives each request its own (the web service's language
// header). Scopes nest; each restores what was before it.
class ThreadLoginProps {
 public:
  explicit ThreadLoginProps(std::string props);
  ~ThreadLoginProps();
  ThreadLoginProps(const ThreadLoginProps&) = delete;
  ThreadLoginProps& operator=(const ThreadLoginProps&) = delete;

 private:
  std::optional<std::string> outer_;
};

class LoginProps : public IShareProps {
 public:
  // "PropsString" of this process; another process, another property name or
  // a process without login properties raises 5.
  Variant GetProperty(int32_t& process_id, std::string& name) override;
};

}  // namespace corvane::platform

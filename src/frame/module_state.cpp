#include "frame/module_state.h"

namespace corvane {

ModuleState& ThisThreadState() {
  thread_local ModuleState state;
  return state;
}

ValueUtility& ThisThreadValueUtility() {
  ModuleState& s = ThisThreadState();
  if (!s.value_utility) s.value_utility = std::make_shared<ValueUtility>();
  return *s.value_utility;
}

void ForgetCallerState() {
  ModuleState& s = ThisThreadState();
  const uint64_t number = s.call_context.number;
  s.call_context = CallContext{};
  s.call_context.number = number;
  s.message_language.clear();
}

}  // namespace corvane

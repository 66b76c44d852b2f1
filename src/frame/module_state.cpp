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

}  // namespace corvane

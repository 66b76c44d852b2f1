#include "frame/err_object.h"

namespace corvane {

PendingError& Err() {
  thread_local PendingError pending;
  return pending;
}

void SetPendingError(const RuntimeError& e) {
  PendingError& p = Err();
  p.number = e.number();
  p.source = e.source();
  p.description = e.description();
  p.help_file.clear();
  p.help_context = 0;
}

void ClearPendingError() { Err() = PendingError{}; }

}  // namespace corvane

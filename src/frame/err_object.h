// The pending run-time error of this thread, as the automation language's Err
// object holds it between the moment an error is caught and the moment the
// failure path has reported it.
//
// A public method's failure path records the caught error here, builds its
// error text from it and clears it. Routines that must not disturb a pending
// error (the message lookups) save it on entry and put it back on exit, so a
// failure inside them never replaces the error being reported.
#pragma once

#include <cstdint>
#include <string>

#include "values/run_time_error.h"

namespace corvane {

struct PendingError {
  int32_t number = 0;  // 0: no error pending
  std::string source;
  std::string description;
  std::string help_file;
  int32_t help_context = 0;

  bool operator==(const PendingError&) const = default;
};

// This thread's pending error.
PendingError& Err();

// Records `e` as this thread's pending error.
void SetPendingError(const RuntimeError& e);

// Clears this thread's pending error.
void ClearPendingError();

// Saves the pending error when constructed and puts it back when destroyed.
class PendingErrorGuard {
 public:
  PendingErrorGuard() : saved_(Err()) {}
  ~PendingErrorGuard() { Err() = saved_; }
  PendingErrorGuard(const PendingErrorGuard&) = delete;
  PendingErrorGuard& operator=(const PendingErrorGuard&) = delete;

 private:
  PendingError saved_;
};

}  // namespace corvane

// Test helper: runs a callable and gives the number of the RuntimeError it
// raised, or 0 when it raised nothing. Any other exception fails the test.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "values/run_time_error.h"

namespace corvane::testing {

inline int32_t ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return -1;
  }
  return 0;
}

}  // namespace corvane::testing

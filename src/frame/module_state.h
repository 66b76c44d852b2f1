// The module state of the component: everything the component keeps between
// calls on one thread. Each thread that calls the component has its own copy,
// reached only from that thread, so no lock is taken anywhere (objects are
// used only on the thread that created them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "values/object.h"
#include "values/value_dictionary.h"
#include "values/value_utility.h"

namespace corvane {

// The call context: the property string of the call running on this thread
// and its pairs. Rebuilt as a whole by every ParsePropsString.
struct CallContext {
  std::string raw;  // the property string exactly as last given
  std::shared_ptr<ValueDictionary> pairs = ValueDictionary::Create();  // key -> String
  uint64_t number = 0;  // how many property strings this thread has parsed
};

struct ModuleState {
  CallContext call_context;
  // The folder of the schema files, read once per thread from the registry
  // ("" until the first object that exchanges XML is created).
  std::string schema_folder;
  // The value library's helper, created on first use.
  std::shared_ptr<ValueUtility> value_utility;
  // The message language ("" until known) and the resource loader (created on
  // first use).
  std::string message_language;
  ObjectPtr resource_loader;
};

// This thread's module state.
ModuleState& ThisThreadState();

// Forgets what the last caller on this thread left behind (its property
// string and pairs, its message language), for a host whose worker threads
// serve one caller after another. What belongs to the machine stays (the
// schema folder, the helpers); the count of property strings goes on.
void ForgetCallerState();

// This thread's ValueUtility, created on first use and kept for the thread.
ValueUtility& ThisThreadValueUtility();

}  // namespace corvane

#include "values/run_time_error.h"

#include <new>
#include <utility>

namespace corvane {

RuntimeError::RuntimeError(int32_t number, std::string source, std::string description)
    : number_(number),
      source_(source.empty() ? std::string(kDefaultErrorSource) : std::move(source)),
      description_(description.empty() ? StandardErrorText(number) : std::move(description)) {}

std::string StandardErrorText(int32_t number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 57: return "Device I/O error";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case 94: return "Invalid use of Null";
    case 424: return "Object required";
    case 429: return "ActiveX component can't create object";
    case 438: return "Object doesn't support this property or method";
    case 440: return "Automation error";
    case 457: return "This key is already associated with an element of this collection";
    default: return "Application-defined or object-defined error";
  }
}

RuntimeError CurrentExceptionAsRuntimeError() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(7);
  } catch (const std::exception& e) {
    return RuntimeError(440, {}, e.what());
  } catch (...) {
    return RuntimeError(440);
  }
}

}  // namespace corvane

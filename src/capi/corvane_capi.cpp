// The C interface over the late-bound classes of server/ (see corvane.h).
// Every entry point catches everything: a C caller sees a status and a
// corvane_error, never an exception.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "capi/corvane.h"
#include "platform/platform_components.h"
#include "server/dispatch.h"
#include "server/registration.h"
#include "values/run_time_error.h"
#include "values/variant.h"

struct corvane_object {
  corvane::server::DispatchPtr dispatch;
};

namespace {

using corvane::RuntimeError;
using corvane::Variant;
using corvane::VarType;
namespace server = corvane::server;

// A malloc'd copy of `text`; bad_alloc when memory runs out.
char* CopyString(const std::string& text) {
  char* s = static_cast<char*>(std::malloc(text.size() + 1));
  if (!s) throw std::bad_alloc();
  std::memcpy(s, text.data(), text.size());
  s[text.size()] = '\0';
  return s;
}

char* CopyStringOrNull(const std::string& text) noexcept {
  char* s = static_cast<char*>(std::malloc(text.size() + 1));
  if (!s) return nullptr;
  std::memcpy(s, text.data(), text.size());
  s[text.size()] = '\0';
  return s;
}

void ClearError(corvane_error* error) noexcept {
  if (!error) return;
  std::free(error->source);
  std::free(error->description);
  *error = corvane_error{0, nullptr, nullptr};
}

int Report(corvane_error* error, int status, const RuntimeError& e) noexcept {
  if (error) {
    ClearError(error);
    error->number = e.number();
    error->source = CopyStringOrNull(e.source());
    error->description = CopyStringOrNull(e.description());
  }
  return status;
}

// Call only inside a catch block.
int ReportCurrentException(corvane_error* error) noexcept {
  try {
    return Report(error, CORVANE_ERR_RUNTIME, corvane::CurrentExceptionAsRuntimeError());
  } catch (...) {
    if (error) {
      ClearError(error);
      error->number = 7;  // Out of memory: the error could not even be described.
    }
    return CORVANE_ERR_RUNTIME;
  }
}

int BadArgument(corvane_error* error, const char* what) noexcept {
  try {
    return Report(error, CORVANE_ERR_ARGUMENT, RuntimeError(corvane::err::kInvalidCall, {}, what));
  } catch (...) {
    if (error) {
      ClearError(error);
      error->number = corvane::err::kInvalidCall;
    }
    return CORVANE_ERR_ARGUMENT;
  }
}

// A C value as a Variant; CORVANE_MISSING is handled by the caller.
Variant ToVariant(const corvane_value& v) {
  switch (v.type) {
    case CORVANE_EMPTY:
      return Variant();
    case CORVANE_NULL:
      return Variant::Null();
    case CORVANE_BOOL:
      return Variant(v.boolean != 0);
    case CORVANE_LONG:
      return Variant(v.long_value);
    case CORVANE_DOUBLE:
      return Variant(v.double_value);
    case CORVANE_STRING:
      return Variant(std::string(v.string ? v.string : ""));
    case CORVANE_MISSING:
      break;
  }
  throw RuntimeError(corvane::err::kInvalidCall, {}, "Invalid value type");
}

// A Variant as a C value (its string newly allocated). Dates travel as their
// text; Bytes and objects have no C form (13).
corvane_value FromVariant(const Variant& v) {
  corvane_value out{CORVANE_EMPTY, 0, 0, 0.0, nullptr};
  switch (v.type()) {
    case VarType::Empty:
      break;
    case VarType::Null:
      out.type = CORVANE_NULL;
      break;
    case VarType::Boolean:
      out.type = CORVANE_BOOL;
      out.boolean = v.AsBool() ? 1 : 0;
      break;
    case VarType::Integer:
    case VarType::Long:
      out.type = CORVANE_LONG;
      out.long_value = corvane::CLng(v);
      break;
    case VarType::Double:
      out.type = CORVANE_DOUBLE;
      out.double_value = v.AsDouble();
      break;
    case VarType::String:
    case VarType::Date:
      out.type = CORVANE_STRING;
      out.string = CopyString(corvane::CStr(v));
      break;
    case VarType::Bytes:
    case VarType::Object:
      throw RuntimeError(corvane::err::kTypeMismatch);
  }
  return out;
}

// C values made during a call, freed unless handed over.
class ValueList {
 public:
  ValueList() = default;
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;
  ~ValueList() {
    for (corvane_value& v : values_) corvane_value_clear(&v);
  }
  void Add(corvane_value v) {
    try {
      values_.push_back(v);
    } catch (...) {
      corvane_value_clear(&v);
      throw;
    }
  }
  corvane_value* data() { return values_.data(); }
  size_t size() const { return values_.size(); }
  // Moves value i out; the list forgets it.
  corvane_value Take(size_t i) {
    corvane_value v = values_[i];
    values_[i] = corvane_value{CORVANE_EMPTY, 0, 0, 0.0, nullptr};
    return v;
  }

 private:
  std::vector<corvane_value> values_;
};

void RegisterEverything() {
  corvane::platform::RegisterPlatformComponents();
  server::RegisterPublicClasses();
}

}  // namespace

extern "C" {

int corvane_initialize(corvane_error* error) {
  static std::once_flag once;
  try {
    std::call_once(once, RegisterEverything);
    return CORVANE_OK;
  } catch (...) {
    return ReportCurrentException(error);
  }
}

int corvane_create(const char* prog_id, corvane_object** object, corvane_error* error) {
  if (!prog_id || !object) return BadArgument(error, "corvane_create: null argument");
  *object = nullptr;
  if (const int status = corvane_initialize(error); status != CORVANE_OK) return status;
  try {
    auto* handle = new corvane_object{server::CreateDispatchObject(prog_id)};
    *object = handle;
    return CORVANE_OK;
  } catch (...) {
    return ReportCurrentException(error);
  }
}

int corvane_put(corvane_object* object, const char* name, const corvane_value* value,
                corvane_error* error) {
  if (!object || !name || !value) return BadArgument(error, "corvane_put: null argument");
  if (value->type == CORVANE_MISSING)
    return BadArgument(error, "corvane_put: a property needs a value");
  try {
    object->dispatch->PutProperty(name, ToVariant(*value));
    return CORVANE_OK;
  } catch (...) {
    return ReportCurrentException(error);
  }
}

int corvane_invoke(corvane_object* object, const char* name, corvane_value* args, size_t nargs,
                   corvane_value* result, corvane_error* error) {
  if (!object || !name || (nargs > 0 && !args))
    return BadArgument(error, "corvane_invoke: null argument");
  try {
    const server::MemberInfo* member = object->dispatch->FindMember(std::string_view(name));
    if (!member) server::ThrowNoSuchMember();

    std::vector<Variant> call_args;
    call_args.reserve(nargs);
    for (size_t i = 0; i < nargs; ++i) {
      if (args[i].type != CORVANE_MISSING) {
        call_args.push_back(ToVariant(args[i]));
      } else if (i < member->params.size() && member->params[i].optional) {
        call_args.push_back(server::DefaultArgument(member->params[i]));
      } else if (i < member->params.size()) {
        throw RuntimeError(server::kArgumentNotOptional, {}, "Argument not optional");
      } else {
        call_args.emplace_back();  // one too many: Invoke says so
      }
    }

    // Held for the whole call: an event callback that releases the object
    // must not destroy it while its method runs.
    const server::DispatchPtr keep = object->dispatch;
    const Variant answer = keep->Invoke(member->dispid, server::InvokeKind::Method, call_args);

    // Convert everything first, so that a failure leaves the caller's values
    // as they were.
    ValueList converted;
    std::vector<size_t> written;
    for (size_t i = 0; i < nargs && i < member->params.size(); ++i) {
      if (!member->params[i].by_ref || args[i].type == CORVANE_MISSING) continue;
      converted.Add(FromVariant(call_args[i]));
      written.push_back(i);
    }
    if (result) converted.Add(FromVariant(answer));

    for (size_t k = 0; k < written.size(); ++k) {
      corvane_value_clear(&args[written[k]]);
      args[written[k]] = converted.Take(k);
    }
    if (result) {
      corvane_value_clear(result);
      *result = converted.Take(written.size());
    }
    return CORVANE_OK;
  } catch (...) {
    return ReportCurrentException(error);
  }
}

int32_t corvane_get_id_of_name(corvane_object* object, const char* name) {
  if (!object || !name) return server::kDispidUnknown;
  try {
    return object->dispatch->GetIDOfName(name);
  } catch (...) {
    return server::kDispidUnknown;
  }
}

int corvane_advise(corvane_object* object, corvane_event_callback callback, void* user_data,
                   int32_t* cookie) {
  if (!object || !callback) return CORVANE_ERR_ARGUMENT;
  try {
    const int32_t c = object->dispatch->Advise(
        [callback, user_data](int32_t dispid, const std::string& event_name,
                              const std::vector<Variant>& event_args) {
          ValueList values;
          for (const Variant& v : event_args) values.Add(FromVariant(v));
          callback(user_data, dispid, event_name.c_str(), values.data(), values.size());
        });
    if (cookie) *cookie = c;
    return CORVANE_OK;
  } catch (...) {
    return ReportCurrentException(nullptr);
  }
}

int corvane_unadvise(corvane_object* object, int32_t cookie) {
  if (!object) return CORVANE_ERR_ARGUMENT;
  try {
    object->dispatch->Unadvise(cookie);
    return CORVANE_OK;
  } catch (...) {
    return CORVANE_ERR_RUNTIME;
  }
}

void corvane_release(corvane_object* object) {
  try {
    delete object;
  } catch (...) {
    // Destructors report nothing to a C caller.
  }
}

void corvane_value_clear(corvane_value* value) {
  if (!value) return;
  std::free(value->string);
  *value = corvane_value{CORVANE_EMPTY, 0, 0, 0.0, nullptr};
}

int corvane_value_set_string(corvane_value* value, const char* text) {
  if (!value) return CORVANE_ERR_ARGUMENT;
  char* copy = nullptr;
  try {
    copy = CopyStringOrNull(text ? text : "");
  } catch (...) {
    return CORVANE_ERR_RUNTIME;
  }
  if (!copy) return CORVANE_ERR_RUNTIME;
  corvane_value_clear(value);
  value->type = CORVANE_STRING;
  value->string = copy;
  return CORVANE_OK;
}

void corvane_free_string(char* text) { std::free(text); }

void corvane_error_clear(corvane_error* error) { ClearError(error); }

}  // extern "C"

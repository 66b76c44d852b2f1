// Late binding: a public class seen the way an automation client sees it,
// through its dispatch interface. A caller asks for a member's DISPID by name
// (letters in any case), then invokes it by DISPID with Variant arguments by
// position, or invokes it by name with arguments by name.
//
// What Invoke does with the arguments, for every class alike:
//   - arguments are matched to the member's parameters by position; trailing
//     optional parameters may be left out and get their defaults;
//   - each argument is coerced to its parameter's type with the automation
//     rules (String by CStr, Long by CLng, Boolean by CBool, Variant as it
//     is), so a Null where a String is needed is "Invalid use of Null" (94)
//     and "abc" for a Long is "Type mismatch" (13);
//   - on return `args` holds one value per parameter: by-reference (in/out)
//     parameters with their value after the call, by-value ones as the caller
//     gave them, parameters the caller left out with their defaults (or, when
//     by-reference, with what the member wrote into them).
// Failures are RuntimeErrors with the automation numbers and texts:
//   438 "Object doesn't support this property or method": unknown DISPID or
//       name, a method assigned to as a property;
//   448 "Named argument not found": InvokeNamed with a name the member lacks;
//   449 "Argument not optional": a required parameter left out;
//   450 "Wrong number of arguments or invalid property assignment": more
//       arguments than parameters, a property put without exactly one value,
//       the same named argument given twice;
//   451 "Property is write-only": a write-only property read (as a property
//       get or a method call). The number is the language's own for a
//       property without a readable procedure; the text says what happened.
// A member's own RuntimeError passes through unchanged, and its in/out
// arguments are then not written back.
//
// Events: the caller attaches sinks with Advise; the object calls each sink
// synchronously on the calling thread, in the middle of the method that
// raises the event. A sink's exception is swallowed (an event source does not
// fail because a listener did). A sink may detach itself, or others, while an
// event is delivered; the event still reaches the sinks attached when it was
// raised.
//
// Threads: an object is used on the thread that created it, one call at a
// time. The member tables are immutable and may be read from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "values/object.h"
#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane::server {

// Automation error numbers of late binding (beside corvane::err).
inline constexpr int32_t kNamedArgumentNotFound = 448;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongNumberOfArguments = 450;
inline constexpr int32_t kWriteOnlyProperty = 451;

// GetIDOfName's answer for a name the class does not have.
inline constexpr int32_t kDispidUnknown = -1;

// The type of a parameter or a result. Void only as a result (property puts).
enum class DispType { Void, String, Long, Boolean, Variant };

// What a member is: a method, or a write-only property (assignment only).
enum class MemberKind { Method, PropertyPut };

// How a member is invoked. A method may be invoked as Method or PropertyGet
// (a client reading a method's value uses either); a write-only property only
// as PropertyPut.
enum class InvokeKind { Method, PropertyGet, PropertyPut };

struct ParamInfo {
  std::string name;
  DispType type = DispType::Variant;
  bool by_ref = false;    // in/out: the member's value goes back to the caller
  bool optional = false;  // may be left out; then `default_value` is passed
  // The default of an optional parameter, of the parameter's type. Left
  // Empty, it is the type's own empty value ("", 0, False).
  Variant default_value;
};

// Parameter declarations: In("lPerCount", DispType::Long) is by value,
// InOut("strXML", DispType::String) by reference; Optional(p, default) makes
// either optional.
inline ParamInfo In(std::string name, DispType type) {
  ParamInfo p;
  p.name = std::move(name);
  p.type = type;
  return p;
}
inline ParamInfo InOut(std::string name, DispType type) {
  ParamInfo p = In(std::move(name), type);
  p.by_ref = true;
  return p;
}
inline ParamInfo Optional(ParamInfo p, Variant default_value = Variant()) {
  p.optional = true;
  p.default_value = std::move(default_value);
  return p;
}

struct MemberInfo {
  std::string name;
  int32_t dispid = 0;
  MemberKind kind = MemberKind::Method;
  // A write-only property has exactly one parameter: the assigned value,
  // named after the property.
  std::vector<ParamInfo> params;
  DispType result = DispType::Void;
};

struct EventInfo {
  std::string name;
  int32_t dispid = 0;
  std::vector<ParamInfo> params;
};

struct NamedArgument {
  std::string name;
  Variant value;
};

// An event sink: the event's DISPID and name and its arguments in order.
using EventSink = std::function<void(int32_t dispid, const std::string& event_name,
                                     const std::vector<Variant>& args)>;

class IDispatchObject : public virtual Object {
 public:
  // The class name ("clsSaleOrder"); its ProgID is "Corvane." + the name.
  virtual const std::string& ClassName() const = 0;
  // The dispatch interface and the event interface, in declaration order.
  virtual const std::vector<MemberInfo>& Members() const = 0;
  virtual const std::vector<EventInfo>& Events() const = 0;

  // Invokes a member by DISPID with positional arguments (see above).
  virtual Variant Invoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args) = 0;

  // Attaches a sink and answers its cookie (never 0); Unadvise detaches it
  // (an unknown cookie is ignored).
  virtual int32_t Advise(EventSink sink) = 0;
  virtual void Unadvise(int32_t cookie) = 0;

  // The member of a DISPID or a name (any letter case); nullptr when none.
  const MemberInfo* FindMember(int32_t dispid) const;
  const MemberInfo* FindMember(std::string_view name) const;
  // The DISPID of a member name, kDispidUnknown when the class lacks it.
  int32_t GetIDOfName(std::string_view name) const;

  // Invoke by member name (438 when unknown).
  Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args);

  // Invokes a member by name with arguments by name (any order, any letter
  // case). By-reference values are written back into `args`; when
  // `all_args` is given it receives every parameter's value after the call
  // (as Invoke leaves its `args`), in parameter order. A property put takes
  // one argument whatever its name.
  Variant InvokeNamed(std::string_view name, InvokeKind kind, std::vector<NamedArgument>& args,
                      std::vector<Variant>* all_args = nullptr);

  // Assigns a write-only property: Invoke with PropertyPut and one value.
  void PutProperty(std::string_view name, const Variant& value);
};

using DispatchPtr = std::shared_ptr<IDispatchObject>;

// Creates an object of a public class by ProgID through the object factory
// (429 when it cannot be created) and takes its dispatch interface (438 when
// the object has none).
DispatchPtr CreateDispatchObject(std::string_view prog_id);

// --- for implementations of IDispatchObject ----------------------------------

// The value of `v` as a parameter of type `type` takes it (see above); Void
// and Variant leave it as it is.
Variant CoerceArgument(const Variant& v, DispType type);

// The type's own empty value: "", 0, False, Empty.
Variant EmptyValueOf(DispType type);

// The value an optional parameter left out is passed: its default, or its
// type's empty value.
Variant DefaultArgument(const ParamInfo& param);

// "String", "Long", "Boolean", "Variant", "" for Void.
const char* DispTypeName(DispType type);

// Checks that `member` may be invoked as `kind` (438 or 451), that `args`
// does not hold more values than the member has parameters (450; a put needs
// exactly one) and that every required parameter is there (449); answers the
// arguments the member is called with: one per parameter, coerced to its
// type, the defaults of those left out. `args` itself is not changed.
std::vector<Variant> PrepareArguments(const MemberInfo& member, InvokeKind kind,
                                      const std::vector<Variant>& args);

// After a call: copies the by-reference values of `call_args` into `args`
// and extends it to one value per parameter (for those left out: the value
// after the call when by-reference, else the default).
void WriteBackArguments(const MemberInfo& member, const std::vector<Variant>& call_args,
                        std::vector<Variant>& args);

// The error for an unknown member (438).
[[noreturn]] void ThrowNoSuchMember();

}  // namespace corvane::server

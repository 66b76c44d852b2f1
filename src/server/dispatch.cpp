#include "server/dispatch.h"

#include <algorithm>
#include <optional>

#include "frame/outside/object_factory.h"

namespace corvane::server {

namespace {

[[noreturn]] void Raise(int32_t number, const char* text) { throw RuntimeError(number, {}, text); }

}  // namespace

Variant DefaultArgument(const ParamInfo& param) {
  if (param.default_value.IsEmpty()) return EmptyValueOf(param.type);
  return CoerceArgument(param.default_value, param.type);
}

void ThrowNoSuchMember() { throw RuntimeError(err::kNoSuchMember); }

Variant CoerceArgument(const Variant& v, DispType type) {
  switch (type) {
    case DispType::String:
      return Variant(CStr(v));
    case DispType::Long:
      return Variant(CLng(v));
    case DispType::Boolean:
      return Variant(CBool(v));
    case DispType::Void:
    case DispType::Variant:
      break;
  }
  return v;
}

Variant EmptyValueOf(DispType type) {
  switch (type) {
    case DispType::String:
      return Variant(std::string());
    case DispType::Long:
      return Variant(int32_t{0});
    case DispType::Boolean:
      return Variant(false);
    case DispType::Void:
    case DispType::Variant:
      break;
  }
  return Variant();
}

const char* DispTypeName(DispType type) {
  switch (type) {
    case DispType::String:
      return "String";
    case DispType::Long:
      return "Long";
    case DispType::Boolean:
      return "Boolean";
    case DispType::Variant:
      return "Variant";
    case DispType::Void:
      break;
  }
  return "";
}

std::vector<Variant> PrepareArguments(const MemberInfo& member, InvokeKind kind,
                                      const std::vector<Variant>& args) {
  if (member.kind == MemberKind::PropertyPut) {
    if (kind != InvokeKind::PropertyPut) Raise(kWriteOnlyProperty, "Property is write-only");
    if (args.size() != 1)
      Raise(kWrongNumberOfArguments, "Wrong number of arguments or invalid property assignment");
  } else if (kind == InvokeKind::PropertyPut) {
    ThrowNoSuchMember();
  }
  if (args.size() > member.params.size())
    Raise(kWrongNumberOfArguments, "Wrong number of arguments or invalid property assignment");

  std::vector<Variant> call_args;
  call_args.reserve(member.params.size());
  for (size_t i = 0; i < member.params.size(); ++i) {
    const ParamInfo& param = member.params[i];
    if (i < args.size()) {
      call_args.push_back(CoerceArgument(args[i], param.type));
    } else if (param.optional) {
      call_args.push_back(DefaultArgument(param));
    } else {
      Raise(kArgumentNotOptional, "Argument not optional");
    }
  }
  return call_args;
}

void WriteBackArguments(const MemberInfo& member, const std::vector<Variant>& call_args,
                        std::vector<Variant>& args) {
  const size_t given = args.size();
  for (size_t i = 0; i < member.params.size() && i < call_args.size(); ++i) {
    if (i >= given) {
      args.push_back(member.params[i].by_ref ? call_args[i] : DefaultArgument(member.params[i]));
    } else if (member.params[i].by_ref) {
      args[i] = call_args[i];
    }
  }
}

const MemberInfo* IDispatchObject::FindMember(int32_t dispid) const {
  for (const MemberInfo& m : Members())
    if (m.dispid == dispid) return &m;
  return nullptr;
}

const MemberInfo* IDispatchObject::FindMember(std::string_view name) const {
  for (const MemberInfo& m : Members())
    if (EqualsIgnoreCase(m.name, name)) return &m;
  return nullptr;
}

int32_t IDispatchObject::GetIDOfName(std::string_view name) const {
  const MemberInfo* m = FindMember(name);
  return m ? m->dispid : kDispidUnknown;
}

Variant IDispatchObject::Invoke(std::string_view name, InvokeKind kind,
                                std::vector<Variant>& args) {
  const MemberInfo* m = FindMember(name);
  if (!m) ThrowNoSuchMember();
  return Invoke(m->dispid, kind, args);
}

Variant IDispatchObject::InvokeNamed(std::string_view name, InvokeKind kind,
                                     std::vector<NamedArgument>& args,
                                     std::vector<Variant>* all_args) {
  const MemberInfo* m = FindMember(name);
  if (!m) ThrowNoSuchMember();

  // A property put takes its one value whatever it is called.
  if (kind == InvokeKind::PropertyPut && m->kind == MemberKind::PropertyPut) {
    std::vector<Variant> positional;
    for (const NamedArgument& a : args) positional.push_back(a.value);
    Variant result = Invoke(m->dispid, kind, positional);
    if (all_args) *all_args = std::move(positional);
    return result;
  }

  // Where each named argument goes.
  std::vector<size_t> position(args.size());
  std::vector<std::optional<Variant>> slots;
  for (size_t k = 0; k < args.size(); ++k) {
    const auto it = std::find_if(m->params.begin(), m->params.end(), [&](const ParamInfo& p) {
      return EqualsIgnoreCase(p.name, args[k].name);
    });
    if (it == m->params.end()) Raise(kNamedArgumentNotFound, "Named argument not found");
    const size_t i = static_cast<size_t>(it - m->params.begin());
    if (slots.size() <= i) slots.resize(i + 1);
    if (slots[i])
      Raise(kWrongNumberOfArguments, "Wrong number of arguments or invalid property assignment");
    slots[i] = args[k].value;
    position[k] = i;
  }

  // Gaps before the last named argument take their defaults, as trailing
  // parameters left out do in Invoke.
  std::vector<Variant> positional;
  positional.reserve(slots.size());
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i]) {
      positional.push_back(std::move(*slots[i]));
    } else if (m->params[i].optional) {
      positional.push_back(DefaultArgument(m->params[i]));
    } else {
      Raise(kArgumentNotOptional, "Argument not optional");
    }
  }

  Variant result = Invoke(m->dispid, kind, positional);
  for (size_t k = 0; k < args.size(); ++k) {
    if (m->params[position[k]].by_ref) args[k].value = positional[position[k]];
  }
  if (all_args) *all_args = std::move(positional);
  return result;
}

void IDispatchObject::PutProperty(std::string_view name, const Variant& value) {
  std::vector<Variant> args{value};
  Invoke(name, InvokeKind::PropertyPut, args);
}

DispatchPtr CreateDispatchObject(std::string_view prog_id) {
  ObjectPtr object = CreateObject(prog_id);
  auto dispatch = std::dynamic_pointer_cast<IDispatchObject>(object);
  if (!dispatch) ThrowNoSuchMember();
  return dispatch;
}

}  // namespace corvane::server

// Binding a C++ class to its dispatch interface: the member table of a public
// class is declared once, with a lambda per member, and every object of the
// class is then served by the same table.
//
//   auto binding = std::make_shared<ClassBinding<Widget>>(
//       "clsWidget", [] { return std::make_shared<Widget>(); });
//   binding->Method("Run", 0x60030000, DispType::Boolean,
//                   {InOut("sText", DispType::String)},
//                   [](Widget& w, Arguments& a) { return Variant(w.Run(a.String(0))); })
//       .WriteOnlyProperty("Level", 0x68030000, DispType::Long,
//                          [](Widget& w, const Variant& v) { w.SetLevel(v.AsLong()); })
//       .Event("Progress", 1, {...})
//       .ConnectEvents([](Widget& w, EventRaiser raise) {
//         w.SetHandler([raise](int n) { raise(1, {Variant(n)}); });
//       });
//   DispatchPtr object = CreateBoundObject(binding);
//
// A member's lambda gets the arguments already checked and coerced to their
// parameter types (see PrepareArguments in dispatch.h); what it writes into a
// by-reference argument goes back to the caller. A property's lambda gets the
// assigned value coerced to the property's type. The binding checks, while it
// is declared, that no name or DISPID is used twice (std::logic_error).
//
// Ownership: a bound object owns its C++ object (made by the binding's
// factory when the bound object is created) and shares the binding. The
// event raiser handed to ConnectEvents refers to the bound object's sinks
// weakly: raising after the bound object is gone does nothing.
//
// Threads: a binding is declared once (typically in a function-local static)
// and then only read. Objects as in dispatch.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "server/dispatch.h"

namespace corvane::server {

// The arguments of one call as a member's lambda sees them: one per
// parameter, of the parameter's type. Use one accessor per argument:
// String(i) hands out the argument as a std::string the member may change,
// and Commit puts such strings back (the binding does that after the call).
class Arguments {
 public:
  explicit Arguments(std::vector<Variant>& values);
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  size_t size() const { return values_.size(); }
  // A String argument, writable: a by-reference member's changes go back.
  std::string& String(size_t i);
  int32_t Long(size_t i) const { return values_.at(i).AsLong(); }
  bool Boolean(size_t i) const { return values_.at(i).AsBool(); }
  // A Variant argument (or any other, as its Variant), writable.
  Variant& Value(size_t i) { return values_.at(i); }

  // Puts the strings handed out by String() back into the values.
  void Commit();

 private:
  std::vector<Variant>& values_;
  std::vector<std::optional<std::string>> strings_;
};

// Raises an event of the bound object: its DISPID and arguments in order.
using EventRaiser = std::function<void(int32_t dispid, std::vector<Variant> args)>;

// The attached sinks of one bound object.
class EventSinks {
 public:
  explicit EventSinks(const std::vector<EventInfo>* events) : events_(events) {}
  int32_t Advise(EventSink sink);
  void Unadvise(int32_t cookie);
  // Delivers an event to the sinks attached now; a sink's exception is
  // swallowed. An event the class does not declare is not delivered.
  void Fire(int32_t dispid, const std::vector<Variant>& args) const;

 private:
  const std::vector<EventInfo>* events_;
  std::map<int32_t, std::shared_ptr<const EventSink>> sinks_;
  int32_t next_cookie_ = 1;
};

// The table of a class shared by its bound objects, without the C++ type:
// names, DISPIDs, parameters and events, and a check of what is declared.
class ClassTable {
 public:
  explicit ClassTable(std::string class_name) : class_name_(std::move(class_name)) {}
  const std::string& class_name() const { return class_name_; }
  const std::vector<MemberInfo>& members() const { return members_; }
  const std::vector<EventInfo>& events() const { return events_; }
  // The index of a member in members(), or -1.
  int IndexOf(int32_t dispid) const;

 protected:
  // Adds a member or an event; a name or DISPID used before is a
  // std::logic_error.
  void AddMember(MemberInfo member);
  void AddEvent(EventInfo event);

 private:
  std::string class_name_;
  std::vector<MemberInfo> members_;
  std::vector<EventInfo> events_;
};

template <class T>
class ClassBinding : public ClassTable {
 public:
  using Factory = std::function<std::shared_ptr<T>()>;
  using MethodBody = std::function<Variant(T&, Arguments&)>;
  using PutBody = std::function<void(T&, const Variant&)>;
  using Connector = std::function<void(T&, EventRaiser)>;

  ClassBinding(std::string class_name, Factory factory)
      : ClassTable(std::move(class_name)), factory_(std::move(factory)) {}

  ClassBinding& Method(std::string name, int32_t dispid, DispType result,
                       std::vector<ParamInfo> params, MethodBody body) {
    AddMember({std::move(name), dispid, MemberKind::Method, std::move(params), result});
    bodies_.push_back({std::move(body), nullptr});
    return *this;
  }

  // A write-only property; its one parameter is named after it.
  ClassBinding& WriteOnlyProperty(std::string name, int32_t dispid, DispType type, PutBody put) {
    std::vector<ParamInfo> params{In(name, type)};
    AddMember(
        {std::move(name), dispid, MemberKind::PropertyPut, std::move(params), DispType::Void});
    bodies_.push_back({nullptr, std::move(put)});
    return *this;
  }

  ClassBinding& Event(std::string name, int32_t dispid, std::vector<ParamInfo> params) {
    AddEvent({std::move(name), dispid, std::move(params)});
    return *this;
  }

  // Called for every new object: hooks the object's events up to the raiser.
  ClassBinding& ConnectEvents(Connector connector) {
    connector_ = std::move(connector);
    return *this;
  }

  std::shared_ptr<T> MakeObject() const { return factory_(); }
  void Connect(T& object, EventRaiser raise) const {
    if (connector_) connector_(object, std::move(raise));
  }
  // Runs member `index` (an index of members()) on `object` with prepared
  // arguments; answers the result coerced to the member's result type.
  Variant Call(size_t index, T& object, std::vector<Variant>& call_args) const {
    const Body& body = bodies_.at(index);
    if (body.put) {
      body.put(object, call_args.at(0));
      return Variant();
    }
    Arguments arguments(call_args);
    Variant result = body.method(object, arguments);
    arguments.Commit();
    return CoerceArgument(result, members()[index].result);
  }

 private:
  struct Body {
    MethodBody method;
    PutBody put;
  };
  Factory factory_;
  Connector connector_;
  std::vector<Body> bodies_;
};

// An object of a bound class, as the dispatch interface shows it.
template <class T>
class BoundObject final : public IDispatchObject {
 public:
  // Makes the C++ object with the binding's factory (its errors pass) and
  // connects its events.
  explicit BoundObject(std::shared_ptr<const ClassBinding<T>> binding)
      : binding_(std::move(binding)),
        sinks_(std::make_shared<EventSinks>(&binding_->events())),
        object_(binding_->MakeObject()) {
    if (!object_) throw RuntimeError(err::kCannotCreateObject);
    std::weak_ptr<EventSinks> sinks = sinks_;
    binding_->Connect(*object_, [sinks](int32_t dispid, std::vector<Variant> args) {
      if (auto s = sinks.lock()) s->Fire(dispid, args);
    });
  }

  const std::string& ClassName() const override { return binding_->class_name(); }
  const std::vector<MemberInfo>& Members() const override { return binding_->members(); }
  const std::vector<EventInfo>& Events() const override { return binding_->events(); }

  using IDispatchObject::Invoke;
  Variant Invoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args) override {
    const int index = binding_->IndexOf(dispid);
    if (index < 0) ThrowNoSuchMember();
    const MemberInfo& member = binding_->members()[index];
    std::vector<Variant> call_args = PrepareArguments(member, kind, args);
    Variant result = binding_->Call(static_cast<size_t>(index), *object_, call_args);
    WriteBackArguments(member, call_args, args);
    return result;
  }

  int32_t Advise(EventSink sink) override { return sinks_->Advise(std::move(sink)); }
  void Unadvise(int32_t cookie) override { sinks_->Unadvise(cookie); }

  // The C++ object behind the interface (for hosts that also bind early).
  T& object() { return *object_; }

 private:
  std::shared_ptr<const ClassBinding<T>> binding_;
  std::shared_ptr<EventSinks> sinks_;
  // Last, so that it goes first: the object's handlers still find the sinks.
  std::shared_ptr<T> object_;
};

template <class T>
DispatchPtr CreateBoundObject(std::shared_ptr<const ClassBinding<T>> binding) {
  return std::make_shared<BoundObject<T>>(std::move(binding));
}

}  // namespace corvane::server

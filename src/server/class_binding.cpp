#include "server/class_binding.h"

#include <stdexcept>

namespace corvane::server {

Arguments::Arguments(std::vector<Variant>& values) : values_(values), strings_(values.size()) {}

std::string& Arguments::String(size_t i) {
  std::optional<std::string>& s = strings_.at(i);
  if (!s) s = CStr(values_[i]);
  return *s;
}

void Arguments::Commit() {
  for (size_t i = 0; i < strings_.size(); ++i) {
    if (strings_[i]) values_[i] = Variant(std::move(*strings_[i]));
    strings_[i].reset();
  }
}

int32_t EventSinks::Advise(EventSink sink) {
  const int32_t cookie = next_cookie_++;
  sinks_.emplace(cookie, std::make_shared<const EventSink>(std::move(sink)));
  return cookie;
}

void EventSinks::Unadvise(int32_t cookie) { sinks_.erase(cookie); }

void EventSinks::Fire(int32_t dispid, const std::vector<Variant>& args) const {
  const EventInfo* event = nullptr;
  for (const EventInfo& e : *events_)
    if (e.dispid == dispid) event = &e;
  if (!event) return;
  // A sink may attach or detach sinks while it runs: deliver to a copy.
  std::vector<std::shared_ptr<const EventSink>> sinks;
  sinks.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) sinks.push_back(sink);
  for (const auto& sink : sinks) {
    if (!*sink) continue;
    try {
      (*sink)(dispid, event->name, args);
    } catch (...) {
      // The listener's failure is its own; the raising method goes on.
    }
  }
}

int ClassTable::IndexOf(int32_t dispid) const {
  for (size_t i = 0; i < members_.size(); ++i)
    if (members_[i].dispid == dispid) return static_cast<int>(i);
  return -1;
}

void ClassTable::AddMember(MemberInfo member) {
  for (const MemberInfo& m : members_) {
    if (EqualsIgnoreCase(m.name, member.name) || m.dispid == member.dispid)
      throw std::logic_error(class_name_ + ": member " + member.name + " repeats a name or DISPID");
  }
  if (member.dispid == kDispidUnknown)
    throw std::logic_error(class_name_ + ": member " + member.name + " has DISPID -1");
  members_.push_back(std::move(member));
}

void ClassTable::AddEvent(EventInfo event) {
  for (const EventInfo& e : events_) {
    if (EqualsIgnoreCase(e.name, event.name) || e.dispid == event.dispid)
      throw std::logic_error(class_name_ + ": event " + event.name + " repeats a name or DISPID");
  }
  events_.push_back(std::move(event));
}

}  // namespace corvane::server

#include "frame/call_context.h"

#include <unistd.h>

#include "frame/module_state.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/share_props.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

// Splits `text` at the first `sep`: returns the part before it and leaves the
// part after it in `text`; without `sep` returns the whole text and leaves "".
std::string SplitFirst(std::string& text, char sep) {
  const size_t pos = text.find(sep);
  std::string head;
  if (pos == std::string::npos) {
    head = std::move(text);
    text.clear();
  } else {
    head = text.substr(0, pos);
    text.erase(0, pos + 1);
  }
  return head;
}

}  // namespace

namespace {

// Adds the pairs of `props` to `pairs`, in order; raises 457 on a duplicate
// key, leaving the pairs before it stored.
void AddPairs(std::string_view props, ValueDictionary& pairs) {
  std::string rest(props);
  while (true) {
    const std::string key = Trim(SplitFirst(rest, '='));
    rest = Trim(rest);
    std::string value;
    if (!rest.empty() && rest.front() == '{') {
      rest.erase(0, 1);
      value = SplitFirst(rest, '}');
      SplitFirst(rest, ';');  // whatever follows the "}" up to the ";" is dropped
    } else {
      value = SplitFirst(rest, ';');
    }
    if (key.empty()) break;
    if (pairs.Exists(key)) throw RuntimeError(err::kDuplicateKey);
    pairs.SetValue(key, Variant(Trim(value)));
  }
}

}  // namespace

std::shared_ptr<ValueDictionary> ParsePropsPairs(std::string_view props) {
  auto pairs = ValueDictionary::Create();
  AddPairs(props, *pairs);
  return pairs;
}

bool ParsePropsString(std::string_view props) {
  CallContext& ctx = ThisThreadState().call_context;
  ctx.raw = std::string(props);
  ++ctx.number;
  ctx.pairs = ValueDictionary::Create();
  AddPairs(props, *ctx.pairs);
  return true;
}

std::string GetPropValue(std::string_view key) {
  return CStr(ThisThreadState().call_context.pairs->Value(key));
}

std::string GetPropsString() { return ThisThreadState().call_context.raw; }

uint64_t CallNumber() { return ThisThreadState().call_context.number; }

std::string GetConnectString() { return GetPropValue("ConnectString"); }

int32_t GetUserID() { return CLng(Variant(GetPropValue("UserID"))); }

int32_t CurrentProcessId() { return static_cast<int32_t>(::getpid()); }

std::string GetLoginPropsString() {
  try {
    auto props = CreateObjectAs<IShareProps>(kSharePropsProgId);
    int32_t pid = CurrentProcessId();
    std::string name = "PropsString";
    return CStr(props->GetProperty(pid, name));
  } catch (...) {
    return {};
  }
}

std::string GetLoginPropValue(std::string_view name) {
  try {
    std::string props = GetLoginPropsString();
    if (props.empty() || props.back() != ';') props += ';';
    // The key must start a pair (the string's start, or after a ";" and
    // blanks): "XLANGUAGE=ENG" is not "LANGUAGE".
    const std::string wanted = UCase(name) + "=";
    const std::string upper = UCase(props);
    size_t pos = 0;
    while ((pos = upper.find(wanted, pos)) != std::string::npos) {
      size_t before = pos;
      while (before > 0 && upper[before - 1] == ' ') --before;
      if (before == 0 || upper[before - 1] == ';') break;
      ++pos;
    }
    if (pos == std::string::npos) return {};
    const size_t value_start = pos + wanted.size();
    const size_t end = props.find(';', value_start);
    return props.substr(value_start, end - value_start);
  } catch (...) {
    return {};
  }
}

}  // namespace corvane

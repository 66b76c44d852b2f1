#include "frame/outside/object_factory.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "values/variant.h"

namespace corvane {
namespace {

struct Registration {
  std::string spelling;
  ObjectCreator creator;
};

struct Registry {
  std::shared_mutex mutex;
  std::map<std::string, Registration> by_key;  // upper-case ProgID -> registration
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

void RegisterProgId(std::string_view prog_id, ObjectCreator creator) {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  if (!creator) {
    r.by_key.erase(UCase(prog_id));
  } else {
    r.by_key[UCase(prog_id)] = Registration{std::string(prog_id), std::move(creator)};
  }
}

std::optional<ObjectCreator> FindProgId(std::string_view prog_id) {
  Registry& r = TheRegistry();
  std::shared_lock lock(r.mutex);
  auto it = r.by_key.find(UCase(prog_id));
  if (it == r.by_key.end()) return std::nullopt;
  return it->second.creator;
}

std::vector<std::string> RegisteredProgIds() {
  Registry& r = TheRegistry();
  std::shared_lock lock(r.mutex);
  std::vector<std::string> ids;
  for (const auto& [key, reg] : r.by_key) ids.push_back(reg.spelling);
  return ids;
}

ObjectPtr CreateObject(std::string_view prog_id) {
  const std::string what = "ActiveX component can't create object: " + std::string(prog_id);
  auto creator = FindProgId(prog_id);
  if (!creator) throw RuntimeError(err::kCannotCreateObject, {}, what);
  ObjectPtr object;
  try {
    object = (*creator)();
  } catch (const RuntimeError&) {
    throw;
  } catch (const std::exception& e) {
    throw RuntimeError(err::kCannotCreateObject, {}, what + " (" + e.what() + ")");
  }
  if (!object) throw RuntimeError(err::kCannotCreateObject, {}, what);
  return object;
}

ScopedProgIdOverride::ScopedProgIdOverride(std::string_view prog_id, ObjectCreator creator)
    : prog_id_(prog_id), previous_(FindProgId(prog_id)) {
  // An override with no creator makes the ProgID unknown, so that creation fails.
  RegisterProgId(prog_id_, creator ? std::move(creator) : ObjectCreator());
}

ScopedProgIdOverride::~ScopedProgIdOverride() {
  RegisterProgId(prog_id_, previous_ ? *previous_ : ObjectCreator());
}

}  // namespace corvane

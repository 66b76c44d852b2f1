// The ProgID object factory: outside components are created at run time by
// the ProgID the ERP knows them by, never by naming their implementation.
//
// The host registers the real implementations once at start-up (see
// RegisterPlatformComponents of the platform layer); tests register fakes
// under the same ProgIDs through ScopedProgIdOverride, which puts the previous
// registration back when it ends. The registry is process-wide and guarded by
// a lock, so creating objects from several threads is safe; registering while
// other threads create objects is too, though hosts do it before.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "values/object.h"
#include "values/run_time_error.h"

namespace corvane {

using ObjectCreator = std::function<ObjectPtr()>;

// Registers (or replaces) the creator of a ProgID; ProgIDs match without
// regard to letter case. An empty creator removes the registration.
void RegisterProgId(std::string_view prog_id, ObjectCreator creator);

// The creator registered for a ProgID, if any.
std::optional<ObjectCreator> FindProgId(std::string_view prog_id);

// The ProgIDs registered now, in the spelling they were registered with.
std::vector<std::string> RegisteredProgIds();

// Creates an object by ProgID. A ProgID that is not registered, a creator that
// answers nothing, or one that fails raises 429 ("ActiveX component can't
// create object") with the ProgID in the description; a RuntimeError raised by
// the creator itself passes unchanged.
ObjectPtr CreateObject(std::string_view prog_id);

// Creates an object by ProgID and takes the interface the caller needs; an
// object that does not offer it raises 438.
template <class Interface>
std::shared_ptr<Interface> CreateObjectAs(std::string_view prog_id) {
  auto p = std::dynamic_pointer_cast<Interface>(CreateObject(prog_id));
  if (!p) throw RuntimeError(err::kNoSuchMember);
  return p;
}

// Replaces a ProgID's registration for its own lifetime (a test's fake, or a
// creator that fails on purpose), and restores the previous one afterwards.
class ScopedProgIdOverride {
 public:
  ScopedProgIdOverride(std::string_view prog_id, ObjectCreator creator);
  ~ScopedProgIdOverride();
  ScopedProgIdOverride(const ScopedProgIdOverride&) = delete;
  ScopedProgIdOverride& operator=(const ScopedProgIdOverride&) = delete;

 private:
  std::string prog_id_;
  std::optional<ObjectCreator> previous_;
};

}  // namespace corvane

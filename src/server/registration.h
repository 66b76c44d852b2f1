// Registration of the public classes in the ProgID object factory, each under
// "Corvane." followed by its class name, so that hosts create them the way an
// automation client does (CreateObject / CreateDispatchObject).
//
// Registered now: "Corvane.clsSaleOrder". A class is registered once it is
// built.
//
// Hosts call RegisterPublicClasses once from main (and test fixtures from
// their set-up), beside platform::RegisterPlatformComponents; nothing
// registers itself from a static initialiser. Calling it again registers the
// same classes again. The factory is process-wide (see object_factory.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::server {

inline constexpr const char* kProgIdPrefix = "Corvane.";

// "Corvane." + the class name.
std::string ProgIdOf(std::string_view class_name);

void RegisterPublicClasses();

// The ProgIDs RegisterPublicClasses registers, in order.
std::vector<std::string> PublicProgIds();

}  // namespace corvane::server

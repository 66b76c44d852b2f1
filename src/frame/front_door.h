// The front door of the exchange classes: who the caller is in the ERP and
// whether that user may use the web-service interface. A user may when they
// are active (not forbidden) and either belong to user group 1 or hold the
// web-service access right (object type 16 with a mask other than 0).
//
// Nothing is cached: every call asks the database again through connections
// of its own, so a right granted or revoked in the ERP counts at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// The FUserID of the property string's user when that user exists and is
// active; -1 otherwise and on any failure. Never raises.
int32_t GetActiveUserID() noexcept;
// The FName of that user; "" otherwise and on any failure. Never raises.
std::string GetActiveUserName() noexcept;
// Whether the active user belongs to group 1; false on any failure.
bool IsGroupOneMember() noexcept;
// Whether the active user holds the web-service right: the first access row
// of object type 16 has a mask other than 0 and not Null. A database that
// cannot be reached or a failing statement raises.
bool HasWebServiceRight();

// Parses the property string into this thread's call context and lets the
// call in (true) when the user may use the web service. A refused user gets
// the rights message in `error_text`; any run-time error gets its
// BuildErrorText. `error_text` is not touched when the call is let in. Never
// raises.
bool BeginServiceCall(std::string_view props, std::string& error_text) noexcept;

}  // namespace corvane

// The property string of a call and the call context of the current thread.
//
// A property string is a sequence of "key=value;" pairs; a value that starts
// with "{" runs to the next "}" and may hold ";" and "=" (this is how the OLE
// DB connection string of the account database travels). Keys match without
// regard to letter case. Example:
//   ConnectString={Provider=SQLite;Data Source=/srv/acct.db};UserID=16394;
//
// Every public method parses its own property string first; the accessors
// then read what the last parse on the same thread stored. All routines here
// may be called from any thread and touch only that thread's state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "values/value_dictionary.h"

namespace corvane {

// The pairs of a property string, without touching any call context: what
// ParsePropsString stores. A duplicate key raises 457.
std::shared_ptr<ValueDictionary> ParsePropsPairs(std::string_view props);

// Replaces the call context of this thread with the pairs of `props`.
// Parsing stops at the first empty key. A key that occurs twice raises 457;
// the pairs before it stay stored. Returns true once the string is consumed.
bool ParsePropsString(std::string_view props);

// The value stored under `key`; a key the last parse did not store raises 5.
std::string GetPropValue(std::string_view key);
// The raw property string of the call context.
std::string GetPropsString();
// The public call this thread is in: a number that changes with every
// ParsePropsString on the thread. What need not be done per statement (the
// identity of the account's file) is done once per call number.
uint64_t CallNumber();
// GetPropValue("ConnectString").
std::string GetConnectString();
// GetPropValue("UserID") as a 32-bit integer: missing raises 5, text that is
// not a number raises 13, a number out of range raises 6.
int32_t GetUserID();

// The login property string of this process, from "PropsMgr.ShareProps";
// "" when the component cannot be created or has none. Never raises.
std::string GetLoginPropsString();
// The value of one key of the login property string, or "". Never raises.
std::string GetLoginPropValue(std::string_view name);

// The current process ID.
int32_t CurrentProcessId();

}  // namespace corvane

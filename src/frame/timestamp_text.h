// Row timestamps as text. A row version travels as "0x" followed by two
// upper-case hexadecimal digits per byte, in stored order: 18 characters for
// the 8-byte value. "0x0000000000000000" stands for "no timestamp" and, on
// input, for "from the beginning".
#pragma once

#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kZeroTimestamp = "0x0000000000000000";
// What the invoice and stock bill exports answer for an empty page: past
// every row version, so passing it back finds nothing until the caller
// starts again.
inline constexpr const char* kEndOfTableTimestamp = "0xFFFFFFFFFFFFFFFF";

// The text of a row-version value (Bytes); anything else, Null and an empty
// value included, gives kZeroTimestamp. Never raises.
std::string TimestampToText(const Variant& value) noexcept;

// True for "0x" followed by 1 to 16 hexadecimal digits: the only timestamp
// text that may be put into SQL as a binary literal.
bool IsTimestampText(std::string_view text);

// Whether the row version written `a` comes before `b`: both are "0x" texts
// of TimestampToText, compared as numbers whatever their length.
bool TimestampLess(std::string_view a, std::string_view b);

// Paging below the active row-version floor (IConnection::ActiveRowVersionFloor):
// the rows of transactions still open come in a later call, never never.
// " AND <column><0x...", or "" when `floor` is Empty.
std::string BelowFloorCondition(std::string_view column, const Variant& floor);
// The timestamp text `max_text` kept below `floor`: the version just under
// the floor when `max_text` reaches it; `max_text` itself when `floor` is
// Empty or above it.
std::string CappedBelowFloor(const std::string& max_text, const Variant& floor);

}  // namespace corvane

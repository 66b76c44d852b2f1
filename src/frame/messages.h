// The message lookup: every fixed text the component shows a caller is
// written in Chinese and passes through here, so that the resource loader can
// give it in the user's language. Without a loader, or without a translation,
// the Chinese text is what the caller sees.
//
// Text forms:
//  - plain: the whole text, trimmed, is the key;
//  - composite: pieces separated by "^|^"; a piece starting with "~$~" is
//    looked up (without the marker), any other piece is used as it is;
//  - formatted: "%1", "%2", ... filled by FormatMessageText.
//
// The lookups never raise and never disturb this thread's pending error. The
// language and the loader are kept per thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane {

inline constexpr const char* kResFileBaseName = "TavoINDUSTRY";
inline constexpr const char* kCompositeSeparator = "^|^";
inline constexpr const char* kLookupMarker = "~$~";

std::string GetMessageText(std::string_view text) noexcept;

// Marks a fixed text that is looked up later (kept in a table, passed on):
// the text itself. The translation check collects these like the texts of
// GetMessageText.
constexpr const char* MessageKey(const char* text) { return text; }

// The looked-up template with "%n" replaced by the n-th value (Null as "").
std::string FormatMessageText(std::string_view text_template,
                              const std::vector<Variant>& values) noexcept;

// The error text of a caught run-time error: the labels "错误号:",
// "错误源:" and "错误描述:" (each looked up) with the number, source and
// description, on three lines separated by CR LF.
std::string BuildErrorText(const RuntimeError& error) noexcept;

}  // namespace corvane

// Replacing a file so that a crash or a failure never leaves it half written:
// the text goes to a temporary file in the same folder, which is synced to
// disk and renamed over the old file, and the folder is synced so the rename
// itself survives a power loss. Any thread may call; two writers of the same
// path each leave one whole file (the later rename wins).
#pragma once

#include <string>
#include <string_view>

namespace corvane::platform {

// Replaces `path` with `text`. On failure the old file is unchanged, the
// temporary file is removed, and a RuntimeError (75, "Path/File access
// error") says which file and why.
void ReplaceFileAtomically(const std::string& path, std::string_view text);

}  // namespace corvane::platform

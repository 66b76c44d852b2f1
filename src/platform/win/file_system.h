// FileSystem: "Scripting.FileSystemObject", as far as the XML log uses it.
//
// FileExists answers whether a regular file (or a link to one) is at the
// path. LockExclusive opens (creating it when missing, mode 0644) the lock
// file "<path>.lock" and takes an exclusive flock on it, waiting as long as
// another holder keeps it; the lock is released when the answered lock
// object is destroyed. flock belongs to the open file, so two lockers in one
// process exclude each other as two processes do. The lock file stays: its
// removal could let two lockers hold locks on two different files.
//
// Any thread may call; a lock object may be released on any thread.
#pragma once

#include <memory>
#include <string_view>

#include "frame/outside/dom_document.h"

namespace corvane::platform {

class FileSystem : public IFileSystem {
 public:
  bool FileExists(std::string_view path) override;
  // Raises 75 (Path/File access error) naming the lock file when it cannot
  // be made, opened or locked.
  std::shared_ptr<IFileLock> LockExclusive(std::string_view path) override;
};

}  // namespace corvane::platform

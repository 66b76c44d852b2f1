#include "platform/win/atomic_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>

#include "values/run_time_error.h"

namespace corvane::platform {
namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
  throw RuntimeError(75, "File", what + ": " + std::strerror(error));
}

}  // namespace

void ReplaceFileAtomically(const std::string& path, std::string_view text) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++counter);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot write " + path, errno);
  auto abandon = [&](const std::string& what, int error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    Fail(what, error);
  };
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon("cannot write " + path, errno);
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) abandon("cannot write " + path + " to disk", errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail("cannot write " + path, error);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail("cannot replace " + path, error);
  }
  // Sync the folder so the new name is on disk too.
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace corvane::platform

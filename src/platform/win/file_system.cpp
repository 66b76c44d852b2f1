#include "platform/win/file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "values/run_time_error.h"

namespace corvane::platform {
namespace {

constexpr const char* kSource = "Scripting.FileSystemObject";
constexpr int kPathFileAccessError = 75;

class FlockLock : public IFileLock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override { ::close(fd_); }  // closing the file ends its lock
  FlockLock(const FlockLock&) = delete;
  FlockLock& operator=(const FlockLock&) = delete;

 private:
  int fd_;
};

}  // namespace

bool FileSystem::FileExists(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::shared_ptr<IFileLock> FileSystem::LockExclusive(std::string_view path) {
  const std::string lock_path = std::string(path) + ".lock";
  const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw RuntimeError(kPathFileAccessError, kSource,
                       "cannot open the lock file " + lock_path + ": " + std::strerror(errno));
  }
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    throw RuntimeError(kPathFileAccessError, kSource,
                       "cannot lock " + lock_path + ": " + std::strerror(error));
  }
  try {
    return std::make_shared<FlockLock>(fd);
  } catch (...) {
    ::close(fd);
    throw;
  }
}

}  // namespace corvane::platform

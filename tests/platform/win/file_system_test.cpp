#include "platform/win/file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "frame/outside/dom_document.h"
#include "frame/outside/object_factory.h"
#include "platform/platform_components.h"
#include "support/error_number.h"
#include "support/temp_dir.h"

namespace corvane::platform {
namespace {

using corvane::testing::ErrorNumberOf;
using corvane::testing::TempDir;

TEST(FileSystem, FileExistsOnlyForFiles) {
  TempDir dir;
  std::ofstream(dir.File("file.xml")) << "x";
  std::filesystem::create_directory(dir.File("folder"));
  std::filesystem::create_symlink(dir.File("file.xml"), dir.File("link.xml"));
  std::filesystem::create_symlink(dir.File("gone.xml"), dir.File("dangling.xml"));
  struct Case {
    const char* name;
    bool exists;
  };
  const Case cases[] = {{"file.xml", true},     {"link.xml", true},      {"folder", false},
                        {"missing.xml", false}, {"dangling.xml", false}, {" file.xml", false}};
  RegisterPlatformComponents();
  auto files = CreateObjectAs<IFileSystem>(kFileSystemProgId);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files->FileExists(dir.File(c.name)), c.exists);
  }
}

TEST(FileSystem, ALockExcludesEveryOtherLockerUntilReleased) {
  TempDir dir;
  const std::string path = dir.File("log.xml");
  FileSystem files;
  auto lock = files.LockExclusive(path);
  EXPECT_TRUE(std::filesystem::exists(path + ".lock"));
  EXPECT_FALSE(std::filesystem::exists(path));  // only the lock file is made

  std::atomic<bool> taken{false};
  std::thread other([&] {
    FileSystem own;
    auto second = own.LockExclusive(path);
    taken = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(taken);
  lock.reset();
  other.join();
  EXPECT_TRUE(taken);
  // Released again: the lock can be taken at once.
  EXPECT_TRUE(files.LockExclusive(path));
}

TEST(FileSystem, ALockThatCannotBeMadeRaises) {
  TempDir dir;
  FileSystem files;
  EXPECT_EQ(ErrorNumberOf([&] { files.LockExclusive(dir.File("no-folder/log.xml")); }), 75);
}

}  // namespace
}  // namespace corvane::platform

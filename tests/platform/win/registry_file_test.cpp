#include "platform/win/registry_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace corvane::platform {
namespace {

TEST(RegistryFile, ReadsValuesOfTheirKeyWithoutRegardToCase) {
  testing::TempDir dir;
  const std::string path = dir.File("registry.ini");
  std::ofstream(path) << "; installation of the web service\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER]\n"
                         "path=/wrong\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]\n"
                         "  Path = \"/opt/corvane svc\"  \n"
                         "empty=\n";
  RegistryFile reg(path);
  const char* key = "hkey_local_machine\\software\\brisquel\\zuwebservice";
  EXPECT_EQ(reg.ReadValue(key, "path", Variant("d")), Variant("/opt/corvane svc"));
  EXPECT_EQ(reg.ReadValue(key, "empty", Variant("d")), Variant(""));
  EXPECT_EQ(reg.ReadValue(key, "missing", Variant("d")), Variant("d"));
  EXPECT_EQ(reg.ReadValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\NONE", "path", Variant()), Variant());
}

TEST(RegistryFile, AByteOrderMarkDoesNotHideTheFirstKey) {
  testing::TempDir dir;
  const std::string path = dir.File("bom.ini");
  std::ofstream(path) << "\xEF\xBB\xBF[K]\nv=1\n";
  EXPECT_EQ(RegistryFile(path).ReadValue("K", "v", Variant()), Variant("1"));
}

TEST(RegistryFile, MissingFileHoldsNoValues) {
  RegistryFile reg("/nonexistent/registry.ini");
  EXPECT_EQ(reg.ReadValue("HKEY_LOCAL_MACHINE\\X", "path", Variant("")), Variant(""));
}

TEST(RegistryFile, EnvironmentNamesTheFile) {
  testing::TempDir dir;
  const std::string path = dir.File("reg.ini");
  std::ofstream(path) << "[K]\nv=1\n";
  testing::ScopedEnv env(kRegistryEnvironment, path);
  EXPECT_EQ(RegistryFilePath(), path);
  EXPECT_EQ(RegistryFile().ReadValue("K", "v", Variant()), Variant("1"));
}

}  // namespace
}  // namespace corvane::platform

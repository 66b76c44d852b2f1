#include "frame/schema_folder.h"

#include <gtest/gtest.h>

#include <thread>

#include "frame/module_state.h"
#include "support/error_number.h"

namespace corvane {
namespace {

TEST(SchemaFolderPaths, SeparatorsAndFileNames) {
  EXPECT_EQ(EnsureTrailingSeparator(""), "");
  EXPECT_EQ(EnsureTrailingSeparator("/opt/svc"), "/opt/svc/");
  EXPECT_EQ(EnsureTrailingSeparator("/opt/svc/"), "/opt/svc/");
  EXPECT_EQ(EnsureTrailingSeparator("C:\\Svc\\"), "C:\\Svc\\");
  EXPECT_EQ(FileNameOfPath(""), "");
  EXPECT_EQ(FileNameOfPath("/a/b/TavoIndSaleOrder.xsd"), "TavoIndSaleOrder.xsd");
  EXPECT_EQ(FileNameOfPath("C:\\Svc\\SCHEMA\\x.xsd"), "x.xsd");
  EXPECT_EQ(FileNameOfPath("x.xsd"), "x.xsd");
}

// A registry holding at most one value, the installation folder.
class FakeRegistry : public RegistryReader {
 public:
  explicit FakeRegistry(std::optional<std::string> path) : path_(std::move(path)) {}
  Variant ReadValue(std::string_view key_path, std::string_view value_name,
                    const Variant& fallback) override {
    if (path_ && key_path == kInstallationKey && value_name == "path") return Variant(*path_);
    return fallback;
  }

 private:
  std::optional<std::string> path_;
};

class SchemaFolderTest : public ::testing::Test {
 protected:
  void Install(std::optional<std::string> path) {
    SetRegistryReaderProvider([path] { return std::make_shared<FakeRegistry>(path); });
  }
  void TearDown() override { SetRegistryReaderProvider(previous_); }
  RegistryReaderProvider previous_ = SetRegistryReaderProvider(nullptr);
};

TEST_F(SchemaFolderTest, InstallationFolderFromTheRegistry) {
  struct Case {
    std::optional<std::string> path;
    const char* folder;
  };
  const Case cases[] = {{"/opt/svc", "/opt/svc/SCHEMA/"},
                        {"/opt/svc/", "/opt/svc/SCHEMA/"},
                        {"C:\\Svc\\", "C:\\Svc\\SCHEMA/"},
                        {"", "SCHEMA/"},
                        {std::nullopt, "SCHEMA/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.value_or("(absent)"));
    Install(c.path);
    EXPECT_EQ(ReadSchemaFolder(), c.folder);
  }
}

TEST_F(SchemaFolderTest, WithoutARegistryReaderTheReadFails) {
  EXPECT_EQ(testing::ErrorNumberOf([] { ReadSchemaFolder(); }), err::kCannotCreateObject);
}

TEST_F(SchemaFolderTest, ReadOncePerThreadAndKept) {
  Install("/first");
  std::thread([this] {
    EXPECT_EQ(ThisThreadSchemaFolder(), "/first/SCHEMA/");
    Install("/second");
    EXPECT_EQ(ThisThreadSchemaFolder(), "/first/SCHEMA/");
  }).join();
  std::thread([] { EXPECT_EQ(ThisThreadSchemaFolder(), "/second/SCHEMA/"); }).join();
}

}  // namespace
}  // namespace corvane

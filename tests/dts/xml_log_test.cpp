#include "dts/xml_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/outside/dom_document.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "platform/platform_components.h"
#include "support/encoding.h"
#include "support/error_number.h"
#include "support/temp_dir.h"
#include "values/format.h"
#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane {
namespace {

using corvane::testing::Convert;
using corvane::testing::ErrorNumberOf;
using corvane::testing::ReadBytes;
using corvane::testing::WriteBytes;
using corvane::testing::TempDir;


std::string TimeNow() {
  const Date now = Now();
  return FormatDate(now, "yyyy-mm-dd") + "T" + FormatDate(now, "hh:nn:ss");
}

// The current folder, changed for the length of a scope.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCurrentFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

class XmlLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    // The component's folder is the test's own folder.
    SystemServices services = InstallSystemServices({});
    previous_ = services;
    services.module_folder = [folder = dir_.path().string() + "/"] { return folder; };
    InstallSystemServices(services);
  }
  void TearDown() override { InstallSystemServices(previous_); }

  std::string Log(const std::string& name = "log.xml") const { return dir_.File(name); }

  TempDir dir_;
  SystemServices previous_;
};

TEST_F(XmlLogTest, TheFirstReportCreatesTheLog) {
  struct Case {
    const char* why;
    std::string argument;
    std::string file;
  };
  const Case cases[] = {
      {"a path", Log("ops.xml"), Log("ops.xml")},
      {"no path", "", Log(kDefaultLogFileName)},
      {"a blank path", "   ", Log(kDefaultLogFileName)},
  };
  const std::regex layout(
      "<\\?xml version=\"1\\.0\" encoding=\"GB2312\"\\?>\n"
      "<ErrLogRoot xmlns:xsd=\"http://www\\.w3\\.org/2001/XMLSchema\" "
      "xmlns:xsi=\"http://www\\.w3\\.org/2001/XMLSchema-instance\">"
      "<ErrLog Direct=\"Corvane\" Time=\"(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\" "
      "ErrMsg=\"\xBE\xAF\xB8\xE6\"/></ErrLogRoot>\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(LogFilePath(c.argument), c.file);
    const std::string before = TimeNow();
    AppendLogReport(c.argument, "警告");
    const std::string after = TimeNow();
    const std::string bytes = ReadBytes(c.file);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(bytes, match, layout)) << bytes;
    EXPECT_LE(before, match[1].str());
    EXPECT_GE(after, match[1].str());
    EXPECT_EQ(Convert(bytes, "GB2312", "UTF-8").value_or("not GB2312").find("ErrMsg=\"警告\""),
              bytes.find("ErrMsg="));
    std::filesystem::remove(c.file);
  }
}

TEST_F(XmlLogTest, ASecondReportKeepsTheFirstAsItWas) {
  AppendLogReport(Log(), "第一条");
  const std::string first = ReadBytes(Log());
  const size_t entry = first.find("<ErrLog ");
  const std::string first_entry = first.substr(entry, first.find("/>", entry) + 2 - entry);
  AppendLogReport(Log(), "second");
  const std::string second = ReadBytes(Log());
  EXPECT_EQ(second.substr(0, entry + first_entry.size()), first.substr(0, entry) + first_entry);
  EXPECT_EQ(second.find("<ErrLog ", entry + 1), entry + first_entry.size());

  const std::vector<LogEntry> entries = ReadLog(Log());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, "第一条");
  EXPECT_EQ(entries[1].message, "second");
  for (const LogEntry& e : entries) EXPECT_EQ(e.direct, "Corvane");
  EXPECT_LE(entries[0].time, entries[1].time);
}

TEST_F(XmlLogTest, EveryTextReadsBackWhole) {
  const std::string texts[] = {
      "系统检测到单号[SO-1]"
      "的销售订单在Tavo系统中已经存在，\r\n因此该服务请求已取消，\r\n请重新传递!\r\n",
      "Price 5 € and ✓ and 😀",
      "<tag attr=\"v\">&amp; 'quoted'</tag>",
      "\ttabbed\nline feed only\rcarriage return only",
      "  blanks around  ",
      "",
  };
  int n = 0;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::string path = Log("log" + std::to_string(++n) + ".xml");
    AppendLogReport(path, "before");
    AppendLogReport(path, text);
    const std::vector<LogEntry> entries = ReadLog(path);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].message, text);
    EXPECT_TRUE(Convert(ReadBytes(path), "GB2312", "UTF-8")) << "not GB2312";
  }
}

TEST_F(XmlLogTest, APathWithBlanksAroundIsUsedWithThem) {
  ScopedCurrentFolder here(dir_.path());
  AppendLogReport("  log.xml ", "x");
  EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"  log.xml ", "  log.xml .lock"}));
  EXPECT_EQ(ReadLog("  log.xml ").size(), 1u);
}

TEST_F(XmlLogTest, AFileThatIsNotThisLogIsLeftUntouched) {
  const std::string cases[] = {
      "<?xml version=\"1.0\"?>\n<Orders><Order/></Orders>\n",
      "plain text, not XML",
      "",
      "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<ErrLogRoot>",
      "<ErrLogRoot/>",  // no declaration: the root is the first node
      "<?xml version=\"1.0\"?><!-- log --><ErrLogRoot/>",
      "<?xml version=\"1.0\"?><ErrLogRoot xmlns=\"urn:other\"/>",
      "<?xml version=\"1.0\"?><x:ErrLogRoot xmlns:x=\"urn:other\"/>",
      "<?xml version=\"1.0\"?><?ErrLogRoot here?><ErrLogRoot/>",
      "<?xml version=\"1.0\"?><!DOCTYPE ErrLogRoot [<!ENTITY e "
      "\"x\">]><ErrLogRoot>&e;</ErrLogRoot>",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    WriteBytes(Log(), text);
    EXPECT_EQ(ErrorNumberOf([&] { AppendLogReport(Log(), "lost"); }), 75);
    EXPECT_EQ(ReadBytes(Log()), text);
    EXPECT_EQ(ErrorNumberOf([&] { ReadLog(Log()); }), 75);
    EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"log.xml", "log.xml.lock"}));
  }
}

TEST_F(XmlLogTest, AReportThatFailsWritesNothing) {
  AppendLogReport(Log(), "kept");
  const std::string before = ReadBytes(Log());
  struct Case {
    const char* why;
    std::function<void()> append;
    int32_t number;
  };
  auto cannot_create = [] { return ObjectPtr(); };
  const Case cases[] = {
      {"a character XML cannot carry", [&] { AppendLogReport(Log(), "bell\x07"); },
       err::kInvalidCall},
      {"text that is not UTF-8", [&] { AppendLogReport(Log(), "\xC3("); }, err::kInvalidCall},
      {"no DOM",
       [&] {
         ScopedProgIdOverride none(kDomDocumentProgId, cannot_create);
         AppendLogReport(Log(), "x");
       },
       err::kCannotCreateObject},
      {"no file system",
       [&] {
         ScopedProgIdOverride none(kFileSystemProgId, cannot_create);
         AppendLogReport(Log(), "x");
       },
       err::kCannotCreateObject},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ErrorNumberOf(c.append), c.number);
    EXPECT_EQ(ReadBytes(Log()), before);
  }
  EXPECT_EQ(ErrorNumberOf([&] { AppendLogReport(Log("no-folder/log.xml"), "x"); }), 75);
  EXPECT_EQ(ErrorNumberOf([&] { ReadLog(Log("missing.xml")); }), err::kFileNotFound);
  EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"log.xml", "log.xml.lock"}));
}

TEST_F(XmlLogTest, TwoProcessesAppendingAtOnceLoseNoEntry) {
  constexpr int kEach = 200;
  AppendLogReport(Log(), "start");
  pid_t children[2];
  for (int who = 0; who < 2; ++who) {
    children[who] = fork();
    ASSERT_GE(children[who], 0);
    if (children[who] == 0) {
      int status = 0;
      try {
        for (int i = 0; i < kEach; ++i)
          AppendLogReport(Log(), "process " + std::to_string(who) + " entry " + std::to_string(i));
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
  }
  for (pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::vector<LogEntry> entries = ReadLog(Log());
  ASSERT_EQ(entries.size(), 1u + 2 * kEach);
  EXPECT_EQ(entries[0].message, "start");
  int next[2] = {0, 0};  // each process's entries come in its own order
  for (size_t i = 1; i < entries.size(); ++i) {
    const std::string& m = entries[i].message;
    const int who = m.rfind("process 1 ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(m, "process " + std::to_string(who) + " entry " + std::to_string(next[who]++));
  }
  EXPECT_EQ(next[0], kEach);
  EXPECT_EQ(next[1], kEach);
}

}  // namespace
}  // namespace corvane

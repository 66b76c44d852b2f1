// Every fixed text the component can show has a translation in every shipped
// language: the texts are collected from the sources, where they are written
// as the argument of GetMessageText, FormatMessageText or MessageKey, or as a
// "~$~" piece of a composite message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/win/resource_loader.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path SourceDir() {
  const char* dir = std::getenv("CORVANE_SOURCE_DIR");
  return dir ? fs::path(dir) : fs::path(".");
}

std::set<std::string> MessageTextsInSources() {
  std::set<std::string> texts;
  const std::regex call(R"re((?:GetMessageText|FormatMessageText|MessageKey)\(\s*"((?:[^"\\]|\\.)*)")re");
  const std::regex piece(R"re(~\$~([^"^]+))re");
  for (const auto& entry : fs::recursive_directory_iterator(SourceDir() / "src")) {
    if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
    const std::string text = ReadFile(entry.path());
    for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
      const std::string t = (*it)[1];
      if (t.find("^|^") == std::string::npos && !t.empty()) texts.insert(t);
    }
    for (std::sregex_iterator it(text.begin(), text.end(), piece), end; it != end; ++it)
      texts.insert((*it)[1]);
  }
  return texts;
}

TEST(Translations, EveryMessageTextHasEveryLanguage) {
  const std::set<std::string> texts = MessageTextsInSources();
  ASSERT_FALSE(texts.empty()) << "no message texts found under " << SourceDir();
  // The front door's refusal is one of them: the collection really reads the sources.
  EXPECT_EQ(texts.count("当前连接用户没有授权通过 WebServices 进行数据处理!"), 1u);
  for (const char* language : {"ENG", "CHT"}) {
    SCOPED_TRACE(language);
    const fs::path file = SourceDir() / "resources" / (std::string("TavoINDUSTRY.") + language + ".po");
    ASSERT_TRUE(fs::exists(file)) << file;
    const auto table = ParseResourceText(ReadFile(file), file.string());
    for (const std::string& text : texts) EXPECT_EQ(table.count(text), 1u) << "missing: " << text;
    for (const auto& [key, value] : table)
      EXPECT_EQ(texts.count(key), 1u) << "translated but never shown: " << key;
  }
}

}  // namespace
}  // namespace corvane::platform

#include "platform/win/resource_loader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/error_number.h"
#include "support/temp_dir.h"

namespace corvane::platform {
namespace {

TEST(ParseResourceText, EntriesEscapesAndContinuations) {
  const auto table = ParseResourceText(
      "\xEF\xBB\xBF# comment\n"
      "msgid \"单据不存在！\"\n"
      "msgstr \"No such document!\"\n"
      "\n"
      "msgid \"a\\\"b\\\\c\"\r\n"
      "msgstr \"x\\ty\\n\"\r\n"
      "msgid \"long\"\n"
      "msgstr \"part one, \"\n"
      "  \"part two\"\n"
      "msgid \"untranslated\"\n"
      "msgstr \"\"\n",
      "t.po");
  EXPECT_EQ(table.at("单据不存在！"), "No such document!");
  EXPECT_EQ(table.at("a\"b\\c"), "x\ty\n");
  EXPECT_EQ(table.at("long"), "part one, part two");
  EXPECT_EQ(table.count("untranslated"), 0u);
}

TEST(ParseResourceText, MalformedTextNamesTheLine) {
  const char* bad[] = {"msgstr \"x\"\n", "msgid \"x\"\n", "msgid \"x\nmsgstr \"y\"\n",
                       "msgid \"x\" junk\nmsgstr \"y\"\n", "msgid \"\\q\"\nmsgstr \"y\"\n",
                       "hello\n"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    try {
      ParseResourceText(text, "bad.po");
      ADD_FAILURE() << "accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 75);
      EXPECT_EQ(e.description().rfind("bad.po:", 0), 0u) << e.description();
    }
  }
}

TEST(ResourceFileLoader, AnswersTheKeyWhenItHasNoTranslation) {
  testing::TempDir dir;
  std::ofstream(dir.File("TavoINDUSTRY.ENG.po")) << "msgid \"是\"\nmsgstr \"yes\"\n";
  ResourceFileLoader loader(dir.path().string() + "/");
  loader.SetResFileBaseName("TavoINDUSTRY");
  EXPECT_EQ(loader.LoadString("是"), "是");  // no language yet
  loader.SetLanguageID("eng");
  EXPECT_EQ(loader.LoadString("是"), "yes");
  EXPECT_EQ(loader.LoadString("否"), "否");  // a key the file lacks
  loader.SetLanguageID("GER");
  EXPECT_EQ(loader.LoadString("是"), "是");  // no file for the language
  loader.SetLanguageID("ENG");
  loader.SetResFileBaseName("Other");
  EXPECT_EQ(loader.LoadString("是"), "是");
}

}  // namespace
}  // namespace corvane::platform

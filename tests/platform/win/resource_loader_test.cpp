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
  const struct {
    const char* text;
    const char* where;  // "bad.po:<line>: " and the start of why
  } bad[] = {
      {"msgstr \"x\"\n", "bad.po:1: msgstr without msgid"},
      {"msgid \"x\"\n", "bad.po:1: the last msgid has no msgstr"},
      {"msgid \"x\nmsgstr \"y\"\n", "bad.po:1: a string is not closed"},
      {"msgid \"x\" junk\nmsgstr \"y\"\n", "bad.po:1: unexpected text after a string"},
      {"msgid \"\\q\"\nmsgstr \"y\"\n", "bad.po:1: unknown escape"},
      {"hello\n", "bad.po:1: unknown keyword hello"},
      {"# c\n\nmsgctxt \"menu\"\nmsgid \"x\"\nmsgstr \"y\"\n", "bad.po:3: unknown keyword msgctxt"},
      {"msgid \"x\"\nmsgid_plural \"xs\"\nmsgstr \"y\"\n",
       "bad.po:2: unknown keyword msgid_plural"},
      {"msgid \"a\"\nmsgid \"b\"\nmsgstr \"y\"\n", "bad.po:2: a msgid follows a msgid"},
      {"msgid \"a\"\nmsgstr \"y\"\n\nmsgid \"a\"\nmsgstr \"z\"\n",
       "bad.po:4: the msgid \"a\" is given twice (first on line 1)"},
      {"msgid \"a\"\nmsgstr\n", "bad.po:2: a string in double quotes is missing"},
      {"\"x\"\n", "bad.po:1: a string without msgid or msgstr"},
      {"msgid \"a\"\nmsgstr \"\xB5\xA5\"\n", "bad.po:2: the text is not UTF-8"},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.text);
    try {
      ParseResourceText(c.text, "bad.po");
      ADD_FAILURE() << "accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 75);
      EXPECT_EQ(e.description().rfind(c.where, 0), 0u) << e.description();
    }
  }
}

TEST(ResourceFileLoader, RefusesAMalformedFileWholeOnEveryLookup) {
  testing::TempDir dir;
  std::ofstream(dir.File("TavoINDUSTRY.ENG.po"))
      << "msgid \"是\"\nmsgstr \"yes\"\n\nmsgctxt \"x\"\n";
  ResourceFileLoader loader(dir.path().string() + "/");
  loader.SetResFileBaseName("TavoINDUSTRY");
  loader.SetLanguageID("ENG");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    try {
      loader.LoadString("是");
      ADD_FAILURE() << "a text of the malformed file was used";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 75);
      EXPECT_NE(e.description().find("TavoINDUSTRY.ENG.po:4: unknown keyword msgctxt"),
                std::string::npos)
          << e.description();
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

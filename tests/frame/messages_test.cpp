#include "frame/messages.h"

#include <gtest/gtest.h>

#include "frame/err_object.h"
#include "frame/module_state.h"
#include "frame/outside/object_factory.h"
#include "support/fake_components.h"

namespace corvane {
namespace {

using testing::FixedLoginProps;
using testing::TableLoader;

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Reset();
    ClearPendingError();
  }
  static void Reset() {
    ThisThreadState().message_language.clear();
    ThisThreadState().resource_loader.reset();
  }
  // Registers a table loader and the login language; returns the loader the
  // lookup will create.
  std::shared_ptr<TableLoader> UseLoader(std::map<std::string, std::string> table,
                                         std::optional<std::string> login = "LANGUAGE=ENG",
                                         bool fail = false) {
    loader_ = std::make_shared<TableLoader>(std::move(table), fail);
    auto loader = loader_;
    loader_reg_.emplace(kResourceLoaderProgId, [loader] { return loader; });
    props_reg_.emplace(kSharePropsProgId,
                       [login] { return std::make_shared<FixedLoginProps>(login); });
    return loader_;
  }

  std::shared_ptr<TableLoader> loader_;
  std::optional<ScopedProgIdOverride> loader_reg_, props_reg_;
};

TEST_F(MessagesTest, WithoutALoaderTheTextComesBackAsWritten) {
  ScopedProgIdOverride none(kResourceLoaderProgId, nullptr);
  EXPECT_EQ(GetMessageText("单据不存在！"), "单据不存在！");
  EXPECT_EQ(GetMessageText("  "), "  ");  // not even trimmed
  EXPECT_EQ(GetMessageText(" a^|^~$~b "), " a^|^~$~b ");
}

TEST_F(MessagesTest, PlainAndCompositeTexts) {
  auto loader = UseLoader({{"单据不存在！", "No such document!"}, {"B", "bee"}, {"", "EMPTY"}});
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"单据不存在！", "No such document!"},
      {"  单据不存在！ ", "No such document!"},  // the key is trimmed
      {"unknown", "unknown"},
      {"  ", ""},                                // blanks only: no lookup at all
      {"A^|^~$~B^|^C", "AbeeC"},
      {"~$~B^|^~$~单据不存在！", "beeNo such document!"},
      {"x^|^~$~", "x"},                          // "~$~" alone looks up "", which is ""
      {"~$~B", "~$~B"},                          // a marker counts only in a composite
      {"A ^|^ ~$~B", "A  ~$~B"},                 // the marker must start the piece
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(GetMessageText(c.text), c.expected);
  }
  EXPECT_EQ(loader->base_name, "TavoINDUSTRY");
  EXPECT_EQ(loader->language, "ENG");
}

TEST_F(MessagesTest, AFailingLoaderGivesTheTrimmedText) {
  UseLoader({}, "LANGUAGE=ENG", /*fail=*/true);
  EXPECT_EQ(GetMessageText("  单据不存在！  "), "单据不存在！");
}

TEST_F(MessagesTest, LanguageIsReadOnceButRetriedWhileUnknown) {
  UseLoader({{"B", "bee"}}, std::nullopt);  // no login properties: no language
  EXPECT_EQ(GetMessageText("B"), "B");
  props_reg_.reset();
  props_reg_.emplace(kSharePropsProgId, [] { return std::make_shared<FixedLoginProps>("LANGUAGE=ENG"); });
  EXPECT_EQ(GetMessageText("B"), "bee");  // asked again, now known
  props_reg_.reset();
  props_reg_.emplace(kSharePropsProgId, [] { return std::make_shared<FixedLoginProps>("LANGUAGE=CHT"); });
  EXPECT_EQ(GetMessageText("B"), "bee");  // kept for the thread
}

TEST_F(MessagesTest, APendingErrorSurvivesEveryLookup) {
  SetPendingError(RuntimeError(5, "Corvane.clsSaleOrder", "bad argument"));
  const PendingError before = Err();
  UseLoader({}, "LANGUAGE=ENG", /*fail=*/true);
  GetMessageText("单据不存在！");
  FormatMessageText("[%1]", {Variant(1)});
  BuildErrorText(RuntimeError(13));
  {
    ScopedProgIdOverride none(kResourceLoaderProgId, nullptr);
    Reset();
    GetMessageText("x");
  }
  EXPECT_EQ(Err(), before);
  EXPECT_EQ(Err().number, 5);
}

TEST_F(MessagesTest, FormatMessageTextFillsTheLookedUpTemplate) {
  UseLoader({{"单号[%1]已存在", "Bill [%1] exists"}});
  EXPECT_EQ(FormatMessageText("单号[%1]已存在", {Variant("SO'1")}), "Bill [SO'1] exists");
  EXPECT_EQ(FormatMessageText("[%1]", {Variant::Null()}), "[]");
  EXPECT_EQ(FormatMessageText("%2-%1", {Variant(1), Variant(2.5)}), "2.5-1");
}

TEST_F(MessagesTest, BuildErrorTextHasThreeLabelledLines) {
  ScopedProgIdOverride none(kResourceLoaderProgId, nullptr);
  EXPECT_EQ(BuildErrorText(RuntimeError(13, "Corvane.clsSaleOrder")),
            "错误号:13\r\n错误源:Corvane.clsSaleOrder\r\n错误描述:Type mismatch");
  UseLoader({{"错误号:", "Error number:"}, {"错误源:", "Error source:"},
             {"错误描述:", "Error description:"}});
  EXPECT_EQ(BuildErrorText(RuntimeError(-1, "src", "why")),
            "Error number:-1\r\nError source:src\r\nError description:why");
}

}  // namespace
}  // namespace corvane

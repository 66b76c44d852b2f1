#include "frame/call_context.h"

#include <gtest/gtest.h>

#include <thread>

#include "frame/outside/object_factory.h"
#include "frame/outside/share_props.h"
#include "support/error_number.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

TEST(ParsePropsString, BracedConnectStringKeepsItsSeparators) {
  ASSERT_TRUE(ParsePropsString(
      "ConnectString={Provider=SQLOLEDB.1;Data Source=a;Initial Catalog=b};UserID=16394"));
  EXPECT_EQ(GetConnectString(), "Provider=SQLOLEDB.1;Data Source=a;Initial Catalog=b");
  EXPECT_EQ(GetUserID(), 16394);
  EXPECT_EQ(GetPropsString(),
            "ConnectString={Provider=SQLOLEDB.1;Data Source=a;Initial Catalog=b};UserID=16394");
}

TEST(ParsePropsString, PairsAreTrimmedAndJunkAfterBraceDropped) {
  ParsePropsString(" ConnectString = { x } junk ; UserID= 7 ;");
  EXPECT_EQ(GetPropValue("ConnectString"), "x");
  EXPECT_EQ(GetPropValue("UserID"), "7");
  EXPECT_EQ(GetUserID(), 7);
}

TEST(ParsePropsString, KeyShapes) {
  struct Case {
    const char* props;
    const char* key;
    const char* value;  // nullptr: the key is not stored
  };
  const Case cases[] = {
      {"A=1;=2;B=3", "A", "1"},       // the empty key ends parsing ...
      {"A=1;=2;B=3", "B", nullptr},   // ... so B is never stored
      {"junk;UserID=5", "junk;UserID", "5"},
      {"junk;UserID=5", "UserID", nullptr},
      {"userid=3", "UserID", "3"},
      {"K=x=y;", "K", "x=y"},
      {"K={a}", "K", "a"},
      {"K={a;b", "K", "a;b"},  // an unclosed brace runs to the end
      {"K=", "K", ""},
      {"K", "K", ""},
      {"", "K", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.props) + " / " + c.key);
    ParsePropsString(c.props);
    if (c.value) {
      EXPECT_EQ(GetPropValue(c.key), c.value);
    } else {
      EXPECT_EQ(ErrorNumberOf([&] { GetPropValue(c.key); }), err::kInvalidCall);
    }
  }
}

TEST(ParsePropsString, DuplicateKeyIsAnErrorAndKeepsEarlierPairs) {
  EXPECT_EQ(ErrorNumberOf([] { ParsePropsString("a=1;b=2;A=3;c=4"); }), err::kDuplicateKey);
  EXPECT_EQ(GetPropValue("a"), "1");
  EXPECT_EQ(GetPropValue("b"), "2");
  EXPECT_EQ(ErrorNumberOf([] { GetPropValue("c"); }), err::kInvalidCall);
  EXPECT_EQ(GetPropsString(), "a=1;b=2;A=3;c=4");
}

TEST(ParsePropsString, ANewParseReplacesTheWholeContext) {
  ParsePropsString("ConnectString=x;UserID=1");
  ParsePropsString("UserID=2");
  EXPECT_EQ(GetUserID(), 2);
  EXPECT_EQ(ErrorNumberOf([] { GetConnectString(); }), err::kInvalidCall);
}

TEST(GetUserID, BadUserIdsRaiseTheLanguagesErrors) {
  struct Case {
    const char* props;
    int32_t error;
  };
  const Case cases[] = {
      {"ConnectString=x", err::kInvalidCall},  // missing
      {"UserID=abc", err::kTypeMismatch},
      {"UserID=", err::kTypeMismatch},
      {"UserID=12x", err::kTypeMismatch},
      {"UserID=99999999999", err::kOverflow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.props);
    ParsePropsString(c.props);
    EXPECT_EQ(ErrorNumberOf([] { GetUserID(); }), c.error);
  }
}

TEST(CallContext, EachThreadHasItsOwn) {
  ParsePropsString("UserID=1");
  std::thread other([] {
    EXPECT_EQ(ErrorNumberOf([] { GetUserID(); }), err::kInvalidCall);
    ParsePropsString("UserID=2");
    EXPECT_EQ(GetUserID(), 2);
  });
  other.join();
  EXPECT_EQ(GetUserID(), 1);
}

// A login-properties component that answers a fixed string, or fails.
class FakeShareProps : public IShareProps {
 public:
  explicit FakeShareProps(std::optional<std::string> props) : props_(std::move(props)) {}
  Variant GetProperty(int32_t& process_id, std::string& name) override {
    last_process_id = process_id;
    if (!props_ || name != "PropsString") throw RuntimeError(err::kInvalidCall);
    return Variant(*props_);
  }
  static inline int32_t last_process_id = 0;

 private:
  std::optional<std::string> props_;
};

ObjectCreator ShareProps(std::optional<std::string> props) {
  return [props] { return std::make_shared<FakeShareProps>(props); };
}

TEST(GetLoginPropValue, ReadsOneKeyOfThisProcesssLoginProperties) {
  struct Case {
    const char* login_props;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"LANGUAGE=CHT", "LANGUAGE", "CHT"},
      {"language=ENG;X=1;", "LANGUAGE", "ENG"},
      {"X=1;Language=ENG", "LANGUAGE", "ENG"},
      {"X=1; LANGUAGE=ENG;", "LANGUAGE", "ENG"},
      {"X=1", "LANGUAGE", ""},
      {"", "LANGUAGE", ""},
      // Another key that merely ends with the name is not the name.
      {"XLANGUAGE=GER;LANGUAGE=ENG", "LANGUAGE", "ENG"},
      {"XLANGUAGE=GER", "LANGUAGE", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.login_props);
    ScopedProgIdOverride fake(kSharePropsProgId, ShareProps(std::string(c.login_props)));
    EXPECT_EQ(GetLoginPropValue(c.key), c.expected);
  }
  EXPECT_EQ(FakeShareProps::last_process_id, CurrentProcessId());
}

TEST(GetLoginPropValue, MissingComponentOrPropertyGivesEmpty) {
  {
    ScopedProgIdOverride absent(kSharePropsProgId, nullptr);
    EXPECT_EQ(GetLoginPropsString(), "");
    EXPECT_EQ(GetLoginPropValue("LANGUAGE"), "");
  }
  {
    ScopedProgIdOverride no_property(kSharePropsProgId, ShareProps(std::nullopt));
    EXPECT_EQ(GetLoginPropValue("LANGUAGE"), "");
  }
  {
    ScopedProgIdOverride throws(kSharePropsProgId,
                                []() -> ObjectPtr { throw std::runtime_error("broken"); });
    EXPECT_EQ(GetLoginPropValue("LANGUAGE"), "");
  }
}

}  // namespace
}  // namespace corvane

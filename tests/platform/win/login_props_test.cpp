#include "platform/win/login_props.h"

#include <gtest/gtest.h>

#include "frame/call_context.h"
#include "frame/outside/object_factory.h"
#include "platform/platform_components.h"
#include "support/error_number.h"

namespace corvane::platform {
namespace {

class LoginPropsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlatformComponents(); }
  void TearDown() override { SetLoginPropsString(std::nullopt); }
};

TEST_F(LoginPropsTest, TheHostSetsTheLanguageOfItsProcess) {
  SetLoginPropsString("LANGUAGE=ENG");
  EXPECT_EQ(GetLoginPropsString(), "LANGUAGE=ENG");
  EXPECT_EQ(GetLoginPropValue("LANGUAGE"), "ENG");
  SetLoginPropsString(std::nullopt);
  EXPECT_EQ(GetLoginPropValue("LANGUAGE"), "");
}

TEST_F(LoginPropsTest, OnlyThisProcesssPropsStringIsKnown) {
  SetLoginPropsString("LANGUAGE=CHT");
  LoginProps props;
  int32_t pid = CurrentProcessId();
  std::string name = "PropsString";
  EXPECT_EQ(props.GetProperty(pid, name), Variant("LANGUAGE=CHT"));
  int32_t other = pid + 1;
  EXPECT_EQ(testing::ErrorNumberOf([&] { props.GetProperty(other, name); }), err::kInvalidCall);
  std::string other_name = "Other";
  EXPECT_EQ(testing::ErrorNumberOf([&] { props.GetProperty(pid, other_name); }),
            err::kInvalidCall);
}

}  // namespace
}  // namespace corvane::platform

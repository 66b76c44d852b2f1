#include "frame/outside/object_factory.h"

#include <gtest/gtest.h>

#include "support/error_number.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

class Widget : public Object {
 public:
  int id = 1;
};
class Gadget : public Object {};

TEST(ObjectFactory, CreatesByProgIdWithoutRegardToCase) {
  ScopedProgIdOverride reg("Test.Widget", [] { return std::make_shared<Widget>(); });
  EXPECT_NE(std::dynamic_pointer_cast<Widget>(CreateObject("test.WIDGET")), nullptr);
  EXPECT_NE(CreateObjectAs<Widget>("Test.Widget"), nullptr);
}

TEST(ObjectFactory, FailedCreationIsError429NamingTheProgId) {
  try {
    CreateObject("Test.NoSuchThing");
    FAIL() << "created an unknown ProgID";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kCannotCreateObject);
    EXPECT_NE(e.description().find("Test.NoSuchThing"), std::string::npos);
  }
  ScopedProgIdOverride null_creator("Test.Null", [] { return ObjectPtr(); });
  EXPECT_EQ(ErrorNumberOf([] { CreateObject("Test.Null"); }), err::kCannotCreateObject);
  ScopedProgIdOverride throwing("Test.Throws",
                                []() -> ObjectPtr { throw std::runtime_error("no"); });
  EXPECT_EQ(ErrorNumberOf([] { CreateObject("Test.Throws"); }), err::kCannotCreateObject);
  // A creator's own run-time error passes unchanged.
  ScopedProgIdOverride own_error("Test.Own", []() -> ObjectPtr { throw RuntimeError(70); });
  EXPECT_EQ(ErrorNumberOf([] { CreateObject("Test.Own"); }), 70);
}

TEST(ObjectFactory, WrongInterfaceIsError438) {
  ScopedProgIdOverride reg("Test.Gadget", [] { return std::make_shared<Gadget>(); });
  EXPECT_EQ(ErrorNumberOf([] { CreateObjectAs<Widget>("Test.Gadget"); }), err::kNoSuchMember);
}

TEST(ObjectFactory, OverrideRestoresThePreviousRegistration) {
  RegisterProgId("Test.Restore", [] {
    auto w = std::make_shared<Widget>();
    w->id = 1;
    return w;
  });
  {
    ScopedProgIdOverride fake("TEST.RESTORE", [] {
      auto w = std::make_shared<Widget>();
      w->id = 2;
      return w;
    });
    EXPECT_EQ(CreateObjectAs<Widget>("Test.Restore")->id, 2);
    {
      ScopedProgIdOverride gone("Test.Restore", nullptr);
      EXPECT_EQ(ErrorNumberOf([] { CreateObject("Test.Restore"); }), err::kCannotCreateObject);
    }
    EXPECT_EQ(CreateObjectAs<Widget>("Test.Restore")->id, 2);
  }
  EXPECT_EQ(CreateObjectAs<Widget>("Test.Restore")->id, 1);
  RegisterProgId("Test.Restore", nullptr);
  {
    ScopedProgIdOverride temporary("Test.Restore", [] { return std::make_shared<Widget>(); });
  }
  EXPECT_EQ(ErrorNumberOf([] { CreateObject("Test.Restore"); }), err::kCannotCreateObject);
}

}  // namespace
}  // namespace corvane

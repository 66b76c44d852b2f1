// The main of every test program: points the component at the source tree's
// resources and at the build's own registry file (the build's library folder
// as the installation folder), so that no setting of the machine running the
// tests changes what they see, then runs the tests.
#include <gtest/gtest.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  setenv("CORVANE_SOURCE_DIR", CORVANE_TEST_SOURCE_DIR, 0);
  setenv("CORVANE_BINARY_DIR", CORVANE_TEST_BINARY_DIR, 0);
  setenv("CORVANE_RESOURCES", CORVANE_TEST_SOURCE_DIR "/resources", 1);
  setenv("CORVANE_REGISTRY", CORVANE_TEST_BINARY_DIR "/test-registry.ini", 1);
  unsetenv("CORVANE_LOGIN_PROPS");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

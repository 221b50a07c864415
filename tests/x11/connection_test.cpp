#include <gtest/gtest.h>

#include "platform/x11/connection.h"

namespace {

// A request the server refuses: focus on a window that does not exist.
void FailOneRequest() {
  XSetInputFocus(x11::Connection(), 0x7FFFFF, RevertToParent, CurrentTime);
  XSync(x11::Connection(), False);
}

TEST(ConnectionDeathTest, AnXErrorEndsTheProgramWithOneLineAndCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FailOneRequest(), testing::ExitedWithCode(1),
              "^x11_layer_test: X error BadWindow \\(invalid Window parameter\\) in X_SetInputFocus\n$");
}

TEST(ConnectionTest, ErrorsInsideATrapAreNotedAndTheProgramGoesOn) {
  x11::ErrorTrap outer;
  {
    x11::ErrorTrap trap;
    EXPECT_FALSE(trap.Caught());
    FailOneRequest();
    EXPECT_TRUE(trap.Caught());
  }
  EXPECT_FALSE(outer.Caught()) << "the inner trap took the error";
  XNoOp(x11::Connection());
  XSync(x11::Connection(), False);
}

}  // namespace

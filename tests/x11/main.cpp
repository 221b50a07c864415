#include <gtest/gtest.h>

#include "tests/support/xvfb.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The layer opens DISPLAY on first use: point it at a server of our own first.
  const testsupport::XvfbServer server(800, 600);
  return RUN_ALL_TESTS();
}

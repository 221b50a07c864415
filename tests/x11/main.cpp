#include <gtest/gtest.h>

#include "tools/xvfb.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The layer opens DISPLAY on first use: point it at a server of our own first.
  const tools::XvfbServer server(800, 600);
  return RUN_ALL_TESTS();
}

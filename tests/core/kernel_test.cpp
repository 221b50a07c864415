#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/platform.h"

namespace {

TEST(KernelTest, TickCountIsMillisecondsSinceBootWrappingAt32Bits) {
  double uptimeSeconds = 0;
  std::ifstream("/proc/uptime") >> uptimeSeconds;
  const auto sinceBoot = static_cast<unsigned long long>(uptimeSeconds * 1000);
  const DWORD ticks = GetTickCount();
  const DWORD expected = static_cast<DWORD>(sinceBoot);
  EXPECT_LT(static_cast<DWORD>(ticks - expected), 1000u) << "ticks " << ticks << ", uptime " << sinceBoot << " ms";
}

TEST(KernelTest, FormatsTheMetersTextAndStopsAt1024Bytes) {
  char text[2048];
  EXPECT_EQ(wsprintfA(text, "  FPS: %d       ", 42), 16);
  EXPECT_STREQ(text, "  FPS: 42       ");
  EXPECT_EQ(wsprintfA(text, "%d", -2147483647 - 1), 11);
  EXPECT_STREQ(text, "-2147483648");

  const std::string longFormat(1500, 'x');
  EXPECT_EQ(wsprintfA(text, longFormat.c_str(), 0), 1023);
  EXPECT_EQ(std::string(text), std::string(1023, 'x'));
}

}  // namespace

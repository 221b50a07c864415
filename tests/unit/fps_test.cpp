#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "program_state.h"

namespace {

using testing::ElementsAre;

class FpsTest : public ProgramTest {
 protected:
  static void UpdateAt(DWORD milliseconds) {
    recording::TheScript().tickCount = milliseconds;
    UpdateFps();
  }
};

TEST_F(FpsTest, ReportsOnlyWhenStrictlyMoreThanASecondHasPassed) {
  UpdateAt(1000);
  EXPECT_EQ(fpsFrames, 1.0f);
  EXPECT_STREQ(fpsText, "");
  EXPECT_EQ(fpsLastReport, 0.0f);

  // The current frame is counted before the test, so two frames are reported.
  UpdateAt(1001);
  EXPECT_STREQ(fpsText, "  FPS: 2       ");
  EXPECT_EQ(fpsFrames, 0.0f);
  EXPECT_EQ(fpsLastReport, 1.001f);
  EXPECT_THAT(recording::Calls(),
              ElementsAre("GetTickCount()", "GetTickCount()", "wsprintfA(fpsText, \"  FPS: %d       \")"));
}

TEST_F(FpsTest, RoundsTheFrameCountHalfToEven) {
  fpsFrames = 1.5f;  // becomes 2.5 with this frame
  UpdateAt(5000);
  EXPECT_STREQ(fpsText, "  FPS: 2       ");
  fpsFrames = 2.5f;  // becomes 3.5
  UpdateAt(10000);
  EXPECT_STREQ(fpsText, "  FPS: 4       ");
}

TEST_F(FpsTest, ConvertsTheTickCountExactlyBeforeRoundingToFloat) {
  // 2^24 + 1 has no float32: converting it first would give 16777.216 (0x4683126F).
  UpdateAt(16777217);
  std::uint32_t bits;
  std::memcpy(&bits, &fpsLastReport, sizeof bits);
  EXPECT_EQ(bits, 0x46831270u);
}

// Each byte up to the first zero becomes a unit with a zero high half, then two zero units follow and
// nothing else is touched.
TEST_F(FpsTest, FrameCopiesTheTextIntoWideUnitsWithTwoZeroUnitsBehind) {
  const struct { const char* name; const char* text; std::u16string units; } table[] = {
      {"empty text", "", u""},
      {"a byte above 0x7F at the end", "  FPS: 2\xE9", u"  FPS: 2\u00E9"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    std::memset(fpsTextW, 0xFF, sizeof fpsTextW);
    std::strcpy(fpsText, row.text);
    DrawFrame();
    const std::u16string expected = row.units + std::u16string{0, 0, 0xFFFF};
    EXPECT_EQ(std::u16string(fpsTextW, expected.size()), expected);
  }
}

}  // namespace

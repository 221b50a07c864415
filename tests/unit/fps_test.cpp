#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

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

TEST_F(FpsTest, FrameCopiesTheTextIntoWideUnitsWithTwoZeroUnitsBehind) {
  std::memset(fpsTextW, 0xFF, sizeof fpsTextW);
  std::strcpy(fpsText, "  FPS: 2\xE9");
  DrawFrame();
  const char expected[] = "  FPS: 2";
  for (std::size_t i = 0; i < std::strlen(expected); ++i) {
    EXPECT_EQ(fpsTextW[i], static_cast<WORD>(expected[i])) << "unit " << i;
  }
  EXPECT_EQ(fpsTextW[8], 0x00E9) << "a byte above 0x7F keeps a zero high half";
  EXPECT_EQ(fpsTextW[9], 0);
  EXPECT_EQ(fpsTextW[10], 0);
  EXPECT_EQ(fpsTextW[11], 0xFFFF);
}

TEST_F(FpsTest, EmptyTextCopiesOnlyTheZeros) {
  std::memset(fpsTextW, 0xFF, sizeof fpsTextW);
  DrawFrame();
  EXPECT_EQ(fpsTextW[0], 0);
  EXPECT_EQ(fpsTextW[1], 0);
  EXPECT_EQ(fpsTextW[2], 0xFFFF);
}

}  // namespace

// The frame-rate meter as a build with it shows it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "program_state.h"

namespace {

using testing::ElementsAre;

class MeterTest : public ProgramTest {};

TEST_F(MeterTest, EveryFrameShowsTheRateOfTheSecondBeforeInTheTopLeftCorner) {
  InitDrawing();
  // Frames half a second apart, as the pause makes them, the first long after start-up.
  for (const DWORD tick : {10000u, 10500u, 11001u, 11501u}) {
    recording::TheScript().tickCount = tick;
    DrawFrame();
  }
  EXPECT_THAT(recording::DrawnTexts(), ElementsAre(u"  FPS: 1       ", u"  FPS: 1       ", u"  FPS: 2       ",
                                                   u"  FPS: 2       "));
  EXPECT_EQ(fpsTextRect.X, 0.0f);
  EXPECT_EQ(fpsTextRect.Y, 0.0f);
  EXPECT_EQ(std::u16string(fpsFontName), u"Tahoma");
}

}  // namespace

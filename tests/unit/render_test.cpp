#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "program_state.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

class RenderTest : public ProgramTest {};

TEST_F(RenderTest, InitDrawingTakesTheScreenAndCreatesGraphicsPenAndBrushInOrder) {
  InitDrawing();
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"init"})));
  EXPECT_EQ(hdcScreen, recording::screenDC);
  EXPECT_EQ(gdipToken, recording::defaultToken);
  EXPECT_EQ(startupInput.GdiplusVersion, 1u);
  EXPECT_EQ(startupInput.DebugEventCallback, nullptr);
  EXPECT_EQ(startupInput.SuppressBackgroundThread, 0);
  EXPECT_EQ(startupInput.SuppressExternalCodecs, 0);
}

TEST_F(RenderTest, EveryFrameStepsTheFigurePausesAndDrawsWithThePenSetAgain) {
  InitDrawing();
  recording::Reset();

  DrawFrame();
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"frame"})));
  EXPECT_EQ(swapCursor, 4u);

  DrawFrame();
  const std::vector<std::string> frame = GoldenCalls({"frame"});
  std::vector<std::string> twoFrames = frame;
  twoFrames.insert(twoFrames.end(), frame.begin(), frame.end());
  EXPECT_THAT(recording::Calls(), ElementsAreArray(twoFrames));
  EXPECT_EQ(swapCursor, 8u);
}

TEST_F(RenderTest, FirstFrameAlreadyShowsCoordinatesOneAndTwoExchanged) {
  InitDrawing();
  DrawFrame();
  DrawFrame();
  const auto& drawn = recording::DrawnPolylines();
  ASSERT_EQ(drawn.size(), 2u);
  ASSERT_EQ(drawn[0].size(), 18u);
  EXPECT_EQ(drawn[0][0].X, 500.0f);
  EXPECT_EQ(drawn[0][0].Y, 300.0f);
  EXPECT_EQ(drawn[0][1].X, 240.0f);
  EXPECT_EQ(drawn[0][1].Y, 280.0f);
  EXPECT_EQ(drawn[0][17].Y, 217.4447f);
  // The second frame moves the same value on: coordinates 2 and 3 exchanged.
  EXPECT_EQ(drawn[1][1].X, 280.0f);
  EXPECT_EQ(drawn[1][1].Y, 240.0f);
}

TEST_F(RenderTest, ShutdownReleasesEverythingInReverseOrder) {
  InitDrawing();
  recording::Reset();
  ShutdownDrawing();
  EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"shutdown"})));
}

TEST_F(RenderTest, ShutdownWithoutATokenStillReleasesTheScreen) {
  recording::TheScript().writeToken = false;
  InitDrawing();
  EXPECT_EQ(gdipToken, 0u);
  recording::Reset();
  ShutdownDrawing();
  EXPECT_THAT(recording::Calls(), ElementsAre(GoldenCalls({"shutdown"}).back()));
}

}  // namespace

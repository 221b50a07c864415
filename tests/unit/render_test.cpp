#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "program_state.h"

namespace {

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

// What a step does to the figure is the figure's own test; the frame steps it once, then draws it as it stands.
TEST_F(RenderTest, EveryFrameStepsTheFigureOnceThenPausesAndDrawsItWithThePenSetAgain) {
  InitDrawing();
  for (std::uint32_t frame = 1; frame <= 2; ++frame) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    recording::Reset();
    DrawFrame();
    EXPECT_THAT(recording::Calls(), ElementsAreArray(GoldenCalls({"frame"})));
    EXPECT_EQ(swapCursor, frame * sizeof(float)) << "steps taken";
    const std::vector<GpPointF>& drawn = recording::DrawnPolylines().at(0);
    ASSERT_EQ(drawn.size(), figurePointCount);
    EXPECT_EQ(std::memcmp(drawn.data(), figurePoints, sizeof figurePoints), 0) << "not the table the step left";
  }
}

// Without a token from start-up the GDI+ objects are left alone, but the screen is released all the same.
TEST_F(RenderTest, ShutdownReleasesEverythingInReverseOrderAndTheScreenEvenWithoutAToken) {
  const std::vector<std::string> shutdown = GoldenCalls({"shutdown"});
  // The row without a token first, while the token is still as loaded.
  for (const bool tokenWritten : {false, true}) {
    SCOPED_TRACE(tokenWritten ? "token written" : "no token");
    recording::TheScript().writeToken = tokenWritten;
    InitDrawing();
    EXPECT_EQ(gdipToken, tokenWritten ? recording::defaultToken : 0u);
    recording::Reset();
    ShutdownDrawing();
    EXPECT_THAT(recording::Calls(), ElementsAreArray(tokenWritten ? shutdown : std::vector{shutdown.back()}));
  }
}

}  // namespace

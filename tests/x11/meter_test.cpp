// The frame-rate meter, through the renderer and the X11 layer, read back
// from the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "render/render.h"
#include "tests/support/program_on_server.h"
#include "tools/screen.h"

namespace {

class MeterTest : public testsupport::ProgramOnServer {
 protected:
  MeterTest() : ProgramOnServer(testsupport::Screen{640, 480, 24, {}}) {}
};

TEST_F(MeterTest, TheRateShowsInCyanInTheTopLeftCornerAndReadsTwoFramesASecond) {
  OpenLayer();
  Display* observer = display_;
  InitDrawing();
  // The first frame reports the one frame since start-up; the third, more than a second later, the two
  // since. Frames take their pause and little else, so the third starts once the pause would end past that
  // second, as the meter sees it: in seconds since boot as floats, whose spacing at this uptime (milliseconds
  // now, a sixteenth of a second after twelve days) could otherwise round the second down.
  DrawFrame();
  const DWORD firstReported = GetTickCount();
  const float seconds = static_cast<float>(firstReported) / 1000;
  const auto spacingMs = static_cast<DWORD>(std::ceil((std::nextafter(seconds, INFINITY) - seconds) * 1000));
  DrawFrame();
  while (GetTickCount() - firstReported <= 1000 - framePauseMs + 2 * spacingMs) {
    std::this_thread::yield();
  }
  DrawFrame();
  SyncLayer();
  const tools::Screenshot shot = tools::CaptureScreen(observer);
  constexpr int cornerWidth = 200;
  constexpr int cornerHeight = 30;
  int inCorner = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) == tools::cyan) {
        ASSERT_TRUE(x < cornerWidth && y < cornerHeight) << "cyan at " << x << "," << y;
        ++inCorner;
      }
    }
  }
  EXPECT_GT(inCorner, 50);
  EXPECT_EQ(tools::ReadText(shot, 0, 0, cornerWidth, cornerHeight, tools::cyan), "FPS: 2");
  ShutdownDrawing();
}

}  // namespace

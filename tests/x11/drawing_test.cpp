// Frames drawn by the renderer over the X11 layer, read back from the screen.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "figure/figure.h"
#include "render/render.h"
#include "tests/support/program_on_server.h"
#include "tools/screen.h"

namespace {

using tools::CaptureScreen;
using tools::ColorNear;
using tools::DistanceToPolyline;
using tools::magenta;
using tools::Screenshot;
using tools::strokeReach;
using tools::white;

constexpr std::uint32_t windowColor = 0x203040;

std::vector<GpPointF> CurrentFigure() { return std::vector<GpPointF>(figurePoints, figurePoints + figurePointCount); }

// Another client's window covering the whole screen, mapped on top.
Window MapCoveringWindow(Display* display) {
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = windowColor;
  attributes.override_redirect = True;
  attributes.event_mask = StructureNotifyMask;
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), 0, 0, DisplayWidth(display, screen),
                    DisplayHeight(display, screen), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  XMapRaised(display, window);
  XEvent event;
  do {
    XNextEvent(display, &event);
  } while (event.type != MapNotify);
  XSync(display, False);
  return window;
}

void ExpectPolylineDrawn(const Screenshot& shot, const std::vector<GpPointF>& figure) {
  for (std::size_t i = 0; i + 1 < figure.size(); ++i) {
    for (const double t : {0.25, 0.5, 0.75}) {
      const double x = figure[i].X + t * (figure[i + 1].X - figure[i].X);
      const double y = figure[i].Y + t * (figure[i + 1].Y - figure[i].Y);
      EXPECT_TRUE(ColorNear(shot, x, y, 1, magenta)) << "segment " << i << " at t=" << t;
    }
  }
}

class DrawingTest : public testsupport::ProgramOnServer {
 protected:
  void SetUp() override {
    ProgramOnServer::SetUp();
    OpenLayer();
    display = display_;
    InitDrawing();
  }
  void TearDown() override {
    ShutdownDrawing();
    ProgramOnServer::TearDown();
  }

  Display* display = nullptr;
};

TEST_F(DrawingTest, FramesShowOverAnotherClientsFullScreenWindow) {
  const Window cover = MapCoveringWindow(display);
  DrawFrame();
  const std::vector<GpPointF> first = CurrentFigure();
  DrawFrame();
  const std::vector<GpPointF> second = CurrentFigure();
  SyncLayer();
  const Screenshot shot = CaptureScreen(display);

  ExpectPolylineDrawn(shot, second);
  EXPECT_TRUE(tools::DrawnAsOneLine(shot, second, magenta));
  if (CLEARS_EVERY_FRAME) {
    // The second frame's clear took the first frame away, and the window with it.
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const std::uint32_t pixel = shot.At(x, y);
        if (DistanceToPolyline(x + 0.5, y + 0.5, second) > strokeReach) {
          ASSERT_EQ(pixel, white) << "at " << x << "," << y;
        } else {
          ASSERT_TRUE(pixel == white || pixel == magenta) << "at " << x << "," << y;
        }
      }
    }
  } else {
    ExpectPolylineDrawn(shot, first);
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const std::uint32_t pixel = shot.At(x, y);
        if (pixel == magenta) {
          const double distance =
              std::min(DistanceToPolyline(x + 0.5, y + 0.5, first), DistanceToPolyline(x + 0.5, y + 0.5, second));
          ASSERT_LE(distance, strokeReach) << "stray pixel at " << x << "," << y;
        } else {
          ASSERT_EQ(pixel, windowColor) << "at " << x << "," << y << ": neither the window nor the pen colour";
        }
      }
    }
  }
  XDestroyWindow(display, cover);
  XSync(display, False);
}

TEST_F(DrawingTest, TheFigureIsAbsentDuringThePauseOnlyWhenClearing) {
  DrawFrame();
  const std::vector<GpPointF> previous = CurrentFigure();
  SyncLayer();
  // Look at the screen while the next frame runs: a clearing one shows the clear throughout its pause.
  std::atomic<bool> drawn = false;
  std::thread frame([&drawn] {
    DrawFrame();
    drawn = true;
  });
  Screenshot during = CaptureScreen(display);
  while (CLEARS_EVERY_FRAME && during.Count(white) != during.width * during.height && !drawn) {
    during = CaptureScreen(display);
  }
  frame.join();
  if (CLEARS_EVERY_FRAME) {
    EXPECT_EQ(during.Count(white), during.width * during.height);
  } else {
    ExpectPolylineDrawn(during, previous);
    EXPECT_TRUE(tools::DrawnAsOneLine(during, previous, magenta));
  }
}

}  // namespace

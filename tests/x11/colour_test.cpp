// Colours through the X11 layer onto screens of every depth people run,
// read back channel by channel: a colour whose red, green and blue all
// differ tells them apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/program_on_server.h"
#include "tools/screen.h"

namespace {

// What the screen keeps of an 8-bit channel under the mask, its top bits or
// its bits repeated, read back as CaptureScreen does.
std::uint32_t Kept(std::uint32_t value, unsigned long mask) {
  const int bits = __builtin_popcountl(mask);
  const std::uint32_t maximum = (1u << bits) - 1;
  const std::uint32_t kept = bits < 8 ? value >> (8 - bits) : value << (bits - 8) | value >> (16 - bits);
  return kept * 255 / maximum;
}

// A screen whose pixels index a colormap shows the colour allocated for it.
std::uint32_t AsShown(ARGB color, const Visual& visual) {
  if (visual.c_class != TrueColor) {
    return color & 0xFFFFFF;
  }
  return Kept((color >> 16) & 0xFF, visual.red_mask) << 16 | Kept((color >> 8) & 0xFF, visual.green_mask) << 8 |
         Kept(color & 0xFF, visual.blue_mask);
}

class ColourTest : public testsupport::ProgramOnServer, public testing::WithParamInterface<int> {
 protected:
  ColourTest() : ProgramOnServer(testsupport::Screen{320, 240, GetParam(), {}}) {}

  // How many requests the call sends.
  template <typename Call>
  unsigned long RequestsOf(Call call) {
    const unsigned long before = NextRequest(LayerDisplay());
    call();
    return NextRequest(LayerDisplay()) - before;
  }
};

TEST_P(ColourTest, ColoursKeepRedGreenAndBlueApartAClearIsOneFillAndAPenOnePolyLineOfItsRoundedWidth) {
  OpenLayer();
  Display* observer = display_;
  const Visual& visual = *DefaultVisual(observer, DefaultScreen(observer));

  const GdiplusStartupInput input{1, nullptr, 0, 0};
  ULONG_PTR token = 0;
  GdiplusStartup(&token, &input, nullptr);
  const HDC dc = GetDC(nullptr);
  GpGraphics* graphics = nullptr;
  GpPen* pen = nullptr;
  GdipCreateFromHDC(dc, &graphics);
  constexpr ARGB background = 0xFFC08030;
  constexpr ARGB ink = 0xFF3080C0;
  GdipCreatePen1(ink, 9.0f, UnitPixel, &pen);
  ASSERT_EQ(GdipGraphicsClear(graphics, background), Ok);
  const GpPointF line[] = {{40, 120}, {280, 120}};
  ASSERT_EQ(GdipDrawLines(graphics, pen, line, 2), Ok);
  // The layer's drawing is done once the server has answered it.
  SyncLayer();

  const tools::Screenshot shot = tools::CaptureScreen(observer);
  EXPECT_EQ(shot.At(10, 10), AsShown(background, visual)) << std::hex << shot.At(10, 10);
  EXPECT_EQ(shot.At(160, 120), AsShown(ink, visual)) << std::hex << shot.At(160, 120);


  GdipSetPenColor(pen, 0xFFFF00FF);
  GdipSetPenWidth(pen, 1.2f);
  // On a bare server, once cleared opaquely all over, the root alone holds the figure: a frame's clear is one fill.
  GdipGraphicsClear(graphics, 0xFFFFFFFF);
  EXPECT_EQ(RequestsOf([&] { GdipGraphicsClear(graphics, 0xFFFFFFFF); }), 1u);
  GdipDrawLines(graphics, pen, line, 2);
  EXPECT_EQ(RequestsOf([&] { GdipDrawLines(graphics, pen, line, 2); }), 1u) << "the GC already holds the pen";

  const struct {
    REAL width;
    int rows;
  } widths[] = {{0.3f, 1}, {1.2f, 1}, {NAN, 1}, {1.6f, 2}, {2.6f, 3}, {9.0f, 9}};
  // A pen of about one pixel draws like GDI's one-pixel pen: one pixel in every column even on a slant,
  // where a wide line of width 1 puts two in some.
  const GpPointF slant[] = {{40, 20}, {280, 80}};
  for (const auto& [width, rows] : widths) {
    GdipGraphicsClear(graphics, 0xFFFFFFFF);
    GdipSetPenWidth(pen, width);
    GdipDrawLines(graphics, pen, line, 2);
    GdipDrawLines(graphics, pen, slant, 2);
    SyncLayer();
    const tools::Screenshot shot = tools::CaptureScreen(observer);
    int drawn = 0;
    for (int y = 100; y < 140; ++y) {
      drawn += shot.At(160, y) == tools::magenta;
      EXPECT_EQ(shot.At(38, y), tools::white) << "width " << width << ": a flat end stops at its point";
    }
    EXPECT_EQ(drawn, rows) << "width " << width;
    for (int x = 42; rows == 1 && x < 278; ++x) {
      int inColumn = 0;
      for (int y = 0; y < 100; ++y) {
        inColumn += shot.At(x, y) == tools::magenta;
      }
      ASSERT_EQ(inColumn, 1) << "width " << width << " at x=" << x;
    }
  }
  GdipSetPenColor(pen, 0x80FF00FF);
  GdipGraphicsClear(graphics, 0xFFFFFFFF);
  EXPECT_EQ(GdipDrawLines(graphics, pen, line, 2), NotImplemented) << "translucent pens are not offered";
  SyncLayer();
  EXPECT_EQ(tools::CaptureScreen(observer).Count(tools::magenta), 0);

  GdipDeletePen(pen);
  GdipDeleteGraphics(graphics);
  GdiplusShutdown(token);
  ReleaseDC(nullptr, dc);
}

// Depths whose pixels are red, green and blue, and an indexed one whose colours are allocated.
INSTANTIATE_TEST_SUITE_P(Depths, ColourTest, testing::Values(24, 16, 15, 30, 8),
                         [](const testing::TestParamInfo<int>& depth) { return "depth" + std::to_string(depth.param); });

}  // namespace

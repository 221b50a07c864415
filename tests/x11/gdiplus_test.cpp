#include <gtest/gtest.h>

#include <cmath>

#include "platform/platform.h"
#include "tests/support/program_on_server.h"

namespace {

class GdiplusTest : public testsupport::ProgramOnServer {
 protected:
  void SetUp() override {
    ProgramOnServer::SetUp();
    OpenLayer();
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    dc = GetDC(nullptr);
    ASSERT_EQ(GdipCreateFromHDC(dc, &graphics), Ok);
    ASSERT_EQ(GdipCreatePen1(0xFFFF00FF, 1.2f, UnitPixel, &pen), Ok);
    ASSERT_EQ(GdipCreateSolidFill(0xFF00FFFF, &brush), Ok);
  }
  void TearDown() override {
    GdipDeleteBrush(brush);
    GdipDeletePen(pen);
    GdipDeleteGraphics(graphics);
    GdiplusShutdown(token);
    ReleaseDC(nullptr, dc);
    ProgramOnServer::TearDown();
  }

  const GdiplusStartupInput input{1, nullptr, 0, 0};
  ULONG_PTR token = 0;
  HDC dc = nullptr;
  GpGraphics* graphics = nullptr;
  GpPen* pen = nullptr;
  GpSolidFill* brush = nullptr;
  const GpPointF points[2] = {{10, 10}, {20, 20}};
};

TEST_F(GdiplusTest, StartupWritesANonzeroToken) {
  EXPECT_NE(token, 0u);
  ULONG_PTR second = 0;
  EXPECT_EQ(GdiplusStartup(&second, &input, nullptr), Ok);
  EXPECT_NE(second, 0u);
  EXPECT_NE(second, token);
  GdiplusShutdown(second);
  const GdiplusStartupInput version2{2, nullptr, 0, 0};
  EXPECT_EQ(GdiplusStartup(&second, &version2, nullptr), UnsupportedGdiplusVersion);
  EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
  EXPECT_EQ(GdiplusStartup(&second, nullptr, nullptr), InvalidParameter);
}

TEST_F(GdiplusTest, NullAndUnknownHandlesAreRefusedWithInvalidParameter) {
  auto* unknownGraphics = reinterpret_cast<GpGraphics*>(&token);
  auto* unknownPen = reinterpret_cast<GpPen*>(&token);
  auto* unknownBrush = reinterpret_cast<GpBrush*>(&token);
  auto* unknownDC = reinterpret_cast<HDC>(&token);
  GpGraphics* newGraphics = nullptr;

  EXPECT_EQ(GdipCreateFromHDC(nullptr, &newGraphics), InvalidParameter);
  EXPECT_EQ(GdipCreateFromHDC(unknownDC, &newGraphics), InvalidParameter);
  EXPECT_EQ(GdipCreateFromHDC(dc, nullptr), InvalidParameter);
  EXPECT_EQ(GdipCreatePen1(0xFF000000, 1, UnitPixel, nullptr), InvalidParameter);
  EXPECT_EQ(GdipCreateSolidFill(0xFF000000, nullptr), InvalidParameter);
  EXPECT_EQ(newGraphics, nullptr);

  EXPECT_EQ(GdipDrawLines(nullptr, pen, points, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(unknownGraphics, pen, points, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, nullptr, points, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, unknownPen, points, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, pen, nullptr, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, pen, points, 1), InvalidParameter);
  EXPECT_EQ(GdipGraphicsClear(nullptr, 0xFFFFFFFF), InvalidParameter);
  EXPECT_EQ(GdipGraphicsClear(unknownGraphics, 0xFFFFFFFF), InvalidParameter);

  EXPECT_EQ(GdipSetPenColor(nullptr, 0xFF000000), InvalidParameter);
  EXPECT_EQ(GdipSetPenWidth(unknownPen, 2), InvalidParameter);
  EXPECT_EQ(GdipSetPenLineJoin(nullptr, LineJoinMiter), InvalidParameter);
  EXPECT_EQ(GdipSetPenLineJoin(pen, static_cast<GpLineJoin>(7)), InvalidParameter);
  EXPECT_EQ(GdipSetPenLineJoin(pen, LineJoinRound), NotImplemented) << "every pen is mitered";

  EXPECT_EQ(GdipDeleteGraphics(nullptr), InvalidParameter);
  EXPECT_EQ(GdipDeletePen(unknownPen), InvalidParameter);
  EXPECT_EQ(GdipDeleteBrush(unknownBrush), InvalidParameter);
  EXPECT_EQ(GdipDeleteBrush(nullptr), InvalidParameter);

  // Points that are no numbers have no place; those beyond the server's coordinates are refused too.
  const GpPointF notANumber[2] = {{10, 10}, {NAN, 3}};
  const GpPointF infinite[2] = {{-INFINITY, 10}, {20, 20}};
  const GpPointF far[2] = {{10, 10}, {1e9f, 20}};
  EXPECT_EQ(GdipDrawLines(graphics, pen, notANumber, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, pen, infinite, 2), InvalidParameter);
  EXPECT_EQ(GdipDrawLines(graphics, pen, far, 2), ValueOverflow);

  // The real ones still work.
  EXPECT_EQ(GdipDrawLines(graphics, pen, points, 2), Ok);
  EXPECT_EQ(GdipSetPenLineJoin(pen, LineJoinMiter), Ok);
}

TEST_F(GdiplusTest, ReleasedHandlesAreUnknownFromThenOn) {
  GpPen* second = nullptr;
  ASSERT_EQ(GdipCreatePen1(0xFF000000, 1, UnitPixel, &second), Ok);
  EXPECT_EQ(GdipDeletePen(second), Ok);
  EXPECT_EQ(GdipDeletePen(second), InvalidParameter);
  EXPECT_EQ(GdipSetPenColor(second, 0xFF000000), InvalidParameter);

  // Graphics outliving its device context must not draw through it.
  const HDC otherDC = GetDC(nullptr);
  GpGraphics* orphan = nullptr;
  ASSERT_EQ(GdipCreateFromHDC(otherDC, &orphan), Ok);
  EXPECT_EQ(ReleaseDC(nullptr, otherDC), 1);
  EXPECT_EQ(ReleaseDC(nullptr, otherDC), 0);
  EXPECT_EQ(GdipDrawLines(orphan, pen, points, 2), InvalidParameter);
  EXPECT_EQ(GdipGraphicsClear(orphan, 0xFFFFFFFF), InvalidParameter);
  EXPECT_EQ(GdipDeleteGraphics(orphan), Ok);
}

TEST_F(GdiplusTest, ObjectsNeedGdiplusStarted) {
  GdiplusShutdown(token);
  GpPen* late = nullptr;
  EXPECT_NE(GdipCreatePen1(0xFF000000, 1, UnitPixel, &late), Ok);
  EXPECT_EQ(late, nullptr);
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
}

}  // namespace

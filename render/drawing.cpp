#include "figure/figure.h"
#include "render/render.h"

// Set to 1 for the program that clears the screen in every frame, 0 for the one that never erases.
constexpr bool clearEveryFrame = CLEAR_EVERY_FRAME;
// Set to 1 to measure the frame rate in every frame and show it.
constexpr bool showFrameRate = FRAME_RATE_METER;

HDC hdcScreen;
ULONG_PTR gdipToken;
const GdiplusStartupInput startupInput = {1, nullptr, 0, 0};
GpGraphics* graphics;
GpPen* pen;
GpSolidFill* brush;
const REAL lineWidth = 1.2f;

void InitDrawing() {
  hdcScreen = GetDC(nullptr);
  GdiplusStartup(&gdipToken, &startupInput, nullptr);
  GdipCreateFromHDC(hdcScreen, &graphics);
  GdipCreatePen1(lineColor, lineWidth, UnitPixel, &pen);
  GdipSetPenLineJoin(pen, LineJoinMiter);
  GdipCreateSolidFill(brushColor, &brush);
  if constexpr (showFrameRate) {
    GdipCreateFontFamilyFromName(fpsFontName, nullptr, &fontFamily);
    GdipCreateFont(fontFamily, fpsFontSize, FontStyleRegular, UnitPixel, &font);
  }
}

void DrawFrame() {
  StepFigure();
  if constexpr (clearEveryFrame) {
    GdipGraphicsClear(graphics, clearColor);
  }
  Sleep(framePauseMs);
  GdipSetPenColor(pen, lineColor);
  GdipSetPenWidth(pen, lineWidth);
  GdipDrawLines(graphics, pen, figurePoints, figurePointCount);
  if constexpr (showFrameRate) {
    UpdateFps();
  }
  CopyFpsText();
  if constexpr (showFrameRate) {
    GdipDrawString(graphics, fpsTextW, -1, font, &fpsTextRect, nullptr, brush);
  }
}

void ShutdownDrawing() {
  // Without a token GDI+ never started, so there are no GDI+ objects to delete.
  if (gdipToken != 0) {
    if constexpr (showFrameRate) {
      GdipDeleteFont(font);
      GdipDeleteFontFamily(fontFamily);
    }
    GdipDeleteBrush(brush);
    GdipDeletePen(pen);
    GdipDeleteGraphics(graphics);
    GdiplusShutdown(gdipToken);
  }
  ReleaseDC(nullptr, hdcScreen);
}

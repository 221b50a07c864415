// The renderer: GDI+ drawing state on the whole-screen device context,
// one frame of the figure per paint request, and a frame-rate meter.
#pragma once

#include "platform/platform.h"

void InitDrawing();
void DrawFrame();
void ShutdownDrawing();

void UpdateFps();
void CopyFpsText();

extern HDC hdcScreen;
extern ULONG_PTR gdipToken;
extern const GdiplusStartupInput startupInput;
extern GpGraphics* graphics;
extern GpPen* pen;
extern GpSolidFill* brush;
extern const REAL lineWidth;

constexpr ARGB lineColor = 0xFFFF00FF;
constexpr ARGB brushColor = 0xFF00FFFF;
constexpr ARGB clearColor = 0xFFFFFFFF;
constexpr DWORD framePauseMs = 500;

constexpr int fpsTextSize = 50;
constexpr int fpsTextWSize = 100;
extern const REAL msToSeconds;
extern const REAL fpsStep;
extern REAL fpsLastReport;
extern REAL fpsFrames;
extern char fpsText[fpsTextSize];
extern WCHAR fpsTextW[fpsTextWSize];

// With the frame-rate meter built in, every frame shows the meter's text in
// the top-left corner of the screen, in this font, with the brush.
extern const WCHAR fpsFontName[];
extern const REAL fpsFontSize;
extern const RectF fpsTextRect;
extern GpFontFamily* fontFamily;
extern GpFont* font;

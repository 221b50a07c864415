// Reading the screen back and measuring where a polyline's pixels lie.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "render/render.h"

namespace tools {

// The programs' colours as the screen shows them: the renderer's, opaque, as 0xRRGGBB.
constexpr std::uint32_t ShownColor(ARGB color) { return color & 0xFFFFFF; }
constexpr std::uint32_t magenta = ShownColor(lineColor);
constexpr std::uint32_t white = ShownColor(clearColor);
constexpr std::uint32_t cyan = ShownColor(brushColor);

// A 1.2-pixel stroke with miter joins (limit 10) reaches at most 6 pixels past its points.
constexpr double strokeReach = 8;

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  int Count(std::uint32_t color) const;
  // Of the colour in the rectangle from (x, y), `width` by `height`, as far as it lies on the screen.
  int Count(std::uint32_t color, int x, int y, int width, int height) const;
};

// The root window as shown, child windows included.
Screenshot CaptureScreen(Display* display);

// A screen kept in a file: an XWD image of 32 bits a pixel, as Xvfb keeps
// its framebuffer (-fbdir), or of 24, as xwd writes some screens, or a
// binary PPM, as grim writes. An empty screenshot if the file cannot be read.
Screenshot ReadXwd(const std::string& path);
Screenshot ReadPpm(const std::string& path);
// Writes a binary PPM; false if it cannot.
bool WritePpm(const Screenshot& shot, const std::string& path);

// Distance from a pixel's centre to the nearest segment of the polyline.
double DistanceToPolyline(double x, double y, const std::vector<GpPointF>& points);

// Whether some pixel within `radius` of the point has the colour.
bool ColorNear(const Screenshot& shot, double x, double y, int radius, std::uint32_t color);

// What OCR reads in the rectangle from (x, y), `width` by `height`, of the
// text written there in the colour: one line, blanks at its ends trimmed.
std::string ReadText(const Screenshot& shot, int x, int y, int width, int height, std::uint32_t color);

// Whether the pixels of the colour along a polyline that stays on the
// screen form one 8-connected line: a rounding or clipping fault breaks it
// into pieces. Pixels of the colour farther than two pixels from it are not
// looked at.
bool DrawnAsOneLine(const Screenshot& shot, const std::vector<GpPointF>& polyline, std::uint32_t color);

}  // namespace tools

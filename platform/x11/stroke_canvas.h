// Where a graphics object rasterises its strokes and what it paints them
// with, kept from one frame to the next: an 8-bit coverage mask in memory
// and its copy on the server, and a solid fill of the pen's colour.
#pragma once

#include <X11/extensions/Xrender.h>
#include <cairo.h>

#include "platform/platform.h"

namespace x11 {

struct Box {
  int x;
  int y;
  int width;
  int height;
};

class StrokeCanvas {
 public:
  explicit StrokeCanvas(Display* dpy);
  ~StrokeCanvas();
  StrokeCanvas(const StrokeCanvas&) = delete;
  StrokeCanvas& operator=(const StrokeCanvas&) = delete;

  // Rasterises the open polyline, in screen coordinates, into the mask's
  // top-left box.width by box.height pixels, which stand for the box on the
  // screen, and copies them to the server.
  void Rasterise(const GpPointF* points, INT count, REAL width, GpLineJoin join, REAL miterLimit, const Box& box);

  // The mask on the server, and a solid fill of the colour.
  Picture Mask() const { return maskPicture_; }
  Picture Fill(ARGB color);

 private:
  void Reserve(int width, int height);
  void Release();

  Display* dpy_;
  int width_ = 0;
  int height_ = 0;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cairo_ = nullptr;
  XImage* image_ = nullptr;
  Pixmap pixmap_ = None;
  GC gc_ = nullptr;
  Picture maskPicture_ = None;
  Picture fill_ = None;
  ARGB fillColor_ = 0;
};

// An XRender colour: 16 bits a channel, premultiplied by alpha.
XRenderColor ToRenderColor(ARGB color);

}  // namespace x11

// Where a graphics object rasterises what it draws, and what it paints it
// with, kept from one frame to the next: an 8-bit coverage mask in memory
// and on the server, and a solid fill of the last colour. Where the server
// shares memory with us (MIT-SHM pixmaps), the two are one and the mask is
// never copied; otherwise it is sent in every drawing.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>
#include <cairo.h>

#include "platform/platform.h"

struct HDC__;

namespace x11 {

struct Box {
  int x;
  int y;
  int width;
  int height;
};

// The whole pixels that the area from (left, top) to (right, bottom) touches, cut to the screen.
Box ScreenBox(float left, float top, float right, float bottom, const HDC__& dc);

class Canvas {
 public:
  explicit Canvas(Display* dpy);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // A cairo context, without antialiasing as GDI+ draws by default, cleared
  // over the box: what it draws in screen coordinates lands in the mask.
  cairo_t* Begin(const Box& box);

  // Copies the box's coverage to the server and paints the colour through
  // it onto the device context.
  void Paint(ARGB color, const HDC__& dc);

 private:
  void Reserve(int width, int height);
  bool ShareWithServer(int stride);
  void Release();
  Picture Fill(ARGB color);

  Display* dpy_;
  Box box_{};
  int width_ = 0;
  int height_ = 0;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cairo_ = nullptr;
  Pixmap pixmap_ = None;
  // While the memory is shared with the server.
  XShmSegmentInfo shared_{};
  // While it is not: the image that sends the pixels, and the GC it is sent with.
  XImage* image_ = nullptr;
  GC gc_ = nullptr;
  Picture maskPicture_ = None;
  Picture fill_ = None;
  ARGB fillColor_ = 0;
};

// An XRender colour: 16 bits a channel, premultiplied by alpha.
XRenderColor ToRenderColor(ARGB color);

}  // namespace x11

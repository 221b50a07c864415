// Drawing on the screen: cairo rasterises the stroke into a coverage mask
// over the polyline's bounding box, and XRender composites the pen colour
// through that mask onto the root window, including every child window.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/x11/connection.h"
#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen_dc.h"

namespace x11 {
namespace {

XRenderColor ToRenderColor(ARGB color) {
  // XRender colours are 16 bits a channel and premultiplied by alpha.
  const unsigned alpha = color >> 24;
  const auto channel = [alpha](unsigned value) {
    return static_cast<unsigned short>(value * 257 * alpha / 255);
  };
  return XRenderColor{channel((color >> 16) & 0xFF), channel((color >> 8) & 0xFF), channel(color & 0xFF),
                      static_cast<unsigned short>(alpha * 257)};
}

cairo_line_join_t ToCairoJoin(GpLineJoin join) {
  switch (join) {
    case LineJoinBevel:
      return CAIRO_LINE_JOIN_BEVEL;
    case LineJoinRound:
      return CAIRO_LINE_JOIN_ROUND;
    default:
      return CAIRO_LINE_JOIN_MITER;
  }
}

struct Box {
  int x;
  int y;
  int width;
  int height;
};

// The pixels a stroke through the points can touch, cut to the screen.
Box StrokeBounds(const GpPointF* points, INT count, REAL penWidth, const HDC__& dc) {
  float left = points[0].X;
  float right = points[0].X;
  float top = points[0].Y;
  float bottom = points[0].Y;
  for (INT i = 1; i < count; ++i) {
    left = std::min(left, points[i].X);
    right = std::max(right, points[i].X);
    top = std::min(top, points[i].Y);
    bottom = std::max(bottom, points[i].Y);
  }
  const float reach = penWidth * penMiterLimit / 2 + 2;
  // Written so that a NaN coordinate lands on an edge instead of in an integer conversion.
  const auto clamp = [](float value, int limit) {
    if (!(value > 0)) {
      return 0;
    }
    return value < static_cast<float>(limit) ? static_cast<int>(value) : limit;
  };
  const int x0 = clamp(std::floor(left - reach), dc.width);
  const int y0 = clamp(std::floor(top - reach), dc.height);
  const int x1 = clamp(std::ceil(right + reach), dc.width);
  const int y1 = clamp(std::ceil(bottom + reach), dc.height);
  return Box{x0, y0, x1 - x0, y1 - y0};
}

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using Cairo = std::unique_ptr<cairo_t, CairoDeleter>;

// An 8-bit coverage mask of the stroke, without antialiasing, as GDI+ draws by default.
CairoSurface RasteriseStroke(const GpPointF* points, INT count, const GpPen& pen, const Box& box) {
  CairoSurface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, box.width, box.height));
  Cairo cr(cairo_create(mask.get()));
  cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr.get(), pen.width);
  cairo_set_line_join(cr.get(), ToCairoJoin(pen.lineJoin));
  cairo_set_miter_limit(cr.get(), penMiterLimit);
  cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_BUTT);
  cairo_move_to(cr.get(), points[0].X - box.x, points[0].Y - box.y);
  for (INT i = 1; i < count; ++i) {
    cairo_line_to(cr.get(), points[i].X - box.x, points[i].Y - box.y);
  }
  cairo_stroke(cr.get());
  cairo_surface_flush(mask.get());
  return mask;
}

void CompositeThroughMask(cairo_surface_t* mask, ARGB color, const HDC__& dc, const Box& box) {
  Display* dpy = Connection();
  const Pixmap pixmap = XCreatePixmap(dpy, DefaultRootWindow(dpy), box.width, box.height, 8);
  XImage* image = XCreateImage(dpy, nullptr, 8, ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(mask)), box.width,
                               box.height, 32, cairo_image_surface_get_stride(mask));
  const GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
  XPutImage(dpy, pixmap, gc, image, 0, 0, 0, 0, box.width, box.height);
  image->data = nullptr;  // the pixels belong to cairo
  XDestroyImage(image);
  XFreeGC(dpy, gc);

  const Picture maskPicture =
      XRenderCreatePicture(dpy, pixmap, XRenderFindStandardFormat(dpy, PictStandardA8), 0, nullptr);
  const XRenderColor renderColor = ToRenderColor(color);
  const Picture source = XRenderCreateSolidFill(dpy, &renderColor);
  XRenderComposite(dpy, PictOpOver, source, maskPicture, dc.picture, 0, 0, 0, 0, box.x, box.y, box.width,
                   box.height);
  XRenderFreePicture(dpy, source);
  XRenderFreePicture(dpy, maskPicture);
  XFreePixmap(dpy, pixmap);
  XFlush(dpy);
}

}  // namespace
}  // namespace x11

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc)) {
    return InvalidParameter;
  }
  Display* dpy = x11::Connection();
  const XRenderColor renderColor = x11::ToRenderColor(color);
  XRenderFillRectangle(dpy, PictOpSrc, graphics->dc->picture, &renderColor, 0, 0, graphics->dc->width,
                       graphics->dc->height);
  XFlush(dpy);
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || !x11::IsLivePen(pen) ||
      points == nullptr || count < 2) {
    return InvalidParameter;
  }
  const x11::Box box = x11::StrokeBounds(points, count, pen->width, *graphics->dc);
  if (box.width == 0 || box.height == 0) {
    return Ok;
  }
  const x11::CairoSurface mask = x11::RasteriseStroke(points, count, *pen, box);
  x11::CompositeThroughMask(mask.get(), pen->color, *graphics->dc, box);
  return Ok;
}

#include "platform/x11/stroke_canvas.h"

#include <algorithm>

namespace x11 {
namespace {

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

}  // namespace

XRenderColor ToRenderColor(ARGB color) {
  const unsigned alpha = color >> 24;
  const auto channel = [alpha](unsigned value) {
    return static_cast<unsigned short>(value * 257 * alpha / 255);
  };
  return XRenderColor{channel((color >> 16) & 0xFF), channel((color >> 8) & 0xFF), channel(color & 0xFF),
                      static_cast<unsigned short>(alpha * 257)};
}

StrokeCanvas::StrokeCanvas(Display* dpy) : dpy_(dpy) {}

StrokeCanvas::~StrokeCanvas() {
  Release();
  if (fill_ != None) {
    XRenderFreePicture(dpy_, fill_);
  }
}

void StrokeCanvas::Release() {
  if (image_ != nullptr) {
    image_->data = nullptr;  // the pixels belong to cairo
    XDestroyImage(image_);
    XRenderFreePicture(dpy_, maskPicture_);
    XFreeGC(dpy_, gc_);
    XFreePixmap(dpy_, pixmap_);
    cairo_destroy(cairo_);
    cairo_surface_destroy(surface_);
    image_ = nullptr;
  }
}

// Grows the mask to hold at least width by height pixels; it never shrinks.
void StrokeCanvas::Reserve(int width, int height) {
  if (width <= width_ && height <= height_) {
    return;
  }
  Release();
  width_ = std::max(width, width_);
  height_ = std::max(height, height_);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
  cairo_ = cairo_create(surface_);
  // Without antialiasing, as GDI+ draws by default.
  cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_BUTT);
  image_ = XCreateImage(dpy_, nullptr, 8, ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(surface_)),
                        static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                        cairo_image_surface_get_stride(surface_));
  pixmap_ = XCreatePixmap(dpy_, DefaultRootWindow(dpy_), static_cast<unsigned>(width_),
                          static_cast<unsigned>(height_), 8);
  gc_ = XCreateGC(dpy_, pixmap_, 0, nullptr);
  maskPicture_ = XRenderCreatePicture(dpy_, pixmap_, XRenderFindStandardFormat(dpy_, PictStandardA8), 0, nullptr);
}

void StrokeCanvas::Rasterise(const GpPointF* points, INT count, REAL width, GpLineJoin join, REAL miterLimit,
                             const Box& box) {
  Reserve(box.width, box.height);
  cairo_t* cr = cairo_;
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, box.width, box.height);
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, ToCairoJoin(join));
  cairo_set_miter_limit(cr, miterLimit);
  cairo_move_to(cr, points[0].X - box.x, points[0].Y - box.y);
  for (INT i = 1; i < count; ++i) {
    cairo_line_to(cr, points[i].X - box.x, points[i].Y - box.y);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  cairo_surface_flush(surface_);
  XPutImage(dpy_, pixmap_, gc_, image_, 0, 0, 0, 0, static_cast<unsigned>(box.width),
            static_cast<unsigned>(box.height));
}

Picture StrokeCanvas::Fill(ARGB color) {
  if (fill_ == None || color != fillColor_) {
    if (fill_ != None) {
      XRenderFreePicture(dpy_, fill_);
    }
    const XRenderColor renderColor = ToRenderColor(color);
    fill_ = XRenderCreateSolidFill(dpy_, &renderColor);
    fillColor_ = color;
  }
  return fill_;
}

}  // namespace x11

#include "platform/x11/canvas.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/screen_dc.h"

namespace x11 {

Box ScreenBox(float left, float top, float right, float bottom, const HDC__& dc) {
  // Written so that a NaN lands on an edge instead of in an integer conversion.
  const auto clamp = [](float value, int limit) {
    if (!(value > 0)) {
      return 0;
    }
    return value < static_cast<float>(limit) ? static_cast<int>(value) : limit;
  };
  const int x0 = clamp(std::floor(left), dc.width);
  const int y0 = clamp(std::floor(top), dc.height);
  const int x1 = clamp(std::ceil(right), dc.width);
  const int y1 = clamp(std::ceil(bottom), dc.height);
  return Box{x0, y0, x1 - x0, y1 - y0};
}

XRenderColor ToRenderColor(ARGB color) {
  const unsigned alpha = color >> 24;
  const auto channel = [alpha](unsigned value) {
    return static_cast<unsigned short>(value * 257 * alpha / 255);
  };
  return XRenderColor{channel((color >> 16) & 0xFF), channel((color >> 8) & 0xFF), channel(color & 0xFF),
                      static_cast<unsigned short>(alpha * 257)};
}

Canvas::Canvas(Display* dpy) : dpy_(dpy) {}

Canvas::~Canvas() {
  Release();
  if (fill_ != None) {
    XRenderFreePicture(dpy_, fill_);
  }
}

void Canvas::Release() {
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
void Canvas::Reserve(int width, int height) {
  if (width <= width_ && height <= height_) {
    return;
  }
  Release();
  width_ = std::max(width, width_);
  height_ = std::max(height, height_);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
  cairo_ = cairo_create(surface_);
  // Every drawing starts from this state; Begin restores it.
  cairo_save(cairo_);
  image_ = XCreateImage(dpy_, nullptr, 8, ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(surface_)),
                        static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                        cairo_image_surface_get_stride(surface_));
  pixmap_ = XCreatePixmap(dpy_, DefaultRootWindow(dpy_), static_cast<unsigned>(width_),
                          static_cast<unsigned>(height_), 8);
  gc_ = XCreateGC(dpy_, pixmap_, 0, nullptr);
  maskPicture_ = XRenderCreatePicture(dpy_, pixmap_, XRenderFindStandardFormat(dpy_, PictStandardA8), 0, nullptr);
}

cairo_t* Canvas::Begin(const Box& box) {
  Reserve(box.width, box.height);
  box_ = box;
  cairo_t* cr = cairo_;
  cairo_restore(cr);
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_rectangle(cr, 0, 0, box.width, box.height);
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_translate(cr, -box.x, -box.y);
  return cr;
}

void Canvas::Paint(ARGB color, const HDC__& dc) {
  cairo_surface_flush(surface_);
  const auto width = static_cast<unsigned>(box_.width);
  const auto height = static_cast<unsigned>(box_.height);
  XPutImage(dpy_, pixmap_, gc_, image_, 0, 0, 0, 0, width, height);
  for (const Picture target : {dc.ink, dc.screen}) {
    if (target != None) {
      XRenderComposite(dpy_, PictOpOver, Fill(color), maskPicture_, target, 0, 0, 0, 0, box_.x, box_.y, width,
                       height);
    }
  }
  Present(box_.x, box_.y, box_.width, box_.height);
  XFlush(dpy_);
}

Picture Canvas::Fill(ARGB color) {
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

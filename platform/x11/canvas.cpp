#include "platform/x11/canvas.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>

#include "platform/x11/connection.h"
#include "platform/x11/screen_dc.h"

namespace x11 {
namespace {

// Whether the server makes pixmaps of shared memory laid out, for 8-bit
// pixels, with the stride cairo gives a width.
bool SharesPixmaps(Display* dpy, int width, int stride) {
  int major = 0;
  int minor = 0;
  Bool pixmaps = False;
  if (!XShmQueryExtension(dpy) || !XShmQueryVersion(dpy, &major, &minor, &pixmaps) || !pixmaps ||
      XShmPixmapFormat(dpy) != ZPixmap) {
    return false;
  }
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count);
  bool fits = false;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == 8) {
      const int pad = formats[i].scanline_pad / 8;
      fits = formats[i].bits_per_pixel == 8 && (width + pad - 1) / pad * pad == stride;
    }
  }
  XFree(formats);
  return fits;
}

}  // namespace

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
  if (cairo_ == nullptr) {
    return;
  }
  XRenderFreePicture(dpy_, maskPicture_);
  XFreePixmap(dpy_, pixmap_);
  cairo_destroy(cairo_);
  cairo_surface_destroy(surface_);
  if (shared_.shmaddr != nullptr) {
    XShmDetach(dpy_, &shared_);
    shmdt(shared_.shmaddr);
    shared_ = XShmSegmentInfo{};
  } else {
    image_->data = nullptr;  // the pixels belong to cairo
    XDestroyImage(image_);
    XFreeGC(dpy_, gc_);
  }
  cairo_ = nullptr;
}

// Puts the mask into memory shared with the server, as the pixels of a
// pixmap, where the server offers that, lays such pixmaps out as cairo does,
// and lets us attach.
bool Canvas::ShareWithServer(int stride) {
  if (!SharesPixmaps(dpy_, width_, stride)) {
    return false;
  }
  const int id = shmget(IPC_PRIVATE, static_cast<std::size_t>(stride) * height_, IPC_CREAT | 0600);
  if (id < 0) {
    return false;
  }
  void* memory = shmat(id, nullptr, 0);
  // Gone once both sides have detached.
  shmctl(id, IPC_RMID, nullptr);
  if (memory == reinterpret_cast<void*>(-1)) {
    return false;
  }
  shared_.shmid = id;
  shared_.shmaddr = static_cast<char*>(memory);
  // The server writes a pixmap's pixels too, if asked to.
  shared_.readOnly = False;
  bool attached = false;
  {
    // A server on another machine cannot attach.
    ErrorTrap trap;
    XShmAttach(dpy_, &shared_);
    attached = !trap.Caught();
  }
  if (!attached) {
    shmdt(memory);
    shared_ = XShmSegmentInfo{};
    return false;
  }
  pixmap_ = XShmCreatePixmap(dpy_, DefaultRootWindow(dpy_), shared_.shmaddr, &shared_,
                             static_cast<unsigned>(width_), static_cast<unsigned>(height_), 8);
  surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(shared_.shmaddr), CAIRO_FORMAT_A8,
                                                 width_, height_, stride);
  return true;
}

// Grows the mask to hold at least width by height pixels; it never shrinks.
void Canvas::Reserve(int width, int height) {
  if (width <= width_ && height <= height_) {
    return;
  }
  Release();
  width_ = std::max(width, width_);
  height_ = std::max(height, height_);
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width_);
  if (!ShareWithServer(stride)) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
    image_ = XCreateImage(dpy_, nullptr, 8, ZPixmap, 0,
                          reinterpret_cast<char*>(cairo_image_surface_get_data(surface_)),
                          static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32, stride);
    pixmap_ = XCreatePixmap(dpy_, DefaultRootWindow(dpy_), static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 8);
    gc_ = XCreateGC(dpy_, pixmap_, 0, nullptr);
  }
  cairo_ = cairo_create(surface_);
  // Every drawing starts from this state; Begin restores it.
  cairo_save(cairo_);
  maskPicture_ = XRenderCreatePicture(dpy_, pixmap_, XRenderFindStandardFormat(dpy_, PictStandardA8), 0, nullptr);
}

cairo_t* Canvas::Begin(const Box& box) {
  Reserve(box.width, box.height);
  if (shared_.shmaddr != nullptr) {
    // The server may still be painting through the mask it shares.
    XSync(dpy_, False);
  }
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
  if (shared_.shmaddr == nullptr) {
    XPutImage(dpy_, pixmap_, gc_, image_, 0, 0, 0, 0, width, height);
  }
  for (const Picture target : TargetsOf(dc)) {
    XRenderComposite(dpy_, PictOpOver, Fill(color), maskPicture_, target, 0, 0, 0, 0, box_.x, box_.y, width, height);
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

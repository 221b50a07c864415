#include "platform/x11/screen.h"

#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>

namespace x11 {
namespace {

// The channels of a 32-bit target, alpha in the top byte.
constexpr unsigned long argbRed = 0xFF0000;
constexpr unsigned long argbGreen = 0xFF00;
constexpr unsigned long argbBlue = 0xFF;
constexpr unsigned long argbAlpha = 0xFF000000;

// An 8-bit channel in the bits of the mask: its top bits where the mask
// has fewer, repeated into the low ones where it has more.
unsigned long Channel(unsigned value, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  const int bits = __builtin_popcountl(mask);
  unsigned long scaled = value >> (bits < 8 ? 8 - bits : 0);
  for (int filled = 8; filled < bits; filled += 8) {
    scaled = scaled << std::min(8, bits - filled) | value >> (8 - std::min(8, bits - filled));
  }
  return scaled << __builtin_ctzl(mask);
}

unsigned Premultiplied(unsigned value, unsigned alpha) { return (value * alpha + 127) / 255; }

bool MasksChannels(const Visual& visual) { return visual.c_class == TrueColor || visual.c_class == DirectColor; }

}  // namespace

Screen::Screen(const Connection& connection, EventDispatch& dispatch)
    : connection_(connection),
      dpy_(connection.display),
      rootWindow_(DefaultRootWindow(dpy_)),
      translucent_(FindTranslucentVisual(connection)),
      rootVisual_(DefaultVisual(dpy_, DefaultScreen(dpy_))) {
  int fixesEventBase = 0;
  int errorBase = 0;
  XFixesQueryExtension(dpy_, &fixesEventBase, &errorBase);
  XFixesSelectSelectionInput(dpy_, rootWindow_, connection.atoms.NET_WM_CM_Sn,
                             XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
  dispatch.Register(fixesEventBase + XFixesSelectionNotify, [this](const XEvent& event) {
    if (reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == connection_.atoms.NET_WM_CM_Sn) {
      FollowCompositor();
    }
  });
  dispatch.Register(ConfigureNotify, [this](const XEvent& event) { OnConfigureNotify(event.xconfigure); });
  dispatch.Register(MapNotify, [this](const XEvent& event) {
    FollowWindow(event.xmap.window, event.xmap.override_redirect);
  });
  dispatch.Register(UnmapNotify, [this](const XEvent& event) { FollowWindow(event.xunmap.window, true); });
  nothing_ = XFixesCreateRegion(dpy_, nullptr, 0);
  XGCValues values{};
  values.subwindow_mode = IncludeInferiors;
  values.graphics_exposures = False;
  rootGC_ = XCreateGC(dpy_, rootWindow_, GCSubwindowMode | GCGraphicsExposures, &values);
  rootFillGC_ = XCreateGC(dpy_, rootWindow_, GCSubwindowMode | GCGraphicsExposures, &values);
  XRenderPictureAttributes attributes{};
  attributes.subwindow_mode = IncludeInferiors;
  rootPicture_ = XRenderCreatePicture(dpy_, rootWindow_, XRenderFindVisualFormat(dpy_, rootVisual_),
                                      CPSubwindowMode, &attributes);
  mode_ = CompositorBlends(connection) ? Mode::overlay : Mode::inkAndRoot;
  SelectRootInput();
}

unsigned Screen::Width() const { return static_cast<unsigned>(DisplayWidth(dpy_, DefaultScreen(dpy_))); }

unsigned Screen::Height() const { return static_cast<unsigned>(DisplayHeight(dpy_, DefaultScreen(dpy_))); }

// The root's size is followed in every mode; in overlay mode, whatever
// another client maps or raises is put back below the overlay.
void Screen::SelectRootInput() {
  XSelectInput(dpy_, rootWindow_, StructureNotifyMask | (overlay_ != None ? SubstructureNotifyMask : 0));
}

Picture Screen::InkPicture(Pixmap ink) const {
  return XRenderCreatePicture(dpy_, ink, XRenderFindStandardFormat(dpy_, PictStandardARGB32), 0, nullptr);
}

void Screen::CreateInk() {
  if (ink_ != None) {
    return;
  }
  ink_ = XCreatePixmap(dpy_, rootWindow_, Width(), Height(), 32);
  XGCValues values{};
  values.graphics_exposures = False;
  values.foreground = 0;
  inkGC_ = XCreateGC(dpy_, ink_, GCGraphicsExposures, &values);
  inkFillGC_ = XCreateGC(dpy_, ink_, GCGraphicsExposures | GCForeground, &values);
  inkPicture_ = InkPicture(ink_);
  XFillRectangle(dpy_, ink_, inkFillGC_, 0, 0, Width(), Height());
  if (mode_ == Mode::overlay) {
    CreateOverlay();
  }
}

void Screen::DestroyInk() {
  if (ink_ == None) {
    return;
  }
  if (overlay_ != None) {
    DestroyOverlay();
  }
  XRenderFreePicture(dpy_, inkPicture_);
  XFreeGC(dpy_, inkGC_);
  XFreeGC(dpy_, inkFillGC_);
  XFreePixmap(dpy_, ink_);
  ink_ = None;
  inkGC_ = nullptr;
  inkFillGC_ = nullptr;
  inkPicture_ = None;
  if (mode_ == Mode::rootAlone) {
    mode_ = Mode::inkAndRoot;
  }
}

// Full-screen, above everything, showing the ink as its background and
// letting keys, and clicks outside the program's windows, through to what
// lies below.
void Screen::CreateOverlay() {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask;
  const Window window = CreateTranslucentWindow(connection_, translucent_, 0, 0, Width(), Height(),
                                                CWOverrideRedirect | CWEventMask, attributes);
  if (window == None) {
    return;
  }
  XSetWindowBackgroundPixmap(dpy_, window, ink_);
  XFixesSetWindowShapeRegion(dpy_, window, ShapeInput, 0, 0, nothing_);
  XMapRaised(dpy_, window);
  overlay_ = window;
  SelectRootInput();
  change_.windows = true;
}

void Screen::DestroyOverlay() {
  XDestroyWindow(dpy_, overlay_);
  overlay_ = None;
  SelectRootInput();
}

Targets Screen::DrawingTargets() const {
  const Target ink{ink_, inkGC_, inkFillGC_, false};
  const Target root{rootWindow_, rootGC_, rootFillGC_, true};
  switch (mode_) {
    case Mode::overlay:
      if (overlay_ != None) {
        return Targets{{ink, Target{overlay_, inkGC_, inkFillGC_, false}}, 2};
      }
      return Targets{{ink}, 1};
    case Mode::rootAlone:
      return Targets{{root}, 1};
    default:
      return Targets{{ink, root}, 2};
  }
}

void Screen::Fill(ARGB color) {
  if (color >> 24 == 0xFF && mode_ == Mode::inkAndRoot) {
    mode_ = Mode::rootAlone;
  }
  for (const Target& target : DrawingTargets()) {
    XSetForeground(dpy_, target.fillGC, PixelOf(color, target));
    XFillRectangle(dpy_, target.drawable, target.fillGC, 0, 0, Width(), Height());
  }
}

unsigned long Screen::PixelOf(ARGB color, const Target& target) {
  const unsigned alpha = color >> 24;
  const unsigned red = Premultiplied((color >> 16) & 0xFF, alpha);
  const unsigned green = Premultiplied((color >> 8) & 0xFF, alpha);
  const unsigned blue = Premultiplied(color & 0xFF, alpha);
  if (!target.root) {
    return Channel(red, argbRed) | Channel(green, argbGreen) | Channel(blue, argbBlue) | Channel(alpha, argbAlpha);
  }
  if (!MasksChannels(*rootVisual_)) {
    return AllocatedPixel(0xFF000000 | red << 16 | green << 8 | blue);
  }
  return Channel(red, rootVisual_->red_mask) | Channel(green, rootVisual_->green_mask) |
         Channel(blue, rootVisual_->blue_mask);
}

// The colour's cell in the default colormap, allocated once; where no cell
// is left, the nearest colour the colormap holds.
unsigned long Screen::AllocatedPixel(ARGB color) {
  const auto known = std::find_if(allocated_.begin(), allocated_.end(),
                                   [color](const std::pair<ARGB, unsigned long>& cell) { return cell.first == color; });
  if (known != allocated_.end()) {
    return known->second;
  }
  const Colormap colormap = DefaultColormap(dpy_, DefaultScreen(dpy_));
  const auto wide = [color](int shift) { return static_cast<unsigned short>(((color >> shift) & 0xFF) * 257); };
  XColor wanted{0, wide(16), wide(8), wide(0), DoRed | DoGreen | DoBlue, 0};
  if (XAllocColor(dpy_, colormap, &wanted) == 0) {
    std::vector<XColor> cells(static_cast<std::size_t>(rootVisual_->map_entries));
    for (std::size_t i = 0; i < cells.size(); ++i) {
      cells[i].pixel = i;
    }
    XQueryColors(dpy_, colormap, cells.data(), static_cast<int>(cells.size()));
    const auto distance = [&wanted](const XColor& cell) {
      const auto square = [](int d) { return static_cast<long long>(d) * d; };
      return square(cell.red - wanted.red) + square(cell.green - wanted.green) + square(cell.blue - wanted.blue);
    };
    wanted.pixel = std::min_element(cells.begin(), cells.end(), [&](const XColor& a, const XColor& b) {
                     return distance(a) < distance(b);
                   })->pixel;
  }
  allocated_.emplace_back(color, wanted.pixel);
  return wanted.pixel;
}

void Screen::TakeClicksIn(XserverRegion area) {
  if (overlay_ != None) {
    XFixesSetWindowShapeRegion(dpy_, overlay_, ShapeInput, 0, 0, area);
  }
}

ScreenChange Screen::TakeChange() { return std::exchange(change_, ScreenChange{}); }

void Screen::ShowInkOnRoot() {
  if (mode_ == Mode::inkAndRoot && ink_ != None) {
    XRenderComposite(dpy_, PictOpOver, inkPicture_, None, rootPicture_, 0, 0, 0, 0, 0, 0, Width(),
                     Height());
  }
}

// Overlay mode while a compositor blends; root mode otherwise. Without a
// compositor a 32-bit window shows black where it is transparent, over
// what it covers: the overlay goes, and once the program's windows have
// the root's visual (ShowInkOnRoot) the screen gets the ink.
void Screen::FollowCompositor() {
  const bool blends = CompositorRuns(connection_);
  if (blends == Blends()) {
    return;
  }
  if (blends) {
    if (mode_ == Mode::rootAlone && ink_ != None) {
      XRenderComposite(dpy_, PictOpSrc, rootPicture_, None, inkPicture_, 0, 0, 0, 0, 0, 0, Width(),
                       Height());
    }
    mode_ = Mode::overlay;
    if (ink_ != None) {
      CreateOverlay();
    }
  } else {
    mode_ = Mode::inkAndRoot;
    if (overlay_ != None) {
      DestroyOverlay();
    }
  }
  change_.mode = true;
}

// The ink takes the new size, keeping what was drawn where it still fits,
// and the overlay shows it whole.
void Screen::Resize(unsigned width, unsigned height) {
  const unsigned oldWidth = Width();
  const unsigned oldHeight = Height();
  if (width == oldWidth && height == oldHeight) {
    return;
  }
  // Xlib's own record, which nothing else updates without RandR's library.
  ::Screen* xlibScreen = ScreenOfDisplay(dpy_, DefaultScreen(dpy_));
  xlibScreen->width = static_cast<int>(width);
  xlibScreen->height = static_cast<int>(height);
  if (ink_ != None) {
    const Pixmap ink = XCreatePixmap(dpy_, rootWindow_, width, height, 32);
    XSetForeground(dpy_, inkFillGC_, 0);
    XFillRectangle(dpy_, ink, inkFillGC_, 0, 0, width, height);
    XCopyArea(dpy_, ink_, ink, inkFillGC_, 0, 0, std::min(width, oldWidth), std::min(height, oldHeight), 0, 0);
    XRenderFreePicture(dpy_, inkPicture_);
    XFreePixmap(dpy_, ink_);
    ink_ = ink;
    inkPicture_ = InkPicture(ink);
  }
  if (overlay_ != None) {
    XSetWindowBackgroundPixmap(dpy_, overlay_, ink_);
    XMoveResizeWindow(dpy_, overlay_, 0, 0, width, height);
    XClearWindow(dpy_, overlay_);
  }
  change_.size = true;
}

// Another client's window that maps or moves may cover the program's, or
// rise above the overlay, which goes back on top; a window of the program
// may move.
void Screen::FollowWindow(Window window, bool overrideRedirect) {
  if (overlay_ == None || window == overlay_) {
    return;
  }
  if (!overrideRedirect) {
    XRaiseWindow(dpy_, overlay_);
  }
  change_.windows = true;
}

void Screen::OnConfigureNotify(const XConfigureEvent& configure) {
  if (configure.window == rootWindow_) {
    Resize(static_cast<unsigned>(configure.width), static_cast<unsigned>(configure.height));
  } else {
    FollowWindow(configure.window, configure.override_redirect);
  }
}

}  // namespace x11

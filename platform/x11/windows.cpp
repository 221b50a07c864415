#include "platform/x11/windows.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>

#include "platform/x11/keyboard.h"
#include "platform/x11/window_manager.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/x_window.h"

namespace x11 {

XWindow::~XWindow() {
  Windows& windows = owner;
  windows.live_.erase(std::remove(windows.live_.begin(), windows.live_.end(), this), windows.live_.end());
  const auto itsOwn = [this](const Windows::Retired& old) { return old.window == this; };
  windows.retired_.erase(std::remove_if(windows.retired_.begin(), windows.retired_.end(), itsOwn),
                         windows.retired_.end());
  if (!gone) {
    // Another client may destroy it first.
    const ExpectedErrors goneMeanwhile(windows.dpy_, {BadWindow});
    XDestroyWindow(windows.dpy_, xid);
  }
}

Windows::Windows(const Connection& connection, Screen& screen, EventDispatch& dispatch,
                 std::vector<core::WindowEvent>& events)
    : connection_(connection), dpy_(connection.display), screen_(screen), events_(events) {
  dispatch.Register(KeyPress, [this](const XEvent& event) { OnKey(event.xkey); });
  dispatch.Register(KeyRelease, [this](const XEvent& event) { OnKey(event.xkey); });
  dispatch.Register(KeymapNotify, [this](const XEvent& event) { OnKeymapNotify(event.xkeymap); });
  dispatch.Register(ButtonPress, [this](const XEvent& event) { OnButtonPress(event.xbutton); });
  dispatch.Register(ClientMessage, [this](const XEvent& event) {
    const XWindow* window = Find(event.xclient.window);
    if (window != nullptr && IsCloseRequest(connection_, event)) {
      Report(core::WindowEvent::Kind::closeRequested, *window, nullptr, CurrentTime);
    }
  });
  dispatch.Register(DestroyNotify, [this](const XEvent& event) { OnDestroyNotify(event.xdestroywindow.window); });
}

std::unique_ptr<XWindow> Windows::Create(HWND handle, const core::WindowLook& look) {
  auto window = std::make_unique<XWindow>(*this, handle, look, CreateXWindow(connection_, screen_, look));
  live_.push_back(window.get());
  // As on Windows, the window exists for every other program once it is created.
  XSync(dpy_, False);
  return window;
}

namespace {

// Without a window manager to honour a maximized window's state, it covers the screen itself.
void CoverScreen(Display* dpy, const Screen& screen, const XWindow& window) {
  XMoveResizeWindow(dpy, window.xid, 0, 0, screen.Width(), screen.Height());
}

}  // namespace

void Windows::Show(XWindow& window, bool maximize) {
  const bool managed = HasWindowManager(connection_);
  if (maximize) {
    window.maximized = true;
    RequestMaximized(connection_, window.xid, window.visible);
    if (!managed) {
      CoverScreen(dpy_, screen_, window);
    }
  }
  if (!window.visible) {
    XMapRaised(dpy_, window.xid);
    window.visible = true;
    // A window manager maps the window when it has framed it; it activates only windows it manages.
    if (managed) {
      WaitUntilMapped(dpy_, window.xid);
      const ExpectedErrors gone(dpy_, {BadWindow});
      if (screen_.Blends() && FrameOf(dpy_, window.xid) == window.xid) {
        // A window manager that frames nothing (XWayland's) shows no window without a shape.
        XShapeCombineMask(dpy_, window.xid, ShapeBounding, 0, 0, None, ShapeSet);
      }
    }
  }
  // A newly shown window is the active one and gets the keyboard, and the
  // clicks where it shows: on top, where its manager raises it as it
  // activates it, which may come after this.
  Activate(connection_, window.xid, managed);
  RouteClicksToShownWindows(&window);
}

void Windows::Renew() {
  for (XWindow* window : live_) {
    {
      // Gone first, so that what it covered shows again before the new one maps over it.
      const ExpectedErrors gone(dpy_, {BadWindow});
      XDestroyWindow(dpy_, window->xid);
    }
    retired_.push_back(Retired{window->xid, window});
    window->xid = CreateXWindow(connection_, screen_, window->look);
    if (window->visible) {
      window->visible = false;
      Show(*window, window->maximized);
    }
  }
}

XWindow* Windows::Find(Window xid) const {
  const auto live = std::find_if(live_.begin(), live_.end(), [xid](const XWindow* w) { return w->xid == xid; });
  if (live != live_.end()) {
    return *live;
  }
  const auto old = std::find_if(retired_.begin(), retired_.end(), [xid](const Retired& r) { return r.xid == xid; });
  return old != retired_.end() ? old->window : nullptr;
}

// Where the program's shown windows lie on the screen, uncovered by other
// windows: where a click is the program's. The raised one is on top.
XserverRegion Windows::ShownArea(const XWindow* raised) const {
  const Window rootWindow = DefaultRootWindow(dpy_);
  const XserverRegion area = XFixesCreateRegion(dpy_, nullptr, 0);
  Window root = None;
  Window parent = None;
  Window* stack = nullptr;
  unsigned count = 0;
  // Any window looked at may be gone by the time the server sees the question.
  const ExpectedErrors gone(dpy_, {BadWindow, BadDrawable});
  if (XQueryTree(dpy_, rootWindow, &root, &parent, &stack, &count) == 0) {
    return area;
  }
  for (const XWindow* window : live_) {
    const Window* top = std::find(stack, stack + count, FrameOf(dpy_, window->xid));
    XWindowAttributes attributes;
    int x = 0;
    int y = 0;
    Window child = None;
    if (!window->visible || top == stack + count || XGetWindowAttributes(dpy_, window->xid, &attributes) == 0 ||
        XTranslateCoordinates(dpy_, window->xid, rootWindow, 0, 0, &x, &y, &child) == False) {
      continue;
    }
    XRectangle shown{static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(attributes.width),
                     static_cast<unsigned short>(attributes.height)};
    const XserverRegion part = XFixesCreateRegion(dpy_, &shown, 1);
    // Stacked bottom to top: what lies above the window's frame covers it.
    for (const Window* above = window == raised ? stack + count : top + 1; above != stack + count; ++above) {
      XWindowAttributes covering;
      if (screen_.IsOverlay(*above) || XGetWindowAttributes(dpy_, *above, &covering) == 0 ||
          covering.map_state != IsViewable) {
        continue;
      }
      const int border = covering.border_width;
      XRectangle covered{static_cast<short>(covering.x), static_cast<short>(covering.y),
                         static_cast<unsigned short>(covering.width + 2 * border),
                         static_cast<unsigned short>(covering.height + 2 * border)};
      const XserverRegion cover = XFixesCreateRegion(dpy_, &covered, 1);
      XFixesSubtractRegion(dpy_, part, part, cover);
      XFixesDestroyRegion(dpy_, cover);
    }
    XFixesUnionRegion(dpy_, area, area, part);
    XFixesDestroyRegion(dpy_, part);
  }
  if (stack != nullptr) {
    XFree(stack);
  }
  return area;
}

void Windows::RouteClicksToShownWindows(const XWindow* raised) {
  if (!screen_.Blends()) {
    return;
  }
  const XserverRegion shown = ShownArea(raised);
  screen_.TakeClicksIn(shown);
  XFixesDestroyRegion(dpy_, shown);
  // After a reply, Xlib asks XCB at every flush whether more replies follow,
  // until a later response arrives: on a quiet desktop, at every frame. An
  // event the program sends itself, which nothing handles, is that response
  // (or, where another client has just destroyed the window, the error).
  if (!live_.empty()) {
    const ExpectedErrors gone(dpy_, {BadWindow});
    XEvent done{};
    done.xclient.type = ClientMessage;
    done.xclient.window = live_.front()->xid;
    done.xclient.format = 32;
    XSendEvent(dpy_, done.xclient.window, False, NoEventMask, &done);
  }
}

void Windows::FitMaximized() {
  if (HasWindowManager(connection_)) {
    return;
  }
  for (const XWindow* window : live_) {
    if (window->maximized) {
      CoverScreen(dpy_, screen_, *window);
    }
  }
}

XWindow* Windows::ShownAt(int x, int y) const {
  const ExpectedErrors gone(dpy_, {BadWindow});
  for (XWindow* window : live_) {
    int insideX = 0;
    int insideY = 0;
    Window child = None;
    XWindowAttributes attributes;
    if (window->visible && XGetWindowAttributes(dpy_, window->xid, &attributes) != 0 &&
        XTranslateCoordinates(dpy_, DefaultRootWindow(dpy_), window->xid, x, y, &insideX, &insideY, &child) !=
            False &&
        insideX >= 0 && insideY >= 0 && insideX < attributes.width && insideY < attributes.height) {
      return window;
    }
  }
  return nullptr;
}

void Windows::Report(core::WindowEvent::Kind kind, const XWindow& window, const XKeyEvent* key, Time time) {
  core::WindowEvent event{kind, window.handle, {}, false, static_cast<DWORD>(time)};
  if (key != nullptr) {
    event.key = KeyOf(*key);
    // Alt held makes a system key.
    event.altHeld = (key->state & Mod1Mask) != 0;
  }
  events_.push_back(event);
}

void Windows::OnKey(const XKeyEvent& key) {
  const XWindow* window = Find(key.window);
  if (window == nullptr || IsAutoRepeatRelease(connection_, key)) {
    return;
  }
  Report(key.type == KeyPress ? core::WindowEvent::Kind::keyPressed : core::WindowEvent::Kind::keyReleased, *window,
         &key, key.time);
}

// The keys already down as a window of the program takes the keyboard: a
// press that comes for one of them is a repeat, its first press having gone
// elsewhere.
void Windows::OnKeymapNotify(const XKeymapEvent& keymap) {
  // The map leaves out its first byte: keycodes 0 to 7 name no key.
  for (unsigned keycode = 8; keycode < 256; ++keycode) {
    if ((keymap.key_vector[keycode / 8] >> (keycode % 8) & 1) != 0) {
      const KeySym keysym = XkbKeycodeToKeysym(dpy_, static_cast<KeyCode>(keycode), 0, 0);
      events_.push_back(core::WindowEvent{core::WindowEvent::Kind::keyHeld, nullptr,
                                          core::Key{static_cast<std::uint32_t>(keysym), keycode - 8}, false, 0});
    }
  }
}

// A click that lands on the overlay, where a window of the program shows,
// activates that window, as a click on a window does on Windows.
void Windows::OnButtonPress(const XButtonEvent& click) {
  if (!screen_.IsOverlay(click.window)) {
    return;
  }
  if (const XWindow* clicked = ShownAt(click.x_root, click.y_root)) {
    Activate(connection_, clicked->xid, HasWindowManager(connection_));
  }
}

// The server reports an X window gone: a renewed window's old one ends
// nothing; a window of ours another client destroyed is destroyed for the
// program too.
void Windows::OnDestroyNotify(Window xid) {
  const auto old = std::find_if(retired_.begin(), retired_.end(), [xid](const Retired& r) { return r.xid == xid; });
  if (old != retired_.end()) {
    retired_.erase(old);
  } else if (XWindow* window = Find(xid)) {
    window->gone = true;
    Report(core::WindowEvent::Kind::destroyed, *window, nullptr, CurrentTime);
  }
}

}  // namespace x11

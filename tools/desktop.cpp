#include "tools/desktop.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>

#include "tools/wait.h"
#include "platform/x11/x_errors.h"

namespace tools {
namespace {

bool HasClass(Display* display, Window window, const char* windowClass) {
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint) == 0) {
    return windowClass == nullptr;
  }
  const bool matches = windowClass != nullptr && std::strcmp(hint.res_class, windowClass) == 0;
  XFree(hint.res_name);
  XFree(hint.res_class);
  return matches;
}

}  // namespace

bool IsMainWindow(Display* display, Window window) {
  const x11::ExpectedErrors gone(display, {BadWindow});
  return window != None && window != PointerRoot && HasClass(display, window, "test");
}

namespace {

// Depth first below the window: window managers put the windows they manage into frames of their own.
Window FindBelow(Display* display, Window window, const char* name, const char* windowClass) {
  Window root;
  Window parent;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
    return None;
  }
  Window found = None;
  for (unsigned i = 0; i < count && found == None; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
      continue;
    }
    char* windowName = nullptr;
    if (XFetchName(display, children[i], &windowName) != 0) {
      if (std::strcmp(windowName, name) == 0 && HasClass(display, children[i], windowClass)) {
        found = children[i];
      }
      XFree(windowName);
    }
    if (found == None) {
      found = FindBelow(display, children[i], name, windowClass);
    }
  }
  if (children != nullptr) {
    XFree(children);
  }
  return found;
}

}  // namespace

Window FindViewableWindow(Display* display, const char* name, const char* windowClass) {
  // Windows come and go while the tree is walked.
  const x11::ExpectedErrors gone(display, {BadWindow, BadDrawable});
  return FindBelow(display, DefaultRootWindow(display), name, windowClass);
}

Window WaitForWindow(Display* display, const char* name, const char* windowClass, std::chrono::milliseconds limit) {
  Window window = None;
  WaitUntil([&] { return (window = FindViewableWindow(display, name, windowClass)) != None; }, limit);
  return window;
}

Rectangle OnScreen(Display* display, Window window) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  int x = 0;
  int y = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  return Rectangle{x, y, attributes.width, attributes.height};
}

Window Focus(Display* display) {
  Window focus;
  int revert;
  XGetInputFocus(display, &focus, &revert);
  return focus;
}

bool WaitForFocus(Display* display, Window window, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return Focus(display) == window; }, limit);
}

Window DismissNotice(Display* display, std::chrono::milliseconds limit) {
  // A key typed before the notice has the keyboard would go to whatever had it.
  const Window notice = WaitForWindow(display, "test", nullptr, limit);
  if (notice == None || !WaitForFocus(display, notice, limit)) {
    return None;
  }
  TypeKey(display, XK_Return);
  Window main = None;
  WaitUntil([&] { return IsMainWindow(display, main = Focus(display)); }, limit);
  return IsMainWindow(display, main) ? main : None;
}

void PressKey(Display* display, unsigned long keysym) {
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), True, CurrentTime);
  XSync(display, False);
}

void ReleaseKey(Display* display, unsigned long keysym) {
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), False, CurrentTime);
  XSync(display, False);
}

void TypeKey(Display* display, unsigned long keysym) {
  PressKey(display, keysym);
  ReleaseKey(display, keysym);
}

void ClickAt(Display* display, Window window, int x, int y) {
  int rootX = 0;
  int rootY = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XSync(display, False);
}

void RequestClose(Display* display, Window window) {
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  request.xclient.format = 32;
  request.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, window, False, NoEventMask, &request);
  XSync(display, False);
}

}  // namespace tools

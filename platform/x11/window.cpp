#include "platform/x11/window.h"

#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/x11/connection.h"
#include "platform/x11/handle_table.h"
#include "platform/x11/message_queue.h"
#include "platform/x11/screen.h"
#include "platform/x11/window_manager.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/x_window.h"

namespace x11 {
namespace {

struct WindowClass {
  std::string name;
  WNDPROC procedure;
};

std::vector<WindowClass> classes;
HandleTable<HWND__> windows;

// X windows of ours replaced by new ones, until the server reports them
// gone: input already on its way to one still belongs to its handle.
struct Retired {
  Window xid;
  HWND window;
};
std::vector<Retired> retired;

std::vector<Retired>::iterator FindRetired(Window xid) {
  return std::find_if(retired.begin(), retired.end(), [xid](const Retired& old) { return old.xid == xid; });
}

constexpr WORD firstClassAtom = 0xC000;

const WindowClass* FindClass(LPCSTR name) {
  for (const WindowClass& windowClass : classes) {
    if (strcasecmp(windowClass.name.c_str(), name) == 0) {
      return &windowClass;
    }
  }
  return nullptr;
}

// Without a window manager to honour a maximized window's state, it covers the screen itself.
void CoverScreen(Display* dpy, const HWND__& window) {
  XMoveResizeWindow(dpy, window.xid, 0, 0, ScreenWidth(), ScreenHeight());
}

// Maps the window, maximized if asked, and gives it the keyboard.
void Show(Display* dpy, HWND window, bool maximize) {
  const bool managed = HasWindowManager();
  if (maximize) {
    window->maximized = true;
    RequestMaximized(window->xid, window->visible);
    if (!managed) {
      CoverScreen(dpy, *window);
    }
  }
  if (!window->visible) {
    XMapRaised(dpy, window->xid);
    window->visible = true;
    // A window manager maps the window when it has framed it; it activates only windows it manages.
    if (managed) {
      WaitUntilMapped(dpy, window->xid);
      const ExpectedErrors gone{BadWindow};
      if (TheScreen().Blends() && FrameOf(dpy, window->xid) == window->xid) {
        // A window manager that frames nothing (XWayland's) shows no window without a shape.
        XShapeCombineMask(dpy, window->xid, ShapeBounding, 0, 0, None, ShapeSet);
      }
    }
  }
  // A newly shown window is the active one and gets the keyboard, and the
  // clicks where it shows: on top, where its manager raises it as it
  // activates it, which may come after this.
  Activate(window->xid, managed);
  RouteClicksToShownWindows(window);
}

void Destroy(HWND window, bool xWindowLives) {
  if (!windows.Contains(window)) {
    return;
  }
  window->procedure(window, WM_DESTROY, 0, 0);
  ThreadQueue().Forget(window);
  const auto itsOwn = [window](const Retired& old) { return old.window == window; };
  retired.erase(std::remove_if(retired.begin(), retired.end(), itsOwn), retired.end());
  const std::unique_ptr<HWND__> destroyed = windows.Remove(window);
  if (destroyed != nullptr && xWindowLives) {
    // Another client may destroy it first.
    const ExpectedErrors gone{BadWindow};
    XDestroyWindow(Connection(), destroyed->xid);
  }
}

}  // namespace

HWND FindWindow(Window xid) {
  if (const HWND window = windows.FindIf([xid](const HWND__& window) { return window.xid == xid; })) {
    return window;
  }
  const auto old = FindRetired(xid);
  return old != retired.end() ? old->window : nullptr;
}

bool IsLiveWindow(HWND window) { return windows.Contains(window); }

void RenewWindows() {
  Display* dpy = Connection();
  windows.ForEach([dpy](HWND__& window) {
    {
      // Gone first, so that what it covered shows again before the new one maps over it.
      const ExpectedErrors gone{BadWindow};
      XDestroyWindow(dpy, window.xid);
    }
    retired.push_back(Retired{window.xid, &window});
    window.xid = CreateXWindow(dpy, window.look);
    if (window.visible) {
      window.visible = false;
      Show(dpy, &window, window.maximized);
    }
  });
}

namespace {

// Where the program's shown windows lie on the screen, uncovered by other
// windows: where a click is the program's. The raised one is on top.
XserverRegion ShownArea(HWND raised) {
  Display* dpy = Connection();
  const Screen& screen = TheScreen();
  const Window rootWindow = DefaultRootWindow(dpy);
  const XserverRegion area = XFixesCreateRegion(dpy, nullptr, 0);
  Window root = None;
  Window parent = None;
  Window* stack = nullptr;
  unsigned count = 0;
  // Any window looked at may be gone by the time the server sees the question.
  const ExpectedErrors gone{BadWindow, BadDrawable};
  if (XQueryTree(dpy, rootWindow, &root, &parent, &stack, &count) == 0) {
    return area;
  }
  windows.ForEach([&](const HWND__& window) {
    const Window* top = std::find(stack, stack + count, FrameOf(dpy, window.xid));
    XWindowAttributes attributes;
    int x = 0;
    int y = 0;
    Window child = None;
    if (!window.visible || top == stack + count || XGetWindowAttributes(dpy, window.xid, &attributes) == 0 ||
        XTranslateCoordinates(dpy, window.xid, rootWindow, 0, 0, &x, &y, &child) == False) {
      return;
    }
    XRectangle shown{static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(attributes.width),
                     static_cast<unsigned short>(attributes.height)};
    const XserverRegion part = XFixesCreateRegion(dpy, &shown, 1);
    // Stacked bottom to top: what lies above the window's frame covers it.
    for (const Window* above = &window == raised ? stack + count : top + 1; above != stack + count; ++above) {
      XWindowAttributes covering;
      if (screen.IsOverlay(*above) || XGetWindowAttributes(dpy, *above, &covering) == 0 ||
          covering.map_state != IsViewable) {
        continue;
      }
      const int border = covering.border_width;
      XRectangle covered{static_cast<short>(covering.x), static_cast<short>(covering.y),
                         static_cast<unsigned short>(covering.width + 2 * border),
                         static_cast<unsigned short>(covering.height + 2 * border)};
      const XserverRegion cover = XFixesCreateRegion(dpy, &covered, 1);
      XFixesSubtractRegion(dpy, part, part, cover);
      XFixesDestroyRegion(dpy, cover);
    }
    XFixesUnionRegion(dpy, area, area, part);
    XFixesDestroyRegion(dpy, part);
  });
  if (stack != nullptr) {
    XFree(stack);
  }
  return area;
}

}  // namespace

void RouteClicksToShownWindows(HWND raised) {
  Screen& screen = TheScreen();
  if (!screen.Blends()) {
    return;
  }
  Display* dpy = Connection();
  const XserverRegion shown = ShownArea(raised);
  screen.TakeClicksIn(shown);
  XFixesDestroyRegion(dpy, shown);
  // After a reply, Xlib asks XCB at every flush whether more replies follow,
  // until a later response arrives: on a quiet desktop, at every frame. An
  // event the program sends itself, which nothing handles, is that response
  // (or, where another client has just destroyed the window, the error).
  if (const HWND any = windows.FindIf([](const HWND__&) { return true; })) {
    const ExpectedErrors gone{BadWindow};
    XEvent done{};
    done.xclient.type = ClientMessage;
    done.xclient.window = any->xid;
    done.xclient.format = 32;
    XSendEvent(dpy, any->xid, False, NoEventMask, &done);
  }
}

void FitMaximizedWindows() {
  if (HasWindowManager()) {
    return;
  }
  Display* dpy = Connection();
  windows.ForEach([dpy](const HWND__& window) {
    if (window.maximized) {
      CoverScreen(dpy, window);
    }
  });
}

HWND ShownWindowAt(int x, int y) {
  Display* dpy = Connection();
  const ExpectedErrors gone{BadWindow};
  return windows.FindIf([&](const HWND__& window) {
    int insideX = 0;
    int insideY = 0;
    Window child = None;
    XWindowAttributes attributes;
    return window.visible && XGetWindowAttributes(dpy, window.xid, &attributes) != 0 &&
           XTranslateCoordinates(dpy, DefaultRootWindow(dpy), window.xid, x, y, &insideX, &insideY, &child) !=
               False &&
           insideX >= 0 && insideY >= 0 && insideX < attributes.width && insideY < attributes.height;
  });
}

void DestroyWindow(HWND window) { Destroy(window, true); }

void XWindowDestroyed(Window xid) {
  const auto old = FindRetired(xid);
  if (old != retired.end()) {
    retired.erase(old);
  } else if (const HWND window = FindWindow(xid)) {
    Destroy(window, false);
  }
}

}  // namespace x11

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
  // The programs carry no icon resources.
  return nullptr;
}

WORD WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) || windowClass->lpfnWndProc == nullptr ||
      windowClass->lpszClassName == nullptr || x11::FindClass(windowClass->lpszClassName) != nullptr) {
    return 0;
  }
  x11::classes.push_back(x11::WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc});
  return static_cast<WORD>(x11::firstClassAtom + x11::classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, INT x, INT y, INT width,
                            INT height, HWND, HMENU, HINSTANCE, void*) {
  const x11::WindowClass* windowClass = className != nullptr ? x11::FindClass(className) : nullptr;
  if (windowClass == nullptr || width <= 0 || height <= 0) {
    return nullptr;
  }
  Display* dpy = x11::Connection();
  x11::ListenToWindowEvents();
  WindowLook look{windowName != nullptr ? windowName : "", windowClass->name, style, x, y, width, height};
  const Window xid = x11::CreateXWindow(dpy, look);
  // As on Windows, the window exists for every other program once this returns.
  XSync(dpy, False);

  HWND window =
      x11::windows.Add(std::make_unique<HWND__>(HWND__{xid, windowClass->procedure, std::move(look), false, false}));
  x11::ThreadQueue().Invalidate(window);
  // As on Windows, a window procedure that answers WM_CREATE with -1 refuses the window.
  if (window->procedure(window, WM_CREATE, 0, 0) == -1) {
    x11::DestroyWindow(window);
    return nullptr;
  }
  return window;
}

BOOL WINAPI ShowWindow(HWND window, INT showCommand) {
  if (!x11::IsLiveWindow(window)) {
    return FALSE;
  }
  const BOOL wasVisible = window->visible ? TRUE : FALSE;
  x11::Show(x11::Connection(), window, showCommand == SW_SHOWMAXIMIZED);
  return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) {
  if (!x11::IsLiveWindow(window)) {
    return FALSE;
  }
  if (x11::ThreadQueue().HasUpdateRegion(window)) {
    window->procedure(window, WM_PAINT, 0, 0);
  }
  return TRUE;
}

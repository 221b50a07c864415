#include "platform/x11/window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/x11/compositor.h"
#include "platform/x11/connection.h"
#include "platform/x11/events.h"
#include "platform/x11/handle_table.h"
#include "platform/x11/message_queue.h"
#include "platform/x11/screen.h"
#include "platform/x11/window_manager.h"

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

// A window whose client area shows what lies behind it, as one the program
// never paints does on Windows. Without a compositor a window with no
// background keeps the screen's pixels; under one that blends, it would
// show a stale copy of them, so it is made fully transparent instead, and
// of opacity 0, which compositors apply to its frame and shadow as well.
Window CreateUnpaintedWindow(Display* dpy, int x, int y, unsigned width, unsigned height) {
  XSetWindowAttributes attributes{};
  attributes.event_mask = KeyPressMask | KeyReleaseMask | StructureNotifyMask;
  if (CompositorBlendsNow()) {
    const Window translucent = CreateTranslucentWindow(x, y, width, height, CWEventMask, attributes);
    if (translucent != None) {
      const long transparent = 0;
      XChangeProperty(dpy, translucent, Atoms().NET_WM_WINDOW_OPACITY, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&transparent), 1);
      // Nothing of it to show: a frame takes its window's shape, so the
      // compositor casts no shadow of the frame over the desktop either.
      XShapeCombineRectangles(dpy, translucent, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
      return translucent;
    }
  }
  attributes.background_pixmap = None;
  return XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, width, height, 0, CopyFromParent, InputOutput,
                       CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
}

const WindowClass* FindClass(LPCSTR name) {
  for (const WindowClass& windowClass : classes) {
    if (strcasecmp(windowClass.name.c_str(), name) == 0) {
      return &windowClass;
    }
  }
  return nullptr;
}

// Asks window managers for a frame without decorations, as a popup has none.
void RemoveDecorations(Display* dpy, Window xid) {
  constexpr long decorationsFlag = 1L << 1;
  const long motifHints[5] = {decorationsFlag, 0, 0, 0, 0};
  const Atom atom = Atoms().MOTIF_WM_HINTS;
  XChangeProperty(dpy, xid, atom, atom, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(motifHints), 5);
}

void NameWindow(Display* dpy, Window xid, LPCSTR title, LPCSTR className) {
  XStoreName(dpy, xid, title);
  std::string instanceName = className;
  std::string classNameCopy = className;
  XClassHint hint{instanceName.data(), classNameCopy.data()};
  XSetClassHint(dpy, xid, &hint);
}

void PlaceWindow(Display* dpy, Window xid, int x, int y, int width, int height) {
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  XSetWMNormalHints(dpy, xid, &hints);
}

// The X window behind a window of that look, of the screen's current mode,
// with the names and hints a window manager reads.
Window CreateXWindow(Display* dpy, const WindowLook& look) {
  const Window xid = CreateUnpaintedWindow(dpy, look.x, look.y, static_cast<unsigned>(look.width),
                                           static_cast<unsigned>(look.height));
  NameWindow(dpy, xid, look.title.c_str(), look.className.c_str());
  PlaceWindow(dpy, xid, look.x, look.y, look.width, look.height);
  Atom deleteWindow = Atoms().WM_DELETE_WINDOW;
  XSetWMProtocols(dpy, xid, &deleteWindow, 1);
  if ((look.style & WS_POPUP) != 0) {
    RemoveDecorations(dpy, xid);
  }
  MarkFocusable(xid);
  return xid;
}

// Whether a window manager has put the window into a frame of its own.
bool Framed(Display* dpy, Window xid) {
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(dpy, xid, &root, &parent, &children, &count) == 0) {
    return false;
  }
  if (children != nullptr) {
    XFree(children);
  }
  return parent != root;
}

// Maps the window, maximized if asked, and gives it the keyboard.
void Show(Display* dpy, HWND window, bool maximize) {
  const bool managed = HasWindowManager();
  if (maximize) {
    window->maximized = true;
    RequestMaximized(window->xid, window->visible);
    // With no window manager to honour the request, cover the screen ourselves.
    if (!managed) {
      XMoveResizeWindow(dpy, window->xid, 0, 0, ScreenWidth(dpy), ScreenHeight(dpy));
    }
  }
  if (!window->visible) {
    XMapRaised(dpy, window->xid);
    window->visible = true;
    // A window manager maps the window when it has framed it; it activates only windows it manages.
    if (managed) {
      WaitForEventFor(dpy, window->xid, MapNotify, windowManagerPatience);
      if (CompositorBlendsNow() && !Framed(dpy, window->xid)) {
        // A window manager that frames nothing (XWayland's) shows no window without a shape.
        XShapeCombineMask(dpy, window->xid, ShapeBounding, 0, 0, None, ShapeSet);
      }
    }
  }
  // A newly shown window is the active one and gets the keyboard.
  Activate(window->xid, managed);
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
    ErrorTrap trap;
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
      ErrorTrap trap;
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

void DestroyWindow(HWND window) { Destroy(window, true); }

void XWindowDestroyed(Window xid) {
  const auto old = FindRetired(xid);
  if (old != retired.end()) {
    retired.erase(old);
    return;
  }
  // Another client destroyed the window: it is gone for the program too.
  if (const HWND window = FindWindow(xid)) {
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

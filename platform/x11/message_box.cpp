// The notice box: a small dialog with a line of text and an OK button,
// drawn with the core X font. It holds the thread until it is dismissed.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/x11/connection.h"
#include "platform/x11/screen.h"
#include "platform/x11/window_manager.h"
#include "platform/x11/x_errors.h"

namespace x11 {
namespace {

constexpr int margin = 16;
constexpr int buttonWidth = 72;
constexpr int buttonHeight = 24;
constexpr INT idOk = 1;

struct Layout {
  int width;
  int height;
  XRectangle button;
};

Layout LayOut(const XFontStruct& font, LPCSTR text) {
  const int textWidth = XTextWidth(const_cast<XFontStruct*>(&font), text, static_cast<int>(std::strlen(text)));
  const int lineHeight = font.ascent + font.descent;
  const int width = std::max(textWidth, 2 * buttonWidth) + 2 * margin;
  const int height = margin + lineHeight + margin + buttonHeight + margin;
  const XRectangle button{static_cast<short>((width - buttonWidth) / 2),
                          static_cast<short>(height - margin - buttonHeight), buttonWidth, buttonHeight};
  return Layout{width, height, button};
}

void Draw(Display* dpy, Window box, GC gc, const XFontStruct& font, const Layout& layout, LPCSTR text) {
  XClearWindow(dpy, box);
  XDrawString(dpy, box, gc, margin, margin + font.ascent, text, static_cast<int>(std::strlen(text)));
  const XRectangle& b = layout.button;
  XDrawRectangle(dpy, box, gc, b.x, b.y, b.width, b.height);
  const char label[] = "OK";
  const int labelWidth = XTextWidth(const_cast<XFontStruct*>(&font), label, 2);
  XDrawString(dpy, box, gc, b.x + (b.width - labelWidth) / 2, b.y + (b.height + font.ascent - font.descent) / 2,
              label, 2);
}

Bool IsForWindow(Display*, XEvent* candidate, XPointer window) {
  return candidate->xany.window == *reinterpret_cast<Window*>(window) ? True : False;
}

// The next event reported on that window; events for other windows stay
// queued for their own readers.
XEvent NextEventFor(Display* dpy, Window window) {
  XEvent event;
  XIfEvent(dpy, &event, IsForWindow, reinterpret_cast<XPointer>(&window));
  return event;
}

bool Inside(const XRectangle& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height; }

bool DismissesBox(KeySym keysym) {
  return keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space || keysym == XK_Escape;
}

Window CreateBox(Display* dpy, const Layout& layout, LPCSTR caption) {
  const int screen = DefaultScreen(dpy);
  const int x = (static_cast<int>(ScreenWidth()) - layout.width) / 2;
  const int y = (static_cast<int>(ScreenHeight()) - layout.height) / 2;
  const Window box = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, static_cast<unsigned>(layout.width),
                                         static_cast<unsigned>(layout.height), 1, BlackPixel(dpy, screen),
                                         WhitePixel(dpy, screen));
  XStoreName(dpy, box, caption);
  XSizeHints hints{};
  hints.flags = PPosition | PMinSize | PMaxSize;
  hints.x = x;
  hints.y = y;
  hints.min_width = hints.max_width = layout.width;
  hints.min_height = hints.max_height = layout.height;
  XSetWMNormalHints(dpy, box, &hints);
  const AtomTable& atoms = Atoms();
  Atom dialogType = atoms.NET_WM_WINDOW_TYPE_DIALOG;
  XChangeProperty(dpy, box, atoms.NET_WM_WINDOW_TYPE, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dialogType), 1);
  Atom deleteWindow = atoms.WM_DELETE_WINDOW;
  XSetWMProtocols(dpy, box, &deleteWindow, 1);
  MarkFocusable(box);
  XSelectInput(dpy, box, ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                             StructureNotifyMask);
  return box;
}

// Runs the box until it is dismissed. A key dismisses it on its release, and
// only after its press reached the box, so that neither a key still held
// from before nor the dismissing key's release reaches the window behind it.
void RunBox(Display* dpy, Window box, GC gc, const XFontStruct& font, const Layout& layout, LPCSTR text) {
  KeyCode armedKey = 0;
  bool buttonArmed = false;
  for (;;) {
    XEvent event = NextEventFor(dpy, box);
    switch (event.type) {
      case MapNotify:
        Activate(box, HasWindowManager());
        break;
      case DestroyNotify:
        // Another client closed it.
        return;
      case Expose:
        if (event.xexpose.count == 0) {
          Draw(dpy, box, gc, font, layout, text);
        }
        break;
      case KeyPress:
        if (DismissesBox(XLookupKeysym(&event.xkey, 0))) {
          armedKey = static_cast<KeyCode>(event.xkey.keycode);
        }
        break;
      case KeyRelease:
        if (armedKey != 0 && event.xkey.keycode == armedKey) {
          return;
        }
        break;
      case ButtonPress:
        buttonArmed = event.xbutton.button == Button1 && Inside(layout.button, event.xbutton.x, event.xbutton.y);
        break;
      case ButtonRelease:
        if (buttonArmed && event.xbutton.button == Button1 && Inside(layout.button, event.xbutton.x, event.xbutton.y)) {
          return;
        }
        buttonArmed = false;
        break;
      case ClientMessage:
        if (IsCloseRequest(event)) {
          return;
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace
}  // namespace x11

INT WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  Display* dpy = x11::Connection();
  text = text != nullptr ? text : "";
  caption = caption != nullptr ? caption : "Error";
  const GC gc = XCreateGC(dpy, DefaultRootWindow(dpy), 0, nullptr);
  XSetForeground(dpy, gc, BlackPixel(dpy, DefaultScreen(dpy)));
  XFontStruct* font = XQueryFont(dpy, XGContextFromGC(gc));
  const x11::Layout layout = x11::LayOut(*font, text);
  const Window box = x11::CreateBox(dpy, layout, caption);
  XMapRaised(dpy, box);
  x11::RunBox(dpy, box, gc, *font, layout, text);
  {
    const x11::ExpectedErrors boxMayBeGone{BadWindow};
    XDestroyWindow(dpy, box);
  }
  XFreeFontInfo(nullptr, font, 1);
  XFreeGC(dpy, gc);
  XFlush(dpy);
  return x11::idOk;
}

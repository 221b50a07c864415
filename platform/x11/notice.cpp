// The notice box: a small dialog with a line of text and an OK button,
// drawn with the core X font. It holds the thread until it is dismissed.
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

#include "platform/core/notice.h"
#include "platform/x11/session.h"
#include "platform/x11/window_manager.h"
#include "platform/x11/x_errors.h"

namespace x11 {
namespace {

core::NoticeLayout LayOut(const XFontStruct& font, LPCSTR text) {
  const int textWidth = XTextWidth(const_cast<XFontStruct*>(&font), text, static_cast<int>(std::strlen(text)));
  return core::LayOutNotice(textWidth, font.ascent + font.descent);
}

void Draw(Display* dpy, Window box, GC gc, const XFontStruct& font, const core::NoticeLayout& layout, LPCSTR text) {
  XClearWindow(dpy, box);
  XDrawString(dpy, box, gc, layout.textX, layout.textY + font.ascent, text, static_cast<int>(std::strlen(text)));
  XDrawRectangle(dpy, box, gc, layout.buttonX, layout.buttonY, static_cast<unsigned>(layout.buttonWidth),
                 static_cast<unsigned>(layout.buttonHeight));
  const char* label = core::noticeButtonLabel;
  const int length = static_cast<int>(std::strlen(label));
  const int labelWidth = XTextWidth(const_cast<XFontStruct*>(&font), label, length);
  XDrawString(dpy, box, gc, layout.buttonX + (layout.buttonWidth - labelWidth) / 2,
              layout.buttonY + (layout.buttonHeight + font.ascent - font.descent) / 2, label, length);
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

Window CreateBox(const Connection& connection, const Screen& shownOn, const core::NoticeLayout& layout,
                 LPCSTR caption) {
  Display* dpy = connection.display;
  const int screen = DefaultScreen(dpy);
  const int x = (static_cast<int>(shownOn.Width()) - layout.width) / 2;
  const int y = (static_cast<int>(shownOn.Height()) - layout.height) / 2;
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
  const AtomTable& atoms = connection.atoms;
  Atom dialogType = atoms.NET_WM_WINDOW_TYPE_DIALOG;
  XChangeProperty(dpy, box, atoms.NET_WM_WINDOW_TYPE, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dialogType), 1);
  Atom deleteWindow = atoms.WM_DELETE_WINDOW;
  XSetWMProtocols(dpy, box, &deleteWindow, 1);
  MarkFocusable(dpy, box);
  XSelectInput(dpy, box, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
  return box;
}

// Runs the box until it is dismissed. A key dismisses it as it goes down,
// as a dialog's on Windows does; its release goes to whichever window has
// the keyboard then.
void RunBox(const Connection& connection, Window box, GC gc, const XFontStruct& font,
            const core::NoticeLayout& layout, LPCSTR text) {
  Display* dpy = connection.display;
  bool buttonArmed = false;
  for (;;) {
    XEvent event = NextEventFor(dpy, box);
    switch (event.type) {
      case MapNotify:
        Activate(connection, box, HasWindowManager(connection));
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
        if (core::DismissesNotice(static_cast<std::uint32_t>(XLookupKeysym(&event.xkey, 0)))) {
          return;
        }
        break;
      case ButtonPress:
        buttonArmed = event.xbutton.button == Button1 && layout.OnButton(event.xbutton.x, event.xbutton.y);
        break;
      case ButtonRelease:
        if (buttonArmed && event.xbutton.button == Button1 && layout.OnButton(event.xbutton.x, event.xbutton.y)) {
          return;
        }
        buttonArmed = false;
        break;
      case ClientMessage:
        if (IsCloseRequest(connection, event)) {
          return;
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace

void Session::RunNotice(const char* text, const char* caption) {
  Display* dpy = connection_.display;
  const GC gc = XCreateGC(dpy, DefaultRootWindow(dpy), 0, nullptr);
  XSetForeground(dpy, gc, BlackPixel(dpy, DefaultScreen(dpy)));
  XFontStruct* font = XQueryFont(dpy, XGContextFromGC(gc));
  const core::NoticeLayout layout = LayOut(*font, text);
  const Window box = CreateBox(connection_, screen_, layout, caption);
  XMapRaised(dpy, box);
  RunBox(connection_, box, gc, *font, layout, text);
  {
    const ExpectedErrors boxMayBeGone(dpy, {BadWindow});
    XDestroyWindow(dpy, box);
  }
  XFreeFontInfo(nullptr, font, 1);
  XFreeGC(dpy, gc);
  XFlush(dpy);
}

}  // namespace x11

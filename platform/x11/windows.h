// The program's windows as X windows: made for the screen's mode, shown,
// renewed when the mode changes, and what the server reports of them
// (their keys, close requests, clicks on the overlay where they show, their
// end) as events for the core.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/core/backend.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_dispatch.h"
#include "platform/x11/screen.h"

namespace x11 {

class Windows;

// The X window behind a window of the program; the screen's mode can replace it behind the same handle.
struct XWindow : core::NativeWindow {
  XWindow(Windows& owner, HWND handle, const core::WindowLook& look, Window xid)
      : owner(owner), handle(handle), look(look), xid(xid) {}
  ~XWindow() override;

  Windows& owner;
  const HWND handle;
  const core::WindowLook look;
  Window xid;
  bool maximized = false;
  // Another client destroyed the X window: there is none left to destroy.
  bool gone = false;
};

class Windows {
 public:
  // Reports to `events`; takes the events its windows get from the dispatch.
  Windows(const Connection& connection, Screen& screen, EventDispatch& dispatch,
          std::vector<core::WindowEvent>& events);

  std::unique_ptr<XWindow> Create(HWND handle, const core::WindowLook& look);
  // Maps the window, maximized if asked, and gives it the keyboard.
  void Show(XWindow& window, bool maximize);

  // Gives every window a new X window of the screen's current mode, shown
  // as the old one was; the handles stay.
  void Renew();
  // Under a compositor that blends, where the program's shown windows lie
  // uncovered by other windows, the overlay takes the clicks; the raised
  // one is taken to be on top.
  void RouteClicksToShownWindows(const XWindow* raised = nullptr);
  // Without a window manager, maximized windows cover the screen at its new size.
  void FitMaximized();

  // The window behind an X window id, or one it had until it was renewed; null if none.
  XWindow* Find(Window xid) const;
  // The shown window at that point of the screen, or null.
  XWindow* ShownAt(int x, int y) const;

 private:
  friend struct XWindow;

  // X windows of ours replaced by new ones, until the server reports them
  // gone: input already on its way to one still belongs to its window.
  struct Retired {
    Window xid;
    XWindow* window;
  };

  void Report(core::WindowEvent::Kind kind, const XWindow& window, const XKeyEvent* key, Time time);
  void OnKey(const XKeyEvent& key);
  void OnButtonPress(const XButtonEvent& click);
  void OnDestroyNotify(Window xid);
  void OnKeymapNotify(const XKeymapEvent& keymap);
  XserverRegion ShownArea(const XWindow* raised) const;

  const Connection& connection_;
  Display* const dpy_;
  Screen& screen_;
  std::vector<core::WindowEvent>& events_;
  std::vector<XWindow*> live_;
  std::vector<Retired> retired_;
};

}  // namespace x11

#include "platform/x11/session.h"

namespace x11 {

Session::Session()
    : screen_(connection_, dispatch_), windows_(connection_, screen_, dispatch_, reported_) {}

std::unique_ptr<core::NativeWindow> Session::CreateWindow(HWND window, const core::WindowLook& look) {
  return windows_.Create(window, look);
}

void Session::ShowWindow(core::NativeWindow& window, bool maximize) {
  windows_.Show(static_cast<XWindow&>(window), maximize);
}

// A compositor that started or stopped needs new X windows, of the visual
// the new mode shows through; a new size, maximized windows that fit it;
// after either, the figure is shown on the root again (what it showed need
// not survive a new size: a server may keep only the bytes where they
// were). Windows that moved need an overlay that takes the clicks where
// they show.
void Session::FollowScreen() {
  const ScreenChange change = screen_.TakeChange();
  if (change.mode) {
    windows_.Renew();
  }
  if (change.size) {
    windows_.FitMaximized();
  }
  if (change.mode || change.size) {
    screen_.ShowInkOnRoot();
  }
  if (change.windows) {
    windows_.RouteClicksToShownWindows();
  }
}

void Session::ReadEvents(std::vector<core::WindowEvent>& events) {
  Display* dpy = connection_.display;
  while (XPending(dpy) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    dispatch_.Dispatch(event);
  }
  FollowScreen();
  events.insert(events.end(), reported_.begin(), reported_.end());
  reported_.clear();
}

void Session::WaitForEvents() {
  XEvent event;
  XPeekEvent(connection_.display, &event);
}

void Session::OpenScreen() { screen_.CreateInk(); }

void Session::CloseScreen() {
  screen_.DestroyInk();
  XFlush(connection_.display);
}

}  // namespace x11

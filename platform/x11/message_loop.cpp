// The message loop: at every GetMessageA, what the X server has sent goes
// to the module that owns its event type, and what changed on the screen
// is followed; then the thread's queue hands out the next message. Besides,
// dispatch to window procedures and the default handling of messages.
#include "platform/x11/connection.h"
#include "platform/x11/event_dispatch.h"
#include "platform/x11/message_queue.h"
#include "platform/x11/screen.h"
#include "platform/x11/window.h"

namespace x11 {
namespace {

// A compositor that started or stopped needs new X windows, of the visual
// the new mode shows through; a new size, maximized windows that fit it;
// after either, the figure is shown on the root again (what it showed need
// not survive a new size: a server may keep only the bytes where they
// were). Windows that moved need an overlay that takes the clicks where
// they show.
void FollowScreen() {
  Screen& screen = TheScreen();
  const ScreenChange change = screen.TakeChange();
  if (change.mode) {
    RenewWindows();
  }
  if (change.size) {
    FitMaximizedWindows();
  }
  if (change.mode || change.size) {
    screen.ShowInkOnRoot();
  }
  if (change.windows) {
    RouteClicksToShownWindows();
  }
}

void ReadEvents(Display* dpy) {
  while (XPending(dpy) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    DispatchEvent(event);
  }
  FollowScreen();
}

}  // namespace
}  // namespace x11

BOOL WINAPI GetMessageA(MSG* message, HWND, UINT, UINT) {
  Display* dpy = x11::Connection();
  for (;;) {
    x11::ReadEvents(dpy);
    if (const std::optional<MSG> next = x11::ThreadQueue().Take()) {
      *message = *next;
      return message->message != WM_QUIT;
    }
    XEvent event;
    XPeekEvent(dpy, &event);
  }
}

BOOL WINAPI TranslateMessage(const MSG*) {
  // Character messages are not produced: no window procedure here reads them.
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
  if (message == nullptr || !x11::IsLiveWindow(message->hwnd)) {
    return 0;
  }
  return message->hwnd->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(INT exitCode) { x11::ThreadQueue().PostQuit(exitCode); }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN) != 0) {
        x11::ThreadQueue().Post(window, WM_SYSCOMMAND, SC_CLOSE, 0, GetTickCount());
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && x11::IsLiveWindow(window)) {
        return window->procedure(window, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_CLOSE:
      x11::DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

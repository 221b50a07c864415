// The message loop: input read from the X server at every GetMessageA,
// dispatch to window procedures, and the default handling of messages.
#include "platform/x11/connection.h"
#include "platform/x11/events.h"
#include "platform/x11/keyboard.h"
#include "platform/x11/message_queue.h"
#include "platform/x11/screen.h"
#include "platform/x11/window.h"

namespace x11 {
namespace {

Keyboard keyboard;

// Without detectable auto-repeat a held key sends a release and a press at
// the same moment, over and over: such a release is no release.
bool IsAutoRepeatRelease(Display* dpy, const XEvent& event) {
  constexpr Time sameMoment = 20;
  if (event.type != KeyRelease || DetectableAutoRepeat() || XEventsQueued(dpy, QueuedAfterReading) == 0) {
    return false;
  }
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == KeyPress && next.xkey.keycode == event.xkey.keycode &&
         next.xkey.time - event.xkey.time < sameMoment;
}

void QueueEvent(const XEvent& event) {
  switch (event.type) {
    case KeyPress:
    case KeyRelease: {
      const HWND window = FindWindow(event.xkey.window);
      if (window == nullptr) {
        return;
      }
      const KeyMessage key = keyboard.Translate(event.xkey);
      ThreadQueue().Post(window, key.message, key.virtualKey, key.keyData, static_cast<DWORD>(event.xkey.time));
      return;
    }
    case ClientMessage: {
      const HWND window = FindWindow(event.xclient.window);
      if (window != nullptr && IsCloseRequest(event)) {
        ThreadQueue().Post(window, WM_CLOSE, 0, 0, GetTickCount());
      }
      return;
    }
    case DestroyNotify:
      XWindowDestroyed(event.xdestroywindow.window);
      return;
    default:
      FollowScreen(event);
      return;
  }
}

void ReadPendingInput(Display* dpy) {
  while (XPending(dpy) > 0) {
    XEvent event;
    XNextEvent(dpy, &event);
    if (!IsAutoRepeatRelease(dpy, event)) {
      QueueEvent(event);
    }
  }
}

}  // namespace
}  // namespace x11

BOOL WINAPI GetMessageA(MSG* message, HWND, UINT, UINT) {
  Display* dpy = x11::Connection();
  for (;;) {
    x11::ReadPendingInput(dpy);
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

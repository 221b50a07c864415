// What the server reports about the program's windows: their input, clicks
// on the overlay where they show, close requests, and their end.
#include "platform/x11/window.h"

#include "platform/x11/event_dispatch.h"
#include "platform/x11/keyboard.h"
#include "platform/x11/message_queue.h"
#include "platform/x11/screen.h"
#include "platform/x11/window_manager.h"

namespace x11 {
namespace {

Keyboard keyboard;

void OnKey(const XEvent& event) {
  const HWND window = FindWindow(event.xkey.window);
  if (window == nullptr || IsAutoRepeatRelease(event.xkey)) {
    return;
  }
  const KeyMessage key = keyboard.Translate(event.xkey);
  ThreadQueue().Post(window, key.message, key.virtualKey, key.keyData, static_cast<DWORD>(event.xkey.time));
}

// A click that lands on the overlay, where a window of the program shows,
// activates that window, as a click on a window does on Windows.
void OnButtonPress(const XEvent& event) {
  const XButtonEvent& click = event.xbutton;
  if (!TheScreen().IsOverlay(click.window)) {
    return;
  }
  if (const HWND clicked = ShownWindowAt(click.x_root, click.y_root)) {
    Activate(clicked->xid, HasWindowManager());
  }
}

void OnClientMessage(const XEvent& event) {
  const HWND window = FindWindow(event.xclient.window);
  if (window != nullptr && IsCloseRequest(event)) {
    ThreadQueue().Post(window, WM_CLOSE, 0, 0, GetTickCount());
  }
}

void OnDestroyNotify(const XEvent& event) { XWindowDestroyed(event.xdestroywindow.window); }

}  // namespace

void ListenToWindowEvents() {
  static const bool listening = [] {
    RegisterEventHandler(KeyPress, OnKey);
    RegisterEventHandler(KeyRelease, OnKey);
    RegisterEventHandler(ButtonPress, OnButtonPress);
    RegisterEventHandler(ClientMessage, OnClientMessage);
    RegisterEventHandler(DestroyNotify, OnDestroyNotify);
    return true;
  }();
  static_cast<void>(listening);
}

}  // namespace x11

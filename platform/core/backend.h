// What a display server provides to the Windows operations: the notice box,
// the windows, the surfaces behind the screen's device context, drawing on
// them, and the input that reaches the windows. Everything else of those
// operations (handles, classes, the message queue, default handling, GDI+
// objects, virtual keys) lives in the core, once for every backend.
//
// Calls go one way: the core calls its backend; a backend hands back what
// happened to the windows as events that the core asks for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace core {

// What a window was created with; a backend keeps it to show the window by.
struct WindowLook {
  std::string title;
  std::string className;
  DWORD style;
  int x;
  int y;
  int width;
  int height;
};

// The backend's side of a window: whatever the server shows it with. The
// core destroys it with its window; a backend that has been told the
// server's window is gone (WindowEvent::destroyed) must not destroy it again.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  // Whether it has been shown; a backend sets it as it shows the window.
  bool visible = false;
};

// A font that text is drawn in, opened by the backend.
class NativeFont {
 public:
  virtual ~NativeFont() = default;
};

// A key as the keyboard reports it: the keysym of its unshifted level (the
// X11 and xkbcommon keysyms are the same numbers) and the kernel's (evdev)
// key code, which Windows calls its scan code.
struct Key {
  std::uint32_t keysym;
  unsigned scanCode;
};

// What happened to a window of the program since the core last asked.
struct WindowEvent {
  enum class Kind {
    // A key went down or up in the window; `altHeld` says whether Alt was held.
    keyPressed,
    keyReleased,
    // A window took the keyboard while this key was already down: it is
    // noted as down, and no message says so; `window` may be null.
    keyHeld,
    // The user asked to close the window (a window manager's close button).
    closeRequested,
    // Another client destroyed the server's window: the window is destroyed for the program too.
    destroyed,
  };
  Kind kind;
  HWND window;
  Key key;
  bool altHeld;
  // The server's time of a key event, in milliseconds.
  DWORD time;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Shows the notice and returns once the user has dismissed it in any way:
  // OK, Return, Space or Escape pressed, or the box closed. A key that
  // dismisses it does so as it goes down, as on Windows; its release goes
  // to whichever window has the keyboard then. Neither text is null.
  // Its layout and keys are core::NoticeLayout's and core::DismissesNotice's.
  virtual void RunNotice(const char* text, const char* caption) = 0;

  // The server's window behind a new window of the program, not shown yet;
  // `window` is the handle its events name.
  virtual std::unique_ptr<NativeWindow> CreateWindow(HWND window, const WindowLook& look) = 0;
  // Shows the window (maximized if asked) and gives it the keyboard.
  virtual void ShowWindow(NativeWindow& window, bool maximize) = 0;

  // Appends what the server has reported about the program's windows,
  // without waiting for it to report more.
  virtual void ReadEvents(std::vector<WindowEvent>& events) = 0;
  // Waits until the server has more to report.
  virtual void WaitForEvents() = 0;

  // The surfaces behind the screen's device context: opened with the first
  // device context, closed with the last.
  virtual void OpenScreen() = 0;
  virtual void CloseScreen() = 0;

  // While the screen is open: the whole screen filled with the colour; a
  // polyline through the points with a pen of that colour and width (in
  // pixels, its joins mitered); text from (x, y), its top-left corner.
  // Coordinates are the screen's, from the top-left corner of the whole
  // desktop, and within ±coordinateReach.
  virtual void Fill(ARGB color) = 0;
  virtual void DrawLines(const GpPointF* points, INT count, ARGB color, REAL width) = 0;
  virtual void DrawText(const NativeFont& font, const std::string& latin1, REAL x, REAL y, ARGB color) = 0;

  // The family's font at that size in pixels, or the nearest the desktop
  // has; null if there is none at all.
  virtual std::unique_ptr<NativeFont> OpenFont(const std::string& family, REAL pixels) = 0;
};

// How far from the screen's origin anything may be drawn: well inside the
// 16-bit coordinates of X and the 16.16 fixed point of pixman, so that even
// a wide line's outline stays representable.
constexpr REAL coordinateReach = 16384;

}  // namespace core
